#include "UILog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "UIString.h"

#ifdef _WIN32
#include "win_include.h"
#endif

namespace DuiLib {

namespace {

void DefaultSink(UiLogLevel, const wchar_t* line) {
#ifdef _WIN32
  ::OutputDebugStringW(line);
  ::OutputDebugStringW(L"\n");
#else
  std::fprintf(stderr, "%ls\n", line);
#endif
}

std::atomic<UiLogSink> g_sink{nullptr};

}  // namespace

UiLogSink SetUiLogSink(UiLogSink sink) { return g_sink.exchange(sink); }

void UiLog(UiLogLevel level, const wchar_t* format, ...) {
  CDuiString line;
  va_list args;
  va_start(args, format);
  line.FormatV(format, args);
  va_end(args);
  UiLogSink sink = g_sink.load();
  (sink ? sink : DefaultSink)(level, line.GetData());
}

}  // namespace DuiLib
