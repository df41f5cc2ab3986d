// A browser (CefBrowser: navigation and frames, usable in both processes)
// and its host (CefBrowserHost: window, input and lifetime, browser process
// only).
#ifndef CEF_INCLUDE_CEF_BROWSER_H_
#define CEF_INCLUDE_CEF_BROWSER_H_
#pragma once

#include <vector>

#include "include/cef_base.h"
#include "include/cef_drag_data.h"
#include "include/cef_frame.h"
#include "include/cef_request_context.h"
#include "include/cef_values.h"

class CefBrowserHost;
class CefClient;

class CefBrowser : public virtual CefBaseRefCounted {
 public:
  // False once the browser has been closed.
  virtual bool IsValid() = 0;
  // The host (browser process only; null in a renderer).
  virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
  virtual bool CanGoBack() = 0;
  virtual void GoBack() = 0;
  virtual bool CanGoForward() = 0;
  virtual void GoForward() = 0;
  virtual bool IsLoading() = 0;
  virtual void Reload() = 0;
  virtual void ReloadIgnoreCache() = 0;
  virtual void StopLoad() = 0;
  // Unique and positive within the process; the same for one browser in the
  // browser and the renderer process.
  virtual int GetIdentifier() = 0;
  virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
  virtual bool IsPopup() = 0;
  virtual bool HasDocument() = 0;
  virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
  virtual CefRefPtr<CefFrame> GetFocusedFrame() = 0;
  virtual CefRefPtr<CefFrame> GetFrame(int64 identifier) = 0;
  virtual CefRefPtr<CefFrame> GetFrame(const CefString& name) = 0;
  virtual size_t GetFrameCount() = 0;
  virtual void GetFrameIdentifiers(std::vector<int64>& identifiers) = 0;
  virtual void GetFrameNames(std::vector<CefString>& names) = 0;
};

class CefBrowserHost : public virtual CefBaseRefCounted {
 public:
  typedef cef_drag_operations_mask_t DragOperationsMask;
  typedef cef_mouse_button_type_t MouseButtonType;
  typedef cef_paint_element_type_t PaintElementType;

  // Creates a browser; the client's OnAfterCreated reports it. Callable
  // from any browser-process thread. `extra_info` reaches the renderer's
  // OnBrowserCreated; a null `request_context` means the global one.
  static bool CreateBrowser(const CefWindowInfo& windowInfo,
                            CefRefPtr<CefClient> client,
                            const CefString& url,
                            const CefBrowserSettings& settings,
                            CefRefPtr<CefDictionaryValue> extra_info,
                            CefRefPtr<CefRequestContext> request_context);

  // Creates a browser and returns it. UI thread only.
  static CefRefPtr<CefBrowser> CreateBrowserSync(
      const CefWindowInfo& windowInfo,
      CefRefPtr<CefClient> client,
      const CefString& url,
      const CefBrowserSettings& settings,
      CefRefPtr<CefDictionaryValue> extra_info,
      CefRefPtr<CefRequestContext> request_context);

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;

  // Asks the browser to close. Without `force_close` the page's
  // onbeforeunload may keep it open and DoClose is consulted; with it the
  // browser closes regardless. OnBeforeClose follows either way.
  virtual void CloseBrowser(bool force_close) = 0;
  // CloseBrowser(false) that reports whether closing may proceed now.
  virtual bool TryCloseBrowser() = 0;

  virtual void SetFocus(bool focus) = 0;
  // The browser's own window (null for a windowless browser).
  virtual CefWindowHandle GetWindowHandle() = 0;
  // The window of the browser that opened this popup, if any.
  virtual CefWindowHandle GetOpenerWindowHandle() = 0;
  virtual bool HasView() = 0;
  virtual CefRefPtr<CefClient> GetClient() = 0;
  virtual CefRefPtr<CefRequestContext> GetRequestContext() = 0;
  virtual double GetZoomLevel() = 0;
  virtual void SetZoomLevel(double zoomLevel) = 0;
  virtual void StartDownload(const CefString& url) = 0;

  // Off-screen rendering.
  virtual bool IsWindowRenderingDisabled() = 0;
  // The view size may have changed: the engine asks GetViewRect again.
  virtual void WasResized() = 0;
  virtual void WasHidden(bool hidden) = 0;
  // The screen may have changed: the engine asks GetScreenInfo again.
  virtual void NotifyScreenInfoChanged() = 0;
  // Requests a new frame through OnPaint.
  virtual void Invalidate(PaintElementType type) = 0;
  virtual void SendKeyEvent(const CefKeyEvent& event) = 0;
  // Coordinates are in view coordinates (relative to GetViewRect).
  virtual void SendMouseClickEvent(const CefMouseEvent& event,
                                   MouseButtonType type,
                                   bool mouseUp,
                                   int clickCount) = 0;
  virtual void SendMouseMoveEvent(const CefMouseEvent& event,
                                  bool mouseLeave) = 0;
  virtual void SendMouseWheelEvent(const CefMouseEvent& event,
                                   int deltaX,
                                   int deltaY) = 0;
  virtual void SendCaptureLostEvent() = 0;
  virtual void NotifyMoveOrResizeStarted() = 0;
  virtual int GetWindowlessFrameRate() = 0;
  virtual void SetWindowlessFrameRate(int frame_rate) = 0;
  // Windowless browsers: something dragged from outside enters, moves over,
  // leaves or is dropped on the view (view coordinates). The drag handler's
  // OnDragEnter is asked first and may refuse it.
  virtual void DragTargetDragEnter(CefRefPtr<CefDragData> drag_data,
                                   const CefMouseEvent& event,
                                   DragOperationsMask allowed_ops) = 0;
  virtual void DragTargetDragOver(const CefMouseEvent& event,
                                  DragOperationsMask allowed_ops) = 0;
  virtual void DragTargetDragLeave() = 0;
  virtual void DragTargetDrop(const CefMouseEvent& event) = 0;
  // Windowless browsers: a drag that the page started (StartDragging) ended
  // at the view point with the operation, and the system's drag is over.
  virtual void DragSourceEndedAt(int x, int y, DragOperationsMask op) = 0;
  virtual void DragSourceSystemDragEnded() = 0;
};

#endif  // CEF_INCLUDE_CEF_BROWSER_H_
