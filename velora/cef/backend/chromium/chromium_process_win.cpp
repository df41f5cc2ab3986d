#include "chromium_process_win.h"

#include "win_include.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <random>
#include <thread>

#include "chromium_locator.h"
#include "devtools_connection_win.h"
#include "devtools_message.h"

namespace velora_engine {
namespace {

constexpr unsigned long long kNoSocket = ~0ull;
const wchar_t kActivePortFile[] = L"DevToolsActivePort";
const wchar_t kLogFile[] = L"chromium.log";

using Clock = std::chrono::steady_clock;

std::string Utf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty())
    return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
  return out;
}

std::string LastError(const char* what) {
  return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirectories(const std::wstring& path) {
  if (path.empty())
    return false;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > 2)
    MakeDirectories(path.substr(0, slash));
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Deletes a folder and everything in it. Links inside are removed, never
// followed.
void DeleteTree(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(JoinWindowsPath(dir, L"*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..")
        continue;
      std::wstring path = JoinWindowsPath(dir, name);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(path.c_str());
        else
          DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

bool ReadWholeFile(const std::wstring& path, std::string* text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  text->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    text->append(buffer, got);
  CloseHandle(file);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size();
  CloseHandle(file);
  return ok;
}

// The last lines of chromium.log, for error messages.
std::string LogTail(const std::wstring& user_data_dir) {
  std::string text;
  if (!ReadWholeFile(JoinWindowsPath(user_data_dir, kLogFile), &text) || text.empty())
    return std::string();
  if (text.size() > 600)
    text = "..." + text.substr(text.size() - 600);
  return "; chromium.log: " + text;
}

// The Unix path of a Windows path, from Wine's kernel32 export.
std::string UnixPath(const std::wstring& windows_path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert)
    return std::string();
  char* unix_path = convert(windows_path.c_str());
  if (!unix_path)
    return std::string();
  std::string result = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

// 'text' for bash: single quotes, with each ' written as '\''.
std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

std::string RandomToken() {
  std::random_device device;
  static const char kDigits[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 32; ++i)
    token += kDigits[device() % 16];
  return token;
}

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

// Waits until socket can be read; false on timeout.
bool WaitReadable(SOCKET socket, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval tv;
  tv.tv_sec = timeout_ms / 1000;
  tv.tv_usec = (timeout_ms % 1000) * 1000;
  return select(0, &set, nullptr, nullptr, &tv) > 0;
}

// True once the peer has closed (or the connection broke). Never blocks.
bool PeerClosed(SOCKET socket) {
  if (!WaitReadable(socket, 0))
    return false;
  char byte;
  int got = recv(socket, &byte, 1, MSG_PEEK);
  return got <= 0;
}

// The shell functions every launcher script shares: end_profile kills every
// process (but the script itself) that runs with --user-data-dir=$profile as
// one whole argument. Pure bash, so no helper process inherits the socket.
const char kEndProfile[] =
    "end_profile() {\n"
    "  local want=\"--user-data-dir=$profile\" p pid arg\n"
    "  for p in /proc/[0-9]*; do\n"
    "    pid=${p#/proc/}\n"
    "    [ \"$pid\" = \"$$\" ] && continue\n"
    "    while IFS= read -r -d '' arg; do\n"
    "      if [ \"$arg\" = \"$want\" ]; then kill -KILL \"$pid\" 2>/dev/null; break; fi\n"
    "    done < \"$p/cmdline\" 2>/dev/null\n"
    "  done\n"
    "}\n";

// Runs a bash script under Wine that connects back to a loopback port this
// process listens on and proves itself by sending "<token> ..." as its first
// line. `body` runs after the connection is made, with fd 3 the socket.
// Returns the accepted socket (kNoSocket on failure) and the first line's
// remainder in *hello.
unsigned long long RunLauncher(const std::wstring& dir, const std::wstring& script_name,
                               const std::string& body, int timeout_ms, std::string* hello,
                               std::string* error) {
  if (!StartWinsock()) {
    *error = "WSAStartup failed";
    return kNoSocket;
  }
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) {
    *error = "socket failed";
    return kNoSocket;
  }
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    *error = "cannot listen on 127.0.0.1 (error " + std::to_string(WSAGetLastError()) + ")";
    closesocket(listener);
    return kNoSocket;
  }
  const int port = ntohs(address.sin_port);
  const std::string token = RandomToken();
  const std::string unix_dir = UnixPath(dir);
  if (unix_dir.empty()) {
    *error = "no Unix path for the user-data folder";
    closesocket(listener);
    return kNoSocket;
  }
  std::string script =
      "#!/bin/bash\n"
      "# Written by the frame at each start; see ChromiumProcess.\n"
      "exec </dev/null >>" + ShellQuote(unix_dir + "/chromium.log") + " 2>&1\n"
      "exec 3<>/dev/tcp/127.0.0.1/" + std::to_string(port) + " || exit 1\n"
      "token=" + ShellQuote(token) + "\n" +
      kEndProfile + body;
  const std::wstring script_path = JoinWindowsPath(dir, script_name);
  if (!WriteWholeFile(script_path, script)) {
    *error = LastError("writing the launcher script");
    closesocket(listener);
    return kNoSocket;
  }

  // A Linux program started from Wine: no handle and no pid come back, and
  // its standard handles are redirected by the script's first line.
  std::wstring bash = FileExists(L"Z:\\bin\\bash") ? L"Z:\\bin\\bash" : L"Z:\\usr\\bin\\bash";
  std::wstring command = L"\"" + bash + L"\" \"" + Wide(unix_dir) + L"/" + script_name + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(bash.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    *error = LastError("starting the launcher (bash)");
    closesocket(listener);
    return kNoSocket;
  }
  if (info.hThread)
    CloseHandle(info.hThread);
  if (info.hProcess)
    CloseHandle(info.hProcess);

  // Accept connections until one proves itself with the token; anyone else
  // on this machine who connects to the port is dropped.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left <= 0 || !WaitReadable(listener, left)) {
      *error = "the launcher did not connect back within " + std::to_string(timeout_ms) + " ms" +
               LogTail(dir);
      closesocket(listener);
      return kNoSocket;
    }
    SOCKET peer = accept(listener, nullptr, nullptr);
    if (peer == INVALID_SOCKET)
      continue;
    std::string line;
    char c = 0;
    while (line.size() < 256) {
      left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
      if (left <= 0 || !WaitReadable(peer, left) || recv(peer, &c, 1, 0) != 1 || c == '\n')
        break;
      line += c;
    }
    if (c == '\n' && line.compare(0, token.size() + 1, token + " ") == 0) {
      closesocket(listener);
      *hello = line.substr(token.size() + 1);
      return peer;
    }
    closesocket(peer);
  }
}

