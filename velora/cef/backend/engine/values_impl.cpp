#include "values_impl.h"

#include "base64_rules.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace velora_engine {

// --- slots ----------------------------------------------------------------

ValueSlot CopySlot(const ValueSlot& slot) {
  ValueSlot out = slot;
  if (slot.binary) out.binary = new BinaryValueImpl(slot.binary->bytes().data(), slot.binary->bytes().size());
  if (slot.dict) out.dict = static_cast<DictionaryValueImpl*>(slot.dict->Copy(false).get());
  if (slot.list) out.list = static_cast<ListValueImpl*>(slot.list->Copy().get());
  return out;
}

bool SlotsEqual(const ValueSlot& a, const ValueSlot& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case VTYPE_BOOL: return a.b == b.b;
    case VTYPE_INT: return a.i == b.i;
    case VTYPE_DOUBLE: return a.d == b.d;
    case VTYPE_STRING: return a.s == b.s;
    case VTYPE_BINARY: return a.binary->IsEqual(b.binary.get());
    case VTYPE_DICTIONARY: return a.dict->IsEqual(b.dict.get());
    case VTYPE_LIST: return a.list->IsEqual(b.list.get());
    default: return true;
  }
}

namespace {

ValueSlot SlotOf(CefRefPtr<CefValue> value) {
  ValueSlot s;
  if (!value) return s;
  s.type = value->GetType();
  switch (s.type) {
    case VTYPE_BOOL: s.b = value->GetBool(); break;
    case VTYPE_INT: s.i = value->GetInt(); break;
    case VTYPE_DOUBLE: s.d = value->GetDouble(); break;
    case VTYPE_STRING: s.s = value->GetString(); break;
    case VTYPE_BINARY: {
      CefRefPtr<CefBinaryValue> b = value->GetBinary();
      std::vector<unsigned char> bytes(b ? b->GetSize() : 0);
      if (b && !bytes.empty()) b->GetData(bytes.data(), bytes.size(), 0);
      s.binary = new BinaryValueImpl(bytes.data(), bytes.size());
      break;
    }
    case VTYPE_DICTIONARY:
      s.dict = static_cast<DictionaryValueImpl*>(value->GetDictionary()->Copy(false).get());
      break;
    case VTYPE_LIST:
      s.list = static_cast<ListValueImpl*>(value->GetList()->Copy().get());
      break;
    default: s.type = VTYPE_NULL; break;
  }
  return s;
}

double SlotDouble(const ValueSlot* s) {
  if (!s) return 0;
  if (s->type == VTYPE_DOUBLE) return s->d;
  if (s->type == VTYPE_INT) return s->i;  // the engine widens ints
  return 0;
}

}  // namespace

// --- binary -----------------------------------------------------------------

BinaryValueImpl::BinaryValueImpl(const void* data, size_t size)
    : bytes_(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + (data ? size : 0)) {}

bool BinaryValueImpl::IsEqual(CefRefPtr<CefBinaryValue> that) {
  if (!that || that->GetSize() != bytes_.size()) return false;
  std::vector<unsigned char> other(bytes_.size());
  if (!other.empty()) that->GetData(other.data(), other.size(), 0);
  return other == bytes_;
}

CefRefPtr<CefBinaryValue> BinaryValueImpl::Copy() {
  return new BinaryValueImpl(bytes_.data(), bytes_.size());
}

size_t BinaryValueImpl::GetData(void* buffer, size_t buffer_size, size_t offset) {
  if (!buffer || offset >= bytes_.size()) return 0;
  const size_t n = std::min(buffer_size, bytes_.size() - offset);
  std::memcpy(buffer, bytes_.data() + offset, n);
  return n;
}

// --- single value -----------------------------------------------------------

