// Runs of the real Rundle.exe under Wine, each in a fresh folder with its own
// Rundle.ini, real stand-in client processes, real registry values and the
// platform's mutex; what the run did is read from its log file.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "env_det_imp.h"
#include "env_det_win.h"
#include "rundle_test_util_win.h"

namespace {

using namespace rundle_test;

constexpr int kNoClient = INT_MIN;

std::string NotOemLine() { return "[Error]|" + Gbk("非网维oem版本环境"); }
std::string CodeLine(int code) { return "[Info]|" + Gbk("检测到环境标识:") + std::to_string(code); }
std::string ProductNamePrefix() { return "[Info]|" + Gbk("网维客户端的产品名称:"); }

// Lines of the log without their time and thread prefix.
std::vector<std::string> Bodies(const std::string& log) {
  std::vector<std::string> bodies;
  for (const std::string& line : Lines(log)) {
    size_t at = line.find("]|[");
    at = at == std::string::npos ? std::string::npos : line.find("]|", at + 3);
    bodies.push_back(at == std::string::npos ? line : line.substr(at + 2));
  }
  return bodies;
}

bool HasBody(const std::string& log, const std::string& body) {
  for (const std::string& b : Bodies(log))
    if (b == body) return true;
  return false;
}

bool HasBodyStarting(const std::string& log, const std::string& prefix) {
  for (const std::string& b : Bodies(log))
    if (b.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

// Test-held copy of the platform's mutex.
class HeldMutex {
 public:
  explicit HeldMutex(bool hold) : handle_(hold ? CreateMutexW(nullptr, FALSE, RUNDLE_PLATFORM_MUTEX) : nullptr) {}
  ~HeldMutex() {
    if (handle_) CloseHandle(handle_);
  }

 private:
  HANDLE handle_;
};

// The expected result of a run: the code line, or the error line when no
// client runs.
void ExpectCode(const RunResult& run, int code) {
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_EQ(0u, run.exitCode);
  if (code == kNoClient) {
    EXPECT_TRUE(HasBody(run.log, NotOemLine())) << run.log;
    EXPECT_FALSE(HasBodyStarting(run.log, CodeLine(0).substr(0, CodeLine(0).size() - 1))) << run.log;
  } else {
    EXPECT_TRUE(HasBody(run.log, CodeLine(code))) << run.log;
    EXPECT_FALSE(HasBody(run.log, NotOemLine())) << run.log;
  }
}

VersionInfo Version(const std::wstring& name, const std::wstring& version) {
  VersionInfo info;
  info.productName = name;
  info.productVersion = version;
  return info;
}

struct DetectCase {
  const char* name;
  bool tallow;                   // Tallowview.exe runs
  bool tallowHasResource;        // ... with a version resource
  VersionInfo tallowVersion;
  bool ovplay;                   // ovplay.exe runs
  bool key;                      // GameClickOrigin exists
  std::vector<RegValue> values;
  bool mutexHeld;
  int expected;
  bool productNameLogged;
};

RegValue Sz(const wchar_t* name, const wchar_t* text) { return {name, REG_SZ, text, 0}; }
RegValue Dword(const wchar_t* name, DWORD n) { return {name, REG_DWORD, L"", n}; }

TEST(RundleRun, DetectionTable) {
  const std::wstring longText = L"3," + std::wstring(5000, L'x');  // 10 kB: beyond the 8 kB read
  const DetectCase cases[] = {
      {"no client: registry and mutex not consulted", false, false, {}, false, true,
       {Sz(L"game", L"3,abc")}, true, kNoClient, false},
      {"only ovplay, no key", false, false, {}, true, false, {}, false, 0, false},
      {"only ovplay, no key, mutex exists", false, false, {}, true, false, {}, true, 5, false},
      {"name with 网维 and 9.1.2.0", true, true, Version(L"网维大师客户端", L"9.1.2.0"), false, false, {},
       false, 4, true},
      {"name with 网维 and 9.0.5.1", true, true, Version(L"网维大师客户端", L"9.0.5.1"), false, false, {},
       false, 1, true},
      {"name Tallowview.exe and 9,2,0,1", true, true, Version(L"Tallowview.exe", L"9,2,0,1"), false,
       false, {}, false, 4, true},
      {"Quillon and 网维", true, true, Version(L"Quillon 网维", L"9.1.0.0"), false, false, {}, false, 3,
       true},
      {"Torrel", true, true, Version(L"Torrel Agent", L"1.0"), true, false, {}, false, 2, true},
      {"unknown name", true, true, Version(L"Other Tool", L"9.1.0.0"), false, false, {}, false, 0, true},
      {"client without version resource", true, false, {}, false, false, {}, false, 0, false},
      {"registry 3 wins over the name", true, true, Version(L"网维", L"9.1.2.0"), false, true,
       {Sz(L"game", L"3,abc,def")}, false, 3, false},
      {"registry 1 still takes the version test", true, true, Version(L"Other", L"9.1.2.0"), false, true,
       {Sz(L"game", L"1,abc")}, false, 4, false},
      {"registry 0 falls back to the name", true, true, Version(L"网维", L"1.0.0.0"), false, true,
       {Sz(L"game", L"0,abc")}, false, 1, true},
      {"key without values", true, true, Version(L"网维", L"9.1.2.0"), false, true, {}, false, -1, false},
      {"only DWORD values", true, true, Version(L"网维", L"9.1.2.0"), false, true,
       {Dword(L"a", 3), Dword(L"b", 1)}, false, -1, false},
      {"empty, expandable and oversized strings", true, true, Version(L"网维", L"9.1.2.0"), false, true,
       {Sz(L"a", L""), {L"b", REG_EXPAND_SZ, L"2,x", 0}, {L"c", REG_SZ, longText, 0}}, false, -1, false},
      {"first usable string after a DWORD", false, false, {}, true, true,
       {Dword(L"a", 3), Sz(L"b", L"2,x")}, false, 2, false},
      {"unknown code kept", false, false, {}, true, true, {Sz(L"g", L"17,x")}, false, 17, false},
      {"mutex turns 4 into 5", true, true, Version(L"网维", L"9.1.2.0"), false, false, {}, true, 5, true},
      {"mutex turns -1 into 5", true, true, Version(L"网维", L"9.1.2.0"), true, true, {}, true, 5, false},
  };
  const std::wstring clients = FreshFolder(L"detect_clients");
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = FreshFolder(L"detect_" + std::to_wstring(index++));
    ASSERT_TRUE(WriteBytes(folder + L"\\Rundle.ini", "[General]\r\nlogLevel=1\r\n"));
    std::unique_ptr<ScopedRegistryKey> key;
    if (c.key) key.reset(new ScopedRegistryKey(HKEY_LOCAL_MACHINE, RUNDLE_GAME_CLICK_KEY, c.values));
    std::unique_ptr<FakeClient> tallow, ovplay;
    if (c.tallow) {
      tallow.reset(new FakeClient(clients, L"Tallowview.exe", c.tallowHasResource ? &c.tallowVersion : nullptr));
      ASSERT_TRUE(tallow->running());
    }
    if (c.ovplay) {
      ovplay.reset(new FakeClient(clients, L"ovplay.exe", nullptr));
      ASSERT_TRUE(ovplay->running());
    }
    HeldMutex mutex(c.mutexHeld);
    const RunResult run = RunRundle(folder);
    ExpectCode(run, c.expected);
    EXPECT_EQ(c.productNameLogged, HasBodyStarting(run.log, ProductNamePrefix())) << run.log;
  }
}

TEST(RundleRun, ProductNameIsLoggedInTheNarrowCodePage) {
  const std::wstring clients = FreshFolder(L"name_clients");
  const std::wstring folder = FreshFolder(L"name_line");
  const VersionInfo version = Version(L"Torrel Agent 7", L"1.2");
  FakeClient tallow(clients, L"TALLOWVIEW.EXE", &version);
  ASSERT_TRUE(tallow.running());
  const RunResult run = RunRundle(folder);
  EXPECT_TRUE(HasBody(run.log, ProductNamePrefix() + "Torrel Agent 7")) << run.log;
  ExpectCode(run, 2);
}

TEST(RundleRun, SecondRundleWhileTheFirstRunsTakesCode5) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, RUNDLE_GAME_CLICK_KEY);
  const std::wstring clients = FreshFolder(L"second_clients");
  FakeClient ovplay(clients, L"ovplay.exe", nullptr);
  ASSERT_TRUE(ovplay.running());
  // The first Rundle waits for its preload, a program that runs until the
  // test ends it, and keeps its mutex meanwhile.
  const std::wstring first = FreshFolder(L"second_first");
  ASSERT_TRUE(CopyFileW(HostPath(RUNDLE_FAKE_CLIENT_EXE).c_str(), (first + L"\\holder.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteBytes(first + L"\\Rundle.ini",
                         "[DefSoft]\r\nNum=1\r\n[DefSoft_PreLoad0]\r\nWait=1\r\nExe=holder.exe\r\n"));
  HANDLE firstRun = StartRundle(first);
  ASSERT_NE(nullptr, firstRun);
  // Whatever fails below, neither the holder nor the first Rundle outlives the test.
  struct Cleanup {
    HANDLE run;
    ~Cleanup() {
      KillProcesses(L"holder.exe");
      if (WaitForSingleObject(run, 10000) != WAIT_OBJECT_0) TerminateProcess(run, 1);
      CloseHandle(run);
    }
  } cleanup{firstRun};
  ASSERT_TRUE(WaitForProcess(L"holder.exe", 20000));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(firstRun, 0));