// Reads until the peer closes or the timeout passes.
bool WaitForEof(SOCKET socket, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[256];
  for (;;) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (left <= 0 || !WaitReadable(socket, left))
      return false;
    if (recv(socket, buffer, sizeof(buffer), 0) <= 0)
      return true;
  }
}

std::vector<std::string> AlwaysOnSwitches(const std::string& user_data_dir) {
  return {"--headless=new",
          "--remote-debugging-port=0",
          "--user-data-dir=" + user_data_dir,
          "--no-sandbox",
          "--disable-gpu",
          "--no-first-run",
          "--disable-background-networking",
          "--disable-component-update",
          "--disable-sync",
          "--no-default-browser-check"};
}

std::wstring QuoteWindowsArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
    return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
      backslashes = 0;
    } else {
      backslashes = 0;
    }
    quoted += c;
    if (c == L'"')
      continue;
  }
  quoted.append(backslashes, L'\\');
  return quoted + L"\"";
}

}  // namespace

ChromiumProcess::ChromiumProcess() = default;

ChromiumProcess::~ChromiumProcess() {
  Stop(nullptr);
}

bool ChromiumProcess::UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring ChromiumProcess::Locate(const std::wstring& exe_dir, std::vector<std::wstring>* looked_at) {
  wchar_t configured[MAX_PATH * 2] = {};
  const std::wstring ini = JoinWindowsPath(exe_dir, kEngineSettingsFile);
  GetPrivateProfileStringW(kEngineSettingsSection, kEngineSettingsChromiumKey, L"", configured,
                           static_cast<DWORD>(sizeof(configured) / sizeof(configured[0])), ini.c_str());
  auto env = [](const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = GetEnvironmentVariableW(name, value, static_cast<DWORD>(sizeof(value) / sizeof(value[0])));
    return size > 0 && size < sizeof(value) / sizeof(value[0]) ? std::wstring(value) : std::wstring();
  };
  std::vector<std::wstring> program_files = {env(L"ProgramFiles"), env(L"ProgramW6432"),
                                             env(L"ProgramFiles(x86)")};
  // An operator who pins one Chromium can forbid the search elsewhere.
  const bool only_configured =
      GetPrivateProfileIntW(kEngineSettingsSection, kEngineSettingsOnlyConfiguredKey, 0, ini.c_str()) != 0;
  for (const std::wstring& candidate :
       ChromiumCandidates(configured, UnderWine(), program_files, env(L"LOCALAPPDATA"), only_configured)) {
    if (looked_at)
      looked_at->push_back(candidate);
    if (FileExists(candidate))
      return candidate;
  }
  return std::wstring();
}

