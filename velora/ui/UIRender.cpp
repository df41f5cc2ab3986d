#include "UIRender.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "UIAttr.h"
#include "UILog.h"
#include "UIManager.h"

namespace DuiLib {

namespace {

// A premultiplied 32-bit top-down DIB section.
HBITMAP CreateDib(HDC hDC, int cx, int cy, void** bits) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = cx;
  bmi.bmiHeader.biHeight = -cy;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  return ::CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, bits, nullptr, 0);
}

class ScopedDC {
 public:
  explicit ScopedDC(HDC dc) : dc_(dc) {}
  ~ScopedDC() { if (dc_) ::DeleteDC(dc_); }
  HDC get() const { return dc_; }
 private:
  HDC dc_;
};

class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
  ~ScopedSelect() { if (old_) ::SelectObject(dc_, old_); }
 private:
  HDC dc_;
  HGDIOBJ old_;
};

// One blend of part of the image; skips empty pieces.
void Blend(HDC hDC, HDC src, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, BYTE fade, bool alpha) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  if (!alpha && fade == 255) {
    if (dw == sw && dh == sh) ::BitBlt(hDC, dx, dy, dw, dh, src, sx, sy, SRCCOPY);
    else ::StretchBlt(hDC, dx, dy, dw, dh, src, sx, sy, sw, sh, SRCCOPY);
    return;
  }
  BLENDFUNCTION bf{AC_SRC_OVER, 0, fade, static_cast<BYTE>(alpha ? AC_SRC_ALPHA : 0)};
  ::AlphaBlend(hDC, dx, dy, dw, dh, src, sx, sy, sw, sh, bf);
}

}  // namespace

TImageInfo::~TImageInfo() {
  if (hBitmap) ::DeleteObject(hBitmap);
}

TImageInfo* CRenderEngine::LoadImage(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    UiLog(UiLogLevel::Warning, L"image %ls: cannot open the file", path);
    return nullptr;
  }
  const long long size = static_cast<long long>(in.tellg());
  if (size < 8 || size > kMaxImageBytes) {
    UiLog(UiLogLevel::Warning, L"image %ls: size %lld bytes is not acceptable", path, size);
    return nullptr;
  }
  in.seekg(0);
  std::vector<BYTE> bytes(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (!in || std::memcmp(bytes.data(), kPng, 8) != 0) {
    UiLog(UiLogLevel::Warning, L"image %ls: not a PNG file", path);
    return nullptr;
  }
  CPaintManagerUI::StartGdiplus();

  // GDI+ decodes from a memory stream, so the file is not kept open.
  HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!mem) return nullptr;
  std::memcpy(::GlobalLock(mem), bytes.data(), bytes.size());
  ::GlobalUnlock(mem);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(mem, TRUE, &stream))) {
    ::GlobalFree(mem);
    return nullptr;
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  Gdiplus::Status status = Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap);
  TImageInfo* info = nullptr;
  if (status == Gdiplus::Ok && bitmap) {
    UINT cx = 0, cy = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &cx);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &cy);
    if (cx == 0 || cy == 0 || cx > kMaxImageSide || cy > kMaxImageSide) {
      UiLog(UiLogLevel::Warning, L"image %ls: %ux%u pixels is not acceptable", path, cx, cy);
    } else {
      Gdiplus::Rect rc(0, 0, static_cast<INT>(cx), static_cast<INT>(cy));
      Gdiplus::BitmapData data{};
      if (Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &rc, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                                                  &data) == Gdiplus::Ok) {
        void* bits = nullptr;
        HBITMAP dib = CreateDib(nullptr, static_cast<int>(cx), static_cast<int>(cy), &bits);
        if (dib && bits) {
          bool alpha = false;
          for (UINT y = 0; y < cy; ++y) {
            const BYTE* srcRow = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            BYTE* dstRow = static_cast<BYTE*>(bits) + static_cast<size_t>(y) * cx * 4;
            std::memcpy(dstRow, srcRow, cx * 4);
            for (UINT x = 0; x < cx && !alpha; ++x) alpha = dstRow[x * 4 + 3] != 255;
          }
          info = new TImageInfo;
          info->hBitmap = dib;
          info->nX = static_cast<int>(cx);
          info->nY = static_cast<int>(cy);
          info->bAlpha = alpha;
        } else if (dib) {
          ::DeleteObject(dib);
        }
        Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
      }
    }
  } else {
    UiLog(UiLogLevel::Warning, L"image %ls: cannot be decoded (GDI+ status %d)", path, static_cast<int>(status));
  }
  if (bitmap) Gdiplus::DllExports::GdipDisposeImage(bitmap);
  stream->Release();
  return info;
}

