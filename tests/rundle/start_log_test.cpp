// CStartLog against real files in a folder of the build tree, with a clock
// the tests set: line layout, mask, day files, removal of old days, size cap
// and the long-line cut.
#include "start_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute,
                                                int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

[[maybe_unused]] std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of a file, with the CR of Windows text mode removed.
std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void MakeFolder(const std::string& path) {
#ifdef _WIN32
  _mkdir(path.c_str());
#else
  mkdir(path.c_str(), 0777);
#endif
}

void RemoveFolder(const std::string& path) {
#ifdef _WIN32
  _rmdir(path.c_str());
#else
  rmdir(path.c_str());
#endif
}

class StartLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    MakeFolder("startlog_work");
    folder_ = std::string("startlog_work/") + info->name() + "/";
    // Leftovers of an earlier run would disturb the file checks.
    for (int n = -2; n <= 40; ++n) {
      std::remove(DayFile(LocalTime(2020, 3, 16, 12, 0, 0), n).c_str());
      std::remove(DayFile(LocalTime(2020, 3, 17, 12, 0, 0), n).c_str());
    }
    log_.SetDirectory(folder_);
    log_.SetBaseName("Rundle");
    log_.SetOutputFlags(CStartLog::kOutFile);
    log_.SetDaysToKeep(7);
    SetNow(LocalTime(2020, 3, 16, 8, 5, 3));
  }

  void SetNow(std::chrono::system_clock::time_point now) {
    now_ = now;
    log_.SetClock([this] { return now_; });
  }

  // The log file of the day `daysBack` before `when`.
  std::string DayFile(std::chrono::system_clock::time_point when, int daysBack) const {
    const std::time_t t = std::chrono::system_clock::to_time_t(when) - daysBack * 86400;
    return folder_ + "Rundle" + CStartLog::DayName(t);
  }

  void Touch(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    std::fputs("old\n", f);
    std::fclose(f);
  }

  std::string folder_;
  std::chrono::system_clock::time_point now_;
  CStartLog log_;
};

TEST_F(StartLogTest, LineLayoutAndLevelNames) {
  log_.SetLevelMask(127);
  const struct {
    int level;
    const char* name;
  } cases[] = {{kLogStartup, "Startup"}, {kLogShutdown, "Shutdown"}, {kLogInfo, "Info"},
               {kLogWarning, "Warning"}, {kLogTrace, "Trace"},       {kLogError, "Error"},
               {kLogDebug, "Debug"},     {3, "Unknown"},             {12, "Unknown"}};
  for (const auto& c : cases)
    log_.WriteLog(c.level, __FILE__, __LINE__, "StartLogTest", "ProcessPreload CreateProcess_%d. %s", 0,
                  "success");

  EXPECT_EQ(folder_ + "Rundle20200316.log", DayFile(now_, 0));
  const auto lines = ReadLines(folder_ + "Rundle20200316.log");
  ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const std::regex layout(std::string(R"(\[08:05:03\.000\]\|\[[0-9a-f]{4,}\]\|\[)") + cases[i].name +
                            R"(\]\|ProcessPreload CreateProcess_0\. success)");
    EXPECT_TRUE(std::regex_match(lines[i], layout)) << lines[i];
  }
#ifdef _WIN32
  // Text mode: CR LF on disk.
  EXPECT_NE(std::string::npos, ReadAll(folder_ + "Rundle20200316.log").find("success\r\n"));
#endif
}

TEST_F(StartLogTest, MaskDecidesWhichLevelsAreWritten) {
  const struct {
    int mask;
    std::vector<std::string> written;
  } cases[] = {
      {47, {"Startup", "Shutdown", "Info", "Warning", "Error"}},
      {43, {"Startup", "Shutdown", "Warning", "Error"}},
      {127, {"Startup", "Shutdown", "Info", "Warning", "Trace", "Error", "Debug"}},
  };
  int day = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mask);
    SetNow(LocalTime(2020, 4, day++, 9, 0, 0));
    const std::string file = DayFile(now_, 0);
    std::remove(file.c_str());
    log_.SetLevelMask(c.mask);
    for (int level = 1; level <= 64; level <<= 1)
      log_.WriteLog(level, __FILE__, __LINE__, "f", "%s", CStartLog::LevelName(level));
    std::vector<std::string> names;
    for (const auto& line : ReadLines(file)) names.push_back(line.substr(line.rfind('|') + 1));
    EXPECT_EQ(c.written, names);
    std::remove(file.c_str());
  }
}

