#include "transport_test_support.h"

#include <winsock2.h>

#include <vector>

namespace velora_transport_test {

std::wstring TestDir() {
  wchar_t path[MAX_PATH];
  DWORD size = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, size);
  return dir.substr(0, dir.find_last_of(L'\\'));
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return written == text.size();
}

bool ReadFileText(const std::wstring& path, std::string* text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  text->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    text->append(buffer, got);
  CloseHandle(file);
  return !text->empty();
}

void DeleteTreeForTest(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..")
        continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTreeForTest(dir + L"\\" + name);
      else
        DeleteFileW((dir + L"\\" + name).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

std::string UnixPathOf(const std::wstring& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix_path = convert ? convert(path.c_str()) : nullptr;
  if (!unix_path)
    return std::string();
  std::string result = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

std::string FileUrl(const std::wstring& path) {
  // Chromium is a Linux program here: it needs the Unix path.
  return "file://" + UnixPathOf(path);
}

bool PortAccepts(int port) {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  closesocket(s);
  return ok;
}

namespace {

// Linux pids whose command line has `want` as one whole argument and, when
// `unless_prefix` is given, no argument starting with it.
std::vector<std::wstring> PidsWithArgument(const std::string& want, const std::string& unless_prefix = "") {
  std::vector<std::wstring> pids;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (find == INVALID_HANDLE_VALUE)
    return pids;
  do {
    std::wstring name = found.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos)
      continue;
    std::string cmdline;
    if (!ReadFileText(L"Z:\\proc\\" + name + L"\\cmdline", &cmdline))
      continue;
    size_t start = 0;
    bool wanted = false, unless = false;
    while (start < cmdline.size()) {
      size_t end = cmdline.find('\0', start);
      if (end == std::string::npos)
        end = cmdline.size();
      if (cmdline.compare(start, end - start, want) == 0)
        wanted = true;
      if (!unless_prefix.empty() && cmdline.compare(start, unless_prefix.size(), unless_prefix) == 0)
        unless = true;
      start = end + 1;
    }
    if (wanted && !unless)
      pids.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return pids;
}

}  // namespace

int CountProcessesWithProfile(const std::wstring& user_data_dir) {
  const std::string unix_path = UnixPathOf(user_data_dir);
  if (unix_path.empty())
    return -1;
  return static_cast<int>(PidsWithArgument("--user-data-dir=" + unix_path).size());
}

namespace {

bool KillUnixPids(const std::vector<std::wstring>& pids) {
  if (pids.size() != 1)
    return false;
  std::wstring command = L"kill -KILL " + pids[0];
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(L"Z:\\bin\\kill", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return false;
  if (info.hProcess)
    CloseHandle(info.hProcess);
  if (info.hThread)
    CloseHandle(info.hThread);
  return true;
}

}  // namespace

bool KillUnixProcessWithArgument(const std::string& argument) {
  return KillUnixPids(PidsWithArgument(argument));
}

bool KillChromiumOfProfile(const std::wstring& user_data_dir) {
  const std::string unix_path = UnixPathOf(user_data_dir);
  return !unix_path.empty() && KillUnixPids(PidsWithArgument("--user-data-dir=" + unix_path, "--type="));
}

PROCESS_INFORMATION StartChild(const std::wstring& arguments) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(path) + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(path, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info))
    info = PROCESS_INFORMATION{};
  return info;
}

}  // namespace velora_transport_test
