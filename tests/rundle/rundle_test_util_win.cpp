#include "rundle_test_util_win.h"

#include <tlhelp32.h>

#include <cstdint>
#include <ctime>

namespace rundle_test {

namespace {

using Bytes = std::vector<uint8_t>;

void PutWord(Bytes& b, WORD w) {
  b.push_back(static_cast<uint8_t>(w & 0xff));
  b.push_back(static_cast<uint8_t>(w >> 8));
}

void PutDword(Bytes& b, DWORD d) {
  PutWord(b, static_cast<WORD>(d & 0xffff));
  PutWord(b, static_cast<WORD>(d >> 16));
}

void PutWide(Bytes& b, const std::wstring& s) {
  for (wchar_t c : s) PutWord(b, static_cast<WORD>(c));
  PutWord(b, 0);
}

void Align4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

// One block of a VS_VERSIONINFO tree: length, value length, type, key,
// padding, value, padding, children. Lengths exclude the trailing padding.
Bytes Node(const std::wstring& key, WORD type, const Bytes& value, WORD valueLength,
           const std::vector<Bytes>& children) {
  Bytes b;
  PutWord(b, 0);
  PutWord(b, valueLength);
  PutWord(b, type);
  PutWide(b, key);
  Align4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    Align4(b);
    b.insert(b.end(), child.begin(), child.end());
  }
  b[0] = static_cast<uint8_t>(b.size() & 0xff);
  b[1] = static_cast<uint8_t>(b.size() >> 8);
  return b;
}

Bytes StringNode(const std::wstring& key, const std::wstring& text) {
  Bytes value;
  PutWide(value, text);
  return Node(key, 1, value, static_cast<WORD>(text.size() + 1), {});
}

Bytes VersionResource(const VersionInfo& info) {
  Bytes fixed;
  PutDword(fixed, 0xFEEF04BD);
  PutDword(fixed, 0x00010000);
  for (int i = 0; i < 11; ++i) PutDword(fixed, 0);
  std::vector<Bytes> strings;
  if (info.hasName) strings.push_back(StringNode(L"ProductName", info.productName));
  if (info.hasVersion) strings.push_back(StringNode(L"ProductVersion", info.productVersion));
  strings.push_back(StringNode(L"CompanyName", L"Test"));
  std::vector<Bytes> children;
  children.push_back(Node(L"StringFileInfo", 1, {}, 0, {Node(L"040904b0", 1, {}, 0, strings)}));
  if (info.hasTranslation) {
    Bytes translation;
    PutWord(translation, 0x0409);
    PutWord(translation, 0x04b0);
    children.push_back(Node(L"VarFileInfo", 1, {}, 0, {Node(L"Translation", 0, translation, 4, {})}));
  }
  return Node(L"VS_VERSION_INFO", 0, fixed, static_cast<WORD>(fixed.size()), children);
}

bool MainModuleVisible(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  const bool found = Module32FirstW(snapshot, &module) != FALSE;
  CloseHandle(snapshot);
  return found;
}

// Starts `exe` with `output` as its standard output and error. Rundle ends
// by itself and starts nothing here that outlives it, so the handles it
// inherits go away with it.
BOOL StartWithOutput(const std::wstring& exe, const std::wstring& directory, HANDLE output,
                     PROCESS_INFORMATION* process) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  std::wstring commandLine = L"\"" + exe + L"\" ignored arguments";
  return CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        directory.c_str(), &startup, process);
}

}  // namespace

std::wstring HostPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

std::wstring FreshFolder(const std::wstring& name) {
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring root = std::wstring(current) + L"\\rundle_runs";
  // The first call of a test process clears what earlier runs left. Every
  // folder gets a name of its own: under Wine a file of an ended process can
  // stay locked for a while, so names are never reused within a run.
  static bool cleared = false;
  if (!cleared) {
    RemoveTree(root);
    cleared = true;
  }
  CreateDirectoryW(root.c_str(), nullptr);
  static unsigned counter = 0;
  const std::wstring folder =
      root + L"\\" + name + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
  RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Gbk(const std::string& utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
  return out;
}

bool StampVersion(const std::wstring& exePath, const VersionInfo& info) {
  const Bytes data = VersionResource(info);
  HANDLE update = BeginUpdateResourceW(exePath.c_str(), FALSE);
  if (!update) return false;
  const BOOL ok = UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                  const_cast<uint8_t*>(data.data()), static_cast<DWORD>(data.size()));
  return EndUpdateResourceW(update, !ok) && ok;
}

