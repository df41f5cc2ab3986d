// Reference-counting base classes for objects that are not engine
// interfaces: base::RefCounted<T> (one thread) and
// base::RefCountedThreadSafe<T>. Engine interfaces use CefBaseRefCounted and
// IMPLEMENT_REFCOUNTING instead (include/cef_base.h).
#ifndef CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
#define CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
#pragma once

#include "include/base/cef_atomic_ref_count.h"
#include "include/base/cef_scoped_refptr.h"

namespace base {

template <class T, typename Traits>
class RefCounted;
template <class T, typename Traits>
class RefCountedThreadSafe;

// The default traits delete through the base class, which T befriends
// (friend class base::RefCounted<T>;) so that its destructor can stay
// private.
template <class T>
struct DefaultRefCountedTraits {
  static void Destruct(const T* x);
};

template <class T, typename Traits = DefaultRefCountedTraits<T>>
class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  bool HasOneRef() const { return ref_count_ == 1; }
  bool HasAtLeastOneRef() const { return ref_count_ >= 1; }

  void AddRef() const { ++ref_count_; }
  void Release() const {
    if (--ref_count_ == 0)
      Traits::Destruct(static_cast<const T*>(this));
  }

 protected:
  ~RefCounted() = default;

 private:
  friend struct DefaultRefCountedTraits<T>;
  static void DeleteInternal(const T* x) { delete x; }

  mutable int ref_count_ = 0;
};

template <class T>
void DefaultRefCountedTraits<T>::Destruct(const T* x) {
  RefCounted<T, DefaultRefCountedTraits<T>>::DeleteInternal(x);
}

template <class T>
struct DefaultRefCountedThreadSafeTraits {
  static void Destruct(const T* x);
};

template <class T, typename Traits = DefaultRefCountedThreadSafeTraits<T>>
class RefCountedThreadSafe {
 public:
  RefCountedThreadSafe() = default;
  RefCountedThreadSafe(const RefCountedThreadSafe&) = delete;
  RefCountedThreadSafe& operator=(const RefCountedThreadSafe&) = delete;

  bool HasOneRef() const { return ref_count_.IsOne(); }
  bool HasAtLeastOneRef() const { return !ref_count_.IsZero(); }

  void AddRef() const { ref_count_.Increment(); }
  void Release() const {
    if (!ref_count_.Decrement())
      Traits::Destruct(static_cast<const T*>(this));
  }

 protected:
  ~RefCountedThreadSafe() = default;

 private:
  friend struct DefaultRefCountedThreadSafeTraits<T>;
  static void DeleteInternal(const T* x) { delete x; }

  mutable AtomicRefCount ref_count_{0};
};

template <class T>
void DefaultRefCountedThreadSafeTraits<T>::Destruct(const T* x) {
  RefCountedThreadSafe<T, DefaultRefCountedThreadSafeTraits<T>>::DeleteInternal(x);
}

// A reference-counted holder of a plain value.
template <typename T>
class RefCountedData
    : public base::RefCountedThreadSafe<base::RefCountedData<T>> {
 public:
  RefCountedData() : data() {}
  RefCountedData(const T& in_value) : data(in_value) {}
  RefCountedData(T&& in_value) : data(std::move(in_value)) {}

  T data;

 private:
  friend class base::RefCountedThreadSafe<base::RefCountedData<T>>;
  ~RefCountedData() = default;
};

}  // namespace base

#endif  // CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
