#include "UILayout.h"

#include <algorithm>

namespace DuiLib {

namespace {

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, std::max(lo, hi))); }

// Sizes are kept within kMaxExtent by the parsers, but a box can still be
// large or inverted; work in long long and clamp at the end.
int Fit(long long v) { return static_cast<int>(std::max<long long>(-4 * kMaxExtent, std::min<long long>(v, 4 * kMaxExtent))); }

}  // namespace

std::vector<UiRect> LayoutChildren(LayoutDirection direction, const UiRect& box, const UiRect& inset,
                                   int childPadding, const std::vector<LayoutItem>& items) {
  std::vector<UiRect> out(items.size());
  UiRect inner{box.left + inset.left, box.top + inset.top, box.right - inset.right, box.bottom - inset.bottom};
  if (inner.right < inner.left) inner.right = inner.left;
  if (inner.bottom < inner.top) inner.bottom = inner.top;
  const UiRect hidden{inner.left, inner.top, inner.left, inner.top};
  const bool horizontal = direction == LayoutDirection::Horizontal;
  const int innerMain = horizontal ? inner.Width() : inner.Height();
  const int innerCross = horizontal ? inner.Height() : inner.Width();

  // Pass 1: floating, hidden and the fixed part of the flow.
  long long used = 0;
  int flowCount = 0, stretchCount = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const LayoutItem& it = items[i];
    if (!it.visible) {
      out[i] = hidden;
      continue;
    }
    if (it.floating) {
      UiRect r{Fit(static_cast<long long>(box.left) + it.floatPos.left), Fit(static_cast<long long>(box.top) + it.floatPos.top), 0, 0};
      const int w = it.fixedWidth > 0 ? it.fixedWidth : std::max(0, it.floatPos.right - it.floatPos.left);
      const int h = it.fixedHeight > 0 ? it.fixedHeight : std::max(0, it.floatPos.bottom - it.floatPos.top);
      r.right = r.left + w;
      r.bottom = r.top + h;
      out[i] = r;
      continue;
    }
    if (direction == LayoutDirection::Stack) continue;
    ++flowCount;
    used += horizontal ? it.margin.left + it.margin.right : it.margin.top + it.margin.bottom;
    const int fixed = horizontal ? it.fixedWidth : it.fixedHeight;
    if (fixed > 0) used += fixed;
    else ++stretchCount;
  }
  if (flowCount > 1) used += static_cast<long long>(childPadding) * (flowCount - 1);

  // Pass 2: place the flow.
  long long left = std::max<long long>(0, innerMain - used);
  int stretchLeft = stretchCount;
  long long cursor = horizontal ? inner.left : inner.top;
  for (size_t i = 0; i < items.size(); ++i) {
    const LayoutItem& it = items[i];
    if (!it.visible || it.floating) continue;
    if (direction == LayoutDirection::Stack) {
      UiRect r{inner.left + it.margin.left, inner.top + it.margin.top, inner.right - it.margin.right,
               inner.bottom - it.margin.bottom};
      if (it.fixedWidth > 0) r.right = r.left + it.fixedWidth;
      if (it.fixedHeight > 0) r.bottom = r.top + it.fixedHeight;
      r.right = std::max(r.right, r.left);
      r.bottom = std::max(r.bottom, r.top);
      out[i] = r;
      continue;
    }
    const int fixedMain = horizontal ? it.fixedWidth : it.fixedHeight;
    const int minMain = horizontal ? it.minWidth : it.minHeight;
    const int maxMain = horizontal ? it.maxWidth : it.maxHeight;
    int size;
    if (fixedMain > 0) {
      size = fixedMain;
    } else {
      // The last stretched child takes the rounding remainder.
      const long long share = stretchLeft > 1 ? left / stretchLeft : left;
      size = Clamp(Fit(share), minMain, maxMain);
      left = std::max<long long>(0, left - size);
      --stretchLeft;
    }
    const int marginBefore = horizontal ? it.margin.left : it.margin.top;
    const int marginAfter = horizontal ? it.margin.right : it.margin.bottom;
    const int crossBefore = horizontal ? it.margin.top : it.margin.left;
    const int crossAfter = horizontal ? it.margin.bottom : it.margin.right;
    const int fixedCross = horizontal ? it.fixedHeight : it.fixedWidth;
    int cross = fixedCross > 0 ? fixedCross : std::max(0, innerCross - crossBefore - crossAfter);
    const int crossStart = (horizontal ? inner.top : inner.left) + crossBefore;
    cursor += marginBefore;
    UiRect r;
    if (horizontal) r = {Fit(cursor), crossStart, Fit(cursor + size), crossStart + cross};
    else r = {crossStart, Fit(cursor), crossStart + cross, Fit(cursor + size)};
    out[i] = r;
    cursor += size + marginAfter + childPadding;
  }
  return out;
}

}  // namespace DuiLib
