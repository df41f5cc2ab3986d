#include "v8_impl.h"

#include <cmath>
#include <ctime>

namespace velora_engine {
namespace {

// The context whose call or callback is running on this (the renderer's)
// thread, and the contexts entered explicitly.
thread_local V8ContextImpl* t_current = nullptr;
thread_local std::vector<V8ContextImpl*>* t_entered = nullptr;

std::vector<V8ContextImpl*>& Entered() {
  if (!t_entered) t_entered = new std::vector<V8ContextImpl*>();
  return *t_entered;
}

bool IsInt32(double d) { return d == std::floor(d) && d >= -2147483648.0 && d <= 2147483647.0; }
bool IsUInt32(double d) { return d == std::floor(d) && d >= 0 && d <= 4294967295.0; }

}  // namespace

CefRefPtr<V8ValueImpl> V8ValueImpl::FromBridgeArg(const BridgeArg& a) {
  using K = BridgeArg::Kind;
  CefRefPtr<V8ValueImpl> v;
  switch (a.kind) {
    case K::kUndefined: v = new V8ValueImpl(Kind::kUndefined); break;
    case K::kNull: v = new V8ValueImpl(Kind::kNull); break;
    case K::kBool: v = new V8ValueImpl(Kind::kBool); v->bool_ = a.bool_value; break;
    case K::kInt: v = new V8ValueImpl(Kind::kInt); v->number_ = a.number; break;
    case K::kUInt: v = new V8ValueImpl(Kind::kUInt); v->number_ = a.number; break;
    case K::kDouble: v = new V8ValueImpl(Kind::kDouble); v->number_ = a.number; break;
    case K::kDate: v = new V8ValueImpl(Kind::kDate); v->number_ = a.number; break;
    case K::kString: v = new V8ValueImpl(Kind::kString); v->string_ = a.text; break;
    case K::kFunction: v = new V8ValueImpl(Kind::kFunction); v->string_ = a.text; break;
    case K::kArray:
      v = new V8ValueImpl(Kind::kArray);
      for (const auto& e : a.items) v->items_.push_back(FromBridgeArg(e).get());
      break;
    case K::kObject:
      v = new V8ValueImpl(Kind::kObject);
      for (size_t i = 0; i < a.items.size() && i < a.keys.size(); ++i)
        v->props_.emplace_back(a.keys[i], FromBridgeArg(a.items[i]).get());
      break;
  }
  v->user_created_ = false;  // it came from the page
  return v;
}

// Numbers follow the engine's rules: every number is a double, integers
// in range are also ints and unsigned ints.
bool V8ValueImpl::IsInt() {
  return (kind_ == Kind::kInt || kind_ == Kind::kUInt || kind_ == Kind::kDouble) && IsInt32(number_);
}
bool V8ValueImpl::IsUInt() {
  return (kind_ == Kind::kInt || kind_ == Kind::kUInt || kind_ == Kind::kDouble) && IsUInt32(number_);
}
bool V8ValueImpl::IsDouble() {
  return kind_ == Kind::kInt || kind_ == Kind::kUInt || kind_ == Kind::kDouble;
}
bool V8ValueImpl::IsObject() {
  return kind_ == Kind::kObject || kind_ == Kind::kArray || kind_ == Kind::kFunction || kind_ == Kind::kDate;
}
bool V8ValueImpl::IsSame(CefRefPtr<CefV8Value> that) {
  if (!that) return false;
  if (that.get() == this) return true;
  // Primitives with the same value are the same, as in script.
  auto* o = static_cast<V8ValueImpl*>(that.get());
  switch (kind_) {
    case Kind::kUndefined: case Kind::kNull: return o->kind_ == kind_;
    case Kind::kBool: return o->kind_ == kind_ && o->bool_ == bool_;
    case Kind::kString: return o->kind_ == kind_ && o->string_ == string_;
    case Kind::kInt: case Kind::kUInt: case Kind::kDouble:
      return o->IsDouble() && o->number_ == number_;
    default: return false;
  }
}
int32 V8ValueImpl::GetIntValue() { return IsDouble() && std::isfinite(number_) ? static_cast<int32>(static_cast<int64_t>(number_)) : 0; }
uint32 V8ValueImpl::GetUIntValue() { return IsDouble() && std::isfinite(number_) ? static_cast<uint32>(static_cast<int64_t>(number_)) : 0; }
double V8ValueImpl::GetDoubleValue() { return IsDouble() ? number_ : 0; }

bool V8ValueImpl::HasValue(const CefString& key) {
  const std::string k = key.ToString();
  for (const auto& p : props_) if (p.first == k) return true;
  return false;
}
bool V8ValueImpl::HasValue(int index) {
  return kind_ == Kind::kArray && index >= 0 && static_cast<size_t>(index) < items_.size();
}
bool V8ValueImpl::DeleteValue(const CefString& key) {
  const std::string k = key.ToString();
  for (auto it = props_.begin(); it != props_.end(); ++it) {
    if (it->first == k) { props_.erase(it); return true; }
  }
  return false;
}
bool V8ValueImpl::DeleteValue(int index) {
  if (!HasValue(index)) return false;
  items_[static_cast<size_t>(index)] = new V8ValueImpl(Kind::kUndefined);
  return true;
}
CefRefPtr<CefV8Value> V8ValueImpl::GetValue(const CefString& key) {
  const std::string k = key.ToString();
  for (const auto& p : props_) if (p.first == k) return p.second;
  return nullptr;
}
CefRefPtr<CefV8Value> V8ValueImpl::GetValue(int index) {
  return HasValue(index) ? items_[static_cast<size_t>(index)] : nullptr;
}
bool V8ValueImpl::SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute) {
  if (!IsObject() || !value) return false;
  const std::string k = key.ToString();
  for (auto& p : props_) {
    if (p.first == k) { p.second = value; return true; }
  }
  props_.emplace_back(k, value);
  return true;
}
bool V8ValueImpl::SetValue(int index, CefRefPtr<CefV8Value> value) {
  if (kind_ != Kind::kArray || index < 0 || index >= (1 << 24) || !value) return false;
  if (static_cast<size_t>(index) >= items_.size()) {
    while (items_.size() < static_cast<size_t>(index)) items_.push_back(new V8ValueImpl(Kind::kUndefined));
    items_.push_back(value);
  } else {
    items_[static_cast<size_t>(index)] = value;
  }
  return true;
}
bool V8ValueImpl::GetKeys(std::vector<CefString>& keys) {
  if (!IsObject()) return false;
  for (const auto& p : props_) keys.push_back(CefString(p.first));
  return true;
}
bool V8ValueImpl::SetUserData(CefRefPtr<CefBaseRefCounted> data) {
  if (!IsObject()) return false;
  user_data_ = data;
  return true;
}
int V8ValueImpl::GetArrayLength() { return kind_ == Kind::kArray ? static_cast<int>(items_.size()) : 0; }

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunction(CefRefPtr<CefV8Value> object,
                                                   const CefV8ValueList& arguments) {
  return ExecuteFunctionWithContext(CefV8Context::GetCurrentContext(), object, arguments);
}

