// Preloads and the game start of the real Rundle.exe under Wine, with probe
// programs that record how they were started.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "rundle_folder_win.h"

#include <tlhelp32.h>
#include "start_log.h"

using namespace rundle_test;

namespace {

std::wstring NoTrailingSeparator(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

bool WaitForExit(HANDLE process, DWORD ms) { return WaitForSingleObject(process, ms) == WAIT_OBJECT_0; }

// Places a probe program; returns its path.
std::wstring PlaceProbe(const std::wstring& path) {
  SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
  EXPECT_TRUE(CopyProgram(RUNDLE_START_PROBE_EXE, path)) << Narrow(path);
  return path;
}

// Rundle reads the "64" game keys on 64-bit Windows (as Wine's 64-bit
// programs see it) and the plain ones otherwise; the tests write both.
std::string GameKeys(const std::string& before, const std::string& exe, const std::string& param) {
  std::string keys;
  for (const char* suffix : {"", "64"}) {
    if (!before.empty()) keys += "BeforeExePath" + std::string(suffix) + "=" + before + "\r\n";
    keys += "GameExe" + std::string(suffix) + "=" + exe + "\r\n";
    if (!param.empty()) keys += "Param" + std::string(suffix) + "=" + param + "\r\n";
  }
  return keys;
}

class GameStartTest : public testing::Test {
 protected:
  void SetUp() override {
    work_ = TestRoot() + L"\\" + CurrentTestName();
    RemoveTree(work_);
    SHCreateDirectoryExW(nullptr, work_.c_str(), nullptr);
  }
  void TearDown() override {
    rundle_.reset();
    RemoveTree(work_);
  }
  RundleFolder& MakeRundle(const std::wstring& dir) {
    rundle_ = std::make_unique<RundleFolder>(dir);
    return *rundle_;
  }

  std::wstring work_;
  std::unique_ptr<RundleFolder> rundle_;
};

// No cafe client runs, so code 0: the DefSoft preloads run one after another
// and the game waits for the preload marked with Wait.
TEST_F(GameStartTest, WaitedPreloadHoldsUpTheDefSoftGame) {
  RundleFolder& r = MakeRundle(work_ + L"\\starter");
  const std::wstring pre0 = PlaceProbe(r.Path(L"pre0.exe"));
  const std::wstring pre1 = PlaceProbe(r.Path(L"tools\\pre1.exe"));
  const std::wstring game = PlaceProbe(r.Path(L"game.exe"));
  r.WriteIni("[DefSoft]\r\nNum=3\r\n" + GameKeys("", "game.exe", "-play 1") +
             "[DefSoft_PreLoad0]\r\nWait=1\r\nExe=pre0.exe\r\n"
             "[DefSoft_PreLoad1]\r\nExe=\r\n"
             "[DefSoft_PreLoad2]\r\nExe=.\\tools\\pre1.exe\r\nParam=-x \"y z\"\r\n");
  WriteFileBytes(pre0 + L".hold", "");

  HANDLE rundle = r.Start();
  ASSERT_NE(nullptr, rundle);
  const ProbeRecord first = ReadProbe(pre0, 20000);
  ASSERT_TRUE(first.present);
  // The waited preload still runs: nothing after it has started.
  Sleep(500);
  EXPECT_FALSE(WaitForExit(rundle, 0));
  EXPECT_FALSE(Exists(pre1 + L".rec"));
  EXPECT_FALSE(Exists(game + L".rec"));
  DeleteFileW((pre0 + L".hold").c_str());
  ASSERT_TRUE(WaitForExit(rundle, 30000));
  DWORD exitCode = 1;
  GetExitCodeProcess(rundle, &exitCode);
  CloseHandle(rundle);
  EXPECT_EQ(0u, exitCode);

  // An empty Param still gives the blank after the quoted path.
  EXPECT_EQ("\"" + Narrow(pre0) + "\" ", first.commandLine);
  EXPECT_EQ(Narrow(r.dir()), Narrow(NoTrailingSeparator(Widen(first.directory))));
  const ProbeRecord second = ReadProbe(pre1, 10000);
  EXPECT_EQ("\"" + Narrow(pre1) + "\" -x \"y z\"", second.commandLine);
  EXPECT_EQ(Narrow(r.dir()), Narrow(NoTrailingSeparator(Widen(second.directory))));
  const ProbeRecord started = ReadProbe(game, 10000);
  ASSERT_TRUE(started.present);
  // The game path is unquoted; the empty before-path leaves a doubled
  // separator in front of the program name.
  EXPECT_EQ(Narrow(r.dir()) + "\\\\game.exe -play 1", started.commandLine);
  EXPECT_EQ(Narrow(r.dir()), started.directory);

  const std::string log = r.Log();
  SCOPED_TRACE(log);
  const size_t p0 = log.find("ProcessPreload CreateProcess_0. success");
  const size_t p2 = log.find("ProcessPreload CreateProcess_2. success");
  const size_t error = log.find(std::string("|[Error]|") + kTextNotOemEnv);
  ASSERT_NE(std::string::npos, p0);
  ASSERT_NE(std::string::npos, p2);
  ASSERT_NE(std::string::npos, error);
  EXPECT_LT(p0, p2);
  EXPECT_LT(p2, error);
  EXPECT_FALSE(Contains(log, "CreateProcess_1"));  // empty Exe: passed over silently
}

// The four ways of starting the game differ in the working directory and
// in the CurrentPath line.
TEST_F(GameStartTest, RunOptionsAndBeforePath) {
  struct Case {
    int option;
    bool directoryIsBin;  // else Rundle's directory
    bool currentPathLine;
  } cases[] = {
      {0, true, true},
      {1, false, false},
      {7, true, true},  // unknown options start like 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "RunOption " << c.option);
    RundleFolder& r = MakeRundle(work_ + L"\\option" + std::to_wstring(c.option));
    const std::wstring game = PlaceProbe(r.Path(L"bin\\game.exe"));
    r.WriteIni("[DefSoft]\r\nRunOption=" + std::to_string(c.option) + "\r\n" + GameKeys("bin", "game.exe", "-w"));
    ASSERT_EQ(0, r.Run());
    const ProbeRecord started = ReadProbe(game, 10000);
    ASSERT_TRUE(started.present);
    EXPECT_EQ(Narrow(c.directoryIsBin ? r.Path(L"bin") : r.dir()), started.directory);
    EXPECT_TRUE(Contains(started.commandLine, Narrow(r.Path(L"bin\\game.exe")))) << started.commandLine;
    EXPECT_TRUE(Contains(started.commandLine, " -w")) << started.commandLine;
    const std::string line = "RunGameOption: EnvDetImp::ProcessRunGame. CurrentPath: " + Narrow(r.Path(L"bin"));
    EXPECT_EQ(c.currentPathLine, Contains(r.Log(), line)) << r.Log();
  }
}

// A game below a folder with a blank in its name starts with option 0 and
// 2, and a program named after the path's first word does not.
TEST_F(GameStartTest, GamePathWithBlankStartsThatGame) {
  for (int option : {0, 2}) {
    SCOPED_TRACE(testing::Message() << "RunOption " << option);
    RundleFolder& r = MakeRundle(work_ + L"\\option" + std::to_wstring(option));
    const std::wstring game = PlaceProbe(r.Path(L"my games\\game.exe"));
    const std::wstring decoy = PlaceProbe(r.Path(L"my.exe"));
    r.WriteIni("[DefSoft]\r\nRunOption=" + std::to_string(option) + "\r\n" + GameKeys("my games", "game.exe", "-z"));
    ASSERT_EQ(0, r.Run());
    const ProbeRecord started = ReadProbe(game, 10000);
    ASSERT_TRUE(started.present);
    EXPECT_EQ("\"" + Narrow(r.Path(L"my games\\game.exe")) + "\" -z", started.commandLine);
    EXPECT_FALSE(ReadProbe(decoy, 1000).present);
  }
}

// Ends the browser processes ("iexplore.exe") that a run started in this
// test's prefix; returns how many there were, waiting up to `ms` for one.
int EndBrowsers(int ms) {
  int ended = 0;
  for (int waited = 0; waited <= ms && ended == 0; waited += 100) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      if (_wcsicmp(entry.szExeFile, L"iexplore.exe") != 0) continue;
      HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
      if (!process) continue;
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
      ++ended;
    }
    CloseHandle(snapshot);
    if (ended == 0) Sleep(100);
  }
  return ended;
}

