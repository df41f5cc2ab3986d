// Host (non-Windows) C types of the engine API. The programs only ship for
// Windows; these exist so that platform-neutral engine code and its tests
// compile on the Linux host. They follow CEF's Linux types without X11.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_LINUX_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_LINUX_H_
#pragma once

#include "include/base/cef_build.h"

#if !defined(OS_WIN)

#include "include/internal/cef_string.h"
#include "include/internal/cef_types_geometry.h"

#define cef_cursor_handle_t void*
#define cef_event_handle_t void*
#define cef_window_handle_t unsigned long

#define kNullCursorHandle 0
#define kNullEventHandle NULL
#define kNullWindowHandle 0

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _cef_main_args_t {
  int argc;
  char** argv;
} cef_main_args_t;

typedef struct _cef_window_info_t {
  cef_string_t window_name;
  cef_rect_t bounds;
  cef_window_handle_t parent_window;
  int windowless_rendering_enabled;
  int shared_texture_enabled;
  int external_begin_frame_enabled;
  cef_window_handle_t window;
} cef_window_info_t;

#ifdef __cplusplus
}
#endif

#endif  // !OS_WIN

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_LINUX_H_
