#include "cef3/common/control_rules.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "cef3/common/frame_messages.h"

namespace control_rules {

bool FlagAttribute(const wchar_t* value) { return value != nullptr && std::wcscmp(value, L"true") == 0; }

bool NeedsRebuild(bool transparent, bool haveImage, bool haveDc, int keptWidth, int keptHeight, int width,
                  int height) {
  if (transparent && !haveImage) return true;
  if (!transparent && !haveDc) return true;
  return keptWidth != width || keptHeight != height;
}

size_t CopyDirtyRects(uint8_t* dst, const uint8_t* src, int width, int height, const DirtyRect* rects,
                      size_t count) {
  if (!dst || !src || width <= 0 || height <= 0) return 0;
  const size_t stride = static_cast<size_t>(width) * 4;
  size_t copied = 0;
  for (size_t i = 0; i < count; ++i) {
    // Clip in 64 bits: x + width of a hostile rectangle may overflow int.
    const int64_t x0 = std::max<int64_t>(rects[i].x, 0);
    const int64_t y0 = std::max<int64_t>(rects[i].y, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(rects[i].x) + rects[i].width, width);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(rects[i].y) + rects[i].height, height);
    if (x1 <= x0 || y1 <= y0) continue;
    const size_t rowBytes = static_cast<size_t>(x1 - x0) * 4;
    if (x0 == 0 && x1 == width) {
      // Whole rows: one block.
      const size_t at = static_cast<size_t>(y0) * stride;
      std::memcpy(dst + at, src + at, static_cast<size_t>(y1 - y0) * stride);
    } else {
      for (int64_t y = y0; y < y1; ++y) {
        const size_t at = static_cast<size_t>(y) * stride + static_cast<size_t>(x0) * 4;
        std::memcpy(dst + at, src + at, rowBytes);
      }
    }
    copied += static_cast<size_t>(x1 - x0) * static_cast<size_t>(y1 - y0);
  }
  return copied;
}

bool ViewRectFromControl(int left, int top, int right, int bottom, int* width, int* height) {
  const int w = right - left;
  const int h = bottom - top;
  if (w == 0 || h == 0) return false;
  *width = w;
  *height = h;
  return true;
}

uint32_t MouseModifiers(unsigned keyState, bool capsLockOn, bool altDown, bool numLockOn) {
  constexpr unsigned kMkLButton = 0x0001, kMkRButton = 0x0002, kMkShift = 0x0004, kMkControl = 0x0008,
                     kMkMButton = 0x0010;
  uint32_t flags = 0;
  if (capsLockOn) flags |= 1;                 // EVENTFLAG_CAPS_LOCK_ON
  if (keyState & kMkShift) flags |= 2;        // EVENTFLAG_SHIFT_DOWN
  if (keyState & kMkControl) flags |= 4;      // EVENTFLAG_CONTROL_DOWN
  if (altDown) flags |= 8;                    // EVENTFLAG_ALT_DOWN
  if (keyState & kMkLButton) flags |= 16;     // EVENTFLAG_LEFT_MOUSE_BUTTON
  if (keyState & kMkMButton) flags |= 32;     // EVENTFLAG_MIDDLE_MOUSE_BUTTON
  if (keyState & kMkRButton) flags |= 64;     // EVENTFLAG_RIGHT_MOUSE_BUTTON
  if (numLockOn) flags |= 256;                // EVENTFLAG_NUM_LOCK_ON
  return flags;
}

bool ForwardMouseEvent(int eventType, bool haveBrowser, bool visible, int x, int y, int left, int top, int right,
                       int bottom) {
  constexpr int kMouseMove = 9, kMouseLeave = 10;
  if (eventType != kMouseMove && eventType != kMouseLeave) return false;
  if (!haveBrowser || !visible) return false;
  if (eventType == kMouseLeave) return true;
  return x >= left && x < right && y >= top && y < bottom;
}

PopupAction DecidePopup(int disposition, bool haveHostWindow) {
  // NEW_FOREGROUND_TAB 3, NEW_BACKGROUND_TAB 4, NEW_POPUP 5, NEW_WINDOW 6.
  if (disposition < 3 || disposition > 6) return PopupAction::kCancel;
  return haveHostWindow ? PopupAction::kPostAndCreate : PopupAction::kSystemAndCancel;
}

bool RefuseNavigation(const std::wstring& url) { return url.compare(0, 10, L"tencent://") == 0; }

bool RefuseDrag(unsigned allowedOps) { return (allowedOps & 2u) != 0; }  // DRAG_OPERATION_LINK

HostMessage RendererMessageToHost(const std::string& name, size_t argCount, bool arg0IsText,
                                  const std::wstring& arg0) {
  HostMessage m;
  const std::wstring text = (argCount > 0 && arg0IsText) ? arg0 : std::wstring();
  if (name == "close") {
    m.message = kSysCommandMessage;
    m.wParam = kScClose;
  } else if (name == "minimize") {
    m.message = kSysCommandMessage;
    m.wParam = kScMinimize;
  } else if (name == "openAdUrl") {
    m.message = kOpenAdUrlMessage;
    m.hasText = true;
    m.text = text;
  } else if (name == "web2vc_toShowUrl") {
    if (argCount > 0) {
      m.message = kShowUrlMessage;
      m.hasText = true;
      m.text = text;
    } else {
      m.message = kCloseMainMessage;
    }
  } else if (name == "web2vc_Close") {
    m.message = kCloseMainMessage;
  } else if (name == "web2vc_returnGame") {
    m.message = kReturnGameMessage;
  }
  return m;
}

}  // namespace control_rules
