#include "browser_window_win.h"

#include <imm.h>
#include <windowsx.h>

#include <cstdlib>

namespace velora_engine {
namespace {

const wchar_t kClassName[] = L"CefBrowserWindow";

int Modifiers() {
  int m = 0;
  if (::GetKeyState(VK_MENU) & 0x8000) m |= kModAlt;
  if (::GetKeyState(VK_CONTROL) & 0x8000) m |= kModCtrl;
  if ((::GetKeyState(VK_LWIN) | ::GetKeyState(VK_RWIN)) & 0x8000) m |= kModMeta;
  if (::GetKeyState(VK_SHIFT) & 0x8000) m |= kModShift;
  return m;
}

int ButtonsFromWParam(WPARAM wp) {
  int b = 0;
  if (wp & MK_LBUTTON) b |= kButtonsLeft;
  if (wp & MK_RBUTTON) b |= kButtonsRight;
  if (wp & MK_MBUTTON) b |= kButtonsMiddle;
  return b;
}

}  // namespace

std::unique_ptr<BrowserWindow> BrowserWindow::Create(HWND parent, DWORD style, const RECT& rect,
                                                     COLORREF background,
                                                     BrowserWindowDelegate* delegate) {
  // WndProc is the class procedure in effect: register it with the class.
  static ATOM atom = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &BrowserWindow::WndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc);
  }();
  if (!atom) return nullptr;
  std::unique_ptr<BrowserWindow> w(new BrowserWindow());
  w->delegate_ = delegate;
  w->background_ = background;
  if (parent == nullptr) style &= ~static_cast<DWORD>(WS_CHILD);
  const HWND hwnd = ::CreateWindowExW(0, kClassName, L"", style, rect.left, rect.top,
                                      rect.right - rect.left, rect.bottom - rect.top, parent,
                                      nullptr, ::GetModuleHandleW(nullptr), w.get());
  if (!hwnd) return nullptr;
  // Drops from other programs: OLE on this thread once, then the window's
  // drop target (the "OleDropTargetInterface" property holds it).
  static thread_local HRESULT ole = ::OleInitialize(nullptr);
  if (SUCCEEDED(ole)) {
    BrowserWindow* self = w.get();
    w->drop_target_ = new DropTarget(hwnd, w.get(), [self](const std::function<void()>& fn) {
      // From another thread: run on the window's, synchronously.
      if (self->hwnd_) ::SendMessageW(self->hwnd_, RunClosureMessage(), 0, reinterpret_cast<LPARAM>(&fn));
    });
    if (FAILED(w->drop_target_->Register())) {
      w->drop_target_->Revoke();
      w->drop_target_ = nullptr;
    }
  }
  return w;
}

UINT BrowserWindow::RunClosureMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"VeloraBrowserWindowRun");
  return message;
}

DWORD BrowserWindow::OnDropEnter(const DroppedData& data, POINT point, DWORD effects, DWORD key_state) {
  return delegate_ ? delegate_->OnWindowDragEnter(data, point, effects, key_state) : DROPEFFECT_NONE;
}
DWORD BrowserWindow::OnDropOver(POINT point, DWORD effects, DWORD key_state) {
  return delegate_ ? delegate_->OnWindowDragOver(point, effects, key_state) : DROPEFFECT_NONE;
}
void BrowserWindow::OnDropLeave() {
  if (delegate_) delegate_->OnWindowDragLeave();
}
DWORD BrowserWindow::OnDrop(POINT point, DWORD effects, DWORD key_state) {
  return delegate_ ? delegate_->OnWindowDrop(point, effects, key_state) : DROPEFFECT_NONE;
}

BrowserWindow::~BrowserWindow() { Destroy(); }

