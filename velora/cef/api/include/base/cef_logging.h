// Logging and assertion macros of the engine API, in the form Chromium and
// CEF code uses them:
//
//   LOG(INFO) << "created browser " << id;
//   DCHECK(hwnd) << "no window";     // "Check failed: hwnd. no window"
//   DCHECK_EQ(count, 2);             // "Check failed: count == 2 (3 vs. 2)"
//   NOTREACHED();
//
// A message is written to the debugger output (Windows) and to stderr when
// its severity is at least the minimum level. A FATAL message, a failed CHECK
// and - while DCHECK_IS_ON() - a failed DCHECK are always written and then
// stop the process.
//
// DCHECK_IS_ON() is true in debug builds and whenever DCHECK_ALWAYS_ON is
// defined (velora_cef_api defines it for its users). The streamed operands of
// a passing check, or of a message below the minimum level, are not
// evaluated.
#ifndef CEF_INCLUDE_BASE_CEF_LOGGING_H_
#define CEF_INCLUDE_BASE_CEF_LOGGING_H_
#pragma once

#include <cstddef>
#include <cstring>
#include <ostream>
#include <sstream>
#include <string>

#include "include/base/cef_build.h"

#if defined(NDEBUG) && !defined(DCHECK_ALWAYS_ON)
#define DCHECK_IS_ON() 0
#else
#define DCHECK_IS_ON() 1
#endif

namespace cef {
namespace logging {

typedef int LogSeverity;
const LogSeverity LOG_VERBOSE = -1;
const LogSeverity LOG_INFO = 0;
const LogSeverity LOG_WARNING = 1;
const LogSeverity LOG_ERROR = 2;
const LogSeverity LOG_FATAL = 3;
const LogSeverity LOG_NUM_SEVERITIES = 4;

#if DCHECK_IS_ON()
const LogSeverity LOG_DFATAL = LOG_FATAL;
const LogSeverity LOG_DCHECK = LOG_FATAL;
#else
const LogSeverity LOG_DFATAL = LOG_ERROR;
const LogSeverity LOG_DCHECK = LOG_INFO;
#endif

// Messages below this severity are dropped (FATAL never is). Defaults to
// LOG_INFO.
int GetMinLogLevel();
void SetMinLogLevel(int level);

// The VLOG verbosity; VLOG(n) is written when n <= GetVlogLevel(). Default 0.
int GetVlogLevel(const char* file_start, size_t N);
void SetVlogLevel(int level);

template <size_t N>
int GetVlogLevel(const char (&file)[N]) {
  return GetVlogLevel(file, N);
}

// One message: collects the stream and writes it when destroyed. A FATAL
// message stops the process after it is written.
class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  // For CHECK_OP: `result` is the failure text (taken over and deleted).
  LogMessage(const char* file, int line, std::string* result);
  // For DCHECK_OP.
  LogMessage(const char* file,
             int line,
             LogSeverity severity,
             std::string* result);
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  ~LogMessage();

  std::ostream& stream() { return stream_; }

 private:
  void Init(const char* file, int line);

  LogSeverity severity_;
  std::ostringstream stream_;
};

// Turns a stream expression into void, so that LAZY_STREAM's two branches
// have the same type. `&` binds more weakly than `<<` and more tightly
// than `?:`.
class LogMessageVoidify {
 public:
  LogMessageVoidify() {}
  void operator&(std::ostream&) {}
};

// Builds "<names> (<v1> vs. <v2>)" for a failed comparison.
template <class t1, class t2>
std::string* MakeCheckOpString(const t1& v1, const t2& v2, const char* names) {
  std::ostringstream ss;
  ss << names << " (" << v1 << " vs. " << v2 << ")";
  return new std::string(ss.str());
}

#define DEFINE_CEF_CHECK_OP_IMPL(name, op)                                 \
  template <class t1, class t2>                                            \
  inline std::string* Check##name##Impl(const t1& v1, const t2& v2,        \
                                        const char* names) {               \
    if (v1 op v2)                                                          \
      return nullptr;                                                      \
    return MakeCheckOpString(v1, v2, names);                               \
  }                                                                        \
  inline std::string* Check##name##Impl(int v1, int v2, const char* names) { \
    if (v1 op v2)                                                          \
      return nullptr;                                                      \
    return MakeCheckOpString(v1, v2, names);                               \
  }
DEFINE_CEF_CHECK_OP_IMPL(EQ, ==)
DEFINE_CEF_CHECK_OP_IMPL(NE, !=)
DEFINE_CEF_CHECK_OP_IMPL(LE, <=)
DEFINE_CEF_CHECK_OP_IMPL(LT, <)
DEFINE_CEF_CHECK_OP_IMPL(GE, >=)
DEFINE_CEF_CHECK_OP_IMPL(GT, >)
#undef DEFINE_CEF_CHECK_OP_IMPL

}  // namespace logging
}  // namespace cef

#define CEF_LOG_MESSAGE(severity) \
  ::cef::logging::LogMessage(__FILE__, __LINE__, ::cef::logging::severity)
#define COMPACT_GOOGLE_LOG_INFO CEF_LOG_MESSAGE(LOG_INFO)
#define COMPACT_GOOGLE_LOG_WARNING CEF_LOG_MESSAGE(LOG_WARNING)
#define COMPACT_GOOGLE_LOG_ERROR CEF_LOG_MESSAGE(LOG_ERROR)
#define COMPACT_GOOGLE_LOG_FATAL CEF_LOG_MESSAGE(LOG_FATAL)
#define COMPACT_GOOGLE_LOG_DFATAL CEF_LOG_MESSAGE(LOG_DFATAL)
#define COMPACT_GOOGLE_LOG_DCHECK CEF_LOG_MESSAGE(LOG_DCHECK)

