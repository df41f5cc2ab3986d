// A network request as the engine reports it to the request handlers. Only
// the readers are declared: the frame's policy callbacks look at requests,
// they do not build them.
#ifndef CEF_INCLUDE_CEF_REQUEST_H_
#define CEF_INCLUDE_CEF_REQUEST_H_
#pragma once

#include <map>
#include <vector>

#include "include/cef_base.h"

class CefRequest : public virtual CefBaseRefCounted {
 public:
  typedef std::multimap<CefString, CefString> HeaderMap;
  typedef cef_referrer_policy_t ReferrerPolicy;
  typedef cef_resource_type_t ResourceType;
  typedef cef_transition_type_t TransitionType;

  virtual bool IsReadOnly() = 0;
  // The fully qualified address, e.g. "https://example.com/a?b".
  virtual CefString GetURL() = 0;
  // "GET", "POST", ...
  virtual CefString GetMethod() = 0;
  virtual CefString GetReferrerURL() = 0;
  virtual ReferrerPolicy GetReferrerPolicy() = 0;
  virtual void GetHeaderMap(HeaderMap& headerMap) = 0;
  virtual CefString GetHeaderByName(const CefString& name) = 0;
  // cef_urlrequest_flags_t bits.
  virtual int GetFlags() = 0;
  virtual CefString GetFirstPartyForCookies() = 0;
  virtual ResourceType GetResourceType() = 0;
  // Meaningful for main-frame and sub-frame navigations only.
  virtual TransitionType GetTransitionType() = 0;
  // Unique within the browser process; 0 before the request is sent.
  virtual uint64 GetIdentifier() = 0;
};

#endif  // CEF_INCLUDE_CEF_REQUEST_H_
