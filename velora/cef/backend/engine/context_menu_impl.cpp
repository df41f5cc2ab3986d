#include "context_menu_impl.h"

namespace velora_engine {

int MenuModelImpl::IndexOf(int command_id) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].type != MENUITEMTYPE_SEPARATOR && items_[i].command_id == command_id) return static_cast<int>(i);
  return -1;
}

bool MenuModelImpl::Clear() {
  std::lock_guard<std::mutex> g(lock_);
  items_.clear();
  return true;
}

int MenuModelImpl::GetCount() {
  std::lock_guard<std::mutex> g(lock_);
  return static_cast<int>(items_.size());
}

bool MenuModelImpl::AddSeparator() { return InsertSeparatorAt(GetCount()); }

bool MenuModelImpl::AddItem(int command_id, const CefString& label) {
  return InsertItemAt(GetCount(), command_id, label);
}

bool MenuModelImpl::InsertSeparatorAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  if (index < 0 || index > static_cast<int>(items_.size())) return false;
  Item it;
  it.type = MENUITEMTYPE_SEPARATOR;
  items_.insert(items_.begin() + index, it);
  return true;
}

bool MenuModelImpl::InsertItemAt(int index, int command_id, const CefString& label) {
  std::lock_guard<std::mutex> g(lock_);
  if (index < 0 || index > static_cast<int>(items_.size())) return false;
  Item it;
  it.command_id = command_id;
  it.label = label;
  items_.insert(items_.begin() + index, it);
  return true;
}

bool MenuModelImpl::Remove(int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  if (i < 0) return false;
  items_.erase(items_.begin() + i);
  return true;
}

bool MenuModelImpl::RemoveAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  if (!Valid(index)) return false;
  items_.erase(items_.begin() + index);
  return true;
}

int MenuModelImpl::GetIndexOf(int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  return IndexOf(command_id);
}

int MenuModelImpl::GetCommandIdAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  return Valid(index) && items_[index].type != MENUITEMTYPE_SEPARATOR ? items_[index].command_id : -1;
}

bool MenuModelImpl::SetCommandIdAt(int index, int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  if (!Valid(index) || items_[index].type == MENUITEMTYPE_SEPARATOR) return false;
  items_[index].command_id = command_id;
  return true;
}

CefString MenuModelImpl::GetLabel(int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  return i < 0 ? CefString() : items_[i].label;
}

CefString MenuModelImpl::GetLabelAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  return Valid(index) ? items_[index].label : CefString();
}

bool MenuModelImpl::SetLabel(int command_id, const CefString& label) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  if (i < 0) return false;
  items_[i].label = label;
  return true;
}

bool MenuModelImpl::SetLabelAt(int index, const CefString& label) {
  std::lock_guard<std::mutex> g(lock_);
  if (!Valid(index)) return false;
  items_[index].label = label;
  return true;
}

CefMenuModel::MenuItemType MenuModelImpl::GetType(int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  return i < 0 ? MENUITEMTYPE_NONE : items_[i].type;
}

CefMenuModel::MenuItemType MenuModelImpl::GetTypeAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  return Valid(index) ? items_[index].type : MENUITEMTYPE_NONE;
}

bool MenuModelImpl::IsVisible(int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  return i >= 0 && items_[i].visible;
}

bool MenuModelImpl::IsVisibleAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  return Valid(index) && items_[index].visible;
}

bool MenuModelImpl::SetVisible(int command_id, bool visible) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  if (i < 0) return false;
  items_[i].visible = visible;
  return true;
}

bool MenuModelImpl::SetVisibleAt(int index, bool visible) {
  std::lock_guard<std::mutex> g(lock_);
  if (!Valid(index)) return false;
  items_[index].visible = visible;
  return true;
}

bool MenuModelImpl::IsEnabled(int command_id) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  return i >= 0 && items_[i].enabled;
}

bool MenuModelImpl::IsEnabledAt(int index) {
  std::lock_guard<std::mutex> g(lock_);
  return Valid(index) && items_[index].enabled;
}

bool MenuModelImpl::SetEnabled(int command_id, bool enabled) {
  std::lock_guard<std::mutex> g(lock_);
  const int i = IndexOf(command_id);
  if (i < 0) return false;
  items_[i].enabled = enabled;
  return true;
}

bool MenuModelImpl::SetEnabledAt(int index, bool enabled) {
  std::lock_guard<std::mutex> g(lock_);
  if (!Valid(index)) return false;
  items_[index].enabled = enabled;
  return true;
}

std::vector<MenuModelImpl::Item> MenuModelImpl::Items() {
  std::lock_guard<std::mutex> g(lock_);
  return items_;
}

}  // namespace velora_engine
