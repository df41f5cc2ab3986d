// A window skin read from its markup into plain values: the window's own
// attributes, the default attributes, the fonts and the control tree. No
// platform types: the dialog builder turns the tree into controls, the host
// tests the reading rules.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "UIAttr.h"
#include "UIMarkup.h"

namespace DuiLib {

using AttributeList = std::vector<std::pair<std::wstring, std::wstring>>;

struct SkinFont {
  int id = -1;
  std::wstring face;
  int size = 12;  // pixel height
  bool bold = false, italic = false, underline = false, isDefault = false;
};

struct SkinElement {
  std::wstring cls;      // element name: "Button", "VerticalLayout", "Cef", ...
  AttributeList attrs;   // in document order
  std::vector<SkinElement> children;
};

struct SkinWindow {
  AttributeList attrs;            // the <Window> element's own attributes
  UiSize size, minInfo, maxInfo;  // 0 where the skin gives none
  UiRect caption, sizeBox;
  AttributeList defaults;         // <Default name=".." value=".."/>, in order
  std::vector<SkinFont> fonts;
  std::vector<SkinElement> controls;  // the control elements under <Window>
  std::vector<std::wstring> problems; // what was left out, one log line each
};

// Bounds that keep a hostile skin from exhausting the stack or the memory.
struct SkinLimits {
  int maxDepth = 64;        // control nesting below <Window>
  int maxElements = 20000;  // controls in the whole skin
};

// Reads a parsed skin. False when there is no <Window> root; otherwise true,
// with whatever could not be read listed in problems.
bool ReadSkin(const CMarkup& markup, SkinWindow* out, const SkinLimits& limits = SkinLimits());

// The value of a default attribute, or false when the skin defines none;
// a later definition of the same name wins.
bool FindDefault(const AttributeList& defaults, const std::wstring& name, std::wstring* value);

}  // namespace DuiLib
