// Helpers for driving skinned windows under Wine: a window whose skin and
// reactions a test sets, message pumping, real mouse input, pixels, and a
// capture of the library's log lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "UILib.h"

namespace uitest {

using namespace DuiLib;

// Runs the message loop for about ms milliseconds (at least one pass).
void Pump(int ms = 50);

// Real mouse input (SendInput) at a point of the window's client area.
void MouseMove(HWND hwnd, POINT client);
void MouseDown();
void MouseUp();
void MouseMoveScreen(POINT screen);

// The colour shown at a client point, read from the window's DC.
COLORREF PixelAt(HWND hwnd, POINT client);
POINT Center(const RECT& rc);

// Collects the library's log lines while it lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  const std::vector<std::wstring>& Lines() const;
  bool Contains(const wchar_t* part) const;
};

// A control standing in for the browser controls: records the event
// types it receives and how often it was initialised.
class ProbeControl : public CControlUI {
 public:
  LPCTSTR GetClass() const override { return L"ProbeUI"; }
  void DoInit() override { ++inits; }
  void DoEvent(TEventUI& event) override {
    events.push_back(event.Type);
    CControlUI::DoEvent(event);
  }
  std::vector<int> events;
  int inits = 0;
};

// A skinned window for tests. The skin is markup text or a file name.
class TestWindow : public WindowImplBase {
 public:
  explicit TestWindow(std::wstring skin, const wchar_t* className = L"VeloraUiTestWindow")
      : skin_(std::move(skin)), className_(className) {}

  // Creates, centres and shows the window (owned by owner, if any).
  HWND Open(HWND owner = nullptr, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE);

  // What the window saw.
  std::vector<std::wstring> createRequests;  // CreateControl's classes
  std::vector<std::wstring> notifications;   // "type:sender"
  std::vector<std::wstring> trace;           // handler order of traced messages
  std::vector<ProbeControl*> probes;
  bool initWindowSawControls = false;
  bool finalAfterWindowGone = false;
  int finalCount = 0;
  UINT tracedMessage = WM_NULL;  // the message whose handling is traced

  // Reactions the test sets.
  std::function<void(TNotifyUI&)> onClick;
  std::function<LRESULT(UINT, WPARAM, LPARAM, BOOL&)> onCustom;
  std::function<void()> onFinal;

  CPaintManagerUI& Manager() { return m_PaintManager; }

 protected:
  LPCTSTR GetWindowClassName() const override { return className_; }
  CDuiString GetSkinFile() override { return CDuiString(skin_); }
  CControlUI* CreateControl(LPCTSTR pstrClass) override;
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  void OnClick(TNotifyUI& msg) override;
  void OnFinalMessage(HWND hWnd) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 private:
  std::wstring skin_;
  const wchar_t* className_;
};

// A message filter that records what it sees and may swallow one message.
class RecordingFilter : public IMessageFilterUI {
 public:
  RecordingFilter(std::vector<std::wstring>* trace, UINT traced) : trace_(trace), traced_(traced) {}
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  UINT swallow = WM_NULL;

 private:
  std::vector<std::wstring>* trace_;
  UINT traced_;
};

}  // namespace uitest
