// Runs of the real Velora.exe under Wine, each in a folder of its own with a
// small "GameFrame.xml": the command-line forms (seen in the settings path
// or the game address that the main window logs), the channel origin in the
// registry, the sub-process kinds and their files, the cache folder, the
// Debug-only main log, and bad input that must not stop the program.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "win_include.h"

namespace {

const wchar_t kOriginKey[] = L"Software\\Pavlix8\\GameClickOrigin";

std::wstring Widen(const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  out.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], static_cast<int>(out.size()))));
  return out;
}

std::string Utf8(const std::wstring& text) {
  std::string out(text.size() * 3 + 1, '\0');
  out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                                     static_cast<int>(out.size()), nullptr, nullptr)));
  return out;
}

std::string ReadFileText(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << bytes;
}

std::wstring TodayName() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t name[32];
  swprintf(name, 32, L"%04u%02u%02u.log", now.wYear, now.wMonth, now.wDay);
  return name;
}

std::wstring ThisFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = path;
  return text.substr(0, text.rfind(L'\\') + 1);
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

struct EnumState {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (pid == state->pid && wcscmp(name, L"OVWebGameFrame") == 0) {
    state->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A folder with Velora.exe and a skin of its own, removed afterwards.
class VeloraRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = ThisFolder() + L"velora_run_" + Widen(info->name());
    DeleteTree(folder_);
    CreateDirectoryW(folder_.c_str(), nullptr);
    CreateDirectoryW((folder_ + L"\\Skin").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Widen(VELORA_EXE).c_str(), (folder_ + L"\\Velora.exe").c_str(), FALSE));
    WriteSkin(true);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kOriginKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kOriginKey);
  }

  void TearDown() override {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kOriginKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kOriginKey);
    if (!HasFailure()) DeleteTree(folder_);
  }

  void WriteSkin(bool withPkgid) {
    std::string skin =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<Window size=\"400,300\">\n"
        "  <Default name=\"home_page\" value=\"http://game.test/play\"/>\n";
    if (withPkgid) skin += "  <Default name=\"pkgid\" value=\"game-42\"/>\n";
    skin += "  <VerticalLayout><Cef name=\"Cef_game\"/></VerticalLayout>\n</Window>\n";
    WriteFileBytes(folder_ + L"\\Skin\\GameFrame.xml", skin);
  }

  // Starts Velora.exe with the text after the program name, waits for its
  // main window, closes it as Alt+F4 does and returns the exit code.
  DWORD RunMain(const std::wstring& arguments, const std::wstring& currentDir = std::wstring()) {
    PROCESS_INFORMATION process = Start(arguments, currentDir);
    if (!process.hProcess) return 0xFFFFFFFF;
    EnumState state{process.dwProcessId, nullptr};
    for (int i = 0; i < 600 && !state.found; ++i) {
      if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
      EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&state));
    }
    EXPECT_NE(nullptr, state.found) << "no OVWebGameFrame window";
    if (state.found) PostMessageW(state.found, WM_SYSCOMMAND, SC_CLOSE, 0);
    return Finish(process);
  }

  // A sub-process start: returns its exit code.
  DWORD RunSubProcess(const std::wstring& arguments) { return Finish(Start(arguments, std::wstring())); }

  PROCESS_INFORMATION Start(const std::wstring& arguments, const std::wstring& currentDir) {
    std::wstring commandLine = L"\"" + folder_ + L"\\Velora.exe\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        currentDir.empty() ? folder_.c_str() : currentDir.c_str(), &startup, &process);
    EXPECT_TRUE(started) << GetLastError();
    if (!started) return PROCESS_INFORMATION{};
    CloseHandle(process.hThread);
    return process;
  }

  DWORD Finish(PROCESS_INFORMATION process) {
    if (!process.hProcess) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "Velora.exe did not end";
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return code;
  }

  std::string MainLog() { return ReadFileText(folder_ + L"\\Log\\velora" + TodayName()); }
  std::string LogOf(const wchar_t* prefix) { return ReadFileText(folder_ + L"\\Log\\" + prefix + TodayName()); }

  // The address that CreateControl logged, or "(none)".
  std::string LoggedAddress() {
    const std::string log = MainLog();
    const std::string marker = "|[Debug]|[CMainWnd::CreateControl]. url=";
    const size_t at = log.find(marker);
    if (at == std::string::npos) return "(none)";
    const size_t start = at + marker.size();
    return log.substr(start, log.find("\r\n", start) - start);
  }

  std::string LoggedSettingsPath() {
    const std::string log = MainLog();
    const std::string marker = "|[Debug]|CMainWnd::LoadLaunchSettings path=";
    const size_t at = log.find(marker);
    if (at == std::string::npos) return "(none)";
    const size_t start = at + marker.size();
    return log.substr(start, log.find("\r\n", start) - start);
  }

  void SetOrigin(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, kOriginKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
  }
  void SetOriginText(HKEY root, const wchar_t* name, const std::wstring& text) {
    SetOrigin(root, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  bool HasOrigin(HKEY root, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kOriginKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool has = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return has;
  }

  std::wstring folder_;
};

TEST_F(VeloraRun, CommandLineForms) {
  const std::wstring ini = folder_ + L"\\a.ini";
  struct Case {
    const char* name;
    std::wstring arguments;
    std::string settingsPath;  // "(none)" when the settings reader was not called
    std::string address;
  } cases[] = {
      {"empty", L"", "(none)", "http://game.test/play?ovqd=wd_chrome_&cpqd="},
      {"number", L"12345", "(none)", "http://game.test/play?ovqd=wd_chrome_12345&cpqd="},
      {"config and a path", L"config:" + ini, Utf8(ini), "http://game.test/play?ovqd=wd_chrome_&cpqd="},
      {"config alone", L"config:", "", "http://game.test/play?ovqd=wd_chrome_&cpqd="},
      {"capital C", L"Config:" + ini, "(none)", "http://game.test/play?ovqd=wd_chrome_Config:" + Utf8(ini) + "&cpqd="},
      {"chinese argument", L"\u6e38\u620f=1", "(none)", "http://game.test/play?ovqd=wd_chrome_\xe6\xb8\xb8\xe6\x88\x8f=1&cpqd="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteTree(folder_ + L"\\Log");
    // The program gets what follows its name; the blanks between are
    // skipped by the system, so a leading blank never reaches it.
    EXPECT_EQ(0u, RunMain(c.arguments));
    EXPECT_EQ(c.settingsPath, LoggedSettingsPath());
    EXPECT_EQ(c.address, LoggedAddress());
  }
}

TEST_F(VeloraRun, SettingsFileInGbkIsReadAndCut) {
  const std::wstring ini = folder_ + L"\\config\\abc.ini";
  CreateDirectoryW((folder_ + L"\\config").c_str(), nullptr);
  // GBK, as the starting side writes it on Chinese Windows: "官网" in GuanWang.
  const std::string longValue(300, 'k');
  WriteFileBytes(ini, "[LAUNCHER]\r\nGuanWang=http://g.test/\xb9\xd9\xcd\xf8\r\nKeFu=" + longValue +
                          "\r\nIconUrl=game.ico\r\n");
  EXPECT_EQ(0u, RunMain(L"config:" + ini));
  const std::string log = MainLog();
  EXPECT_NE(std::string::npos, log.find("GuanWang=http://g.test/\xe5\xae\x98\xe7\xbd\x91 LunTan= Chongzhi= KeFu=" +
                                        std::string(259, 'k') + " ByPhone= icon=" +
                                        Utf8(folder_ + L"\\skin\\image\\game.ico") + "\r\n"))
      << log;
}

TEST_F(VeloraRun, BadSettingsFilesAndLongCommandLine) {
  CreateDirectoryW((folder_ + L"\\afolder").c_str(), nullptr);
  std::string manyKeys = "[LAUNCHER]\r\n";
  for (int i = 0; i < 10000; ++i) manyKeys += "Key" + std::to_string(i) + "=value" + std::to_string(i) + "\r\n";
  manyKeys += "KeFu=found\r\n";
  WriteFileBytes(folder_ + L"\\many.ini", manyKeys);
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  WriteFileBytes(folder_ + L"\\binary.ini", binary);
  struct Case {
    const char* name;
    std::wstring arguments;
  } cases[] = {
      {"missing file", L"config:" + folder_ + L"\\missing.ini"},
      {"a folder", L"config:" + folder_ + L"\\afolder"},
      {"10000 keys", L"config:" + folder_ + L"\\many.ini"},
      {"binary", L"config:" + folder_ + L"\\binary.ini"},
      {"40000 characters", std::wstring(40000, L'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteTree(folder_ + L"\\Log");
    EXPECT_EQ(0u, RunMain(c.arguments));
    EXPECT_NE(std::string::npos, MainLog().find("==== WinMain exit ====")) << MainLog().substr(0, 2000);
  }
}

TEST_F(VeloraRun, OriginUnderBothRootsComesFromLocalMachine) {
  SetOriginText(HKEY_LOCAL_MACHINE, L"game-42", L"7,machine");
  SetOriginText(HKEY_CURRENT_USER, L"game-42", L"7,user");
  EXPECT_EQ(0u, RunMain(L"12345"));
  EXPECT_EQ("http://game.test/play?ovqd=wd_chrome_12345&cpqd=7,machine", LoggedAddress());
  EXPECT_FALSE(HasOrigin(HKEY_LOCAL_MACHINE, L"game-42"));
  EXPECT_TRUE(HasOrigin(HKEY_CURRENT_USER, L"game-42"));
  // The next start takes the one left under the current user.
  DeleteTree(folder_ + L"\\Log");
  EXPECT_EQ(0u, RunMain(L"12345"));
  EXPECT_EQ("http://game.test/play?ovqd=wd_chrome_12345&cpqd=7,user", LoggedAddress());
  EXPECT_FALSE(HasOrigin(HKEY_CURRENT_USER, L"game-42"));
}

TEST_F(VeloraRun, OriginValueCases) {
  const DWORD number = 0x00330037;  // "73" read as text
  struct Case {
    const char* name;
    bool withPkgid;
    const wchar_t* valueName;
    std::wstring text;  // REG_SZ unless dword
    bool dword;
    std::string origin;
    bool deleted;
  } cases[] = {
      {"empty pkgid reads the default value", false, L"", L"3,default", false, "3,default", true},
      {"129 characters", true, L"game-42", std::wstring(129, L'o'), false, std::string(129, 'o'), true},
      {"130 characters is absent", true, L"game-42", std::wstring(130, L'o'), false, "", false},
      {"wrong type is read as text", true, L"game-42", L"", true, "73", true},
      {"missing", true, L"other", L"1,x", false, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteTree(folder_ + L"\\Log");
    RegDeleteKeyW(HKEY_CURRENT_USER, kOriginKey);
    WriteSkin(c.withPkgid);
    if (c.dword)
      SetOrigin(HKEY_CURRENT_USER, c.valueName, REG_DWORD, &number, sizeof(number));
    else
      SetOriginText(HKEY_CURRENT_USER, c.valueName, c.text);
    EXPECT_EQ(0u, RunMain(L"1"));
    EXPECT_EQ("http://game.test/play?ovqd=wd_chrome_1&cpqd=" + c.origin, LoggedAddress());
    EXPECT_EQ(!c.deleted, HasOrigin(HKEY_CURRENT_USER, c.valueName));
    const std::string pkgid = c.withPkgid ? "game-42" : "";
    // "注册表删除项=%s" / "获取来源失败，pkgid=%s" at Trace: not in a Debug-only log.
    EXPECT_EQ(std::string::npos, MainLog().find("\xe6\xb3\xa8\xe5\x86\x8c\xe8\xa1\xa8"));
  }
}

TEST_F(VeloraRun, MainLogHasTheDebugLinesOnly) {
  EXPECT_EQ(0u, RunMain(L"5"));
  const std::string log = MainLog();
  for (const char* line : {"|[Debug]|===== main browser =====\r\n", "|[Debug]|=== WinMain cef shutdown ===\r\n",
                           "|[Debug]|==== WinMain exit ====\r\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(std::string::npos, log.find(line)) << log;
  }
  EXPECT_LT(log.find("===== main browser ====="), log.find("=== WinMain cef shutdown ==="));
  EXPECT_LT(log.find("=== WinMain cef shutdown ==="), log.find("==== WinMain exit ===="));
  EXPECT_EQ(std::string::npos, log.find("DSB...")) << log;
  EXPECT_EQ(std::string::npos, log.find("is_multi_threaded_message_loop")) << log;
  EXPECT_EQ(std::string::npos, log.find("[Info]")) << log;
}

TEST_F(VeloraRun, SubProcessesExitWithTheEngineResultIntoPrefixedFiles) {
  struct Case {
    const char* name;
    const wchar_t* arguments;
    const wchar_t* prefix;
    const char* banner;
  } cases[] = {
      {"renderer", L"--type=renderer", L"ovwebgame_render", "===== renderer browser ====="},
      {"gpu", L"--type=gpu-process", L"ovwebgame_other", "===== other browser ====="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DWORD code = RunSubProcess(c.arguments);
    const std::string log = LogOf(c.prefix);
    EXPECT_NE(std::string::npos, log.find(std::string("|[Debug]|") + c.banner + "\r\n")) << log;
    EXPECT_NE(std::string::npos,
              log.find("|[Debug]|----- WinMain exit_code=" + std::to_string(static_cast<int>(code)) + " -----\r\n"))
        << log;
  }
  // No window, no main-process file.
  EXPECT_EQ("", MainLog());
}

TEST_F(VeloraRun, CacheFolderIsBesideTheProgramWhateverTheCurrentFolder) {
  const std::wstring elsewhere = folder_ + L"_cwd";
  DeleteTree(elsewhere);
  CreateDirectoryW(elsewhere.c_str(), nullptr);
  EXPECT_EQ(0u, RunMain(L"1", elsewhere));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder_ + L"\\cookies").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((elsewhere + L"\\cookies").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((elsewhere + L"\\Log").c_str()));
  DeleteTree(elsewhere);
}

TEST_F(VeloraRun, LogFolderThatCannotBeMadeDoesNotStopTheProgram) {
  // A file where the Log folder belongs: no day file can be opened.
  WriteFileBytes(folder_ + L"\\Log", "not a folder");
  EXPECT_EQ(0u, RunMain(L"1"));
  EXPECT_EQ("not a folder", ReadFileText(folder_ + L"\\Log"));
}

}  // namespace
