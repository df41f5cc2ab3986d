// Feeds arbitrary bytes to the skin reader: markup parsing, skin reading
// with its limits, attribute values and the layout of the controls read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "UIAttr.h"
#include "UILayout.h"
#include "UIMarkup.h"
#include "UISkin.h"

using namespace DuiLib;

namespace {

void Walk(const SkinElement& e) {
  std::vector<LayoutItem> items;
  for (const SkinElement& c : e.children) {
    LayoutItem it;
    for (const auto& [name, value] : c.attrs) {
      long long n;
      UiRect r;
      uint32_t color;
      ImageSpec image;
      if (NameEquals(name, L"width") && ParseInt(value, &n)) it.fixedWidth = ClampExtent(n);
      else if (NameEquals(name, L"height") && ParseInt(value, &n)) it.fixedHeight = ClampExtent(n);
      else if (NameEquals(name, L"padding") && ParseRect(value, &r)) it.margin = r;
      else if (NameEquals(name, L"pos") && ParseRect(value, &r)) { it.floatPos = r; it.floating = true; }
      else if (NameEquals(name, L"bkcolor")) ParseColor(value, &color);
      else if (NameEquals(name, L"bkimage")) ParseImageSpec(value, &image);
      else ParseAttributeList(value);
    }
    items.push_back(it);
    Walk(c);
  }
  const LayoutDirection dir = NameEquals(e.cls, L"HorizontalLayout") ? LayoutDirection::Horizontal
                              : NameEquals(e.cls, L"VerticalLayout") ? LayoutDirection::Vertical
                                                                      : LayoutDirection::Stack;
  LayoutChildren(dir, UiRect{0, 0, 1360, 820}, UiRect{1, 1, 1, 1}, 3, items);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CMarkup markup;
  if (!markup.LoadFromMem(data, size)) return 0;
  SkinWindow skin;
  if (!ReadSkin(markup, &skin)) return 0;
  for (const SkinElement& e : skin.controls) Walk(e);
  return 0;
}
