// The checks of CafeCheck.exe and the run that puts them together (see
// cafecheck_win.h).
#include "cafecheck_win.h"

#include "win_include.h"

#include <iphlpapi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "chromium_locator.h"
#include "chromium_process_win.h"
#include "env_det_imp.h"
#include "handshake_token.h"
#include "machine_identity.h"
#include "process_mgr.h"
#include "start_config.h"
#include "start_log.h"
#include "velora_version.h"
#include "zip_writer.h"

namespace cafecheck {

namespace {

// The tail of a log beyond this size is what the bundle keeps of it.
constexpr size_t kMaxLogBytes = 8u << 20;

std::wstring ModuleDirectory() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(n < path.size() ? n : 0);
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring Join(const std::wstring& dir, const std::wstring& name) {
  if (dir.empty()) return name;
  return dir.back() == L'\\' || dir.back() == L'/' ? dir + name : dir + L"\\" + name;
}

std::wstring ParentOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, buffer, nullptr);
  return n > 0 && n < MAX_PATH * 4 ? std::wstring(buffer, n) : path;
}

bool Exists(const std::wstring& path) { return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFile(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A whole file, or its last `max_bytes` when it is larger (*cut set).
bool ReadFileBytes(const std::wstring& path, std::string& out, size_t max_bytes, bool* cut) {
  // Logs are open for appending by running programs: share everything.
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  if (cut) *cut = static_cast<unsigned long long>(size.QuadPart) > max_bytes;
  if (static_cast<unsigned long long>(size.QuadPart) > max_bytes) {
    LARGE_INTEGER to;
    to.QuadPart = size.QuadPart - static_cast<LONGLONG>(max_bytes);
    SetFilePointerEx(f, to, nullptr, FILE_BEGIN);
  }
  out.clear();
  char buffer[65536];
  DWORD got = 0;
  while (out.size() < max_bytes && ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    out.append(buffer, got);
  if (out.size() > max_bytes) out.resize(max_bytes);
  CloseHandle(f);
  return true;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  return CloseHandle(f) && ok;
}

// Plain files of a folder (no sub-folders), sorted as the platform lists them.
std::vector<std::wstring> FilesIn(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Join(dir, L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

std::string FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::string();
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::string();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO))
    return std::string();
  char text[64];
  snprintf(text, sizeof(text), "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  return text;
}

}  // namespace

ProgramInfo CheckProgram(const std::wstring& dir, const wchar_t* name, bool needed) {
  ProgramInfo p;
  p.name = ToUtf8(name);
  p.path = Join(dir, name);
  p.present = IsFile(p.path);
  p.needed = needed;
  if (p.present) p.version = FileVersion(p.path);
  return p;
}

// Veyra.dll as the frame asks it: loaded with the altered search path, the
// three exports by name, SSOSign with this PC's token, Veyra with the handle
// it returned; then the bar id. The library stays loaded until the process
// ends: its link to the bar-client server is never torn down.
void AskVeyra(const std::wstring& dir, CafeInfo& cafe) {
  cafe.token = handshake::MakeHandshakeToken();
  const std::wstring path = Join(dir, L"Veyra.dll");
  cafe.library_present = IsFile(path);
  if (!cafe.library_present) return;
  HMODULE dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!dll) {
    cafe.load_error = GetLastError();
    return;
  }
  cafe.library_loaded = true;
  using SSOSignFn = HANDLE(WINAPI*)(const char*);
  using VeyraFn = int(WINAPI*)(HANDLE);
  using GetOVBarIdFn = bool(WINAPI*)(int, char*);
  auto sso_sign = reinterpret_cast<SSOSignFn>(reinterpret_cast<void*>(GetProcAddress(dll, "SSOSign")));
  auto veyra = reinterpret_cast<VeyraFn>(reinterpret_cast<void*>(GetProcAddress(dll, "Veyra")));
  auto bar_id = reinterpret_cast<GetOVBarIdFn>(reinterpret_cast<void*>(GetProcAddress(dll, "GetOVBarId")));
  if (!sso_sign) cafe.missing_exports.push_back("SSOSign");
  if (!veyra) cafe.missing_exports.push_back("Veyra");
  if (!bar_id) cafe.missing_exports.push_back("GetOVBarId");
  if (!cafe.missing_exports.empty()) return;

  const HANDLE handle = sso_sign(cafe.token.c_str());
  cafe.token_accepted = handle != nullptr;
  cafe.answer = veyra(handle);
  cafe.asked = true;
  // The caller's buffer is 260 bytes and always terminated here, whatever
  // the library wrote.
  char out[261] = {};
  cafe.bar_id_found = bar_id(1, out);
  out[260] = '\0';
  if (cafe.bar_id_found) cafe.bar_id = out;
}

void DescribeAdapters(NetworkInfo& net) {
  net.computer_name = handshake::QueryComputerName();
  const handshake::AdapterAddress chosen = handshake::ChooseAdapterAddress(handshake::QueryAdapters());
  net.identity = handshake::FormatMachineIdentity(chosen);
  bool chosen_any = false;
  for (unsigned char b : chosen) chosen_any = chosen_any || b != 0;

  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return;
  std::vector<unsigned char> buffer(size);
  auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(info, &size) != NO_ERROR) return;
  bool marked = false;
  for (const IP_ADAPTER_INFO* a = info; a; a = a->Next) {
    AdapterInfo adapter;
    adapter.description = a->Description;
    adapter.type = a->Type;
    const UINT length = a->AddressLength < MAX_ADAPTER_ADDRESS_LENGTH ? a->AddressLength : MAX_ADAPTER_ADDRESS_LENGTH;
    handshake::AdapterAddress address{};
    for (UINT i = 0; i < length; ++i) {
      char hex[4];
      snprintf(hex, sizeof(hex), "%s%02x", i ? "-" : "", a->Address[i]);
      adapter.address += hex;
      if (i < address.size()) address[i] = a->Address[i];
    }
    // The first adapter of the chosen address and a type that can be chosen.
    if (chosen_any && !marked && address == chosen && a->Type != handshake::kAdapterLoopback) {
      adapter.chosen = marked = true;
    }
    net.adapters.push_back(adapter);
  }
}

