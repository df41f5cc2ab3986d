// Base of every engine interface: CefBaseRefCounted, and
// IMPLEMENT_REFCOUNTING, which gives a concrete class a thread-safe count and
// deletes the object on its last Release().
//
//   class ClientHandler : public CefClient {
//     ...
//     IMPLEMENT_REFCOUNTING(ClientHandler);
//   };
#ifndef CEF_INCLUDE_CEF_BASE_H_
#define CEF_INCLUDE_CEF_BASE_H_
#pragma once

#include "include/base/cef_atomic_ref_count.h"
#include "include/base/cef_build.h"
#include "include/base/cef_macros.h"
#include "include/internal/cef_ptr.h"
#include "include/internal/cef_types_wrappers.h"

#if defined(OS_WIN)
#include "include/internal/cef_win.h"
#else
#include "include/internal/cef_linux.h"
#endif

// Interfaces derive from this class virtually, so one object implementing
// several interfaces has one count.
class CefBaseRefCounted {
 public:
  virtual void AddRef() const = 0;
  // Returns true when this call released the last reference (the object is
  // then gone).
  virtual bool Release() const = 0;
  virtual bool HasOneRef() const = 0;
  virtual bool HasAtLeastOneRef() const = 0;

 protected:
  virtual ~CefBaseRefCounted() {}
};

// Base of engine objects owned by one holder (not counted).
class CefBaseScoped {
 public:
  virtual ~CefBaseScoped() {}
};

// The counter behind IMPLEMENT_REFCOUNTING.
class CefRefCount {
 public:
  CefRefCount() = default;
  CefRefCount(const CefRefCount&) = delete;
  CefRefCount& operator=(const CefRefCount&) = delete;

  void AddRef() const { ref_count_.Increment(); }
  // True when the count has dropped to zero.
  bool Release() const { return !ref_count_.Decrement(); }
  bool HasOneRef() const { return ref_count_.IsOne(); }
  bool HasAtLeastOneRef() const { return !ref_count_.IsZero(); }

 private:
  mutable base::AtomicRefCount ref_count_{0};
};

#define IMPLEMENT_REFCOUNTING(ClassName)                             \
 public:                                                             \
  void AddRef() const override { ref_count_.AddRef(); }              \
  bool Release() const override {                                    \
    if (ref_count_.Release()) {                                      \
      delete static_cast<const ClassName*>(this);                    \
      return true;                                                   \
    }                                                                \
    return false;                                                    \
  }                                                                  \
  bool HasOneRef() const override { return ref_count_.HasOneRef(); } \
  bool HasAtLeastOneRef() const override {                           \
    return ref_count_.HasAtLeastOneRef();                            \
  }                                                                  \
                                                                     \
 private:                                                            \
  CefRefCount ref_count_

#endif  // CEF_INCLUDE_CEF_BASE_H_
