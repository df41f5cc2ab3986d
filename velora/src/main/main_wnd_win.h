// CMainWnd: the frame's main window, a skinned window of class
// "OVWebGameFrame" built from "GameFrame.xml". This part holds what the
// process entry hands it before the native window exists (the launch
// settings or the launch argument) and, when the skin's "Cef" element is
// built, settles the game's channel origin and the game address.
#pragma once

#include <string>

#include "UILib.h"
#include "main/frame_rules.h"

// Icon of pop-up browser windows, written once before any browser exists.
extern std::wstring g_popupIconPath;

class CMainWnd : public DuiLib::WindowImplBase {
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

 protected:
  LPCTSTR GetWindowClassName() const override { return L"OVWebGameFrame"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(L"GameFrame.xml"); }
  void OnFinalMessage(HWND hWnd) override;
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 private:
  // The skin's default attribute, "" when the skin does not define it.
  std::wstring DefaultAttribute(const wchar_t* name);
  // Reads and deletes the origin value of the game package (HKLM first).
  std::wstring TakeChannelOrigin(const std::wstring& pkgid);

  LaunchSettings settings_;
  std::wstring launch_argument_;
};
