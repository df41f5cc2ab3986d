// MsgBox: the frame's modal confirmation box, built from a skin file the
// caller names ("closeWnd.xml", "InstallToPhone.xml", "GongZhongHao.xml"),
// and QrFrame, the pop-up with the phone QR code ("QrFrame.xml").
#pragma once

#include "UILib.h"

// Shows the box owned by `owner`, centred on its monitor's work area, and
// waits: 1 when the user chose btn_ok, 0 for btn_cancel, closebtn or any
// other way the window went.
int ShowMsgBox(HWND owner, const wchar_t* skinFile);

class MsgBox : public DuiLib::WindowImplBase {
 public:
  explicit MsgBox(const wchar_t* skinFile);
  ~MsgBox() override = default;
  int Result() const { return result_; }

 protected:
  LPCTSTR GetWindowClassName() const override { return L"MsgBox"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(skin_); }
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;

 private:
  wchar_t skin_[200] = {};
  int result_ = 0;
};

class QrFrame : public DuiLib::WindowImplBase {
 public:
  QrFrame();
  ~QrFrame() override = default;

 protected:
  LPCTSTR GetWindowClassName() const override { return L"QrFrame"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(skin_); }
  void InitWindow() override {}

 private:
  wchar_t skin_[200] = {};
};
