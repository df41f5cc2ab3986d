// Drawing for the controls: colours with alpha, PNG images (decoded once by
// GDI+ into premultiplied bitmaps, drawn with AlphaBlend, optionally as nine
// slices), text and borders. All drawing goes to the paint manager's
// off-screen bitmap.
#pragma once

#include "UIDefine.h"

namespace DuiLib {

class CPaintManagerUI;

struct TImageInfo {
  HBITMAP hBitmap = nullptr;  // 32-bit top-down DIB, premultiplied alpha
  int nX = 0, nY = 0;
  bool bAlpha = false;
  ~TImageInfo();
};

class CRenderEngine {
 public:
  // Largest image side accepted; bigger pictures are refused with a log line.
  static constexpr int kMaxImageSide = 8192;
  // Largest image file read.
  static constexpr long long kMaxImageBytes = 32ll << 20;

  // Decodes a PNG file. Null (with a log line) when the file is missing,
  // not a PNG, too large or cannot be decoded.
  static TImageInfo* LoadImage(const wchar_t* path);

  // Fills with 0xAARRGGBB; alpha below 255 blends with what lies beneath.
  static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
  // Draws an image reference (see ParseImageSpec) into rcItem, clipped to
  // rcPaint. False when the image cannot be had.
  static bool DrawImageString(HDC hDC, CPaintManagerUI* pManager, const RECT& rcItem, const RECT& rcPaint,
                              const wchar_t* image_text);
  static void DrawImage(HDC hDC, const TImageInfo& image, const RECT& rcDest, const RECT& rcSource,
                        const RECT& rcCorner, BYTE fade);
  static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
  // DT_* styles; fontId -1 is the manager's default font.
  // Copies what the window shows on screen into a PNG file.
  static bool SaveWindowPng(HWND hWnd, const wchar_t* path);
  static void DrawText(HDC hDC, CPaintManagerUI* pManager, RECT& rc, const wchar_t* text, DWORD color, int fontId,
                       UINT style);
};

}  // namespace DuiLib
