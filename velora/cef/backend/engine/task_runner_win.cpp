#include "task_runner_win.h"

namespace velora_engine {

TaskRunner::TaskRunner(std::string name) : name_(std::move(name)) {
  wake_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

TaskRunner::~TaskRunner() {
  Stop();
  if (wake_) ::CloseHandle(wake_);
}

void TaskRunner::Start() {
  std::mutex m;
  std::condition_variable cv;
  bool running = false;
  thread_ = std::thread([&, this] {
    thread_id_ = ::GetCurrentThreadId();
    // Make the thread's message queue before anyone posts to it.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    {
      std::lock_guard<std::mutex> g(m);
      running = true;
    }
    cv.notify_one();
    Loop();
  });
  std::unique_lock<std::mutex> g(m);
  cv.wait(g, [&] { return running; });
}

void TaskRunner::RunOnCurrentThread() {
  thread_id_ = ::GetCurrentThreadId();
  Loop();
}

void TaskRunner::Quit() {
  {
    std::lock_guard<std::mutex> g(lock_);
    quit_ = true;
  }
  ::SetEvent(wake_);
}

void TaskRunner::Stop() {
  Quit();
  if (thread_.joinable()) {
    if (std::this_thread::get_id() == thread_.get_id()) thread_.detach();
    else thread_.join();
  }
}

bool TaskRunner::Post(Closure task, int64_t delay_ms) {
  {
    std::lock_guard<std::mutex> g(lock_);
    if (quit_ || ended_) return false;
    if (delay_ms <= 0) ready_.push_back(std::move(task));
    else delayed_.push(Delayed{NowMs() + static_cast<uint64_t>(delay_ms), sequence_++, std::move(task)});
  }
  ::SetEvent(wake_);
  return true;
}

bool TaskRunner::RunsOnCurrentThread() const {
  return thread_id_.load() == ::GetCurrentThreadId();
}

uint64_t TaskRunner::NowMs() { return ::GetTickCount64(); }

void TaskRunner::Loop() {
  while (true) {
    // Due closures first, in order; then window messages; then wait.
    std::deque<Closure> batch;
    DWORD wait_ms = INFINITE;
    bool quit;
    {
      std::lock_guard<std::mutex> g(lock_);
      const uint64_t now = NowMs();
      while (!delayed_.empty() && delayed_.top().due_ms <= now) {
        ready_.push_back(std::move(const_cast<Delayed&>(delayed_.top()).task));
        delayed_.pop();
      }
      batch.swap(ready_);
      if (!delayed_.empty()) wait_ms = static_cast<DWORD>(delayed_.top().due_ms - now);
      quit = quit_;
    }
    for (auto& task : batch) {
      if (task) task();
    }
    if (quit && batch.empty()) break;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;  // only Quit() ends this loop
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (!batch.empty()) continue;
    ::MsgWaitForMultipleObjectsEx(1, &wake_, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  // Closures that never ran are destroyed outside the lock: they may hold
  // the last reference to objects whose destructors post again.
  std::deque<Closure> dropped;
  std::vector<Delayed> dropped_delayed;
  {
    std::lock_guard<std::mutex> g(lock_);
    ended_ = true;
    dropped.swap(ready_);
    while (!delayed_.empty()) {
      dropped_delayed.push_back(std::move(const_cast<Delayed&>(delayed_.top())));
      delayed_.pop();
    }
  }
}

}  // namespace velora_engine
