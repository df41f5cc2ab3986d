#include "frame_log.h"

#include <atomic>
#include <ctime>
#include <cwchar>
#include <vector>

namespace {

// Made while the program starts, before any thread can ask for the log.
LogLock g_createLock;
std::atomic<CFrameLog*> g_log{nullptr};

bool LocalDate(std::time_t when, std::tm* out) {
#ifdef _WIN32
  return localtime_s(out, &when) == 0;
#else
  return localtime_r(&when, out) != nullptr;
#endif
}

}  // namespace

CFrameLog* CFrameLog::Get() {
  CFrameLog* log = g_log.load(std::memory_order_acquire);
  if (log) return log;
  LogLockGuard guard(g_createLock);
  log = g_log.load(std::memory_order_relaxed);
  if (!log) {
    // Lives until the process ends; the runtime closes its file at exit.
    log = new CFrameLog();
    g_log.store(log, std::memory_order_release);
  }
  return log;
}

CFrameLog::CFrameLog(FrameLogHooks hooks) : hooks_(std::move(hooks)) {
  if (!hooks_.modulePath)
    hooks_.modulePath = [](std::wstring* path, size_t capacity) { return logplatform::ModulePath(path, capacity); };
  if (!hooks_.clock) hooks_.clock = [] { return std::chrono::system_clock::now(); };
  if (!hooks_.debugOutput) hooks_.debugOutput = [](const wchar_t* text) { logplatform::DebugOutput(text); };
  CreateDirectoryOrFallback();
  processId_ = logplatform::ProcessId();
}

CFrameLog::~CFrameLog() {
  if (file_) std::fclose(file_);
}

void CFrameLog::DebugOutput(const wchar_t* text) { hooks_.debugOutput(text); }

void CFrameLog::CreateDirectoryOrFallback() {
  std::wstring modulePath;
  if (!hooks_.modulePath(&modulePath, 512)) modulePath.clear();
  const std::wstring folder = LogDirectoryFromModulePath(modulePath);
  const int result = logplatform::MakeDirectory(folder);
  if (result == 0 || result == logplatform::kAlreadyExists) {
    directory_ = folder;
    return;
  }
  wchar_t message[1024];
  std::swprintf(message, 1024, L"\nFailed to create log directory(%ls), errno = %d\n", folder.c_str(), result);
  DebugOutput(message);
  directory_ = GetLogFallbackDir();
}

const std::wstring& CFrameLog::GetLogFallbackDir() {
  if (fallbackComputed_) return fallbackDir_;
  fallbackComputed_ = true;
  const wchar_t* exeName = GetExeName();
  const std::wstring name = exeName ? exeName : L"";
  fallbackDir_ = LogFallbackDirectory(exePath_, name);
  if (!fallbackDir_.empty()) {
    DebugOutput(L"\n[OVXX] in quillonclient.exe");
  } else {
    wchar_t message[1100];
    std::swprintf(message, 1100, L"\n[OVXX] in %ls\n",
                  name.empty() ? L"" : name.c_str() + (name[0] == L'\\' ? 1 : 0));
    DebugOutput(message);
  }
  return fallbackDir_;
}

const wchar_t* CFrameLog::GetExeName() {
  std::wstring path;
  if (!hooks_.modulePath(&path, sizeof(exePath_) / sizeof(exePath_[0]))) {
    const unsigned error = static_cast<unsigned>(logplatform::LastError());
    SetSourceLine(__FILE__, __LINE__);
    SetFunction("GlobalFunc::GetExeName");
    Write(kLogError, L"GetModuleFileName failed, LastError = %u", error);
    exePath_[0] = L'\0';
    return nullptr;
  }
  path = LowerText(path);
  const size_t n = std::min(path.size(), sizeof(exePath_) / sizeof(exePath_[0]) - 1);
  std::wmemcpy(exePath_, path.data(), n);
  exePath_[n] = L'\0';
  const wchar_t* slash = std::wcsrchr(exePath_, L'\\');
  return slash;
}

void CFrameLog::SetSourceLine(const char* file, int line) {
  LogLockGuard guard(lock_);
  logplatform::WidenAnsi(file, sourceFile_, sizeof(sourceFile_) / sizeof(sourceFile_[0]));
  sourceLine_ = line;
}

void CFrameLog::SetFunction(const char* function) {
  LogLockGuard guard(lock_);
  logplatform::WidenAnsi(function, function_, sizeof(function_) / sizeof(function_[0]));
}

void CFrameLog::SetLevelMask(unsigned mask) {
  LogLockGuard guard(lock_);
  levelMask_ = mask;
}

void CFrameLog::SetFilePrefix(const wchar_t* prefix) {
  LogLockGuard guard(lock_);
  filePrefix_ = prefix ? prefix : L"";
}

std::wstring CFrameLog::OpenFilePath() {
  LogLockGuard guard(lock_);
  return file_ ? filePath_ : std::wstring();
}

