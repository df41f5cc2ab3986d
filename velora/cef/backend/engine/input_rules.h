// The page input that a browser window forwards to Chromium, as DevTools
// "Input.*" parameters built from plain values (virtual-key codes, button
// and modifier bits as Win32 reports them).
#pragma once

#include <json/value.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velora_engine {

// DevTools modifier bits.
enum InputModifier { kModAlt = 1, kModCtrl = 2, kModMeta = 4, kModShift = 8 };
// DevTools "buttons" bits.
enum InputButtons { kButtonsLeft = 1, kButtonsRight = 2, kButtonsMiddle = 4 };

// The engine API's event flags (EVENTFLAG_*) as the page's input carries
// them: Shift, Ctrl, Alt and Command become DevTools modifiers, the held
// mouse buttons its "buttons"; the lock states have no place there and are
// left out (caps lock still decides a letter key's case, see KeyInput).
int ModifiersFromEventFlags(uint32_t flags);
int ButtonsFromEventFlags(uint32_t flags);
bool CapsLockFromEventFlags(uint32_t flags);

struct MouseInput {
  // kLeave: the pointer has left the view (the page sees mouseout and
  // mouseleave on what it was over).
  enum class Type { kMove, kPress, kRelease, kWheel, kLeave };
  enum class Button { kNone, kLeft, kMiddle, kRight };
  Type type = Type::kMove;
  Button button = Button::kNone;
  int x = 0, y = 0;
  int buttons = 0;    // InputButtons held
  int modifiers = 0;  // InputModifier
  int click_count = 0;
  double delta_x = 0, delta_y = 0;  // wheel: CSS pixels, down/right positive
};

Json::Value MouseEventParams(const MouseInput& in);

// Win32 wheel delta (120 a notch, up positive) to CSS pixels (100 a
// notch, down positive).
double WheelDeltaToPixels(int wheel_delta);

struct KeyInput {
  bool down = true;
  int virtual_key = 0;
  int modifiers = 0;
  bool system_key = false;  // Alt held (WM_SYSKEYDOWN)
  bool caps_lock = false;   // a letter is upper case with caps lock xor Shift
};

// "rawKeyDown"/"keyUp" with the key's DOM names where it has one:
//   VK_RETURN -> key "Enter", code "Enter"; 'A' -> key "a"/"A", code "KeyA";
//   VK_NUMPAD7 -> key "7", code "Numpad7", location 3.
Json::Value KeyEventParams(const KeyInput& in);

// A typed character. Characters outside ASCII (Chinese from an input
// method, say) are inserted as text; ASCII ones travel as "char" key
// events so that the page sees keypress. Control characters other than
// Enter give false: their key events already did the work.
bool CharEventFor(char32_t ch, int modifiers, std::string* method, Json::Value* params);

std::string Utf16ToUtf8(const std::wstring& text);

// Drags from other programs. Drop effects are DROPEFFECT_* (copy 1, move 2,
// link 4); drag operations are the engine API's and DevTools' (copy 1,
// link 2, move 16).
int DragOperationsFromDropEffects(uint32_t effects);
// The effect a drop takes among those offered: copy, else link, else move,
// else none (0).
uint32_t DropEffectFor(int operations);

// A path of a dropped file as Chromium, a Linux program, sees it, where
// Wine's Z: drive is the root; "" for paths on other drives.
//   "Z:\tmp\a b.txt" -> "/tmp/a b.txt"
std::string UnixPathOnRootDrive(const std::wstring& windows_path);

struct DragPayload {
  std::vector<std::string> files;  // Linux paths
  std::string text, html, url, url_title;
};
// "Input.dispatchDragEvent" parameters: type is "dragEnter", "dragOver",
// "drop" or "dragCancel".
Json::Value DragEventParams(const char* type, int x, int y, int modifiers, int operations,
                            const DragPayload& payload);

}  // namespace velora_engine
