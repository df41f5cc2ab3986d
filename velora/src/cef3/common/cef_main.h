// CefMainInit: engine start-up of every Velora process. Its constructor
// classifies the process by its "type" switch, lets a sub-process do its
// engine work and end inside cef_execute_process, and in the main process
// initialises the engine with the frame's settings (multi-threaded loop, no
// engine log, zh-CN, cache and log beside the program).
#pragma once

#include <string>

#include "include/cef_base.h"
#include "win_include.h"

class CefMainInit : public CefBaseRefCounted {
 public:
  // Writes both flags: whether the engine runs its own message loop thread,
  // and whether CefInitialize succeeded. Never returns in a sub-process.
  CefMainInit(HINSTANCE instance, unsigned char* multiThreadedLoop, unsigned char* success);

 private:
  IMPLEMENT_REFCOUNTING(CefMainInit);
  DISALLOW_COPY_AND_ASSIGN(CefMainInit);
};

// Folder of the running program file as the system reports its path, with
// its trailing backslash (keepTrailingBackslash) or without.
std::wstring GetExeDir(bool keepTrailingBackslash);
