// EditContextMenu's body; included by control_rules.h.
#pragma once

namespace control_rules {

template <typename Model>
void EditContextMenu(Model& m, int typeFlags) {
  if (typeFlags & kContextPage) {
    m.SetLabel(kMenuStopLoad, L"停止加载");
    m.SetLabel(kMenuRedo, L"重复");
  }
  if (typeFlags & (kContextSelection | kContextEditable)) {
    m.SetLabel(kMenuUndo, L"撤销");
    m.SetLabel(kMenuCut, L"剪切");
    m.SetLabel(kMenuCopy, L"复制");
    m.SetLabel(kMenuPaste, L"粘贴");
    m.SetLabel(kMenuDelete, L"删除");
    m.SetLabel(kMenuSelectAll, L"全选");
  }
  for (int id : {kMenuPrint, kMenuViewSource, kMenuBack, kMenuForward, kMenuRedo}) {
    // Remove takes the first item with the id; a menu may carry one twice.
    while (m.Remove(id)) {
    }
  }
  if (m.GetCount() > 0 && m.IsSeparatorAt(0)) m.RemoveAt(0);
  for (int i = 0; i < m.GetCount(); ++i) m.RemoveAt(i);
}

}  // namespace control_rules
