// The log's rules and the writer against real files in a folder of the build
// tree, with the program's path and the clock set by the tests: mask, line
// layout, file names with and without the sub-process prefix, the day
// switch, the clean-up threshold, the fallback folder and the long-line cut.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdarg>
#include <memory>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame_log.h"
#include "log_rules.h"

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#endif

namespace {

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour = 12) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

// Windows-style path of the test folder: the writer's paths use
// backslashes, which the host's services take for "/".
std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c == L'\\' ? '/' : static_cast<char>(c);
  return out;
}

void MakeDir(const std::string& path) {
#ifdef _WIN32
  _mkdir(path.c_str());
#else
  mkdir(path.c_str(), 0777);
#endif
}

bool Exists(const std::string& path) {
  std::ifstream in(path);
  return in.good();
}

// The file's text with the CR of Windows text mode removed.
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string out;
  for (char c : text.str())
    if (c != '\r') out += c;
  return out;
}

void Touch(const std::string& path) { std::ofstream(path) << "old\n"; }

std::wstring Line(unsigned prefixFlags, unsigned level, const wchar_t* format, ...) {
  LogLineParts parts;
  parts.prefixFlags = prefixFlags;
  parts.time = {2023, 9, 20, 9, 14, 3, 27};
  parts.processId = 0x1a2c;
  parts.threadId = 0xf38;
  parts.sourceFile = L"Src\\main";
  parts.sourceLine = 42;
  parts.function = L"CefMainInit::CefMainInit";
  parts.level = level;
  wchar_t buffer[kLogLineChars];
  va_list args;
  va_start(args, format);
  const size_t n = BuildLogLine(buffer, kLogLineChars, parts, format, args);
  va_end(args);
  return std::wstring(buffer, n);
}

