// CControlUI: the base of every control in a skinned window. A control has
// a rectangle in the paint window's client coordinates, a fixed or
// stretched size that its container honours, a background (colour, image,
// border), optional text, and receives the window's input as TEventUI.
// Browser controls derive from it and replace the virtual operations below.
#pragma once

#include <functional>

#include "UIDefine.h"

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();

  // Identity.
  virtual CDuiString GetName() const { return m_sName; }
  virtual void SetName(LPCTSTR pstrName);
  virtual LPCTSTR GetClass() const;
  // The control viewed as another interface by name ("Button",
  // "IContainer", ...), or null.
  virtual LPVOID GetInterface(LPCTSTR pstrName);

  // Owner.
  virtual CPaintManagerUI* GetManager() const { return m_pManager; }
  // Binds the control (and a container's children) to a manager; with bInit
  // the control is initialised (DoInit) and its name registered.
  virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
  virtual CControlUI* GetParent() const { return m_pParent; }

  // Text.
  virtual CDuiString GetText() const { return m_sText; }
  virtual void SetText(LPCTSTR pstrText);
  CDuiString GetToolTip() const { return m_sToolTip; }
  void SetToolTip(LPCTSTR pstrText) { m_sToolTip = pstrText; }
  CDuiString GetUserData() const { return m_sUserData; }
  void SetUserData(LPCTSTR pstrText) { m_sUserData = pstrText; }
  UINT_PTR GetTag() const { return m_pTag; }
  void SetTag(UINT_PTR tag) { m_pTag = tag; }

  // Looks.
  DWORD GetBkColor() const { return m_dwBackColor; }
  void SetBkColor(DWORD dwBackColor);
  CDuiString GetBkImage() const { return m_sBkImage; }
  void SetBkImage(LPCTSTR pStrImage);
  DWORD GetBorderColor() const { return m_dwBorderColor; }
  void SetBorderColor(DWORD dwBorderColor);
  int GetBorderSize() const { return m_nBorderSize; }
  void SetBorderSize(int nSize);

  // Position: the rectangle given by the container (client coordinates).
  virtual const RECT& GetPos() const { return m_rcItem; }
  virtual void SetPos(RECT rc, bool bNeedInvalidate = true);
  virtual int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
  virtual int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
  // Margin around the control inside its container ("padding").
  virtual RECT GetPadding() const { return m_rcPadding; }
  virtual void SetPadding(RECT rcPadding);
  // 0 means: stretch to what the container has left.
  virtual int GetFixedWidth() const { return m_cxyFixed.cx; }
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const { return m_cxyFixed.cy; }
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const { return m_cxyMin.cx; }
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const { return m_cxyMax.cx; }
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const { return m_cxyMin.cy; }
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const { return m_cxyMax.cy; }
  virtual void SetMaxHeight(int cy);
  // A floating control is placed by its "pos" relative to its container.
  virtual bool IsFloat() const { return m_bFloat; }
  virtual void SetFloat(bool bFloat = true);
  RECT GetFloatPos() const { return m_rcFloat; }

  // State.
  virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
  bool IsOwnVisible() const { return m_bVisible; }
  virtual void SetVisible(bool bVisible = true);
  // Visibility imposed by a hidden container on its children.
  virtual void SetInternVisible(bool bVisible = true);
  virtual bool IsEnabled() const { return m_bEnabled; }
  virtual void SetEnabled(bool bEnable = true);
  virtual bool IsMouseEnabled() const { return m_bMouseEnabled; }
  virtual void SetMouseEnabled(bool bEnable = true) { m_bMouseEnabled = bEnable; }
  virtual bool IsFocused() const { return m_bFocused; }
  virtual void SetFocus();

  // Hit testing: the topmost control at a point (client coordinates).
  virtual CControlUI* FindControlAt(POINT pt, UINT uFlags);
  // Visits this control and every descendant, parents first.
  virtual void ForEach(const std::function<void(CControlUI*)>& visit);

  // Repaint and relayout requests.
  virtual void Invalidate();
  bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
  virtual void NeedUpdate();
  virtual void NeedParentUpdate();

  // Life cycle and behaviour.
  virtual void Init();
  virtual void DoInit() {}
  virtual void Event(TEventUI& event);
  virtual void DoEvent(TEventUI& event);
  // Attributes from the skin; unknown names are ignored.
  virtual void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue);
  // name="value" pairs, as in a <Default> of a class.
  void ApplyAttributeList(LPCTSTR pstrList);
  // Sends the control's main notification ("click" for buttons).
  virtual bool Activate();

  virtual void DoPaint(HDC hDC, const RECT& rcPaint);
  virtual void PaintBkColor(HDC hDC);
  virtual void PaintBkImage(HDC hDC);
  virtual void PaintStatusImage(HDC hDC) {}
  virtual void PaintText(HDC hDC) {}
  virtual void PaintBorder(HDC hDC);

 protected:
  friend class CPaintManagerUI;

  CPaintManagerUI* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  CDuiString m_sName, m_sText, m_sToolTip, m_sUserData, m_sBkImage;
  UINT_PTR m_pTag = 0;
  RECT m_rcItem{0, 0, 0, 0};
  RECT m_rcPaint{0, 0, 0, 0};  // the part of m_rcItem last painted
  RECT m_rcPadding{0, 0, 0, 0};
  RECT m_rcFloat{0, 0, 0, 0};
  SIZE m_cxyFixed{0, 0};
  SIZE m_cxyMin{0, 0};
  SIZE m_cxyMax;
  bool m_bFloat = false;
  bool m_bVisible = true;
  bool m_bInternVisible = true;
  bool m_bEnabled = true;
  bool m_bMouseEnabled = true;
  bool m_bFocused = false;
  bool m_bUpdateNeeded = true;
  DWORD m_dwBackColor = 0;
  DWORD m_dwBorderColor = 0;
  int m_nBorderSize = 0;
};

}  // namespace DuiLib
