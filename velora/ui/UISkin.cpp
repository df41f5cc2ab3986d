#include "UISkin.h"

namespace DuiLib {

namespace {

AttributeList Attributes(const CMarkupNode& node) {
  AttributeList list;
  const int n = node.GetAttributeCount();
  list.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) list.emplace_back(node.GetAttributeName(i).str(), node.GetAttributeValue(i).str());
  return list;
}

struct Reader {
  const SkinLimits& limits;
  SkinWindow* out;
  int elements = 0;
  bool reportedDepth = false, reportedCount = false;

  // Recursion is bounded by limits.maxDepth; deeper elements are dropped
  // with their subtrees, and so are all elements past maxElements.
  void ReadControls(const CMarkupNode& parent, std::vector<SkinElement>* into, int depth) {
    for (CMarkupNode node = parent.GetChild(); node.IsValid(); node = node.GetSibling()) {
      if (depth > limits.maxDepth) {
        if (!reportedDepth) {
          out->problems.push_back(L"controls nested deeper than " + std::to_wstring(limits.maxDepth) +
                                  L" levels are left out");
          reportedDepth = true;
        }
        return;
      }
      if (elements >= limits.maxElements) {
        if (!reportedCount) {
          out->problems.push_back(L"more than " + std::to_wstring(limits.maxElements) +
                                  L" controls; the rest are left out");
          reportedCount = true;
        }
        return;
      }
      ++elements;
      into->emplace_back();
      SkinElement& e = into->back();
      e.cls = node.GetName().str();
      e.attrs = Attributes(node);
      ReadControls(node, &e.children, depth + 1);
    }
  }

  void ReadFont(const CMarkupNode& node) {
    SkinFont f;
    long long v;
    for (const auto& [name, value] : Attributes(node)) {
      if (NameEquals(name, L"id") && ParseInt(value, &v)) f.id = static_cast<int>(v < -1 ? -1 : (v > 1000000 ? 1000000 : v));
      else if (NameEquals(name, L"name")) f.face = value;
      else if (NameEquals(name, L"size") && ParseInt(value, &v)) f.size = v < 1 ? 1 : (v > 400 ? 400 : static_cast<int>(v));
      else if (NameEquals(name, L"bold")) ParseBool(value, &f.bold);
      else if (NameEquals(name, L"italic")) ParseBool(value, &f.italic);
      else if (NameEquals(name, L"underline")) ParseBool(value, &f.underline);
      else if (NameEquals(name, L"default")) ParseBool(value, &f.isDefault);
    }
    out->fonts.push_back(f);
  }

  void ReadWindowAttributes() {
    for (const auto& [name, value] : out->attrs) {
      bool ok = true;
      if (NameEquals(name, L"size")) ok = ParseSize(value, &out->size);
      else if (NameEquals(name, L"mininfo")) ok = ParseSize(value, &out->minInfo);
      else if (NameEquals(name, L"maxinfo")) ok = ParseSize(value, &out->maxInfo);
      else if (NameEquals(name, L"caption")) ok = ParseRect(value, &out->caption);
      else if (NameEquals(name, L"sizebox")) {
        ok = ParseRect(value, &out->sizeBox);
        UiRect& b = out->sizeBox;
        b = {ClampExtent(b.left), ClampExtent(b.top), ClampExtent(b.right), ClampExtent(b.bottom)};
      }
      if (!ok) out->problems.push_back(L"window attribute " + name + L"=\"" + value + L"\" is not understood");
    }
  }
};

}  // namespace

bool ReadSkin(const CMarkup& markup, SkinWindow* out, const SkinLimits& limits) {
  *out = SkinWindow();
  const CMarkupNode root = markup.GetRoot();
  if (!root.IsValid()) {
    out->problems.push_back(L"the skin has no root element");
    return false;
  }
  if (!NameEquals(root.GetName().str(), L"Window")) {
    out->problems.push_back(L"the skin's root element is <" + root.GetName().str() + L">, not <Window>");
    return false;
  }
  Reader reader{limits, out};
  out->attrs = Attributes(root);
  reader.ReadWindowAttributes();
  for (CMarkupNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
    const std::wstring name = node.GetName().str();
    if (NameEquals(name, L"Default")) {
      if (node.HasAttribute(L"name"))
        out->defaults.emplace_back(node.GetAttributeValue(L"name").str(), node.GetAttributeValue(L"value").str());
      else
        out->problems.push_back(L"a <Default> without name is left out");
    } else if (NameEquals(name, L"Font")) {
      reader.ReadFont(node);
    } else if (NameEquals(name, L"Image")) {
      // Images are referenced by file name; the element is accepted for
      // compatibility and otherwise unused.
    } else {
      if (reader.elements >= limits.maxElements) {
        if (!reader.reportedCount) {
          out->problems.push_back(L"more than " + std::to_wstring(limits.maxElements) + L" controls; the rest are left out");
          reader.reportedCount = true;
        }
        continue;
      }
      ++reader.elements;
      out->controls.emplace_back();
      SkinElement& e = out->controls.back();
      e.cls = name;
      e.attrs = Attributes(node);
      reader.ReadControls(node, &e.children, 2);
    }
  }
  return true;
}

bool FindDefault(const AttributeList& defaults, const std::wstring& name, std::wstring* value) {
  for (auto it = defaults.rbegin(); it != defaults.rend(); ++it) {
    if (it->first == name) {
      if (value) *value = it->second;
      return true;
    }
  }
  return false;
}

}  // namespace DuiLib