void BrowserWindow::Destroy() {
  delegate_ = nullptr;
  if (drop_target_) {
    drop_target_->Revoke();
    drop_target_ = nullptr;
  }
  if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void BrowserWindow::ShowFrame(std::shared_ptr<DecodedFrame> frame) {
  frame_ = std::move(frame);
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void BrowserWindow::LeaveCursorToClient() {
  client_cursor_ = true;
  cursor_set_ = false;
}

void BrowserWindow::SetCursor(HCURSOR cursor) {
  cursor_ = cursor;
  cursor_set_ = true;
  client_cursor_ = false;
  if (!hwnd_) return;
  POINT pt;
  RECT r;
  // Shown at once when the pointer is over the window, as the next
  // WM_SETCURSOR would.
  if (::GetCursorPos(&pt) && ::GetWindowRect(hwnd_, &r) && ::PtInRect(&r, pt) && ::WindowFromPoint(pt) == hwnd_)
    ::SetCursor(cursor);
}

LRESULT CALLBACK BrowserWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  BrowserWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<BrowserWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<BrowserWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    if (self->drop_target_) {
      self->drop_target_->Revoke();  // while the handle is still valid
      self->drop_target_ = nullptr;
    }
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    BrowserWindowDelegate* d = self->delegate_;
    self->delegate_ = nullptr;
    if (d) d->OnWindowDestroyed();
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->Handle(msg, wp, lp);
}

void BrowserWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const int cw = client.right, ch = client.bottom;
  int fw = 0, fh = 0;
  if (frame_ && frame_->width > 0 && frame_->height > 0) {
    fw = frame_->width;
    fh = frame_->height;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = fw;
    bi.bmiHeader.biHeight = -fh;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    // Frames come at the page's size, which follows the window; while a
    // resize is on its way the old frame is drawn at its own size.
    ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(fw), static_cast<DWORD>(fh), 0, 0, 0,
                        static_cast<UINT>(fh), frame_->pixels.data(), &bi, DIB_RGB_COLORS);
  }
  // What the frame does not cover shows the background colour.
  HBRUSH brush = ::CreateSolidBrush(background_);
  if (fw < cw) {
    RECT r = {fw, 0, cw, ch};
    ::FillRect(dc, &r, brush);
  }
  if (fh < ch) {
    RECT r = {0, fh, fw < cw ? fw : cw, ch};
    ::FillRect(dc, &r, brush);
  }
  ::DeleteObject(brush);
  ::EndPaint(hwnd_, &ps);
  if (frame_ && !painted_frame_) {
    painted_frame_ = true;
    if (delegate_) delegate_->OnWindowFirstPaint();
  }
}

void BrowserWindow::Mouse(UINT msg, WPARAM wp, LPARAM lp) {
  if (!delegate_) return;
  MouseInput in;
  in.x = GET_X_LPARAM(lp);
  in.y = GET_Y_LPARAM(lp);
  in.modifiers = Modifiers();
  switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
      in.type = MouseInput::Type::kPress; in.button = MouseInput::Button::kLeft; break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK:
      in.type = MouseInput::Type::kPress; in.button = MouseInput::Button::kMiddle; break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
      in.type = MouseInput::Type::kPress; in.button = MouseInput::Button::kRight; break;
    case WM_LBUTTONUP: in.type = MouseInput::Type::kRelease; in.button = MouseInput::Button::kLeft; break;
    case WM_MBUTTONUP: in.type = MouseInput::Type::kRelease; in.button = MouseInput::Button::kMiddle; break;
    case WM_RBUTTONUP: in.type = MouseInput::Type::kRelease; in.button = MouseInput::Button::kRight; break;
    default: in.type = MouseInput::Type::kMove; break;
  }
  if (in.type == MouseInput::Type::kPress) {
    const DWORD now = ::GetMessageTime();
    const bool near_enough = std::abs(in.x - last_click_pos_.x) <= ::GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                             std::abs(in.y - last_click_pos_.y) <= ::GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (click_count_ > 0 && near_enough && now - last_click_time_ <= ::GetDoubleClickTime())
      ++click_count_;
    else
      click_count_ = 1;
    last_click_time_ = now;
    last_click_pos_ = {in.x, in.y};
    ::SetCapture(hwnd_);
    if (::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  }
  in.click_count = click_count_;
  in.buttons = ButtonsFromWParam(wp);
  // The press itself counts among the held buttons, the release does not.
  if (in.type == MouseInput::Type::kRelease) {
    if (::GetCapture() == hwnd_ && !(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) ::ReleaseCapture();
  }
  if (in.type == MouseInput::Type::kMove && !tracking_leave_) {
    TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, hwnd_, 0};
    tracking_leave_ = ::TrackMouseEvent(&tme) != FALSE;
  }
  delegate_->OnWindowMouse(in);
}

