#include "paint_rules.h"

#include <algorithm>
#include <cstring>

namespace velora_engine {

std::vector<PaintRect> ChangedRects(const uint32_t* previous, const uint32_t* current, int width, int height,
                                    int tile, size_t max_rects) {
  std::vector<PaintRect> rects;
  if (!previous || !current || width <= 0 || height <= 0) return rects;
  if (tile <= 0) tile = kPaintTile;
  const size_t stride = static_cast<size_t>(width);
  for (int ty = 0; ty < height; ty += tile) {
    const int th = std::min(tile, height - ty);
    for (int tx = 0; tx < width; tx += tile) {
      const int tw = std::min(tile, width - tx);
      int left = tw, right = -1, top = -1, bottom = -1;
      for (int y = 0; y < th; ++y) {
        const uint32_t* a = previous + (ty + y) * stride + tx;
        const uint32_t* b = current + (ty + y) * stride + tx;
        if (std::memcmp(a, b, static_cast<size_t>(tw) * 4) == 0) continue;
        if (top < 0) top = y;
        bottom = y;
        // Only the part of the row not yet known to have changed is looked at.
        int l = 0;
        while (l < left && a[l] == b[l]) ++l;
        left = std::min(left, l);
        int r = tw - 1;
        while (r > right && a[r] == b[r]) --r;
        right = std::max(right, r);
      }
      if (top < 0) continue;
      PaintRect rc;
      rc.x = tx + left;
      rc.y = ty + top;
      rc.width = right - left + 1;
      rc.height = bottom - top + 1;
      rects.push_back(rc);
    }
  }
  if (rects.size() > max_rects) {
    int x0 = width, y0 = height, x1 = 0, y1 = 0;
    for (const PaintRect& r : rects) {
      x0 = std::min(x0, r.x);
      y0 = std::min(y0, r.y);
      x1 = std::max(x1, r.x + r.width);
      y1 = std::max(y1, r.y + r.height);
    }
    rects.assign(1, PaintRect{x0, y0, x1 - x0, y1 - y0});
  }
  return rects;
}

std::vector<PaintRect> FrameDirtyRects(const uint32_t* previous, int previous_width, int previous_height,
                                       const uint32_t* current, int width, int height) {
  if (!current || width <= 0 || height <= 0) return {};
  if (!previous || previous_width != width || previous_height != height)
    return {PaintRect{0, 0, width, height}};
  return ChangedRects(previous, current, width, height);
}

uint32_t BackgroundColorFor(uint32_t browser_color, uint32_t engine_color, bool windowless) {
  const uint32_t opaque = 0xFF000000u;
  if (windowless) return (browser_color >> 24) == 0 ? 0u : (browser_color | opaque);
  if ((browser_color >> 24) == 0xFF) return browser_color;
  if ((engine_color >> 24) == 0xFF) return engine_color;
  return 0xFFFFFFFFu;
}

uint64_t CoveredPixels(const std::vector<PaintRect>& rects) {
  uint64_t n = 0;
  for (const PaintRect& r : rects) n += static_cast<uint64_t>(r.width) * static_cast<uint64_t>(r.height);
  return n;
}

namespace {
constexpr int kSelectMaxRows = 12;
constexpr int kSelectMinWidth = 60;
}  // namespace

PaintRect SelectPopupRect(const PaintRect& element, int rows, int row_height, int view_width, int view_height) {
  PaintRect r;
  const int shown = std::max(1, std::min(rows, kSelectMaxRows));
  r.width = std::min(std::max(element.width, kSelectMinWidth), std::max(view_width, 1));
  r.height = std::min(shown * row_height + 2, std::max(view_height, 1));
  r.x = std::max(0, std::min(element.x, view_width - r.width));
  const int below = element.y + element.height;
  if (below + r.height > view_height && element.y - r.height >= 0)
    r.y = element.y - r.height;
  else
    r.y = std::max(0, std::min(below, view_height - r.height));
  return r;
}

int SelectPopupRowAt(const PaintRect& popup, int rows, int row_height, int x, int y) {
  if (x < popup.x + 1 || x >= popup.x + popup.width - 1 || y < popup.y + 1 || y >= popup.y + popup.height - 1)
    return -1;
  const int row = (y - popup.y - 1) / std::max(row_height, 1);
  return row < rows ? row : -1;
}

int SelectPopupFirstRow(int rows, int visible_rows, int selected) {
  if (rows <= visible_rows || selected < visible_rows) return 0;
  return std::min(selected - visible_rows + 1, rows - visible_rows);
}

}  // namespace velora_engine
