#include "UIControl.h"

#include "UIAttr.h"
#include "UIManager.h"
#include "UIRender.h"

namespace DuiLib {

namespace {

RECT ToRect(const UiRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

bool Attr(LPCTSTR name, const wchar_t* expected) { return NameEquals(name ? name : L"", expected); }

}  // namespace

CControlUI::CControlUI() { m_cxyMax = SIZE{kMaxExtent, kMaxExtent}; }

CControlUI::~CControlUI() {
  if (m_pManager) m_pManager->ReapObjects(this);
}

LPCTSTR CControlUI::GetClass() const { return L"ControlUI"; }

LPVOID CControlUI::GetInterface(LPCTSTR pstrName) {
  return Attr(pstrName, DUI_CTR_CONTROL) ? this : nullptr;
}

void CControlUI::SetName(LPCTSTR pstrName) {
  if (m_sName == pstrName) return;
  // A control already in a window keeps its manager's name index right.
  const bool indexed = m_pManager && m_pManager->FindControl(m_sName) == this;
  if (m_pManager) m_pManager->UnregisterName(this, m_sName);
  m_sName = pstrName;
  if (m_pManager && indexed) m_pManager->RegisterName(this);
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  m_pManager = pManager;
  m_pParent = pParent;
  if (bInit && m_pParent) Init();
}

void CControlUI::Init() {
  DoInit();
}

void CControlUI::SetText(LPCTSTR pstrText) {
  if (m_sText == pstrText) return;
  m_sText = pstrText;
  Invalidate();
}

void CControlUI::SetBkColor(DWORD dwBackColor) {
  if (m_dwBackColor == dwBackColor) return;
  m_dwBackColor = dwBackColor;
  Invalidate();
}

void CControlUI::SetBkImage(LPCTSTR pStrImage) {
  if (m_sBkImage == pStrImage) return;
  m_sBkImage = pStrImage;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD dwBorderColor) {
  m_dwBorderColor = dwBorderColor;
  Invalidate();
}

void CControlUI::SetBorderSize(int nSize) {
  m_nBorderSize = ClampExtent(nSize);
  Invalidate();
}

void CControlUI::SetPos(RECT rc, bool bNeedInvalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  const RECT old = m_rcItem;
  m_rcItem = rc;
  m_bUpdateNeeded = false;
  if (bNeedInvalidate && m_pManager && !::EqualRect(&old, &rc)) {
    m_pManager->Invalidate(old);
    m_pManager->Invalidate(rc);
  }
}

void CControlUI::SetPadding(RECT rcPadding) {
  m_rcPadding = RECT{ClampExtent(rcPadding.left), ClampExtent(rcPadding.top), ClampExtent(rcPadding.right),
                     ClampExtent(rcPadding.bottom)};
  NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
  cx = ClampExtent(cx);
  if (m_cxyFixed.cx == cx) return;
  m_cxyFixed.cx = cx;
  NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  cy = ClampExtent(cy);
  if (m_cxyFixed.cy == cy) return;
  m_cxyFixed.cy = cy;
  NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) { m_cxyMin.cx = ClampExtent(cx); NeedParentUpdate(); }
void CControlUI::SetMaxWidth(int cx) { m_cxyMax.cx = ClampExtent(cx); NeedParentUpdate(); }
void CControlUI::SetMinHeight(int cy) { m_cxyMin.cy = ClampExtent(cy); NeedParentUpdate(); }
void CControlUI::SetMaxHeight(int cy) { m_cxyMax.cy = ClampExtent(cy); NeedParentUpdate(); }

void CControlUI::SetFloat(bool bFloat) {
  if (m_bFloat == bFloat) return;
  m_bFloat = bFloat;
  NeedParentUpdate();
}

void CControlUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  const bool wasVisible = IsVisible();
  m_bVisible = bVisible;
  if (m_bFocused && !bVisible && m_pManager) m_pManager->SetFocus(nullptr);
  if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool bVisible) {
  m_bInternVisible = bVisible;
  if (!bVisible && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool bEnable) {
  if (m_bEnabled == bEnable) return;
  m_bEnabled = bEnable;
  Invalidate();
}

void CControlUI::SetFocus() {
  if (m_pManager) m_pManager->SetFocus(this);
}

CControlUI* CControlUI::FindControlAt(POINT pt, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if ((uFlags & UIFIND_HITTEST) && (!m_bMouseEnabled || !::PtInRect(&m_rcItem, pt))) return nullptr;
  return this;
}

void CControlUI::ForEach(const std::function<void(CControlUI*)>& visit) { visit(this); }

void CControlUI::Invalidate() {
  if (!IsVisible() || !m_pManager) return;
  // Clip to every container above: a child never paints outside them.
  RECT rc = m_rcItem;
  for (CControlUI* p = m_pParent; p; p = p->GetParent()) {
    const RECT& parent = p->GetPos();
    if (!::IntersectRect(&rc, &rc, &parent)) return;
  }
  m_pManager->Invalidate(rc);
}

void CControlUI::NeedUpdate() {
  if (!IsVisible() && m_bVisible && !m_bInternVisible) return;
  m_bUpdateNeeded = true;
  Invalidate();
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
  if (m_pParent) {
    m_pParent->m_bUpdateNeeded = true;
    m_pParent->Invalidate();
  } else {
    m_bUpdateNeeded = true;
  }
  Invalidate();
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::Event(TEventUI& event) { DoEvent(event); }

void CControlUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SETFOCUS) {
    m_bFocused = true;
    Invalidate();
    return;
  }
  if (event.Type == UIEVENT_KILLFOCUS) {
    m_bFocused = false;
    Invalidate();
    return;
  }
  // Everything else bubbles to the container, like the original events of
  // a child that does not handle them.
  if (m_pParent) m_pParent->DoEvent(event);
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  const std::wstring value = pstrValue ? pstrValue : L"";
  long long n;
  bool b;
  uint32_t color;
  UiRect r;
  if (Attr(pstrName, L"name")) SetName(pstrValue);
  else if (Attr(pstrName, L"text")) SetText(pstrValue);
  else if (Attr(pstrName, L"tooltip")) SetToolTip(pstrValue);
  else if (Attr(pstrName, L"userdata")) SetUserData(pstrValue);
  else if (Attr(pstrName, L"width")) { if (ParseInt(value, &n)) SetFixedWidth(ClampExtent(n)); }
  else if (Attr(pstrName, L"height")) { if (ParseInt(value, &n)) SetFixedHeight(ClampExtent(n)); }
  else if (Attr(pstrName, L"minwidth")) { if (ParseInt(value, &n)) SetMinWidth(ClampExtent(n)); }
  else if (Attr(pstrName, L"minheight")) { if (ParseInt(value, &n)) SetMinHeight(ClampExtent(n)); }
  else if (Attr(pstrName, L"maxwidth")) { if (ParseInt(value, &n)) SetMaxWidth(ClampExtent(n)); }
  else if (Attr(pstrName, L"maxheight")) { if (ParseInt(value, &n)) SetMaxHeight(ClampExtent(n)); }
  else if (Attr(pstrName, L"padding")) { if (ParseRect(value, &r)) SetPadding(ToRect(r)); }
  else if (Attr(pstrName, L"float")) { if (ParseBool(value, &b)) SetFloat(b); }
  else if (Attr(pstrName, L"pos")) {
    // "l,t,r,b": a floating control's place in its container; for a control
    // in the flow only its size counts.
    if (ParseRect(value, &r)) {
      m_rcFloat = ToRect(r);
      SetFixedWidth(ClampExtent(static_cast<long long>(r.right) - r.left));
      SetFixedHeight(ClampExtent(static_cast<long long>(r.bottom) - r.top));
    }
  }
  else if (Attr(pstrName, L"visible")) { if (ParseBool(value, &b)) SetVisible(b); }
  else if (Attr(pstrName, L"enabled")) { if (ParseBool(value, &b)) SetEnabled(b); }
  else if (Attr(pstrName, L"mouse")) { if (ParseBool(value, &b)) SetMouseEnabled(b); }
  else if (Attr(pstrName, L"bkcolor")) { if (ParseColor(value, &color)) SetBkColor(color); }
  else if (Attr(pstrName, L"bordercolor")) { if (ParseColor(value, &color)) SetBorderColor(color); }
  else if (Attr(pstrName, L"bordersize")) { if (ParseInt(value, &n)) SetBorderSize(ClampExtent(n)); }
  else if (Attr(pstrName, L"bkimage")) SetBkImage(pstrValue);
}

void CControlUI::ApplyAttributeList(LPCTSTR pstrList) {
  for (const auto& [name, value] : ParseAttributeList(pstrList ? pstrList : L"")) SetAttribute(name.c_str(), value.c_str());
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  PaintBkColor(hDC);
  PaintBkImage(hDC);
  PaintStatusImage(hDC);
  PaintText(hDC);
  PaintBorder(hDC);
}

void CControlUI::PaintBkColor(HDC hDC) {
  if (m_dwBackColor) CRenderEngine::DrawColor(hDC, m_rcPaint, m_dwBackColor);
}

void CControlUI::PaintBkImage(HDC hDC) {
  if (!m_sBkImage.IsEmpty()) CRenderEngine::DrawImageString(hDC, m_pManager, m_rcItem, m_rcPaint, m_sBkImage);
}

void CControlUI::PaintBorder(HDC hDC) {
  if (m_nBorderSize > 0) CRenderEngine::DrawRect(hDC, m_rcItem, m_nBorderSize, m_dwBorderColor);
}

}  // namespace DuiLib
