// The frame windows' side of the browser control: making the control for a
// skin's "Cef" element and running a script in it, and the window messages
// through which the control hands the page's requests to its host window.
#pragma once

#include <string>

#include "UILib.h"

// The custom window messages (kOpenAdUrlMessage, ...).
#include "cef3/common/frame_messages.h"

// A windowed browser control bound to `manager`; `url` is loaded when it is
// not empty, else the control shows its default page.
DuiLib::CControlUI* CreateBrowserControl(DuiLib::CPaintManagerUI* manager, const std::wstring& url);
// Runs `script` in the control's main frame; nothing when `control` is
// null or not a browser control, or its browser does not exist yet.
void ExecuteScriptIn(DuiLib::CControlUI* control, const wchar_t* script);
