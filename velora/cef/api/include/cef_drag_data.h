// What is being dragged onto a browser: a link, a fragment of a page, or
// files (readers of what the drag handler is shown).
#ifndef CEF_INCLUDE_CEF_DRAG_DATA_H_
#define CEF_INCLUDE_CEF_DRAG_DATA_H_
#pragma once

#include <vector>

#include "include/cef_base.h"

class CefDragData : public virtual CefBaseRefCounted {
 public:
  // A new, empty drag data object to fill with the setters.
  static CefRefPtr<CefDragData> Create();

  virtual CefRefPtr<CefDragData> Clone() = 0;
  virtual bool IsReadOnly() = 0;
  virtual bool IsLink() = 0;
  virtual bool IsFragment() = 0;
  virtual bool IsFile() = 0;
  virtual CefString GetLinkURL() = 0;
  virtual CefString GetLinkTitle() = 0;
  virtual CefString GetLinkMetadata() = 0;
  virtual CefString GetFragmentText() = 0;
  virtual CefString GetFragmentHtml() = 0;
  virtual CefString GetFragmentBaseURL() = 0;
  // The name of the file being dragged out of the page.
  virtual CefString GetFileName() = 0;
  // The files being dragged in; false when there are none.
  virtual bool GetFileNames(std::vector<CefString>& names) = 0;
  virtual void SetLinkURL(const CefString& url) = 0;
  virtual void SetLinkTitle(const CefString& title) = 0;
  virtual void SetLinkMetadata(const CefString& data) = 0;
  virtual void SetFragmentText(const CefString& text) = 0;
  virtual void SetFragmentHtml(const CefString& html) = 0;
  virtual void SetFragmentBaseURL(const CefString& base_url) = 0;
  // Drops the single file being dragged out of the page.
  virtual void ResetFileContents() = 0;
  // Adds a file being dragged in: its path and the name shown for it.
  virtual void AddFile(const CefString& path,
                       const CefString& display_name) = 0;
  virtual CefPoint GetImageHotspot() = 0;
  virtual bool HasImage() = 0;
};

#endif  // CEF_INCLUDE_CEF_DRAG_DATA_H_
