// C++ wrappers over the plain structures of cef_types.h. CefStructBase<traits>
// derives from the C structure, zero-fills it (plus whatever traits::init
// sets, e.g. `size`) and frees the strings it owns when it goes away.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#pragma once

#include <string.h>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

template <class traits>
class CefStructBase : public traits::struct_type {
 public:
  typedef typename traits::struct_type struct_type;

  CefStructBase() : attached_to_(nullptr) { Init(); }
  virtual ~CefStructBase() {
    // An attached structure still owns its strings.
    if (!attached_to_)
      Clear(this);
  }

  CefStructBase(const CefStructBase& r) {
    Init();
    *this = r;
  }
  CefStructBase(const struct_type& r) {
    Init();
    *this = r;
  }

  // Frees what the structure owns and zero-fills it again.
  void Reset() {
    Clear(this);
    Init();
  }

  // Takes a shallow copy of `source`, which keeps ownership of its strings.
  void AttachTo(struct_type& source) {
    if (!attached_to_)
      Clear(this);
    attached_to_ = &source;
    memcpy(static_cast<struct_type*>(this), &source, sizeof(struct_type));
  }

  // Moves the contents into `target`, which then owns them.
  void DetachTo(struct_type& target) {
    if (attached_to_ != &target)
      Clear(&target);
    memcpy(&target, static_cast<struct_type*>(this), sizeof(struct_type));
    Init();
  }

  // Sets the fields from `source`; strings are copied (copy == true) or
  // referred to.
  void Set(const struct_type& source, bool copy) {
    traits::set(&source, this, copy);
  }

  CefStructBase& operator=(const CefStructBase& s) {
    return operator=(static_cast<const struct_type&>(s));
  }
  CefStructBase& operator=(const struct_type& s) {
    Set(s, true);
    return *this;
  }

 protected:
  void Init() {
    memset(static_cast<struct_type*>(this), 0, sizeof(struct_type));
    attached_to_ = nullptr;
    traits::init(this);
  }

  static void Clear(struct_type* s) { traits::clear(s); }

  struct_type* attached_to_;
};

// Traits for structures without owned members: a plain copy.
template <typename T>
struct CefPlainStructTraits {
  typedef T struct_type;
  static inline void init(struct_type* s) {}
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
    *target = *src;
  }
};

typedef CefPlainStructTraits<cef_point_t> CefPointTraits;

class CefPoint : public CefStructBase<CefPointTraits> {
 public:
  typedef CefStructBase<CefPointTraits> parent;

  CefPoint() {}
  CefPoint(const cef_point_t& r) : parent(r) {}
  CefPoint(int x, int y) { Set(x, y); }

  bool IsEmpty() const { return x <= 0 && y <= 0; }
  void Set(int x_val, int y_val) { x = x_val, y = y_val; }
};

