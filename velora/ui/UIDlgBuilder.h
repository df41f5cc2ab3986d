// CDialogBuilder: turns a skin into a control tree for a paint manager.
// The skin is a file name relative to the resource path, an absolute path,
// or the markup itself when the text starts with '<'. The <Window> element
// sets the manager's sizes, caption and resize border, <Default> and <Font>
// go to the manager, and every other element becomes a control: a built-in
// class, or what the callback's CreateControl returns for a class the
// library does not know; an element it answers null for is left out with
// its children. Problems are logged, never shown.
#pragma once

#include "UIDefine.h"
#include "UISkin.h"

namespace DuiLib {

class CPaintManagerUI;

class CDialogBuilder {
 public:
  // The root control (owned by the caller until attached), or null when the
  // skin cannot be read at all. A skin without controls gives an empty
  // container, so that its window still opens.
  CControlUI* Create(LPCTSTR skin, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                     CControlUI* pParent = nullptr);
  const SkinLimits& Limits() const { return m_limits; }
  void SetLimits(const SkinLimits& limits) { m_limits = limits; }

  // A built-in control for a class name (case-insensitive), or null.
  static CControlUI* CreateBuiltin(const std::wstring& cls);

 private:
  CControlUI* Build(const SkinElement& e, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                    CControlUI* pParent);

  SkinLimits m_limits;
};

}  // namespace DuiLib
