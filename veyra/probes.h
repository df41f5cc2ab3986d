// The cafe probes: a running process and its executable, the Authenticode
// signer of an executable, and the Ombra vendor library "ombra4qqxw.dll".
// None keeps state between calls; any thread may call them.
#pragma once

#include <string>

#include "win_include.h"

namespace veyra {

// The signer certificate of an executable's embedded signature. What
// InspectSigner cannot read stays empty (strings) or zero (time).
struct SignerInfo {
  std::wstring serial_number;  // "03 02 01": most significant byte first
  std::wstring issuer_name;    // simple display name of the issuer
  std::wstring subject_name;   // simple display name of the signer
  SYSTEMTIME signing_time{};   // the counter-signature's time, local time
};

// Finds the first process in snapshot order whose executable file name is
// `name` (case ignored). `path` receives the executable's full path, or an
// empty string when the process has no first module; it is left as it was
// when the process's modules cannot be listed. A process that was found
// counts as found even when its path cannot be read.
bool FindRunningProcess(const std::wstring& name, std::wstring* path);

// Reads the signer certificate and the timestamp's signing time of `file`.
// 0 when both the certificate and the signing time were read; otherwise the
// platform error code of the last failing call, or -1 when there is none (a
// null or empty path, or a signature without a counter-signature).
int InspectSigner(const wchar_t* file, SignerInfo* info);

// 2 when "ombra4qqxw.dll" reports its environment (IsOmbraEnv), 0 otherwise.
// The library stays loaded.
int ProbeOmbraEnv();

// Asks "ombra4qqxw.dll" (GetSpreader) for the spreader text: true when it
// wrote it into `buffer` of `size` bytes. The library stays loaded.
bool QueryOmbraSpreader(char* buffer, int size);

extern const wchar_t kOmbraLibrary[];  // L"ombra4qqxw.dll"

}  // namespace veyra
