// Types shared by the controls, the paint manager and the windows: events,
// notifications and the interfaces a window implements.
#pragma once

#include "win_include.h"

#include "UIString.h"

namespace DuiLib {

class CControlUI;

// Event types delivered to CControlUI::DoEvent. The numbering is part of the
// controls' contract: a mouse move is 9, a mouse leave 10.
enum EVENTTYPE_UI {
  UIEVENT__FIRST = 1,
  UIEVENT__KEYBEGIN,
  UIEVENT_KEYDOWN,
  UIEVENT_KEYUP,
  UIEVENT_CHAR,
  UIEVENT_SYSKEY,
  UIEVENT__KEYEND,
  UIEVENT__MOUSEBEGIN,
  UIEVENT_MOUSEMOVE,   // 9
  UIEVENT_MOUSELEAVE,  // 10
  UIEVENT_MOUSEENTER,
  UIEVENT_MOUSEHOVER,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_RBUTTONDOWN,
  UIEVENT_DBLCLICK,
  UIEVENT_CONTEXTMENU,
  UIEVENT_SCROLLWHEEL,
  UIEVENT__MOUSEEND,
  UIEVENT_KILLFOCUS,
  UIEVENT_SETFOCUS,
  UIEVENT_WINDOWSIZE,
  UIEVENT_SETCURSOR,
  UIEVENT_TIMER,
  UIEVENT__LAST,
};
static_assert(UIEVENT_MOUSEMOVE == 9 && UIEVENT_MOUSELEAVE == 10, "event numbering is fixed");

// Button states.
enum {
  UISTATE_FOCUSED = 0x01,
  UISTATE_SELECTED = 0x02,
  UISTATE_DISABLED = 0x04,
  UISTATE_HOT = 0x08,
  UISTATE_PUSHED = 0x10,
  UISTATE_CAPTURED = 0x40,
};

// Flags of the point search (CControlUI::FindControlAt).
enum {
  UIFIND_ALL = 0x00,
  UIFIND_VISIBLE = 0x01,
  UIFIND_ENABLED = 0x02,
  UIFIND_HITTEST = 0x04,
};

struct TEventUI {
  int Type = 0;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse{0, 0};  // client coordinates of the paint window
  wchar_t chKey = 0;
  WORD wKeyState = 0;
  WPARAM wParam = 0;  // the window message's wParam
  LPARAM lParam = 0;  // the window message's lParam
};

// Notification types sent by the built-in controls.
#define DUI_MSGTYPE_CLICK L"click"
#define DUI_MSGTYPE_SELECTCHANGED L"selectchanged"
#define DUI_MSGTYPE_ITEMSELECT L"itemselect"
#define DUI_MSGTYPE_SETFOCUS L"setfocus"
#define DUI_MSGTYPE_KILLFOCUS L"killfocus"
#define DUI_MSGTYPE_WINDOWINIT L"windowinit"

struct TNotifyUI {
  CDuiString sType;
  CDuiString sVirtualWnd;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse{0, 0};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

// A message filter sees a window message before the window's own handlers;
// setting bHandled stops the message there and returns the filter's result.
class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

// Asked by the dialog builder for every element class it does not know;
// returns a new control (the window takes ownership) or null to drop the
// element and its children.
class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

// Interface names for CControlUI::GetInterface.
#define DUI_CTR_CONTROL L"Control"
#define DUI_CTR_CONTAINER L"Container"
#define DUI_CTR_ICONTAINER L"IContainer"
#define DUI_CTR_VERTICALLAYOUT L"VerticalLayout"
#define DUI_CTR_HORIZONTALLAYOUT L"HorizontalLayout"
#define DUI_CTR_LABEL L"Label"
#define DUI_CTR_TEXT L"Text"
#define DUI_CTR_BUTTON L"Button"
#define DUI_CTR_OPTION L"Option"

}  // namespace DuiLib
