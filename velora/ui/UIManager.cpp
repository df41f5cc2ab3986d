#include "UIManager.h"

#include <objidl.h>
#include <gdiplus.h>
#include <windowsx.h>

#include <algorithm>
#include <mutex>

#include "UILog.h"

namespace DuiLib {

namespace {

HINSTANCE g_hInstance = nullptr;
CDuiString g_resourcePath;
std::vector<CPaintManagerUI*> g_managers;  // main-thread only
ULONG_PTR g_gdiplusToken = 0;
std::once_flag g_gdiplusOnce;

POINT PointFrom(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool IsAbsolute(const wchar_t* p) {
  return p && p[0] && (p[1] == L':' || p[0] == L'\\' || p[0] == L'/');
}

int CALLBACK FaceExists(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFace(const wchar_t* face) {
  if (!face || !*face || wcslen(face) >= LF_FACESIZE) return false;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(lf.lfFaceName, face);
  bool found = false;
  HDC dc = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(dc, &lf, FaceExists, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, dc);
  return found;
}

}  // namespace

// ---- process-wide ---------------------------------------------------------

void CPaintManagerUI::SetInstance(HINSTANCE hInst) { g_hInstance = hInst; }

HINSTANCE CPaintManagerUI::GetInstance() { return g_hInstance ? g_hInstance : ::GetModuleHandleW(nullptr); }

CDuiString CPaintManagerUI::GetInstancePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(GetInstance(), &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return CDuiString();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return CDuiString(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1));
}

void CPaintManagerUI::SetResourcePath(LPCTSTR pStrPath) {
  g_resourcePath = pStrPath;
  if (!g_resourcePath.IsEmpty()) {
    const wchar_t last = g_resourcePath.GetAt(g_resourcePath.GetLength() - 1);
    if (last != L'\\' && last != L'/') g_resourcePath += L'\\';
  }
}

CDuiString CPaintManagerUI::GetResourcePath() { return g_resourcePath; }

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg) {
  if (!pMsg || !pMsg->hwnd) return false;
  // The message's window and each of its ancestors, innermost first; the
  // list is copied since a filter may open or close windows.
  const std::vector<CPaintManagerUI*> managers = g_managers;
  for (HWND hwnd = pMsg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
    for (CPaintManagerUI* pm : managers) {
      if (std::find(g_managers.begin(), g_managers.end(), pm) == g_managers.end()) continue;
      if (pm->m_hWndPaint != hwnd) continue;
      LRESULT lRes = 0;
      if (pm->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes)) return true;
    }
    if (!(::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

void CPaintManagerUI::DeletePtr(void* ptr) { ::operator delete(ptr); }

void CPaintManagerUI::StartGdiplus() {
  std::call_once(g_gdiplusOnce, [] {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok) g_gdiplusToken = 0;
  });
}

void CPaintManagerUI::Term() {
  if (g_gdiplusToken) Gdiplus::GdiplusShutdown(g_gdiplusToken);
  g_gdiplusToken = 0;
}

// ---- one window -----------------------------------------------------------

CPaintManagerUI::CPaintManagerUI() {}

CPaintManagerUI::~CPaintManagerUI() {
  g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
  CControlUI* root = m_pRoot;
  m_pRoot = nullptr;
  m_pFocus = m_pEventHover = m_pEventClick = nullptr;
  delete root;
  m_mNameHash.clear();
  if (m_hDcOffscreen) {
    ::SelectObject(m_hDcOffscreen, m_hbmpOffscreenOld);
    ::DeleteDC(m_hDcOffscreen);
  }
  if (m_hbmpOffscreen) ::DeleteObject(m_hbmpOffscreen);
  for (auto& f : m_mFonts) ::DeleteObject(f.second);
  if (m_bOwnDefaultFont && m_hDefaultFont) ::DeleteObject(m_hDefaultFont);
}

void CPaintManagerUI::Init(HWND hWnd) {
  m_hWndPaint = hWnd;
  if (std::find(g_managers.begin(), g_managers.end(), this) == g_managers.end()) g_managers.push_back(this);
}

SIZE CPaintManagerUI::GetClientSize() const {
  RECT rc{0, 0, 0, 0};
  if (m_hWndPaint) ::GetClientRect(m_hWndPaint, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CPaintManagerUI::SetInitSize(int cx, int cy) { m_szInitWindowSize = SIZE{ClampExtent(cx), ClampExtent(cy)}; }
void CPaintManagerUI::SetMinInfo(int cx, int cy) { m_szMinWindow = SIZE{ClampExtent(cx), ClampExtent(cy)}; }
void CPaintManagerUI::SetMaxInfo(int cx, int cy) { m_szMaxWindow = SIZE{ClampExtent(cx), ClampExtent(cy)}; }

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
  if (!pControl) return false;
  if (m_pRoot && m_pRoot != pControl) {
    CControlUI* old = m_pRoot;
    m_pRoot = nullptr;
    m_pFocus = m_pEventHover = m_pEventClick = nullptr;
    delete old;
    m_mNameHash.clear();
  }
  m_pRoot = pControl;
  m_bUpdateNeeded = true;
  InitControls(pControl, nullptr);
  UpdateLayout();
  if (m_hWndPaint) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
  return true;
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent) {
  if (!pControl) return false;
  // Parents first, so a child's DoInit finds its container ready.
  pControl->ForEach([this](CControlUI* c) {
    c->m_pManager = this;
    c->DoInit();
    RegisterName(c);
  });
  if (pParent) pControl->m_pParent = pParent;
  return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
  if (m_pFocus == pControl) m_pFocus = nullptr;
  if (m_pEventHover == pControl) m_pEventHover = nullptr;
  if (m_pEventClick == pControl) m_pEventClick = nullptr;
  UnregisterName(pControl, pControl->GetName());
}

void CPaintManagerUI::UnregisterName(CControlUI* pControl, const CDuiString& name) {
  auto range = m_mNameHash.equal_range(name.str());
  for (auto it = range.first; it != range.second;) {
    if (it->second == pControl) it = m_mNameHash.erase(it);
    else ++it;
  }
}

void CPaintManagerUI::RegisterName(CControlUI* pControl) {
  if (!pControl->GetName().IsEmpty()) m_mNameHash.emplace(pControl->GetName().str(), pControl);
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR pstrName) const {
  if (!pstrName) return nullptr;
  // Duplicate names: the control registered first (document order) wins;
  // lower_bound finds it, as equal keys keep their insertion order.
  const auto it = m_mNameHash.lower_bound(pstrName);
  return it == m_mNameHash.end() || it->first != pstrName ? nullptr : it->second;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
  if (!m_pRoot) return nullptr;
  return m_pRoot->FindControlAt(pt, UIFIND_VISIBLE | UIFIND_HITTEST);
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
  if (m_hWndPaint && pControl && ::GetFocus() != m_hWndPaint) ::SetFocus(m_hWndPaint);
  if (pControl == m_pFocus) return;
  CControlUI* old = m_pFocus;
  m_pFocus = nullptr;
  if (old) {
    TEventUI event;
    event.Type = UIEVENT_KILLFOCUS;
    event.pSender = pControl;
    event.dwTimestamp = ::GetTickCount();
    old->Event(event);
    if (m_pFocus) return;  // the handler moved the focus itself
    SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
  }
  if (pControl && pControl->GetManager() == this && pControl->IsVisible() && pControl->IsEnabled()) {
    m_pFocus = pControl;
    TEventUI event;
    event.Type = UIEVENT_SETFOCUS;
    event.pSender = pControl;
    event.dwTimestamp = ::GetTickCount();
    pControl->Event(event);
    SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
  }
}

void CPaintManagerUI::NeedUpdate() {
  m_bUpdateNeeded = true;
  if (m_hWndPaint) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(const RECT& rcItem) {
  if (m_hWndPaint && rcItem.right > rcItem.left && rcItem.bottom > rcItem.top)
    ::InvalidateRect(m_hWndPaint, &rcItem, FALSE);
}

void CPaintManagerUI::UpdateLayout() {
  if (!m_bUpdateNeeded || !m_pRoot || !m_hWndPaint) return;
  m_bUpdateNeeded = false;
  RECT rc;
  ::GetClientRect(m_hWndPaint, &rc);
  if (rc.right <= rc.left || rc.bottom <= rc.top) return;
  // The whole tree is laid out from the root: cheap for skins of a few
  // hundred controls and never leaves a sibling in a stale place.
  m_pRoot->SetPos(rc, false);
  ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

// ---- defaults, fonts, images ---------------------------------------------

void CPaintManagerUI::AddDefaultAttributeList(LPCTSTR name, LPCTSTR list) {
  if (!name) return;
  m_mDefaultAttrHash[name] = list ? list : L"";
}

LPCTSTR CPaintManagerUI::GetDefaultAttributeList(LPCTSTR name) const {
  if (!name) return nullptr;
  const auto it = m_mDefaultAttrHash.find(name);
  return it == m_mDefaultAttrHash.end() ? nullptr : it->second.c_str();
}

bool CPaintManagerUI::RemoveDefaultAttributeList(LPCTSTR name) { return name && m_mDefaultAttrHash.erase(name) > 0; }

LPCTSTR CPaintManagerUI::GetClassDefaults(LPCTSTR pstrClass) const {
  for (const auto& [name, value] : m_mDefaultAttrHash)
    if (NameEquals(name, pstrClass ? pstrClass : L"")) return value.c_str();
  return nullptr;
}

CDuiString CPaintManagerUI::ResolveFontFace(LPCTSTR face) {
  // Asking the system for its fonts is slow; every window asks for the
  // same few faces, so the answers are kept (main thread only).
  static std::map<std::wstring, std::wstring> resolved;
  const std::wstring key = face ? face : L"";
  const auto it = resolved.find(key);
  if (it != resolved.end()) return CDuiString(it->second);
  std::wstring answer;
  if (HasFace(face)) {
    answer = key;
  } else {
    static const wchar_t* const kChineseFaces[] = {L"Microsoft YaHei", L"WenQuanYi Micro Hei", L"SimSun", L"NSimSun",
                                                    L"SimHei", L"Noto Sans CJK SC"};
    for (const wchar_t* candidate : kChineseFaces)
      if (HasFace(candidate)) {
        answer = candidate;
        break;
      }
    if (answer.empty()) answer = key.empty() ? L"Tahoma" : key;
  }
  resolved.emplace(key, answer);
  return CDuiString(answer);
}

HFONT CPaintManagerUI::AddFont(int id, LPCTSTR face, int nSize, bool bBold, bool bUnderline, bool bItalic,
                               bool bDefault) {
  LOGFONTW lf{};
  const CDuiString resolved = ResolveFontFace(face);
  wcsncpy_s(lf.lfFaceName, LF_FACESIZE, resolved.GetData(), _TRUNCATE);
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = -std::max(1, std::min(nSize, 400));
  lf.lfWeight = bBold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = bUnderline;
  lf.lfItalic = bItalic;
  lf.lfQuality = CLEARTYPE_QUALITY;
  HFONT font = ::CreateFontIndirectW(&lf);
  if (!font) return nullptr;
  if (id >= 0) {
    auto it = m_mFonts.find(id);
    if (it != m_mFonts.end()) {
      if (m_hDefaultFont == it->second) m_hDefaultFont = nullptr;
      ::DeleteObject(it->second);
    }
    m_mFonts[id] = font;
    if (bDefault || !m_hDefaultFont) {
      if (m_bOwnDefaultFont && m_hDefaultFont) ::DeleteObject(m_hDefaultFont);
      m_bOwnDefaultFont = false;
      m_hDefaultFont = font;
    }
  } else {
    if (m_bOwnDefaultFont && m_hDefaultFont) ::DeleteObject(m_hDefaultFont);
    m_hDefaultFont = font;
    m_bOwnDefaultFont = true;
  }
  return font;
}

HFONT CPaintManagerUI::GetFont(int id) const {
  if (id >= 0) {
    const auto it = m_mFonts.find(id);
    if (it != m_mFonts.end()) return it->second;
  }
  if (!m_hDefaultFont) {
    // No font in the skin: a 12-pixel face that can show Chinese.
    const_cast<CPaintManagerUI*>(this)->AddFont(-1, L"Microsoft YaHei", 12, false, false, false, true);
  }
  return m_hDefaultFont;
}

const TImageInfo* CPaintManagerUI::GetImage(LPCTSTR bitmap) {
  if (!bitmap || !*bitmap) return nullptr;
  const auto it = m_mImageHash.find(bitmap);
  if (it != m_mImageHash.end()) return it->second.get();
  const CDuiString path = IsAbsolute(bitmap) ? CDuiString(bitmap) : GetResourcePath() + bitmap;
  // Decoded pictures are shared by every window of the process (the
  // frame's windows use the same few files); a file that cannot be had is
  // remembered per window only, so a later window tries again.
  static std::map<std::wstring, std::shared_ptr<TImageInfo>> shared;
  std::shared_ptr<TImageInfo> info;
  const auto found = shared.find(path.str());
  if (found != shared.end()) {
    info = found->second;
  } else {
    info.reset(CRenderEngine::LoadImage(path));
    if (info) shared.emplace(path.str(), info);
  }
  m_mImageHash.emplace(bitmap, info);
  return info.get();
}

// ---- notifications and filters -------------------------------------------

namespace {
template <typename T>
bool AddUnique(std::vector<T*>& list, T* item) {
  if (!item || std::find(list.begin(), list.end(), item) != list.end()) return false;
  list.push_back(item);
  return true;
}
template <typename T>
bool RemoveItem(std::vector<T*>& list, T* item) {
  const auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}
}  // namespace

bool CPaintManagerUI::AddNotifier(INotifyUI* p) { return AddUnique(m_aNotifiers, p); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* p) { return RemoveItem(m_aNotifiers, p); }
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* p) { return AddUnique(m_aMessageFilters, p); }
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* p) { return RemoveItem(m_aMessageFilters, p); }
bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* p) { return AddUnique(m_aPreMessageFilters, p); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* p) { return RemoveItem(m_aPreMessageFilters, p); }

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam, LPARAM lParam) {
  TNotifyUI msg;
  msg.pSender = pControl;
  msg.sType = pstrMessage;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg);
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg) {
  Msg.ptMouse = m_ptLastMousePos;
  Msg.dwTimestamp = ::GetTickCount();
  // A notifier may remove itself or others while being told.
  const std::vector<INotifyUI*> notifiers = m_aNotifiers;
  for (INotifyUI* n : notifiers)
    if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), n) != m_aNotifiers.end()) n->Notify(Msg);
}

