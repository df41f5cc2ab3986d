// base::OnceCallback<R(Args...)> and base::RepeatingCallback<R(Args...)>:
// a function with bound arguments, made by base::BindOnce and
// base::BindRepeating (include/base/cef_bind.h).
//
// A OnceCallback runs at most once and only as an rvalue:
//
//   base::OnceClosure task = base::BindOnce(&Handler::Close, handler, true);
//   std::move(task).Run();   // task is null afterwards; the bound handler
//                            // reference is released when the call returns
//
// A RepeatingCallback may run any number of times, may be copied (copies
// share the bound state) and converts to a OnceCallback.
#ifndef CEF_INCLUDE_BASE_CEF_CALLBACK_H_
#define CEF_INCLUDE_BASE_CEF_CALLBACK_H_
#pragma once

#include <cstddef>
#include <utility>

#include "include/base/cef_callback_forward.h"
#include "include/base/internal/cef_callback_internal.h"

namespace base {

template <typename R, typename... Args>
class OnceCallback<R(Args...)> {
 public:
  using ResultType = R;
  using RunType = R(Args...);
  using StatePtr = cef_internal::BindStatePtr<R, Args...>;

  constexpr OnceCallback() = default;
  OnceCallback(std::nullptr_t) = delete;

  explicit OnceCallback(StatePtr state) : state_(std::move(state)) {}

  OnceCallback(const OnceCallback&) = delete;
  OnceCallback& operator=(const OnceCallback&) = delete;
  OnceCallback(OnceCallback&&) noexcept = default;
  OnceCallback& operator=(OnceCallback&&) noexcept = default;

  // A repeating callback converts into a once callback that shares its state.
  OnceCallback(RepeatingCallback<RunType> other)
      : state_(std::move(other).TakeState()) {}
  OnceCallback& operator=(RepeatingCallback<RunType> other) {
    state_ = std::move(other).TakeState();
    return *this;
  }

  bool is_null() const { return !state_; }
  explicit operator bool() const { return !is_null(); }

  // Drops the bound function and arguments without running them.
  void Reset() { state_.reset(); }

  R Run(Args... args) const& {
    static_assert(!sizeof(*this),
                  "OnceCallback::Run() may only be invoked on a non-const "
                  "rvalue, i.e. std::move(callback).Run().");
  }

  // Runs the callback and leaves it null. The bound state is destroyed after
  // the call returns (unless a RepeatingCallback still shares it).
  R Run(Args... args) && {
    StatePtr state = std::move(state_);
    return state->Run(std::forward<Args>(args)...);
  }

 private:
  StatePtr state_;
};

template <typename R, typename... Args>
class RepeatingCallback<R(Args...)> {
 public:
  using ResultType = R;
  using RunType = R(Args...);
  using StatePtr = cef_internal::BindStatePtr<R, Args...>;

  constexpr RepeatingCallback() = default;
  RepeatingCallback(std::nullptr_t) = delete;

  explicit RepeatingCallback(StatePtr state) : state_(std::move(state)) {}

  RepeatingCallback(const RepeatingCallback&) = default;
  RepeatingCallback& operator=(const RepeatingCallback&) = default;
  RepeatingCallback(RepeatingCallback&&) noexcept = default;
  RepeatingCallback& operator=(RepeatingCallback&&) noexcept = default;

  bool is_null() const { return !state_; }
  explicit operator bool() const { return !is_null(); }

  void Reset() { state_.reset(); }

  // True when both run the same bound state (copies of one callback).
  bool operator==(const RepeatingCallback& other) const {
    return state_ == other.state_;
  }
  bool operator!=(const RepeatingCallback& other) const {
    return !operator==(other);
  }

  R Run(Args... args) const& { return state_->Run(std::forward<Args>(args)...); }

  // Running an rvalue runs it once and leaves it null.
  R Run(Args... args) && {
    StatePtr state = std::move(state_);
    return state->Run(std::forward<Args>(args)...);
  }

  StatePtr TakeState() && { return std::move(state_); }

 private:
  StatePtr state_;
};

}  // namespace base

#endif  // CEF_INCLUDE_BASE_CEF_CALLBACK_H_
