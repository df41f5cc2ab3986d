#include "UIMarkup.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include <pugixml.hpp>

namespace DuiLib {

namespace {

pugi::xml_node Node(void* p) { return pugi::xml_node(static_cast<pugi::xml_node_struct*>(p)); }

CDuiString Wide(const char* utf8) {
#ifdef PUGIXML_WCHAR_MODE
  return CDuiString(utf8);
#else
  return CDuiString(pugi::as_wide(utf8 ? utf8 : ""));
#endif
}

std::string Narrow(const wchar_t* text) { return pugi::as_utf8(text ? text : L""); }

pugi::xml_node NextElement(pugi::xml_node n) {
  while (n && n.type() != pugi::node_element) n = n.next_sibling();
  return n;
}

pugi::xml_attribute AttributeAt(pugi::xml_node n, int index) {
  if (index < 0) return pugi::xml_attribute();
  pugi::xml_attribute a = n.first_attribute();
  for (int i = 0; a && i < index; ++i) a = a.next_attribute();
  return a;
}

}  // namespace

CMarkupNode CMarkupNode::GetParent() const {
  if (!node_) return {};
  pugi::xml_node p = Node(node_).parent();
  return p && p.type() == pugi::node_element ? CMarkupNode(p.internal_object()) : CMarkupNode();
}

CMarkupNode CMarkupNode::GetSibling() const {
  if (!node_) return {};
  pugi::xml_node n = NextElement(Node(node_).next_sibling());
  return n ? CMarkupNode(n.internal_object()) : CMarkupNode();
}

CMarkupNode CMarkupNode::GetChild() const {
  if (!node_) return {};
  pugi::xml_node n = NextElement(Node(node_).first_child());
  return n ? CMarkupNode(n.internal_object()) : CMarkupNode();
}

CMarkupNode CMarkupNode::GetChild(const wchar_t* name) const {
  if (!node_ || !name) return {};
  pugi::xml_node n = Node(node_).child(Narrow(name).c_str());
  return n ? CMarkupNode(n.internal_object()) : CMarkupNode();
}

CDuiString CMarkupNode::GetName() const { return node_ ? Wide(Node(node_).name()) : CDuiString(); }

CDuiString CMarkupNode::GetValue() const { return node_ ? Wide(Node(node_).child_value()) : CDuiString(); }

bool CMarkupNode::HasAttribute(const wchar_t* name) const {
  return node_ && name && Node(node_).attribute(Narrow(name).c_str());
}

int CMarkupNode::GetAttributeCount() const {
  if (!node_) return 0;
  int count = 0;
  for (pugi::xml_attribute a = Node(node_).first_attribute(); a; a = a.next_attribute()) ++count;
  return count;
}

CDuiString CMarkupNode::GetAttributeName(int index) const {
  if (!node_) return {};
  pugi::xml_attribute a = AttributeAt(Node(node_), index);
  return a ? Wide(a.name()) : CDuiString();
}

CDuiString CMarkupNode::GetAttributeValue(int index) const {
  if (!node_) return {};
  pugi::xml_attribute a = AttributeAt(Node(node_), index);
  return a ? Wide(a.value()) : CDuiString();
}

CDuiString CMarkupNode::GetAttributeValue(const wchar_t* name) const {
  if (!node_ || !name) return {};
  pugi::xml_attribute a = Node(node_).attribute(Narrow(name).c_str());
  return a ? Wide(a.value()) : CDuiString();
}

bool CMarkupNode::GetAttributeValue(const wchar_t* name, wchar_t* buffer, int size) const {
  if (!buffer || size <= 0) return false;
  buffer[0] = 0;
  if (!HasAttribute(name)) return false;
  const CDuiString value = GetAttributeValue(name);
  const size_t n = std::min(static_cast<size_t>(value.GetLength()), static_cast<size_t>(size - 1));
  std::memcpy(buffer, value.GetData(), n * sizeof(wchar_t));
  buffer[n] = 0;
  return true;
}

struct CMarkup::Impl {
  pugi::xml_document doc;
  bool valid = false;
};

CMarkup::CMarkup() : impl_(new Impl) {}

CMarkup::CMarkup(const wchar_t* xml) : CMarkup() { Load(xml); }

CMarkup::~CMarkup() = default;

void CMarkup::Release() {
  impl_->doc.reset();
  impl_->valid = false;
}

bool CMarkup::IsValid() const { return impl_->valid && impl_->doc.document_element(); }

CMarkupNode CMarkup::GetRoot() const {
  if (!IsValid()) return {};
  return CMarkupNode(impl_->doc.document_element().internal_object());
}

bool CMarkup::Load(const wchar_t* xml) {
  const std::string utf8 = Narrow(xml);
  return LoadFromMem(utf8.data(), utf8.size(), XMLFILE_ENCODING_UTF8);
}

bool CMarkup::LoadFromMem(const void* data, size_t size, int encoding) {
  Release();
  error_.Empty();
  if (!data) size = 0;
  const pugi::xml_encoding fallback = encoding == XMLFILE_ENCODING_UNICODE ? pugi::encoding_utf16_le : pugi::encoding_auto;
  // pugixml copies the buffer; it never expands external entities, so a skin
  // cannot make the reader fetch files or grow without bound.
  const pugi::xml_parse_result result =
      impl_->doc.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata_single, fallback);
  if (!result) {
    error_.Format(L"%ls at offset %ld", Wide(result.description()).GetData(), static_cast<long>(result.offset));
    impl_->doc.reset();
    return false;
  }
  if (!impl_->doc.document_element()) {
    error_ = L"no root element";
    return false;
  }
  int roots = 0;
  for (pugi::xml_node n = impl_->doc.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element) ++roots;
  if (roots > 1) {
    error_ = L"more than one root element";
    impl_->doc.reset();
    return false;
  }
  impl_->valid = true;
  return true;
}

bool CMarkup::LoadFromFile(const wchar_t* path, int encoding) {
  Release();
  error_.Empty();
  if (!path || !*path) {
    error_ = L"no file name";
    return false;
  }
#ifdef _WIN32
  std::ifstream in(path, std::ios::binary);
#else
  std::ifstream in(Narrow(path), std::ios::binary);
#endif
  if (!in) {
    error_ = L"cannot open the file";
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadFromMem(bytes.data(), bytes.size(), encoding);
}

}  // namespace DuiLib
