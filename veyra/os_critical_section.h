// A recursive lock around one platform critical section, and its scoped
// guard. The operations are virtual (destructor, Lock, Unlock, in this
// order), as the bar-client server link and its creation lock use them.
#pragma once

#include "win_include.h"

namespace OS {

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  virtual ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  virtual void Lock() { EnterCriticalSection(&section_); }
  virtual void Unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class ScopedLock {
 public:
  explicit ScopedLock(CriticalSection& lock) : lock_(lock) { lock_.Lock(); }
  ~ScopedLock() { lock_.Unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  CriticalSection& lock_;
};

}  // namespace OS
