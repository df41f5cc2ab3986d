// A stand-in Veyra.dll for the close flow's tests: it answers Veyra with
// the number in the environment variable VELORA_FAKE_VEYRA_ANSWER (2 when
// unset), which the real library gives only in another vendor's cafe
// environment; built once more without GetOVBarId (FAKE_VEYRA_NO_BAR_ID).
#include "win_include.h"

#include <cstdlib>

extern "C" {

__declspec(dllexport) HANDLE WINAPI SSOSign(const char*) { return GetCurrentThread(); }

__declspec(dllexport) int WINAPI Veyra(HANDLE) {
  char value[16] = {};
  if (!GetEnvironmentVariableA("VELORA_FAKE_VEYRA_ANSWER", value, sizeof value)) return 2;
  return std::atoi(value);
}

#ifndef FAKE_VEYRA_NO_BAR_ID
__declspec(dllexport) bool WINAPI GetOVBarId(int, char*) { return false; }
#endif

}  // extern "C"
