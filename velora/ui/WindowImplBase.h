// WindowImplBase: a skinned top-level window. A subclass names its window
// class and its skin file; on WM_CREATE the skin is built (asking
// CreateControl for unknown classes) and InitWindow is called. The window
// has no system frame: the skin's caption area drags it (non-client hit
// test), its resize border resizes it, its sizes bound it.
//
// Order in which a message is handled:
//   1. the paint manager's message filters (IMessageFilterUI);
//   2. HandleCustomMessage;
//   3. the handler of the message (OnCreate, OnClose, OnDestroy, OnChar,
//      OnSysCommand, OnMouseMove, OnMouseWheel, the non-client ones ...);
//   4. the paint manager (painting, control events);
//   5. the platform (DefWindowProc).
// Each step may mark the message handled, which ends the chain with its
// result. Notifications from the controls arrive in Notify, which passes
// "click" to OnClick, "selectchanged" to OnSelectChanged and "itemselect"
// to OnItemSelect.
#pragma once

#include "UIBase.h"
#include "UIManager.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd, public INotifyUI, public IMessageFilterUI, public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  virtual void InitWindow() {}
  void Notify(TNotifyUI& msg) override;
  virtual void OnClick(TNotifyUI& msg) {}
  virtual void OnSelectChanged(TNotifyUI& msg) {}
  virtual void OnItemSelect(TNotifyUI& msg) {}

  // IDialogBuilderCallback: classes the library does not know; none here.
  CControlUI* CreateControl(LPCTSTR pstrClass) override { return nullptr; }
  // IMessageFilterUI, registered as a pre-message filter: nothing by default.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override { return 0; }

  CPaintManagerUI& GetPaintManager() { return m_PaintManager; }

 protected:
  virtual CDuiString GetSkinFolder() { return CDuiString(); }
  virtual CDuiString GetSkinFile() = 0;
  LPCTSTR GetWindowClassName() const override = 0;
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  void OnFinalMessage(HWND hWnd) override;

  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { return 0; }
  virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) { bHandled = FALSE; return 0; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
  }
  // Keeps the "maxbtn"/"restorebtn" pair in step with the maximised state.
  void SyncMaximizeButtons();

  CPaintManagerUI m_PaintManager;
};

}  // namespace DuiLib
