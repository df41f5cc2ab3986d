#include "veyra_core.h"

#include <cstdio>
#include <cstring>

namespace veyra {

const wchar_t kLineTokenAccepted[] = L"Veyra::SSOSign, MD5令牌验证通过";
const wchar_t kLineTokenRejected[] = L"Veyra::SSOSign, MD5令牌验证不通过";
const wchar_t kLineHandleRejected[] = L"Veyra::Veyra, 句柄验证不通过";
const wchar_t kLineHandleAccepted[] = L"Veyra::Veyra, 句柄验证通过";
const wchar_t kLineBarIdFound[] = L"Veyra::Veyra, BarId找到，是网维环境";
const wchar_t kLineNoClientProcess[] = L"Veyra::Veyra, 网维进程名没有找到，不是网维环境";
const wchar_t kLineSignerAccepted[] = L"Veyra::Veyra, 数字签名正确，是网维环境";
const wchar_t kLineSignerRejected[] = L"Veyra::Veyra, 数字签名不正确，不是网维环境";

const wchar_t kTallowviewExe[] = L"Tallowview.exe";
const wchar_t kQuillonClientExe[] = L"QuillonClient.exe";

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool TokenMatches(const char* given, const std::string& expected) {
  if (!given) return false;
  size_t i = 0;
  for (; i < expected.size(); ++i) {
    if (given[i] == '\0' || AsciiLower(given[i]) != AsciiLower(expected[i])) return false;
  }
  return given[i] == '\0';
}

HandleValue SSOSign(CafeEnvironment& env, HandleTable& table, const char* token) {
  env.EnsureServerLink();
  const HandleValue handle = env.CallerThreadHandle();
  // Slot 0 is set whatever the outcome of the check.
  table.Set(0, handle);
  if (TokenMatches(token, env.HandshakeToken())) {
    env.DebugLine(kLineTokenAccepted);
    return handle;
  }
  env.DebugLine(kLineTokenRejected);
  return 0;
}

int32_t CafeTest(CafeEnvironment& env, const HandleTable& table, HandleValue handle) {
  // Without any SSOSign call there is nothing to compare with.
  if (!table.Empty()) {
    if (handle != table.Lowest()) {
      env.DebugLine(kLineHandleRejected);
      return kNotCafe;
    }
    env.DebugLine(kLineHandleAccepted);
  }

  env.EnsureServerLink();
  if (env.ServerBarId() != 0) {
    env.DebugLine(kLineBarIdFound);
    return kManagedCafe;
  }

  std::wstring path;
  if (!env.FindRunningProcess(kTallowviewExe, &path) &&
      !env.FindRunningProcess(kQuillonClientExe, &path)) {
    env.DebugLine(kLineNoClientProcess);
    return env.ProbeOmbraEnv();
  }

  // Only the subject counts; an unreadable signature leaves it empty.
  const std::wstring subject = env.SignerSubject(path);
  if (subject.find(L"Orvane") != std::wstring::npos ||
      subject.find(L"Quillonsoft") != std::wstring::npos) {
    env.DebugLine(kLineSignerAccepted);
    return kManagedCafe;
  }
  env.DebugLine(kLineSignerRejected);
  return env.ProbeOmbraEnv();
}

bool GetOVBarId(CafeEnvironment& env, int32_t type, char* out) {
  if (!out) return false;
  char buffer[kBarIdBufferSize] = {};
  switch (type) {
    case 1: {
      env.EnsureServerLink();
      uint32_t bar_id = env.ServerBarId();
      if (bar_id == 0) bar_id = env.FallbackBarId();
      if (bar_id == 0) return false;
      std::snprintf(buffer, sizeof(buffer), "%d", static_cast<int32_t>(bar_id));
      break;
    }
    case 2:
      if (!env.QuerySpreader(buffer, sizeof(buffer))) return false;
      break;
    default:
      return false;
  }
  std::memcpy(out, buffer, sizeof(buffer));
  return true;
}

}  // namespace veyra
