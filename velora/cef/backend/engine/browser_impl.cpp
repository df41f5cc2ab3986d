#include "browser_impl.h"

#include <atomic>

#include "include/cef_v8.h"

namespace velora_engine {

int64 NewFrameIdentifier() {
  static std::atomic<int64> next{1};
  return next++;
}

FrameImpl::FrameImpl(BrowserImpl* browser, int64 id, std::string devtools_id, bool is_main)
    : browser_(browser), id_(id), devtools_id_(std::move(devtools_id)), is_main_(is_main) {}

bool FrameImpl::IsValid() {
  std::lock_guard<std::mutex> g(lock_);
  return browser_ != nullptr;
}

void FrameImpl::Detach() {
  std::lock_guard<std::mutex> g(lock_);
  browser_ = nullptr;
}

void FrameImpl::Update(const std::string& url, const std::string& name, int64 parent_id) {
  std::lock_guard<std::mutex> g(lock_);
  url_ = url;
  name_ = name;
  parent_id_ = parent_id;
}

void FrameImpl::Edit(const char* command) {
  BrowserImpl* b;
  {
    std::lock_guard<std::mutex> g(lock_);
    b = browser_;
  }
  if (b) b->FrameEdit(this, command);
}

void FrameImpl::ViewSource() {
  // Opening a source view needs a window of the engine's own; the frame
  // never asks for one.
}

void FrameImpl::GetSource(CefRefPtr<CefStringVisitor> visitor) {}
void FrameImpl::GetText(CefRefPtr<CefStringVisitor> visitor) {}
void FrameImpl::LoadRequest(CefRefPtr<CefRequest> request) {}

void FrameImpl::LoadURL(const CefString& url) {
  BrowserImpl* b;
  {
    std::lock_guard<std::mutex> g(lock_);
    b = browser_;
  }
  if (b) b->FrameLoadURL(this, url.ToString());
}

void FrameImpl::ExecuteJavaScript(const CefString& code, const CefString& script_url, int start_line) {
  BrowserImpl* b;
  {
    std::lock_guard<std::mutex> g(lock_);
    b = browser_;
  }
  if (b) b->FrameExecuteJavaScript(this, code.ToString(), script_url.ToString(), start_line);
}

bool FrameImpl::IsFocused() { return is_main_; }

CefString FrameImpl::GetName() {
  std::lock_guard<std::mutex> g(lock_);
  return name_;
}

CefRefPtr<CefFrame> FrameImpl::GetParent() {
  BrowserImpl* b;
  int64 parent;
  {
    std::lock_guard<std::mutex> g(lock_);
    b = browser_;
    parent = parent_id_;
  }
  return b && parent ? b->GetFrame(parent) : nullptr;
}

CefString FrameImpl::GetURL() {
  std::lock_guard<std::mutex> g(lock_);
  return url_;
}

CefRefPtr<CefBrowser> FrameImpl::GetBrowser() {
  std::lock_guard<std::mutex> g(lock_);
  return browser_;
}

CefRefPtr<CefV8Context> FrameImpl::GetV8Context() {
  BrowserImpl* b;
  {
    std::lock_guard<std::mutex> g(lock_);
    b = browser_;
  }
  return b ? b->FrameV8Context(this) : nullptr;
}

void FrameImpl::SendProcessMessage(CefProcessId target, CefRefPtr<CefProcessMessage> message) {
  if (!message) return;
  BrowserImpl* b;
  {
    std::lock_guard<std::mutex> g(lock_);
    b = browser_;
  }
  if (b) b->FrameSendProcessMessage(this, target, message);
}

// --- browser --------------------------------------------------------------------

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() {
  std::lock_guard<std::mutex> g(frames_lock_);
  return main_frame_.get();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64 identifier) {
  std::lock_guard<std::mutex> g(frames_lock_);
  for (const auto& f : frames_)
    if (f.second->GetIdentifier() == identifier) return f.second.get();
  return nullptr;
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(const CefString& name) {
  std::vector<CefRefPtr<FrameImpl>> frames;
  {
    std::lock_guard<std::mutex> g(frames_lock_);
    if (name.empty()) return main_frame_.get();
    for (const auto& f : frames_) frames.push_back(f.second);
  }
  for (const auto& f : frames)
    if (f->GetName() == name) return f.get();
  return nullptr;
}

size_t BrowserImpl::GetFrameCount() {
  std::lock_guard<std::mutex> g(frames_lock_);
  return frames_.size();
}

void BrowserImpl::GetFrameIdentifiers(std::vector<int64>& ids) {
  std::lock_guard<std::mutex> g(frames_lock_);
  for (const auto& f : frames_) ids.push_back(f.second->GetIdentifier());
}

void BrowserImpl::GetFrameNames(std::vector<CefString>& names) {
  std::vector<CefRefPtr<FrameImpl>> frames;
  {
    std::lock_guard<std::mutex> g(frames_lock_);
    for (const auto& f : frames_) frames.push_back(f.second);
  }
  for (const auto& f : frames) names.push_back(f->GetName());
}

CefRefPtr<FrameImpl> BrowserImpl::FrameFor(const std::string& devtools_id, bool is_main, int64 id) {
  std::lock_guard<std::mutex> g(frames_lock_);
  auto it = frames_.find(devtools_id);
  if (it != frames_.end()) {
    if (is_main && main_frame_ != it->second) main_frame_ = it->second;
    return it->second;
  }
  CefRefPtr<FrameImpl> f = new FrameImpl(this, id ? id : NewFrameIdentifier(), devtools_id, is_main);
  frames_[devtools_id] = f;
  if (is_main) main_frame_ = f;
  return f;
}

CefRefPtr<FrameImpl> BrowserImpl::FindFrame(const std::string& devtools_id) {
  std::lock_guard<std::mutex> g(frames_lock_);
  auto it = frames_.find(devtools_id);
  return it == frames_.end() ? nullptr : it->second;
}

void BrowserImpl::RemoveFrame(const std::string& devtools_id) {
  CefRefPtr<FrameImpl> f;
  {
    std::lock_guard<std::mutex> g(frames_lock_);
    auto it = frames_.find(devtools_id);
    if (it == frames_.end() || it->second == main_frame_) return;
    f = it->second;
    frames_.erase(it);
  }
  f->Detach();
}

void BrowserImpl::DetachAll() {
  ResetFrames();
  std::lock_guard<std::mutex> g(frames_lock_);
  valid_ = false;
}

void BrowserImpl::ResetFrames() {
  std::map<std::string, CefRefPtr<FrameImpl>> frames;
  {
    std::lock_guard<std::mutex> g(frames_lock_);
    frames.swap(frames_);
    main_frame_ = nullptr;
  }
  for (auto& f : frames) f.second->Detach();
}

}  // namespace velora_engine