  ExpectCode(RunRundle(FreshFolder(L"second_second")), 5);

  EXPECT_EQ(1, KillProcesses(L"holder.exe"));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(firstRun, 30000));
  DWORD exitCode = 1;
  GetExitCodeProcess(firstRun, &exitCode);
  EXPECT_EQ(0u, exitCode);
  const std::string log = ReadBytes(first + L"\\log\\" + DayLogName(L"Rundle", 0));
  EXPECT_TRUE(HasBody(log, CodeLine(0))) << log;
}

TEST(RundleRun, MutexIsNotLeftBehind) {
  // Rundle's own mutex handle ends with Rundle: a later run sees no platform.
  const std::wstring clients = FreshFolder(L"mutex_clients");
  FakeClient ovplay(clients, L"ovplay.exe", nullptr);
  ASSERT_TRUE(ovplay.running());
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ExpectCode(RunRundle(FreshFolder(L"mutex_run")), 0);
  }
}

class RundleSettingsRun : public ::testing::Test {
 protected:
  void SetUp() override {
    clients_ = FreshFolder(L"settings_clients");
    // With a client running and no registry key the run writes the Info line
    // "code 0", which shows whether the mask lets Info through.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, RUNDLE_GAME_CLICK_KEY);
    ovplay_.reset(new FakeClient(clients_, L"ovplay.exe", nullptr));
    ASSERT_TRUE(ovplay_->running());
  }
  void TearDown() override { ovplay_.reset(); }

