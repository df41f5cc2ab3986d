// Machinery behind base::BindOnce and base::BindRepeating: the signature of
// a functor, the signature left after binding, argument wrappers and the
// bound state. Do not include this file directly; include
// include/base/cef_bind.h.
#ifndef CEF_INCLUDE_BASE_INTERNAL_CEF_BIND_INTERNAL_H_
#define CEF_INCLUDE_BASE_INTERNAL_CEF_BIND_INTERNAL_H_
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

#include "include/base/cef_callback.h"
#include "include/base/cef_scoped_refptr.h"

namespace base {
namespace cef_internal {

// Argument wrappers (see base::Unretained, base::RetainedRef, base::Owned).
template <typename T>
class UnretainedWrapper {
 public:
  explicit UnretainedWrapper(T* o) : ptr_(o) {}
  T* get() const { return ptr_; }

 private:
  T* ptr_;
};

template <typename T>
class RetainedRefWrapper {
 public:
  explicit RetainedRefWrapper(T* o) : ptr_(o) {}
  explicit RetainedRefWrapper(scoped_refptr<T> o) : ptr_(std::move(o)) {}
  T* get() const { return ptr_.get(); }

 private:
  scoped_refptr<T> ptr_;
};

template <typename T, typename Deleter = std::default_delete<T>>
class OwnedWrapper {
 public:
  explicit OwnedWrapper(T* o) : ptr_(o) {}
  explicit OwnedWrapper(std::unique_ptr<T, Deleter>&& ptr)
      : ptr_(std::move(ptr)) {}
  T* get() const { return ptr_.get(); }

