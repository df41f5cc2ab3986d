// What the engine watches in each page besides the script bridge: the
// title, the cursor under the pointer and the context the user right-clicks
// in. A small script in every top-level document reports them through one
// DevTools binding as JSON; the plain rules here read those reports and map
// them onto the engine API's values (cursor types, context-menu flags and
// the default menu), so that they can be tested without a page.
#pragma once

#include <json/value.h>

#include <string>
#include <vector>

namespace velora_engine {

extern const char kPageBindingName[];

// The script, run before each document's own scripts. In a windowless
// view it also takes a left press on a select element (whose list Chromium
// would draw where the view cannot show it): it reports the element's box,
// options and selection, and the engine draws the list as the popup
// widget. kSelectChooseFunction(id, index) then picks an option, as the
// user's choice in the list does (input and change events).
std::string PageWatchScript(bool windowless);
extern const char kSelectChooseFunction[];

// A select element's report.
struct SelectReport {
  int id = -1;
  int x = 0, y = 0, width = 0, height = 0;  // the element's box in the view
  std::vector<std::string> options;
  std::vector<bool> disabled;
  int selected = -1;
};
// False for a report that is no select report or is malformed.
bool SelectReportFrom(const Json::Value& report, SelectReport* out);

// A CSS cursor keyword (what the page shows under the pointer) as the
// engine API's cursor type (cef_cursor_type_t) and the system cursor
// (IDC_* number; 0 for "none": no cursor at all).
//   "pointer" -> CT_HAND (2), IDC_HAND (32649); "text" -> CT_IBEAM (3), IDC_IBEAM
// Unknown keywords are the arrow.
struct CursorChoice {
  int type = 0;
  int system_cursor = 32512;  // IDC_ARROW
};
CursorChoice CursorForCss(const std::string& css);

// A right-click as the page script reports it.
struct MenuContext {
  int x = 0, y = 0;
  std::string page_url, frame_url, link_url, link_text, source_url, title_text, selection;
  int media_type = 0;  // cef_context_menu_media_type_t
  bool editable = false;
  bool has_text = false;   // an editable field that holds text
  bool can_undo = false, can_redo = false;
  bool rich = false;       // contenteditable
};
MenuContext MenuContextFromReport(const Json::Value& report);

// The engine API's context flags for it (CM_TYPEFLAG_*, CM_EDITFLAG_*).
int MenuTypeFlags(const MenuContext& context);
int MenuEditFlags(const MenuContext& context);

// The menu the engine offers before the client changes it, as the engine
// API builds it: an editable field gets the edit commands, a selection
// Copy, the page Back, Forward, Print and View Source. Command id -1 is a
// separator.
struct MenuItem {
  int command_id;
  const char* label;
  bool enabled;
};
std::vector<MenuItem> DefaultMenu(const MenuContext& context, bool can_go_back, bool can_go_forward);

}  // namespace velora_engine