  static bool InfoWritten(const RunResult& run) { return HasBody(run.log, CodeLine(0)); }

  std::wstring clients_;
  std::unique_ptr<FakeClient> ovplay_;
};

TEST_F(RundleSettingsRun, LogLevelSelectsTheMask) {
  const struct {
    const char* logLevel;  // nullptr: no key
    bool info;
  } cases[] = {{"1", true},  {"0", true},   {"6", true},  {"text", true}, {nullptr, true},
               {"2", true},  {"3", false},  {"3x", false}, {"4", false}, {"5", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.logLevel ? c.logLevel : "(absent)");
    const std::wstring folder = FreshFolder(L"loglevel");
    const std::string ini = c.logLevel ? std::string("[General]\r\nlogLevel=") + c.logLevel + "\r\n"
                                       : std::string("[General]\r\nother=1\r\n");
    ASSERT_TRUE(WriteBytes(folder + L"\\Rundle.ini", ini));
    const RunResult run = RunRundle(folder);
    ASSERT_TRUE(run.finished) << run.error;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(c.info, InfoWritten(run)) << run.log;
  }
}

TEST_F(RundleSettingsRun, SettingsPathFollowsTheModulePath) {
  // A folder named like a program is mapped too: game.exe\Rundle.exe reads
  // game.ini\Rundle.ini.
  const std::wstring root = FreshFolder(L"mapping");
  const std::wstring exeFolder = root + L"\\game.exe";
  const std::wstring iniFolder = root + L"\\game.ini";
  CreateDirectoryW(exeFolder.c_str(), nullptr);
  CreateDirectoryW(iniFolder.c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(iniFolder + L"\\Rundle.ini", "[General]\r\nlogLevel=2\r\n"));
  ASSERT_TRUE(WriteBytes(exeFolder + L"\\Rundle.ini", "[General]\r\nlogLevel=3\r\n"));
  RunResult run = RunRundle(exeFolder);
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_TRUE(InfoWritten(run)) << run.log;

  // Capitals are not mapped: RUNDLE.EXE is its own settings file, so the
  // RUNDLE.ini beside it is ignored and the defaults apply.
  const std::wstring upper = FreshFolder(L"mapping_upper");
  ASSERT_TRUE(WriteBytes(upper + L"\\RUNDLE.ini", "[General]\r\nlogLevel=3\r\n"));
  run = RunRundle(upper, L"RUNDLE.EXE");
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_EQ(upper + L"\\log\\" + DayLogName(L"RUNDLE", 0), run.logFile);
  EXPECT_TRUE(InfoWritten(run)) << run.log;
}

