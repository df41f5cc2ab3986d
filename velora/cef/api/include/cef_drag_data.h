// What is being dragged onto a browser: a link, a fragment of a page, or
// files (readers of what the drag handler is shown).
#ifndef CEF_INCLUDE_CEF_DRAG_DATA_H_
#define CEF_INCLUDE_CEF_DRAG_DATA_H_
#pragma once

#include <vector>

#include "include/cef_base.h"

class CefDragData : public virtual CefBaseRefCounted {
 public:
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
  virtual CefPoint GetImageHotspot() = 0;
  virtual bool HasImage() = 0;
};

#endif  // CEF_INCLUDE_CEF_DRAG_DATA_H_
