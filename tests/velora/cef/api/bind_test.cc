// base::BindOnce / BindRepeating: what is bound is kept (and kept alive)
// until the callback runs or is dropped, then released; once callbacks move
// their bound arguments into the call.
#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "include/base/cef_bind.h"
#include "include/base/cef_callback.h"
#include "include/cef_base.h"

#include <gtest/gtest.h>

namespace {

int Add(int a, int b) {
  return a + b;
}

std::string Describe(const CefString& name, CefRect rect, bool visible,
                     int* out) {
  *out = rect.width * rect.height;
  return name.ToString() + (visible ? ":shown" : ":hidden");
}

class Target : public CefBaseRefCounted {
 public:
  explicit Target(std::atomic<int>* deletions) : deletions_(deletions) {}
  ~Target() override { ++*deletions_; }

  void Store(const CefString& value) { stored = value; }
  int Scaled(int factor) const { return base * factor; }

  CefString stored;
  int base = 3;

 private:
  std::atomic<int>* deletions_;
  IMPLEMENT_REFCOUNTING(Target);
};

TEST(BindOnce, BindsLeadingArgumentsOfAFreeFunction) {
  base::OnceCallback<int(int)> add2 = base::BindOnce(&Add, 2);
  EXPECT_EQ(5, std::move(add2).Run(3));
  EXPECT_TRUE(add2.is_null());  // NOLINT(bugprone-use-after-move)

  base::OnceCallback<int()> all = base::BindOnce(&Add, 40, 2);
  EXPECT_EQ(42, std::move(all).Run());

  base::OnceCallback<int(int, int)> none = base::BindOnce(&Add);
  EXPECT_EQ(7, std::move(none).Run(3, 4));
}

TEST(BindOnce, CopiesBoundValuesAtBindTime) {
  CefString name("控件");
  CefRect rect(0, 0, 4, 5);
  int area = 0;
  std::string result;
  auto cb = base::BindOnce(&Describe, name, rect, true, &area);
  name = "changed";
  rect.width = 100;
  result = std::move(cb).Run();
  EXPECT_EQ("控件:shown", result);
  EXPECT_EQ(20, area);
}

TEST(BindOnce, RefPtrReceiverLivesUntilTheCallbackRuns) {
  std::atomic<int> deletions{0};
  CefRefPtr<Target> target = new Target(&deletions);
  Target* raw = target.get();

  base::OnceClosure store =
      base::BindOnce(&Target::Store, target, CefString("hello"));
  target = nullptr;
  EXPECT_EQ(0, deletions.load()) << "the callback holds a reference";

  // The method runs on the still-living object; the reference goes with the
  // callback's state right after.
  raw->AddRef();
  std::move(store).Run();
  EXPECT_EQ("hello", raw->stored.ToString());
  EXPECT_TRUE(raw->HasOneRef());
  raw->Release();
  EXPECT_EQ(1, deletions.load());
}

TEST(BindOnce, DroppingAnUnrunCallbackReleasesWhatItBound) {
  std::atomic<int> deletions{0};
  {
    base::OnceClosure cb = base::BindOnce(
        &Target::Store, CefRefPtr<Target>(new Target(&deletions)),
        CefString("never"));
    EXPECT_EQ(0, deletions.load());
  }
  EXPECT_EQ(1, deletions.load());

  base::OnceClosure reset = base::BindOnce(
      &Target::Store, CefRefPtr<Target>(new Target(&deletions)), CefString());
  reset.Reset();
  EXPECT_EQ(2, deletions.load());
  EXPECT_TRUE(reset.is_null());
}

TEST(BindOnce, UnretainedAddsNoReference) {
  std::atomic<int> deletions{0};
  CefRefPtr<Target> target = new Target(&deletions);
  auto scaled = base::BindOnce(&Target::Scaled, base::Unretained(target.get()));
  EXPECT_TRUE(target->HasOneRef());
  EXPECT_EQ(12, std::move(scaled).Run(4));

  // A raw pointer receiver, bound at run time.
  base::OnceCallback<void(Target*, const CefString&)> store =
      base::BindOnce(&Target::Store);
  std::move(store).Run(target.get(), CefString("late"));
  EXPECT_EQ("late", target->stored.ToString());
}

TEST(BindOnce, MovesMoveOnlyAndStringArguments) {
  auto take = [](std::unique_ptr<int> p, std::string s) {
    return *p + static_cast<int>(s.size());
  };
  std::string text(1000, 'x');
  const char* original = text.data();
  std::string seen;
  auto keep = [&seen](std::string s) { seen = std::move(s); };

  base::OnceCallback<int()> cb =
      base::BindOnce(take, std::make_unique<int>(5), std::string("abc"));
  EXPECT_EQ(8, std::move(cb).Run());

  base::OnceClosure moved = base::BindOnce(keep, std::move(text));
  std::move(moved).Run();
  EXPECT_EQ(1000u, seen.size());
  // The buffer travelled from `text` through the bound state into the call.
  EXPECT_EQ(original, seen.data());
}

TEST(BindOnce, OwnedAndRetainedRefWrappers) {
  std::atomic<int> deletions{0};
  struct Plain {
    explicit Plain(bool* d) : deleted(d) {}
    ~Plain() { *deleted = true; }
    bool* deleted;
  };
  bool plain_deleted = false;
  {
    auto cb = base::BindOnce([](Plain* p) { return p != nullptr; },
                             base::Owned(new Plain(&plain_deleted)));
    EXPECT_TRUE(std::move(cb).Run());
  }
  EXPECT_TRUE(plain_deleted);

  CefRefPtr<Target> target = new Target(&deletions);
  auto cb = base::BindOnce([](Target* t) { return t->base; },
                           base::RetainedRef(target));
  EXPECT_FALSE(target->HasOneRef());
  EXPECT_EQ(3, std::move(cb).Run());
  EXPECT_TRUE(target->HasOneRef());
}

TEST(BindRepeating, RunsManyTimesAndCopiesShareState) {
  int calls = 0;
  base::RepeatingCallback<int(int)> add10 = base::BindRepeating(&Add, 10);
  EXPECT_EQ(11, add10.Run(1));
  EXPECT_EQ(12, add10.Run(2));

  base::RepeatingClosure count =
      base::BindRepeating([](int* c) { ++*c; }, &calls);
  base::RepeatingClosure copy = count;
  EXPECT_TRUE(copy == count);
  count.Run();
  copy.Run();
  EXPECT_EQ(2, calls);

  // A repeating callback converts to a once callback.
  base::OnceClosure once = copy;
  std::move(once).Run();
  EXPECT_EQ(3, calls);
  EXPECT_FALSE(copy.is_null());
  copy.Run();
  EXPECT_EQ(4, calls);
}

TEST(BindOnce, BindsCallbacksAndCapturingLambdas) {
  int total = 0;
  auto accumulate = [&total](int a, int b) { total += a * b; };
  base::OnceCallback<void(int)> times3 = base::BindOnce(accumulate, 3);
  std::move(times3).Run(5);
  EXPECT_EQ(15, total);

  base::RepeatingCallback<int(int)> inner = base::BindRepeating(&Add, 1);
  base::OnceCallback<int()> outer = base::BindOnce(inner, 41);
  EXPECT_EQ(42, std::move(outer).Run());
}

}  // namespace