LRESULT BrowserWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == RunClosureMessage() && lp) {
    (*reinterpret_cast<const std::function<void()>*>(lp))();
    return 0;
  }
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && client_cursor_) return TRUE;  // not the class arrow over it
      if (LOWORD(lp) == HTCLIENT && cursor_set_) {
        ::SetCursor(cursor_);
        return TRUE;
      }
      break;
    case WM_SIZE:
      if (delegate_ && wp != SIZE_MINIMIZED) delegate_->OnWindowResized(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
      Mouse(msg, wp, lp);
      return 0;
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      if (delegate_) {
        MouseInput in;
        in.type = MouseInput::Type::kLeave;
        in.modifiers = Modifiers();
        delegate_->OnWindowMouse(in);
      }
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
      if (!delegate_) return 0;
      POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};  // screen coordinates
      ::ScreenToClient(hwnd_, &pt);
      MouseInput in;
      in.type = MouseInput::Type::kWheel;
      in.x = pt.x;
      in.y = pt.y;
      in.modifiers = Modifiers();
      in.buttons = ButtonsFromWParam(GET_KEYSTATE_WPARAM(wp));
      const double px = WheelDeltaToPixels(GET_WHEEL_DELTA_WPARAM(wp));
      if (msg == WM_MOUSEWHEEL) in.delta_y = px; else in.delta_x = -px;
      delegate_->OnWindowMouse(in);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (delegate_) delegate_->OnWindowFocus(msg == WM_SETFOCUS);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: {
      if (delegate_ && wp != VK_PROCESSKEY) {
        KeyInput in;
        in.down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
        in.virtual_key = static_cast<int>(wp);
        in.modifiers = Modifiers();
        in.system_key = msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP;
        in.caps_lock = (::GetKeyState(VK_CAPITAL) & 1) != 0;
        delegate_->OnWindowKey(in);
      }
      if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) break;  // Alt+F4 and friends
      return 0;
    }
    case WM_CHAR: case WM_SYSCHAR: case WM_IME_CHAR: {
      if (!delegate_) return 0;
      const wchar_t c = static_cast<wchar_t>(wp);
      char32_t ch = c;
      if (c >= 0xD800 && c <= 0xDBFF) { high_surrogate_ = c; return 0; }
      if (c >= 0xDC00 && c <= 0xDFFF) {
        if (!high_surrogate_) return 0;
        ch = 0x10000 + ((static_cast<char32_t>(high_surrogate_) - 0xD800) << 10) + (c - 0xDC00);
      }
      high_surrogate_ = 0;
      std::string method;
      Json::Value params;
      if (CharEventFor(ch, Modifiers(), &method, &params)) delegate_->OnWindowInput(method, params);
      if (msg == WM_SYSCHAR) break;
      return 0;
    }
    case WM_IME_COMPOSITION: {
      // The input method's finished text goes to the page in one piece;
      // returning without the default handling keeps it from arriving a
      // second time as WM_IME_CHAR.
      if (delegate_ && (lp & GCS_RESULTSTR)) {
        HIMC imc = ::ImmGetContext(hwnd_);
        if (imc) {
          const LONG bytes = ::ImmGetCompositionStringW(imc, GCS_RESULTSTR, nullptr, 0);
          if (bytes > 0) {
            std::wstring text(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
            ::ImmGetCompositionStringW(imc, GCS_RESULTSTR, &text[0], static_cast<DWORD>(bytes));
            Json::Value params(Json::objectValue);
            params["text"] = Utf16ToUtf8(text);
            delegate_->OnWindowInput("Input.insertText", params);
          }
          ::ImmReleaseContext(hwnd_, imc);
          return 0;
        }
      }
      break;
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace velora_engine
