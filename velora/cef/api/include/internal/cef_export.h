// Export decoration of the engine's C functions. The engine here is linked
// statically into the program, so the decoration is empty; CEF_CALLBACK
// stays the calling convention CEF gives its C callbacks.
#ifndef CEF_INCLUDE_INTERNAL_CEF_EXPORT_H_
#define CEF_INCLUDE_INTERNAL_CEF_EXPORT_H_
#pragma once

#include "include/base/cef_build.h"

#define CEF_EXPORT

#if defined(OS_WIN)
#define CEF_CALLBACK __stdcall
#else
#define CEF_CALLBACK
#endif

#endif  // CEF_INCLUDE_INTERNAL_CEF_EXPORT_H_
