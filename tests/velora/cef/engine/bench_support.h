// For the engine benchmarks: the renderer side of "testCall", a function on
// every page whose first argument comes back to the main process as the
// name of a process message, and the engine's start as they all want it.
#pragma once

#include "win_include.h"

#include <string>

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

// The program's own folder, with a trailing backslash.
inline std::wstring ProgramFolder() {
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  return dir;
}

// A visible top-level window for the benchmark's child browsers.
inline HWND CreateHostWindow(const wchar_t* class_name, int width, int height) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = class_name;
  ::RegisterClassW(&wc);
  return ::CreateWindowExW(0, class_name, L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

// CefInitialize with the engine's own UI thread, no log file, and a cache
// folder of the given name beside the program.
inline bool InitializeEngine(const CefMainArgs& args, const wchar_t* cache_name, bool windowless = false) {
  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  settings.windowless_rendering_enabled = windowless ? 1 : 0;
  settings.log_severity = LOGSEVERITY_DISABLE;
  CefString(&settings.cache_path) = ProgramFolder() + cache_name;
  return CefInitialize(args, settings, nullptr, nullptr);
}

}  // namespace velora_bench
