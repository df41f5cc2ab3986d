// CMainMessageLoopWin: the main thread's message loop and the way to run
// work there. Any thread posts a task; it runs on the main thread inside the
// loop. Before Run creates the loop's message-only window, and again after
// Run has ended, posted tasks wait in a queue; Run hands the queued tasks to
// the window first, in order, so a task posted early runs before any later
// one. Tasks still queued when the loop is destroyed are released unrun.
#pragma once

#include <deque>
#include <mutex>

#include "include/cef_task.h"
#include "win_include.h"

class CMainMessageLoopWin {
 public:
  // On the main thread: registers "Client_CustomTask" and becomes the
  // process's loop.
  CMainMessageLoopWin();
  ~CMainMessageLoopWin();
  CMainMessageLoopWin(const CMainMessageLoopWin&) = delete;
  CMainMessageLoopWin& operator=(const CMainMessageLoopWin&) = delete;

  // The process's loop, or null outside its lifetime.
  static CMainMessageLoopWin* GetMainMessageLoop();

  // Pumps messages (the UI library sees each one first) until WM_QUIT and
  // returns its exit code. Owning thread only.
  int Run();
  // From any thread.
  void PostTask(CefRefPtr<CefTask> task);
  bool RunsTasksOnCurrentThread() const;

 private:
  static LRESULT CALLBACK MessageWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Posts one task to the window with the reference it carries. Lock held.
  void PostTaskToWindow(CefRefPtr<CefTask> task);

  std::mutex lock_;
  HWND message_hwnd_ = nullptr;
  std::deque<CefRefPtr<CefTask>> pending_;
  UINT task_message_ = 0;
  DWORD owning_thread_ = 0;
};
