// A stand-in for a preload or game program in the start tests. Copied under
// any name (game.exe, preload.exe, Tallowview.exe), it records how it was
// started into "<own path>.rec":
//   line 1: the command line exactly as received
//   line 2: the current directory
// (UTF-8, written to a temporary file and renamed, so a reader never sees
// half a record). While "<own path>.hold" exists it keeps running, which
// lets a test decide when a waited-for preload ends. It is a GUI-subsystem
// program without a window, so that starting it with CREATE_NEW_CONSOLE (as
// Rundle does for preloads) leaves no console host behind.
#include "win_include.h"

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t self[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
  wchar_t cwd[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, cwd);

  const std::wstring record = std::wstring(self) + L".rec";
  const std::wstring temp = record + L".tmp";
  const std::string text = Utf8(GetCommandLineW()) + "\n" + Utf8(cwd) + "\n";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(temp.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
  }

  // Held by the test: stay until the hold file is gone (at most two minutes,
  // so a failed test cannot leave it behind for good).
  const std::wstring hold = std::wstring(self) + L".hold";
  for (int i = 0; i < 6000 && GetFileAttributesW(hold.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
  return 0;
}
