// Storage behind base::OnceCallback and base::RepeatingCallback: a bound
// function with its bound arguments, run through one virtual call. Do not
// include this file directly; include include/base/cef_callback.h.
#ifndef CEF_INCLUDE_BASE_INTERNAL_CEF_CALLBACK_INTERNAL_H_
#define CEF_INCLUDE_BASE_INTERNAL_CEF_CALLBACK_INTERNAL_H_
#pragma once

#include <memory>
#include <utility>

namespace base {
namespace cef_internal {

// A bound call with the signature R(Args...). Destroying it destroys the
// bound arguments (and so releases bound references).
template <typename R, typename... Args>
class BindStateBase {
 public:
  virtual ~BindStateBase() = default;
  virtual R Run(Args... args) = 0;
};

template <typename R, typename... Args>
using BindStatePtr = std::shared_ptr<BindStateBase<R, Args...>>;

}  // namespace cef_internal
}  // namespace base

#endif  // CEF_INCLUDE_BASE_INTERNAL_CEF_CALLBACK_INTERNAL_H_
