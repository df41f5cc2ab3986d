// The context (cache, cookies, preferences) browsers load in. The frame uses
// the global one.
#ifndef CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
#define CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
#pragma once

#include "include/cef_base.h"

class CefRequestContext : public virtual CefBaseRefCounted {
 public:
  // The context made from CefSettings at CefInitialize.
  static CefRefPtr<CefRequestContext> GetGlobalContext();

  virtual bool IsSame(CefRefPtr<CefRequestContext> other) = 0;
  // Same storage (for example two handles on the global context).
  virtual bool IsSharingWith(CefRefPtr<CefRequestContext> other) = 0;
  virtual bool IsGlobal() = 0;
  // Empty for an in-memory context.
  virtual CefString GetCachePath() = 0;
};

#endif  // CEF_INCLUDE_CEF_REQUEST_CONTEXT_H_
