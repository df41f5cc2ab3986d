#include "cef3/renderer/client_renderer_app.h"

#include "cef3/common/bridge_rules.h"
#include "cef3/common/recovery_rules.h"
#include "cef3/common/log_ptr.h"
#include "frame_log.h"
#include "include/wrapper/cef_helpers.h"

ClientAppRender::ClientAppRender() {
  LogAt(__FILE__, __LINE__, "ClientAppRender::ClientAppRender")(kLogDebug, L"ClientAppRender() this=0x%X", LogPtr(this));
}

ClientAppRender::~ClientAppRender() {
  LogAt(__FILE__, __LINE__, "ClientAppRender::~ClientAppRender")(kLogDebug, L"~ClientAppRender() this=0x%X",
                                                               LogPtr(this));
}

void ClientAppRender::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                       CefRefPtr<CefV8Context> context) {
  CEF_REQUIRE_RENDERER_THREAD();
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  global->SetValue("external", global, V8_PROPERTY_ATTRIBUTE_NONE);
  m_handler = new ClientV8Handler();
  for (const std::string& name : bridge_rules::BridgeFunctionNames())
    global->SetValue(name, CefV8Value::CreateFunction(name, m_handler.get()), V8_PROPERTY_ATTRIBUTE_NONE);
  // Not a bridge function: the frame's paint probe reports through it. It
  // stays out of the page's enumerations.
  if (frame->IsMain())
    global->SetValue(recovery_rules::kPaintReport,
                     CefV8Value::CreateFunction(recovery_rules::kPaintReport, m_handler.get()),
                     static_cast<CefV8Value::PropertyAttribute>(V8_PROPERTY_ATTRIBUTE_DONTENUM |
                                                                V8_PROPERTY_ATTRIBUTE_READONLY));
}