TEST_F(RundleSettingsRun, ReadOnlyHiddenSettingsAreReadAndLeftNormal) {
  const std::wstring folder = FreshFolder(L"attributes");
  const std::wstring ini = folder + L"\\Rundle.ini";
  ASSERT_TRUE(WriteBytes(ini, "[General]\r\nlogLevel=3\r\n"));
  ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                  FILE_ATTRIBUTE_SYSTEM));
  const RunResult run = RunRundle(folder);
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_FALSE(InfoWritten(run)) << run.log;
  const DWORD attributes = GetFileAttributesW(ini.c_str());
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
  EXPECT_EQ(0u, attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(RundleSettingsRun, BadSettingsFilesLeaveTheDefaults) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919 + 13) % 256);
  std::string huge;
  while (huge.size() < 4 * 1024 * 1024) huge += "[S" + std::to_string(huge.size()) + "]\r\nkey=value\r\n";
  const std::string longDigits = std::string(5000, '3');
  const std::string longValues =
      "[General]\r\nlogLevel=" + longDigits + "\r\n[DefSoft]\r\nNum=2147483647\r\nGameExe=" +
      std::string(5000, 'g') + "\r\n[Copy]\r\nNum=1\r\n[Copy0]\r\nIsFile=1\r\nSrc=" + std::string(5000, 's') +
      "\r\nDst=" + std::string(5000, 'd') + "\r\n";
  const struct {
    const char* name;
    const std::string* content;  // nullptr: no file
    bool directory;              // Rundle.ini is a folder
    bool locked;                 // held open without sharing during the run
    bool info;
  } cases[] = {
      {"missing", nullptr, false, false, true},
      {"folder", nullptr, true, false, true},
      {"binary", &binary, false, false, true},
      {"megabytes", &huge, false, false, true},
      {"5000-character values", &longValues, false, false, true},
      {"locked", &longValues, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = FreshFolder(L"bad_settings");
    const std::wstring ini = folder + L"\\Rundle.ini";
    if (c.content) {
      ASSERT_TRUE(WriteBytes(ini, *c.content));
    }
    if (c.directory) CreateDirectoryW(ini.c_str(), nullptr);
    HANDLE lock = c.locked ? CreateFileW(ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr)
                           : INVALID_HANDLE_VALUE;
    const RunResult run = RunRundle(folder);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    ASSERT_TRUE(run.finished) << run.error;
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(c.info, InfoWritten(run)) << run.log;
  }

  // Only the first 31 characters of an integer key count: "3" followed by
  // 4999 letters is 3.
  const std::wstring folder = FreshFolder(L"bad_settings_3x");
  ASSERT_TRUE(WriteBytes(folder + L"\\Rundle.ini", "[General]\r\nlogLevel=3" + std::string(4999, 'x') + "\r\n"));
  const RunResult run = RunRundle(folder);
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_FALSE(InfoWritten(run)) << run.log;
}

