// The frame's start-up decisions as plain functions: the process kind from
// the "type" switch, the two forms of the command line, the engine switches
// of the browser process, the icon path of pop-up windows and the game
// address. The Win32 and engine code that feeds them stays thin.
#pragma once

#include <string>
#include <vector>

// Kind of a Velora process, from its "type" switch.
enum ProcessKind { kProcessMain = 0, kProcessRenderer = 1, kProcessOther = 3 };

// No switch: main; exactly "renderer" (case-sensitive): renderer; any other
// value, the empty one included: other.
ProcessKind ProcessKindFromType(bool hasTypeSwitch, const std::wstring& typeValue);

// The text after the program name:
//   ""                    -> nothing
//   "config:C:\x\a.ini"   -> settings file "C:\x\a.ini" (nothing stripped)
//   "config:"             -> settings file "" (an empty path)
//   "Config:..", " config:..", "12345" -> launch argument, the whole text
struct LaunchCommand {
  bool hasSettingsFile = false;
  std::wstring settingsPath;
  std::wstring launchArgument;
};
LaunchCommand ClassifyCommandLine(const std::wstring& commandLine);

// One switch the browser process adds to the engine's command line, in the
// form it is passed (eight with "--", "no-proxy-server" without).
struct EngineSwitch {
  const wchar_t* name;
  const wchar_t* value;  // null: a switch without a value
};
const std::vector<EngineSwitch>& BrowserProcessSwitches();

// Icon of pop-up browser windows: the settings path without its last 14
// characters (the whole path when shorter), then "skin\image\" and the
// IconUrl value.
//   "D:\game\config\abc.ini", "game.ico" -> "D:\game\skin\image\game.ico"
std::wstring IconPathFor(const std::wstring& settingsPath, const std::wstring& iconUrl);

// Home page + ("?" when it has no "?", else "&") +
// "ovqd=wd_chrome_<launch argument>&cpqd=<channel origin>", nothing escaped.
std::wstring GameAddress(const std::wstring& homePage, const std::wstring& launchArgument,
                         const std::wstring& channelOrigin);

// What the frame takes from its settings file, section LAUNCHER.
struct LaunchSettings {
  std::wstring guanWang;  // GuanWang: official site
  std::wstring lunTan;    // LunTan: forum
  std::wstring chongzhi;  // Chongzhi: top-up
  std::wstring keFu;      // KeFu: customer service
  std::wstring byPhone;   // ByPhone: phone page or "qrcode"
  std::wstring iconPath;  // from IconUrl, see IconPathFor
};

// The channel origin read from a registry value of at most 260 bytes: the
// text up to its first zero character. `bytes` is what the read returned.
std::wstring OriginFromValue(const wchar_t* data, size_t bytes);