bool ChromiumProcess::running() const {
  if (launcher_socket_ != kNoSocket)
    return !PeerClosed(static_cast<SOCKET>(launcher_socket_));
  if (process_)
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
  return false;
}

bool ChromiumProcess::Start(const ChromiumLaunch& launch, std::string* error) {
  if (launcher_socket_ != kNoSocket || process_) {
    *error = "already started";
    return false;
  }
  if (!MakeDirectories(launch.user_data_dir)) {
    *error = LastError("creating the user-data folder");
    return false;
  }
  user_data_dir_ = launch.user_data_dir;
  const std::wstring active_port = JoinWindowsPath(user_data_dir_, kActivePortFile);
  DeleteFileW(active_port.c_str());
  if (FileExists(active_port)) {
    *error = "a stale DevToolsActivePort cannot be removed: is another Chromium using this folder?";
    return false;
  }
  // Under Wine a Windows Chromium (a PE file) still runs as a Windows
  // process, in a job; only a Linux program needs the launcher.
  bool linux_program = false;
  if (UnderWine()) {
    std::string head;
    HANDLE file = CreateFileW(launch.executable.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char magic[2] = {};
      DWORD got = 0;
      ReadFile(file, magic, 2, &got, nullptr);
      CloseHandle(file);
      linux_program = !(got == 2 && magic[0] == 'M' && magic[1] == 'Z');
    }
  }
  const bool ok = linux_program ? StartUnderWine(launch, error) : StartOnWindows(launch, error);
  if (!ok) {
    Stop(nullptr);
    return false;
  }
  if (!WaitForPort(user_data_dir_, launch.timeout_ms, error)) {
    Stop(nullptr);
    return false;
  }
  return true;
}