namespace {

// Removes a folder tree; failures are left alone (a Chromium profile under
// Wine may hold links that Windows calls cannot remove, see EndStale).
void RemoveTree(const std::wstring& dir) {
  std::wstring from = dir;
  from.push_back(L'\0');  // SHFileOperation takes a double-terminated list
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

}  // namespace

// Finds Chromium as the frame does, starts it headless in a profile of its
// own under %TEMP%\CafeCheck\<pid>, waits for DevToolsActivePort and stops it.
void CheckBrowser(const std::wstring& dir, BrowserInfo& browser) {
  browser.path = velora_engine::ChromiumProcess::Locate(dir, &browser.looked_at);
  browser.found = !browser.path.empty();
  if (!browser.found) return;

  wchar_t temp[MAX_PATH] = {};
  const DWORD n = GetTempPathW(MAX_PATH, temp);
  const std::wstring root = Join(n > 0 && n < MAX_PATH ? std::wstring(temp) : dir, L"CafeCheck");
  CreateDirectoryW(root.c_str(), nullptr);
  // Leftovers of a CafeCheck that was killed while its Chromium ran.
  velora_engine::ChromiumProcess::EndStale(root);

  velora_engine::ChromiumLaunch launch;
  launch.executable = browser.path;
  launch.user_data_dir = velora_engine::UserDataFolderFor(root, GetCurrentProcessId());
  launch.timeout_ms = 15000;
  {
    velora_engine::ChromiumProcess chromium;
    browser.started = chromium.Start(launch, &browser.error);
    browser.port = chromium.port();
    chromium.Stop(nullptr);
    browser.stopped = !chromium.running();
  }
  RemoveTree(launch.user_data_dir);
}

SkinFolderResult CheckSkin(const std::wstring& skin_dir) {
  std::vector<SkinFileText> files;
  for (const std::wstring& name : FilesIn(skin_dir)) {
    SkinFileText f;
    f.name = ToUtf8(name);
    if (ReadFileBytes(Join(skin_dir, name), f.bytes, 16u << 20, nullptr)) files.push_back(f);
  }
  return CheckSkinFolder(files);
}

// Rundle's plan for a settings file, by Rundle's own functions: the folder
// of the settings file stands for Rundle's directory. Nothing is copied or
// started, no mutex is created and Rundle's log writes nowhere.
void PlanRundle(const std::wstring& settings_path, RundleInfo& ru) {
  ru.checked = true;
  ru.settings_path = FullPath(settings_path);
  ru.settings_present = IsFile(ru.settings_path);
  const std::wstring dir = ParentOf(ru.settings_path);
  ru.log_folder = Join(dir, L"log");
  if (!ru.settings_present) return;

  CStartLog::Instance().SetOutputFlags(0);
  CStartConfig& config = CStartConfig::Instance();
  config.LoadSettingsFile(ru.settings_path);
  ru.os_code = config.GetOsCode();
  ru.is64 = config.Is64BitSystem();
  ru.windows10 = CStartConfig::IsWindows10OrLater();

  const std::wstring base = dir + L"\\";
  ru.copies = CProcessMgr::Instance().PlanCopyFiles(base);
  for (const CopyStep& s : ru.copies) ru.copy_source_present.push_back(!s.skipped && Exists(s.source));

  EnvDetImp* det = EnvDetImp::Create();
  ru.plan = det->PlanRun(base, PlatformMutexUse::kProbeOnly);
  EnvDetImp::Destroy();
  for (const PreloadStep& p : ru.plan.preloads) ru.preload_present.push_back(!p.skipped && IsFile(p.path));
  if (const GameStep* game = ru.plan.StartedGame()) ru.game_present = IsFile(game->fullPath);
}

namespace {

std::string LocalTimeText(ZipTime* zip_time) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[64];
  snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond);
  *zip_time = ZipTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  return text;
}

