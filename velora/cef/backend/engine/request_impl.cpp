#include "request_impl.h"

#include <cctype>

namespace velora_engine {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

void RequestImpl::GetHeaderMap(HeaderMap& header_map) {
  header_map.clear();
  for (const auto& h : data_.headers) header_map.insert(std::make_pair(CefString(h.first), CefString(h.second)));
}

CefString RequestImpl::GetHeaderByName(const CefString& name) {
  const std::string wanted = name.ToString();
  for (const auto& h : data_.headers)
    if (SameName(h.first, wanted)) return h.second;  // header names ignore case
  return CefString();
}

}  // namespace velora_engine