FakeClient::FakeClient(const std::wstring& folder, const std::wstring& fileName,
                       const VersionInfo* version)
    : path_(folder + L"\\" + fileName) {
  if (!CopyFileW(HostPath(RUNDLE_FAKE_CLIENT_EXE).c_str(), path_.c_str(), FALSE)) return;
  if (version && !StampVersion(path_, *version)) return;
  // Detached and without inherited handles: a client that outlived a failed
  // test must not hold the test runner's output pipe open.
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + path_ + L"\"";
  const BOOL started = CreateProcessW(path_.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                      DETACHED_PROCESS, nullptr, folder.c_str(), &startup, &process);
  if (!started) return;
  CloseHandle(process.hThread);
  process_ = process.hProcess;
  // Rundle reads the client's path from its module list: wait until it is there.
  for (int i = 0; i < 500 && !MainModuleVisible(process.dwProcessId); ++i) Sleep(10);
}

FakeClient::~FakeClient() {
  if (process_) {
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
  }
  DeleteFileW(path_.c_str());
}

ScopedRegistryKey::ScopedRegistryKey(HKEY root, const std::wstring& path,
                                     const std::vector<RegValue>& values)
    : root_(root), path_(path) {
  RegDeleteTreeW(root_, path_.c_str());
  if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
      ERROR_SUCCESS) {
    key_ = nullptr;
    return;
  }
  for (const RegValue& v : values) {
    if (v.type == REG_DWORD) {
      RegSetValueExW(key_, v.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number),
                     sizeof(v.number));
    } else {
      RegSetValueExW(key_, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.text.c_str()),
                     static_cast<DWORD>((v.text.size() + 1) * sizeof(wchar_t)));
    }
  }
}

ScopedRegistryKey::~ScopedRegistryKey() {
  if (key_) RegCloseKey(key_);
  RegDeleteTreeW(root_, path_.c_str());
  // The parent that the test created for the key goes too when it is empty.
  const size_t slash = path_.rfind(L'\\');
  if (slash != std::wstring::npos) RegDeleteKeyW(root_, path_.substr(0, slash).c_str());
}

std::wstring DayLogName(const std::wstring& base, int daysBack) {
  const std::time_t when = std::time(nullptr) - static_cast<std::time_t>(daysBack) * 86400;
  std::tm date{};
  localtime_s(&date, &when);
  wchar_t name[32];
  swprintf(name, 32, L"%04d%02d%02d.log", date.tm_year + 1900, date.tm_mon + 1, date.tm_mday);
  return base + name;
}

RunResult RunRundle(const std::wstring& folder, const std::wstring& exeName) {
  RunResult result;
  const std::wstring exe = folder + L"\\" + exeName;
  auto failed = [&](const char* step) {
    result.error = std::string(step) + " failed, error " + std::to_string(GetLastError());
    return result;
  };
  if (!CopyFileW(HostPath(RUNDLE_EXE).c_str(), exe.c_str(), FALSE)) return failed("copying Rundle.exe");
  // Standard output goes to a file beside the folder, so the echo can be read.
  const std::wstring outputFile = folder + L".stdout.txt";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE output = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return failed("creating the output file");
  // The working directory is not Rundle's folder: everything must follow the module path.
  const std::wstring elsewhere = folder.substr(0, folder.rfind(L'\\'));
  PROCESS_INFORMATION process{};
  const BOOL started = StartWithOutput(exe, elsewhere, output, &process);
  if (!started) {
    failed("starting Rundle.exe");
    CloseHandle(output);
    return result;
  }
  CloseHandle(output);
  CloseHandle(process.hThread);
  result.finished = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  if (!result.finished) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  const std::wstring base = exeName.size() > 4 ? exeName.substr(0, exeName.size() - 4) : L"";
  result.logFile = folder + L"\\log\\" + DayLogName(base, 0);
  result.log = ReadBytes(result.logFile);
  result.output = ReadBytes(outputFile);
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace rundle_test

namespace rundle_test {

HANDLE StartRundle(const std::wstring& folder) {
  const std::wstring exe = folder + L"\\Rundle.exe";
  if (!CopyFileW(HostPath(RUNDLE_EXE).c_str(), exe.c_str(), FALSE)) return nullptr;
  // Its standard output (the log's echo) goes nowhere.
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE nowhere = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  if (nowhere == INVALID_HANDLE_VALUE) return nullptr;
  PROCESS_INFORMATION process{};
  const BOOL started = StartWithOutput(exe, folder, nowhere, &process);
  CloseHandle(nowhere);
  if (!started) return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

namespace {

template <typename Fn>
void ForEachProcess(const std::wstring& fileName, Fn fn) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (_wcsicmp(entry.szExeFile, fileName.c_str()) == 0) fn(entry.th32ProcessID);
  CloseHandle(snapshot);
}

}  // namespace

int KillProcesses(const std::wstring& fileName) {
  int killed = 0;
  ForEachProcess(fileName, [&](DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return;
    if (TerminateProcess(process, 0)) ++killed;
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  });
  return killed;
}

bool WaitForProcess(const std::wstring& fileName, DWORD ms) {
  for (DWORD waited = 0; waited <= ms; waited += 20) {
    bool found = false;
    ForEachProcess(fileName, [&](DWORD) { found = true; });
    if (found) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace rundle_test