// The report on standard output: wide text on a console (whatever its code
// page), UTF-8 bytes into a file or pipe.
void PrintReport(const std::string& utf8) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!out || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
}

struct Options {
  std::wstring rundle_ini;
  std::wstring skin_dir;
  std::wstring out_dir;
};

bool ParseOptions(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (i + 1 >= argc) return false;
    if (a == L"--rundle-ini") o.rundle_ini = argv[++i];
    else if (a == L"--skin") o.skin_dir = argv[++i];
    else if (a == L"--out") o.out_dir = argv[++i];
    else return false;
  }
  return true;
}

struct LogFile {
  std::string entry;  // name in the zip
  std::wstring path;
};

void CollectLogs(const std::wstring& dir, const std::string& prefix, std::vector<LogFile>& logs) {
  for (const std::wstring& name : FilesIn(dir)) logs.push_back({prefix + "/" + ToUtf8(name), Join(dir, name)});
}

}  // namespace

int RunCafeCheck(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fputs("usage: CafeCheck.exe [--rundle-ini <path>] [--skin <folder>] [--out <folder>]\n", stderr);
    return kExitToolFailed;
  }
  const std::wstring dir = ModuleDirectory();
  CheckResults r;
  r.tool_version = VELORA_VERSION_TEXT;
  ZipTime zip_time;
  r.time = LocalTimeText(&zip_time);
  r.folder = dir;

  std::wstring rundle_ini = options.rundle_ini;
  if (rundle_ini.empty() && IsFile(Join(dir, L"Rundle.ini"))) rundle_ini = Join(dir, L"Rundle.ini");
  const std::wstring rundle_dir = rundle_ini.empty() ? dir : ParentOf(FullPath(rundle_ini));

  r.programs.push_back(CheckProgram(dir, L"Velora.exe", true));
  r.programs.push_back(CheckProgram(dir, L"Veyra.dll", true));
  // Rundle is needed where a settings file says it is used.
  r.programs.push_back(CheckProgram(rundle_dir, L"Rundle.exe", !rundle_ini.empty()));

  AskVeyra(dir, r.cafe);
  DescribeAdapters(r.network);
  CheckBrowser(dir, r.browser);
  r.skin_folder = options.skin_dir.empty() ? Join(dir, L"Skin") : FullPath(options.skin_dir);
  r.skin = CheckSkin(r.skin_folder);
  if (!rundle_ini.empty()) PlanRundle(rundle_ini, r.rundle);

  // Velora logs into "Log" beside itself, Rundle into "log" beside itself:
  // the same folder when both lie in one place.
  std::vector<LogFile> logs;
  const std::wstring velora_logs = Join(dir, L"Log");
  const std::wstring rundle_logs = Join(rundle_dir, L"log");
  if (_wcsicmp(velora_logs.c_str(), rundle_logs.c_str()) == 0) {
    CollectLogs(velora_logs, "Log", logs);
  } else {
    CollectLogs(velora_logs, "Velora-Log", logs);
    CollectLogs(rundle_logs, "Rundle-log", logs);
  }
  r.zip_entries.push_back("CafeCheck-report.txt");
  for (const LogFile& l : logs) r.zip_entries.push_back(l.entry);

  const std::string report = FormatReport(r);
  PrintReport(report);

  const std::wstring out_dir = options.out_dir.empty() ? dir : FullPath(options.out_dir);
  CreateDirectoryW(out_dir.c_str(), nullptr);
  // The file starts with a byte-order mark so that Notepad on a Chinese
  // Windows reads it as UTF-8 and not as GBK.
  bool ok = WriteFileBytes(Join(out_dir, L"CafeCheck-report.txt"), "\xEF\xBB\xBF" + report);

  ZipWriter zip;
  ok = zip.Add("CafeCheck-report.txt", "\xEF\xBB\xBF" + report, zip_time) && ok;
  for (const LogFile& l : logs) {
    std::string bytes;
    bool cut = false;
    if (ReadFileBytes(l.path, bytes, kMaxLogBytes, &cut)) ok = zip.Add(l.entry, bytes, zip_time) && ok;
  }
  ok = WriteFileBytes(Join(out_dir, L"CafeCheck-report.zip"), zip.Finish()) && ok;
  if (!ok) {
    fputs("CafeCheck: the report or its zip could not be written\n", stderr);
    return kExitToolFailed;
  }
  return ExitCodeFor(r);
}

}  // namespace cafecheck
