// The native child window of a windowed browser. It shows the page's
// frames as Chromium renders them and hands the user's mouse, keyboard,
// text and focus to its delegate, which forwards them to the page. It
// lives on the engine's UI thread, as the browser windows of the engine
// always do; its parent may belong to another thread.
#pragma once

#include "win_include.h"

#include <functional>
#include <memory>
#include <string>

#include "drop_target_win.h"
#include "frame_decoder_win.h"
#include "input_rules.h"

namespace velora_engine {

class BrowserWindowDelegate {
 public:
  virtual ~BrowserWindowDelegate() = default;
  virtual void OnWindowResized(int width, int height) = 0;
  virtual void OnWindowMouse(const MouseInput& input) = 0;
  virtual void OnWindowKey(const KeyInput& input) = 0;
  // A DevTools "Input.*" method with its parameters (typed characters).
  virtual void OnWindowInput(const std::string& method, const Json::Value& params) = 0;
  virtual void OnWindowFocus(bool focused) = 0;
  virtual void OnWindowFirstPaint() = 0;
  // Something from another program is dragged over the window (client
  // coordinates, DROPEFFECT_* effects); each answers the drop's effect.
  virtual DWORD OnWindowDragEnter(const DroppedData& data, POINT point, DWORD effects, DWORD key_state) {
    return DROPEFFECT_NONE;
  }
  virtual DWORD OnWindowDragOver(POINT point, DWORD effects, DWORD key_state) { return DROPEFFECT_NONE; }
  virtual void OnWindowDragLeave() {}
  virtual DWORD OnWindowDrop(POINT point, DWORD effects, DWORD key_state) { return DROPEFFECT_NONE; }
  // The window is gone (destroyed by us or with its parent).
  virtual void OnWindowDestroyed() = 0;
};

class BrowserWindow : private DropTargetDelegate {
 public:
  // Creates the window. background is the colour shown until the first
  // frame arrives (0x00RRGGBB). Null on failure.
  static std::unique_ptr<BrowserWindow> Create(HWND parent, DWORD style, const RECT& rect,
                                               COLORREF background, BrowserWindowDelegate* delegate);
  ~BrowserWindow();

  HWND hwnd() const { return hwnd_; }
  // Shows a new frame: it replaces the previous one at once.
  void ShowFrame(std::shared_ptr<DecodedFrame> frame);
  // The cursor shown over the window from now on (null: none).
  void SetCursor(HCURSOR cursor);
  // The client sets the cursor itself: the window leaves it as it is.
  void LeaveCursorToClient();
  // Destroys the window (no delegate calls after this returns).
  void Destroy();

 private:
  BrowserWindow() = default;
  static UINT RunClosureMessage();
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Paint();
  void Mouse(UINT msg, WPARAM wp, LPARAM lp);
  // DropTargetDelegate: handed on to the delegate.
  DWORD OnDropEnter(const DroppedData& data, POINT point, DWORD effects, DWORD key_state) override;
  DWORD OnDropOver(POINT point, DWORD effects, DWORD key_state) override;
  void OnDropLeave() override;
  DWORD OnDrop(POINT point, DWORD effects, DWORD key_state) override;

  HWND hwnd_ = nullptr;
  BrowserWindowDelegate* delegate_ = nullptr;
  COLORREF background_ = RGB(255, 255, 255);
  std::shared_ptr<DecodedFrame> frame_;
  bool painted_frame_ = false;
  DropTarget* drop_target_ = nullptr;  // registered while the window lives
  HCURSOR cursor_ = nullptr;
  bool cursor_set_ = false;     // the page has chosen one
  bool client_cursor_ = false;  // the client shows it, not the window
  bool tracking_leave_ = false;
  int buttons_ = 0;
  // Clicks for clickCount: a press counts on from the last one when it
  // comes soon enough and near enough.
  DWORD last_click_time_ = 0;
  POINT last_click_pos_ = {0, 0};
  int click_count_ = 0;
  wchar_t high_surrogate_ = 0;
};

}  // namespace velora_engine
