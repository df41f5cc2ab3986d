#include "command_line_rules.h"

#include <algorithm>
#include <cwctype>

namespace velora_engine {

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> out;
  size_t i = 0;
  const size_t n = line.size();
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (i < n && blank(line[i])) ++i;
  if (i >= n) return out;

  // The program: up to the first blank outside quotes, backslashes literal.
  std::wstring program;
  bool quoted = false;
  for (; i < n; ++i) {
    wchar_t c = line[i];
    if (c == L'"') { quoted = !quoted; continue; }
    if (!quoted && blank(c)) break;
    program.push_back(c);
  }
  out.push_back(program);

  while (true) {
    while (i < n && blank(line[i])) ++i;
    if (i >= n) break;
    std::wstring arg;
    quoted = false;
    while (i < n) {
      wchar_t c = line[i];
      if (c == L'\\') {
        size_t slashes = 0;
        while (i < n && line[i] == L'\\') { ++slashes; ++i; }
        if (i < n && line[i] == L'"') {
          arg.append(slashes / 2, L'\\');
          if (slashes % 2) { arg.push_back(L'"'); ++i; }
        } else {
          arg.append(slashes, L'\\');
        }
        continue;
      }
      if (c == L'"') {
        // Inside quotes, "" is a literal quote (as CommandLineToArgvW does).
        if (quoted && i + 1 < n && line[i + 1] == L'"') { arg.push_back(L'"'); i += 2; continue; }
        quoted = !quoted;
        ++i;
        continue;
      }
      if (!quoted && blank(c)) break;
      arg.push_back(c);
      ++i;
    }
    out.push_back(arg);
  }
  return out;
}

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') { ++slashes; continue; }
    if (c == L'"') {
      out.append(slashes * 2 + 1, L'\\');
      out.push_back(L'"');
    } else {
      out.append(slashes, L'\\');
      out.push_back(c);
    }
    slashes = 0;
  }
  out.append(slashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

std::wstring SwitchName(const std::wstring& raw) {
  std::wstring name = raw;
  if (name.compare(0, 2, L"--") == 0) name.erase(0, 2);
  else if (!name.empty() && (name[0] == L'-' || name[0] == L'/')) name.erase(0, 1);
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

bool CommandLineModel::HasSwitch(const std::wstring& name) const {
  const std::wstring bare = SwitchName(name);
  return std::any_of(switches.begin(), switches.end(),
                     [&](const auto& s) { return s.first == bare; });
}

std::wstring CommandLineModel::GetSwitchValue(const std::wstring& name) const {
  const std::wstring bare = SwitchName(name);
  for (const auto& s : switches)
    if (s.first == bare) return s.second;
  return std::wstring();
}

void CommandLineModel::SetSwitch(const std::wstring& name, const std::wstring& value) {
  const std::wstring bare = SwitchName(name);
  if (bare.empty()) return;
  for (auto& s : switches) {
    if (s.first == bare) { s.second = value; return; }
  }
  switches.emplace_back(bare, value);
}

void CommandLineModel::Clear() {
  program.clear();
  switches.clear();
  arguments.clear();
}

CommandLineModel ParseArgv(const std::vector<std::wstring>& argv) {
  CommandLineModel model;
  if (argv.empty()) return model;
  model.program = argv[0];
  bool switches_done = false;
  for (size_t i = 1; i < argv.size(); ++i) {
    const std::wstring& a = argv[i];
    if (switches_done) { model.arguments.push_back(a); continue; }
    if (a == L"--") { switches_done = true; continue; }
    const bool is_switch = a.size() > 1 && (a[0] == L'-' || a[0] == L'/');
    if (!is_switch) { model.arguments.push_back(a); continue; }
    const size_t eq = a.find(L'=');
    if (eq == std::wstring::npos) model.SetSwitch(a, std::wstring());
    else model.SetSwitch(a.substr(0, eq), a.substr(eq + 1));
  }
  return model;
}

std::wstring FormatCommandLine(const CommandLineModel& model) {
  std::wstring out = QuoteArgument(model.program);
  for (const auto& s : model.switches) {
    out += L" --";
    out += s.first;
    if (!s.second.empty()) {
      // Quote the value only: "--name=\"a b\"" is what Chromium writes.
      out += L"=";
      out += QuoteArgument(s.second);
    }
  }
  bool need_separator = false;
  for (const auto& a : model.arguments)
    if (!a.empty() && (a[0] == L'-' || a[0] == L'/')) need_separator = true;
  if (need_separator) out += L" --";
  for (const auto& a : model.arguments) {
    out += L" ";
    out += QuoteArgument(a);
  }
  return out;
}

bool ChromiumSwitchFor(const std::wstring& name, const std::wstring& value,
                       std::wstring* out) {
  // Switches Chromium still reads under the same name.
  static const wchar_t* const kSame[] = {
      L"allow-file-access-from-files", L"disable-breakpad",
      L"disable-component-update", L"no-proxy-server", L"proxy-server",
      L"proxy-bypass-list", L"proxy-pac-url", L"renderer-process-limit",
      L"disable-web-security", L"user-agent", L"autoplay-policy",
      L"enable-features", L"disable-features", L"js-flags",
      L"force-device-scale-factor", L"disable-extensions",
      L"allow-running-insecure-content", L"disable-popup-blocking",
      L"enable-logging", L"v", L"log-level", L"host-resolver-rules",
      L"ignore-certificate-errors", L"disable-background-timer-throttling",
      L"disable-renderer-backgrounding", L"mute-audio",
  };
  std::wstring target;
  if (name == L"ignore-gpu-blacklist") {
    target = L"ignore-gpu-blocklist";
  } else {
    for (const wchar_t* s : kSame)
      if (name == s) target = s;
  }
  // "--enable-webgl", "--enable-npapi" and "--always-authorize-plugins"
  // have no effect in current Chromium (WebGL is on by default; plug-ins
  // are gone), and the engine's own switches never leave it.
  if (target.empty()) return false;
  *out = L"--" + target;
  if (!value.empty()) *out += L"=" + value;
  return true;
}

}  // namespace velora_engine
