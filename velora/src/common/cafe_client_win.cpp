#include "common/cafe_client_win.h"

#include <cstdio>
#include <string>

#include "common/frame_window_rules.h"
#include "handshake/handshake_token.h"
#include "win_include.h"

namespace {

using SSOSignFn = HANDLE(WINAPI*)(const char* token);
using VeyraFn = int(WINAPI*)(HANDLE handle);

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The lines carry their own line breaks (or none); written as they come so
// that an operator watching the console sees how far the test got.
void WriteLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace

bool RunCafeTest() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring library = path;
  library = library.substr(0, library.rfind(L'\\') + 1) + L"Veyra.dll";

  HMODULE module = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  // "start!" whatever the load gave, before the library is asked anything.
  WriteLine("start!");
  bool exportsFound = false;
  int code = 0;
  SSOSignFn ssoSign = nullptr;
  VeyraFn veyra = nullptr;
  if (module) {
    ssoSign = Export<SSOSignFn>(module, "SSOSign");
    veyra = Export<VeyraFn>(module, "Veyra");
    // Never called, but its absence marks a library that is not ours.
    const bool barId = GetProcAddress(module, "GetOVBarId") != nullptr;
    exportsFound = ssoSign && veyra && barId;
  }
  if (module && exportsFound) {
    const std::string token = handshake::MakeHandshakeToken();
    // A refused token gives a null handle; Veyra then answers 0.
    code = veyra(ssoSign(token.c_str()));
  }
  const CafeTestReport report = CafeTestOutcome(module != nullptr, exportsFound, code);
  for (size_t i = 1; i < report.lines.size(); ++i) {
    // "end!" follows the unloading.
    if (module && !report.keepLibrary && report.lines[i] == "end!") {
      FreeLibrary(module);
      module = nullptr;
    }
    WriteLine(report.lines[i]);
  }
  return report.inCafe;
}
