// A request as the request handlers see it: read-only, filled from what
// Chromium reports of a navigation.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "include/cef_request.h"

namespace velora_engine {

struct RequestData {
  std::string url;
  std::string method = "GET";
  std::string referrer;
  std::vector<std::pair<std::string, std::string>> headers;
  cef_resource_type_t resource_type = RT_MAIN_FRAME;
  cef_transition_type_t transition = TT_EXPLICIT;
  uint64 identifier = 0;
};

class RequestImpl : public CefRequest {
 public:
  explicit RequestImpl(RequestData data) : data_(std::move(data)) {}

  bool IsReadOnly() override { return true; }
  CefString GetURL() override { return data_.url; }
  CefString GetMethod() override { return data_.method; }
  CefString GetReferrerURL() override { return data_.referrer; }
  ReferrerPolicy GetReferrerPolicy() override { return REFERRER_POLICY_DEFAULT; }
  void GetHeaderMap(HeaderMap& header_map) override;
  CefString GetHeaderByName(const CefString& name) override;
  int GetFlags() override { return 0; }
  CefString GetFirstPartyForCookies() override { return CefString(); }
  ResourceType GetResourceType() override { return data_.resource_type; }
  TransitionType GetTransitionType() override { return data_.transition; }
  uint64 GetIdentifier() override { return data_.identifier; }

 private:
  RequestData data_;
  IMPLEMENT_REFCOUNTING(RequestImpl);
};

}  // namespace velora_engine
