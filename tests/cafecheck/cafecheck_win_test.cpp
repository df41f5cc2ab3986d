// CafeCheck.exe run in prepared installations under Wine: a complete one
// (exit 0, report and zip with both programs' logs), incomplete ones (exit 1
// with the fault named), Rundle's plan against what Rundle.exe really does in
// the same folder, and the cafe answer with and without the test bar-client
// server.
#include "win_include.h"

#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cafecheck_win.h"
#include "env_det_imp.h"
#include "fixture_support.h"
#include "velora_version.h"
#include "zip_reader.h"

namespace {

using veyra_test::WinPath;

const std::wstring kWork = WinPath(CAFECHECK_WORK_DIR);

std::wstring Join(const std::wstring& a, const std::wstring& b) { return a + L"\\" + b; }

std::string Utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::string ReadAll(const std::wstring& path) {
  std::string out;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return out;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got > 0) out.append(buffer, got);
  CloseHandle(f);
  return out;
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
  SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f) << Utf8(path);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::wstring& dir) {
  if (!Exists(dir)) return;
  std::wstring from = dir;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

void CopyInto(const char* build_path, const std::wstring& to) {
  SHCreateDirectoryExW(nullptr, to.substr(0, to.rfind(L'\\')).c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(WinPath(build_path).c_str(), to.c_str(), FALSE)) << build_path;
}

// Runs a program to its end; its exit code, or -1.
int RunProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& dir) {
  std::wstring line = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

// The demo's sample cafe: Rundle.exe with its Rundle.ini, a preload and a
// game (the recording probe), and what the copy plan places.
const char kRundleIni[] =
    "[General]\r\nlogLevel=2\r\n\r\n"
    "[Copy]\r\nNum=2\r\n\r\n"
    "[Copy0]\r\nIsFile=1\r\nSrc=config\\settings.cfg\r\nDst=$CSIDL_APPDATA$\\CafeCheckGame\\settings.cfg\r\n\r\n"
    "[Copy1]\r\nIsFile=0\r\nSrc=data\r\nDst=$CSIDL_LOCAL_APPDATA$\\CafeCheckGame\\data\r\n\r\n"
    "[DefSoft]\r\nNum=1\r\nRunOption=0\r\n"
    "BeforeExePath=game\r\nGameExe=SampleGame.exe\r\nParam=-mode windowed\r\n"
    "BeforeExePath64=game\r\nGameExe64=SampleGame.exe\r\nParam64=-mode windowed\r\n\r\n"
    "[DefSoft_PreLoad0]\r\nWait=1\r\nExe=tools\\preload.exe\r\nParam=--prepare\r\n";

// One installation: the tool, Veyra.dll, Velora.exe (or a stand-in with the
// suite's version resource where the frame is not built), the sample skin,
// the sample cafe (folder "cafe") and a log of each program.
class Install {
 public:
  explicit Install(const std::wstring& name) : root_(Join(kWork, name)) {
    RemoveTree(root_);
    CopyInto(CAFECHECK_EXE, Join(root_, L"CafeCheck.exe"));
    CopyInto(VEYRA_DLL, Join(root_, L"Veyra.dll"));
    CopyInto(VELORA_EXE, Join(root_, L"Velora.exe"));
    for (const char* f : {"config.xml", "GameFrame.xml", "GameFrameVertical-w.xml", "GameFrameVertical-b.xml",
                          "GameFrameVertical.xml", "CloseQRcode.xml", "advert.xml", "Cef.xml", "closeWnd.xml",
                          "InstallToPhone.xml", "GongZhongHao.xml", "QrFrame.xml"})
      CopyInto((std::string(VELORA_SAMPLE_SKIN) + "/" + f).c_str(), Join(Join(root_, L"Skin"), std::wstring(f, f + strlen(f))));
    WriteAll(Join(root_, L"Log\\velora20261210.log"), "[18:00:00.000]|[1]|[1]|[Info]|frame started\r\n");

    CopyInto(RUNDLE_EXE, Cafe(L"Rundle.exe"));
    CopyInto(RUNDLE_START_PROBE_EXE, Cafe(L"tools\\preload.exe"));
    CopyInto(RUNDLE_START_PROBE_EXE, Cafe(L"game\\SampleGame.exe"));
    WriteAll(Cafe(L"config\\settings.cfg"), "volume=80\r\nresolution=1280x720\r\n");
    WriteAll(Cafe(L"data\\maps\\level1.map"), "level one\r\n");
    WriteAll(Cafe(L"data\\readme.txt"), "SampleGame data\r\n");
    WriteAll(Cafe(L"Rundle.ini"), kRundleIni);
    WriteAll(Cafe(L"log\\Rundle20261209.log"), "[09:00:00.000]|[2]|[Info]|earlier run\r\n");
  }
  ~Install() { RemoveTree(root_); }

  std::wstring Path(const std::wstring& rel) const { return Join(root_, rel); }
  std::wstring Cafe(const std::wstring& rel) const { return Join(Join(root_, L"cafe"), rel); }

  // CafeCheck.exe with the cafe's settings and out\ as output folder.
  int Check() {
    RemoveTree(Path(L"out"));
    return RunProgram(Path(L"CafeCheck.exe"), L"--rundle-ini \"" + Cafe(L"Rundle.ini") + L"\" --out \"" + Path(L"out") + L"\"",
               root_);
  }
  std::string Report() const {
    std::string text = ReadAll(Path(L"out\\CafeCheck-report.txt"));
    EXPECT_EQ(0u, text.rfind("\xEF\xBB\xBF", 0)) << "no byte-order mark";
    return text.size() >= 3 ? text.substr(3) : text;
  }

 private:
  std::wstring root_;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The value of the report line "  <key>: <value>".
std::string Item(const std::string& report, const std::string& key) {
  const std::string head = "\n  " + key + ": ";
  const size_t at = report.find(head);
  if (at == std::string::npos) return std::string();
  const size_t from = at + head.size();
  return report.substr(from, report.find("\r\n", from) - from);
}

std::string StripSuffix(std::string text, const std::string& suffix) {
  if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
    text.resize(text.size() - suffix.size());
  return text;
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

class CafeCheckRun : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(Join(KnownFolder(CSIDL_APPDATA), L"CafeCheckGame"));
    RemoveTree(Join(KnownFolder(CSIDL_LOCAL_APPDATA), L"CafeCheckGame"));
  }
  void TearDown() override { SetUp(); }
};

TEST_F(CafeCheckRun, CompleteInstallReportsAndBundlesTheLogs) {
  Install install(L"complete");
  ASSERT_EQ(0, install.Check()) << install.Report();
  const std::string report = install.Report();
  EXPECT_TRUE(Contains(report, "COMPLETE: everything needed is there.")) << report;
  for (const char* program : {"Velora.exe", "Veyra.dll", "Rundle.exe"})
    EXPECT_EQ(0u, Item(report, program).rfind("version " VELORA_VERSION_TEXT " ", 0)) << program << "\n" << report;
  EXPECT_EQ("loaded, exports SSOSign, Veyra, GetOVBarId found", Item(report, "library"));
  EXPECT_TRUE(Contains(Item(report, "handshake token"), "(accepted)")) << report;
  EXPECT_EQ("0 (not a managed cafe)", Item(report, "cafe answer"));
  EXPECT_TRUE(Contains(Item(report, "headless start"), "ok, DevTools port ")) << report;
  EXPECT_EQ("yes", Item(report, "stopped"));
  EXPECT_EQ("ok", Item(report, "GameFrame.xml"));
  EXPECT_EQ("0 (DefSoft), no cafe client running", Item(report, "environment"));

  // The zip holds the report as written and both programs' logs.
  const std::vector<cafecheck_test::ReadEntry> entries =
      cafecheck_test::ReadZip(ReadAll(install.Path(L"out\\CafeCheck-report.zip")));
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  const std::vector<std::string> expected = {"CafeCheck-report.txt", "Velora-Log/velora20261210.log",
                                             "Rundle-log/Rundle20261209.log"};
  ASSERT_EQ(expected, names);
  EXPECT_EQ(ReadAll(install.Path(L"out\\CafeCheck-report.txt")), entries[0].data);
  EXPECT_EQ(ReadAll(install.Path(L"Log\\velora20261210.log")), entries[1].data);
  EXPECT_EQ(ReadAll(install.Cafe(L"log\\Rundle20261209.log")), entries[2].data);
}

// One piece broken per case: exit code 1 and the report names the piece.
TEST_F(CafeCheckRun, IncompleteInstallsNameWhatIsMissing) {
  struct Case {
    const char* name;
    std::function<void(Install&)> breakIt;
    const char* problem;
  };
  const Case cases[] = {
      {"no Veyra.dll", [](Install& i) { DeleteFileW(i.Path(L"Veyra.dll").c_str()); }, "- Veyra.dll is missing"},
      {"skin without closebtn",
       [](Install& i) {
         std::string text = ReadAll(i.Path(L"Skin\\GameFrame.xml"));
         const size_t at = text.find("name=\"closebtn\"");
         ASSERT_NE(std::string::npos, at);
         text.replace(at, 15, "name=\"close\"");
         WriteAll(i.Path(L"Skin\\GameFrame.xml"), text);
       },
       "- skin file GameFrame.xml lacks closebtn"},
      {"malformed skin file",
       [](Install& i) { WriteAll(i.Path(L"Skin\\closeWnd.xml"), "<Window><Button name=\"btn_ok\"></Window>"); },
       "- skin file closeWnd.xml: "},
      {"game program gone", [](Install& i) { DeleteFileW(i.Cafe(L"game\\SampleGame.exe").c_str()); },
       "SampleGame.exe is missing"},
      {"copy source gone", [](Install& i) { DeleteFileW(i.Cafe(L"config\\settings.cfg").c_str()); },
       "- Copy0: source "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Install install(L"incomplete");
    c.breakIt(install);
    EXPECT_EQ(1, install.Check());
    const std::string report = install.Report();
    EXPECT_TRUE(Contains(report, "INCOMPLETE: 1 problem(s):")) << report;
    EXPECT_TRUE(Contains(report, c.problem)) << report;
  }
}

TEST_F(CafeCheckRun, BadCommandLineIsTheToolsOwnFailure) {
  Install install(L"usage");
  EXPECT_EQ(2, RunProgram(install.Path(L"CafeCheck.exe"), L"--rundle-ini", install.Path(L"")));
  EXPECT_EQ(2, RunProgram(install.Path(L"CafeCheck.exe"), L"--frobnicate x", install.Path(L"")));
}

// The plan in the report, then Rundle.exe in the same folder: the copies
// land where the plan said and the preload and the game start with the
// command lines and folder it gave.
TEST_F(CafeCheckRun, RundlePlanMatchesWhatRundleDoes) {
  Install install(L"plan");
  ASSERT_EQ(0, install.Check()) << install.Report();
  const std::string report = install.Report();

  struct PlannedCopy {
    std::string source, destination;
  };
  std::vector<PlannedCopy> copies;
  for (const char* key : {"Copy0", "Copy1"}) {
    std::string line = Item(report, key);
    SCOPED_TRACE(line);
    const size_t kind = line.find(' ');
    const size_t arrow = line.find(" --> ");
    ASSERT_NE(std::string::npos, arrow);
    copies.push_back({line.substr(kind + 1, arrow - kind - 1), line.substr(arrow + 5)});
  }
  EXPECT_EQ(Utf8(install.Cafe(L"config\\settings.cfg")), copies[0].source);
  EXPECT_EQ(Utf8(Join(KnownFolder(CSIDL_APPDATA), L"CafeCheckGame\\settings.cfg")), copies[0].destination);
  EXPECT_EQ(Utf8(Join(KnownFolder(CSIDL_LOCAL_APPDATA), L"CafeCheckGame\\data")), copies[1].destination);
  const std::string preload = StripSuffix(Item(report, "preload 0"), "  [waited for]");
  const std::string game = Item(report, "command line");
  const std::string folder = Item(report, "working folder");
  EXPECT_EQ("0 (process creation)", Item(report, "run option"));

  // The check itself copied and started nothing.
  for (const PlannedCopy& c : copies) EXPECT_FALSE(Exists(veyra_test::WinPath(c.destination.c_str()))) << c.destination;
  EXPECT_FALSE(Exists(install.Cafe(L"tools\\preload.exe.rec")));
  EXPECT_FALSE(Exists(install.Cafe(L"game\\SampleGame.exe.rec")));

  ASSERT_EQ(0, RunProgram(install.Cafe(L"Rundle.exe"), L"", install.Cafe(L"")));
  const std::wstring game_record = install.Cafe(L"game\\SampleGame.exe.rec");
  for (int i = 0; i < 100 && !Exists(game_record); ++i) Sleep(100);

  auto wide = [](const std::string& s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
  };
  EXPECT_EQ(ReadAll(install.Cafe(L"config\\settings.cfg")), ReadAll(wide(copies[0].destination)));
  EXPECT_EQ(ReadAll(install.Cafe(L"data\\maps\\level1.map")), ReadAll(wide(copies[1].destination + "\\maps\\level1.map")));
  EXPECT_EQ(ReadAll(install.Cafe(L"data\\readme.txt")), ReadAll(wide(copies[1].destination + "\\readme.txt")));

  // Records: the command line as received, then the current folder.
  EXPECT_EQ(preload + "\n" + Utf8(install.Cafe(L"")).substr(0, Utf8(install.Cafe(L"")).size() - 1),
            StripSuffix(ReadAll(install.Cafe(L"tools\\preload.exe.rec")), "\n"));
  EXPECT_EQ(game + "\n" + folder, StripSuffix(ReadAll(game_record), "\n"));
}

// Veyra asked in this process, as the tool asks it, so that the test
// bar-client server (registered and answered here) is the one it reaches.
TEST(CafeCheckVeyra, CafeAnswerWithAndWithoutTheBarClientServer) {
  const std::wstring dll = WinPath(VEYRA_DLL);
  const std::wstring dir = dll.substr(0, dll.rfind(L'\\'));
  {
    cafecheck::CafeInfo cafe;
    cafecheck::AskVeyra(dir, cafe);
    EXPECT_TRUE(cafe.token_accepted);
    EXPECT_TRUE(cafe.asked);
    EXPECT_EQ(0, cafe.answer);
    EXPECT_FALSE(cafe.bar_id_found);
  }
  {
    veyra_test::TestServer server;
    server.SetReply(veyra_test::TestServer::kString, L"{\"JSON_TYPE\": 2147483653, \"BarId\": 42}");
    cafecheck::CafeInfo cafe;
    cafecheck::AskVeyra(dir, cafe);
    EXPECT_TRUE(cafe.token_accepted);
    EXPECT_EQ(1, cafe.answer);
    EXPECT_TRUE(cafe.bar_id_found);
    EXPECT_EQ("42", cafe.bar_id);
  }
}

// A running cafe client, as Rundle's detection sees one: a copy of the
// stand-in client named Tallowview.exe (without a version resource, so the
// detection answers 0 unless the platform mutex exists).
class RunningClient {
 public:
  explicit RunningClient(const std::wstring& folder) {
    const std::wstring exe = Join(folder, L"Tallowview.exe");
    CopyInto(RUNDLE_FAKE_CLIENT_EXE, exe);
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
      // Seen by the detection once its path can be read from the process list.
      for (int i = 0; i < 200 && FindProcessPath(L"Tallowview.exe").empty(); ++i) Sleep(50);
    }
  }
  ~RunningClient() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  bool running() const { return process_ != nullptr; }

 private:
  HANDLE process_ = nullptr;
};

const wchar_t kPlatformMutex[] = L"{BCE735F6-EDD8-40A3-902A-0F821BC30C26}";

// Rundle creates the platform mutex and holds it while it runs, so that a
// second Rundle takes code 5. The check only looks: it must see a mutex
// that exists and must not leave one of its own, or a Rundle started while
// it runs would take code 5 for nothing.
TEST(CafeCheckRundle, DetectionLooksAtThePlatformMutexWithoutCreatingIt) {
  Install install(L"mutex");
  RunningClient client(install.Path(L"client"));
  ASSERT_TRUE(client.running());
  {
    cafecheck::RundleInfo ru;
    cafecheck::PlanRundle(install.Cafe(L"Rundle.ini"), ru);
    EXPECT_TRUE(ru.plan.clientRunning);
    EXPECT_EQ(0, ru.plan.envCode);
    SetLastError(0xdeadbeef);
    HANDLE left = OpenMutexW(SYNCHRONIZE, FALSE, kPlatformMutex);
    EXPECT_EQ(nullptr, left) << "the check left the platform mutex behind";
    if (left) CloseHandle(left);
  }
  {
    HANDLE held = CreateMutexW(nullptr, FALSE, kPlatformMutex);
    ASSERT_NE(nullptr, held);
    cafecheck::RundleInfo ru;
    cafecheck::PlanRundle(install.Cafe(L"Rundle.ini"), ru);
    CloseHandle(held);
    EXPECT_EQ(5, ru.plan.envCode);
    // OvplaySoft names no game in the sample: its plan falls back to DefSoft.
    ASSERT_EQ(2u, ru.plan.games.size());
    EXPECT_FALSE(ru.plan.games[0].named);
    ASSERT_NE(nullptr, ru.plan.StartedGame());
    EXPECT_EQ(0, ru.plan.StartedGame()->envCode);
  }
}

}  // namespace
