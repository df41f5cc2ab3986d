// For the engine benchmarks: the renderer side of "testCall", a function on
// every page whose first argument comes back to the main process as the
// name of a process message.
#pragma once

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"

namespace velora_bench {

class TestCallHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name, CefRefPtr<CefV8Value>, const CefV8ValueList& args, CefRefPtr<CefV8Value>&,
               CefString&) override {
    CefRefPtr<CefProcessMessage> msg = CefProcessMessage::Create(args.empty() ? "" : args[0]->GetStringValue());
    CefV8Context::GetCurrentContext()->GetBrowser()->GetMainFrame()->SendProcessMessage(PID_BROWSER, msg);
    return true;
  }
  IMPLEMENT_REFCOUNTING(TestCallHandler);
};

class TestCallRenderApp : public CefApp, public CefRenderProcessHandler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefV8Context> ctx) override {
    ctx->GetGlobal()->SetValue("testCall", CefV8Value::CreateFunction("testCall", new TestCallHandler()),
                               V8_PROPERTY_ATTRIBUTE_NONE);
  }
  IMPLEMENT_REFCOUNTING(TestCallRenderApp);
};

}  // namespace velora_bench
