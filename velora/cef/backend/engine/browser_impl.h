// Browsers and frames as the API shows them, in either process. What a
// frame does when asked to load, run script or send a message depends on
// the process, so a browser here is an object of the process's own kind
// (the main process's page over DevTools, the renderer's mirror of it)
// behind one shared shape: BrowserImpl keeps the identity and the frame
// tree, its subclass does the work.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_frame.h"
#include "include/cef_request_context.h"

namespace velora_engine {

class BrowserImpl;

class FrameImpl : public CefFrame {
 public:
  FrameImpl(BrowserImpl* browser, int64 id, std::string devtools_id, bool is_main);

  bool IsValid() override;
  void Undo() override { Edit("undo"); }
  void Redo() override { Edit("redo"); }
  void Cut() override { Edit("cut"); }
  void Copy() override { Edit("copy"); }
  void Paste() override { Edit("paste"); }
  void Delete() override { Edit("delete"); }
  void SelectAll() override { Edit("selectAll"); }
  void ViewSource() override;
  void GetSource(CefRefPtr<CefStringVisitor> visitor) override;
  void GetText(CefRefPtr<CefStringVisitor> visitor) override;
  void LoadRequest(CefRefPtr<CefRequest> request) override;
  void LoadURL(const CefString& url) override;
  void ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) override;
  bool IsMain() override { return is_main_; }
  bool IsFocused() override;
  CefString GetName() override;
  int64 GetIdentifier() override { return id_; }
  CefRefPtr<CefFrame> GetParent() override;
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;
  void SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

  const std::string& devtools_id() const { return devtools_id_; }
  void Detach();
  // State kept by the browser as Chromium reports it.
  void Update(const std::string& url, const std::string& name, int64 parent_id);

 private:
  void Edit(const char* command);

  BrowserImpl* browser_;  // null once detached; the browser outlives its frames' use
  const int64 id_;
  const std::string devtools_id_;
  const bool is_main_;
  mutable std::mutex lock_;
  std::string url_, name_;
  int64 parent_id_ = 0;
  IMPLEMENT_REFCOUNTING(FrameImpl);
};

class BrowserImpl : public CefBrowser {
 public:
  explicit BrowserImpl(int id) : id_(id) {}

  // CefBrowser.
  bool IsValid() override { return valid_; }
  bool CanGoBack() override { return can_go_back_; }
  bool CanGoForward() override { return can_go_forward_; }
  bool IsLoading() override { return loading_; }
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override { return that && that->GetIdentifier() == id_; }
  bool IsPopup() override { return popup_; }
  bool HasDocument() override { return has_document_; }
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFocusedFrame() override { return GetMainFrame(); }
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  void GetFrameNames(std::vector<CefString>& names) override;

  // The frame Chromium names devtools_id, made on first mention with the
  // given number (0: a new one). The main frame is the one made with
  // is_main; a later main frame (a cross-process navigation) replaces it.
  CefRefPtr<FrameImpl> FrameFor(const std::string& devtools_id, bool is_main, int64 id = 0);
  CefRefPtr<FrameImpl> FindFrame(const std::string& devtools_id);
  void RemoveFrame(const std::string& devtools_id);
  void DetachAll();
  // Drops every frame (their objects detach) and keeps the browser valid:
  // its page is a new one.
  void ResetFrames();

  // The work behind a frame's calls, done by each process's browser.
  virtual void FrameLoadURL(FrameImpl* frame, const std::string& url) = 0;
  virtual void FrameExecuteJavaScript(FrameImpl* frame, const std::string& code,
                                      const std::string& url, int line) = 0;
  virtual void FrameSendProcessMessage(FrameImpl* frame, CefProcessId target,
                                       CefRefPtr<CefProcessMessage> message) = 0;
  virtual void FrameEdit(FrameImpl* frame, const char* command) = 0;
  virtual CefRefPtr<CefV8Context> FrameV8Context(FrameImpl* frame) { return nullptr; }

 protected:
  const int id_;
  bool valid_ = true;
  bool popup_ = false;
  bool loading_ = false;
  bool has_document_ = false;
  bool can_go_back_ = false;
  bool can_go_forward_ = false;
  std::mutex frames_lock_;
  std::map<std::string, CefRefPtr<FrameImpl>> frames_;
  CefRefPtr<FrameImpl> main_frame_;
};

// Frame identities are numbers in the API and strings in DevTools; both
// processes are told the number with the string, so they agree.
int64 NewFrameIdentifier();

class RequestContextImpl : public CefRequestContext {
 public:
  bool IsSame(CefRefPtr<CefRequestContext> other) override { return other.get() == this; }
  bool IsSharingWith(CefRefPtr<CefRequestContext> other) override { return IsSame(other); }
  bool IsGlobal() override { return true; }
  CefString GetCachePath() override { return cache_path_; }
  void set_cache_path(const CefString& p) { cache_path_ = p; }

 private:
  CefString cache_path_;
  IMPLEMENT_REFCOUNTING(RequestContextImpl);
};

}  // namespace velora_engine
