#include "UIButton.h"

#include "UIAttr.h"
#include "UIManager.h"
#include "UIRender.h"

namespace DuiLib {

namespace {
bool Is(LPCTSTR name, const wchar_t* expected) { return NameEquals(name ? name : L"", expected); }
}  // namespace

CButtonUI::CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

LPCTSTR CButtonUI::GetClass() const { return L"ButtonUI"; }

LPVOID CButtonUI::GetInterface(LPCTSTR pstrName) {
  if (Is(pstrName, DUI_CTR_BUTTON)) return this;
  return CLabelUI::GetInterface(pstrName);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
  return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
  CControlUI::SetEnabled(bEnable);
  if (!IsEnabled()) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      CLabelUI::DoEvent(event);
      return;
    case UIEVENT_KEYDOWN:
      if ((event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (IsEnabled() && ::PtInRect(&m_rcItem, event.ptMouse)) {
        m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_uButtonState & UISTATE_CAPTURED) {
        // While pressed, the look follows whether the mouse is over it.
        const UINT before = m_uButtonState;
        if (::PtInRect(&m_rcItem, event.ptMouse)) m_uButtonState |= UISTATE_PUSHED;
        else m_uButtonState &= ~UISTATE_PUSHED;
        if (before != m_uButtonState) Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if (m_uButtonState & UISTATE_CAPTURED) {
        const bool inside = ::PtInRect(&m_rcItem, event.ptMouse) != FALSE;
        m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        // Last: the click handler may delete this control.
        if (inside) Activate();
      }
      return;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) {
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSELEAVE:
      if (m_uButtonState & UISTATE_HOT) {
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IsEnabled() ? IDC_HAND : IDC_ARROW));
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  const std::wstring value = pstrValue ? pstrValue : L"";
  uint32_t color;
  if (Is(pstrName, L"normalimage")) SetNormalImage(pstrValue);
  else if (Is(pstrName, L"hotimage")) SetHotImage(pstrValue);
  else if (Is(pstrName, L"pushedimage")) SetPushedImage(pstrValue);
  else if (Is(pstrName, L"focusedimage")) m_sFocusedImage = pstrValue;
  else if (Is(pstrName, L"disabledimage")) SetDisabledImage(pstrValue);
  else if (Is(pstrName, L"foreimage")) m_sForeImage = pstrValue;
  else if (Is(pstrName, L"hotforeimage")) m_sHotForeImage = pstrValue;
  else if (Is(pstrName, L"hotbkcolor")) { if (ParseColor(value, &color)) m_dwHotBkColor = color; }
  else if (Is(pstrName, L"pushedbkcolor")) { if (ParseColor(value, &color)) m_dwPushedBkColor = color; }
  else if (Is(pstrName, L"disabledbkcolor")) { if (ParseColor(value, &color)) m_dwDisabledBkColor = color; }
  else if (Is(pstrName, L"hottextcolor")) { if (ParseColor(value, &color)) m_dwHotTextColor = color; }
  else if (Is(pstrName, L"pushedtextcolor")) { if (ParseColor(value, &color)) m_dwPushedTextColor = color; }
  else if (Is(pstrName, L"focusedtextcolor")) { if (ParseColor(value, &color)) m_dwFocusedTextColor = color; }
  else CLabelUI::SetAttribute(pstrName, pstrValue);
}

DWORD CButtonUI::CurrentTextColor() const {
  if (IsEnabled()) {
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) return m_dwPushedTextColor;
    if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) return m_dwHotTextColor;
    if (IsFocused() && m_dwFocusedTextColor) return m_dwFocusedTextColor;
  }
  return CLabelUI::CurrentTextColor();
}

CDuiString CButtonUI::CurrentImage() const {
  if (!IsEnabled()) return m_sDisabledImage.IsEmpty() ? m_sNormalImage : m_sDisabledImage;
  if ((m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.IsEmpty()) return m_sPushedImage;
  if ((m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) && !m_sHotImage.IsEmpty()) return m_sHotImage;
  if (IsFocused() && !m_sFocusedImage.IsEmpty()) return m_sFocusedImage;
  return m_sNormalImage;
}

void CButtonUI::PaintBkColor(HDC hDC) {
  DWORD color = m_dwBackColor;
  if (!IsEnabled()) { if (m_dwDisabledBkColor) color = m_dwDisabledBkColor; }
  else if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor) color = m_dwPushedBkColor;
  else if ((m_uButtonState & (UISTATE_HOT | UISTATE_PUSHED)) && m_dwHotBkColor) color = m_dwHotBkColor;
  if (color) CRenderEngine::DrawColor(hDC, m_rcPaint, color);
}

void CButtonUI::PaintStatusImage(HDC hDC) {
  const CDuiString image = CurrentImage();
  if (!image.IsEmpty()) CRenderEngine::DrawImageString(hDC, m_pManager, m_rcItem, m_rcPaint, image);
  const CDuiString& fore = (m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.IsEmpty() ? m_sHotForeImage : m_sForeImage;
  if (!fore.IsEmpty()) CRenderEngine::DrawImageString(hDC, m_pManager, m_rcItem, m_rcPaint, fore);
}

COptionUI::~COptionUI() = default;

LPCTSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCTSTR pstrName) {
  if (Is(pstrName, DUI_CTR_OPTION)) return this;
  return CButtonUI::GetInterface(pstrName);
}

void COptionUI::Selected(bool bSelected, bool bNotify) {
  if (m_bSelected == bSelected) return;
  m_bSelected = bSelected;
  if (bSelected) m_uButtonState |= UISTATE_SELECTED;
  else m_uButtonState &= ~UISTATE_SELECTED;
  Invalidate();
  if (bSelected && !m_sGroupName.IsEmpty() && m_pManager && m_pManager->GetRoot()) {
    std::vector<COptionUI*> others;
    m_pManager->GetRoot()->ForEach([&](CControlUI* c) {
      auto* option = static_cast<COptionUI*>(c->GetInterface(DUI_CTR_OPTION));
      if (option && option != this && option->IsSelected() && option->m_sGroupName == m_sGroupName) others.push_back(option);
    });
    for (COptionUI* o : others) o->Selected(false, bNotify);
  }
  if (bNotify && m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
}

bool COptionUI::Activate() {
  if (!CControlUI::Activate()) return false;
  // In a group a click selects; alone it toggles.
  Selected(m_sGroupName.IsEmpty() ? !m_bSelected : true);
  return CButtonUI::Activate();
}

void COptionUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  const std::wstring value = pstrValue ? pstrValue : L"";
  uint32_t color;
  bool b;
  if (Is(pstrName, L"group")) m_sGroupName = pstrValue;
  else if (Is(pstrName, L"selected")) { if (ParseBool(value, &b)) Selected(b, false); }
  else if (Is(pstrName, L"selectedimage")) m_sSelectedImage = pstrValue;
  else if (Is(pstrName, L"selectedbkcolor")) { if (ParseColor(value, &color)) m_dwSelectedBkColor = color; }
  else if (Is(pstrName, L"selectedtextcolor")) { if (ParseColor(value, &color)) m_dwSelectedTextColor = color; }
  else CButtonUI::SetAttribute(pstrName, pstrValue);
}

CDuiString COptionUI::CurrentImage() const {
  if (m_bSelected && !m_sSelectedImage.IsEmpty() && IsEnabled()) return m_sSelectedImage;
  return CButtonUI::CurrentImage();
}

DWORD COptionUI::CurrentTextColor() const {
  if (m_bSelected && m_dwSelectedTextColor && IsEnabled()) return m_dwSelectedTextColor;
  return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(HDC hDC) {
  if (m_bSelected && m_dwSelectedBkColor) CRenderEngine::DrawColor(hDC, m_rcPaint, m_dwSelectedBkColor);
  else CButtonUI::PaintBkColor(hDC);
}

}  // namespace DuiLib
