// The renderer's script values and contexts. The page itself runs in
// Chromium; what a render-process handler sees here is a model of one
// context's global object: the handler sets functions and values on it in
// OnContextCreated, and the engine installs what it finds there in the
// page (bridge_rules.h). A call from the page arrives as a bridge call and
// runs the function's handler with its arguments made into these values.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "bridge_rules.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"

namespace velora_engine {

class V8ContextImpl;

class V8ValueImpl : public CefV8Value {
 public:
  enum class Kind { kUndefined, kNull, kBool, kInt, kUInt, kDouble, kDate, kString, kObject,
                    kArray, kFunction };
  explicit V8ValueImpl(Kind kind) : kind_(kind) {}

  static CefRefPtr<V8ValueImpl> FromBridgeArg(const BridgeArg& arg);

  bool IsValid() override { return true; }
  bool IsUndefined() override { return kind_ == Kind::kUndefined; }
  bool IsNull() override { return kind_ == Kind::kNull; }
  bool IsBool() override { return kind_ == Kind::kBool; }
  bool IsInt() override;
  bool IsUInt() override;
  bool IsDouble() override;
  bool IsDate() override { return kind_ == Kind::kDate; }
  bool IsString() override { return kind_ == Kind::kString; }
  bool IsObject() override;
  bool IsArray() override { return kind_ == Kind::kArray; }
  bool IsFunction() override { return kind_ == Kind::kFunction; }
  bool IsSame(CefRefPtr<CefV8Value> that) override;
  bool GetBoolValue() override { return kind_ == Kind::kBool && bool_; }
  int32 GetIntValue() override;
  uint32 GetUIntValue() override;
  double GetDoubleValue() override;
  CefString GetStringValue() override { return kind_ == Kind::kString ? string_ : CefString(); }
  bool IsUserCreated() override { return user_created_; }
  bool HasException() override { return false; }
  CefRefPtr<CefV8Exception> GetException() override { return nullptr; }
  bool ClearException() override { return true; }
  bool HasValue(const CefString& key) override;
  bool HasValue(int index) override;
  bool DeleteValue(const CefString& key) override;
  bool DeleteValue(int index) override;
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  CefRefPtr<CefV8Value> GetValue(int index) override;
  bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value, PropertyAttribute attribute) override;
  bool SetValue(int index, CefRefPtr<CefV8Value> value) override;
  bool GetKeys(std::vector<CefString>& keys) override;
  bool SetUserData(CefRefPtr<CefBaseRefCounted> user_data) override;
  CefRefPtr<CefBaseRefCounted> GetUserData() override { return user_data_; }
  int GetArrayLength() override;
  CefString GetFunctionName() override { return kind_ == Kind::kFunction ? string_ : CefString(); }
  CefRefPtr<CefV8Handler> GetFunctionHandler() override { return handler_; }
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) override;
  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                   CefRefPtr<CefV8Value> object,
                                                   const CefV8ValueList& arguments) override;

  Kind kind() const { return kind_; }
  // The properties in the order they were first set.
  const std::vector<std::pair<std::string, CefRefPtr<CefV8Value>>>& properties() const { return props_; }

  // Plain state; the factories and the bridge fill it in.
  Kind kind_;
  bool bool_ = false;
  double number_ = 0;
  CefString string_;
  bool user_created_ = true;
  bool rethrow_ = false;
  int external_memory_ = 0;
  std::vector<std::pair<std::string, CefRefPtr<CefV8Value>>> props_;
  std::vector<CefRefPtr<CefV8Value>> items_;
  CefRefPtr<CefV8Handler> handler_;
  CefRefPtr<CefBaseRefCounted> user_data_;

 private:
  IMPLEMENT_REFCOUNTING(V8ValueImpl);
};

class V8ContextImpl : public CefV8Context {
 public:
  V8ContextImpl(std::string key, CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);

  bool IsValid() override { return valid_; }
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
  CefRefPtr<CefFrame> GetFrame() override { return frame_; }
  CefRefPtr<CefV8Value> GetGlobal() override { return global_.get(); }
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override { return that.get() == this; }
  bool Eval(const CefString& code, const CefString& script_url, int start_line,
            CefRefPtr<CefV8Value>& retval, CefRefPtr<CefV8Exception>& exception) override;

  const std::string& key() const { return key_; }
  void Invalidate() { valid_ = false; }
  CefRefPtr<V8ValueImpl> global() const { return global_; }

  // What the handlers left on the global object, for the page.
  std::vector<BridgeProperty> BridgeProperties() const;

  // Runs the function the page called on this context's global. False
  // (with a reason) when the name is no function there.
  bool RunCall(const BridgeCall& call, std::string* error);

 private:
  std::string key_;
  bool valid_ = true;
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  CefRefPtr<V8ValueImpl> global_;
  IMPLEMENT_REFCOUNTING(V8ContextImpl);
};

// Makes the context current for the calls inside (CefV8Context::
// GetCurrentContext answers it), restoring the previous one after.
class ScopedCurrentContext {
 public:
  explicit ScopedCurrentContext(CefRefPtr<V8ContextImpl> context);
  ~ScopedCurrentContext();

 private:
  CefRefPtr<V8ContextImpl> previous_;
};

}  // namespace velora_engine
