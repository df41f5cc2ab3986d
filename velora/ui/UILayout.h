// How a container places its children. Pure arithmetic over rectangles so
// the rules are tested on the host; the containers feed it their children's
// sizes and apply the rectangles it returns.
//
// Along the main axis (x for a horizontal layout, y for a vertical one) a
// child with a fixed size (> 0) gets exactly that size; the space left after
// the fixed children, the padding between children and the children's own
// margins is shared equally among the stretched children (fixed size 0),
// within each one's min/max. Across the axis a child takes its fixed size,
// or the whole inner extent when it has none. Hidden children take no space
// and get an empty rectangle at the container's inner top-left. A floating
// child is placed by its own position, relative to the container's top-left,
// and takes no space in the flow. A plain container (Stack) gives every
// child the whole inner rectangle (or its fixed size from the top-left).
#pragma once

#include <vector>

#include "UIAttr.h"

namespace DuiLib {

enum class LayoutDirection { Stack, Horizontal, Vertical };

struct LayoutItem {
  bool visible = true;
  bool floating = false;
  int fixedWidth = 0, fixedHeight = 0;  // 0: stretch
  int minWidth = 0, minHeight = 0;
  int maxWidth = kMaxExtent, maxHeight = kMaxExtent;
  UiRect margin;    // the child's "padding" attribute: space around it
  UiRect floatPos;  // for floating children, relative to the container
};

std::vector<UiRect> LayoutChildren(LayoutDirection direction, const UiRect& box, const UiRect& inset,
                                   int childPadding, const std::vector<LayoutItem>& items);

}  // namespace DuiLib
