// CefRefPtr and IMPLEMENT_REFCOUNTING: an engine object lives exactly as long
// as its last reference, also when references come and go on several
// threads.
#include <atomic>
#include <thread>
#include <vector>

#include "include/base/cef_ref_counted.h"
#include "include/cef_base.h"
#include "include/cef_task.h"

#include <gtest/gtest.h>

namespace {

class Probe : public CefTask {
 public:
  explicit Probe(std::atomic<int>* deletions) : deletions_(deletions) {}
  ~Probe() override { ++*deletions_; }
  void Execute() override {}

 private:
  std::atomic<int>* deletions_;
  IMPLEMENT_REFCOUNTING(Probe);
};

TEST(CefRefPtr, ReleasesOnLastReference) {
  std::atomic<int> deletions{0};
  CefRefPtr<Probe> first = new Probe(&deletions);
  EXPECT_TRUE(first->HasOneRef());

  CefRefPtr<Probe> second = first;
  EXPECT_FALSE(first->HasOneRef());
  EXPECT_TRUE(first->HasAtLeastOneRef());
  EXPECT_TRUE(first == second);

  // Through a base interface: the same count.
  CefRefPtr<CefTask> as_task = second;
  EXPECT_EQ(static_cast<CefTask*>(first.get()), as_task.get());

  first = nullptr;
  second.reset();
  EXPECT_EQ(0, deletions.load());
  EXPECT_TRUE(as_task->HasOneRef());
  as_task = nullptr;
  EXPECT_EQ(1, deletions.load());
}

// Assignment out of line, so the compiler's use-after-free analysis does not
// follow the (not taken) deleting branch of Release into the test body.
template <typename T, typename U>
#if defined(__GNUC__)
__attribute__((noinline))
#endif
void AssignRef(CefRefPtr<T>& to, const U& from) {
  to = from;
}

TEST(CefRefPtr, MoveSwapAndSelfAssignKeepTheCount) {
  std::atomic<int> deletions{0};
  CefRefPtr<Probe> a = new Probe(&deletions);
  Probe* raw = a.get();

  CefRefPtr<Probe> b(std::move(a));
  EXPECT_EQ(nullptr, a.get());  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(b->HasOneRef());

  AssignRef(b, b);
  EXPECT_EQ(raw, b.get());
  EXPECT_TRUE(b->HasOneRef());

  AssignRef(b, raw);  // Assigning the object it already holds.
  EXPECT_TRUE(b->HasOneRef());

  CefRefPtr<Probe> c;
  c.swap(b);
  EXPECT_FALSE(b);
  EXPECT_TRUE(c);
  EXPECT_TRUE(c != nullptr);
  EXPECT_TRUE(nullptr == b);
  EXPECT_TRUE(c == raw);

  CefRefPtr<CefTask> moved_up = std::move(c);
  EXPECT_TRUE(moved_up->HasOneRef());
  EXPECT_EQ(0, deletions.load());
  moved_up = nullptr;
  EXPECT_EQ(1, deletions.load());
}

TEST(CefRefPtr, ReleaseReportsTheDeletion) {
  std::atomic<int> deletions{0};
  Probe* probe = new Probe(&deletions);
  probe->AddRef();
  probe->AddRef();
  EXPECT_FALSE(probe->Release());
  EXPECT_TRUE(probe->Release());
  EXPECT_EQ(1, deletions.load());
}

TEST(CefRefPtr, CountsStayExactAcrossThreads) {
  std::atomic<int> deletions{0};
  CefRefPtr<Probe> shared = new Probe(&deletions);
  constexpr int kThreads = 4;
  constexpr int kRounds = 20000;

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&shared] {
      for (int i = 0; i < kRounds; ++i) {
        CefRefPtr<Probe> copy = shared;  // AddRef
        CefRefPtr<CefTask> up = copy;    // AddRef
      }                                  // two Releases
    });
  }
  for (std::thread& t : threads)
    t.join();

  EXPECT_EQ(0, deletions.load());
  EXPECT_TRUE(shared->HasOneRef());
  shared = nullptr;
  EXPECT_EQ(1, deletions.load());
}

TEST(CefRefPtr, LastReleaseOnAnotherThreadDeletesOnce) {
  std::atomic<int> deletions{0};
  for (int round = 0; round < 200; ++round) {
    CefRefPtr<Probe> a = new Probe(&deletions);
    CefRefPtr<Probe> b = a;
    std::thread other([moved = std::move(b)]() mutable { moved = nullptr; });
    a = nullptr;
    other.join();
  }
  EXPECT_EQ(200, deletions.load());
}

class Counted : public base::RefCountedThreadSafe<Counted> {
 public:
  explicit Counted(bool* deleted) : deleted_(deleted) {}

 private:
  friend class base::RefCountedThreadSafe<Counted>;
  ~Counted() { *deleted_ = true; }
  bool* deleted_;
};

TEST(BaseRefCounted, ThreadSafeBaseWorksWithScopedRefptr) {
  bool deleted = false;
  scoped_refptr<Counted> a = base::MakeRefCounted<Counted>(&deleted);
  EXPECT_TRUE(a->HasOneRef());
  scoped_refptr<Counted> b = a;
  a = nullptr;
  EXPECT_FALSE(deleted);
  b = nullptr;
  EXPECT_TRUE(deleted);
}

}  // namespace
