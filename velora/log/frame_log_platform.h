// The few platform services the log writer needs, behind a neutral face:
// frame_log_win.cpp (Win32) and frame_log_posix.cpp (the host, where a
// backslash in a path stands for "/", so the writer's Windows paths work
// on the host's files in tests).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// A recursive lock: a critical section (spin count 0) on Windows.
class LogLock {
 public:
  LogLock();
  ~LogLock();
  LogLock(const LogLock&) = delete;
  LogLock& operator=(const LogLock&) = delete;
  void Lock();
  void Unlock();

 private:
  alignas(8) unsigned char storage_[64];
};

class LogLockGuard {
 public:
  explicit LogLockGuard(LogLock& lock) : lock_(lock) { lock_.Lock(); }
  ~LogLockGuard() { lock_.Unlock(); }
  LogLockGuard(const LogLockGuard&) = delete;
  LogLockGuard& operator=(const LogLockGuard&) = delete;

 private:
  LogLock& lock_;
};

namespace logplatform {

// Full path of the running program file, read into a zero-filled buffer of
// `capacity` characters; false on failure.
bool ModulePath(std::wstring* path, size_t capacity);
// Creates one folder. 0 when made, kAlreadyExists when it was there, else
// the platform's error number.
constexpr int kAlreadyExists = -1;
int MakeDirectory(const std::wstring& path);
// Full paths (folder of the pattern + found name) of the files matching one
// wildcard pattern, "." and ".." left out.
void ListFiles(const std::wstring& pattern, std::vector<std::wstring>* paths);
void DeleteFileAt(const std::wstring& path);
// Opens for appending and reading, in text mode ("a+").
std::FILE* OpenAppend(const std::wstring& path);
void DebugOutput(const wchar_t* text);
unsigned ProcessId();
unsigned ThreadId();
// A narrow text in the current thread's ANSI code page, widened into
// out[0..capacity) with a terminator.
void WidenAnsi(const char* text, wchar_t* out, size_t capacity);
// The error number of the last failed call, for the log's own messages.
int LastError();

}  // namespace logplatform
