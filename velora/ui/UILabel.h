// CLabelUI shows one line of text; CTextUI wraps text over several lines.
#pragma once

#include "UIControl.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  void SetTextStyle(UINT uStyle);
  UINT GetTextStyle() const { return m_uTextStyle; }
  void SetTextColor(DWORD dwTextColor);
  DWORD GetTextColor() const { return m_dwTextColor; }
  void SetDisabledTextColor(DWORD dwTextColor);
  void SetFont(int index);
  int GetFont() const { return m_iFont; }
  RECT GetTextPadding() const { return m_rcTextPadding; }
  void SetTextPadding(RECT rc);

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintText(HDC hDC) override;

 protected:
  // The colour for the current state (buttons override it).
  virtual DWORD CurrentTextColor() const;

  DWORD m_dwTextColor = 0;
  DWORD m_dwDisabledTextColor = 0;
  int m_iFont = -1;
  UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
  RECT m_rcTextPadding{0, 0, 0, 0};
};

class CTextUI : public CLabelUI {
 public:
  CTextUI();
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
};

}  // namespace DuiLib
