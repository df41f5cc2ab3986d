// The context menu's model and parameters as the engine API shows them to
// the client's OnBeforeContextMenu: a flat list of items (sub-menus are not
// offered) and what lay under the mouse.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "include/cef_context_menu_handler.h"
#include "include/cef_menu_model.h"

namespace velora_engine {

class MenuModelImpl : public CefMenuModel {
 public:
  struct Item {
    cef_menu_item_type_t type = MENUITEMTYPE_COMMAND;
    int command_id = -1;
    CefString label;
    bool visible = true;
    bool enabled = true;
  };

  bool IsSubMenu() override { return false; }
  bool Clear() override;
  int GetCount() override;
  bool AddSeparator() override;
  bool AddItem(int command_id, const CefString& label) override;
  bool InsertSeparatorAt(int index) override;
  bool InsertItemAt(int index, int command_id, const CefString& label) override;
  bool Remove(int command_id) override;
  bool RemoveAt(int index) override;
  int GetIndexOf(int command_id) override;
  int GetCommandIdAt(int index) override;
  bool SetCommandIdAt(int index, int command_id) override;
  CefString GetLabel(int command_id) override;
  CefString GetLabelAt(int index) override;
  bool SetLabel(int command_id, const CefString& label) override;
  bool SetLabelAt(int index, const CefString& label) override;
  MenuItemType GetType(int command_id) override;
  MenuItemType GetTypeAt(int index) override;
  bool IsVisible(int command_id) override;
  bool IsVisibleAt(int index) override;
  bool SetVisible(int command_id, bool visible) override;
  bool SetVisibleAt(int index, bool visible) override;
  bool IsEnabled(int command_id) override;
  bool IsEnabledAt(int index) override;
  bool SetEnabled(int command_id, bool enabled) override;
  bool SetEnabledAt(int index, bool enabled) override;

  std::vector<Item> Items();

 private:
  bool Valid(int index) const { return index >= 0 && index < static_cast<int>(items_.size()); }
  int IndexOf(int command_id) const;

  std::mutex lock_;
  std::vector<Item> items_;
  IMPLEMENT_REFCOUNTING(MenuModelImpl);
};

struct ContextMenuData {
  int x = 0, y = 0;
  int type_flags = 0;
  int edit_flags = 0;
  int media_type = 0;
  bool editable = false;
  std::string link_url, source_url, title_text, page_url, frame_url, selection;
};

class ContextMenuParamsImpl : public CefContextMenuParams {
 public:
  explicit ContextMenuParamsImpl(ContextMenuData data) : d_(std::move(data)) {}
  int GetXCoord() override { return d_.x; }
  int GetYCoord() override { return d_.y; }
  TypeFlags GetTypeFlags() override { return static_cast<TypeFlags>(d_.type_flags); }
  CefString GetLinkUrl() override { return d_.link_url; }
  CefString GetUnfilteredLinkUrl() override { return d_.link_url; }
  CefString GetSourceUrl() override { return d_.source_url; }
  bool HasImageContents() override { return d_.media_type == CM_MEDIATYPE_IMAGE; }
  CefString GetTitleText() override { return d_.title_text; }
  CefString GetPageUrl() override { return d_.page_url; }
  CefString GetFrameUrl() override { return d_.frame_url; }
  CefString GetFrameCharset() override { return "UTF-8"; }
  MediaType GetMediaType() override { return static_cast<MediaType>(d_.media_type); }
  MediaStateFlags GetMediaStateFlags() override { return CM_MEDIAFLAG_NONE; }
  CefString GetSelectionText() override { return d_.selection; }
  CefString GetMisspelledWord() override { return CefString(); }
  bool GetDictionarySuggestions(std::vector<CefString>& suggestions) override { return false; }
  bool IsEditable() override { return d_.editable; }
  bool IsSpellCheckEnabled() override { return false; }
  EditStateFlags GetEditStateFlags() override { return static_cast<EditStateFlags>(d_.edit_flags); }
  bool IsCustomMenu() override { return false; }

 private:
  const ContextMenuData d_;
  IMPLEMENT_REFCOUNTING(ContextMenuParamsImpl);
};

}  // namespace velora_engine
