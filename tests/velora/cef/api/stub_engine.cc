#include "stub_engine.h"

namespace stub_engine {
namespace {

std::vector<PostedTask> g_posted;
int g_current_thread = -1;
int g_refused_thread = -1;

bool Accept(CefThreadId thread, CefRefPtr<CefTask> task, long long delay) {
  if (static_cast<int>(thread) == g_refused_thread || !task)
    return false;
  g_posted.push_back({thread, task, delay});
  return true;
}

}  // namespace

std::vector<PostedTask>& Posted() {
  return g_posted;
}

void Reset() {
  g_posted.clear();
  g_current_thread = -1;
  g_refused_thread = -1;
}

void SetCurrentThread(int thread) {
  g_current_thread = thread;
}

void RefuseThread(int thread) {
  g_refused_thread = thread;
}

}  // namespace stub_engine

bool CefCurrentlyOn(CefThreadId threadId) {
  return static_cast<int>(threadId) == stub_engine::g_current_thread;
}

bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task) {
  return stub_engine::Accept(threadId, task, -1);
}

bool CefPostDelayedTask(CefThreadId threadId,
                        CefRefPtr<CefTask> task,
                        int64 delay_ms) {
  return stub_engine::Accept(threadId, task, delay_ms);
}
