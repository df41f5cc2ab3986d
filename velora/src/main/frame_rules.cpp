#include "frame_rules.h"

ProcessKind ProcessKindFromType(bool hasTypeSwitch, const std::wstring& typeValue) {
  if (!hasTypeSwitch) return kProcessMain;
  return typeValue == L"renderer" ? kProcessRenderer : kProcessOther;
}

LaunchCommand ClassifyCommandLine(const std::wstring& commandLine) {
  static const std::wstring kConfig = L"config:";
  LaunchCommand command;
  if (commandLine.empty()) return command;
  if (commandLine.compare(0, kConfig.size(), kConfig) == 0) {
    command.hasSettingsFile = true;
    command.settingsPath = commandLine.substr(kConfig.size());
  } else {
    command.launchArgument = commandLine;
  }
  return command;
}

const std::vector<EngineSwitch>& BrowserProcessSwitches() {
  static const std::vector<EngineSwitch> switches = {
      {L"--enable-webgl", L"1"},
      {L"--ignore-gpu-blacklist", L"1"},
      {L"--allow-file-access-from-files", L"1"},
      {L"--always-authorize-plugins", nullptr},
      {L"--disable-breakpad", nullptr},
      {L"--disable-component-update", nullptr},
      // Gone from the engine since long; it ignores the switch.
      {L"--enable-npapi", nullptr},
      {L"no-proxy-server", nullptr},
      {L"--renderer-process-limit", L"1"},
  };
  return switches;
}

std::wstring IconPathFor(const std::wstring& settingsPath, const std::wstring& iconUrl) {
  const size_t kept = settingsPath.size() < 14 ? settingsPath.size() : settingsPath.size() - 14;
  return settingsPath.substr(0, kept) + L"skin\\image\\" + iconUrl;
}

std::wstring GameAddress(const std::wstring& homePage, const std::wstring& launchArgument,
                         const std::wstring& channelOrigin) {
  std::wstring address = homePage;
  address += homePage.find(L'?') == std::wstring::npos ? L"?" : L"&";
  address += L"ovqd=wd_chrome_" + launchArgument + L"&cpqd=" + channelOrigin;
  return address;
}

std::wstring OriginFromValue(const wchar_t* data, size_t bytes) {
  const size_t chars = bytes / sizeof(wchar_t);
  size_t n = 0;
  while (n < chars && data[n] != L'\0') ++n;
  return std::wstring(data, n);
}
