// Windows-specific C types of the engine API: handles, main arguments and
// the window information a browser is created with (branch 4896 layout).
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_WIN_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_WIN_H_
#pragma once

#include "include/base/cef_build.h"

#if defined(OS_WIN)

// The same <windows.h> configuration as common/win_include.h, so a
// translation unit gets one view of the Windows headers whichever it
// includes first.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types_geometry.h"

#define cef_cursor_handle_t HCURSOR
#define cef_event_handle_t MSG*
#define cef_window_handle_t HWND

#define kNullCursorHandle NULL
#define kNullEventHandle NULL
#define kNullWindowHandle NULL

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _cef_main_args_t {
  HINSTANCE instance;
} cef_main_args_t;

typedef struct _cef_window_info_t {
  // Standard CreateWindowEx parameters.
  DWORD ex_style;
  cef_string_t window_name;
  DWORD style;
  cef_rect_t bounds;
  cef_window_handle_t parent_window;
  HMENU menu;

  // Off-screen rendering: the browser gets no window and paints through the
  // client's CefRenderHandler; parent_window is then only the owner for
  // dialogs and context menus.
  int windowless_rendering_enabled;
  int shared_texture_enabled;
  int external_begin_frame_enabled;

  // Filled by the engine: the browser's own window.
  cef_window_handle_t window;
} cef_window_info_t;

#ifdef __cplusplus
}
#endif

#endif  // OS_WIN

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_WIN_H_
