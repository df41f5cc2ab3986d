// Host (non-Windows) C++ wrappers: CefMainArgs and CefWindowInfo.
#ifndef CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
#define CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
#pragma once

#include "include/internal/cef_types_linux.h"
#include "include/internal/cef_types_wrappers.h"

#if !defined(OS_WIN)

#define CefCursorHandle cef_cursor_handle_t
#define CefEventHandle cef_event_handle_t
#define CefWindowHandle cef_window_handle_t

struct CefMainArgsTraits {
  typedef cef_main_args_t struct_type;
  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
    target->argc = src->argc;
    target->argv = src->argv;
  }
};

class CefMainArgs : public CefStructBase<CefMainArgsTraits> {
 public:
  typedef CefStructBase<CefMainArgsTraits> parent;

  CefMainArgs() : parent() {}
  explicit CefMainArgs(const cef_main_args_t& r) : parent(r) {}
  explicit CefMainArgs(const CefMainArgs& r) : parent(r) {}
  CefMainArgs(int argc_arg, char** argv_arg) : parent() {
    argc = argc_arg;
    argv = argv_arg;
  }
};

struct CefWindowInfoTraits {
  typedef cef_window_info_t struct_type;
  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {
    cef_string_clear(&s->window_name);
  }
  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
    cef_string_set(src->window_name.str, src->window_name.length,
                   &target->window_name, copy);
    target->bounds = src->bounds;
    target->parent_window = src->parent_window;
    target->windowless_rendering_enabled = src->windowless_rendering_enabled;
    target->shared_texture_enabled = src->shared_texture_enabled;
    target->external_begin_frame_enabled = src->external_begin_frame_enabled;
    target->window = src->window;
  }
};

class CefWindowInfo : public CefStructBase<CefWindowInfoTraits> {
 public:
  typedef CefStructBase<CefWindowInfoTraits> parent;

  CefWindowInfo() : parent() {}
  explicit CefWindowInfo(const cef_window_info_t& r) : parent(r) {}
  explicit CefWindowInfo(const CefWindowInfo& r) : parent(r) {}

  void SetAsChild(CefWindowHandle parent, const CefRect& windowBounds) {
    parent_window = parent;
    bounds = windowBounds;
  }

  void SetAsWindowless(CefWindowHandle parent) {
    windowless_rendering_enabled = true;
    parent_window = parent;
  }
};

#endif  // !OS_WIN

#endif  // CEF_INCLUDE_INTERNAL_CEF_LINUX_H_
