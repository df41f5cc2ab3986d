// CMainMessageLoopWin on a real message queue: tasks queued before Run go
// first, tasks from other threads run on the main thread in posting order,
// and tasks left when the loop ends are released without running.
#include "cef3/browser/main_message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Journal {
  std::mutex lock;
  std::vector<std::string> ran;
  std::vector<DWORD> threads;
  std::atomic<int> released{0};
};

class RecordTask : public CefTask {
 public:
  RecordTask(Journal* journal, std::string name, bool quit = false)
      : journal_(journal), name_(std::move(name)), quit_(quit) {}
  ~RecordTask() override { ++journal_->released; }
  void Execute() override {
    {
      std::lock_guard<std::mutex> guard(journal_->lock);
      journal_->ran.push_back(name_);
      journal_->threads.push_back(GetCurrentThreadId());
    }
    // A posted WM_QUIT keeps its place in the queue (PostQuitMessage would
    // wait for the queue to empty), so tasks posted behind it stay unrun.
    if (quit_) PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0);
  }

 private:
  Journal* journal_;
  std::string name_;
  bool quit_;
  IMPLEMENT_REFCOUNTING(RecordTask);
};

TEST(MainMessageLoop, TaskPostedBeforeRunRunsFirst) {
  Journal journal;
  {
    CMainMessageLoopWin loop;
    EXPECT_EQ(&loop, CMainMessageLoopWin::GetMainMessageLoop());
    EXPECT_TRUE(loop.RunsTasksOnCurrentThread());
    // A message already waiting in the queue must not overtake the early task.
    loop.PostTask(new RecordTask(&journal, "early-1"));
    loop.PostTask(new RecordTask(&journal, "early-2"));
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    loop.PostTask(new RecordTask(&journal, "quit", true));
    EXPECT_EQ(7, loop.Run());
  }
  EXPECT_EQ(nullptr, CMainMessageLoopWin::GetMainMessageLoop());
  EXPECT_EQ((std::vector<std::string>{"early-1", "early-2", "quit"}), journal.ran);
  EXPECT_EQ(3, journal.released.load());
}

TEST(MainMessageLoop, TasksFromAnotherThreadRunInOrderOnTheMainThread) {
  Journal journal;
  CMainMessageLoopWin loop;
  bool otherThreadRunsTasks = true;
  std::thread poster([&] {
    otherThreadRunsTasks = loop.RunsTasksOnCurrentThread();
    for (int i = 0; i < 200; ++i) loop.PostTask(new RecordTask(&journal, std::to_string(i)));
    loop.PostTask(new RecordTask(&journal, "quit", true));
  });
  loop.Run();
  poster.join();
  EXPECT_FALSE(otherThreadRunsTasks);
  ASSERT_EQ(201u, journal.ran.size());
  for (int i = 0; i < 200; ++i) EXPECT_EQ(std::to_string(i), journal.ran[static_cast<size_t>(i)]);
  for (DWORD thread : journal.threads) EXPECT_EQ(GetCurrentThreadId(), thread);
}

// Runs a function: lets a task post behind the WM_QUIT it posts itself.
class FunctionTask : public CefTask {
 public:
  explicit FunctionTask(std::function<void()> fn) : fn_(std::move(fn)) {}
  void Execute() override { fn_(); }

 private:
  std::function<void()> fn_;
  IMPLEMENT_REFCOUNTING(FunctionTask);
};

TEST(MainMessageLoop, TasksLeftAfterRunAreReleasedNotRun) {
  Journal journal;
  {
    CMainMessageLoopWin loop;
    // WM_QUIT first, then two tasks behind it: they reach the window but
    // never run; the one queued after Run neither. Each reference is given
    // back.
    loop.PostTask(new FunctionTask([&] {
      PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0);
      loop.PostTask(new RecordTask(&journal, "behind-1"));
      loop.PostTask(new RecordTask(&journal, "behind-2"));
    }));
    EXPECT_EQ(7, loop.Run());
    EXPECT_EQ(2, journal.released.load());
    loop.PostTask(new RecordTask(&journal, "after"));
    EXPECT_EQ(2, journal.released.load());
  }
  EXPECT_TRUE(journal.ran.empty());
  EXPECT_EQ(3, journal.released.load());
}

}  // namespace