bool ValueImpl::IsEqual(CefRefPtr<CefValue> that) {
  return that && SlotsEqual(slot_, SlotOf(that));
}
CefRefPtr<CefValue> ValueImpl::Copy() { return new ValueImpl(CopySlot(slot_)); }
double ValueImpl::GetDouble() { return SlotDouble(&slot_); }
CefString ValueImpl::GetString() { return slot_.type == VTYPE_STRING ? slot_.s : CefString(); }
CefRefPtr<CefBinaryValue> ValueImpl::GetBinary() { return slot_.binary.get(); }
CefRefPtr<CefDictionaryValue> ValueImpl::GetDictionary() { return slot_.dict.get(); }
CefRefPtr<CefListValue> ValueImpl::GetList() { return slot_.list.get(); }
bool ValueImpl::SetNull() { slot_ = ValueSlot(); return true; }
bool ValueImpl::SetBool(bool v) { slot_ = ValueSlot(); slot_.type = VTYPE_BOOL; slot_.b = v; return true; }
bool ValueImpl::SetInt(int v) { slot_ = ValueSlot(); slot_.type = VTYPE_INT; slot_.i = v; return true; }
bool ValueImpl::SetDouble(double v) { slot_ = ValueSlot(); slot_.type = VTYPE_DOUBLE; slot_.d = v; return true; }
bool ValueImpl::SetString(const CefString& v) { slot_ = ValueSlot(); slot_.type = VTYPE_STRING; slot_.s = v; return true; }
bool ValueImpl::SetBinary(CefRefPtr<CefBinaryValue> v) {
  if (!v) return false;
  CefRefPtr<ValueImpl> tmp = new ValueImpl();
  tmp->slot_.type = VTYPE_BINARY;
  tmp->slot_.binary = static_cast<BinaryValueImpl*>(v->Copy().get());
  slot_ = tmp->slot_;
  return true;
}
bool ValueImpl::SetDictionary(CefRefPtr<CefDictionaryValue> v) {
  if (!v) return false;
  slot_ = ValueSlot();
  slot_.type = VTYPE_DICTIONARY;
  slot_.dict = static_cast<DictionaryValueImpl*>(v->Copy(false).get());
  return true;
}
bool ValueImpl::SetList(CefRefPtr<CefListValue> v) {
  if (!v) return false;
  slot_ = ValueSlot();
  slot_.type = VTYPE_LIST;
  slot_.list = static_cast<ListValueImpl*>(v->Copy().get());
  return true;
}

// --- list -------------------------------------------------------------------

ValueSlot* ListValueImpl::At(size_t index, bool grow) {
  if (index >= items_.size()) {
    // A page or peer can name any index; cap growth so one call cannot
    // ask for gigabytes.
    if (!grow || index >= (1u << 24)) return nullptr;
    items_.resize(index + 1);
  }
  return &items_[index];
}

bool ListValueImpl::IsEqual(CefRefPtr<CefListValue> that) {
  if (!that || that->GetSize() != items_.size()) return false;
  CefRefPtr<CefListValue> other = that->Copy();
  auto* o = static_cast<ListValueImpl*>(other.get());
  for (size_t i = 0; i < items_.size(); ++i)
    if (!SlotsEqual(items_[i], o->items_[i])) return false;
  return true;
}

CefRefPtr<CefListValue> ListValueImpl::Copy() {
  CefRefPtr<ListValueImpl> out = new ListValueImpl();
  out->items_.reserve(items_.size());
  for (const auto& s : items_) out->items_.push_back(CopySlot(s));
  return out.get();
}

bool ListValueImpl::SetSize(size_t size) {
  if (size >= (1u << 24)) return false;
  items_.resize(size);
  return true;
}

