// base::BindOnce and base::BindRepeating: bind a function and leading
// arguments into a callback.
//
//   // A free function.
//   base::BindOnce(&Log, CefString("ready"));
//   // A method; the CefRefPtr keeps the object alive until the callback is
//   // run or dropped.
//   base::BindOnce(&ClientHandler::Close, handler_ref, /*force=*/true);
//   // A method on an object that outlives the callback.
//   base::BindOnce(&CMainWnd::Refresh, base::Unretained(this));
//
// Bound arguments are stored as copies (or moves of rvalues). A once
// callback moves them into the call; a repeating callback passes them as
// lvalues. The remaining parameters are given to Run().
#ifndef CEF_INCLUDE_BASE_CEF_BIND_H_
#define CEF_INCLUDE_BASE_CEF_BIND_H_
#pragma once

#include <memory>
#include <utility>

#include "include/base/cef_callback.h"
#include "include/base/internal/cef_bind_internal.h"

namespace base {

template <typename Functor, typename... Args>
inline OnceCallback<typename cef_internal::UnboundRunTypeImpl<
    std::decay_t<Functor>,
    sizeof...(Args)>::Type>
BindOnce(Functor&& functor, Args&&... args) {
  using State = cef_internal::MakeBindStateType<true, Functor, Args...>;
  using Callback = OnceCallback<typename cef_internal::UnboundRunTypeImpl<
      std::decay_t<Functor>, sizeof...(Args)>::Type>;
  return Callback(std::make_shared<State>(std::forward<Functor>(functor),
                                          std::forward<Args>(args)...));
}

template <typename Functor, typename... Args>
inline RepeatingCallback<typename cef_internal::UnboundRunTypeImpl<
    std::decay_t<Functor>,
    sizeof...(Args)>::Type>
BindRepeating(Functor&& functor, Args&&... args) {
  using State = cef_internal::MakeBindStateType<false, Functor, Args...>;
  using Callback = RepeatingCallback<typename cef_internal::UnboundRunTypeImpl<
      std::decay_t<Functor>, sizeof...(Args)>::Type>;
  return Callback(std::make_shared<State>(std::forward<Functor>(functor),
                                          std::forward<Args>(args)...));
}

// Binds a pointer without keeping the object alive: the caller guarantees
// the object outlives the callback.
template <typename T>
inline cef_internal::UnretainedWrapper<T> Unretained(T* o) {
  return cef_internal::UnretainedWrapper<T>(o);
}

// Keeps a reference to the object; the function receives a raw pointer.
template <typename T>
inline cef_internal::RetainedRefWrapper<T> RetainedRef(T* o) {
  return cef_internal::RetainedRefWrapper<T>(o);
}
template <typename T>
inline cef_internal::RetainedRefWrapper<T> RetainedRef(scoped_refptr<T> o) {
  return cef_internal::RetainedRefWrapper<T>(std::move(o));
}

// The callback owns the object and deletes it with its bound state; the
// function receives a raw pointer.
template <typename T>
inline cef_internal::OwnedWrapper<T> Owned(T* o) {
  return cef_internal::OwnedWrapper<T>(o);
}
template <typename T, typename Deleter>
inline cef_internal::OwnedWrapper<T, Deleter> Owned(
    std::unique_ptr<T, Deleter>&& ptr) {
  return cef_internal::OwnedWrapper<T, Deleter>(std::move(ptr));
}

}  // namespace base

#endif  // CEF_INCLUDE_BASE_CEF_BIND_H_
