#include "UIContainer.h"

#include "UIAttr.h"
#include "UIManager.h"

namespace DuiLib {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Children are deleted iteratively from the back; the tree's depth is
  // bounded by the skin reader, so this recursion through destructors is too.
  std::vector<CControlUI*> items;
  items.swap(m_items);
  for (auto it = items.rbegin(); it != items.rend(); ++it) delete *it;
}

LPCTSTR CContainerUI::GetClass() const { return L"ContainerUI"; }

LPVOID CContainerUI::GetInterface(LPCTSTR pstrName) {
  if (NameEquals(pstrName ? pstrName : L"", DUI_CTR_ICONTAINER)) return static_cast<IContainerUI*>(this);
  if (NameEquals(pstrName ? pstrName : L"", DUI_CTR_CONTAINER)) return this;
  return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
  return iIndex >= 0 && iIndex < GetCount() ? m_items[static_cast<size_t>(iIndex)] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
  for (size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i] == pControl) return static_cast<int>(i);
  return -1;
}

bool CContainerUI::Add(CControlUI* pControl) { return AddAt(pControl, GetCount()); }

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
  if (!pControl || iIndex < 0 || iIndex > GetCount() || GetItemIndex(pControl) >= 0) return false;
  m_items.insert(m_items.begin() + iIndex, pControl);
  pControl->SetInternVisible(IsVisible());
  pControl->SetManager(m_pManager, this, false);
  // A control joining a live window is initialised and indexed now; during
  // building that happens once the whole tree is attached.
  if (m_pManager && m_pManager->GetRoot()) m_pManager->InitControls(pControl, this);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* pControl) {
  const int index = GetItemIndex(pControl);
  if (index < 0) return false;
  m_items.erase(m_items.begin() + index);
  delete pControl;
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> items;
  items.swap(m_items);
  for (CControlUI* c : items) delete c;
  NeedUpdate();
}

void CContainerUI::SetInset(RECT rc) {
  m_rcInset = RECT{ClampExtent(rc.left), ClampExtent(rc.top), ClampExtent(rc.right), ClampExtent(rc.bottom)};
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int iPadding) {
  m_iChildPadding = ClampExtent(iPadding);
  NeedUpdate();
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  for (CControlUI* c : m_items) c->SetManager(pManager, this, bInit);
  CControlUI::SetManager(pManager, pParent, bInit);
}

void CContainerUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  CControlUI::SetVisible(bVisible);
  for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
  CControlUI::SetInternVisible(bVisible);
  for (CControlUI* c : m_items) c->SetInternVisible(IsVisible());
}

void CContainerUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  if (m_items.empty()) return;
  std::vector<LayoutItem> layout(m_items.size());
  for (size_t i = 0; i < m_items.size(); ++i) {
    CControlUI* c = m_items[i];
    LayoutItem& it = layout[i];
    it.visible = c->IsOwnVisible();
    it.floating = c->IsFloat();
    it.fixedWidth = c->GetFixedWidth();
    it.fixedHeight = c->GetFixedHeight();
    it.minWidth = c->GetMinWidth();
    it.minHeight = c->GetMinHeight();
    it.maxWidth = c->GetMaxWidth();
    it.maxHeight = c->GetMaxHeight();
    const RECT m = c->GetPadding();
    it.margin = UiRect{m.left, m.top, m.right, m.bottom};
    const RECT f = c->GetFloatPos();
    it.floatPos = UiRect{f.left, f.top, f.right, f.bottom};
  }
  const std::vector<UiRect> rects =
      LayoutChildren(Direction(), UiRect{rc.left, rc.top, rc.right, rc.bottom},
                     UiRect{m_rcInset.left, m_rcInset.top, m_rcInset.right, m_rcInset.bottom}, m_iChildPadding, layout);
  for (size_t i = 0; i < m_items.size(); ++i) {
    const UiRect& r = rects[i];
    m_items[i]->SetPos(RECT{r.left, r.top, r.right, r.bottom}, bNeedInvalidate);
  }
}

void CContainerUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  const std::wstring value = pstrValue ? pstrValue : L"";
  UiRect r;
  long long n;
  if (NameEquals(pstrName ? pstrName : L"", L"inset")) {
    if (ParseRect(value, &r)) SetInset(RECT{r.left, r.top, r.right, r.bottom});
  } else if (NameEquals(pstrName ? pstrName : L"", L"childpadding")) {
    if (ParseInt(value, &n)) SetChildPadding(ClampExtent(n));
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
  RECT rcTemp;
  if (!::IntersectRect(&rcTemp, &rcPaint, &m_rcItem)) return;
  CControlUI::DoPaint(hDC, rcPaint);
  if (m_items.empty()) return;
  // Children paint inside this container only; floating ones after the
  // flow so that they lie on top.
  const int saved = ::SaveDC(hDC);
  ::IntersectClipRect(hDC, rcTemp.left, rcTemp.top, rcTemp.right, rcTemp.bottom);
  for (int pass = 0; pass < 2; ++pass) {
    for (CControlUI* c : m_items) {
      if (!c->IsVisible() || c->IsFloat() != (pass == 1)) continue;
      RECT childPaint;
      if (!::IntersectRect(&childPaint, &rcTemp, &c->GetPos())) continue;
      c->DoPaint(hDC, childPaint);
    }
  }
  ::RestoreDC(hDC, saved);
}

CControlUI* CContainerUI::FindControlAt(POINT pt, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((uFlags & UIFIND_HITTEST) && !::PtInRect(&m_rcItem, pt)) return nullptr;
  // Topmost first: floating children, then the flow, last painted first.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
      if ((*it)->IsFloat() != (pass == 0)) continue;
      if (CControlUI* found = (*it)->FindControlAt(pt, uFlags)) return found;
    }
  }
  return CControlUI::FindControlAt(pt, uFlags);
}

void CContainerUI::ForEach(const std::function<void(CControlUI*)>& visit) {
  visit(this);
  for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->ForEach(visit);
}

LPCTSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (NameEquals(pstrName ? pstrName : L"", DUI_CTR_VERTICALLAYOUT)) return this;
  return CContainerUI::GetInterface(pstrName);
}

LPCTSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (NameEquals(pstrName ? pstrName : L"", DUI_CTR_HORIZONTALLAYOUT)) return this;
  return CContainerUI::GetInterface(pstrName);
}

}  // namespace DuiLib