bool ListValueImpl::Remove(size_t index) {
  if (index >= items_.size()) return false;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

CefValueType ListValueImpl::GetType(size_t index) {
  return index < items_.size() ? items_[index].type : VTYPE_INVALID;
}
CefRefPtr<CefValue> ListValueImpl::GetValue(size_t index) {
  if (index >= items_.size()) return nullptr;
  return new ValueImpl(items_[index]);
}
bool ListValueImpl::GetBool(size_t i) { return i < items_.size() && items_[i].type == VTYPE_BOOL && items_[i].b; }
int ListValueImpl::GetInt(size_t i) { return i < items_.size() && items_[i].type == VTYPE_INT ? items_[i].i : 0; }
double ListValueImpl::GetDouble(size_t i) { return SlotDouble(i < items_.size() ? &items_[i] : nullptr); }
CefString ListValueImpl::GetString(size_t i) {
  return i < items_.size() && items_[i].type == VTYPE_STRING ? items_[i].s : CefString();
}
CefRefPtr<CefBinaryValue> ListValueImpl::GetBinary(size_t i) { return i < items_.size() ? items_[i].binary.get() : nullptr; }
CefRefPtr<CefDictionaryValue> ListValueImpl::GetDictionary(size_t i) { return i < items_.size() ? items_[i].dict.get() : nullptr; }
CefRefPtr<CefListValue> ListValueImpl::GetList(size_t i) { return i < items_.size() ? items_[i].list.get() : nullptr; }

bool ListValueImpl::SetValue(size_t i, CefRefPtr<CefValue> v) {
  if (!v) return false;
  ValueSlot s = SlotOf(v);
  ValueSlot* slot = At(i, true);
  if (!slot) return false;
  *slot = std::move(s);
  return true;
}
bool ListValueImpl::SetNull(size_t i) { ValueSlot* s = At(i, true); if (!s) return false; *s = ValueSlot(); return true; }
bool ListValueImpl::SetBool(size_t i, bool v) { ValueSlot* s = At(i, true); if (!s) return false; *s = ValueSlot(); s->type = VTYPE_BOOL; s->b = v; return true; }
bool ListValueImpl::SetInt(size_t i, int v) { ValueSlot* s = At(i, true); if (!s) return false; *s = ValueSlot(); s->type = VTYPE_INT; s->i = v; return true; }
bool ListValueImpl::SetDouble(size_t i, double v) { ValueSlot* s = At(i, true); if (!s) return false; *s = ValueSlot(); s->type = VTYPE_DOUBLE; s->d = v; return true; }
bool ListValueImpl::SetString(size_t i, const CefString& v) { ValueSlot* s = At(i, true); if (!s) return false; *s = ValueSlot(); s->type = VTYPE_STRING; s->s = v; return true; }
bool ListValueImpl::SetBinary(size_t i, CefRefPtr<CefBinaryValue> v) {
  if (!v) return false;
  ValueSlot n; n.type = VTYPE_BINARY; n.binary = static_cast<BinaryValueImpl*>(v->Copy().get());
  ValueSlot* s = At(i, true); if (!s) return false; *s = std::move(n); return true;
}
bool ListValueImpl::SetDictionary(size_t i, CefRefPtr<CefDictionaryValue> v) {
  if (!v) return false;
  ValueSlot n; n.type = VTYPE_DICTIONARY; n.dict = static_cast<DictionaryValueImpl*>(v->Copy(false).get());
  ValueSlot* s = At(i, true); if (!s) return false; *s = std::move(n); return true;
}
bool ListValueImpl::SetList(size_t i, CefRefPtr<CefListValue> v) {
  if (!v) return false;
  // Copy first: a list set into itself must not see itself change.
  ValueSlot n; n.type = VTYPE_LIST; n.list = static_cast<ListValueImpl*>(v->Copy().get());
  ValueSlot* s = At(i, true); if (!s) return false; *s = std::move(n); return true;
}

// --- dictionary -------------------------------------------------------------

const ValueSlot* DictionaryValueImpl::Find(const CefString& key) const {
  auto it = items_.find(key.ToString());
  return it == items_.end() ? nullptr : &it->second;
}

bool DictionaryValueImpl::IsEqual(CefRefPtr<CefDictionaryValue> that) {
  if (!that || that->GetSize() != items_.size()) return false;
  CefRefPtr<CefDictionaryValue> other = that->Copy(false);
  auto* o = static_cast<DictionaryValueImpl*>(other.get());
  for (const auto& kv : items_) {
    auto it = o->items_.find(kv.first);
    if (it == o->items_.end() || !SlotsEqual(kv.second, it->second)) return false;
  }
  return true;
}

CefRefPtr<CefDictionaryValue> DictionaryValueImpl::Copy(bool exclude_empty_children) {
  CefRefPtr<DictionaryValueImpl> out = new DictionaryValueImpl();
  for (const auto& kv : items_) {
    if (exclude_empty_children &&
        ((kv.second.dict && kv.second.dict->GetSize() == 0) ||
         (kv.second.list && kv.second.list->GetSize() == 0)))
      continue;
    out->items_[kv.first] = CopySlot(kv.second);
  }
  return out.get();
}

bool DictionaryValueImpl::GetKeys(KeyList& keys) {
  for (const auto& kv : items_) keys.push_back(CefString(kv.first));
  return true;
}

CefValueType DictionaryValueImpl::GetType(const CefString& k) { const ValueSlot* s = Find(k); return s ? s->type : VTYPE_INVALID; }
CefRefPtr<CefValue> DictionaryValueImpl::GetValue(const CefString& k) { const ValueSlot* s = Find(k); return s ? new ValueImpl(*s) : nullptr; }
bool DictionaryValueImpl::GetBool(const CefString& k) { const ValueSlot* s = Find(k); return s && s->type == VTYPE_BOOL && s->b; }
int DictionaryValueImpl::GetInt(const CefString& k) { const ValueSlot* s = Find(k); return s && s->type == VTYPE_INT ? s->i : 0; }
double DictionaryValueImpl::GetDouble(const CefString& k) { return SlotDouble(Find(k)); }
CefString DictionaryValueImpl::GetString(const CefString& k) { const ValueSlot* s = Find(k); return s && s->type == VTYPE_STRING ? s->s : CefString(); }
CefRefPtr<CefBinaryValue> DictionaryValueImpl::GetBinary(const CefString& k) { const ValueSlot* s = Find(k); return s ? s->binary.get() : nullptr; }
CefRefPtr<CefDictionaryValue> DictionaryValueImpl::GetDictionary(const CefString& k) { const ValueSlot* s = Find(k); return s ? s->dict.get() : nullptr; }
CefRefPtr<CefListValue> DictionaryValueImpl::GetList(const CefString& k) { const ValueSlot* s = Find(k); return s ? s->list.get() : nullptr; }

bool DictionaryValueImpl::SetValue(const CefString& k, CefRefPtr<CefValue> v) { if (!v) return false; items_[k.ToString()] = SlotOf(v); return true; }
bool DictionaryValueImpl::SetNull(const CefString& k) { items_[k.ToString()] = ValueSlot(); return true; }
bool DictionaryValueImpl::SetBool(const CefString& k, bool v) { ValueSlot s; s.type = VTYPE_BOOL; s.b = v; items_[k.ToString()] = s; return true; }
bool DictionaryValueImpl::SetInt(const CefString& k, int v) { ValueSlot s; s.type = VTYPE_INT; s.i = v; items_[k.ToString()] = s; return true; }
bool DictionaryValueImpl::SetDouble(const CefString& k, double v) { ValueSlot s; s.type = VTYPE_DOUBLE; s.d = v; items_[k.ToString()] = s; return true; }
bool DictionaryValueImpl::SetString(const CefString& k, const CefString& v) { ValueSlot s; s.type = VTYPE_STRING; s.s = v; items_[k.ToString()] = s; return true; }
bool DictionaryValueImpl::SetBinary(const CefString& k, CefRefPtr<CefBinaryValue> v) {
  if (!v) return false;
  ValueSlot s; s.type = VTYPE_BINARY; s.binary = static_cast<BinaryValueImpl*>(v->Copy().get());
  items_[k.ToString()] = std::move(s); return true;
}
bool DictionaryValueImpl::SetDictionary(const CefString& k, CefRefPtr<CefDictionaryValue> v) {
  if (!v) return false;
  ValueSlot s; s.type = VTYPE_DICTIONARY; s.dict = static_cast<DictionaryValueImpl*>(v->Copy(false).get());
  items_[k.ToString()] = std::move(s); return true;
}
bool DictionaryValueImpl::SetList(const CefString& k, CefRefPtr<CefListValue> v) {
  if (!v) return false;
  ValueSlot s; s.type = VTYPE_LIST; s.list = static_cast<ListValueImpl*>(v->Copy().get());
  items_[k.ToString()] = std::move(s); return true;
}

// --- process message ----------------------------------------------------------

CefRefPtr<CefProcessMessage> ProcessMessageImpl::Copy() {
  return new ProcessMessageImpl(name_, static_cast<ListValueImpl*>(args_->Copy().get()));
}

// --- plain form ---------------------------------------------------------------

namespace {

constexpr int kMaxDepth = 64;

Json::Value DictToJson(CefRefPtr<CefDictionaryValue> dict, int depth);

Json::Value EntryToJson(CefValueType type, CefRefPtr<CefValue> value, int depth) {
  Json::Value j(Json::objectValue);
  switch (type) {
    case VTYPE_BOOL: j["t"] = "bool"; j["v"] = value->GetBool(); break;
    case VTYPE_INT: j["t"] = "int"; j["v"] = value->GetInt(); break;
    case VTYPE_DOUBLE: {
      const double d = value->GetDouble();
      j["t"] = "double";
      if (std::isfinite(d)) j["v"] = d;
      else j["v"] = std::isnan(d) ? "NaN" : d > 0 ? "Infinity" : "-Infinity";
      break;
    }
    case VTYPE_STRING: j["t"] = "string"; j["v"] = value->GetString().ToString(); break;
    case VTYPE_BINARY: {
      CefRefPtr<CefBinaryValue> b = value->GetBinary();
      std::vector<unsigned char> bytes(b ? b->GetSize() : 0);
      if (!bytes.empty()) b->GetData(bytes.data(), bytes.size(), 0);
      j["t"] = "binary"; j["v"] = EncodeBase64(bytes);
      break;
    }
    case VTYPE_DICTIONARY:
      j["t"] = "dict";
      j["v"] = depth < kMaxDepth ? DictToJson(value->GetDictionary(), depth + 1) : Json::Value(Json::objectValue);
      break;
    case VTYPE_LIST:
      j["t"] = "list";
      j["v"] = depth < kMaxDepth ? ListToJson(value->GetList()) : Json::Value(Json::arrayValue);
      break;
    default: j["t"] = "null"; break;
  }
  return j;
}

Json::Value DictToJson(CefRefPtr<CefDictionaryValue> dict, int depth) {
  Json::Value out(Json::objectValue);
  if (!dict) return out;
  CefDictionaryValue::KeyList keys;
  dict->GetKeys(keys);
  for (const auto& k : keys) out[k.ToString()] = EntryToJson(dict->GetType(k), dict->GetValue(k), depth);
  return out;
}

bool SlotFromJson(const Json::Value& j, ValueSlot* s, int depth);

CefRefPtr<DictionaryValueImpl> DictFromJson(const Json::Value& j, int depth) {
  CefRefPtr<DictionaryValueImpl> d = new DictionaryValueImpl();
  if (!j.isObject()) return d;
  for (const auto& k : j.getMemberNames()) {
    ValueSlot s;
    SlotFromJson(j[k], &s, depth + 1);
    d->items()[k] = std::move(s);
  }
  return d;
}

CefRefPtr<ListValueImpl> ListFromJsonAt(const Json::Value& json, int depth) {
  CefRefPtr<ListValueImpl> list = new ListValueImpl();
  if (!json.isArray()) return list;
  list->items().reserve(json.size());
  for (const auto& e : json) {
    ValueSlot s;
    SlotFromJson(e, &s, depth);
    list->items().push_back(std::move(s));
  }
  return list;
}

// Anything unexpected (an unknown kind, a wrong member type, too deep)
// reads as null: a peer that speaks wrongly loses that entry, not the rest.
bool SlotFromJson(const Json::Value& j, ValueSlot* s, int depth) {
  *s = ValueSlot();
  if (!j.isObject() || !j["t"].isString() || depth > kMaxDepth) return false;
  const std::string t = j["t"].asString();
  const Json::Value& v = j["v"];
  if (t == "bool" && v.isBool()) { s->type = VTYPE_BOOL; s->b = v.asBool(); }
  else if (t == "int" && v.isInt()) { s->type = VTYPE_INT; s->i = v.asInt(); }
  else if (t == "double" && v.isNumeric()) { s->type = VTYPE_DOUBLE; s->d = v.asDouble(); }
  else if (t == "double" && v.isString()) {
    s->type = VTYPE_DOUBLE;
    const std::string x = v.asString();
    s->d = x == "Infinity" ? std::numeric_limits<double>::infinity()
         : x == "-Infinity" ? -std::numeric_limits<double>::infinity()
         : std::numeric_limits<double>::quiet_NaN();
  }
  else if (t == "string" && v.isString()) { s->type = VTYPE_STRING; s->s = v.asString(); }
  else if (t == "binary" && v.isString()) {
    std::vector<unsigned char> bytes;
    if (!DecodeBase64(v.asString(), &bytes)) return false;
    s->type = VTYPE_BINARY;
    s->binary = new BinaryValueImpl(bytes.data(), bytes.size());
  }
  else if (t == "dict" && v.isObject()) { s->type = VTYPE_DICTIONARY; s->dict = DictFromJson(v, depth); }
  else if (t == "list" && v.isArray()) { s->type = VTYPE_LIST; s->list = ListFromJsonAt(v, depth + 1); }
  else return t == "null";
  return true;
}

}  // namespace

Json::Value ListToJson(CefRefPtr<CefListValue> list) {
  Json::Value out(Json::arrayValue);
  if (!list) return out;
  const size_t n = list->GetSize();
  for (size_t i = 0; i < n; ++i) out.append(EntryToJson(list->GetType(i), list->GetValue(i), 0));
  return out;
}

CefRefPtr<ListValueImpl> ListFromJson(const Json::Value& json) { return ListFromJsonAt(json, 0); }

Json::Value ProcessMessageToJson(CefRefPtr<CefProcessMessage> message) {
  Json::Value j(Json::objectValue);
  if (!message) return j;
  j["name"] = message->GetName().ToString();
  j["args"] = ListToJson(message->GetArgumentList());
  return j;
}

CefRefPtr<ProcessMessageImpl> ProcessMessageFromJson(const Json::Value& json) {
  if (!json.isObject() || !json["name"].isString()) return nullptr;
  return new ProcessMessageImpl(CefString(json["name"].asString()), ListFromJson(json["args"]));
}

}  // namespace velora_engine

// The API's factories.
CefRefPtr<CefValue> CefValue::Create() { return new velora_engine::ValueImpl(); }
CefRefPtr<CefBinaryValue> CefBinaryValue::Create(const void* data, size_t size) {
  if (!data || size == 0) return nullptr;  // as the engine: no empty blobs
  return new velora_engine::BinaryValueImpl(data, size);
}
CefRefPtr<CefListValue> CefListValue::Create() { return new velora_engine::ListValueImpl(); }
CefRefPtr<CefDictionaryValue> CefDictionaryValue::Create() { return new velora_engine::DictionaryValueImpl(); }
CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  return new velora_engine::ProcessMessageImpl(name, nullptr);
}
