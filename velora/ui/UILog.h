// Where the skin UI library reports what it could not build: a missing or
// malformed skin, an unknown control class, an image that cannot be read.
// The program points the sink at its own log; without a sink the lines go to
// the debugger output on Windows and to stderr elsewhere.
#pragma once

namespace DuiLib {

enum class UiLogLevel { Info = 4, Warning = 8, Error = 32, Debug = 64 };

using UiLogSink = void (*)(UiLogLevel level, const wchar_t* line);

// Replaces the sink (null restores the default); returns the previous one.
UiLogSink SetUiLogSink(UiLogSink sink);

// printf-style; wide strings are passed with %ls.
void UiLog(UiLogLevel level, const wchar_t* format, ...);

}  // namespace DuiLib
