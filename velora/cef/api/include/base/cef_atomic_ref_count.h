// A thread-safe reference count: increments are relaxed, the decrement that
// may reach zero is acquire-release so the deleting thread sees every write
// made by the threads that released before it.
#ifndef CEF_INCLUDE_BASE_CEF_ATOMIC_REF_COUNT_H_
#define CEF_INCLUDE_BASE_CEF_ATOMIC_REF_COUNT_H_
#pragma once

#include <atomic>

namespace base {

class AtomicRefCount {
 public:
  constexpr AtomicRefCount() : ref_count_(0) {}
  explicit constexpr AtomicRefCount(int initial) : ref_count_(initial) {}

  void Increment() { Increment(1); }
  void Increment(int increment) {
    ref_count_.fetch_add(increment, std::memory_order_relaxed);
  }
  // Returns the previous count.
  int IncrementBy(int increment) {
    return ref_count_.fetch_add(increment, std::memory_order_relaxed);
  }
  // Returns false when the count has dropped to zero.
  bool Decrement() {
    return ref_count_.fetch_sub(1, std::memory_order_acq_rel) != 1;
  }
  bool IsOne() const { return ref_count_.load(std::memory_order_acquire) == 1; }
  bool IsZero() const {
    return ref_count_.load(std::memory_order_acquire) == 0;
  }
  int SubtleRefCountForDebug() const {
    return ref_count_.load(std::memory_order_relaxed);
  }

 private:
  std::atomic_int ref_count_;
};

}  // namespace base

#endif  // CEF_INCLUDE_BASE_CEF_ATOMIC_REF_COUNT_H_
