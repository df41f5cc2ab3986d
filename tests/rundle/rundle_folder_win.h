// Test helpers for driving the real Rundle.exe under Wine: a fresh folder
// with a copy of the program and its Rundle.ini, the run, the log it wrote,
// and small file utilities. Everything a test creates is removed again.
#pragma once

#include "win_include.h"

#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace rundle_test {

// Build-tree paths come in as Linux paths; Wine sees them below Z:.
inline std::wstring FromHostPath(const char* path) {
  std::wstring out = L"Z:";
  for (const char* p = path; *p; ++p) out += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
  return out;
}

inline std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }
inline std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += static_cast<char>(c < 128 ? c : '?');
  return out;
}

inline bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f) << Narrow(path) << " error " << GetLastError();
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

inline std::string ReadFileBytes(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::string("<missing>");
  std::string out;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  CloseHandle(f);
  return out;
}

// Removes a file or a whole tree, clearing read-only and system first.
inline void RemoveTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

// Names in a folder (not recursive), sorted by the platform's listing.
inline std::vector<std::wstring> ListNames(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

inline std::wstring ExpandEnv(const wchar_t* text) {
  wchar_t buffer[32768] = {};
  ExpandEnvironmentStringsW(text, buffer, 32768);
  return buffer;
}

inline std::wstring KnownFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
  return buffer;
}

inline bool WaitForFile(const std::wstring& path, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 20) {
    if (Exists(path)) return true;
    Sleep(20);
  }
  return Exists(path);
}

// How a probe program (start_probe.exe under some name) was started.
struct ProbeRecord {
  bool present = false;
  std::string commandLine;
  std::string directory;
};

inline ProbeRecord ReadProbe(const std::wstring& programPath, int waitMilliseconds = 0) {
  ProbeRecord r;
  const std::wstring record = programPath + L".rec";
  if (waitMilliseconds > 0) WaitForFile(record, waitMilliseconds);
  if (!Exists(record)) return r;
  const std::string text = ReadFileBytes(record);
  const size_t first = text.find('\n');
  r.present = true;
  r.commandLine = text.substr(0, first);
  if (first != std::string::npos) r.directory = text.substr(first + 1, text.find('\n', first + 1) - first - 1);
  return r;
}

inline bool CopyProgram(const char* hostPath, const std::wstring& to) {
  return CopyFileW(FromHostPath(hostPath).c_str(), to.c_str(), FALSE) != FALSE;
}

// A fresh folder holding Rundle.exe and the Rundle.ini a test writes.
class RundleFolder {
 public:
  // `dir` is created empty (after removing what an earlier run left).
  explicit RundleFolder(const std::wstring& dir) : dir_(dir) {
    RemoveTree(dir_);
    SHCreateDirectoryExW(nullptr, dir_.c_str(), nullptr);
    EXPECT_TRUE(CopyProgram(RUNDLE_EXE, Path(L"Rundle.exe"))) << "copying Rundle.exe";
  }
  ~RundleFolder() {
    if (!keep_) RemoveTree(dir_);
  }

  const std::wstring& dir() const { return dir_; }
  std::wstring base() const { return dir_ + L"\\"; }
  std::wstring Path(const std::wstring& relative) const { return dir_ + L"\\" + relative; }

  void WriteIni(const std::string& text) { WriteFileBytes(Path(L"Rundle.ini"), text); }

  // Starts Rundle.exe (its current directory is elsewhere on purpose: all
  // of its paths must come from its own location). `environment`, when
  // given, is a complete Unicode environment block.
  HANDLE Start(const std::wstring* environment = nullptr) {
    std::wstring line = L"\"" + Path(L"Rundle.exe") + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring block = environment ? *environment : std::wstring();
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        environment ? CREATE_UNICODE_ENVIRONMENT : 0,
                        environment ? block.data() : nullptr, windows, &si, &pi)) {
      ADD_FAILURE() << "cannot start Rundle.exe, error " << GetLastError();
      return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
  }

  // Runs Rundle.exe to its end; returns its exit code (or -1 on time-out).
  int Run(DWORD timeoutMs = 60000, const std::wstring* environment = nullptr) {
    HANDLE process = Start(environment);
    if (!process) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process, &code);
    } else {
      ADD_FAILURE() << "Rundle.exe did not end";
      TerminateProcess(process, 1);
    }
    CloseHandle(process);
    return static_cast<int>(code);
  }

  // The whole log of the run (every file in log\).
  std::string Log() const {
    std::string text;
    for (const std::wstring& name : ListNames(Path(L"log"))) text += ReadFileBytes(Path(L"log\\" + name));
    return text;
  }

  void Keep() { keep_ = true; }

 private:
  std::wstring dir_;
  bool keep_ = false;
};

// This process's environment without the variables named (upper case,
// with "="), as a block for CreateProcessW.
inline std::wstring EnvironmentWithout(const std::vector<std::wstring>& names) {
  std::wstring block;
  wchar_t* all = GetEnvironmentStringsW();
  for (const wchar_t* p = all; *p; p += wcslen(p) + 1) {
    std::wstring entry = p;
    std::wstring upper = entry;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    bool drop = false;
    for (const std::wstring& name : names) drop = drop || upper.compare(0, name.size(), name) == 0;
    if (!drop) block += entry + L'\0';
  }
  FreeEnvironmentStringsW(all);
  block += L'\0';
  return block;
}

// The folder of the test program; test folders go below it (build tree).
inline std::wstring TestRoot() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.rfind(L'\\')) + L"\\rundle_start_work";
}

inline std::wstring CurrentTestName() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  return Widen(std::string(info->test_suite_name()) + "_" + info->name());
}

inline bool Contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

inline size_t CountOf(const std::string& text, const std::string& piece) {
  size_t n = 0;
  for (size_t pos = text.find(piece); pos != std::string::npos; pos = text.find(piece, pos + 1)) ++n;
  return n;
}

}  // namespace rundle_test
