// The frame's secondary windows that hold a page:
//   CCloseDlg     "CloseQRcode" / "CloseQRcode.xml": the modal close dialog
//                 showing the close page the game page named;
//   CGameViewDlg  "GameView" / "GameFrameVertical.xml": the modal game view;
//   LobbyWnd      "AdvertX" / "advert.xml": the advert frame, with
//   CefWnd        "CefUI" / "Cef.xml": the browser window laid over it.
// The two dialogs delete themselves once their window is gone; the advert
// windows live until the process ends.
#pragma once

#include <string>

#include "UILib.h"
#include "cef3/control/cef_container.h"

class CMainWnd;

// One design for both modal dialogs: a closebtn, a browser named Cef_Close
// that loads the owner's close address, and the page's two requests
// (return to the game, close the frame).
class CPageDlg : public DuiLib::WindowImplBase, public ICefUIContainer {
 public:
  explicit CPageDlg(CMainWnd* owner) : owner_(owner) {}
  ~CPageDlg() override = default;

  // The container operations the dialog offers its browser control.
  void OpenNewPopupWnd(const std::wstring&, int) override {}
  void HandleJSCall(const std::wstring& name, CefRefPtr<CefListValue> args, int reserved) override;
  void ContainerHook(int, int) override {}

 protected:
  void OnFinalMessage(HWND hWnd) override;
  void InitWindow() override;
  void OnClick(DuiLib::TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;

 private:
  DuiLib::CControlUI* closebtn_ = nullptr;
  DuiLib::CControlUI* cef_close_ = nullptr;
  CMainWnd* owner_;
};

class CCloseDlg : public CPageDlg {
 public:
  explicit CCloseDlg(CMainWnd* owner) : CPageDlg(owner) {}

 protected:
  LPCTSTR GetWindowClassName() const override { return L"CloseQRcode"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(L"CloseQRcode.xml"); }
};

class CGameViewDlg : public CPageDlg {
 public:
  explicit CGameViewDlg(CMainWnd* owner) : CPageDlg(owner) {}

 protected:
  LPCTSTR GetWindowClassName() const override { return L"GameView"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(L"GameFrameVertical.xml"); }
};

// The browser window of the advert frame.
class CefWnd : public DuiLib::WindowImplBase {
 public:
  CefWnd() = default;
  ~CefWnd() override = default;
  // The address to load; set before the native window is created.
  void SetAddress(const std::wstring* address) { address_ = address; }

 protected:
  LPCTSTR GetWindowClassName() const override { return L"CefUI"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(L"Cef.xml"); }
  void InitWindow() override {}
  LRESULT HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) override {
    bHandled = FALSE;
    return 0;
  }
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;

 private:
  const std::wstring* address_ = nullptr;
};

class LobbyWnd : public DuiLib::WindowImplBase {
 public:
  LobbyWnd() = default;
  ~LobbyWnd() override = default;

  // Opens the advert frame owned by `owner` with its browser window on top
  // showing `address`; returns at once.
  void Show(HWND owner, const std::wstring& address);
  HWND BrowserWindow() const { return browser_.GetHWND(); }

 protected:
  LPCTSTR GetWindowClassName() const override { return L"AdvertX"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(L"advert.xml"); }
  void InitWindow() override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  void Notify(DuiLib::TNotifyUI& msg) override;

 private:
  DuiLib::CControlUI* closebtn_ = nullptr;
  CefWnd browser_;
  std::wstring address_;
};
