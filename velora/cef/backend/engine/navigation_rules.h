// How the engine reads a page's wish for a new window, and which addresses
// Chromium loads itself. Plain rules, without an engine.
#pragma once

#include <string>
#include <vector>

namespace velora_engine {

// The engine's window-open dispositions (cef_window_open_disposition_t).
enum PopupDispositionValue {
  kDispositionCurrentTab = 1,
  kDispositionNewForegroundTab = 3,
  kDispositionNewBackgroundTab = 4,
  kDispositionNewPopup = 5,
  kDispositionNewWindow = 6,
};

// The click that may have asked for the window: which button went down
// last, with which keys, and whether it was recent enough (a moment before
// the page asked) to count.
struct RecentClick {
  int button = 0;  // 0 none, 1 left, 2 middle, 3 right
  bool ctrl = false;
  bool shift = false;
  bool recent = false;
};

// As Chrome decides it: a recent middle click or Ctrl+click opens a
// background tab (a foreground one with Shift too); a recent Shift+click a
// new window; a window without all of the usual bars (Chromium reports
// "menubar toolbar status scrollbars resizable" for one asked for without
// window features) a popup; everything else a new foreground tab.
int PopupDisposition(const std::vector<std::string>& window_features, const RecentClick& click);

// The position and size asked for in window features ("left=10",
// "top=20", "width=300", "height=200"; "x"/"screenx" and "y"/"screeny"
// as synonyms). Values that are not whole non-negative numbers are not set.
struct PopupGeometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool x_set = false, y_set = false, width_set = false, height_set = false;
};
PopupGeometry PopupGeometryFrom(const std::vector<std::string>& window_features);

// The scheme of an address, lower case, without the colon; empty when the
// address has none ("HTTP://a" -> "http", "mailto:x" -> "mailto",
// "a/b:c" -> "").
std::string UrlScheme(const std::string& url);

// True for the schemes Chromium loads in a page (http, https, file, data,
// about, blob, javascript, ws, wss, filesystem, view-source, chrome); the
// others (mailto, a program's own protocol) belong to the system.
bool ChromiumLoadsScheme(const std::string& scheme);

}  // namespace velora_engine
