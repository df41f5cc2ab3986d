#include "cef3/control/cef_osrender.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include "cef3/browser/main_message_loop.h"
#include "cef3/common/control_rules.h"
#include "frame_log.h"
#include "include/base/cef_bind.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"

namespace {

namespace gp = Gdiplus::DllExports;

bool OnMainThread() {
  CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop();
  return loop && loop->RunsTasksOnCurrentThread();
}

}  // namespace

// --- ClientHandlerRender --------------------------------------------------------

CCefOsRender::ClientHandlerRender::ClientHandlerRender(CCefOsRender* owner)
    : ClientHandlerBase(owner), m_pOwner(owner) {}

CCefOsRender::ClientHandlerRender::~ClientHandlerRender() {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  ReleaseBitmaps();
}

void CCefOsRender::ClientHandlerRender::ClearOwner() {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  m_pOwner = nullptr;
  m_pBaseOwner = nullptr;
}

void CCefOsRender::ClientHandlerRender::AdoptOwner(CCefOsRender* owner) {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  if (m_pOwner) return;
  m_pOwner = owner;
  m_pBaseOwner = owner;
}

bool CCefOsRender::ClientHandlerRender::OwnedBy(const CCefOsRender* control) {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  return m_pOwner == control;
}

HWND CCefOsRender::ClientHandlerRender::HostWindow() {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  if (!m_hHostWnd && m_pOwner) m_hHostWnd = m_pOwner->GetParentWindow();
  return m_hHostWnd;
}

CefRefPtr<CefRenderHandler> CCefOsRender::ClientHandlerRender::GetRenderHandler() {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  if (!m_pOwner || !m_pOwner->IsOffscreen()) return nullptr;
  HWND host = HostWindow();
  if (!host || !::IsWindow(host)) return nullptr;
  return this;
}

void CCefOsRender::ClientHandlerRender::GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) {
  CEF_REQUIRE_UI_THREAD();
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  if (!m_pOwner) return;
  const RECT rc = m_pOwner->GetPos();
  int w = 0, h = 0;
  if (control_rules::ViewRectFromControl(rc.left, rc.top, rc.right, rc.bottom, &w, &h)) rect = CefRect(0, 0, w, h);
}

bool CCefOsRender::ClientHandlerRender::GetScreenPoint(CefRefPtr<CefBrowser> browser, int viewX, int viewY,
                                                       int& screenX, int& screenY) {
  CEF_REQUIRE_UI_THREAD();
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  POINT pt = {viewX, viewY};
  if (HWND host = HostWindow()) ::ClientToScreen(host, &pt);
  if (m_pOwner) {
    pt.x += m_pOwner->GetPos().left;
    pt.y += m_pOwner->GetPos().top;
  }
  screenX = pt.x;
  screenY = pt.y;
  return true;
}

void CCefOsRender::ClientHandlerRender::ReleaseBitmaps() {
  if (m_pPageImage) {
    gp::GdipDisposeImage(static_cast<Gdiplus::GpImage*>(m_pPageImage));
    m_pPageImage = nullptr;
  }
  m_imageMemory.clear();
  m_imageMemory.shrink_to_fit();
  if (m_hPageDC) {
    if (m_hOldBitmap) ::SelectObject(m_hPageDC, m_hOldBitmap);
    ::DeleteDC(m_hPageDC);
    m_hPageDC = nullptr;
    m_hOldBitmap = nullptr;
  }
  if (m_hPageDIB) {
    ::DeleteObject(m_hPageDIB);
    m_hPageDIB = nullptr;
  }
  m_pPixels = nullptr;
  m_width = m_height = 0;
}

bool CCefOsRender::ClientHandlerRender::Rebuild(const void* buffer, int width, int height, bool transparent) {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  ReleaseBitmaps();
  const size_t bytes = static_cast<size_t>(width) * height * 4;
  if (transparent) {
    // The image is made over memory of our own, so the pixels that later
    // frames patch stay where they are for the image's whole life.
    m_imageMemory.assign(static_cast<const unsigned char*>(buffer), static_cast<const unsigned char*>(buffer) + bytes);
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB, m_imageMemory.data(),
                                      &bitmap) != Gdiplus::Ok ||
        !bitmap) {
      m_imageMemory.clear();
      return false;
    }
    m_pPageImage = bitmap;
    m_pPixels = m_imageMemory.data();
  } else {
    HWND host = HostWindow();
    HDC windowDC = ::GetDC(host);
    if (!windowDC) return false;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(windowDC, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memDC = dib && bits ? ::CreateCompatibleDC(windowDC) : nullptr;
    ::ReleaseDC(host, windowDC);
    if (!memDC) {
      if (dib) ::DeleteObject(dib);
      return false;
    }
    std::memcpy(bits, buffer, bytes);
    m_hPageDIB = dib;
    m_hPageDC = memDC;
    m_hOldBitmap = ::SelectObject(memDC, dib);
    m_pPixels = static_cast<unsigned char*>(bits);
  }
  m_width = width;
  m_height = height;
  return true;
}

