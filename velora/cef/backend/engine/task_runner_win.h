// A thread of the engine: a queue of closures, delayed closures, and a
// Win32 message pump, since windows the engine makes (browser windows)
// live on the engine's UI thread and need their messages dispatched there.
//
// Start() runs the loop on a new thread; RunOnCurrentThread() runs it on
// the calling thread until Quit() (the engine's single-threaded mode). Post
// works from any thread; closures run in posting order, delayed ones once
// their time has come, after the closures already due.
#pragma once

#include "win_include.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <queue>
#include <string>
#include <thread>
#include <vector>

namespace velora_engine {

class TaskRunner {
 public:
  using Closure = std::function<void()>;

  explicit TaskRunner(std::string name);
  ~TaskRunner();
  TaskRunner(const TaskRunner&) = delete;
  TaskRunner& operator=(const TaskRunner&) = delete;

  // Starts the loop on its own thread and returns once that thread runs.
  void Start();
  // Runs the loop on this thread until Quit().
  void RunOnCurrentThread();
  // Makes this thread the runner's before its loop runs here.
  void BindToCurrentThread() { thread_id_ = ::GetCurrentThreadId(); }
  // Ends the loop after the closures already queued and due; with its own
  // thread, Stop() also joins it. Closures posted later are dropped.
  void Quit();
  void Stop();

  // False once the loop has ended (the closure is dropped then).
  bool Post(Closure task, int64_t delay_ms = 0);
  bool RunsOnCurrentThread() const;
  DWORD thread_id() const { return thread_id_.load(); }

 private:
  struct Delayed {
    uint64_t due_ms;
    uint64_t sequence;
    Closure task;
    bool operator>(const Delayed& o) const {
      return due_ms != o.due_ms ? due_ms > o.due_ms : sequence > o.sequence;
    }
  };

  void Loop();
  static uint64_t NowMs();

  const std::string name_;
  std::mutex lock_;
  std::deque<Closure> ready_;
  std::priority_queue<Delayed, std::vector<Delayed>, std::greater<Delayed>> delayed_;
  uint64_t sequence_ = 0;
  bool quit_ = false;
  bool ended_ = false;
  HANDLE wake_ = nullptr;  // auto-reset event: something was posted
  std::atomic<DWORD> thread_id_{0};
  std::thread thread_;
};

}  // namespace velora_engine
