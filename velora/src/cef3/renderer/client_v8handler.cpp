#include "cef3/renderer/client_v8handler.h"

#include "cef3/common/bridge_rules.h"
#include "cef3/common/log_ptr.h"
#include "frame_log.h"
#include "include/cef_process_message.h"
#include "include/wrapper/cef_helpers.h"
#include "win_include.h"

namespace {

bridge_rules::Arg ArgOf(CefRefPtr<CefV8Value> v) {
  bridge_rules::Arg a;
  if (!v) return a;
  if (v->IsString()) {
    a.kind = bridge_rules::ArgKind::kString;
    a.text = v->GetStringValue().ToWString();
  } else if (v->IsBool()) {
    a.kind = bridge_rules::ArgKind::kBool;
    a.flag = v->GetBoolValue();
  } else if (v->IsInt()) {
    a.kind = bridge_rules::ArgKind::kInt;
    a.number = v->GetIntValue();
  } else if (v->IsObject()) {  // arrays and functions too
    a.kind = bridge_rules::ArgKind::kObject;
  }
  return a;
}

}  // namespace

bool ClientV8Handler::Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                              CefRefPtr<CefV8Value>& retval, CefString& exception) {
  CEF_REQUIRE_RENDERER_THREAD();
  const std::wstring function = name.ToWString();
  LogAt(__FILE__, __LINE__, "ClientV8Handler::Execute")(kLogInfo, L"ClientV8Handler.Execute this=0x%X, name=%ls",
                                                      LogPtr(this), function.c_str());
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  ::OutputDebugStringW(L"收到消息");

  std::vector<bridge_rules::Arg> args;
  args.reserve(arguments.size());
  for (const CefRefPtr<CefV8Value>& v : arguments) args.push_back(ArgOf(v));
  size_t objects = 0;
  const std::vector<bridge_rules::Entry> entries = bridge_rules::ConvertArguments(args, &objects);
  for (size_t i = 0; i < objects; ++i)
    LogAt(__FILE__, __LINE__, "ClientV8Handler::Execute")(kLogError, L"ClientV8Handler.Execute unknown Object");

  CefRefPtr<CefListValue> list = message->GetArgumentList();
  list->SetSize(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    switch (entries[i].kind) {
      case bridge_rules::EntryKind::kString: list->SetString(i, entries[i].text); break;
      case bridge_rules::EntryKind::kBool: list->SetBool(i, entries[i].flag); break;
      case bridge_rules::EntryKind::kInt: list->SetInt(i, entries[i].number); break;
      case bridge_rules::EntryKind::kNull: list->SetNull(i); break;
    }
  }

  // Through the main frame, so that a call from an iframe reaches the same
  // host window.
  if (context && context->GetBrowser()) {
    CefRefPtr<CefFrame> main = context->GetBrowser()->GetMainFrame();
    if (main) main->SendProcessMessage(PID_BROWSER, message);
  }
  return true;
}
