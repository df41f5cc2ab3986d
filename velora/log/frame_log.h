// CFrameLog: the diagnostic log of every Velora process. One file per day,
// UTF-8, in "Log" beside the program file:
//   main process   <program folder>\Log\velora20230920.log
//   renderer       <program folder>\Log\ovwebgame_render20230920.log
// each line "[09:14:03.027]|[1a2c]|[0f38]|[Debug]|message". Lines are
// filtered by a level mask; a day change opens the new file and deletes the
// program's own files older than the days to keep. Messages about the log
// itself go to the debugger output only. Logging never fails the caller.
//
// Call form used throughout Velora:
//   LogAt(__FILE__, __LINE__, "CMainWnd::InitWindow")(kLogDebug, L"CMainWnd::InitWindow()");
// Wide strings are passed with %ls.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

#include "frame_log_platform.h"
#include "log_rules.h"

// What the writer asks of its surroundings; tests replace them to place the
// program elsewhere, to move the clock across days and to see the debugger
// output.
struct FrameLogHooks {
  // Full path of the program file, read into a buffer of `capacity`
  // characters; false when it cannot be read.
  std::function<bool(std::wstring* path, size_t capacity)> modulePath;
  std::function<std::chrono::system_clock::time_point()> clock;
  std::function<void(const wchar_t* text)> debugOutput;
};

class CFrameLog {
 public:
  static constexpr unsigned kDefaultOutputFlags = kLogOutStdout | kLogOutFile;
  static constexpr unsigned kDefaultPrefixFlags = kLogPrefixTime | kLogPrefixProcessThread;
  static constexpr unsigned kDefaultLevelMask = 59;
  static constexpr unsigned kDefaultDaysToKeep = 7;
  static constexpr unsigned kDefaultSizeLimit = 0x1400000;  // 20 MiB
  // The size guard looks at the file position once per this many lines.
  static constexpr unsigned kSizeCheckLines = 2000;

  // The process-wide writer, made on first use.
  static CFrameLog* Get();

  // A writer of its own (tests); Get() makes one with empty hooks, which
  // means the platform's.
  explicit CFrameLog(FrameLogHooks hooks = FrameLogHooks());
  ~CFrameLog();
  CFrameLog(const CFrameLog&) = delete;
  CFrameLog& operator=(const CFrameLog&) = delete;

  // Call site of the next line; narrow texts in the thread's ANSI code page.
  void SetSourceLine(const char* file, int line);
  void SetFunction(const char* function);
  // Writes one line when the level passes the mask.
  void Write(unsigned level, const wchar_t* format, ...);
  void WriteV(unsigned level, const wchar_t* format, va_list args);

  void SetLevelMask(unsigned mask);
  unsigned LevelMask() const { return levelMask_.load(std::memory_order_relaxed); }
  // "\ovwebgame_render" or "\ovwebgame_other" in sub-processes.
  void SetFilePrefix(const wchar_t* prefix);
  // Not changed by Velora; tests and benchmarks set them.
  void SetOutputFlags(unsigned flags) { outputFlags_ = flags; }
  void SetPrefixFlags(unsigned flags) { prefixFlags_ = flags; }
  void SetDaysToKeep(unsigned days) { daysToKeep_ = days; }
  void SetSizeLimit(unsigned bytes) { sizeLimit_ = bytes; }

  const std::wstring& Directory() const { return directory_; }
  // Path of the open day file, empty when none is open.
  std::wstring OpenFilePath();

  // "\velora.exe" for C:\Games\Velora.exe (whole path lower-cased, from its
  // last backslash on), or null when the path cannot be read. Points into
  // this writer's buffer; valid until the next call.
  const wchar_t* GetExeName();

 private:
  void CreateDirectoryOrFallback();
  const std::wstring& GetLogFallbackDir();
  void OpenDayFile(const LogLocalTime& now, std::time_t seconds);
  void CleanOldLogs(std::time_t now);
  LogLocalTime LocalTimeOf(std::chrono::system_clock::time_point when, std::time_t* seconds);
  void DebugOutput(const wchar_t* text);

  FrameLogHooks hooks_;
  LogLock lock_;
  unsigned outputFlags_ = kDefaultOutputFlags;
  unsigned prefixFlags_ = kDefaultPrefixFlags;
  // Read without the lock by LogWrite's early test.
  std::atomic<unsigned> levelMask_{kDefaultLevelMask};
  unsigned daysToKeep_ = kDefaultDaysToKeep;
  wchar_t sourceFile_[260] = {};
  int sourceLine_ = 0;
  wchar_t function_[260] = {};
  std::wstring directory_;
  std::wstring filePrefix_;
  unsigned sizeLimit_ = kDefaultSizeLimit;
  unsigned lineCounter_ = 0;
  unsigned processId_ = 0;

  // Line building and the open file.
  wchar_t line_[kLogLineChars] = {};
  char lineUtf8_[kLogLineChars * 3] = {};
  std::FILE* file_ = nullptr;
  std::wstring filePath_;
  unsigned fileDay_ = 0;
  bool fallbackComputed_ = false;
  std::wstring fallbackDir_;
  wchar_t exePath_[1024] = {};
  std::time_t cachedSecond_ = 0;
  bool cachedValid_ = false;
  std::tm cachedTm_ = {};
  // Set while a line is being written: a line logged from inside the
  // writer (GetExeName's error during the clean-up) would overwrite the
  // line buffer and the lost outer line with it, so it is dropped.
  bool writing_ = false;
};

using LogWriteFn = void (*)(unsigned level, const wchar_t* format, ...);

// Stores the call site (source file and line, then the function, each
// under the writer's lock) and returns LogWrite.
LogWriteFn LogAt(const char* file, int line, const char* function);
void LogWrite(unsigned level, const wchar_t* format, ...);
// The process-wide GetExeName.
const wchar_t* GetExeName();
