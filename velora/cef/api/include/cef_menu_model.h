// A context menu's items, as OnBeforeContextMenu may change them. Items are
// addressed by command id or by index (0-based). Changes are only allowed
// on the UI thread.
#ifndef CEF_INCLUDE_CEF_MENU_MODEL_H_
#define CEF_INCLUDE_CEF_MENU_MODEL_H_
#pragma once

#include "include/cef_base.h"

class CefMenuModel : public virtual CefBaseRefCounted {
 public:
  typedef cef_menu_item_type_t MenuItemType;

  virtual bool IsSubMenu() = 0;
  virtual bool Clear() = 0;
  virtual int GetCount() = 0;
  virtual bool AddSeparator() = 0;
  virtual bool AddItem(int command_id, const CefString& label) = 0;
  virtual bool InsertSeparatorAt(int index) = 0;
  virtual bool InsertItemAt(int index,
                            int command_id,
                            const CefString& label) = 0;
  // False when there is no such item.
  virtual bool Remove(int command_id) = 0;
  virtual bool RemoveAt(int index) = 0;
  // -1 when there is no such item.
  virtual int GetIndexOf(int command_id) = 0;
  // -1 for a bad index or a separator.
  virtual int GetCommandIdAt(int index) = 0;
  virtual bool SetCommandIdAt(int index, int command_id) = 0;
  virtual CefString GetLabel(int command_id) = 0;
  virtual CefString GetLabelAt(int index) = 0;
  virtual bool SetLabel(int command_id, const CefString& label) = 0;
  virtual bool SetLabelAt(int index, const CefString& label) = 0;
  virtual MenuItemType GetType(int command_id) = 0;
  virtual MenuItemType GetTypeAt(int index) = 0;
  virtual bool IsVisible(int command_id) = 0;
  virtual bool IsVisibleAt(int index) = 0;
  virtual bool SetVisible(int command_id, bool visible) = 0;
  virtual bool SetVisibleAt(int index, bool visible) = 0;
  virtual bool IsEnabled(int command_id) = 0;
  virtual bool IsEnabledAt(int index) = 0;
  virtual bool SetEnabled(int command_id, bool enabled) = 0;
  virtual bool SetEnabledAt(int index, bool enabled) = 0;
};

#endif  // CEF_INCLUDE_CEF_MENU_MODEL_H_