void CRenderEngine::DrawColor(HDC hDC, const RECT& rc, DWORD color) {
  const BYTE a = static_cast<BYTE>(color >> 24);
  if (a == 0 || rc.right <= rc.left || rc.bottom <= rc.top) return;
  if (a == 255) {
    const COLORREF c = RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    ::SetBkColor(hDC, c);
    ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    return;
  }
  // One premultiplied pixel stretched over the rectangle.
  void* bits = nullptr;
  HBITMAP dib = CreateDib(hDC, 1, 1, &bits);
  if (!dib) return;
  BYTE* p = static_cast<BYTE*>(bits);
  p[0] = static_cast<BYTE>((color & 0xFF) * a / 255);
  p[1] = static_cast<BYTE>(((color >> 8) & 0xFF) * a / 255);
  p[2] = static_cast<BYTE>(((color >> 16) & 0xFF) * a / 255);
  p[3] = a;
  {
    ScopedDC mem(::CreateCompatibleDC(hDC));
    ScopedSelect sel(mem.get(), dib);
    Blend(hDC, mem.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, 0, 0, 1, 1, 255, true);
  }
  ::DeleteObject(dib);
}

void CRenderEngine::DrawImage(HDC hDC, const TImageInfo& image, const RECT& rcDest, const RECT& rcSource,
                              const RECT& rcCorner, BYTE fade) {
  ScopedDC mem(::CreateCompatibleDC(hDC));
  ScopedSelect sel(mem.get(), image.hBitmap);
  const int dl = rcDest.left, dt = rcDest.top, dr = rcDest.right, db = rcDest.bottom;
  const int sl = rcSource.left, st = rcSource.top, sr = rcSource.right, sb = rcSource.bottom;
  int cl = rcCorner.left, ct = rcCorner.top, cr = rcCorner.right, cb = rcCorner.bottom;
  // Corners never exceed the source or the destination.
  if (cl + cr > sr - sl || cl + cr > dr - dl) cl = cr = 0;
  if (ct + cb > sb - st || ct + cb > db - dt) ct = cb = 0;
  const bool a = image.bAlpha;
  // Middle, then edges, then corners (nine slices; three or one without corners).
  Blend(hDC, mem.get(), dl + cl, dt + ct, dr - dl - cl - cr, db - dt - ct - cb, sl + cl, st + ct, sr - sl - cl - cr,
        sb - st - ct - cb, fade, a);
  if (cl || ct || cr || cb) {
    Blend(hDC, mem.get(), dl, dt + ct, cl, db - dt - ct - cb, sl, st + ct, cl, sb - st - ct - cb, fade, a);
    Blend(hDC, mem.get(), dr - cr, dt + ct, cr, db - dt - ct - cb, sr - cr, st + ct, cr, sb - st - ct - cb, fade, a);
    Blend(hDC, mem.get(), dl + cl, dt, dr - dl - cl - cr, ct, sl + cl, st, sr - sl - cl - cr, ct, fade, a);
    Blend(hDC, mem.get(), dl + cl, db - cb, dr - dl - cl - cr, cb, sl + cl, sb - cb, sr - sl - cl - cr, cb, fade, a);
    Blend(hDC, mem.get(), dl, dt, cl, ct, sl, st, cl, ct, fade, a);
    Blend(hDC, mem.get(), dr - cr, dt, cr, ct, sr - cr, st, cr, ct, fade, a);
    Blend(hDC, mem.get(), dl, db - cb, cl, cb, sl, sb - cb, cl, cb, fade, a);
    Blend(hDC, mem.get(), dr - cr, db - cb, cr, cb, sr - cr, sb - cb, cr, cb, fade, a);
  }
}

