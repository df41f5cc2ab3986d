#include "log_rules.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace {

// Formats into buffer[used..limit) and advances used; a cut piece keeps
// what fitted. swprintf reports a cut as -1 (glibc, leaving no terminator)
// or as the full length (MinGW), so the terminator is placed here.
void AppendFormatV(wchar_t* buffer, size_t& used, size_t limit, const wchar_t* format, va_list args) {
  if (used + 1 >= limit) return;
  const size_t room = limit - used;
  const int n = std::vswprintf(buffer + used, room, format, args);
  if (n >= 0 && static_cast<size_t>(n) < room) {
    used += static_cast<size_t>(n);
    return;
  }
  buffer[limit - 1] = L'\0';
  used += std::wcslen(buffer + used);
}

void AppendFormat(wchar_t* buffer, size_t& used, size_t limit, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer, used, limit, format, args);
  va_end(args);
}

// The prefixes are built by hand: swprintf costs more than the write of a
// flushed line.
void AppendText(wchar_t* buffer, size_t& used, size_t limit, const wchar_t* text) {
  while (*text && used + 1 < limit) buffer[used++] = *text++;
  buffer[used] = L'\0';
}

// value in `base` with at least `width` digits (lower-case hexadecimal).
void AppendNumber(wchar_t* buffer, size_t& used, size_t limit, unsigned long long value, unsigned base,
                  unsigned width) {
  wchar_t digits[24];
  unsigned n = 0;
  do {
    const unsigned d = static_cast<unsigned>(value % base);
    digits[n++] = static_cast<wchar_t>(d < 10 ? L'0' + d : L'a' + (d - 10));
    value /= base;
  } while (value && n < 24);
  while (n < width && n < 24) digits[n++] = L'0';
  while (n > 0 && used + 1 < limit) buffer[used++] = digits[--n];
  buffer[used] = L'\0';
}

// The formats the frame logs are text with %ls, %d, %u and %%; those are
// formatted here, anything else (widths, %x, %s ...) by vswprintf. False
// when the format needs vswprintf; then nothing of args has been used up
// that the caller's copy still needs.
bool AppendSimpleFormat(wchar_t* buffer, size_t& used, size_t limit, const wchar_t* format, va_list args) {
  for (const wchar_t* f = format; *f; ++f) {
    if (*f != L'%') continue;
    const wchar_t next = f[1];
    if (next == L'%' || next == L'd' || next == L'u') {
      ++f;
      continue;
    }
    if (next == L'l' && f[2] == L's') {
      f += 2;
      continue;
    }
    return false;
  }
  for (const wchar_t* f = format; *f && used + 1 < limit; ++f) {
    if (*f != L'%') {
      buffer[used++] = *f;
      continue;
    }
    ++f;
    if (*f == L'%') {
      buffer[used++] = L'%';
    } else if (*f == L'd') {
      const int value = va_arg(args, int);
      if (value < 0) {
        buffer[used++] = L'-';
        AppendNumber(buffer, used, limit, 0ull - static_cast<unsigned long long>(static_cast<long long>(value)), 10, 1);
      } else {
        AppendNumber(buffer, used, limit, static_cast<unsigned long long>(value), 10, 1);
      }
    } else if (*f == L'u') {
      AppendNumber(buffer, used, limit, va_arg(args, unsigned), 10, 1);
    } else {  // "ls"
      ++f;
      const wchar_t* text = va_arg(args, const wchar_t*);
      AppendText(buffer, used, limit, text ? text : L"(null)");
    }
  }
  buffer[used] = L'\0';
  return true;
}

}  // namespace

const wchar_t* LogLevelName(unsigned level) {
  switch (level) {
    case kLogStartup: return L"Startup";
    case kLogShutdown: return L"Shutdown";
    case kLogInfo: return L"Info";
    case kLogWarning: return L"Warning";
    case kLogTrace: return L"Trace";
    case kLogError: return L"Error";
    case kLogDebug: return L"Debug";
    default: return L"Unkown";
  }
}

size_t BuildLogLine(wchar_t* buffer, size_t capacity, const LogLineParts& parts,
                    const wchar_t* format, va_list args) {
  size_t used = 0;
  buffer[0] = L'\0';
  const LogLocalTime& t = parts.time;
  if (parts.prefixFlags & kLogPrefixTime) {
    // "[%02u:%02u:%02u.%03u]|"
    AppendText(buffer, used, capacity, L"[");
    AppendNumber(buffer, used, capacity, t.hour, 10, 2);
    AppendText(buffer, used, capacity, L":");
    AppendNumber(buffer, used, capacity, t.minute, 10, 2);
    AppendText(buffer, used, capacity, L":");
    AppendNumber(buffer, used, capacity, t.second, 10, 2);
    AppendText(buffer, used, capacity, L".");
    AppendNumber(buffer, used, capacity, t.millisecond, 10, 3);
    AppendText(buffer, used, capacity, L"]|");
  }
  if (parts.prefixFlags & kLogPrefixProcessThread) {
    // "[%04x]|[%04x]|"
    AppendText(buffer, used, capacity, L"[");
    AppendNumber(buffer, used, capacity, parts.processId, 16, 4);
    AppendText(buffer, used, capacity, L"]|[");
    AppendNumber(buffer, used, capacity, parts.threadId, 16, 4);
    AppendText(buffer, used, capacity, L"]|");
  }
  if (parts.prefixFlags & kLogPrefixSourceLine)
    AppendFormat(buffer, used, capacity, L"[%ls:%d]|", parts.sourceFile ? parts.sourceFile : L"",
                 parts.sourceLine);
  AppendText(buffer, used, capacity, L"[");
  AppendText(buffer, used, capacity, LogLevelName(parts.level));
  AppendText(buffer, used, capacity, L"]|");
  if (parts.prefixFlags & kLogPrefixFunction) {
    AppendText(buffer, used, capacity, L"[");
    AppendText(buffer, used, capacity, parts.function ? parts.function : L"");
    AppendText(buffer, used, capacity, L"]|");
  }
  // The message may fill all but the line feed and the terminator.
  if (capacity >= 2 && used + 2 < capacity && format) {
    va_list copy;
    va_copy(copy, args);
    if (!AppendSimpleFormat(buffer, used, capacity - 1, format, copy)) AppendFormatV(buffer, used, capacity - 1, format, args);
    va_end(copy);
  }
  if (used > capacity - 2) used = capacity - 2;
  buffer[used++] = L'\n';
  buffer[used] = L'\0';
  return used;
}

