#include "common/game_browser_win.h"

#include "frame_log.h"

DuiLib::CControlUI* CreateBrowserControl(DuiLib::CPaintManagerUI* manager, const std::wstring& url) {
  (void)manager;
  LogAt(__FILE__, __LINE__, "CreateBrowserControl")(kLogDebug, L"CreateBrowserControl url=%ls", url.c_str());
  // Holds the place of the browser in the layout.
  return new DuiLib::CControlUI();
}

void ExecuteScriptIn(DuiLib::CControlUI* control, const wchar_t* script) {
  (void)control;
  (void)script;
}
