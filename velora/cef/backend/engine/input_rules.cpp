#include "input_rules.h"

namespace velora_engine {

namespace {
// The engine API's EVENTFLAG_* bits.
constexpr uint32_t kFlagCapsLock = 1 << 0;
constexpr uint32_t kFlagShift = 1 << 1;
constexpr uint32_t kFlagControl = 1 << 2;
constexpr uint32_t kFlagAlt = 1 << 3;
constexpr uint32_t kFlagLeftButton = 1 << 4;
constexpr uint32_t kFlagMiddleButton = 1 << 5;
constexpr uint32_t kFlagRightButton = 1 << 6;
constexpr uint32_t kFlagCommand = 1 << 7;
}  // namespace

int ModifiersFromEventFlags(uint32_t flags) {
  int m = 0;
  if (flags & kFlagAlt) m |= kModAlt;
  if (flags & kFlagControl) m |= kModCtrl;
  if (flags & kFlagCommand) m |= kModMeta;
  if (flags & kFlagShift) m |= kModShift;
  return m;
}

int ButtonsFromEventFlags(uint32_t flags) {
  int b = 0;
  if (flags & kFlagLeftButton) b |= kButtonsLeft;
  if (flags & kFlagRightButton) b |= kButtonsRight;
  if (flags & kFlagMiddleButton) b |= kButtonsMiddle;
  return b;
}

bool CapsLockFromEventFlags(uint32_t flags) { return (flags & kFlagCapsLock) != 0; }

Json::Value MouseEventParams(const MouseInput& in) {
  Json::Value p(Json::objectValue);
  if (in.type == MouseInput::Type::kLeave) {
    // DevTools has no leave event: a move to a point outside every view
    // makes the page leave what the pointer was over.
    p["type"] = "mouseMoved";
    p["x"] = -1;
    p["y"] = -1;
    p["modifiers"] = in.modifiers;
    p["buttons"] = 0;
    p["button"] = "none";
    return p;
  }
  switch (in.type) {
    case MouseInput::Type::kLeave:
    case MouseInput::Type::kMove: p["type"] = "mouseMoved"; break;
    case MouseInput::Type::kPress: p["type"] = "mousePressed"; break;
    case MouseInput::Type::kRelease: p["type"] = "mouseReleased"; break;
    case MouseInput::Type::kWheel: p["type"] = "mouseWheel"; break;
  }
  p["x"] = in.x;
  p["y"] = in.y;
  p["modifiers"] = in.modifiers;
  p["buttons"] = in.buttons;
  switch (in.button) {
    case MouseInput::Button::kNone: p["button"] = "none"; break;
    case MouseInput::Button::kLeft: p["button"] = "left"; break;
    case MouseInput::Button::kMiddle: p["button"] = "middle"; break;
    case MouseInput::Button::kRight: p["button"] = "right"; break;
  }
  if (in.type == MouseInput::Type::kPress || in.type == MouseInput::Type::kRelease)
    p["clickCount"] = in.click_count > 0 ? in.click_count : 1;
  if (in.type == MouseInput::Type::kWheel) {
    p["deltaX"] = in.delta_x;
    p["deltaY"] = in.delta_y;
  }
  return p;
}

double WheelDeltaToPixels(int wheel_delta) {
  return -static_cast<double>(wheel_delta) * 100.0 / 120.0;
}

namespace {

struct KeyName {
  int vk;
  const char* key;
  const char* code;
};

const KeyName kKeys[] = {
    {0x08, "Backspace", "Backspace"}, {0x09, "Tab", "Tab"}, {0x0D, "Enter", "Enter"},
    {0x10, "Shift", "ShiftLeft"}, {0x11, "Control", "ControlLeft"}, {0x12, "Alt", "AltLeft"},
    {0x13, "Pause", "Pause"}, {0x14, "CapsLock", "CapsLock"}, {0x1B, "Escape", "Escape"},
    {0x20, " ", "Space"}, {0x21, "PageUp", "PageUp"}, {0x22, "PageDown", "PageDown"},
    {0x23, "End", "End"}, {0x24, "Home", "Home"}, {0x25, "ArrowLeft", "ArrowLeft"},
    {0x26, "ArrowUp", "ArrowUp"}, {0x27, "ArrowRight", "ArrowRight"},
    {0x28, "ArrowDown", "ArrowDown"}, {0x2D, "Insert", "Insert"}, {0x2E, "Delete", "Delete"},
    {0x5B, "Meta", "MetaLeft"},
};

}  // namespace

Json::Value KeyEventParams(const KeyInput& in) {
  Json::Value p(Json::objectValue);
  p["type"] = in.down ? "rawKeyDown" : "keyUp";
  p["windowsKeyCode"] = in.virtual_key;
  p["nativeVirtualKeyCode"] = in.virtual_key;
  p["modifiers"] = in.modifiers;
  if (in.system_key) p["isSystemKey"] = true;
  const int vk = in.virtual_key;
  const bool upper = ((in.modifiers & kModShift) != 0) != in.caps_lock;
  for (const auto& k : kKeys) {
    if (k.vk == vk) {
      p["key"] = k.key;
      p["code"] = k.code;
      return p;
    }
  }
  if (vk >= 'A' && vk <= 'Z') {
    const char c = static_cast<char>(upper ? vk : vk - 'A' + 'a');
    p["key"] = std::string(1, c);
    p["code"] = std::string("Key") + static_cast<char>(vk);
  } else if (vk >= '0' && vk <= '9') {
    p["key"] = std::string(1, static_cast<char>(vk));
    p["code"] = std::string("Digit") + static_cast<char>(vk);
  } else if (vk >= 0x60 && vk <= 0x69) {  // VK_NUMPAD0..9 (num lock on)
    p["key"] = std::string(1, static_cast<char>('0' + vk - 0x60));
    p["code"] = std::string("Numpad") + static_cast<char>('0' + vk - 0x60);
    p["location"] = 3;
  } else if (vk >= 0x70 && vk <= 0x87) {  // F1..F24
    p["key"] = "F" + std::to_string(vk - 0x6F);
    p["code"] = p["key"];
  }
  return p;
}

static std::string Utf8Of(char32_t ch) {
  std::string out;
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
  return out;
}

bool CharEventFor(char32_t ch, int modifiers, std::string* method, Json::Value* params) {
  if (ch == 0 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return false;
  *params = Json::Value(Json::objectValue);
  if (ch >= 0x80) {
    *method = "Input.insertText";
    (*params)["text"] = Utf8Of(ch);
    return true;
  }
  if (ch < 0x20 && ch != '\r') return false;
  if (ch == 0x7F) return false;
  // Ctrl+letter arrives as a control character and was handled above; a
  // printable character with Ctrl held (AltGr) is still text.
  *method = "Input.dispatchKeyEvent";
  (*params)["type"] = "char";
  (*params)["text"] = Utf8Of(ch);
  (*params)["unmodifiedText"] = Utf8Of(ch);
  (*params)["windowsKeyCode"] = static_cast<int>(ch);
  (*params)["modifiers"] = modifiers;
  return true;
}

std::string Utf16ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const char32_t lo = static_cast<char32_t>(text[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    out += Utf8Of(c);
  }
  return out;
}

int DragOperationsFromDropEffects(uint32_t effects) {
  int ops = 0;
  if (effects & 1) ops |= 1;   // copy
  if (effects & 4) ops |= 2;   // link
  if (effects & 2) ops |= 16;  // move
  return ops;
}

uint32_t DropEffectFor(int operations) {
  if (operations & 1) return 1;
  if (operations & 2) return 4;
  if (operations & 16) return 2;
  return 0;
}

std::string UnixPathOnRootDrive(const std::wstring& path) {
  if (path.size() < 3 || (path[0] != L'Z' && path[0] != L'z') || path[1] != L':' ||
      (path[2] != L'\\' && path[2] != L'/'))
    return std::string();
  std::wstring rest = path.substr(2);
  for (wchar_t& ch : rest)
    if (ch == L'\\') ch = L'/';
  return Utf16ToUtf8(rest);
}

Json::Value DragEventParams(const char* type, int x, int y, int modifiers, int operations,
                            const DragPayload& payload) {
  Json::Value p(Json::objectValue);
  p["type"] = type;
  p["x"] = x;
  p["y"] = y;
  p["modifiers"] = modifiers;
  Json::Value data(Json::objectValue);
  data["items"] = Json::Value(Json::arrayValue);
  auto item = [&data](const char* mime, const std::string& value) {
    Json::Value i(Json::objectValue);
    i["mimeType"] = mime;
    i["data"] = value;
    data["items"].append(i);
  };
  if (!payload.url.empty()) item("text/uri-list", payload.url);
  if (!payload.text.empty()) item("text/plain", payload.text);
  if (!payload.html.empty()) item("text/html", payload.html);
  if (!payload.files.empty()) {
    data["files"] = Json::Value(Json::arrayValue);
    for (const std::string& f : payload.files) data["files"].append(f);
  }
  data["dragOperationsMask"] = operations;
  p["data"] = data;
  return p;
}

}  // namespace velora_engine
