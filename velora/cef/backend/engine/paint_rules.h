// Which parts of an off-screen view changed between two frames, as the
// rectangles OnPaint hands to the client. Plain pixels in, rectangles out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velora_engine {

struct PaintRect {
  int x = 0, y = 0, width = 0, height = 0;
};

inline bool operator==(const PaintRect& a, const PaintRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// Tiles the diff works in, and the most rectangles handed out before they
// become one box around them all (a client copies each one separately).
constexpr int kPaintTile = 32;
constexpr size_t kMaxPaintRects = 64;

// The changed pixels of `current` against `previous`, both width * height
// 32-bit pixels in rows of `width`. Each changed tile gives one rectangle,
// shrunk to the pixels that changed in it; more than max_rects rectangles
// give their bounding box. Nothing changed: none.
//   a 10x10 square at (40, 40) of a 100x100 view -> {40, 40, 10, 10}
//   the same square at (28, 28) -> four pieces, one per tile it touches
std::vector<PaintRect> ChangedRects(const uint32_t* previous, const uint32_t* current, int width, int height,
                                    int tile = kPaintTile, size_t max_rects = kMaxPaintRects);

// The rectangles for a new frame: the whole view when there is no previous
// frame or its size differs (a client rebuilds its bitmap then), otherwise
// what changed.
std::vector<PaintRect> FrameDirtyRects(const uint32_t* previous, int previous_width, int previous_height,
                                       const uint32_t* current, int width, int height);

// A browser's background colour (0xAARRGGBB) from its own setting and the
// engine's. A windowed page is always opaque: its own colour when that is
// opaque, else the engine's, else white. A windowless page is transparent
// when its own colour has alpha 0 (the default), and otherwise that colour.
//   (0, 0xFFEEEEEE, windowed) -> 0xFFEEEEEE; (0, 0xFFEEEEEE, windowless) -> 0
uint32_t BackgroundColorFor(uint32_t browser_color, uint32_t engine_color, bool windowless);

// The pixels the rectangles cover (they never overlap).
uint64_t CoveredPixels(const std::vector<PaintRect>& rects);

// The list of a select element in a windowless view, which the engine
// draws as the view's popup widget. `below` is the element's box in view
// coordinates; the list is as wide as the element (at least 60 px), shows
// at most 12 rows of row_height with a 1-px border, and opens below the
// element, or above it when it fits there and not below; it is kept inside
// the view.
//   a 100x20 element at (10, 10), 3 rows of 20 in a 320x200 view -> {10, 30, 100, 62}
PaintRect SelectPopupRect(const PaintRect& element, int rows, int row_height, int view_width, int view_height);
// The row under a view point, or -1 (outside, or on the border).
int SelectPopupRowAt(const PaintRect& popup, int rows, int row_height, int x, int y);
// The first row shown so that `selected` is visible among the rows that fit.
int SelectPopupFirstRow(int rows, int visible_rows, int selected);

}  // namespace velora_engine