LogLocalTime CFrameLog::LocalTimeOf(std::chrono::system_clock::time_point when, std::time_t* seconds) {
  *seconds = std::chrono::system_clock::to_time_t(when);
  // The calendar conversion is done once per second, not once per line.
  if (*seconds != cachedSecond_ || !cachedValid_) {
    LocalDate(*seconds, &cachedTm_);
    cachedSecond_ = *seconds;
    cachedValid_ = true;
  }
  const std::tm& tm = cachedTm_;
  LogLocalTime t;
  t.year = static_cast<unsigned>(tm.tm_year + 1900);
  t.month = static_cast<unsigned>(tm.tm_mon + 1);
  t.day = static_cast<unsigned>(tm.tm_mday);
  t.hour = static_cast<unsigned>(tm.tm_hour);
  t.minute = static_cast<unsigned>(tm.tm_min);
  t.second = static_cast<unsigned>(tm.tm_sec);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  t.millisecond = static_cast<unsigned>(ms < 0 ? ms + 1000 : ms);
  return t;
}

void CFrameLog::Write(unsigned level, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  WriteV(level, format, args);
  va_end(args);
}

void CFrameLog::WriteV(unsigned level, const wchar_t* format, va_list args) {
  if ((level & LevelMask()) == 0) return;
  LogLockGuard guard(lock_);
  if (writing_) return;
  writing_ = true;

  // Size guard: only while neither Error nor Debug lines pass the mask.
  if (LevelMask() < 32 && ++lineCounter_ > kSizeCheckLines) {
    lineCounter_ = 0;
    if (file_) {
      const long position = std::ftell(file_);
      if (position > 0 && static_cast<unsigned long>(position) > sizeLimit_) {
        levelMask_ = 0;
        writing_ = false;
        return;
      }
    }
  }

  std::time_t seconds = 0;
  LogLineParts parts;
  parts.prefixFlags = prefixFlags_;
  parts.time = LocalTimeOf(hooks_.clock(), &seconds);
  parts.processId = processId_;
  parts.threadId = logplatform::ThreadId();
  parts.sourceFile = sourceFile_;
  parts.sourceLine = sourceLine_;
  parts.function = function_;
  parts.level = level;
  const size_t length = BuildLogLine(line_, kLogLineChars, parts, format, args);

  size_t bytes = 0;
  if (outputFlags_ & (kLogOutStdout | kLogOutFile)) bytes = EncodeUtf8(line_, length, lineUtf8_, sizeof(lineUtf8_));
  if (outputFlags_ & kLogOutStdout) {
    std::fwrite(lineUtf8_, 1, bytes, stdout);
    std::fflush(stdout);
  }
  if (outputFlags_ & kLogOutDebugger) DebugOutput(line_);
  if (outputFlags_ & kLogOutFile) {
    if (parts.time.day != fileDay_) OpenDayFile(parts.time, seconds);
    if (file_) {
      std::fwrite(lineUtf8_, 1, bytes, file_);
      std::fflush(file_);
    }
  }
  writing_ = false;
}

void CFrameLog::OpenDayFile(const LogLocalTime& now, std::time_t seconds) {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  const std::wstring dayName = LogDayName(now.year, now.month, now.day);
  fileDay_ = now.day;
  CleanOldLogs(seconds);
  const wchar_t* exeName = GetExeName();
  filePath_ = LogFileName(directory_, filePrefix_, exeName ? exeName : L"", dayName);
  // Without a folder the name would start at "\", the root of the current
  // drive, far from the program; such lines are dropped instead.
  if (!directory_.empty()) file_ = logplatform::OpenAppend(filePath_);
  if (!file_) {
    DebugOutput(L"\n[OVXX] failed to create log file\n");
    DebugOutput(directory_.c_str());
    return;
  }
  // Appending: the size guard reads the position from the end.
  std::fseek(file_, 0, SEEK_END);
}

void CFrameLog::CleanOldLogs(std::time_t now) {
  const wchar_t* exeName = GetExeName();
  const std::wstring name = exeName ? exeName : L"";
  const std::wstring patterns = CleanPattern(name);
  std::vector<std::wstring> listed;
  for (const std::wstring& pattern : SplitPatterns(patterns))
    logplatform::ListFiles(WithTrailingBackslash(directory_) + pattern, &listed);
  if (listed.empty()) return;

  std::tm tm{};
  if (!LocalDate(now - static_cast<std::time_t>(daysToKeep_) * 86400, &tm)) return;
  const std::wstring threshold = CleanThresholdPath(
      directory_, name,
      LogDayName(static_cast<unsigned>(tm.tm_year + 1900), static_cast<unsigned>(tm.tm_mon + 1),
                 static_cast<unsigned>(tm.tm_mday)));
  for (const std::wstring& path : listed)
    if (IsLogOlderThanThreshold(path, threshold)) logplatform::DeleteFileAt(path);
}

// --- The process-wide entry points -----------------------------------------

LogWriteFn LogAt(const char* file, int line, const char* function) {
  CFrameLog* log = CFrameLog::Get();
  log->SetSourceLine(file, line);
  log->SetFunction(function);
  return &LogWrite;
}

void LogWrite(unsigned level, const wchar_t* format, ...) {
  CFrameLog* log = CFrameLog::Get();
  if ((level & log->LevelMask()) == 0) return;
  va_list args;
  va_start(args, format);
  log->WriteV(level, format, args);
  va_end(args);
}

const wchar_t* GetExeName() { return CFrameLog::Get()->GetExeName(); }
