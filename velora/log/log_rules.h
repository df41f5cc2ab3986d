// The decisions of Velora's log as plain functions over plain values: level
// names, the line layout, the daily file names, the log folder and its
// fallback, the clean-up pattern and threshold, and the UTF-8 encoding of a
// line. CFrameLog (frame_log.h) strings them together; nothing here touches
// a file or the platform.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

// Level bits; a line is written when its level and the mask share a bit.
enum FrameLogLevel : unsigned {
  kLogStartup = 1,
  kLogShutdown = 2,
  kLogInfo = 4,
  kLogWarning = 8,
  kLogTrace = 16,
  kLogError = 32,
  kLogDebug = 64,
};

// Prefix flags of a line.
constexpr unsigned kLogPrefixTime = 1;
constexpr unsigned kLogPrefixProcessThread = 2;
constexpr unsigned kLogPrefixSourceLine = 4;
constexpr unsigned kLogPrefixFunction = 8;

// Output flags of the writer. Bit 4 exists in the flag word but does nothing.
constexpr unsigned kLogOutStdout = 1;
constexpr unsigned kLogOutFile = 2;
constexpr unsigned kLogOutDebugger = 16;

// One line with its line feed and terminator fits this many characters.
constexpr size_t kLogLineChars = 2044;

// A local date and time as the line and the file names use it.
struct LogLocalTime {
  unsigned year = 0;
  unsigned month = 0;  // 1..12
  unsigned day = 0;    // 1..31
  unsigned hour = 0;
  unsigned minute = 0;
  unsigned second = 0;
  unsigned millisecond = 0;
};

// Everything a line carries besides its message.
struct LogLineParts {
  unsigned prefixFlags = kLogPrefixTime | kLogPrefixProcessThread;
  LogLocalTime time;
  unsigned processId = 0;
  unsigned threadId = 0;
  const wchar_t* sourceFile = L"";
  int sourceLine = 0;
  const wchar_t* function = L"";
  unsigned level = kLogDebug;
};

// "Startup" ... "Debug" for the seven single bits; "Unkown" for anything
// else (0, 3, 128), spelled as the log has always spelled it.
const wchar_t* LogLevelName(unsigned level);

// Builds one line into buffer[0..capacity) and returns its length without
// the terminator:
//   [09:14:03.027]|[1a2c]|[0f38]|[Debug]|===== main browser =====\n
// Each prefix takes what room is left; the message gets the room left minus
// two characters and is cut when longer, so the line feed and the
// terminator always fit. capacity must be at least 2.
size_t BuildLogLine(wchar_t* buffer, size_t capacity, const LogLineParts& parts,
                    const wchar_t* format, va_list args);

// "20230920.log" for 20 September 2023.
std::wstring LogDayName(unsigned year, unsigned month, unsigned day);

// Every occurrence of `from` in `text` replaced by `to` (left to right,
// replacements are not searched again).
std::wstring ReplaceAllText(const std::wstring& text, const std::wstring& from, const std::wstring& to);

// Lower case of every character (towlower).
std::wstring LowerText(std::wstring text);

// The log folder for the program's full path: the path lower-cased, walked
// backwards from its end; a "." ends the text there, and the first
// backslash and what follows it become "\Log".
//   C:\Games\Velora.exe -> c:\games\Log
// A path without a backslash keeps its text up to its last dot.
std::wstring LogDirectoryFromModulePath(const std::wstring& modulePath);

// Position of the last backslash of a path, or npos.
size_t LastBackslash(const std::wstring& path);

// The daily file of a process, below `directory`:
//   prefix "\ovwebgame_render": directory + prefix + dayName
//   no prefix: directory + exeName with every ".exe" replaced by dayName,
//              exeName being "\velora.exe" (GetExeName's form)
std::wstring LogFileName(const std::wstring& directory, const std::wstring& prefix,
                         const std::wstring& exeName, const std::wstring& dayName);

// The search pattern of the program's own files: "\velora.exe" ->
// "velora*.log". Several patterns may be joined with ";".
std::wstring CleanPattern(const std::wstring& exeName);
std::vector<std::wstring> SplitPatterns(const std::wstring& patterns);

// directory with one backslash at its end ("c:\x\log" -> "c:\x\log\").
std::wstring WithTrailingBackslash(const std::wstring& directory);

// The oldest path that the clean-up keeps, lower-cased:
//   directory + "\" + "velora.exe" with ".exe" replaced by the day name.
std::wstring CleanThresholdPath(const std::wstring& directory, const std::wstring& exeName,
                                const std::wstring& thresholdDayName);

// True when the listed file (full path) is older than the threshold: the
// lower-cased texts compare lower, ordinally. The threshold day stays.
bool IsLogOlderThanThreshold(const std::wstring& listedPath, const std::wstring& thresholdPath);

// The folder used when the log folder cannot be created: for a program
// named "quillonclient.exe" in any letter case (exeName "\quillonclient.exe"),
// the parent of its folder + "\Tool\GamePreSetUp\clientinforeport\";
// otherwise empty (no fallback). exePath is the program's full path.
std::wstring LogFallbackDirectory(const std::wstring& exePath, const std::wstring& exeName);

// UTF-8 of a wide text (UTF-16 on Windows, UTF-32 elsewhere); unpaired
// surrogates and values beyond U+10FFFF become U+FFFD. Writes at most
// capacity bytes and returns the count; 3 bytes per character always fit.
size_t EncodeUtf8(const wchar_t* text, size_t length, char* out, size_t capacity);
