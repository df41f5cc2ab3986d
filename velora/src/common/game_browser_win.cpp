#include "common/game_browser_win.h"

#include "cef3/control/cef_common.h"
#include "frame_log.h"

DuiLib::CControlUI* CreateBrowserControl(DuiLib::CPaintManagerUI* manager, const std::wstring& url) {
  LogAt(__FILE__, __LINE__, "CreateBrowserControl")(kLogDebug, L"CreateBrowserControl url=%ls", url.c_str());
  DuiLib::CControlUI* control = CreateCefControl(L"Cef", manager);
  // The skin's own "homepage" attribute, applied after this, still wins.
  if (control && !url.empty()) control->SetAttribute(L"homepage", url.c_str());
  return control;
}

void ExecuteScriptIn(DuiLib::CControlUI* control, const wchar_t* script) {
  if (!script) return;
  if (auto* browser = dynamic_cast<CCefCommonUI*>(control)) browser->ExecuteScript(script);
}