TEST_F(StartLogTest, FirstLineRemovesDaysEightToThirtyOneOnly) {
  for (int n = 1; n <= 35; ++n) Touch(DayFile(now_, n));
  Touch(folder_ + "Other" + CStartLog::DayName(std::chrono::system_clock::to_time_t(now_) - 10 * 86400));
  Touch(DayFile(now_, -1));  // tomorrow's file, e.g. from a clock set back

  log_.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "first");

  for (int n = 1; n <= 35; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(n <= 7 || n > 31, Exists(DayFile(now_, n)));
  }
  EXPECT_TRUE(Exists(folder_ + "Other" + CStartLog::DayName(std::chrono::system_clock::to_time_t(now_) - 10 * 86400)));
  EXPECT_TRUE(Exists(DayFile(now_, -1)));
  EXPECT_TRUE(Exists(DayFile(now_, 0)));
}

TEST_F(StartLogTest, MidnightSwitchesFileAndRemovesRelativeToTheNewDay) {
  SetNow(LocalTime(2020, 3, 16, 23, 59, 59));
  const auto first = now_;
  Touch(DayFile(first, 7));  // day 8 back once the day has changed
  log_.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "before midnight");
  EXPECT_TRUE(Exists(DayFile(first, 7)));

  SetNow(LocalTime(2020, 3, 17, 0, 0, 1));
  log_.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "after midnight");

  EXPECT_FALSE(Exists(DayFile(first, 7)));
  const auto before = ReadLines(DayFile(first, 0));
  const auto after = ReadLines(folder_ + "Rundle20200317.log");
  ASSERT_EQ(1u, before.size());
  ASSERT_EQ(1u, after.size());
  EXPECT_NE(std::string::npos, before[0].find("before midnight"));
  EXPECT_NE(std::string::npos, after[0].find("after midnight"));
}

TEST_F(StartLogTest, FileAtTheSizeLimitIsEmptiedAndWrittenFromItsStart) {
  log_.SetSizeLimit(200);
  const std::string file = DayFile(now_, 0);
  for (int i = 0; i < 4; ++i) log_.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "line %d %040d", i, 0);
  // Each line is about 80 bytes: the third one crossed 200 and emptied the file.
  const auto lines = ReadLines(file);
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("line 3 "));

  // An existing file already beyond the limit is emptied after the next line.
  CStartLog second;
  second.SetDirectory(folder_);
  second.SetBaseName("Rundle");
  second.SetOutputFlags(CStartLog::kOutFile);
  second.SetClock([this] { return now_; });
  second.SetSizeLimit(100);
  second.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "appended");
  second.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "next");
  const auto after = ReadLines(file);
  ASSERT_EQ(1u, after.size());
  EXPECT_NE(std::string::npos, after[0].find("next"));
}

TEST_F(StartLogTest, LongMessageIsCutAndKeepsItsNewline) {
  const std::string huge(5000, 'x');
  log_.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "%s", huge.c_str());
  log_.WriteLog(kLogInfo, __FILE__, __LINE__, "f", "after");
  const auto lines = ReadLines(DayFile(now_, 0));
  ASSERT_EQ(2u, lines.size());
  // 2048 bytes including the newline.
  EXPECT_EQ(CStartLog::kLineBytes - 1, lines[0].size());
  EXPECT_EQ('x', lines[0].back());
  EXPECT_NE(std::string::npos, lines[1].find("after"));
}

TEST_F(StartLogTest, MissingFolderDropsLinesWithoutRetryingThatDay) {
  const std::string folder = folder_ + "no/such/log/";
  std::remove((folder + "Rundle20200317.log").c_str());
  for (const char* sub : {"no/such/log", "no/such", "no"}) RemoveFolder(folder_ + sub);
  CStartLog log;
  log.SetDirectory(folder);  // only one level is created: its parent is missing
  log.SetBaseName("Rundle");
  log.SetOutputFlags(CStartLog::kOutFile);
  log.SetClock([this] { return now_; });
  log.WriteLog(kLogError, __FILE__, __LINE__, "f", "dropped");
  EXPECT_FALSE(Exists(folder + "Rundle20200316.log"));

  MakeFolder(folder_ + "no");
  MakeFolder(folder_ + "no/such");
  MakeFolder(folder_ + "no/such/log");
  log.WriteLog(kLogError, __FILE__, __LINE__, "f", "same day, still dropped");
  EXPECT_FALSE(Exists(folder + "Rundle20200316.log"));

  now_ += std::chrono::hours(24);
  log.WriteLog(kLogError, __FILE__, __LINE__, "f", "next day");
  const auto lines = ReadLines(folder + "Rundle20200317.log");
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("next day"));
  std::remove((folder + "Rundle20200317.log").c_str());
}

TEST_F(StartLogTest, DefaultsAndDirectorySeparator) {
  CStartLog log;
  EXPECT_EQ("./log", log.directory());
  EXPECT_EQ(127, log.levelMask());
  log.SetDirectory(folder_ + "sub");
  EXPECT_EQ(folder_ + "sub\\", log.directory());
  log.SetDirectory(folder_ + "sub\\");
  EXPECT_EQ(folder_ + "sub\\", log.directory());
}

}  // namespace
