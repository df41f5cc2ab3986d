// What is dragged onto a browser, as the engine API's CefDragData: a link,
// a fragment of text or HTML, or files. Made by the engine for drops from
// other programs, or by a client (CefDragData::Create) for a windowless view.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "include/cef_drag_data.h"

namespace velora_engine {

class DragDataImpl : public CefDragData {
 public:
  struct File {
    CefString path, display_name;
  };

  CefRefPtr<CefDragData> Clone() override;
  bool IsReadOnly() override;
  bool IsLink() override;
  bool IsFragment() override;
  bool IsFile() override;
  CefString GetLinkURL() override;
  CefString GetLinkTitle() override;
  CefString GetLinkMetadata() override;
  CefString GetFragmentText() override;
  CefString GetFragmentHtml() override;
  CefString GetFragmentBaseURL() override;
  CefString GetFileName() override;
  bool GetFileNames(std::vector<CefString>& names) override;
  void SetLinkURL(const CefString& url) override;
  void SetLinkTitle(const CefString& title) override;
  void SetLinkMetadata(const CefString& data) override;
  void SetFragmentText(const CefString& text) override;
  void SetFragmentHtml(const CefString& html) override;
  void SetFragmentBaseURL(const CefString& base_url) override;
  void ResetFileContents() override;
  void AddFile(const CefString& path, const CefString& display_name) override;
  CefPoint GetImageHotspot() override { return CefPoint(); }
  bool HasImage() override { return false; }

  // Once handed to a client's OnDragEnter the data is only to be read.
  void SetReadOnly() {
    std::lock_guard<std::mutex> g(lock_);
    read_only_ = true;
  }
  std::vector<File> Files();

 private:
  std::mutex lock_;
  bool read_only_ = false;
  CefString link_url_, link_title_, link_metadata_;
  CefString fragment_text_, fragment_html_, fragment_base_url_;
  CefString file_name_;
  std::vector<File> files_;
  IMPLEMENT_REFCOUNTING(DragDataImpl);
};

}  // namespace velora_engine
