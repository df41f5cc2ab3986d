// scoped_refptr<T>: a counted reference to an object that has AddRef() and
// Release(). It adds a reference when it takes a pointer and drops it when it
// lets go; the object deletes itself on its last Release().
//
//   CefRefPtr<ClientHandler> handler = new ClientHandler();  // count 1
//   CefRefPtr<CefClient> client = handler;                   // count 2
//   handler = nullptr;                                       // count 1
#ifndef CEF_INCLUDE_BASE_CEF_SCOPED_REFPTR_H_
#define CEF_INCLUDE_BASE_CEF_SCOPED_REFPTR_H_
#pragma once

#include <stddef.h>

#include <functional>
#include <ostream>
#include <type_traits>
#include <utility>

template <class T>
class scoped_refptr;

namespace base {

// Wraps an object that already carries one reference (for example one made
// with a count of 1) without adding another.
template <typename T>
scoped_refptr<T> AdoptRef(T* t);

// new T(args...) held by a scoped_refptr.
template <typename T, typename... Args>
scoped_refptr<T> MakeRefCounted(Args&&... args) {
  return scoped_refptr<T>(new T(std::forward<Args>(args)...));
}

// Wraps a raw pointer, adding a reference.
template <typename T>
scoped_refptr<T> WrapRefCounted(T* t) {
  return scoped_refptr<T>(t);
}

}  // namespace base

template <class T>
class scoped_refptr {
 public:
  typedef T element_type;

  constexpr scoped_refptr() = default;
  constexpr scoped_refptr(std::nullptr_t) {}

  // Implicit from a raw pointer, as in CEF: adds a reference.
  scoped_refptr(T* p) : ptr_(p) {
    if (ptr_)
      AddRef(ptr_);
  }

  scoped_refptr(const scoped_refptr& r) : scoped_refptr(r.ptr_) {}

  template <typename U,
            typename = typename std::enable_if<
                std::is_convertible<U*, T*>::value>::type>
  scoped_refptr(const scoped_refptr<U>& r) : scoped_refptr(r.get()) {}

  scoped_refptr(scoped_refptr&& r) noexcept : ptr_(r.ptr_) { r.ptr_ = nullptr; }

  template <typename U,
            typename = typename std::enable_if<
                std::is_convertible<U*, T*>::value>::type>
  scoped_refptr(scoped_refptr<U>&& r) noexcept : ptr_(r.release()) {}

  ~scoped_refptr() {
    if (ptr_)
      Release(ptr_);
  }

  T* get() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  T* operator->() const { return ptr_; }

  scoped_refptr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }
  scoped_refptr& operator=(T* p) { return *this = scoped_refptr(p); }
  // Copy and move both go through a swap with a temporary, so assigning a
  // reference to itself (or to the object it already holds) is safe.
  scoped_refptr& operator=(scoped_refptr r) noexcept {
    swap(r);
    return *this;
  }

  void reset() { scoped_refptr().swap(*this); }

  // Gives up the reference without releasing it; the caller now owns it.
  T* release() {
    T* ptr = ptr_;
    ptr_ = nullptr;
    return ptr;
  }

  void swap(scoped_refptr& r) noexcept { std::swap(ptr_, r.ptr_); }

  explicit operator bool() const { return ptr_ != nullptr; }

  template <typename U>
  bool operator==(const scoped_refptr<U>& rhs) const {
    return ptr_ == rhs.get();
  }
  template <typename U>
  bool operator!=(const scoped_refptr<U>& rhs) const {
    return !operator==(rhs);
  }
  template <typename U>
  bool operator<(const scoped_refptr<U>& rhs) const {
    return ptr_ < rhs.get();
  }

 protected:
  T* ptr_ = nullptr;

 private:
  template <typename U>
  friend scoped_refptr<U> base::AdoptRef(U*);

  enum AdoptRefTag { kAdoptRefTag };
  scoped_refptr(T* p, AdoptRefTag) : ptr_(p) {}

  static void AddRef(T* ptr) { ptr->AddRef(); }
  static void Release(T* ptr) { ptr->Release(); }
};

namespace base {

template <typename T>
scoped_refptr<T> AdoptRef(T* obj) {
  return scoped_refptr<T>(obj, scoped_refptr<T>::kAdoptRefTag);
}

}  // namespace base

template <typename T, typename U>
bool operator==(const scoped_refptr<T>& lhs, const U* rhs) {
  return lhs.get() == rhs;
}
template <typename T, typename U>
bool operator==(const T* lhs, const scoped_refptr<U>& rhs) {
  return lhs == rhs.get();
}
template <typename T>
bool operator==(const scoped_refptr<T>& lhs, std::nullptr_t) {
  return !static_cast<bool>(lhs);
}
template <typename T>
bool operator==(std::nullptr_t, const scoped_refptr<T>& rhs) {
  return !static_cast<bool>(rhs);
}
template <typename T, typename U>
bool operator!=(const scoped_refptr<T>& lhs, const U* rhs) {
  return !operator==(lhs, rhs);
}
template <typename T, typename U>
bool operator!=(const T* lhs, const scoped_refptr<U>& rhs) {
  return !operator==(lhs, rhs);
}
template <typename T>
bool operator!=(const scoped_refptr<T>& lhs, std::nullptr_t null) {
  return !operator==(lhs, null);
}
template <typename T>
bool operator!=(std::nullptr_t null, const scoped_refptr<T>& rhs) {
  return !operator==(null, rhs);
}

template <typename T>
std::ostream& operator<<(std::ostream& out, const scoped_refptr<T>& p) {
  return out << static_cast<const void*>(p.get());
}

template <typename T>
void swap(scoped_refptr<T>& lhs, scoped_refptr<T>& rhs) noexcept {
  lhs.swap(rhs);
}

namespace std {
template <typename T>
struct hash<scoped_refptr<T>> {
  size_t operator()(const scoped_refptr<T>& p) const {
    return hash<T*>()(p.get());
  }
};
}  // namespace std

#endif  // CEF_INCLUDE_BASE_CEF_SCOPED_REFPTR_H_
