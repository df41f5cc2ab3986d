// Milliseconds since this process started, for the start-up timing lines.
#pragma once

#include "win_include.h"

inline unsigned long long MsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER a, b;
  a.LowPart = created.dwLowDateTime;
  a.HighPart = created.dwHighDateTime;
  b.LowPart = now.dwLowDateTime;
  b.HighPart = now.dwHighDateTime;
  return b.QuadPart > a.QuadPart ? (b.QuadPart - a.QuadPart) / 10000 : 0;
}

// When this process started, in milliseconds since 1970.
inline unsigned long long ProcessStartEpochMs() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ULARGE_INTEGER a;
  a.LowPart = created.dwLowDateTime;
  a.HighPart = created.dwHighDateTime;
  return a.QuadPart / 10000 - 11644473600000ull;  // FILETIME counts from 1601
}