bool CRenderEngine::DrawImageString(HDC hDC, CPaintManagerUI* pManager, const RECT& rcItem, const RECT& rcPaint,
                                    const wchar_t* image_text) {
  if (!image_text || !*image_text || !pManager) return false;
  ImageSpec image;
  if (!ParseImageSpec(image_text, &image)) return false;
  const TImageInfo* info = pManager->GetImage(image.file.c_str());
  if (!info) return false;
  RECT dest = rcItem;
  if (image.hasDest) {
    dest = {rcItem.left + image.dest.left, rcItem.top + image.dest.top, rcItem.left + image.dest.right,
            rcItem.top + image.dest.bottom};
    if (dest.right > rcItem.right) dest.right = rcItem.right;
    if (dest.bottom > rcItem.bottom) dest.bottom = rcItem.bottom;
  }
  RECT clip;
  if (!::IntersectRect(&clip, &dest, &rcPaint)) return true;
  RECT source{0, 0, info->nX, info->nY};
  if (image.hasSource) {
    source = {std::max(0, image.source.left), std::max(0, image.source.top), std::min(info->nX, image.source.right),
              std::min(info->nY, image.source.bottom)};
    if (source.right <= source.left || source.bottom <= source.top) return false;
  }
  const RECT corner{image.corner.left, image.corner.top, image.corner.right, image.corner.bottom};
  DrawImage(hDC, *info, dest, source, corner, static_cast<BYTE>(image.fade));
  return true;
}

void CRenderEngine::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color) {
  if (size <= 0 || (color >> 24) == 0) return;
  DrawColor(hDC, {rc.left, rc.top, rc.right, rc.top + size}, color);
  DrawColor(hDC, {rc.left, rc.bottom - size, rc.right, rc.bottom}, color);
  DrawColor(hDC, {rc.left, rc.top + size, rc.left + size, rc.bottom - size}, color);
  DrawColor(hDC, {rc.right - size, rc.top + size, rc.right, rc.bottom - size}, color);
}

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* pManager, RECT& rc, const wchar_t* text, DWORD color,
                             int fontId, UINT style) {
  if (!text || !*text || !pManager) return;
  ::SetBkMode(hDC, TRANSPARENT);
  ::SetTextColor(hDC, RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
  ScopedSelect font(hDC, pManager->GetFont(fontId));
  ::DrawTextW(hDC, text, -1, &rc, style | DT_NOPREFIX);
}

bool CRenderEngine::SaveWindowPng(HWND hWnd, const wchar_t* path) {
  RECT rc;
  if (!::IsWindow(hWnd) || !::GetWindowRect(hWnd, &rc)) return false;
  const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
  if (cx <= 0 || cy <= 0) return false;
  CPaintManagerUI::StartGdiplus();
  HDC windowDC = ::GetWindowDC(hWnd);
  HDC mem = ::CreateCompatibleDC(windowDC);
  HBITMAP bmp = ::CreateCompatibleBitmap(windowDC, cx, cy);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, cx, cy, windowDC, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  ::ReleaseDC(hWnd, windowDC);
  bool saved = false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bmp, nullptr, &bitmap) == Gdiplus::Ok) {
    // The PNG encoder's class identifier.
    static const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path, &kPngEncoder, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
  ::DeleteObject(bmp);
  return saved;
}

}  // namespace DuiLib