// Option 3 hands the game text as written to the shell; when the shell
// cannot open it, Internet Explorer is asked to, and the line records that
// call's result.
TEST_F(GameStartTest, RunOptionThreeOpensTheTextOrFallsBackToTheBrowser) {
  struct Case {
    const char* name;
    bool opensDirectly;
  } cases[] = {{"program", true}, {"unknown", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RundleFolder& r = MakeRundle(work_ + L"\\" + Widen(c.name));
    const std::wstring game = PlaceProbe(r.Path(L"bin\\game.exe"));
    // Written as is: neither joined with the before-path nor resolved.
    const std::string text = c.opensDirectly ? Narrow(game) : Narrow(r.Path(L"nosuch\\page.xyz"));
    r.WriteIni("[DefSoft]\r\nRunOption=3\r\n" + GameKeys("elsewhere", text, "-ignored"));
    ASSERT_EQ(0, r.Run());
    const std::string log = r.Log();
    if (c.opensDirectly) {
      const ProbeRecord started = ReadProbe(game, 10000);
      ASSERT_TRUE(started.present);
      EXPECT_FALSE(Contains(started.commandLine, "-ignored")) << started.commandLine;
      EXPECT_FALSE(Contains(log, "iexplore")) << log;
      EXPECT_EQ(0, EndBrowsers(300));
    } else {
      // Wine's own browser stands in for Internet Explorer.
      EXPECT_EQ(1, EndBrowsers(10000));
      const size_t at = log.find("EnvDetImp::ProcessRunGame. iexplore: ");
      ASSERT_NE(std::string::npos, at) << log;
      EXPECT_LT(32, std::atoi(log.c_str() + at + std::strlen("EnvDetImp::ProcessRunGame. iexplore: "))) << log;
    }
  }
}

TEST_F(GameStartTest, GameOneFolderUp) {
  RundleFolder& r = MakeRundle(work_ + L"\\starter");
  const std::wstring game = PlaceProbe(work_ + L"\\game.exe");
  r.WriteIni("[DefSoft]\r\n" + GameKeys("", "..\\game.exe", ""));
  ASSERT_EQ(0, r.Run());
  const ProbeRecord started = ReadProbe(game, 10000);
  ASSERT_TRUE(started.present);
  // The empty before-path leaves the doubled separator; the platform takes it.
  EXPECT_EQ(Narrow(work_) + "\\\\game.exe ", started.commandLine);
}

// From a folder one level below the drive, ..\..\..\x.exe climbs past the
// drive: the path is empty, nothing is started (not even a program named in
// the arguments), and the run goes on to its end.
TEST_F(GameStartTest, PathAboveTheDriveStartsNothing) {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring shallow = std::wstring(windows).substr(0, 3) + L"rundle_shallow";
  RundleFolder& r = MakeRundle(shallow);
  const std::wstring pre1 = PlaceProbe(r.Path(L"pre1.exe"));
  const std::wstring decoy = PlaceProbe(r.Path(L"decoy.exe"));
  r.WriteIni("[DefSoft]\r\nNum=2\r\n" + GameKeys("", "..\\..\\..\\x.exe", "decoy.exe") +
             "[DefSoft_PreLoad0]\r\nExe=..\\..\\..\\x.exe\r\nParam=decoy.exe\r\n"
             "[DefSoft_PreLoad1]\r\nExe=pre1.exe\r\n");
  ASSERT_EQ(0, r.Run());
  EXPECT_TRUE(ReadProbe(pre1, 10000).present);
  EXPECT_FALSE(ReadProbe(decoy, 1500).present);
  const std::string log = r.Log();
  EXPECT_TRUE(Contains(log, "ProcessPreload CreateProcess_0. failed")) << log;
  EXPECT_TRUE(Contains(log, "ProcessPreload CreateProcess_1. success")) << log;
  EXPECT_TRUE(Contains(log, kTextNotOemEnv)) << log;
}

// A cafe client runs and the registry says 1 (PavlixSoft): its preloads run,
// and as its section names no game, the DefSoft game starts; the DefSoft
// preloads do not run.
TEST_F(GameStartTest, OwnPreloadsThenDefSoftGame) {
  RundleFolder& r = MakeRundle(work_ + L"\\starter");
  const std::wstring client = PlaceProbe(work_ + L"\\client\\Tallowview.exe");
  const std::wstring own = PlaceProbe(r.Path(L"own.exe"));
  const std::wstring def = PlaceProbe(r.Path(L"def.exe"));
  const std::wstring game = PlaceProbe(r.Path(L"game.exe"));
  r.WriteIni("[PavlixSoft]\r\nNum=1\r\n[PavlixSoft_PreLoad0]\r\nExe=own.exe\r\n"
             "[DefSoft]\r\nNum=1\r\n" + GameKeys("", "game.exe", "") +
             "[DefSoft_PreLoad0]\r\nExe=def.exe\r\n");

  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Pavlix8\\GameClickOrigin", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition));
  const wchar_t value[] = L"1,rundle start test";
  RegSetValueExW(key, L"RundleStartTest", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);

  WriteFileBytes(client + L".hold", "");
  std::wstring line = L"\"" + client + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ReadProbe(client, 10000);

  const int exitCode = r.Run();

  DeleteFileW((client + L".hold").c_str());
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  RegDeleteValueW(key, L"RundleStartTest");
  RegCloseKey(key);
  if (disposition == REG_CREATED_NEW_KEY) RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Pavlix8\\GameClickOrigin");

  EXPECT_EQ(0, exitCode);
  EXPECT_TRUE(ReadProbe(own, 10000).present);
  EXPECT_TRUE(ReadProbe(game, 10000).present);
  EXPECT_FALSE(ReadProbe(def, 1000).present);
  const std::string log = r.Log();
  SCOPED_TRACE(log);
  const size_t preload = log.find("ProcessPreload CreateProcess_0. success");
  const size_t detected = log.find("|[Info]|\xbc\xec\xb2\xe2\xb5\xbd\xbb\xb7\xbe\xb3\xb1\xea\xca\xb6:1");
  ASSERT_NE(std::string::npos, preload);
  ASSERT_NE(std::string::npos, detected);
  EXPECT_LT(preload, detected);
  EXPECT_EQ(1u, CountOf(log, "ProcessPreload CreateProcess_"));
  EXPECT_FALSE(Contains(log, kTextNotOemEnv));
}

}  // namespace
