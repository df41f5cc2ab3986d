// ICefUIContainer: what a frame window that hosts browser controls offers.
// The controls themselves do not call it: a page's requests reach the
// window as posted window messages (cef3/common/frame_messages.h); the
// window's own handlers call these.
#pragma once

#include <string>

#include "include/cef_values.h"

class ICefUIContainer {
 public:
  // Opens an address outside the frame (the system's browser).
  virtual void OpenNewPopupWnd(const std::wstring& url, int flag) = 0;
  // A script call from a page: its function name and arguments. The third
  // argument is kept for callers that pass it; no window reads it.
  virtual void HandleJSCall(const std::wstring& name, CefRefPtr<CefListValue> args, int reserved) = 0;
  // Has no behaviour in any window.
  virtual void ContainerHook(int a, int b) = 0;

 protected:
  ~ICefUIContainer() = default;
};
