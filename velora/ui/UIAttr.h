// Parsing of skin attribute values, free of any platform type, so that the
// rules are tested on every build. Every parser takes untrusted text and
// either returns a value within range or reports failure; none throws.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace DuiLib {

// Same member order as the Win32 RECT, so the two convert field by field.
struct UiRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend bool operator==(const UiRect& a, const UiRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

struct UiSize {
  int cx = 0, cy = 0;
  friend bool operator==(const UiSize& a, const UiSize& b) { return a.cx == b.cx && a.cy == b.cy; }
};

// Largest extent, in pixels, that any size, position or inset may have.
// Larger values are clamped to it and negative extents to 0, so that no
// later sum of extents can overflow an int.
constexpr int kMaxExtent = 16384;

int ClampExtent(long long value);
int ClampCoordinate(long long value);  // into [-kMaxExtent, kMaxExtent]

// "12" -> 12. Leading/trailing blanks allowed; false on anything else.
bool ParseInt(const std::wstring& text, long long* out);
// "true"/"false" (any case), "1"/"0".
bool ParseBool(const std::wstring& text, bool* out);
// Colours: "#AARRGGBB", "#RRGGBB" (opaque), "0xAARRGGBB". Out: 0xAARRGGBB.
bool ParseColor(const std::wstring& text, uint32_t* out);
// "l,t,r,b" -> rectangle; coordinates clamped with ClampCoordinate.
bool ParseRect(const std::wstring& text, UiRect* out);
// "cx,cy" -> size; extents clamped with ClampExtent (negative -> 0).
bool ParseSize(const std::wstring& text, UiSize* out);

// An attribute list as used in <Default value="..."> and the class
// defaults: name="value" pairs separated by blanks, either quote.
//   L"width=\"30\" text='a b'" -> {{"width","30"}, {"text","a b"}}
// Stops at the first malformed pair and returns what came before it.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& text);

// An image reference: either a bare file name or a list of
// file='x.png' source='l,t,r,b' dest='l,t,r,b' corner='l,t,r,b' fade='255'.
struct ImageSpec {
  std::wstring file;
  bool hasSource = false, hasDest = false;
  UiRect source, dest, corner;
  int fade = 255;
};
bool ParseImageSpec(const std::wstring& text, ImageSpec* out);

// Case-insensitive comparison of ASCII names ("Button" == "button").
bool NameEquals(const std::wstring& a, const wchar_t* b);

}  // namespace DuiLib
