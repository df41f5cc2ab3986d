// The engine's value objects (lists, dictionaries, single values, binary
// blobs and process messages) and their plain form for the channel between
// the main and the renderer process. Setting a container into another
// stores a copy, so a list handed to a message cannot change under it
// later; getting a container returns the one held, so changes made through
// it are seen by the holder, as the engine's API promises.
#pragma once

#include <json/value.h>

#include <map>
#include <vector>

#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace velora_engine {

class ListValueImpl;
class DictionaryValueImpl;
class BinaryValueImpl;

// One slot of a list or dictionary, or the content of a CefValue.
struct ValueSlot {
  cef_value_type_t type = VTYPE_NULL;
  bool b = false;
  int i = 0;
  double d = 0;
  CefString s;
  CefRefPtr<BinaryValueImpl> binary;
  CefRefPtr<DictionaryValueImpl> dict;
  CefRefPtr<ListValueImpl> list;
};

ValueSlot CopySlot(const ValueSlot& slot);
bool SlotsEqual(const ValueSlot& a, const ValueSlot& b);

class BinaryValueImpl : public CefBinaryValue {
 public:
  BinaryValueImpl(const void* data, size_t size);
  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsSame(CefRefPtr<CefBinaryValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefBinaryValue> that) override;
  CefRefPtr<CefBinaryValue> Copy() override;
  size_t GetSize() override { return bytes_.size(); }
  size_t GetData(void* buffer, size_t buffer_size, size_t data_offset) override;
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  IMPLEMENT_REFCOUNTING(BinaryValueImpl);
};

