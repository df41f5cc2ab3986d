#include "UILabel.h"

#include "UIAttr.h"
#include "UIManager.h"
#include "UIRender.h"

namespace DuiLib {

namespace {
bool Is(LPCTSTR name, const wchar_t* expected) { return NameEquals(name ? name : L"", expected); }
}  // namespace

LPCTSTR CLabelUI::GetClass() const { return L"LabelUI"; }

LPVOID CLabelUI::GetInterface(LPCTSTR pstrName) {
  if (Is(pstrName, DUI_CTR_LABEL)) return this;
  return CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextStyle(UINT uStyle) { m_uTextStyle = uStyle; Invalidate(); }
void CLabelUI::SetTextColor(DWORD c) { m_dwTextColor = c; Invalidate(); }
void CLabelUI::SetDisabledTextColor(DWORD c) { m_dwDisabledTextColor = c; Invalidate(); }
void CLabelUI::SetFont(int index) { m_iFont = index; Invalidate(); }

void CLabelUI::SetTextPadding(RECT rc) {
  m_rcTextPadding = RECT{ClampExtent(rc.left), ClampExtent(rc.top), ClampExtent(rc.right), ClampExtent(rc.bottom)};
  Invalidate();
}

void CLabelUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  const std::wstring value = pstrValue ? pstrValue : L"";
  uint32_t color;
  long long n;
  bool b;
  UiRect r;
  if (Is(pstrName, L"align")) {
    m_uTextStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
    if (value.find(L"center") != std::wstring::npos) m_uTextStyle |= DT_CENTER;
    else if (value.find(L"right") != std::wstring::npos) m_uTextStyle |= DT_RIGHT;
    else m_uTextStyle |= DT_LEFT;
  } else if (Is(pstrName, L"valign")) {
    m_uTextStyle &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
    if (value.find(L"top") != std::wstring::npos) m_uTextStyle |= DT_TOP;
    else if (value.find(L"bottom") != std::wstring::npos) m_uTextStyle |= DT_BOTTOM;
    else m_uTextStyle |= DT_VCENTER;
  } else if (Is(pstrName, L"endellipsis")) {
    if (ParseBool(value, &b)) m_uTextStyle = b ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
  } else if (Is(pstrName, L"wordbreak") || Is(pstrName, L"multiline")) {
    if (ParseBool(value, &b)) {
      if (b) m_uTextStyle = (m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
      else m_uTextStyle = (m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
    }
  } else if (Is(pstrName, L"font")) {
    if (ParseInt(value, &n)) SetFont(n < -1 ? -1 : (n > 1000000 ? 1000000 : static_cast<int>(n)));
  } else if (Is(pstrName, L"textcolor")) {
    if (ParseColor(value, &color)) SetTextColor(color);
  } else if (Is(pstrName, L"disabledtextcolor")) {
    if (ParseColor(value, &color)) SetDisabledTextColor(color);
  } else if (Is(pstrName, L"textpadding")) {
    if (ParseRect(value, &r)) SetTextPadding(RECT{r.left, r.top, r.right, r.bottom});
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
}

DWORD CLabelUI::CurrentTextColor() const {
  if (!IsEnabled()) return m_dwDisabledTextColor ? m_dwDisabledTextColor : m_pManager->GetDefaultDisabledColor();
  return m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultTextColor();
}

void CLabelUI::PaintText(HDC hDC) {
  if (m_sText.IsEmpty() || !m_pManager) return;
  RECT rc{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
          m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
  if (rc.right <= rc.left || rc.bottom <= rc.top) return;
  CRenderEngine::DrawText(hDC, m_pManager, rc, m_sText, CurrentTextColor(), m_iFont, m_uTextStyle);
}

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK | DT_TOP | DT_LEFT; }

LPCTSTR CTextUI::GetClass() const { return L"TextUI"; }

LPVOID CTextUI::GetInterface(LPCTSTR pstrName) {
  if (Is(pstrName, DUI_CTR_TEXT)) return this;
  return CLabelUI::GetInterface(pstrName);
}

}  // namespace DuiLib
