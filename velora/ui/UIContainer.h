// Containers: CContainerUI stacks its children on its inner rectangle;
// CVerticalLayoutUI and CHorizontalLayoutUI place them one after another
// (rules in UILayout.h). A container owns its children.
#pragma once

#include <vector>

#include "UIControl.h"
#include "UILayout.h"

namespace DuiLib {

class IContainerUI {
 public:
  virtual CControlUI* GetItemAt(int iIndex) const = 0;
  virtual int GetItemIndex(CControlUI* pControl) const = 0;
  virtual int GetCount() const = 0;
  virtual bool Add(CControlUI* pControl) = 0;
  virtual bool AddAt(CControlUI* pControl, int iIndex) = 0;
  virtual bool Remove(CControlUI* pControl) = 0;
  virtual void RemoveAll() = 0;

 protected:
  ~IContainerUI() = default;
};

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  CControlUI* GetItemAt(int iIndex) const override;
  int GetItemIndex(CControlUI* pControl) const override;
  int GetCount() const override { return static_cast<int>(m_items.size()); }
  bool Add(CControlUI* pControl) override;
  bool AddAt(CControlUI* pControl, int iIndex) override;
  // Removes and deletes the child.
  bool Remove(CControlUI* pControl) override;
  void RemoveAll() override;

  RECT GetInset() const { return m_rcInset; }
  void SetInset(RECT rcInset);
  int GetChildPadding() const { return m_iChildPadding; }
  void SetChildPadding(int iPadding);

  void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
  void SetVisible(bool bVisible = true) override;
  void SetInternVisible(bool bVisible = true) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;
  void DoPaint(HDC hDC, const RECT& rcPaint) override;
  CControlUI* FindControlAt(POINT pt, UINT uFlags) override;
  void ForEach(const std::function<void(CControlUI*)>& visit) override;

 protected:
  virtual LayoutDirection Direction() const { return LayoutDirection::Stack; }

  std::vector<CControlUI*> m_items;
  RECT m_rcInset{0, 0, 0, 0};
  int m_iChildPadding = 0;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

 protected:
  LayoutDirection Direction() const override { return LayoutDirection::Vertical; }
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

 protected:
  LayoutDirection Direction() const override { return LayoutDirection::Horizontal; }
};

}  // namespace DuiLib
