// The log writer's services on the host, where the neutral rules and the
// writer are tested. A backslash in a path is taken for "/".
#include <dirent.h>
#include <errno.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <mutex>
#include <new>

#include "frame_log_platform.h"
#include "log_rules.h"

static_assert(sizeof(std::recursive_mutex) <= 64, "LogLock storage too small");

LogLock::LogLock() { new (storage_) std::recursive_mutex(); }
LogLock::~LogLock() { reinterpret_cast<std::recursive_mutex*>(storage_)->~recursive_mutex(); }
void LogLock::Lock() { reinterpret_cast<std::recursive_mutex*>(storage_)->lock(); }
void LogLock::Unlock() { reinterpret_cast<std::recursive_mutex*>(storage_)->unlock(); }

namespace {

std::string HostPath(const std::wstring& path) {
  std::wstring slashed = path;
  for (wchar_t& c : slashed)
    if (c == L'\\') c = L'/';
  std::string out(slashed.size() * 4 + 1, '\0');
  out.resize(EncodeUtf8(slashed.data(), slashed.size(), &out[0], out.size()));
  return out;
}

std::wstring WidePath(const std::string& path) {
  std::wstring out;
  for (unsigned char c : path) out += static_cast<wchar_t>(c);
  return out;
}

}  // namespace

namespace logplatform {

bool ModulePath(std::wstring* path, size_t capacity) {
  char buffer[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return false;
  std::wstring wide = WidePath(std::string(buffer, static_cast<size_t>(n)));
  if (wide.size() >= capacity) wide.resize(capacity - 1);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  *path = wide;
  return true;
}

int MakeDirectory(const std::wstring& path) {
  if (mkdir(HostPath(path).c_str(), 0777) == 0) return 0;
  return errno == EEXIST ? kAlreadyExists : errno;
}

void ListFiles(const std::wstring& pattern, std::vector<std::wstring>* paths) {
  const size_t cut = pattern.find_last_of(L"\\/");
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : pattern.substr(0, cut + 1);
  const std::string name = HostPath(pattern.substr(folder.size()));
  DIR* dir = opendir(folder.empty() ? "." : HostPath(folder).c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    const std::string found = entry->d_name;
    if (found == "." || found == "..") continue;
    // Windows matches names without regard to case.
    if (fnmatch(name.c_str(), found.c_str(), FNM_CASEFOLD) == 0) paths->push_back(folder + WidePath(found));
  }
  closedir(dir);
}

void DeleteFileAt(const std::wstring& path) { std::remove(HostPath(path).c_str()); }

std::FILE* OpenAppend(const std::wstring& path) { return std::fopen(HostPath(path).c_str(), "a+"); }

void DebugOutput(const wchar_t* text) { std::fprintf(stderr, "%ls", text); }

unsigned ProcessId() { return static_cast<unsigned>(getpid()); }
unsigned ThreadId() {
  // One system call per thread, not per line.
  thread_local const unsigned id = static_cast<unsigned>(syscall(SYS_gettid));
  return id;
}

void WidenAnsi(const char* text, wchar_t* out, size_t capacity) {
  if (capacity == 0) return;
  size_t n = 0;
  for (; text && text[n] && n + 1 < capacity; ++n) out[n] = static_cast<unsigned char>(text[n]);
  out[n] = L'\0';
}

int LastError() { return errno; }

}  // namespace logplatform