TEST(LogRules, LineLayout) {
  struct Case {
    const char* name;
    unsigned flags;
    unsigned level;
    std::wstring expected;
  } cases[] = {
      {"defaults", 3, kLogDebug, L"[09:14:03.027]|[1a2c]|[0f38]|[Debug]|hi 5\n"},
      {"no prefix", 0, kLogInfo, L"[Info]|hi 5\n"},
      {"source and function", 12, kLogTrace, L"[Src\\main:42]|[Trace]|[CefMainInit::CefMainInit]|hi 5\n"},
      {"level 3", 0, 3, L"[Unkown]|hi 5\n"},
      {"level 0", 0, 0, L"[Unkown]|hi 5\n"},
      {"level 128", 0, 128, L"[Unkown]|hi 5\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, Line(c.flags, c.level, L"hi %d", 5));
  }
}

TEST(LogRules, MessageFormats) {
  EXPECT_EQ(L"[Info]|a -12 4294967295 50% b\n", Line(0, kLogInfo, L"a %d %u 50%% %ls", -12, 4294967295u, L"b"));
  EXPECT_EQ(L"[Info]|min -2147483648\n", Line(0, kLogInfo, L"min %d", -2147483647 - 1));
  // Widths and other conversions go through the C library.
  EXPECT_EQ(L"[Info]|   7 1f x\n", Line(0, kLogInfo, L"%4d %x %c", 7, 31u, L'x'));
  EXPECT_EQ(L"[Info]|no arguments\n", Line(0, kLogInfo, L"no arguments"));
}

TEST(LogRules, LongMessageIsCutSoTheLineFeedFits) {
  const std::wstring message(100000, L'x');
  for (const wchar_t* format : {L"%ls", L"%5ls"}) {
    const std::wstring line = Line(3, kLogDebug, format, message.c_str());
    ASSERT_EQ(kLogLineChars - 1, line.size());
    EXPECT_EQ(L'\n', line.back());
    EXPECT_EQ(L'x', line[line.size() - 2]);
  }
}

TEST(LogRules, FolderAndFileNames) {
  EXPECT_EQ(L"c:\\games\\Log", LogDirectoryFromModulePath(L"C:\\Games\\Velora.exe"));
  EXPECT_EQ(L"c:\\games.v2\\Log", LogDirectoryFromModulePath(L"C:\\Games.V2\\Velora.exe"));
  EXPECT_EQ(L"20230920.log", LogDayName(2023, 9, 20));
  EXPECT_EQ(L"c:\\g\\Log\\velora20230920.log",
            LogFileName(L"c:\\g\\Log", L"", L"\\velora.exe", L"20230920.log"));
  EXPECT_EQ(L"c:\\g\\Log\\ovwebgame_render20230920.log",
            LogFileName(L"c:\\g\\Log", L"\\ovwebgame_render", L"\\velora.exe", L"20230920.log"));
  EXPECT_EQ(L"velora*.log", CleanPattern(L"\\velora.exe"));
  EXPECT_EQ((std::vector<std::wstring>{L"a*.log", L"b*.log"}), SplitPatterns(L"a*.log;b*.log"));
}

TEST(LogRules, CleanUpThresholdKeepsTheThresholdDay) {
  const std::wstring threshold = CleanThresholdPath(L"c:\\g\\Log", L"\\velora.exe", L"20230913.log");
  EXPECT_EQ(L"c:\\g\\log\\velora20230913.log", threshold);
  EXPECT_TRUE(IsLogOlderThanThreshold(L"c:\\g\\Log\\velora20230901.log", threshold));
  EXPECT_TRUE(IsLogOlderThanThreshold(L"C:\\G\\LOG\\VELORA20230912.LOG", threshold));
  EXPECT_FALSE(IsLogOlderThanThreshold(L"c:\\g\\Log\\velora20230913.log", threshold));
  EXPECT_FALSE(IsLogOlderThanThreshold(L"c:\\g\\Log\\velora20230914.log", threshold));
}

TEST(LogRules, FallbackOnlyForQuillonClient) {
  EXPECT_EQ(L"c:\\netbar\\Tool\\GamePreSetUp\\clientinforeport\\",
            LogFallbackDirectory(L"c:\\netbar\\client\\quillonclient.exe", L"\\QuillonClient.EXE"));
  EXPECT_EQ(L"", LogFallbackDirectory(L"c:\\netbar\\client\\velora.exe", L"\\velora.exe"));
}

TEST(LogRules, Utf8) {
  const wchar_t text[] = L"a\u00e9\u6ce8";
  char out[16];
  const size_t n = EncodeUtf8(text, 3, out, sizeof(out));
  EXPECT_EQ(std::string("a\xc3\xa9\xe6\xb3\xa8"), std::string(out, n));
}

// A writer whose program file is <folder>\velora.exe (or another name),
// with a clock the test moves.
class FrameLogFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Lower case: the writer lower-cases the program's path for its folder.
    folder_ = "frame_log_files_";
    for (const char* c = info->name(); *c; ++c) folder_ += static_cast<char>(std::tolower(*c));
    MakeDir(folder_);
    // Start from an empty log folder.
    for (const char* old : {"velora20230901.log", "velora20230912.log", "velora20230913.log",
                            "velora20230914.log", "velora20230920.log", "velora20230921.log",
                            "ovwebgame_render20230901.log", "ovwebgame_render20230920.log",
                            "ovwebgame_other20230901.log"})
      std::remove((folder_ + "/Log/" + old).c_str());
    now_ = LocalTime(2023, 9, 20);
  }

  std::unique_ptr<CFrameLog> MakeLog(const std::wstring& programName = L"Velora.exe") {
    FrameLogHooks hooks;
    const std::wstring path = Wide(folder_) + L"\\" + programName;
    hooks.modulePath = [path](std::wstring* out, size_t) {
      *out = path;
      return true;
    };
    hooks.clock = [this] { return now_; };
    hooks.debugOutput = [this](const wchar_t* text) { debug_ += text; };
    auto log = std::make_unique<CFrameLog>(hooks);
    log->SetOutputFlags(kLogOutFile);
    return log;
  }

  std::string LogFile(const char* name) { return folder_ + "/Log/" + name; }

  std::string folder_;
  std::chrono::system_clock::time_point now_;
  std::wstring debug_;
};

