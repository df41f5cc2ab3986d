// One frame (the main document or an iframe) of a browser. Callable from
// any thread in the browser process; in a renderer process only on its main
// thread.
#ifndef CEF_INCLUDE_CEF_FRAME_H_
#define CEF_INCLUDE_CEF_FRAME_H_
#pragma once

#include "include/cef_base.h"
#include "include/cef_process_message.h"
#include "include/cef_request.h"
#include "include/cef_string_visitor.h"

class CefBrowser;
class CefV8Context;

class CefFrame : public virtual CefBaseRefCounted {
 public:
  // False once the frame is gone (navigated away or closed).
  virtual bool IsValid() = 0;

  // Editing commands on the frame's focused element.
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void Cut() = 0;
  virtual void Copy() = 0;
  virtual void Paste() = 0;
  virtual void Delete() = 0;
  virtual void SelectAll() = 0;

  // Shows the frame's HTML source in a new window.
  virtual void ViewSource() = 0;
  // Delivers the frame's HTML source (or its text) to `visitor` later.
  virtual void GetSource(CefRefPtr<CefStringVisitor> visitor) = 0;
  virtual void GetText(CefRefPtr<CefStringVisitor> visitor) = 0;

  virtual void LoadRequest(CefRefPtr<CefRequest> request) = 0;
  virtual void LoadURL(const CefString& url) = 0;

  // Runs `code` in the frame without waiting for it. `script_url` and
  // `start_line` are where errors are reported as coming from.
  virtual void ExecuteJavaScript(const CefString& code,
                                 const CefString& script_url,
                                 int start_line) = 0;

  virtual bool IsMain() = 0;
  virtual bool IsFocused() = 0;
  virtual CefString GetName() = 0;
  // Unique within the browser process; negative when not yet known.
  virtual int64 GetIdentifier() = 0;
  // Null for the main frame.
  virtual CefRefPtr<CefFrame> GetParent() = 0;
  virtual CefString GetURL() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  // The frame's script context (renderer process only).
  virtual CefRefPtr<CefV8Context> GetV8Context() = 0;

  // Sends `message` to the browser process (from a renderer) or to the
  // frame's renderer process (from the browser). The message is sent
  // asynchronously and arrives in OnProcessMessageReceived with this frame.
  virtual void SendProcessMessage(CefProcessId target_process,
                                  CefRefPtr<CefProcessMessage> message) = 0;
};

#endif  // CEF_INCLUDE_CEF_FRAME_H_
