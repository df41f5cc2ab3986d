// CCefOsRender: a browser control that shows its browser in a child window
// (the default) or, with the skin attribute offscreen="true", without one:
// the engine hands finished frames to ClientHandlerRender, which keeps them
// as a bitmap that the control paints in the skin's normal painting, blended
// with per-pixel alpha when transparent="true". It forwards mouse moves and
// leaves to an off-screen browser, tells the engine the view's size and
// screen position, and puts the engine's cursors on the host window.
//
// An off-screen control gets a browser only when the engine was started
// with windowless rendering allowed (CefSettings::windowless_rendering_
// enabled); otherwise the engine refuses the creation and the control stays
// empty.
#pragma once

#include <mutex>
#include <vector>

#include "cef3/control/cef_base.h"
#include "include/cef_display_handler.h"
#include "include/cef_render_handler.h"

class CCefOsRender : public CCefBaseUI {
 public:
  class ClientHandlerRender : public CCefBaseUI::ClientHandlerBase,
                              public CefRenderHandler,
                              public CefDisplayHandler {
   public:
    explicit ClientHandlerRender(CCefOsRender* owner);
    ~ClientHandlerRender() override;

    // CefClient
    CefRefPtr<CefRenderHandler> GetRenderHandler() override;
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }

    // CefRenderHandler
    void GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
    bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY, int& screenX, int& screenY) override;
    void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override {}
    void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override {}
    void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& dirtyRects,
                 const void* buffer, int width, int height) override;

    // CefDisplayHandler
    bool OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor, cef_cursor_type_t type,
                        const CefCursorInfo& custom_cursor_info) override;

    // Main thread: draws the kept frame at the owner's top-left corner.
    void PaintView(HDC hdc);
    // Any thread: makes the owner repaint, on the main thread.
    void InvalidateOwner();
    // The control is going away (main thread).
    void ClearOwner();
    // A client made without a control serves the first control it is
    // given to (main thread).
    void AdoptOwner(CCefOsRender* owner);
    bool OwnedBy(const CCefOsRender* control);

    // What the kept bitmap is, for tests.
    bool HasPageImage();
    bool HasPageDC();
    // The kept frame's pixels (top-down BGRA) copied out; empty without one.
    std::vector<unsigned char> KeptPixels(int* width, int* height);

   protected:
    HWND HostWindow();
    CCefOsRender* m_pOwner;  // not owned; cleared by the control

   private:
    void ReleaseBitmaps();
    bool Rebuild(const void* buffer, int width, int height, bool transparent);

    std::recursive_mutex m_paintLock;
    HDC m_hPageDC = nullptr;
    HBITMAP m_hPageDIB = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
    void* m_pPageImage = nullptr;  // GpBitmap*, over m_imageMemory
    std::vector<unsigned char> m_imageMemory;
    unsigned char* m_pPixels = nullptr;
    int m_width = 0;
    int m_height = 0;
    HWND m_hHostWnd = nullptr;

    IMPLEMENT_REFCOUNTING(ClientHandlerRender);
    DISALLOW_COPY_AND_ASSIGN(ClientHandlerRender);
  };

  // `client` null: a ClientHandlerRender of this control.
  CCefOsRender(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client);
  ~CCefOsRender() override;

  LPCTSTR GetClass() const override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void DoInit() override;
  void DoEvent(DuiLib::TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void DoPaint(HDC hDC, const RECT& rcPaint) override;

  bool IsOffscreen() const { return m_bOffscreen; }
  bool IsTransparent() const { return m_bTransparent; }

 protected:
  // The client as a ClientHandlerRender, or null for another client.
  ClientHandlerRender* RenderClient() const { return m_pRenderClient; }

 private:
  bool m_bOffscreen = false;
  bool m_bTransparent = false;
  ClientHandlerRender* m_pRenderClient = nullptr;  // m_client, when it is one
};