#if defined(OS_WIN)
// <windows.h> defines ERROR as 0, so LOG(ERROR) arrives here as LOG(0).
#define COMPACT_GOOGLE_LOG_0 COMPACT_GOOGLE_LOG_ERROR
namespace cef {
namespace logging {
const LogSeverity LOG_0 = LOG_ERROR;
}  // namespace logging
}  // namespace cef
#endif

#define LOG_IS_ON(severity)                   \
  ((::cef::logging::LOG_##severity) >=        \
       ::cef::logging::GetMinLogLevel() ||    \
   (::cef::logging::LOG_##severity) >= ::cef::logging::LOG_FATAL)

#define VLOG_IS_ON(verboselevel) \
  ((verboselevel) <= ::cef::logging::GetVlogLevel(__FILE__))

// Evaluates `stream` only when `condition` holds.
#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::cef::logging::LogMessageVoidify() & (stream)

#define LOG_STREAM(severity) COMPACT_GOOGLE_LOG_##severity.stream()

#define LOG(severity) LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#define VLOG_STREAM(verbose_level)                                  \
  ::cef::logging::LogMessage(__FILE__, __LINE__, -(verbose_level)) \
      .stream()
#define VLOG(verbose_level) \
  LAZY_STREAM(VLOG_STREAM(verbose_level), VLOG_IS_ON(verbose_level))
#define VLOG_IF(verbose_level, condition) \
  LAZY_STREAM(VLOG_STREAM(verbose_level), \
              VLOG_IS_ON(verbose_level) && (condition))

#define LOG_ASSERT(condition) \
  LOG_IF(FATAL, !(condition)) << "Assert failed: " #condition ". "

#define CHECK(condition)                       \
  LAZY_STREAM(LOG_STREAM(FATAL), !(condition)) \
      << "Check failed: " #condition ". "

#define CHECK_OP(name, op, val1, val2)                               \
  if (std::string* _result = ::cef::logging::Check##name##Impl(      \
          (val1), (val2), #val1 " " #op " " #val2))                  \
  ::cef::logging::LogMessage(__FILE__, __LINE__, _result).stream()

#define CHECK_EQ(val1, val2) CHECK_OP(EQ, ==, val1, val2)
#define CHECK_NE(val1, val2) CHECK_OP(NE, !=, val1, val2)
#define CHECK_LE(val1, val2) CHECK_OP(LE, <=, val1, val2)
#define CHECK_LT(val1, val2) CHECK_OP(LT, <, val1, val2)
#define CHECK_GE(val1, val2) CHECK_OP(GE, >=, val1, val2)
#define CHECK_GT(val1, val2) CHECK_OP(GT, >, val1, val2)

#if DCHECK_IS_ON()
#define DLOG_IS_ON(severity) LOG_IS_ON(severity)
#else
#define DLOG_IS_ON(severity) false
#endif

#define DLOG(severity) LAZY_STREAM(LOG_STREAM(severity), DLOG_IS_ON(severity))
#define DLOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), DLOG_IS_ON(severity) && (condition))
#define DVLOG(verboselevel) \
  LAZY_STREAM(VLOG_STREAM(verboselevel), \
              DCHECK_IS_ON() && VLOG_IS_ON(verboselevel))

#define DCHECK(condition)                                         \
  LAZY_STREAM(LOG_STREAM(DCHECK), DCHECK_IS_ON() && !(condition)) \
      << "Check failed: " #condition ". "

#if DCHECK_IS_ON()
#define DCHECK_OP(name, op, val1, val2)                                  \
  if (std::string* _result = ::cef::logging::Check##name##Impl(          \
          (val1), (val2), #val1 " " #op " " #val2))                      \
  ::cef::logging::LogMessage(__FILE__, __LINE__,                         \
                             ::cef::logging::LOG_DCHECK, _result)        \
      .stream()
#else
// Compiled for its types, never evaluated.
#define DCHECK_OP(name, op, val1, val2) \
  LAZY_STREAM(LOG_STREAM(DCHECK), false && ((val1)op(val2)))
#endif

#define DCHECK_EQ(val1, val2) DCHECK_OP(EQ, ==, val1, val2)
#define DCHECK_NE(val1, val2) DCHECK_OP(NE, !=, val1, val2)
#define DCHECK_LE(val1, val2) DCHECK_OP(LE, <=, val1, val2)
#define DCHECK_LT(val1, val2) DCHECK_OP(LT, <, val1, val2)
#define DCHECK_GE(val1, val2) DCHECK_OP(GE, >=, val1, val2)
#define DCHECK_GT(val1, val2) DCHECK_OP(GT, >, val1, val2)

#define NOTREACHED() DCHECK(false)

#define NOTIMPLEMENTED() LOG(ERROR) << "Not implemented reached in " << __func__

// Streams wide text as UTF-8.
std::ostream& operator<<(std::ostream& out, const wchar_t* wstr);
inline std::ostream& operator<<(std::ostream& out, const std::wstring& wstr) {
  return out << wstr.c_str();
}

#endif  // CEF_INCLUDE_BASE_CEF_LOGGING_H_