 private:
  std::unique_ptr<T, Deleter> ptr_;
};

// What the bound function receives for a stored argument: wrappers become
// their raw pointer, everything else is passed on (as an rvalue for a once
// callback, as an lvalue for a repeating one).
template <typename T>
struct Unwrapper {
  template <typename U>
  static U&& Unwrap(U&& o) {
    return std::forward<U>(o);
  }
};
template <typename T>
struct Unwrapper<UnretainedWrapper<T>> {
  static T* Unwrap(const UnretainedWrapper<T>& o) { return o.get(); }
};
template <typename T>
struct Unwrapper<RetainedRefWrapper<T>> {
  static T* Unwrap(const RetainedRefWrapper<T>& o) { return o.get(); }
};
template <typename T, typename D>
struct Unwrapper<OwnedWrapper<T, D>> {
  static T* Unwrap(const OwnedWrapper<T, D>& o) { return o.get(); }
};

// Type lists and the signature of a functor.
template <typename... Types>
struct TypeList {};

template <size_t n, typename List>
struct DropTypeListItemImpl;
template <size_t n, typename T, typename... List>
struct DropTypeListItemImpl<n, TypeList<T, List...>>
    : DropTypeListItemImpl<n - 1, TypeList<List...>> {};
template <typename T, typename... List>
struct DropTypeListItemImpl<0, TypeList<T, List...>> {
  using Type = TypeList<T, List...>;
};
template <>
struct DropTypeListItemImpl<0, TypeList<>> {
  using Type = TypeList<>;
};

template <typename R, typename List>
struct MakeFunctionTypeImpl;
template <typename R, typename... Args>
struct MakeFunctionTypeImpl<R, TypeList<Args...>> {
  using Type = R(Args...);
};

template <typename Signature>
struct ExtractArgsImpl;
template <typename R, typename... Args>
struct ExtractArgsImpl<R(Args...)> {
  using ReturnType = R;
  using ArgsList = TypeList<Args...>;
  static constexpr size_t kArity = sizeof...(Args);
};

// FunctorTraits<F>::RunType is the signature F is called with; for a member
// function the receiver comes first.
template <typename Functor, typename = void>
struct FunctorTraits;

// Lambdas and other objects with one operator().
template <typename Method>
struct CallOperatorTraits;
template <typename R, typename C, typename... Args>
struct CallOperatorTraits<R (C::*)(Args...)> {
  using RunType = R(Args...);
};
template <typename R, typename C, typename... Args>
struct CallOperatorTraits<R (C::*)(Args...) const> {
  using RunType = R(Args...);
};
template <typename R, typename C, typename... Args>
struct CallOperatorTraits<R (C::*)(Args...) noexcept> {
  using RunType = R(Args...);
};
template <typename R, typename C, typename... Args>
struct CallOperatorTraits<R (C::*)(Args...) const noexcept> {
  using RunType = R(Args...);
};

template <typename Functor>
struct FunctorTraits<Functor, std::void_t<decltype(&Functor::operator())>>
    : CallOperatorTraits<decltype(&Functor::operator())> {
  static constexpr bool is_method = false;
};

template <typename R, typename... Args>
struct FunctorTraits<R (*)(Args...)> {
  using RunType = R(Args...);
  static constexpr bool is_method = false;
};
template <typename R, typename... Args>
struct FunctorTraits<R (*)(Args...) noexcept> {
  using RunType = R(Args...);
  static constexpr bool is_method = false;
};
#if defined(_WIN32) && !defined(_WIN64)
template <typename R, typename... Args>
struct FunctorTraits<R(__stdcall*)(Args...)> {
  using RunType = R(Args...);
  static constexpr bool is_method = false;
};
#endif
template <typename R, typename C, typename... Args>
struct FunctorTraits<R (C::*)(Args...)> {
  using RunType = R(C*, Args...);
  static constexpr bool is_method = true;
};
template <typename R, typename C, typename... Args>
struct FunctorTraits<R (C::*)(Args...) const> {
  using RunType = R(const C*, Args...);
  static constexpr bool is_method = true;
};
template <typename R, typename C, typename... Args>
struct FunctorTraits<R (C::*)(Args...) noexcept> {
  using RunType = R(C*, Args...);
  static constexpr bool is_method = true;
};
template <typename R, typename C, typename... Args>
struct FunctorTraits<R (C::*)(Args...) const noexcept> {
  using RunType = R(const C*, Args...);
  static constexpr bool is_method = true;
};

// Binding one callback into another.
template <typename R, typename... Args>
struct FunctorTraits<OnceCallback<R(Args...)>> {
  using RunType = R(Args...);
  static constexpr bool is_method = false;
};
template <typename R, typename... Args>
struct FunctorTraits<RepeatingCallback<R(Args...)>> {
  using RunType = R(Args...);
  static constexpr bool is_method = false;
};

// The signature left once `num_bound` leading parameters are bound.
template <typename Functor, size_t num_bound>
struct UnboundRunTypeImpl {
  using RunType = typename FunctorTraits<Functor>::RunType;
  using Extracted = ExtractArgsImpl<RunType>;
  static_assert(num_bound <= Extracted::kArity,
                "Too many arguments bound for the function.");
  using Type = typename MakeFunctionTypeImpl<
      typename Extracted::ReturnType,
      typename DropTypeListItemImpl<num_bound,
                                    typename Extracted::ArgsList>::Type>::Type;
};

// The receiver of a member call: a raw pointer, or anything with get().
template <typename T>
T* ReceiverPointer(T* p) {
  return p;
}
template <typename T>
T* ReceiverPointer(const scoped_refptr<T>& p) {
  return p.get();
}

// Calls the functor. Member functions go through their receiver; callbacks
// are run as once or repeating as their type says.
template <typename Functor>
struct Invoker {
  template <typename F, typename... Params>
  static decltype(auto) Call(F&& functor, Params&&... params) {
    return std::invoke(std::forward<F>(functor),
                       std::forward<Params>(params)...);
  }
};
template <typename R, typename... Args>
struct Invoker<OnceCallback<R(Args...)>> {
  template <typename F, typename... Params>
  static R Call(F&& callback, Params&&... params) {
    return std::move(callback).Run(std::forward<Params>(params)...);
  }
};
template <typename R, typename... Args>
struct Invoker<RepeatingCallback<R(Args...)>> {
  template <typename F, typename... Params>
  static R Call(F&& callback, Params&&... params) {
    return callback.Run(std::forward<Params>(params)...);
  }
};

template <bool is_method>
struct MethodCaller {
  template <typename Functor, typename Receiver, typename... Params>
  static decltype(auto) Call(Functor&& f, Receiver&& r, Params&&... params) {
    return std::invoke(std::forward<Functor>(f), ReceiverPointer(r),
                       std::forward<Params>(params)...);
  }
};
template <>
struct MethodCaller<false> {
  template <typename Functor, typename... Params>
  static decltype(auto) Call(Functor&& f, Params&&... params) {
    return Invoker<std::decay_t<Functor>>::Call(std::forward<Functor>(f),
                                                std::forward<Params>(params)...);
  }
};

// The functor and its bound arguments, stored by value. A once state moves
// them into the call; a repeating state passes them as lvalues.
template <bool is_once, typename Functor, typename Signature,
          typename... Bound>
class BindState;

template <bool is_once, typename Functor, typename R, typename... Args,
          typename... Bound>
class BindState<is_once, Functor, R(Args...), Bound...>
    : public BindStateBase<R, Args...> {
 public:
  template <typename F, typename... B>
  explicit BindState(F&& functor, B&&... bound)
      : functor_(std::forward<F>(functor)),
        bound_(std::forward<B>(bound)...) {}

  R Run(Args... args) override {
    return RunImpl(std::index_sequence_for<Bound...>(),
                   std::forward<Args>(args)...);
  }

 private:
  template <size_t... I>
  R RunImpl(std::index_sequence<I...>, Args&&... args) {
    constexpr bool is_method = FunctorTraits<Functor>::is_method;
    if constexpr (is_once) {
      return MethodCaller<is_method>::Call(
          std::move(functor_),
          Unwrapper<std::tuple_element_t<I, std::tuple<Bound...>>>::Unwrap(
              std::move(std::get<I>(bound_)))...,
          std::forward<Args>(args)...);
    } else {
      return MethodCaller<is_method>::Call(
          functor_,
          Unwrapper<std::tuple_element_t<I, std::tuple<Bound...>>>::Unwrap(
              std::get<I>(bound_))...,
          std::forward<Args>(args)...);
    }
  }

  Functor functor_;
  std::tuple<Bound...> bound_;
};

template <bool is_once, typename Functor, typename... Bound>
using MakeBindStateType =
    BindState<is_once, std::decay_t<Functor>,
              typename UnboundRunTypeImpl<std::decay_t<Functor>,
                                          sizeof...(Bound)>::Type,
              std::decay_t<Bound>...>;

}  // namespace cef_internal
}  // namespace base

#endif  // CEF_INCLUDE_BASE_INTERNAL_CEF_BIND_INTERNAL_H_