std::wstring LogDayName(unsigned year, unsigned month, unsigned day) {
  wchar_t name[32];
  std::swprintf(name, 32, L"%04u%02u%02u.log", year, month, day);
  return name;
}

std::wstring ReplaceAllText(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  std::wstring out;
  size_t start = 0;
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, start)) {
    out.append(text, start, at - start);
    out += to;
    start = at + from.size();
  }
  out.append(text, start, std::wstring::npos);
  return out;
}

std::wstring LowerText(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return text;
}

std::wstring LogDirectoryFromModulePath(const std::wstring& modulePath) {
  std::wstring text = LowerText(modulePath);
  for (size_t i = text.size(); i-- > 0;) {
    if (text[i] == L'.') {
      text.resize(i);
    } else if (text[i] == L'\\') {
      text.resize(i);
      text += L"\\Log";
      break;
    }
  }
  return text;
}

size_t LastBackslash(const std::wstring& path) { return path.rfind(L'\\'); }

std::wstring LogFileName(const std::wstring& directory, const std::wstring& prefix,
                         const std::wstring& exeName, const std::wstring& dayName) {
  if (!prefix.empty()) return directory + prefix + dayName;
  return directory + ReplaceAllText(exeName, L".exe", dayName);
}

namespace {
std::wstring WithoutLeadingBackslash(const std::wstring& exeName) {
  return !exeName.empty() && exeName[0] == L'\\' ? exeName.substr(1) : exeName;
}
}  // namespace

std::wstring CleanPattern(const std::wstring& exeName) {
  return ReplaceAllText(WithoutLeadingBackslash(exeName), L".exe", L"*.log");
}

std::vector<std::wstring> SplitPatterns(const std::wstring& patterns) {
  std::vector<std::wstring> out;
  size_t start = 0;
  for (;;) {
    const size_t end = patterns.find(L';', start);
    std::wstring one = patterns.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!one.empty()) out.push_back(one);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return out;
}

std::wstring WithTrailingBackslash(const std::wstring& directory) {
  if (!directory.empty() && directory.back() == L'\\') return directory;
  return directory + L"\\";
}

std::wstring CleanThresholdPath(const std::wstring& directory, const std::wstring& exeName,
                                const std::wstring& thresholdDayName) {
  return LowerText(directory + L"\\" +
                   ReplaceAllText(WithoutLeadingBackslash(exeName), L".exe", thresholdDayName));
}

bool IsLogOlderThanThreshold(const std::wstring& listedPath, const std::wstring& thresholdPath) {
  return LowerText(listedPath).compare(LowerText(thresholdPath)) < 0;
}

std::wstring LogFallbackDirectory(const std::wstring& exePath, const std::wstring& exeName) {
  if (LowerText(WithoutLeadingBackslash(exeName)) != L"quillonclient.exe") return std::wstring();
  // exePath = <parent>\<folder>\quillonclient.exe: drop the name, then the folder.
  std::wstring folder = exePath.substr(0, exePath.size() - std::min(exePath.size(), exeName.size()));
  const size_t cut = LastBackslash(folder);
  const std::wstring parent = cut == std::wstring::npos ? std::wstring() : folder.substr(0, cut);
  return parent + L"\\Tool\\GamePreSetUp\\clientinforeport\\";
}

size_t EncodeUtf8(const wchar_t* text, size_t length, char* out, size_t capacity) {
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    unsigned long c = static_cast<unsigned long>(text[i]);
    if (sizeof(wchar_t) == 2) c &= 0xFFFFu;
    if (c < 0x80) {
      if (n + 1 > capacity) break;
      out[n++] = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
      unsigned long low = static_cast<unsigned long>(text[i + 1]);
      if (sizeof(wchar_t) == 2) low &= 0xFFFFu;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x800) {
      if (n + 2 > capacity) break;
      out[n++] = static_cast<char>(0xC0 | (c >> 6));
      out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      if (n + 3 > capacity) break;
      out[n++] = static_cast<char>(0xE0 | (c >> 12));
      out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      if (n + 4 > capacity) break;
      out[n++] = static_cast<char>(0xF0 | (c >> 18));
      out[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return n;
}
