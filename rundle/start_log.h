// CStartLog: the game starter's own diagnostic log. One narrow-text file per
// day, <directory><base name>YYYYMMDD.log, every line flushed at once:
//   [08:05:03.042]|[1a2c]|[Info]|ProcessPreload CreateProcess_0. success
// Changing the day removes the files of the days (days to keep + 1) .. 31
// back; a file that reaches the size limit is emptied and written again from
// its start. Logging never fails the caller: lines that cannot be written
// are dropped.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

enum StartLogLevel {
  kLogStartup = 1,
  kLogShutdown = 2,
  kLogInfo = 4,
  kLogWarning = 8,
  kLogTrace = 16,
  kLogError = 32,
  kLogDebug = 64,
};

// Formats with Chinese text are stored in the GBK code page (936); this
// source is UTF-8, so they are written as byte escapes.
// "非网维oem版本环境" (not a cafe-maintenance OEM environment)
#define kTextNotOemEnv "\xb7\xc7\xcd\xf8\xce\xac" "oem" "\xb0\xe6\xb1\xbe\xbb\xb7\xbe\xb3"
// "检测到环境标识:%d" (environment code detected)
#define kTextEnvDetectedFmt "\xbc\xec\xb2\xe2\xb5\xbd\xbb\xb7\xbe\xb3\xb1\xea\xca\xb6:%d"
// "网维客户端的产品名称:%s" (product name of the cafe client)
#define kTextClientProductNameFmt \
  "\xcd\xf8\xce\xac\xbf\xcd\xbb\xa7\xb6\xcb\xb5\xc4\xb2\xfa\xc6\xb7\xc3\xfb\xb3\xc6:%s"

#if defined(__MINGW32__)
#define START_LOG_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define START_LOG_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define START_LOG_PRINTF(fmt, args)
#endif

class CStartLog {
 public:
  // Output flags.
  static constexpr unsigned kOutStdout = 1;
  static constexpr unsigned kOutFile = 2;
  // Prefix flags.
  static constexpr unsigned kPrefixTime = 1;
  static constexpr unsigned kPrefixThread = 2;
  // Whole line, newline included, in bytes.
  static constexpr size_t kLineBytes = 2048;

  // The process-wide log, created with the defaults on first use.
  static CStartLog& Instance();

  CStartLog();
  ~CStartLog();
  CStartLog(const CStartLog&) = delete;
  CStartLog& operator=(const CStartLog&) = delete;

  // Writes one line when `level` passes the mask. The source file, line and
  // function identify the call site; they are not written.
  void WriteLog(int level, const char* file, int line, const char* func, const char* fmt, ...)
      START_LOG_PRINTF(6, 7);

  // Appends "\" when missing and creates that one folder (outcome ignored).
  void SetDirectory(const std::string& directory);
  void SetBaseName(const std::string& baseName) { baseName_ = baseName; }
  void SetOutputFlags(unsigned flags) { outputFlags_ = flags; }
  void SetLevelMask(int mask) { levelMask_ = mask; }
  void SetDaysToKeep(int days) { daysToKeep_ = days; }
  void SetSizeLimit(uint64_t bytes) { sizeLimit_ = bytes; }
  // Tests replace the wall clock to cross midnight or to date the files.
  void SetClock(std::function<std::chrono::system_clock::time_point()> clock) {
    clock_ = std::move(clock);
  }

  const std::string& directory() const { return directory_; }
  int levelMask() const { return levelMask_; }

  // "Startup" ... "Debug" for the seven level bits, "Unknown" otherwise.
  static const char* LevelName(int level);
  // "%04u%02u%02u.log" of the local date of `when`.
  static std::string DayName(std::time_t when);

 private:
  void WriteToFile(const std::string& line, std::time_t now);
  void RemoveOldFiles(std::time_t now);

  std::mutex lock_;
  unsigned outputFlags_ = 15;
  unsigned prefixFlags_ = 15;
  int levelMask_ = 127;
  int daysToKeep_ = 30;
  uint64_t sizeLimit_ = 1073741824ull;
  std::string directory_ = "./log";
  std::string baseName_ = "N_A";
  std::string currentDay_;
  std::FILE* file_ = nullptr;
  std::function<std::chrono::system_clock::time_point()> clock_;
};

// Log call form used throughout Rundle:
//   STARTLOG(kLogInfo, "EnvDetImp::ShellSoft", "ProcessPreload CreateProcess_%d. %s", i, "success");
#define STARTLOG(level, func, ...) \
  CStartLog::Instance().WriteLog((level), __FILE__, __LINE__, (func), __VA_ARGS__)