void CCefOsRender::ClientHandlerRender::OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type,
                                                const RectList& dirtyRects, const void* buffer, int width,
                                                int height) {
  CEF_REQUIRE_UI_THREAD();
  HWND host = HostWindow();
  if (!host || !::IsWindow(host) || !buffer || width <= 0 || height <= 0) return;
  {
    std::lock_guard<std::recursive_mutex> g(m_paintLock);
    const bool transparent = m_pOwner ? m_pOwner->IsTransparent() : m_pPageImage != nullptr;
    if (control_rules::NeedsRebuild(transparent, m_pPageImage != nullptr, m_hPageDC != nullptr, m_width, m_height,
                                    width, height)) {
      if (!Rebuild(buffer, width, height, transparent))
        LogAt(__FILE__, __LINE__, "ClientHandlerRender::OnPaint")(kLogWarning, L"OnPaint no bitmap for %dx%d",
                                                                 width, height);
    } else {
      std::vector<control_rules::DirtyRect> rects;
      rects.reserve(dirtyRects.size());
      for (const CefRect& r : dirtyRects) rects.push_back({r.x, r.y, r.width, r.height});
      control_rules::CopyDirtyRects(m_pPixels, static_cast<const uint8_t*>(buffer), width, height, rects.data(),
                                    rects.size());
    }
  }
  InvalidateOwner();
}

void CCefOsRender::ClientHandlerRender::InvalidateOwner() {
  if (!OnMainThread()) {
    if (CMainMessageLoopWin* loop = CMainMessageLoopWin::GetMainMessageLoop())
      loop->PostTask(CefCreateClosureTask(
          base::BindOnce(&ClientHandlerRender::InvalidateOwner, CefRefPtr<ClientHandlerRender>(this))));
    return;
  }
  // A task queued before the control went away finds no owner: nothing to
  // repaint.
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  if (!m_pOwner) return;
  HWND host = HostWindow();
  if (host && ::IsWindow(host)) m_pOwner->Invalidate();
}

void CCefOsRender::ClientHandlerRender::PaintView(HDC hdc) {
  CHECK(CMainMessageLoopWin::GetMainMessageLoop()->RunsTasksOnCurrentThread());
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  CHECK(m_pOwner != NULL);
  if (!m_pOwner->IsVisible()) return;
  const RECT& rc = m_pOwner->GetPos();
  if (m_pPageImage) {
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gp::GdipCreateFromHDC(hdc, &graphics) == Gdiplus::Ok && graphics) {
      gp::GdipDrawImagePointRectI(graphics, static_cast<Gdiplus::GpImage*>(m_pPageImage), rc.left, rc.top, 0, 0,
                                  m_width, m_height, Gdiplus::UnitPixel);
      gp::GdipDeleteGraphics(graphics);
    }
  } else if (m_hPageDC) {
    ::BitBlt(hdc, rc.left, rc.top, m_width, m_height, m_hPageDC, 0, 0, SRCCOPY);
  }
}

