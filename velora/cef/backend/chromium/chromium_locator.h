// Where to look for a Chromium to drive, as a plain list of Windows paths in
// the order they are tried; ChromiumProcess::Locate takes the first that
// exists. No file system access here.
#pragma once

#include <string>
#include <vector>

namespace velora_engine {

// The settings file beside the program that may name a Chromium:
//   VeloraEngine.ini
//     [Engine]
//     Chromium=D:\Tools\chromium\chrome.exe
//     OnlyConfigured=1     (optional: look nowhere else)
constexpr wchar_t kEngineSettingsFile[] = L"VeloraEngine.ini";
constexpr wchar_t kEngineSettingsSection[] = L"Engine";
constexpr wchar_t kEngineSettingsChromiumKey[] = L"Chromium";
constexpr wchar_t kEngineSettingsOnlyConfiguredKey[] = L"OnlyConfigured";

// The candidates, in order:
//  1. configured (the settings file's value), when not blank. Surrounding
//     spaces and double quotes are dropped; under Wine a Unix path
//     ("/opt/chromium/chrome") becomes its Z: form ("Z:\opt\chromium\chrome").
//  2. under Wine: Z:\usr\lib\chromium\chromium (Debian's program itself, not
//     the /usr/bin/chromium wrapper script) and
//     Z:\usr\lib\chromium-browser\chromium-browser.
//  3. Chromium-based browsers installed on Windows, each browser under every
//     folder of program_files_dirs and then local_app_data:
//       Chromium\Application\chrome.exe
//       Google\Chrome\Application\chrome.exe
//       Microsoft\Edge\Application\msedge.exe
// Blank folders are skipped; a path already listed (compared without regard
// to case) is not listed again. With only_configured (the settings file's
// OnlyConfigured=1) the list holds the configured path alone, or nothing.
std::vector<std::wstring> ChromiumCandidates(const std::wstring& configured, bool under_wine,
                                             const std::vector<std::wstring>& program_files_dirs,
                                             const std::wstring& local_app_data,
                                             bool only_configured = false);

// Joins a folder and a relative path with exactly one backslash between them:
// JoinWindowsPath(L"C:\\a\\", L"b") -> L"C:\\a\\b".
std::wstring JoinWindowsPath(const std::wstring& dir, const std::wstring& relative);

// User-data folders: one per running frame, <engine root>\<pid>, so that two
// frames started from one folder never share a Chromium profile.
std::wstring UserDataFolderFor(const std::wstring& engine_root, unsigned long pid);
// The pid a user-data folder's name stands for: plain decimal digits, no
// sign or leading zero, at most 4294967295 and not 0. "1234" -> 1234;
// "01234", "12a", "", "Default" -> false.
bool ParseUserDataFolderName(const std::wstring& name, unsigned long* pid);

}  // namespace velora_engine