namespace {

// Asks each filter in turn until one handles the message. Works on a copy,
// since a filter may remove itself or others; a removed one is not asked.
bool RunFilters(const std::vector<IMessageFilterUI*>& live, UINT uMsg, WPARAM wParam,
                LPARAM lParam, LRESULT& lRes) {
  const std::vector<IMessageFilterUI*> filters = live;
  for (IMessageFilterUI* f : filters) {
    if (std::find(live.begin(), live.end(), f) == live.end()) continue;
    bool handled = false;
    const LRESULT r = f->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) {
      lRes = r;
      return true;
    }
  }
  return false;
}

}  // namespace

bool CPaintManagerUI::FilterMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  return RunFilters(m_aMessageFilters, uMsg, wParam, lParam, lRes);
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  return RunFilters(m_aPreMessageFilters, uMsg, wParam, lParam, lRes);
}

// ---- events and painting -------------------------------------------------

void CPaintManagerUI::SendEvent(CControlUI* pControl, int type, POINT pt, WPARAM wParam, LPARAM lParam) {
  if (!pControl) return;
  TEventUI event;
  event.Type = type;
  event.pSender = pControl;
  event.dwTimestamp = ::GetTickCount();
  event.ptMouse = pt;
  event.wKeyState = static_cast<WORD>(wParam);
  event.wParam = wParam;
  event.lParam = lParam;
  pControl->Event(event);
}

