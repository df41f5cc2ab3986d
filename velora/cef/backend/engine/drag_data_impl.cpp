#include "drag_data_impl.h"

namespace velora_engine {

CefRefPtr<CefDragData> DragDataImpl::Clone() {
  CefRefPtr<DragDataImpl> copy = new DragDataImpl();
  std::lock_guard<std::mutex> g(lock_);
  copy->link_url_ = link_url_;
  copy->link_title_ = link_title_;
  copy->link_metadata_ = link_metadata_;
  copy->fragment_text_ = fragment_text_;
  copy->fragment_html_ = fragment_html_;
  copy->fragment_base_url_ = fragment_base_url_;
  copy->file_name_ = file_name_;
  copy->files_ = files_;
  return copy.get();  // a clone may be changed again
}

bool DragDataImpl::IsReadOnly() {
  std::lock_guard<std::mutex> g(lock_);
  return read_only_;
}

bool DragDataImpl::IsLink() {
  std::lock_guard<std::mutex> g(lock_);
  return !link_url_.empty();
}

bool DragDataImpl::IsFragment() {
  std::lock_guard<std::mutex> g(lock_);
  return link_url_.empty() && files_.empty() && (!fragment_text_.empty() || !fragment_html_.empty());
}

bool DragDataImpl::IsFile() {
  std::lock_guard<std::mutex> g(lock_);
  return !files_.empty() || !file_name_.empty();
}

CefString DragDataImpl::GetLinkURL() {
  std::lock_guard<std::mutex> g(lock_);
  return link_url_;
}
CefString DragDataImpl::GetLinkTitle() {
  std::lock_guard<std::mutex> g(lock_);
  return link_title_;
}
CefString DragDataImpl::GetLinkMetadata() {
  std::lock_guard<std::mutex> g(lock_);
  return link_metadata_;
}
CefString DragDataImpl::GetFragmentText() {
  std::lock_guard<std::mutex> g(lock_);
  return fragment_text_;
}
CefString DragDataImpl::GetFragmentHtml() {
  std::lock_guard<std::mutex> g(lock_);
  return fragment_html_;
}
CefString DragDataImpl::GetFragmentBaseURL() {
  std::lock_guard<std::mutex> g(lock_);
  return fragment_base_url_;
}
CefString DragDataImpl::GetFileName() {
  std::lock_guard<std::mutex> g(lock_);
  return file_name_;
}

bool DragDataImpl::GetFileNames(std::vector<CefString>& names) {
  std::lock_guard<std::mutex> g(lock_);
  for (const File& f : files_) names.push_back(f.display_name.empty() ? f.path : f.display_name);
  return !files_.empty();
}

// The setters do nothing on read-only data, as the engine API says.
#define VELORA_DRAG_SETTER(Name, field)                  \
  void DragDataImpl::Name(const CefString& value) {      \
    std::lock_guard<std::mutex> g(lock_);                \
    if (!read_only_) field = value;                      \
  }
VELORA_DRAG_SETTER(SetLinkURL, link_url_)
VELORA_DRAG_SETTER(SetLinkTitle, link_title_)
VELORA_DRAG_SETTER(SetLinkMetadata, link_metadata_)
VELORA_DRAG_SETTER(SetFragmentText, fragment_text_)
VELORA_DRAG_SETTER(SetFragmentHtml, fragment_html_)
VELORA_DRAG_SETTER(SetFragmentBaseURL, fragment_base_url_)
#undef VELORA_DRAG_SETTER

void DragDataImpl::ResetFileContents() {
  std::lock_guard<std::mutex> g(lock_);
  if (!read_only_) file_name_.clear();
}

void DragDataImpl::AddFile(const CefString& path, const CefString& display_name) {
  std::lock_guard<std::mutex> g(lock_);
  if (!read_only_ && !path.empty()) files_.push_back({path, display_name});
}

std::vector<DragDataImpl::File> DragDataImpl::Files() {
  std::lock_guard<std::mutex> g(lock_);
  return files_;
}

}  // namespace velora_engine

CefRefPtr<CefDragData> CefDragData::Create() { return new velora_engine::DragDataImpl(); }
