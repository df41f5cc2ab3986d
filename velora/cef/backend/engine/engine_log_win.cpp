#include "engine_log_win.h"

#include "win_include.h"

#include <cstdio>
#include <mutex>

namespace velora_engine {
namespace {

std::mutex g_lock;
std::wstring g_file;
int g_severity = 99;

const char* LevelName(LogLevel l) {
  switch (l) {
    case LogLevel::kVerbose: return "VERBOSE";
    case LogLevel::kInfo: return "INFO";
    case LogLevel::kWarning: return "WARNING";
    case LogLevel::kError: return "ERROR";
    default: return "FATAL";
  }
}

void Write(LogLevel level, const std::string& text, bool to_file) {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  char prefix[96];
  std::snprintf(prefix, sizeof(prefix), "[%04lu/%02u%02u/%02u%02u%02u.%03u:%s:engine] ",
                ::GetCurrentProcessId(), t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                t.wMilliseconds, LevelName(level));
  const std::string line = prefix + text + "\n";
  ::OutputDebugStringW(FromUtf8(line).c_str());
  if (!to_file) return;
  std::lock_guard<std::mutex> g(g_lock);
  if (g_file.empty()) return;
  FILE* f = _wfopen(g_file.c_str(), L"ab");
  if (!f) return;
  std::fwrite(line.data(), 1, line.size(), f);
  std::fclose(f);
}

}  // namespace

void ConfigureEngineLog(const std::wstring& file, int severity) {
  std::lock_guard<std::mutex> g(g_lock);
  g_file = file;
  // Severity 0 is the default, which is INFO.
  g_severity = severity == 0 ? 2 : severity;
}

void EngineLog(LogLevel level, const std::string& text) {
  int severity;
  {
    std::lock_guard<std::mutex> g(g_lock);
    severity = g_severity;
  }
  Write(level, text, severity != 99 && static_cast<int>(level) >= severity);
}

void EngineLogAlways(const std::string& text) { Write(LogLevel::kError, text, true); }

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

}  // namespace velora_engine