TEST_F(FrameLogFiles, MaskDebugOnlyOpensNoFileBeforeTheFirstDebugLine) {
  auto log = MakeLog();
  EXPECT_EQ(L"frame_log_files_maskdebugonlyopensnofilebeforethefirstdebugline\\Log", log->Directory());
  log->SetLevelMask(kLogDebug);
  log->Write(kLogInfo, L"DSB...");
  log->Write(kLogError, L"cef_main_init failed");
  EXPECT_EQ(L"", log->OpenFilePath());
  EXPECT_FALSE(Exists(LogFile("velora20230920.log")));

  log->Write(kLogDebug, L"===== main browser =====");
  EXPECT_EQ(Narrow(log->Directory()) + "/velora20230920.log", Narrow(log->OpenFilePath()));
  const std::string text = ReadAll(LogFile("velora20230920.log"));
  EXPECT_NE(std::string::npos, text.find("|[Debug]|===== main browser =====\n")) << text;
  EXPECT_EQ(std::string::npos, text.find("DSB")) << text;
  EXPECT_EQ(std::string::npos, text.find("cef_main_init")) << text;
}

TEST_F(FrameLogFiles, LevelThreeIsWrittenUnkown) {
  auto log = MakeLog();
  log->SetLevelMask(3);
  log->Write(3, L"both bits");
  log->Write(kLogShutdown, L"shutdown");
  const std::string text = ReadAll(LogFile("velora20230920.log"));
  EXPECT_NE(std::string::npos, text.find("|[Unkown]|both bits\n")) << text;
  EXPECT_NE(std::string::npos, text.find("|[Shutdown]|shutdown\n")) << text;
}

TEST_F(FrameLogFiles, SubProcessFilesCarryThePrefix) {
  auto log = MakeLog();
  log->SetFilePrefix(L"\\ovwebgame_render");
  log->SetLevelMask(kLogDebug);
  log->Write(kLogDebug, L"===== renderer browser =====");
  EXPECT_TRUE(Exists(LogFile("ovwebgame_render20230920.log")));
  EXPECT_FALSE(Exists(LogFile("velora20230920.log")));
}

TEST_F(FrameLogFiles, DayChangeWithoutLinesBetweenSwitchesFiles) {
  auto log = MakeLog();
  log->SetLevelMask(kLogDebug);
  now_ = LocalTime(2023, 9, 20, 23);
  log->Write(kLogDebug, L"before midnight");
  now_ = LocalTime(2023, 9, 21, 1);
  log->Write(kLogDebug, L"after midnight");
  EXPECT_EQ(std::string::npos, ReadAll(LogFile("velora20230920.log")).find("after")) ;
  EXPECT_NE(std::string::npos, ReadAll(LogFile("velora20230921.log")).find("after midnight"));
}

TEST_F(FrameLogFiles, CleanUpKeepsTheThresholdDayAndTheSubProcessFiles) {
  MakeDir(folder_ + "/Log");
  for (const char* name : {"velora20230901.log", "velora20230912.log", "velora20230913.log",
                           "velora20230914.log", "ovwebgame_render20230901.log",
                           "ovwebgame_other20230901.log"})
    Touch(LogFile(name));
  auto log = MakeLog();
  log->SetLevelMask(kLogDebug);
  log->Write(kLogDebug, L"new day");  // 20 September, 7 days to keep: threshold 13 September
  EXPECT_FALSE(Exists(LogFile("velora20230901.log")));
  EXPECT_FALSE(Exists(LogFile("velora20230912.log")));
  EXPECT_TRUE(Exists(LogFile("velora20230913.log")));
  EXPECT_TRUE(Exists(LogFile("velora20230914.log")));
  EXPECT_TRUE(Exists(LogFile("velora20230920.log")));
  EXPECT_TRUE(Exists(LogFile("ovwebgame_render20230901.log")));
  EXPECT_TRUE(Exists(LogFile("ovwebgame_other20230901.log")));
}