bool ChromiumProcess::StartUnderWine(const ChromiumLaunch& launch, std::string* error) {
  const std::string exe = UnixPath(launch.executable);
  const std::string profile = UnixPath(launch.user_data_dir);
  if (exe.empty() || profile.empty()) {
    *error = "no Unix path for the Chromium program or its user-data folder";
    return false;
  }
  std::string command = ShellQuote(exe);
  for (const std::string& s : AlwaysOnSwitches(profile))
    command += " " + ShellQuote(s);
  for (const std::string& s : launch.switches)
    command += " " + ShellQuote(s);
  // Chromium gets a process group of its own (setsid) and no copy of the
  // socket (3>&-). The watcher waits for end of file on the socket and then
  // ends the group; the script itself waits for Chromium, then ends what is
  // left of the group and of the profile, and exits: its socket closes.
  // `sleep` is run with fd 3 closed for the same reason.
  std::string body =
      "profile=" + ShellQuote(profile) + "\n" +
      // Addresses for other programs (mailto:, a program's own protocol) are
      // the frame's to hand to the system, after its client has allowed
      // it: Chromium's own way out, xdg-open, leads nowhere.
      "mkdir -p \"$profile/bin\"\n"
      "printf '#!/bin/sh\\nexit 0\\n' > \"$profile/bin/xdg-open\"\n"
      "chmod +x \"$profile/bin/xdg-open\"\n"
      "PATH=\"$profile/bin:$PATH\" setsid " + command + " 3>&- &\n"
      "chromium=$!\n"
      "printf '%s %s\\n' \"$token\" \"$chromium\" >&3\n"
      "( while read -r -u 3 _; do :; done\n"
      "  kill -TERM -- \"-$chromium\" 2>/dev/null\n"
      "  sleep 2 3>&-\n"
      "  kill -KILL -- \"-$chromium\" 2>/dev/null ) &\n"
      "watcher=$!\n"
      "wait \"$chromium\"\n"
      "kill -KILL -- \"-$chromium\" 2>/dev/null\n"
      "end_profile\n"
      "kill \"$watcher\" 2>/dev/null\n"
      "wait \"$watcher\" 2>/dev/null\n"
      "exit 0\n";
  std::string hello;
  launcher_socket_ = RunLauncher(launch.user_data_dir, L"launcher.sh", body,
                                 std::min(launch.timeout_ms, 10000), &hello, error);
  return launcher_socket_ != kNoSocket;
}

bool ChromiumProcess::StartOnWindows(const ChromiumLaunch& launch, std::string* error) {
  std::wstring command = QuoteWindowsArgument(launch.executable);
  for (const std::string& s : AlwaysOnSwitches(Utf8(launch.user_data_dir)))
    command += L" " + QuoteWindowsArgument(Wide(s));
  for (const std::string& s : launch.switches)
    command += L" " + QuoteWindowsArgument(Wide(s));

  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE log = CreateFileW(JoinWindowsPath(launch.user_data_dir, kLogFile).c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                           0, nullptr);
  if (log == INVALID_HANDLE_VALUE || nul == INVALID_HANDLE_VALUE) {
    *error = LastError("opening chromium.log");
    if (log != INVALID_HANDLE_VALUE)
      CloseHandle(log);
    if (nul != INVALID_HANDLE_VALUE)
      CloseHandle(nul);
    return false;
  }
  // Only the log and NUL are inherited, never the frame's own handles.
  HANDLE inherited[2] = {log, nul};
  SIZE_T attribute_size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &attribute_size);
  std::vector<char> attribute_buffer(attribute_size);
  auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attribute_buffer.data());
  bool have_list = InitializeProcThreadAttributeList(attributes, 1, 0, &attribute_size) &&
                   UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                             sizeof(inherited), nullptr, nullptr);
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = nul;
  startup.StartupInfo.hStdOutput = log;
  startup.StartupInfo.hStdError = log;
  startup.lpAttributeList = have_list ? attributes : nullptr;

  job_ = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job_ || !SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
    *error = LastError("creating the job object");
    CloseHandle(log);
    CloseHandle(nul);
    return false;
  }
  PROCESS_INFORMATION info = {};
  // Suspended until it is in the job, so not even its first child escapes.
  const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | (have_list ? EXTENDED_STARTUPINFO_PRESENT : 0);
  BOOL started = CreateProcessW(launch.executable.c_str(), &command[0], nullptr, nullptr, TRUE, flags,
                                nullptr, nullptr, &startup.StartupInfo, &info);
  DWORD start_error = GetLastError();
  if (have_list)
    DeleteProcThreadAttributeList(attributes);
  CloseHandle(log);
  CloseHandle(nul);
  if (!started) {
    *error = "starting Chromium failed (error " + std::to_string(start_error) + ")";
    return false;
  }
  process_ = info.hProcess;
  if (!AssignProcessToJobObject(job_, info.hProcess)) {
    *error = LastError("putting Chromium into its job");
    TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    return false;
  }
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  return true;
}