bool CCefOsRender::ClientHandlerRender::OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor,
                                                       cef_cursor_type_t type,
                                                       const CefCursorInfo& custom_cursor_info) {
  CEF_REQUIRE_UI_THREAD();
  HWND host = HostWindow();
  if (host && ::IsWindow(host))
    ::SetClassLongPtrW(host, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
  return false;
}

bool CCefOsRender::ClientHandlerRender::HasPageImage() {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  return m_pPageImage != nullptr;
}

bool CCefOsRender::ClientHandlerRender::HasPageDC() {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  return m_hPageDC != nullptr;
}

std::vector<unsigned char> CCefOsRender::ClientHandlerRender::KeptPixels(int* width, int* height) {
  std::lock_guard<std::recursive_mutex> g(m_paintLock);
  *width = m_width;
  *height = m_height;
  if (!m_pPixels) return {};
  return std::vector<unsigned char>(m_pPixels, m_pPixels + static_cast<size_t>(m_width) * m_height * 4);
}

// --- CCefOsRender ---------------------------------------------------------------

CCefOsRender::CCefOsRender(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client)
    : CCefBaseUI(manager, client ? client : CefRefPtr<CefClient>(new ClientHandlerRender(this))) {
  m_pRenderClient = dynamic_cast<ClientHandlerRender*>(m_client.get());
  if (m_pRenderClient) m_pRenderClient->AdoptOwner(this);
}

CCefOsRender::~CCefOsRender() {
  // The engine may keep the client longer than the control.
  if (m_pRenderClient && m_pRenderClient->OwnedBy(this)) m_pRenderClient->ClearOwner();
}

LPCTSTR CCefOsRender::GetClass() const { return L"CefOsRenderUI"; }

void CCefOsRender::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (pstrName && wcscmp(pstrName, L"offscreen") == 0) {
    m_bOffscreen = control_rules::FlagAttribute(pstrValue);
  } else if (pstrName && wcscmp(pstrName, L"transparent") == 0) {
    m_bTransparent = control_rules::FlagAttribute(pstrValue);
  } else {
    CCefBaseUI::SetAttribute(pstrName, pstrValue);
  }
}

void CCefOsRender::DoInit() {
  LogAt(__FILE__, __LINE__, "CCefOsRender::DoInit")(kLogInfo, L"CCefOsRender.DoInit() this=0x%X, name=%ls offscreen=%d",
                                                  LogPtr(this), static_cast<const wchar_t*>(GetName()),
                                                  m_bOffscreen ? 1 : 0);
  CreateBrowserSync(m_slot, m_client, m_pManager ? m_pManager->GetPaintWindow() : m_hParentWnd, GetPos(), m_strUrl,
                    m_bOffscreen, m_bTransparent);
}

void CCefOsRender::SetVisible(bool visible) {
  if (!m_bOffscreen)
    if (HWND hwnd = GetBrowserWindow()) ::ShowWindow(hwnd, visible ? 1 : 0);
  CControlUI::SetVisible(visible);
}

void CCefOsRender::SetInternVisible(bool visible) {
  if (!m_bOffscreen)
    if (HWND hwnd = GetBrowserWindow()) ::ShowWindow(hwnd, visible ? 1 : 0);
  CControlUI::SetInternVisible(visible);
}

void CCefOsRender::DoEvent(DuiLib::TEventUI& event) {
  if (event.Type == DuiLib::UIEVENT_MOUSEMOVE || event.Type == DuiLib::UIEVENT_MOUSELEAVE) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    const int x = static_cast<short>(LOWORD(event.lParam));
    const int y = static_cast<short>(HIWORD(event.lParam));
    const RECT& rc = GetPos();
    if (control_rules::ForwardMouseEvent(event.Type, browser != nullptr, IsVisible(), x, y, rc.left, rc.top, rc.right,
                                         rc.bottom)) {
      CefMouseEvent me;
      me.x = x - rc.left;
      me.y = y - rc.top;
      me.modifiers = control_rules::MouseModifiers(static_cast<unsigned>(event.wParam),
                                                   (::GetKeyState(VK_CAPITAL) & 1) != 0,
                                                   (::GetKeyState(VK_MENU) & 0x8000) != 0,
                                                   (::GetKeyState(VK_NUMLOCK) & 1) != 0);
      browser->GetHost()->SendMouseMoveEvent(me, event.Type == DuiLib::UIEVENT_MOUSELEAVE);
    }
  }
  CControlUI::DoEvent(event);
}

void CCefOsRender::DoPaint(HDC hDC, const RECT& rcPaint) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!browser || !m_bOffscreen) {
    CCefBaseUI::DoPaint(hDC, rcPaint);
    return;
  }
  RECT paint;
  const RECT& rc = GetPos();
  if (!::IntersectRect(&paint, &rcPaint, &rc)) return;
  CefRefPtr<CefClient> client = browser->GetHost()->GetClient();
  browser->GetHost()->WasResized();
  CControlUI::DoPaint(hDC, rcPaint);
  // Only this control's own client holds this control's frames.
  if (m_pRenderClient && client.get() == static_cast<CefClient*>(m_pRenderClient) && m_pRenderClient->OwnedBy(this))
    m_pRenderClient->PaintView(hDC);
}
