// Closures as engine tasks, posted through the engine's
// CefPostTask(CefThreadId, CefRefPtr<CefTask>).
#include "include/wrapper/cef_closure_task.h"

#include <mutex>
#include <utility>

#include "include/base/cef_callback.h"

namespace {

// Runs a once closure on its first Execute(). The engine may hold and drop
// the task on any thread, and a caller may Execute() it more than once: the
// closure is taken out under a lock, so it runs exactly once and a second
// Execute() does nothing.
class CefOnceClosureTask : public CefTask {
 public:
  explicit CefOnceClosureTask(base::OnceClosure closure)
      : closure_(std::move(closure)) {}
  CefOnceClosureTask(const CefOnceClosureTask&) = delete;
  CefOnceClosureTask& operator=(const CefOnceClosureTask&) = delete;

  void Execute() override {
    base::OnceClosure closure;
    {
      std::lock_guard<std::mutex> lock(lock_);
      closure = std::move(closure_);
    }
    if (closure)
      std::move(closure).Run();
  }

 private:
  std::mutex lock_;
  base::OnceClosure closure_;

  IMPLEMENT_REFCOUNTING(CefOnceClosureTask);
};

class CefRepeatingClosureTask : public CefTask {
 public:
  explicit CefRepeatingClosureTask(const base::RepeatingClosure& closure)
      : closure_(closure) {}
  CefRepeatingClosureTask(const CefRepeatingClosureTask&) = delete;
  CefRepeatingClosureTask& operator=(const CefRepeatingClosureTask&) = delete;

  void Execute() override { closure_.Run(); }

 private:
  const base::RepeatingClosure closure_;

  IMPLEMENT_REFCOUNTING(CefRepeatingClosureTask);
};

}  // namespace

CefRefPtr<CefTask> CefCreateClosureTask(base::OnceClosure closure) {
  if (!closure)
    return nullptr;
  return new CefOnceClosureTask(std::move(closure));
}

CefRefPtr<CefTask> CefCreateClosureTask(const base::RepeatingClosure& closure) {
  if (!closure)
    return nullptr;
  return new CefRepeatingClosureTask(closure);
}

bool CefPostTask(CefThreadId threadId, base::OnceClosure closure) {
  CefRefPtr<CefTask> task = CefCreateClosureTask(std::move(closure));
  if (!task)
    return false;
  return CefPostTask(threadId, task);
}

bool CefPostTask(CefThreadId threadId, const base::RepeatingClosure& closure) {
  CefRefPtr<CefTask> task = CefCreateClosureTask(closure);
  if (!task)
    return false;
  return CefPostTask(threadId, task);
}

bool CefPostDelayedTask(CefThreadId threadId,
                        base::OnceClosure closure,
                        int64 delay_ms) {
  CefRefPtr<CefTask> task = CefCreateClosureTask(std::move(closure));
  if (!task)
    return false;
  return CefPostDelayedTask(threadId, task, delay_ms);
}

bool CefPostDelayedTask(CefThreadId threadId,
                        const base::RepeatingClosure& closure,
                        int64 delay_ms) {
  CefRefPtr<CefTask> task = CefCreateClosureTask(closure);
  if (!task)
    return false;
  return CefPostDelayedTask(threadId, task, delay_ms);
}
