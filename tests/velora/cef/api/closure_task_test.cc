// Closure tasks through the engine's CefPostTask: what reaches the engine,
// when the closure runs, and what happens to what it bound when the task is
// refused or dropped.
#include <atomic>

#include "include/base/cef_bind.h"
#include "include/cef_base.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"
#include "stub_engine.h"

#include <gtest/gtest.h>

namespace {

class Recorder : public CefBaseRefCounted {
 public:
  explicit Recorder(std::atomic<int>* deletions) : deletions_(deletions) {}
  ~Recorder() override { ++*deletions_; }
  void Hit(int n) { hits += n; }
  int hits = 0;

 private:
  std::atomic<int>* deletions_;
  IMPLEMENT_REFCOUNTING(Recorder);
};

class ClosureTaskTest : public testing::Test {
 protected:
  void SetUp() override { stub_engine::Reset(); }
  void TearDown() override { stub_engine::Reset(); }

  std::atomic<int> deletions_{0};
};

TEST_F(ClosureTaskTest, PostedClosureRunsOnceWhenTheEngineExecutesIt) {
  CefRefPtr<Recorder> recorder = new Recorder(&deletions_);
  ASSERT_TRUE(CefPostTask(TID_UI, base::BindOnce(&Recorder::Hit, recorder, 2)));

  ASSERT_EQ(1u, stub_engine::Posted().size());
  EXPECT_EQ(TID_UI, stub_engine::Posted()[0].thread);
  EXPECT_EQ(-1, stub_engine::Posted()[0].delay_ms);
  EXPECT_EQ(0, recorder->hits) << "nothing runs before the engine does";

  CefRefPtr<CefTask> task = stub_engine::Posted()[0].task;
  task->Execute();
  EXPECT_EQ(2, recorder->hits);
  // The bound reference is gone with the run, though the task still exists.
  EXPECT_TRUE(recorder->HasOneRef());

  task->Execute();
  EXPECT_EQ(2, recorder->hits) << "a once closure never runs twice";
}

TEST_F(ClosureTaskTest, DelayedPostCarriesTheDelay) {
  int runs = 0;
  ASSERT_TRUE(CefPostDelayedTask(
      TID_IO, base::BindOnce([](int* r) { ++*r; }, &runs), 250));
  ASSERT_EQ(1u, stub_engine::Posted().size());
  EXPECT_EQ(TID_IO, stub_engine::Posted()[0].thread);
  EXPECT_EQ(250, stub_engine::Posted()[0].delay_ms);
  stub_engine::Posted()[0].task->Execute();
  EXPECT_EQ(1, runs);
}

TEST_F(ClosureTaskTest, NullClosureIsRefusedWithoutPosting) {
  EXPECT_FALSE(CefPostTask(TID_UI, base::OnceClosure()));
  EXPECT_FALSE(CefPostDelayedTask(TID_UI, base::OnceClosure(), 10));
  EXPECT_FALSE(CefPostTask(TID_UI, base::RepeatingClosure()));
  EXPECT_TRUE(stub_engine::Posted().empty());
  EXPECT_FALSE(CefCreateClosureTask(base::OnceClosure()));
}

TEST_F(ClosureTaskTest, RefusedTaskReleasesWhatTheClosureBound) {
  stub_engine::RefuseThread(TID_RENDERER);
  EXPECT_FALSE(CefPostTask(
      TID_RENDERER,
      base::BindOnce(&Recorder::Hit,
                     CefRefPtr<Recorder>(new Recorder(&deletions_)), 1)));
  EXPECT_TRUE(stub_engine::Posted().empty());
  EXPECT_EQ(1, deletions_.load());
}

TEST_F(ClosureTaskTest, DroppedTaskReleasesWhatTheClosureBound) {
  ASSERT_TRUE(CefPostTask(
      TID_UI, base::BindOnce(&Recorder::Hit,
                             CefRefPtr<Recorder>(new Recorder(&deletions_)),
                             1)));
  EXPECT_EQ(0, deletions_.load());
  stub_engine::Posted().clear();  // The engine shuts down without running it.
  EXPECT_EQ(1, deletions_.load());
}

TEST_F(ClosureTaskTest, RepeatingClosureTaskRunsOnEveryExecute) {
  int runs = 0;
  CefRefPtr<CefTask> task =
      CefCreateClosureTask(base::BindRepeating([](int* r) { ++*r; }, &runs));
  task->Execute();
  task->Execute();
  EXPECT_EQ(2, runs);
}

// The pattern the frame's controls use: run here when on the UI thread,
// otherwise post the same call there.
void CreateOnUiThread(CefRefPtr<Recorder> recorder, int n) {
  if (!CefCurrentlyOn(TID_UI)) {
    CefPostTask(TID_UI, base::BindOnce(&CreateOnUiThread, recorder, n));
    return;
  }
  CEF_REQUIRE_UI_THREAD();
  recorder->Hit(n);
}

TEST_F(ClosureTaskTest, HopToTheUiThreadAndRunThere) {
  CefRefPtr<Recorder> recorder = new Recorder(&deletions_);
  CreateOnUiThread(recorder, 5);
  EXPECT_EQ(0, recorder->hits);
  ASSERT_EQ(1u, stub_engine::Posted().size());

  stub_engine::SetCurrentThread(TID_UI);
  stub_engine::Posted()[0].task->Execute();
  EXPECT_EQ(5, recorder->hits);
  EXPECT_EQ(1u, stub_engine::Posted().size()) << "no second hop";
}

TEST_F(ClosureTaskTest, DeleteOnUiThreadPostsTheDeletionFromElsewhere) {
  struct OnUi : public CefBaseRefCounted {
    explicit OnUi(std::atomic<int>* d) : deletions(d) {}
    ~OnUi() override { ++*deletions; }
    std::atomic<int>* deletions;
    IMPLEMENT_REFCOUNTING_DELETE_ON_UIT(OnUi);
  };
  CefRefPtr<OnUi> obj = new OnUi(&deletions_);
  obj = nullptr;
  EXPECT_EQ(0, deletions_.load());
  ASSERT_EQ(1u, stub_engine::Posted().size());
  stub_engine::SetCurrentThread(TID_UI);
  stub_engine::Posted()[0].task->Execute();
  EXPECT_EQ(1, deletions_.load());
}

}  // namespace
