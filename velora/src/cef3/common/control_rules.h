// The browser controls' decisions as plain functions over plain values, so
// that they are tested on the host; the Win32 and engine glue in
// cef3/control feeds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace control_rules {

// --- attributes ------------------------------------------------------------------

// A skin flag ("offscreen", "transparent") is on only for exactly "true":
// "TRUE", "1" and "" leave it off.
bool FlagAttribute(const wchar_t* value);

// --- off-screen frames -----------------------------------------------------------

struct DirtyRect {
  int x, y, width, height;
};

// Whether a frame rebuilds the kept bitmap rather than patching it: the
// bitmap of the mode is missing, or the frame's size differs from the kept
// one.
bool NeedsRebuild(bool transparent, bool haveImage, bool haveDc, int keptWidth, int keptHeight, int width,
                  int height);

// Copies the dirty rectangles of a frame of width x height pixels (4 bytes
// each, rows of exactly width * 4 bytes, top to bottom) from `src` to the
// kept pixels `dst` of the same size, row by row at the same offsets. A
// rectangle is clipped to the frame first: the engine's rectangles should
// lie inside it, and a wrong one must not read or write past either buffer.
// Returns the number of pixels copied.
size_t CopyDirtyRects(uint8_t* dst, const uint8_t* src, int width, int height, const DirtyRect* rects,
                      size_t count);

// The view rectangle the engine is told: (0, 0, w, h) of the control, or
// false when the control is empty in either direction (the engine's own
// proposal then stands).
bool ViewRectFromControl(int left, int top, int right, int bottom, int* width, int* height);

// Engine event flags of a forwarded mouse event. keyState is the mouse
// message's wParam (MK_*); the toggles and Alt come from GetKeyState.
//   Shift + left button           -> 18
//   Shift + left button, Caps on  -> 19
uint32_t MouseModifiers(unsigned keyState, bool capsLockOn, bool altDown, bool numLockOn);

// Whether a DuiLib mouse event reaches the off-screen browser: type 9
// (move) inside the control, type 10 (leave) wherever the pointer is, and
// neither without a browser or while the control is hidden.
bool ForwardMouseEvent(int eventType, bool haveBrowser, bool visible, int x, int y, int left, int top, int right,
                       int bottom);

// --- the windowed control's client ------------------------------------------------

// Engine window-open dispositions (cef_window_open_disposition_t).
enum class PopupAction {
  kCancel,          // not a new tab or window: nothing happens
  kPostAndCreate,   // tell the host window and let the engine make the popup
  kSystemAndCancel  // no host window (a popup's page): the system opens it
};
PopupAction DecidePopup(int disposition, bool haveHostWindow);

// Navigations to "tencent://..." are refused (prefix, case as written).
bool RefuseNavigation(const std::wstring& url);

// A drag is refused when its allowed operations include "link" (2).
bool RefuseDrag(unsigned allowedOps);

// What a renderer message asks of the host window.
struct HostMessage {
  unsigned int message = 0;  // 0: nothing is posted
  uintptr_t wParam = 0;      // used when there is no text
  bool hasText = false;      // wParam is a BSTR made from `text`
  std::wstring text;
};
// `arg0` is the message's first argument when it is a text; `argCount` the
// size of its argument list. Names are compared case-sensitively.
//   "close"                     -> WM_SYSCOMMAND SC_CLOSE
//   "openAdUrl" ["x"]           -> 5025 with text "x"; without a text: ""
//   "web2vc_toShowUrl" []       -> 5037
//   "isChrome"                  -> nothing
HostMessage RendererMessageToHost(const std::string& name, size_t argCount, bool arg0IsText,
                                  const std::wstring& arg0);

// --- the context menu ------------------------------------------------------------

// Engine menu command ids and context type flags used by the edit.
enum MenuCommand {
  kMenuBack = 100, kMenuForward = 101, kMenuStopLoad = 104, kMenuUndo = 110, kMenuRedo = 111,
  kMenuCut = 112, kMenuCopy = 113, kMenuPaste = 114, kMenuDelete = 115, kMenuSelectAll = 116,
  kMenuPrint = 131, kMenuViewSource = 132
};
constexpr int kContextPage = 1, kContextSelection = 16, kContextEditable = 32;

// Edits a context menu through `m`, which offers the engine menu model's
// calls: SetLabel(id, text), Remove(id), GetCount(), IsSeparatorAt(index),
// RemoveAt(index).
//  1. page context: stop-loading and redo get their Chinese labels;
//  2. selection or editable: undo, cut, copy, paste, delete, select-all;
//  3. print, view source, back, forward and redo are removed;
//  4. a separator left at the top is removed;
//  5. the rest is pruned by walking positions upward from 0 while below the
//     current count and removing the item at each: each removal moves the
//     next item into the position just visited, which the walk then steps
//     past, so the items at the odd positions (2nd, 4th, ...) survive.
template <typename Model>
void EditContextMenu(Model& m, int typeFlags);

}  // namespace control_rules

#include "cef3/common/control_rules_menu.inl"
