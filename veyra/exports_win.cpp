// Veyra.dll: the entry point and the three exports. The decisions are in
// veyra_core; this file hands them the real probes. No exception leaves an
// export.
#include <cstdint>
#include <exception>
#include <string>

#include "bar_id_fallback.h"
#include "bc_server.h"
#include "handshake_token.h"
#include "probes.h"
#include "veyra_core.h"
#include "win_include.h"

#include <objbase.h>

namespace veyra {
namespace {

// Created empty when the library is loaded, destroyed when it is unloaded.
HandleTable g_handles;

// COM for the calling thread, apartment-threaded, for the length of one
// exchange with the bar-client server. Undone only when this call did it
// (S_OK or S_FALSE), so a thread whose caller already chose the
// multi-threaded apartment is left as it was.
class ScopedComInit {
 public:
  ScopedComInit() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ScopedComInit() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;

 private:
  HRESULT hr_;
};

class WinCafeEnvironment : public CafeEnvironment {
 public:
  void DebugLine(const wchar_t* line) override { OutputDebugStringW(line); }
  void EnsureServerLink() override { BcServer::Instance(); }
  HandleValue CallerThreadHandle() override {
    return reinterpret_cast<HandleValue>(GetCurrentThread());
  }
  std::string HandshakeToken() override { return handshake::MakeHandshakeToken(); }
  uint32_t ServerBarId() override {
    ScopedComInit com;
    return BcServer::Instance()->GetBcBarId();
  }
  uint32_t FallbackBarId() override { return ReadBarIdFallback(L"BarId", L"4="); }
  bool FindRunningProcess(const wchar_t* name, std::wstring* path) override {
    return veyra::FindRunningProcess(name, path);
  }
  std::wstring SignerSubject(const std::wstring& file) override {
    SignerInfo info;
    InspectSigner(file.c_str(), &info);
    return info.subject_name;
  }
  int32_t ProbeOmbraEnv() override { return veyra::ProbeOmbraEnv(); }
  bool QuerySpreader(char* buffer, size_t size) override {
    return QueryOmbraSpreader(buffer, static_cast<int>(size));
  }
};

}  // namespace
}  // namespace veyra

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" {

HANDLE WINAPI SSOSign(const char* token) {
  try {
    veyra::WinCafeEnvironment env;
    return reinterpret_cast<HANDLE>(veyra::SSOSign(env, veyra::g_handles, token));
  } catch (...) {
    return nullptr;
  }
}

int WINAPI Veyra(HANDLE handle) {
  try {
    veyra::WinCafeEnvironment env;
    return veyra::CafeTest(env, veyra::g_handles, reinterpret_cast<veyra::HandleValue>(handle));
  } catch (...) {
    return veyra::kNotCafe;
  }
}

bool WINAPI GetOVBarId(int type, char* out) {
  try {
    veyra::WinCafeEnvironment env;
    return veyra::GetOVBarId(env, type, out);
  } catch (...) {
    return false;
  }
}

}  // extern "C"