inline bool operator==(const CefPoint& a, const CefPoint& b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator!=(const CefPoint& a, const CefPoint& b) {
  return !(a == b);
}

typedef CefPlainStructTraits<cef_rect_t> CefRectTraits;

class CefRect : public CefStructBase<CefRectTraits> {
 public:
  typedef CefStructBase<CefRectTraits> parent;

  CefRect() {}
  CefRect(const cef_rect_t& r) : parent(r) {}
  CefRect(int x, int y, int width, int height) { Set(x, y, width, height); }

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  void Set(int x_val, int y_val, int width_val, int height_val) {
    x = x_val, y = y_val, width = width_val, height = height_val;
  }

  // The right and bottom edges are outside the rectangle.
  bool Contains(int point_x, int point_y) const {
    return (point_x >= x) && (point_x < x + width) && (point_y >= y) &&
           (point_y < y + height);
  }
  bool Contains(const CefPoint& point) const {
    return Contains(point.x, point.y);
  }
};

inline bool operator==(const CefRect& a, const CefRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
inline bool operator!=(const CefRect& a, const CefRect& b) {
  return !(a == b);
}

typedef CefPlainStructTraits<cef_size_t> CefSizeTraits;

class CefSize : public CefStructBase<CefSizeTraits> {
 public:
  typedef CefStructBase<CefSizeTraits> parent;

  CefSize() {}
  CefSize(const cef_size_t& r) : parent(r) {}
  CefSize(int width, int height) { Set(width, height); }

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  void Set(int width_val, int height_val) {
    width = width_val, height = height_val;
  }
};

inline bool operator==(const CefSize& a, const CefSize& b) {
  return a.width == b.width && a.height == b.height;
}
inline bool operator!=(const CefSize& a, const CefSize& b) {
  return !(a == b);
}

typedef CefPlainStructTraits<cef_range_t> CefRangeTraits;

class CefRange : public CefStructBase<CefRangeTraits> {
 public:
  typedef CefStructBase<CefRangeTraits> parent;

  CefRange() {}
  CefRange(const cef_range_t& r) : parent(r) {}
  CefRange(int from, int to) { Set(from, to); }

  void Set(int from_val, int to_val) { from = from_val, to = to_val; }
};

inline bool operator==(const CefRange& a, const CefRange& b) {
  return a.from == b.from && a.to == b.to;
}
inline bool operator!=(const CefRange& a, const CefRange& b) {
  return !(a == b);
}

typedef CefPlainStructTraits<cef_insets_t> CefInsetsTraits;

class CefInsets : public CefStructBase<CefInsetsTraits> {
 public:
  typedef CefStructBase<CefInsetsTraits> parent;

  CefInsets() {}
  CefInsets(const cef_insets_t& r) : parent(r) {}
  CefInsets(int top, int left, int bottom, int right) {
    Set(top, left, bottom, right);
  }

  void Set(int top_val, int left_val, int bottom_val, int right_val) {
    top = top_val, left = left_val, bottom = bottom_val, right = right_val;
  }
};

inline bool operator==(const CefInsets& a, const CefInsets& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom &&
         a.right == b.right;
}
inline bool operator!=(const CefInsets& a, const CefInsets& b) {
  return !(a == b);
}

typedef CefPlainStructTraits<cef_draggable_region_t> CefDraggableRegionTraits;

class CefDraggableRegion : public CefStructBase<CefDraggableRegionTraits> {
 public:
  typedef CefStructBase<CefDraggableRegionTraits> parent;

  CefDraggableRegion() {}
  CefDraggableRegion(const cef_draggable_region_t& r) : parent(r) {}
  CefDraggableRegion(const CefRect& bounds, bool draggable) {
    Set(bounds, draggable);
  }

  void Set(const CefRect& bounds_val, bool draggable_val) {
    bounds = bounds_val, draggable = draggable_val;
  }
};

inline bool operator==(const CefDraggableRegion& a,
                       const CefDraggableRegion& b) {
  return a.bounds == b.bounds && a.draggable == b.draggable;
}
inline bool operator!=(const CefDraggableRegion& a,
                       const CefDraggableRegion& b) {
  return !(a == b);
}

typedef CefPlainStructTraits<cef_screen_info_t> CefScreenInfoTraits;

class CefScreenInfo : public CefStructBase<CefScreenInfoTraits> {
 public:
  typedef CefStructBase<CefScreenInfoTraits> parent;

  CefScreenInfo() {}
  CefScreenInfo(const cef_screen_info_t& r) : parent(r) {}
  CefScreenInfo(float device_scale_factor,
                int depth,
                int depth_per_component,
                bool is_monochrome,
                const CefRect& rect,
                const CefRect& available_rect) {
    Set(device_scale_factor, depth, depth_per_component, is_monochrome, rect,
        available_rect);
  }

  void Set(float device_scale_factor_val,
           int depth_val,
           int depth_per_component_val,
           bool is_monochrome_val,
           const CefRect& rect_val,
           const CefRect& available_rect_val) {
    device_scale_factor = device_scale_factor_val;
    depth = depth_val;
    depth_per_component = depth_per_component_val;
    is_monochrome = is_monochrome_val;
    rect = rect_val;
    available_rect = available_rect_val;
  }
};

typedef CefPlainStructTraits<cef_key_event_t> CefKeyEventTraits;
typedef CefStructBase<CefKeyEventTraits> CefKeyEvent;

typedef CefPlainStructTraits<cef_mouse_event_t> CefMouseEventTraits;
typedef CefStructBase<CefMouseEventTraits> CefMouseEvent;

struct CefPopupFeaturesTraits {
  typedef cef_popup_features_t struct_type;
  // Bars are visible unless the page's window features say otherwise.
  static inline void init(struct_type* s) {
    s->menuBarVisible = true;
    s->statusBarVisible = true;
    s->toolBarVisible = true;
    s->scrollbarsVisible = true;
  }
  static inline void clear(struct_type* s) {}
  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
    *target = *src;
  }
};
typedef CefStructBase<CefPopupFeaturesTraits> CefPopupFeatures;

typedef CefPlainStructTraits<cef_cursor_info_t> CefCursorInfoTraits;
typedef CefStructBase<CefCursorInfoTraits> CefCursorInfo;

struct CefSettingsTraits {
  typedef cef_settings_t struct_type;

  static inline void init(struct_type* s) { s->size = sizeof(struct_type); }

  static inline void clear(struct_type* s) {
    cef_string_clear(&s->browser_subprocess_path);
    cef_string_clear(&s->framework_dir_path);
    cef_string_clear(&s->main_bundle_path);
    cef_string_clear(&s->cache_path);
    cef_string_clear(&s->root_cache_path);
    cef_string_clear(&s->user_data_path);
    cef_string_clear(&s->user_agent);
    cef_string_clear(&s->user_agent_product);
    cef_string_clear(&s->locale);
    cef_string_clear(&s->log_file);
    cef_string_clear(&s->javascript_flags);
    cef_string_clear(&s->resources_dir_path);
    cef_string_clear(&s->locales_dir_path);
    cef_string_clear(&s->accept_language_list);
    cef_string_clear(&s->cookieable_schemes_list);
    cef_string_clear(&s->application_client_id_for_file_scanning);
  }

  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
#define CEF_SETTINGS_STRING(field) \
  cef_string_set(src->field.str, src->field.length, &target->field, copy)
    target->no_sandbox = src->no_sandbox;
    CEF_SETTINGS_STRING(browser_subprocess_path);
    CEF_SETTINGS_STRING(framework_dir_path);
    CEF_SETTINGS_STRING(main_bundle_path);
    target->chrome_runtime = src->chrome_runtime;
    target->multi_threaded_message_loop = src->multi_threaded_message_loop;
    target->external_message_pump = src->external_message_pump;
    target->windowless_rendering_enabled = src->windowless_rendering_enabled;
    target->command_line_args_disabled = src->command_line_args_disabled;
    CEF_SETTINGS_STRING(cache_path);
    CEF_SETTINGS_STRING(root_cache_path);
    CEF_SETTINGS_STRING(user_data_path);
    target->persist_session_cookies = src->persist_session_cookies;
    target->persist_user_preferences = src->persist_user_preferences;
    CEF_SETTINGS_STRING(user_agent);
    CEF_SETTINGS_STRING(user_agent_product);
    CEF_SETTINGS_STRING(locale);
    CEF_SETTINGS_STRING(log_file);
    target->log_severity = src->log_severity;
    CEF_SETTINGS_STRING(javascript_flags);
    CEF_SETTINGS_STRING(resources_dir_path);
    CEF_SETTINGS_STRING(locales_dir_path);
    target->pack_loading_disabled = src->pack_loading_disabled;
    target->remote_debugging_port = src->remote_debugging_port;
    target->uncaught_exception_stack_size = src->uncaught_exception_stack_size;
    target->background_color = src->background_color;
    CEF_SETTINGS_STRING(accept_language_list);
    CEF_SETTINGS_STRING(cookieable_schemes_list);
    target->cookieable_schemes_exclude_defaults =
        src->cookieable_schemes_exclude_defaults;
    CEF_SETTINGS_STRING(application_client_id_for_file_scanning);
#undef CEF_SETTINGS_STRING
  }
};
typedef CefStructBase<CefSettingsTraits> CefSettings;

