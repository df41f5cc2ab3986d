// Fixed-size integer names of the engine API (int64, uint32, char16 ...).
#ifndef CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
#define CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
#pragma once

#include <limits.h>
#include <stddef.h>

#include "include/base/cef_build.h"

#if defined(__LP64__) && !defined(OS_MAC)
typedef long int64;
typedef unsigned long uint64;
#else
typedef long long int64;
typedef unsigned long long uint64;
#endif

#ifndef _INT32
#define _INT32
typedef int int32;
#endif
#ifndef _UINT32
#define _UINT32
typedef unsigned int uint32;
#endif
#ifndef _INT16
#define _INT16
typedef short int16;
#endif
#ifndef _UINT16
#define _UINT16
typedef unsigned short uint16;
#endif

// The engine's UTF-16 code unit. On Windows it is wchar_t, so engine strings
// and Win32 wide strings share one type. Elsewhere wchar_t is 32 bits wide and
// the UTF-16 unit is char16_t (in C++; plain C sees a 16-bit integer).
#ifndef char16
#if defined(WCHAR_T_IS_UTF16)
typedef wchar_t char16;
#elif defined(__cplusplus)
typedef char16_t char16;
#else
typedef unsigned short char16;
#endif
#endif

#endif  // CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