TEST_F(FrameLogFiles, FolderThatCannotBeMadeFallsBackForQuillonClient) {
  // The program's "folder" is a plain file, so its Log folder cannot be made.
  Touch(folder_ + "/client");
  MakeDir(folder_ + "/Tool");
  MakeDir(folder_ + "/Tool/GamePreSetUp");
  MakeDir(folder_ + "/Tool/GamePreSetUp/clientinforeport");
  auto log = MakeLog(L"client\\QuillonClient.exe");
  EXPECT_NE(std::wstring::npos, debug_.find(L"Failed to create log directory(")) << Narrow(debug_);
  EXPECT_NE(std::wstring::npos, debug_.find(L"[OVXX] in quillonclient.exe")) << Narrow(debug_);
  EXPECT_EQ(Wide(folder_) + L"\\Tool\\GamePreSetUp\\clientinforeport\\", log->Directory());
  log->Write(kLogWarning, L"still logged");
  const std::string file = folder_ + "/Tool/GamePreSetUp/clientinforeport//quillonclient20230920.log";
  EXPECT_NE(std::string::npos, ReadAll(file).find("still logged"));
  std::remove(file.c_str());
}

TEST_F(FrameLogFiles, FolderThatCannotBeMadeWithoutFallbackDropsLinesQuietly) {
  Touch(folder_ + "/client");
  auto log = MakeLog(L"client\\Velora.exe");
  EXPECT_NE(std::wstring::npos, debug_.find(L"[OVXX] in velora.exe")) << Narrow(debug_);
  EXPECT_EQ(L"", log->Directory());
  // Not "\velora20230920.log" at the root of the drive: nowhere.
  log->Write(kLogWarning, L"dropped");
  EXPECT_NE(std::wstring::npos, debug_.find(L"[OVXX] failed to create log file")) << Narrow(debug_);
  EXPECT_EQ(L"", log->OpenFilePath());
}

TEST_F(FrameLogFiles, HundredThousandCharacterLineIsCut) {
  auto log = MakeLog();
  const std::wstring message(100000, L'\u6ce8');
  log->Write(kLogWarning, L"%ls", message.c_str());
  log->Write(kLogWarning, L"next");
  const std::string text = ReadAll(LogFile("velora20230920.log"));
  const size_t first = text.find('\n');
  ASSERT_NE(std::string::npos, first);
  EXPECT_LT(first, kLogLineChars * 3);
  EXPECT_NE(std::string::npos, text.find("|[Warning]|next\n", first));
}

TEST_F(FrameLogFiles, SizeGuardStopsLoggingOnceTheFileIsTooBig) {
  auto log = MakeLog();
  log->SetSizeLimit(1000);
  // The guard runs only while neither Error nor Debug lines pass.
  log->SetLevelMask(kLogWarning | kLogTrace);
  for (int i = 0; i < 2000; ++i) log->Write(kLogWarning, L"line %d", i);
  EXPECT_EQ(kLogWarning | kLogTrace, log->LevelMask());
  log->Write(kLogWarning, L"line 2000");  // the 2001st line looks at the size
  EXPECT_EQ(0u, log->LevelMask());
  log->Write(kLogWarning, L"line 2001");
  const std::string text = ReadAll(LogFile("velora20230920.log"));
  EXPECT_NE(std::string::npos, text.find("line 1999\n"));
  EXPECT_EQ(std::string::npos, text.find("line 2000"));
}

#ifdef _WIN32
// The Win32 services: the program's own path and folder, and call-site texts
// in the ANSI code page (936 under the tests' Chinese locale).
TEST(FrameLogWin, ProgramPathFolderAndAnsiCallSite) {
  CFrameLog log;
  log.SetOutputFlags(kLogOutFile);
  log.SetPrefixFlags(kLogPrefixFunction);
  const wchar_t* exeName = log.GetExeName();
  ASSERT_NE(nullptr, exeName);
  EXPECT_STREQ(L"\\velora_log_tests.exe", exeName);
  EXPECT_EQ(L"\\Log", log.Directory().substr(log.Directory().size() - 4));
  log.SetFunction("CMainWnd::\xb9\xd9\xcd\xf8");  // "官网" in GBK
  log.Write(kLogWarning, L"\u6ce8\u518c\u8868");
  const std::wstring path = log.OpenFilePath();
  ASSERT_FALSE(path.empty());
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(std::string::npos, text.str().find("[Warning]|[CMainWnd::\xe5\xae\x98\xe7\xbd\x91]|"
                                               "\xe6\xb3\xa8\xe5\x86\x8c\xe8\xa1\xa8\r\n"))
      << text.str();
}
#endif

}  // namespace