CefRefPtr<CefV8Value> V8ValueImpl::ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                              CefRefPtr<CefV8Value> object,
                                                              const CefV8ValueList& arguments) {
  // Only functions made here have a body to run; the page's own functions
  // live in Chromium and cannot be called synchronously from this process.
  if (kind_ != Kind::kFunction || !handler_) return nullptr;
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  auto* ctx = static_cast<V8ContextImpl*>(context.get());
  ScopedCurrentContext current(ctx);
  if (!handler_->Execute(string_, object, arguments, retval, exception)) return nullptr;
  return retval ? retval : CefV8Value::CreateUndefined();
}

// --- context ------------------------------------------------------------------

V8ContextImpl::V8ContextImpl(std::string key, CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame)
    : key_(std::move(key)), browser_(browser), frame_(frame), global_(new V8ValueImpl(V8ValueImpl::Kind::kObject)) {
  global_->user_created_ = false;
}

bool V8ContextImpl::Enter() {
  if (!valid_) return false;
  Entered().push_back(this);
  return true;
}

bool V8ContextImpl::Exit() {
  auto& e = Entered();
  if (e.empty() || e.back() != this) return false;
  e.pop_back();
  return true;
}

bool V8ContextImpl::Eval(const CefString&, const CefString&, int, CefRefPtr<CefV8Value>&,
                         CefRefPtr<CefV8Exception>&) {
  // The page's script engine is in Chromium; code for the page goes
  // through CefFrame::ExecuteJavaScript instead.
  return false;
}