void CPaintManagerUI::PaintTo(HDC hDC) {
  UpdateLayout();
  RECT rc;
  ::GetClientRect(m_hWndPaint, &rc);
  CRenderEngine::DrawColor(hDC, rc, m_dwWindowBkColor | 0xFF000000);
  if (m_pRoot) {
    const int saved = ::SaveDC(hDC);
    m_pRoot->DoPaint(hDC, rc);
    ::RestoreDC(hDC, saved);
  }
}

void CPaintManagerUI::Paint() {
  UpdateLayout();
  PAINTSTRUCT ps;
  HDC hDC = ::BeginPaint(m_hWndPaint, &ps);
  if (!hDC) return;
  RECT client;
  ::GetClientRect(m_hWndPaint, &client);
  const SIZE size{client.right - client.left, client.bottom - client.top};
  if (size.cx > 0 && size.cy > 0 && !::IsRectEmpty(&ps.rcPaint)) {
    if (!m_hDcOffscreen || size.cx != m_szOffscreen.cx || size.cy != m_szOffscreen.cy) {
      if (m_hDcOffscreen) {
        ::SelectObject(m_hDcOffscreen, m_hbmpOffscreenOld);
        ::DeleteDC(m_hDcOffscreen);
        m_hDcOffscreen = nullptr;
      }
      if (m_hbmpOffscreen) ::DeleteObject(m_hbmpOffscreen);
      m_hDcOffscreen = ::CreateCompatibleDC(hDC);
      m_hbmpOffscreen = ::CreateCompatibleBitmap(hDC, size.cx, size.cy);
      m_hbmpOffscreenOld = static_cast<HBITMAP>(::SelectObject(m_hDcOffscreen, m_hbmpOffscreen));
      m_szOffscreen = size;
    }
    // Compose the damaged part off screen, then copy it in one blit.
    const int saved = ::SaveDC(m_hDcOffscreen);
    ::IntersectClipRect(m_hDcOffscreen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    CRenderEngine::DrawColor(m_hDcOffscreen, ps.rcPaint, m_dwWindowBkColor | 0xFF000000);
    m_bInPaint = true;
    if (m_pRoot) m_pRoot->DoPaint(m_hDcOffscreen, ps.rcPaint);
    m_bInPaint = false;
    ::RestoreDC(m_hDcOffscreen, saved);
    ::BitBlt(hDC, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, m_hDcOffscreen, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  }
  ::EndPaint(m_hWndPaint, &ps);
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  if (!m_hWndPaint) return false;
  switch (uMsg) {
    case WM_ERASEBKGND:
      lRes = 1;
      return true;
    case WM_PAINT:
      Paint();
      lRes = 0;
      return true;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      lRes = 0;
      return true;
    case WM_SIZE:
      if (m_pRoot && wParam != SIZE_MINIMIZED) {
        m_bUpdateNeeded = true;
        UpdateLayout();
      }
      return false;
    case WM_MOUSEMOVE: {
      if (!m_bMouseTracking) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWndPaint, HOVER_DEFAULT};
        m_bMouseTracking = ::TrackMouseEvent(&tme) != FALSE;
      }
      const POINT pt = PointFrom(lParam);
      m_ptLastMousePos = pt;
      CControlUI* newHover = FindControl(pt);
      if (newHover != m_pEventHover) {
        CControlUI* old = m_pEventHover;
        m_pEventHover = newHover;
        if (old) SendEvent(old, UIEVENT_MOUSELEAVE, pt, wParam, lParam);
        // The leave handler may have changed the tree; look again.
        if (m_pEventHover == newHover && newHover) SendEvent(newHover, UIEVENT_MOUSEENTER, pt, wParam, lParam);
      }
      if (m_pEventClick) SendEvent(m_pEventClick, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
      else if (m_pEventHover) SendEvent(m_pEventHover, UIEVENT_MOUSEMOVE, pt, wParam, lParam);
      return false;
    }
    case WM_MOUSELEAVE: {
      m_bMouseTracking = false;
      if (m_pEventClick) return false;  // captured: the button-up ends it
      CControlUI* old = m_pEventHover;
      m_pEventHover = nullptr;
      POINT pt;
      ::GetCursorPos(&pt);
      ::ScreenToClient(m_hWndPaint, &pt);
      if (old) SendEvent(old, UIEVENT_MOUSELEAVE, pt, 0, MAKELPARAM(pt.x, pt.y));
      return false;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const POINT pt = PointFrom(lParam);
      m_ptLastMousePos = pt;
      CControlUI* control = FindControl(pt);
      if (!control || !control->IsEnabled()) return false;
      m_pEventClick = control;
      ::SetCapture(m_hWndPaint);
      SendEvent(control, uMsg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, wParam, lParam);
      return false;
    }
    case WM_LBUTTONUP: {
      const POINT pt = PointFrom(lParam);
      m_ptLastMousePos = pt;
      CControlUI* control = m_pEventClick;
      if (!control) return false;
      // Forget the press before the control reacts: its click handler may
      // run a nested message loop or destroy the window.
      m_pEventClick = nullptr;
      if (::GetCapture() == m_hWndPaint) ::ReleaseCapture();
      SendEvent(control, UIEVENT_BUTTONUP, pt, wParam, lParam);
      return false;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != m_hWndPaint && m_pEventClick) {
        // Capture taken away mid-press: release the control without a click.
        CControlUI* control = m_pEventClick;
        m_pEventClick = nullptr;
        SendEvent(control, UIEVENT_BUTTONUP, POINT{-0x8000, -0x8000}, 0, MAKELPARAM(-0x8000, -0x8000));
      }
      return false;
    case WM_RBUTTONDOWN: {
      const POINT pt = PointFrom(lParam);
      if (CControlUI* control = FindControl(pt)) SendEvent(control, UIEVENT_RBUTTONDOWN, pt, wParam, lParam);
      return false;
    }
    case WM_MOUSEWHEEL: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ::ScreenToClient(m_hWndPaint, &pt);
      if (CControlUI* control = FindControl(pt)) SendEvent(control, UIEVENT_SCROLLWHEEL, pt, wParam, lParam);
      return false;
    }
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      POINT pt;
      ::GetCursorPos(&pt);
      ::ScreenToClient(m_hWndPaint, &pt);
      CControlUI* control = m_pEventClick ? m_pEventClick : FindControl(pt);
      if (!control) return false;
      SendEvent(control, UIEVENT_SETCURSOR, pt, wParam, lParam);
      lRes = TRUE;
      return true;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      if (!m_pFocus) return false;
      {
        TEventUI event;
        event.Type = uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : (uMsg == WM_KEYUP ? UIEVENT_KEYUP : UIEVENT_CHAR);
        event.pSender = m_pFocus;
        event.chKey = static_cast<wchar_t>(wParam);
        event.wParam = wParam;
        event.lParam = lParam;
        event.ptMouse = m_ptLastMousePos;
        event.dwTimestamp = ::GetTickCount();
        m_pFocus->Event(event);
      }
      return false;
    case WM_DESTROY:
      m_pEventHover = m_pEventClick = nullptr;
      return false;
    case WM_NCDESTROY:
      // The controls stay with the manager until it goes; they no longer
      // paint or invalidate anything.
      m_hWndPaint = nullptr;
      g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
      return false;
    default:
      return false;
  }
}

}  // namespace DuiLib
