// The back-end's own log: lines at or above the settings' log severity go
// to the settings' log file, and every line goes to the debugger output.
// An engine that cannot start at all (no Chromium, no renderer) says so in
// the file even when the severity disables logging: without that line an
// operator has no way to tell why pages never show.
#pragma once

#include <string>

namespace velora_engine {

enum class LogLevel { kVerbose = 1, kInfo = 2, kWarning = 3, kError = 4, kFatal = 5 };

void ConfigureEngineLog(const std::wstring& file, int severity /* cef_log_severity_t */);
void EngineLog(LogLevel level, const std::string& utf8_text);
// Written to the file whatever the severity.
void EngineLogAlways(const std::string& utf8_text);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace velora_engine