std::vector<BridgeProperty> V8ContextImpl::BridgeProperties() const {
  std::vector<BridgeProperty> out;
  for (const auto& p : global_->properties()) {
    auto* v = static_cast<V8ValueImpl*>(p.second.get());
    BridgeProperty prop;
    prop.name = p.first;
    if (v == global_.get()) {
      prop.kind = BridgeProperty::Kind::kGlobalAlias;
    } else if (v->kind() == V8ValueImpl::Kind::kFunction && v->handler_) {
      prop.kind = BridgeProperty::Kind::kFunction;
    } else {
      prop.kind = BridgeProperty::Kind::kValue;
      switch (v->kind()) {
        case V8ValueImpl::Kind::kNull: prop.value = Json::Value(); break;
        case V8ValueImpl::Kind::kBool: prop.value = v->bool_; break;
        case V8ValueImpl::Kind::kInt: case V8ValueImpl::Kind::kUInt: case V8ValueImpl::Kind::kDouble:
          if (!std::isfinite(v->number_)) continue;
          prop.value = v->number_;
          break;
        case V8ValueImpl::Kind::kString: prop.value = v->string_.ToString(); break;
        default: continue;  // objects of the handler's own stay in this process
      }
    }
    out.push_back(std::move(prop));
  }
  return out;
}

bool V8ContextImpl::RunCall(const BridgeCall& call, std::string* error) {
  CefRefPtr<CefV8Value> fn = global_->GetValue(call.name);
  auto* f = static_cast<V8ValueImpl*>(fn.get());
  if (!f || f->kind() != V8ValueImpl::Kind::kFunction || !f->handler_) {
    if (error) *error = "no function " + call.name;
    return false;
  }
  CefV8ValueList args;
  args.reserve(call.args.size());
  for (const auto& a : call.args) args.push_back(V8ValueImpl::FromBridgeArg(a).get());
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  ScopedCurrentContext current(this);
  // The page's call has returned already (bindings are asynchronous), so a
  // return value or exception the handler sets cannot reach it.
  f->handler_->Execute(f->string_, global_.get(), args, retval, exception);
  if (!exception.empty() && error) *error = "exception: " + exception.ToString();
  return true;
}

ScopedCurrentContext::ScopedCurrentContext(CefRefPtr<V8ContextImpl> context) : previous_(t_current) {
  t_current = context.get();
}

ScopedCurrentContext::~ScopedCurrentContext() { t_current = previous_.get(); }

}  // namespace velora_engine

// --- the API's factories --------------------------------------------------------

using velora_engine::V8ValueImpl;

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  auto& e = velora_engine::Entered();
  if (!e.empty()) return e.back();
  return velora_engine::t_current;
}
CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() { return GetCurrentContext(); }
bool CefV8Context::InContext() { return GetCurrentContext() != nullptr; }

CefRefPtr<CefV8Value> CefV8Value::CreateUndefined() { return new V8ValueImpl(V8ValueImpl::Kind::kUndefined); }
CefRefPtr<CefV8Value> CefV8Value::CreateNull() { return new V8ValueImpl(V8ValueImpl::Kind::kNull); }
CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kBool);
  v->bool_ = value;
  return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateInt(int32 value) {
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kInt);
  v->number_ = value;
  return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateUInt(uint32 value) {
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kUInt);
  v->number_ = value;
  return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateDouble(double value) {
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kDouble);
  v->number_ = value;
  return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kString);
  v->string_ = value;
  return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateObject(CefRefPtr<CefV8Accessor>, CefRefPtr<CefV8Interceptor>) {
  return new V8ValueImpl(V8ValueImpl::Kind::kObject);
}
CefRefPtr<CefV8Value> CefV8Value::CreateArray(int length) {
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kArray);
  for (int i = 0; i < length && i < (1 << 24); ++i) v->items_.push_back(CreateUndefined());
  return v.get();
}
CefRefPtr<CefV8Value> CefV8Value::CreateFunction(const CefString& name, CefRefPtr<CefV8Handler> handler) {
  if (!handler) return nullptr;
  CefRefPtr<V8ValueImpl> v = new V8ValueImpl(V8ValueImpl::Kind::kFunction);
  v->string_ = name;
  v->handler_ = handler;
  return v.get();
}