bool ChromiumProcess::WaitForPort(const std::wstring& user_data_dir, int timeout_ms, std::string* error) {
  const std::wstring path = JoinWindowsPath(user_data_dir, kActivePortFile);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string text;
  for (;;) {
    if (ReadWholeFile(path, &text) && ParseActivePort(text, &port_, &browser_path_))
      return true;
    if (!running()) {
      *error = "Chromium ended before it opened its DevTools port" + LogTail(user_data_dir);
      return false;
    }
    if (Clock::now() >= deadline) {
      *error = "Chromium wrote no DevToolsActivePort within " + std::to_string(timeout_ms) + " ms" +
               LogTail(user_data_dir);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void ChromiumProcess::Stop(DevToolsConnection* connection_or_null) {
  const bool started = launcher_socket_ != kNoSocket || process_;
  if (started && connection_or_null && connection_or_null->is_open()) {
    // Chromium may close the socket before it answers: either ends the call.
    std::string ignored;
    connection_or_null->Call(std::string(), "Browser.close", Json::Value(Json::objectValue), nullptr,
                             &ignored, 3000);
  }
  if (launcher_socket_ != kNoSocket) {
    SOCKET socket = static_cast<SOCKET>(launcher_socket_);
    // End of file tells the launcher to end Chromium; its own end of file
    // tells us that it has, and that nothing with this profile is left.
    shutdown(socket, SD_SEND);
    WaitForEof(socket, 8000);
    closesocket(socket);
    launcher_socket_ = kNoSocket;
  }
  if (process_) {
    if (WaitForSingleObject(process_, connection_or_null ? 3000 : 0) != WAIT_OBJECT_0)
      TerminateJobObject(job_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = nullptr;
  }
  if (job_) {
    // Also ends Chromium's children that outlived the browser process.
    TerminateJobObject(job_, 1);
    CloseHandle(job_);
    job_ = nullptr;
  }
  port_ = 0;
  browser_path_.clear();
}

void ChromiumProcess::EndStale(const std::wstring& engine_root) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(JoinWindowsPath(engine_root, L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return;
  std::vector<std::wstring> stale;
  do {
    unsigned long pid = 0;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !ParseUserDataFolderName(found.cFileName, &pid) || pid == GetCurrentProcessId())
      continue;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (process) {
      const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
      CloseHandle(process);
      if (alive)
        continue;
    } else if (GetLastError() == ERROR_ACCESS_DENIED) {
      continue;  // exists, but not ours to look at: alive
    }
    stale.push_back(UserDataFolderFor(engine_root, pid));
  } while (FindNextFileW(find, &found));
  FindClose(find);

  for (const std::wstring& dir : stale) {
    if (UnderWine()) {
      // A Chromium left by a killed frame whose launcher could not end it
      // (the launcher itself killed): end whatever still uses the profile,
      // then remove the folder from the Linux side. Chromium's Singleton*
      // entries are dangling symbolic links, which Wine's DeleteFileW
      // cannot remove.
      const std::string profile = UnixPath(dir);
      std::string hello;
      std::string error;
      if (!profile.empty()) {
        std::string body = "profile=" + ShellQuote(profile) + "\n" +
                           "end_profile\n"
                           "rm -rf -- \"$profile\"\n"
                           "printf '%s done\\n' \"$token\" >&3\n"
                           "exit 0\n";
        unsigned long long socket = RunLauncher(dir, L"end_stale.sh", body, 10000, &hello, &error);
        if (socket != kNoSocket) {
          WaitForEof(static_cast<SOCKET>(socket), 5000);
          closesocket(static_cast<SOCKET>(socket));
        }
      }
    }
    // Chromium's files may stay locked for a moment after it ends.
    for (int attempt = 0; attempt < 20; ++attempt) {
      DeleteTree(dir);
      if (GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

}  // namespace velora_engine
