// CButtonUI: a label that reacts to the mouse. Its look follows its state
// (normal, hot, pushed, disabled, focused) through per-state images and
// colours; a press released over it sends one "click" notification.
// COptionUI stays selected after a click (alone, or one of its group) and
// sends "selectchanged".
#pragma once

#include "UILabel.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  UINT GetButtonState() const { return m_uButtonState; }
  bool Activate() override;
  void SetEnabled(bool bEnable = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintBkColor(HDC hDC) override;
  void PaintStatusImage(HDC hDC) override;

  void SetNormalImage(LPCTSTR s) { m_sNormalImage = s; Invalidate(); }
  void SetHotImage(LPCTSTR s) { m_sHotImage = s; Invalidate(); }
  void SetPushedImage(LPCTSTR s) { m_sPushedImage = s; Invalidate(); }
  void SetDisabledImage(LPCTSTR s) { m_sDisabledImage = s; Invalidate(); }
  CDuiString GetNormalImage() const { return m_sNormalImage; }
  CDuiString GetHotImage() const { return m_sHotImage; }
  CDuiString GetPushedImage() const { return m_sPushedImage; }

 protected:
  DWORD CurrentTextColor() const override;
  // The state image that the current state shows (empty: none).
  virtual CDuiString CurrentImage() const;

  UINT m_uButtonState = 0;
  CDuiString m_sNormalImage, m_sHotImage, m_sPushedImage, m_sFocusedImage, m_sDisabledImage, m_sForeImage,
      m_sHotForeImage;
  DWORD m_dwHotBkColor = 0, m_dwPushedBkColor = 0, m_dwDisabledBkColor = 0;
  DWORD m_dwHotTextColor = 0, m_dwPushedTextColor = 0, m_dwFocusedTextColor = 0;
};

class COptionUI : public CButtonUI {
 public:
  ~COptionUI() override;
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  bool IsSelected() const { return m_bSelected; }
  // Selecting one option of a group clears the others; "selectchanged" is
  // sent for every option whose state changed.
  void Selected(bool bSelected, bool bNotify = true);
  CDuiString GetGroup() const { return m_sGroupName; }
  bool Activate() override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void PaintBkColor(HDC hDC) override;

 protected:
  CDuiString CurrentImage() const override;
  DWORD CurrentTextColor() const override;

  bool m_bSelected = false;
  CDuiString m_sGroupName, m_sSelectedImage;
  DWORD m_dwSelectedBkColor = 0, m_dwSelectedTextColor = 0;
};

}  // namespace DuiLib
