// A response as the resource-request handler sees it (readers only).
#ifndef CEF_INCLUDE_CEF_RESPONSE_H_
#define CEF_INCLUDE_CEF_RESPONSE_H_
#pragma once

#include <map>

#include "include/cef_base.h"

class CefResponse : public virtual CefBaseRefCounted {
 public:
  typedef std::multimap<CefString, CefString> HeaderMap;

  virtual bool IsReadOnly() = 0;
  virtual cef_errorcode_t GetError() = 0;
  // The HTTP status code, e.g. 200.
  virtual int GetStatus() = 0;
  virtual CefString GetStatusText() = 0;
  virtual CefString GetMimeType() = 0;
  virtual CefString GetCharset() = 0;
  virtual CefString GetHeaderByName(const CefString& name) = 0;
  virtual void GetHeaderMap(HeaderMap& headerMap) = 0;
  virtual CefString GetURL() = 0;
};

#endif  // CEF_INCLUDE_CEF_RESPONSE_H_
