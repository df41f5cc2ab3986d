// CMainWnd: the frame's main window, a skinned window of class
// "OVWebGameFrame". Before the native window exists the process entry
// hands it the launch settings or the launch argument; while it is created
// it picks its skin from "config.xml", builds the game browser (settling the
// channel origin and the game address) and arranges the caption buttons and
// the link row or the tool bar. Afterwards it serves clicks, the page's
// requests (custom window messages) and the close flow.
#pragma once

#include <string>

#include "UILib.h"
#include "cef3/control/cef_container.h"
#include "common/frame_window_rules.h"
#include "main/frame_rules.h"

class QrFrame;

class CMainWnd : public DuiLib::WindowImplBase, public ICefUIContainer {
 public:
  CMainWnd() = default;
  ~CMainWnd() override;

  // Reads the LAUNCHER section of the settings file at `path`; nothing when
  // the file does not exist.
  void LoadLaunchSettings(const std::wstring& path);
  // The whole command line when it is not a settings-file argument.
  void SetLaunchArgument(const std::wstring& argument) { launch_argument_ = argument; }

  const LaunchSettings& Settings() const { return settings_; }
  const std::wstring& LaunchArgument() const { return launch_argument_; }
  // Address of the close page, last given by the game page; read by the
  // close dialog when it builds its browser.
  const std::wstring& CloseAddress() const { return close_address_; }

  // Accepted close: WM_CLOSE with wParam 1, the only one the window takes.
  void OnCloseMainWnd();

  // The container operations the window offers its browser controls.
  // OpenNewPopupWnd: a non-zero flag means the address is handled
  // elsewhere and is only logged.
  void OpenNewPopupWnd(const std::wstring& url, int handledElsewhere) override;
  void HandleJSCall(const std::wstring& name, CefRefPtr<CefListValue> args, int reserved) override;
  void ContainerHook(int, int) override {}

 protected:
  LPCTSTR GetWindowClassName() const override { return L"OVWebGameFrame"; }
  void OnFinalMessage(HWND hWnd) override;
  void InitWindow() override;
  void OnClick(DuiLib::TNotifyUI& msg) override;
  DuiLib::CDuiString GetSkinFile() override;
  LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnMouseWheel(UINT, WPARAM, LPARAM, BOOL& bHandled) override {
    bHandled = FALSE;
    return 0;
  }
  LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;

 private:
  // The skin's default attribute, "" when the skin does not define it.
  std::wstring DefaultAttribute(const wchar_t* name);
  SkinText SkinAttribute(const wchar_t* name);
  // Reads and deletes the origin value of the game package (HKLM first).
  std::wstring TakeChannelOrigin(const std::wstring& pkgid);

  void RunCloseFlow();
  void RunGameScript(const wchar_t* script);
  std::wstring CurrentPhoneTarget();
  void ResizeBy(WindowSize (*rule)(WindowSize, bool), bool extend);
  void Rotate();
  void ShowCloseDialog(const std::wstring& address);
  void ShowGameView();
  void ShowAdvert(const std::wstring& address);
  void ShowOrHideQrFrame(LPARAM lParam);

  QrFrame* qr_frame_ = nullptr;
  DuiLib::CControlUI* closebtn_ = nullptr;
  DuiLib::CControlUI* minbtn_ = nullptr;
  DuiLib::CControlUI* maxbtn_ = nullptr;
  DuiLib::CControlUI* restorebtn_ = nullptr;
  DuiLib::CControlUI* btn_byphone_ = nullptr;
  DuiLib::CControlUI* btn_guanwang_ = nullptr;
  DuiLib::CControlUI* btn_kefu_ = nullptr;
  DuiLib::CControlUI* btn_luntan_ = nullptr;
  DuiLib::CControlUI* btn_chongzhi_ = nullptr;
  DuiLib::CControlUI* btn_extend_ = nullptr;
  DuiLib::CControlUI* btn_retract_ = nullptr;
  DuiLib::CControlUI* btn_rotate_ = nullptr;
  DuiLib::CControlUI* btn_tophone_ = nullptr;
  DuiLib::CControlUI* btn_gongzhonghao_ = nullptr;
  DuiLib::CControlUI* btn_qqgroup_ = nullptr;
  DuiLib::CControlUI* btn_huodong_ = nullptr;
  DuiLib::CControlUI* size_seat_ = nullptr;
  LaunchSettings settings_;
  bool close_asked_ = false;
  std::wstring launch_argument_;
  std::wstring close_address_;
  bool page_close_code_ = false;
  bool vertical_ = false;
  int open_close_dialogs_ = 0;  // close dialogs now nested on the stack
};
