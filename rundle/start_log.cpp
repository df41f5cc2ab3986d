#include "start_log.h"

#include <cstdarg>
#include <ctime>

#ifdef _WIN32
#include <direct.h>
#include <io.h>

#include "win_include.h"
#else
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

bool LocalDate(std::time_t when, std::tm* out) {
#ifdef _WIN32
  return localtime_s(out, &when) == 0;
#else
  return localtime_r(&when, out) != nullptr;
#endif
}

unsigned CurrentThreadNumber() {
#ifdef _WIN32
  return static_cast<unsigned>(GetCurrentThreadId());
#else
  return static_cast<unsigned>(syscall(SYS_gettid));
#endif
}

void MakeOneFolder(const std::string& path) {
#ifdef _WIN32
  _mkdir(path.c_str());
#else
  mkdir(path.c_str(), 0777);
#endif
}

void TruncateToZero(std::FILE* file) {
#ifdef _WIN32
  (void)_chsize(_fileno(file), 0);
#else
  (void)ftruncate(fileno(file), 0);
#endif
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

CStartLog& CStartLog::Instance() {
  // A function-local static is created once, under the compiler's own lock.
  static CStartLog log;
  return log;
}

CStartLog::CStartLog() : clock_([] { return std::chrono::system_clock::now(); }) {}

CStartLog::~CStartLog() {
  if (file_) std::fclose(file_);
}

const char* CStartLog::LevelName(int level) {
  switch (level) {
    case kLogStartup: return "Startup";
    case kLogShutdown: return "Shutdown";
    case kLogInfo: return "Info";
    case kLogWarning: return "Warning";
    case kLogTrace: return "Trace";
    case kLogError: return "Error";
    case kLogDebug: return "Debug";
    default: return "Unknown";
  }
}

std::string CStartLog::DayName(std::time_t when) {
  std::tm date{};
  if (!LocalDate(when, &date)) return std::string();
  char name[32];
  std::snprintf(name, sizeof(name), "%04u%02u%02u.log", static_cast<unsigned>(date.tm_year + 1900),
                static_cast<unsigned>(date.tm_mon + 1), static_cast<unsigned>(date.tm_mday));
  return name;
}

void CStartLog::SetDirectory(const std::string& directory) {
  directory_ = directory;
  if (directory_.empty() || !IsSeparator(directory_.back())) directory_ += '\\';
  std::string folder = directory_;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  MakeOneFolder(folder);
}

void CStartLog::WriteLog(int level, const char* file, int line, const char* func, const char* fmt,
                         ...) {
  if ((level & levelMask_) == 0 || !fmt) return;

  const auto now = clock_();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis = static_cast<unsigned>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  LocalDate(seconds, &local);

  char buffer[kLineBytes + 1];
  size_t used = 0;
  auto append = [&](int written) {
    if (written > 0) used += static_cast<size_t>(written);
    if (used > kLineBytes - 1) used = kLineBytes - 1;
  };
  if (prefixFlags_ & kPrefixTime)
    append(std::snprintf(buffer + used, sizeof(buffer) - used, "[%02u:%02u:%02u.%03u]|",
                         static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min),
                         static_cast<unsigned>(local.tm_sec), millis));
  if (prefixFlags_ & kPrefixThread)
    append(std::snprintf(buffer + used, sizeof(buffer) - used, "[%04x]|", CurrentThreadNumber()));
  append(std::snprintf(buffer + used, sizeof(buffer) - used, "[%s]|", LevelName(level)));

  // The message gets what is left; one byte stays for the newline.
  va_list args;
  va_start(args, fmt);
  append(std::vsnprintf(buffer + used, kLineBytes - used, fmt, args));
  va_end(args);
  buffer[used++] = '\n';
  const std::string text(buffer, used);

  if (outputFlags_ & kOutStdout) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
  if (outputFlags_ & kOutFile) WriteToFile(text, seconds);
}

void CStartLog::WriteToFile(const std::string& line, std::time_t now) {
  std::lock_guard<std::mutex> guard(lock_);
  const std::string day = DayName(now);
  if (day != currentDay_) {
    if (file_) {
      std::fclose(file_);
      file_ = nullptr;
    }
    RemoveOldFiles(now);
    // Text mode: every newline is stored as CR LF on Windows.
    file_ = std::fopen((directory_ + baseName_ + day).c_str(), "a+");
    if (file_) std::fseek(file_, 0, SEEK_END);
    // Remembered even when the open failed: no retry before the next day.
    currentDay_ = day;
  }
  if (!file_) return;
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
  const long position = std::ftell(file_);
  if (position >= 0 && static_cast<uint64_t>(position) >= sizeLimit_) {
    TruncateToZero(file_);
    std::fseek(file_, 0, SEEK_SET);
  }
}

void CStartLog::RemoveOldFiles(std::time_t now) {
  if (daysToKeep_ > 30) return;
  for (int n = daysToKeep_ < 0 ? 1 : daysToKeep_ + 1; n <= 31; ++n) {
    const std::string day = DayName(now - static_cast<std::time_t>(n) * 86400);
    if (!day.empty()) std::remove((directory_ + baseName_ + day).c_str());
  }
}
