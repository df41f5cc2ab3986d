// The frame windows' side of the browser control: making the control for a
// skin's "Cef" element and running a script in it, and the window messages
// through which the control hands the page's requests to its host window.
#pragma once

#include <string>

#include "UILib.h"

// Custom window messages of the frame windows. A text travels in wParam as
// a BSTR that the receiver frees.
constexpr UINT kMenuClickMessage = 1145;             // menu-item record, or null
constexpr UINT kOpenAdUrlMessage = WM_USER + 4001;   // 5025, BSTR address
constexpr UINT kPopupUrlMessage = WM_USER + 4002;    // 5026, BSTR address
constexpr UINT kGameViewMessage = WM_USER + 4003;    // 5027, BSTR (unused)
constexpr UINT kShowUrlMessage = WM_USER + 4012;     // 5036, BSTR address
constexpr UINT kCloseMainMessage = WM_USER + 4013;   // 5037
constexpr UINT kReturnGameMessage = WM_USER + 4014;  // 5038

// A windowed browser control bound to `manager`; `url` is loaded when it is
// not empty, else the control shows its default page.
DuiLib::CControlUI* CreateBrowserControl(DuiLib::CPaintManagerUI* manager, const std::wstring& url);
// Runs `script` in the control's main frame; nothing when `control` is
// null or not a browser control, or its browser does not exist yet.
void ExecuteScriptIn(DuiLib::CControlUI* control, const wchar_t* script);
