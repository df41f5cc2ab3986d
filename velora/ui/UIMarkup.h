// CMarkup: the skin library's markup reader. A read-only view of an XML
// document parsed by pugixml; nodes are cheap handles that stay valid while
// the CMarkup that made them lives and is not reloaded.
#pragma once

#include <memory>

#include "UIString.h"

namespace DuiLib {

class CMarkup;

class CMarkupNode {
 public:
  CMarkupNode() = default;

  bool IsValid() const { return node_ != nullptr; }
  CMarkupNode GetParent() const;
  CMarkupNode GetSibling() const;        // next element sibling
  CMarkupNode GetChild() const;          // first element child
  CMarkupNode GetChild(const wchar_t* name) const;  // first element child with that name
  bool HasSiblings() const { return GetSibling().IsValid(); }
  bool HasChildren() const { return GetChild().IsValid(); }

  CDuiString GetName() const;
  CDuiString GetValue() const;  // the element's text

  bool HasAttributes() const { return GetAttributeCount() > 0; }
  bool HasAttribute(const wchar_t* name) const;
  int GetAttributeCount() const;
  CDuiString GetAttributeName(int index) const;
  CDuiString GetAttributeValue(int index) const;
  // Empty when the attribute is absent; HasAttribute tells the two apart.
  CDuiString GetAttributeValue(const wchar_t* name) const;
  // Copies at most size-1 characters and a terminator; false when absent.
  bool GetAttributeValue(const wchar_t* name, wchar_t* buffer, int size) const;

 private:
  friend class CMarkup;
  explicit CMarkupNode(void* node) : node_(node) {}
  void* node_ = nullptr;  // pugi::xml_node_struct*
};

class CMarkup {
 public:
  enum Encoding { XMLFILE_ENCODING_UTF8 = 0, XMLFILE_ENCODING_UNICODE = 1, XMLFILE_ENCODING_ASNI = 2 };

  CMarkup();
  explicit CMarkup(const wchar_t* xml);
  ~CMarkup();
  CMarkup(const CMarkup&) = delete;
  CMarkup& operator=(const CMarkup&) = delete;

  // Parses text; false (and IsValid() false) on a syntax error.
  bool Load(const wchar_t* xml);
  // Parses a file; the encoding is taken from its byte-order mark or
  // declaration (UTF-8 when neither says otherwise), the argument only
  // decides when the file has neither: UNICODE means UTF-16LE.
  bool LoadFromFile(const wchar_t* path, int encoding = XMLFILE_ENCODING_UTF8);
  bool LoadFromMem(const void* data, size_t size, int encoding = XMLFILE_ENCODING_UTF8);
  void Release();

  bool IsValid() const;
  CMarkupNode GetRoot() const;
  // The reason of the last failed load, for log lines.
  CDuiString GetLastErrorMessage() const { return error_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  CDuiString error_;
};

}  // namespace DuiLib
