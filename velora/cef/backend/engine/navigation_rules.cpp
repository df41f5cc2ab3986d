#include "navigation_rules.h"

#include <cctype>
#include <cstdlib>

namespace velora_engine {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// "name=value" split at the first '=' (or ':'), both trimmed, the name in
// lower case.
void SplitFeature(const std::string& feature, std::string* name, std::string* value) {
  const size_t eq = feature.find_first_of("=:");
  *name = Lower(Trim(feature.substr(0, eq)));
  *value = eq == std::string::npos ? std::string() : Trim(feature.substr(eq + 1));
}

bool WholeNumber(const std::string& text, int* out) {
  if (text.empty() || text.size() > 6) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  *out = std::atoi(text.c_str());
  return true;
}

}  // namespace

int PopupDisposition(const std::vector<std::string>& window_features, const RecentClick& click) {
  if (click.recent && (click.button == 2 || (click.button == 1 && click.ctrl)))
    return click.shift ? kDispositionNewForegroundTab : kDispositionNewBackgroundTab;
  if (click.recent && click.button == 1 && click.shift) return kDispositionNewWindow;
  // Chromium lists the window's bars as it will have them: a window asked
  // for without any of them (window features that leave out the menu bar,
  // the toolbar, the status bar, the scroll bars or resizing) is a popup.
  bool any = false;
  int bars = 0;
  for (const std::string& f : window_features) {
    std::string name, value;
    SplitFeature(f, &name, &value);
    if (name.empty() || name == "noopener" || name == "noreferrer") continue;
    any = true;
    if (name == "menubar" || name == "toolbar" || name == "status" || name == "scrollbars" || name == "resizable")
      ++bars;
  }
  return any && bars < 5 ? kDispositionNewPopup : kDispositionNewForegroundTab;
}

PopupGeometry PopupGeometryFrom(const std::vector<std::string>& window_features) {
  PopupGeometry g;
  for (const std::string& f : window_features) {
    std::string name, value;
    SplitFeature(f, &name, &value);
    int n = 0;
    if (!WholeNumber(value, &n)) continue;
    if (name == "left" || name == "x" || name == "screenx") { g.x = n; g.x_set = true; }
    else if (name == "top" || name == "y" || name == "screeny") { g.y = n; g.y_set = true; }
    else if (name == "width" || name == "innerwidth") { g.width = n; g.width_set = true; }
    else if (name == "height" || name == "innerheight") { g.height = n; g.height_set = true; }
  }
  return g;
}

std::string UrlScheme(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0) return std::string();
  if (!std::isalpha(static_cast<unsigned char>(url[0]))) return std::string();
  for (size_t i = 1; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(url[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return std::string();
  }
  return Lower(url.substr(0, colon));
}

bool ChromiumLoadsScheme(const std::string& scheme) {
  static const char* const kLoaded[] = {"http", "https", "file", "data", "about", "blob", "javascript",
                                        "ws", "wss", "filesystem", "view-source", "chrome"};
  for (const char* s : kLoaded)
    if (scheme == s) return true;
  return false;
}

}  // namespace velora_engine
