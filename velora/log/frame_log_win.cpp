// The log writer's Win32 services.
#include <fcntl.h>
#include <io.h>

#include <cwchar>
#include <new>

#include "frame_log_platform.h"
#include "win_include.h"

static_assert(sizeof(CRITICAL_SECTION) <= 64, "LogLock storage too small");

LogLock::LogLock() {
  InitializeCriticalSectionAndSpinCount(reinterpret_cast<CRITICAL_SECTION*>(storage_), 0);
}
LogLock::~LogLock() { DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }
void LogLock::Lock() { EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }
void LogLock::Unlock() { LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }

namespace logplatform {

bool ModulePath(std::wstring* path, size_t capacity) {
  std::wstring buffer(capacity, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(capacity));
  if (n == 0) return false;
  buffer.resize(std::wcslen(buffer.c_str()));
  *path = buffer;
  return true;
}

int MakeDirectory(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS ? kAlreadyExists : static_cast<int>(error);
}

void ListFiles(const std::wstring& pattern, std::vector<std::wstring>* paths) {
  const size_t cut = pattern.find_last_of(L"\\/:");
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : pattern.substr(0, cut + 1);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) continue;
    paths->push_back(folder + found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void DeleteFileAt(const std::wstring& path) { DeleteFileW(path.c_str()); }

std::FILE* OpenAppend(const std::wstring& path) { return _wfopen(path.c_str(), L"a+"); }

void DebugOutput(const wchar_t* text) { OutputDebugStringW(text); }

unsigned ProcessId() { return GetCurrentProcessId(); }
unsigned ThreadId() { return GetCurrentThreadId(); }

void WidenAnsi(const char* text, wchar_t* out, size_t capacity) {
  if (capacity == 0) return;
  out[0] = L'\0';
  if (!text || !*text) return;
  const int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, out, static_cast<int>(capacity));
  // Too long for the buffer: keep what fitted.
  if (n == 0) {
    const int all = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (all > 0) {
      wchar_t* whole = new (std::nothrow) wchar_t[static_cast<size_t>(all)];
      if (whole) {
        MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, whole, all);
        std::wcsncpy(out, whole, capacity - 1);
        delete[] whole;
      }
    }
  }
  out[capacity - 1] = L'\0';
}

int LastError() { return static_cast<int>(GetLastError()); }

}  // namespace logplatform