class ValueImpl : public CefValue {
 public:
  ValueImpl() = default;
  explicit ValueImpl(ValueSlot slot) : slot_(std::move(slot)) {}
  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsReadOnly() override { return false; }
  bool IsSame(CefRefPtr<CefValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefValue> that) override;
  CefRefPtr<CefValue> Copy() override;
  CefValueType GetType() override { return slot_.type; }
  bool GetBool() override { return slot_.type == VTYPE_BOOL && slot_.b; }
  int GetInt() override { return slot_.type == VTYPE_INT ? slot_.i : 0; }
  double GetDouble() override;
  CefString GetString() override;
  CefRefPtr<CefBinaryValue> GetBinary() override;
  CefRefPtr<CefDictionaryValue> GetDictionary() override;
  CefRefPtr<CefListValue> GetList() override;
  bool SetNull() override;
  bool SetBool(bool value) override;
  bool SetInt(int value) override;
  bool SetDouble(double value) override;
  bool SetString(const CefString& value) override;
  bool SetBinary(CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(CefRefPtr<CefListValue> value) override;
  const ValueSlot& slot() const { return slot_; }

 private:
  ValueSlot slot_;
  IMPLEMENT_REFCOUNTING(ValueImpl);
};

class ListValueImpl : public CefListValue {
 public:
  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsReadOnly() override { return false; }
  bool IsSame(CefRefPtr<CefListValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefListValue> that) override;
  CefRefPtr<CefListValue> Copy() override;
  bool SetSize(size_t size) override;
  size_t GetSize() override { return items_.size(); }
  bool Clear() override { items_.clear(); return true; }
  bool Remove(size_t index) override;
  CefValueType GetType(size_t index) override;
  CefRefPtr<CefValue> GetValue(size_t index) override;
  bool GetBool(size_t index) override;
  int GetInt(size_t index) override;
  double GetDouble(size_t index) override;
  CefString GetString(size_t index) override;
  CefRefPtr<CefBinaryValue> GetBinary(size_t index) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(size_t index) override;
  CefRefPtr<CefListValue> GetList(size_t index) override;
  bool SetValue(size_t index, CefRefPtr<CefValue> value) override;
  bool SetNull(size_t index) override;
  bool SetBool(size_t index, bool value) override;
  bool SetInt(size_t index, int value) override;
  bool SetDouble(size_t index, double value) override;
  bool SetString(size_t index, const CefString& value) override;
  bool SetBinary(size_t index, CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(size_t index, CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(size_t index, CefRefPtr<CefListValue> value) override;

  std::vector<ValueSlot>& items() { return items_; }

 private:
  // Setting past the end grows the list with nulls, as the engine does.
  ValueSlot* At(size_t index, bool grow);
  std::vector<ValueSlot> items_;
  IMPLEMENT_REFCOUNTING(ListValueImpl);
};

class DictionaryValueImpl : public CefDictionaryValue {
 public:
  bool IsValid() override { return true; }
  bool IsOwned() override { return false; }
  bool IsReadOnly() override { return false; }
  bool IsSame(CefRefPtr<CefDictionaryValue> that) override { return that.get() == this; }
  bool IsEqual(CefRefPtr<CefDictionaryValue> that) override;
  CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) override;
  size_t GetSize() override { return items_.size(); }
  bool Clear() override { items_.clear(); return true; }
  bool HasKey(const CefString& key) override { return items_.count(key.ToString()) != 0; }
  bool GetKeys(KeyList& keys) override;
  bool Remove(const CefString& key) override { return items_.erase(key.ToString()) != 0; }
  CefValueType GetType(const CefString& key) override;
  CefRefPtr<CefValue> GetValue(const CefString& key) override;
  bool GetBool(const CefString& key) override;
  int GetInt(const CefString& key) override;
  double GetDouble(const CefString& key) override;
  CefString GetString(const CefString& key) override;
  CefRefPtr<CefBinaryValue> GetBinary(const CefString& key) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(const CefString& key) override;
  CefRefPtr<CefListValue> GetList(const CefString& key) override;
  bool SetValue(const CefString& key, CefRefPtr<CefValue> value) override;
  bool SetNull(const CefString& key) override;
  bool SetBool(const CefString& key, bool value) override;
  bool SetInt(const CefString& key, int value) override;
  bool SetDouble(const CefString& key, double value) override;
  bool SetString(const CefString& key, const CefString& value) override;
  bool SetBinary(const CefString& key, CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(const CefString& key, CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(const CefString& key, CefRefPtr<CefListValue> value) override;

  std::map<std::string, ValueSlot>& items() { return items_; }

 private:
  const ValueSlot* Find(const CefString& key) const;
  std::map<std::string, ValueSlot> items_;  // keys in UTF-8
  IMPLEMENT_REFCOUNTING(DictionaryValueImpl);
};

class ProcessMessageImpl : public CefProcessMessage {
 public:
  ProcessMessageImpl(const CefString& name, CefRefPtr<ListValueImpl> args)
      : name_(name), args_(args ? args : new ListValueImpl()) {}
  bool IsValid() override { return true; }
  bool IsReadOnly() override { return false; }
  CefRefPtr<CefProcessMessage> Copy() override;
  CefString GetName() override { return name_; }
  CefRefPtr<CefListValue> GetArgumentList() override { return args_.get(); }
  CefRefPtr<ListValueImpl> args() const { return args_; }

 private:
  CefString name_;
  CefRefPtr<ListValueImpl> args_;
  IMPLEMENT_REFCOUNTING(ProcessMessageImpl);
};

// The plain form: each entry {"t": "null"|"bool"|"int"|"double"|"string"|
// "binary"|"dict"|"list", "v": ...}; binary as base64, doubles that JSON
// cannot hold (NaN, infinities) as text.
Json::Value ListToJson(CefRefPtr<CefListValue> list);
CefRefPtr<ListValueImpl> ListFromJson(const Json::Value& json);
Json::Value ProcessMessageToJson(CefRefPtr<CefProcessMessage> message);
CefRefPtr<ProcessMessageImpl> ProcessMessageFromJson(const Json::Value& json);

}  // namespace velora_engine