struct CefBrowserSettingsTraits {
  typedef cef_browser_settings_t struct_type;

  static inline void init(struct_type* s) { s->size = sizeof(struct_type); }

  static inline void clear(struct_type* s) {
    cef_string_clear(&s->standard_font_family);
    cef_string_clear(&s->fixed_font_family);
    cef_string_clear(&s->serif_font_family);
    cef_string_clear(&s->sans_serif_font_family);
    cef_string_clear(&s->cursive_font_family);
    cef_string_clear(&s->fantasy_font_family);
    cef_string_clear(&s->default_encoding);
    cef_string_clear(&s->accept_language_list);
  }

  static inline void set(const struct_type* src,
                         struct_type* target,
                         bool copy) {
#define CEF_SETTINGS_STRING(field) \
  cef_string_set(src->field.str, src->field.length, &target->field, copy)
    target->windowless_frame_rate = src->windowless_frame_rate;
    CEF_SETTINGS_STRING(standard_font_family);
    CEF_SETTINGS_STRING(fixed_font_family);
    CEF_SETTINGS_STRING(serif_font_family);
    CEF_SETTINGS_STRING(sans_serif_font_family);
    CEF_SETTINGS_STRING(cursive_font_family);
    CEF_SETTINGS_STRING(fantasy_font_family);
    target->default_font_size = src->default_font_size;
    target->default_fixed_font_size = src->default_fixed_font_size;
    target->minimum_font_size = src->minimum_font_size;
    target->minimum_logical_font_size = src->minimum_logical_font_size;
    CEF_SETTINGS_STRING(default_encoding);
    target->remote_fonts = src->remote_fonts;
    target->javascript = src->javascript;
    target->javascript_close_windows = src->javascript_close_windows;
    target->javascript_access_clipboard = src->javascript_access_clipboard;
    target->javascript_dom_paste = src->javascript_dom_paste;
    target->image_loading = src->image_loading;
    target->image_shrink_standalone_to_fit =
        src->image_shrink_standalone_to_fit;
    target->text_area_resize = src->text_area_resize;
    target->tab_to_links = src->tab_to_links;
    target->local_storage = src->local_storage;
    target->databases = src->databases;
    target->webgl = src->webgl;
    target->background_color = src->background_color;
    CEF_SETTINGS_STRING(accept_language_list);
#undef CEF_SETTINGS_STRING
  }
};
typedef CefStructBase<CefBrowserSettingsTraits> CefBrowserSettings;

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