TEST(RundleRunLog, FileNameLineLayoutAndOldDays) {
  const std::wstring folder = FreshFolder(L"log_layout");
  const std::wstring logFolder = folder + L"\\log";
  CreateDirectoryW(logFolder.c_str(), nullptr);
  const int days[] = {1, 7, 8, 20, 31, 32, 40};
  for (int n : days) ASSERT_TRUE(WriteBytes(logFolder + L"\\" + DayLogName(L"Rundle", n), "old\r\n"));
  ASSERT_TRUE(WriteBytes(logFolder + L"\\" + DayLogName(L"Other", 10), "other\r\n"));
  ASSERT_TRUE(WriteBytes(logFolder + L"\\" + DayLogName(L"Rundle", 0), "earlier run\r\n"));

  const RunResult run = RunRundle(folder);
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_EQ(0u, run.exitCode);
  for (int n : days) {
    SCOPED_TRACE(n);
    const bool kept = n <= 7 || n > 31;
    EXPECT_EQ(kept, GetFileAttributesW((logFolder + L"\\" + DayLogName(L"Rundle", n)).c_str()) !=
                        INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((logFolder + L"\\" + DayLogName(L"Other", 10)).c_str()));

  // Appended to today's file, CR LF line ends, no byte-order mark.
  const auto lines = Lines(run.log);
  ASSERT_EQ(2u, lines.size()) << run.log;
  EXPECT_EQ("earlier run", lines[0]);
  const std::regex layout(R"(\[\d\d:\d\d:\d\d\.\d{3}\]\|\[[0-9a-f]{4,}\]\|\[Error\]\|.*)");
  EXPECT_TRUE(std::regex_match(lines[1], layout)) << lines[1];
  EXPECT_EQ(NotOemLine(), Bodies(run.log)[1]);
  EXPECT_EQ("\r\n", run.log.substr(run.log.size() - 2));
  EXPECT_EQ(std::string::npos, run.log.find("\r\r\n"));
  // Every line is echoed to standard output as well.
  EXPECT_NE(std::string::npos, run.output.find(lines[1])) << run.output;
}

TEST(RundleRunLog, UnusableLogFolderDoesNotStopTheRun) {
  const std::wstring folder = FreshFolder(L"log_blocked");
  // A file where the log folder should be: no folder, no log file.
  ASSERT_TRUE(WriteBytes(folder + L"\\log", "not a folder"));
  const RunResult run = RunRundle(folder);
  ASSERT_TRUE(run.finished) << run.error;
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_TRUE(run.log.empty());
}

TEST(RundleProgram, GuiSubsystemWithAsInvokerManifest) {
  const std::wstring exe = HostPath(RUNDLE_EXE);
  HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(nullptr, image);
  HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(nullptr, found);
  const char* text = static_cast<const char*>(LockResource(LoadResource(image, found)));
  const std::string manifest(text, SizeofResource(image, found));
  FreeLibrary(image);
  EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\"")) << manifest;
  EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\"")) << manifest;
  EXPECT_EQ(std::string::npos, manifest.find("supportedOS")) << manifest;

  const std::string pe = ReadBytes(exe);
  ASSERT_GT(pe.size(), 0x200u);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pe.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pe.data() + dos->e_lfanew);
  EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

}  // namespace
