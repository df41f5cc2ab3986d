// Hashes of the engine API this tree is written against: CEF 100, branch
// 4896. A real CEF distribution of that branch reports the same platform hash
// from cef_api_hash(0).
#ifndef CEF_INCLUDE_API_HASH_H_
#define CEF_INCLUDE_API_HASH_H_
#pragma once

#include "include/base/cef_build.h"
#include "include/internal/cef_export.h"

#define CEF_API_HASH_UNIVERSAL "c32d3ae315c5991d1bd81c412635d95a3fd353f8"
#if defined(OS_WIN)
#define CEF_API_HASH_PLATFORM "cb1d823e15caa7e7b6074e3e612d111145b374d1"
#elif defined(OS_MAC)
#define CEF_API_HASH_PLATFORM "7e3a768a3b73a514763ce9902afb85775ca8c83d"
#elif defined(OS_LINUX)
#define CEF_API_HASH_PLATFORM "bc9260335c9493beb100645dbccd587e62925b9e"
#endif

#ifdef __cplusplus
extern "C" {
#endif

// 0: platform hash, 1: universal hash, 2: commit hash of the engine build.
CEF_EXPORT const char* cef_api_hash(int entry);

#ifdef __cplusplus
}
#endif

#endif  // CEF_INCLUDE_API_HASH_H_
