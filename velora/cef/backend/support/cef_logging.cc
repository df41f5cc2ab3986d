// Output of the engine API's LOG/CHECK/DCHECK macros. A message line is
//
//   [FATAL:cef_base.cc(42)] Check failed: m_pOwner != NULL. 
//
// written to the debugger output (Windows) and to stderr. A FATAL message
// stops the process after it is written.
#include "include/base/cef_logging.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "include/internal/cef_string_types.h"

#if defined(OS_WIN)
#include "include/internal/cef_types_win.h"
#endif

namespace cef {
namespace logging {

namespace {

std::atomic<int> g_min_log_level{LOG_INFO};
std::atomic<int> g_vlog_level{0};

const char* SeverityName(LogSeverity severity) {
  switch (severity) {
    case LOG_INFO:
      return "INFO";
    case LOG_WARNING:
      return "WARNING";
    case LOG_ERROR:
      return "ERROR";
    case LOG_FATAL:
      return "FATAL";
    default:
      return severity < 0 ? "VERBOSE" : "UNKNOWN";
  }
}

// The file name without its folders.
const char* BaseName(const char* file) {
  const char* name = file;
  for (const char* p = file; *p; ++p) {
    if (*p == '/' || *p == '\\')
      name = p + 1;
  }
  return name;
}

void WriteLine(const std::string& line) {
#if defined(OS_WIN)
  ::OutputDebugStringA(line.c_str());
#endif
  fputs(line.c_str(), stderr);
  fflush(stderr);
}

}  // namespace

int GetMinLogLevel() {
  return g_min_log_level.load(std::memory_order_relaxed);
}

void SetMinLogLevel(int level) {
  g_min_log_level.store(level < LOG_FATAL ? level : LOG_FATAL,
                        std::memory_order_relaxed);
}

int GetVlogLevel(const char* file_start, size_t N) {
  return g_vlog_level.load(std::memory_order_relaxed);
}

void SetVlogLevel(int level) {
  g_vlog_level.store(level, std::memory_order_relaxed);
}

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : severity_(severity) {
  Init(file, line);
}

LogMessage::LogMessage(const char* file, int line, std::string* result)
    : severity_(LOG_FATAL) {
  Init(file, line);
  stream_ << "Check failed: " << *result << ". ";
  delete result;
}

LogMessage::LogMessage(const char* file,
                       int line,
                       LogSeverity severity,
                       std::string* result)
    : severity_(severity) {
  Init(file, line);
  stream_ << "Check failed: " << *result << ". ";
  delete result;
}

void LogMessage::Init(const char* file, int line) {
  stream_ << '[' << SeverityName(severity_) << ':' << BaseName(file) << '('
          << line << ")] ";
}

LogMessage::~LogMessage() {
  std::string line = stream_.str();
  if (line.empty() || line.back() != '\n')
    line += '\n';
  if (severity_ >= LOG_FATAL || severity_ >= GetMinLogLevel())
    WriteLine(line);
  if (severity_ >= LOG_FATAL) {
#if defined(OS_WIN)
    if (::IsDebuggerPresent())
      __debugbreak();
#endif
    // A failed check is a programming error: stop here, without running
    // static destructors over state that is known to be wrong.
    std::abort();
  }
}

}  // namespace logging
}  // namespace cef

std::ostream& operator<<(std::ostream& out, const wchar_t* wstr) {
  if (!wstr)
    return out;
  cef_string_utf8_t utf8 = {};
  cef_string_wide_to_utf8(wstr, std::char_traits<wchar_t>::length(wstr),
                          &utf8);
  if (utf8.length)
    out.write(utf8.str, static_cast<std::streamsize>(utf8.length));
  cef_string_utf8_clear(&utf8);
  return out;
}
