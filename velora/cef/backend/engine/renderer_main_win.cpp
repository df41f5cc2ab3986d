// The renderer sub-process: the same program started with --type=renderer.
// It connects back to the main process over the channel and hosts the
// application's render-process handler: script contexts, bridge calls and
// process messages arrive as channel messages and run on this process's
// main thread (the engine's renderer thread), in order.
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "bridge_rules.h"
#include "browser_impl.h"
#include "channel_win.h"
#include "command_line_impl.h"
#include "engine_log_win.h"
#include "engine_threads_win.h"
#include "include/cef_app.h"
#include "include/cef_render_process_handler.h"
#include "v8_impl.h"
#include "values_impl.h"

namespace velora_engine {
namespace {

class RendererProcess;

// The renderer's mirror of a browser: frames and identity; its frames
// send process messages to the main process.
class RendererBrowser : public BrowserImpl {
 public:
  RendererBrowser(int id, RendererProcess* process) : BrowserImpl(id), process_(process) {}
  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }  // main process only
  void GoBack() override {}
  void GoForward() override {}
  void Reload() override {}
  void ReloadIgnoreCache() override {}
  void StopLoad() override {}
  void FrameLoadURL(FrameImpl*, const std::string&) override {}
  void FrameExecuteJavaScript(FrameImpl*, const std::string&, const std::string&, int) override {}
  void FrameSendProcessMessage(FrameImpl* frame, CefProcessId target, CefRefPtr<CefProcessMessage> message) override;
  void FrameEdit(FrameImpl*, const char*) override {}
  CefRefPtr<CefV8Context> FrameV8Context(FrameImpl* frame) override;

 private:
  RendererProcess* process_;
  IMPLEMENT_REFCOUNTING(RendererBrowser);
};

class RendererProcess {
 public:
  RendererProcess(CefRefPtr<CefApp> app, std::unique_ptr<Channel> channel)
      : app_(app), channel_(std::move(channel)), thread_("renderer") {
    if (app_) handler_ = app_->GetRenderProcessHandler();
  }

  int Run() {
    RegisterEngineThread(TID_RENDERER, &thread_);
    worker_.Start();
    for (cef_thread_id_t id : {TID_FILE_BACKGROUND, TID_FILE_USER_VISIBLE, TID_FILE_USER_BLOCKING,
                               TID_PROCESS_LAUNCHER, TID_IO})
      RegisterEngineThread(id, &worker_);
    thread_.BindToCurrentThread();
    if (handler_) thread_.Post([this] { handler_->OnWebKitInitialized(); });
    std::thread reader([this] {
      Json::Value m;
      while (channel_->Receive(&m)) {
        Json::Value copy = std::move(m);
        thread_.Post([this, copy] { Handle(copy); });
        m = Json::Value();
      }
      // The main process has gone (or closed the channel): so do we.
      thread_.Quit();
    });
    thread_.RunOnCurrentThread();
    channel_->Close();
    reader.join();
    for (auto& c : contexts_) c.second->Invalidate();
    contexts_.clear();
    for (auto& b : browsers_) b.second->DetachAll();
    browsers_.clear();
    worker_.Stop();
    for (int id = TID_UI; id <= TID_RENDERER; ++id) RegisterEngineThread(static_cast<cef_thread_id_t>(id), nullptr);
    return 0;
  }

  void Send(const Json::Value& m) { channel_->Send(m); }

  CefRefPtr<CefV8Context> ContextOf(FrameImpl* frame) {
    CefRefPtr<V8ContextImpl> found;
    for (auto& c : contexts_)
      if (c.second->GetFrame().get() == frame) found = c.second;
    return found.get();
  }

 private:
  CefRefPtr<RendererBrowser> Browser(int id, bool create) {
    auto it = browsers_.find(id);
    if (it != browsers_.end()) return it->second;
    if (!create) return nullptr;
    CefRefPtr<RendererBrowser> b = new RendererBrowser(id, this);
    browsers_[id] = b;
    if (handler_) handler_->OnBrowserCreated(b.get(), nullptr);
    return b;
  }

  void Handle(const Json::Value& m) {
    const std::string t = m["t"].asString();
    if (t == "browser") {
      Browser(m["b"].asInt(), true);
    } else if (t == "browser_gone") {
      CefRefPtr<RendererBrowser> b = Browser(m["b"].asInt(), false);
      if (!b) return;
      for (auto it = contexts_.begin(); it != contexts_.end();) {
        if (it->second->GetBrowser().get() == b.get()) {
          it->second->Invalidate();
          it = contexts_.erase(it);
        } else {
          ++it;
        }
      }
      if (handler_) handler_->OnBrowserDestroyed(b.get());
      b->DetachAll();
      browsers_.erase(m["b"].asInt());
    } else if (t == "ctx") {
      // A context announced twice (a renderer started again while the page
      // made one) is made once.
      if (contexts_.count(m["c"].asString())) return;
      CefRefPtr<RendererBrowser> b = Browser(m["b"].asInt(), true);
      CefRefPtr<FrameImpl> frame = b->FrameFor(m["fd"].asString(), m["main"].asBool(), m["f"].asInt64());
      frame->Update(m["url"].asString(), frame->GetName().ToString(), 0);
      const std::string key = m["c"].asString();
      CefRefPtr<V8ContextImpl> ctx = new V8ContextImpl(key, b.get(), frame.get());
      contexts_[key] = ctx;
      if (handler_) {
        ScopedCurrentContext current(ctx);
        handler_->OnContextCreated(b.get(), frame.get(), ctx.get());
      }
      Json::Value reply(Json::objectValue);
      reply["t"] = "props";
      reply["b"] = m["b"];
      reply["c"] = key;
      reply["p"] = BridgePropertiesToJson(ctx->BridgeProperties());
      Send(reply);
    } else if (t == "ctx_gone") {
      auto it = contexts_.find(m["c"].asString());
      if (it == contexts_.end()) return;
      CefRefPtr<V8ContextImpl> ctx = it->second;
      contexts_.erase(it);
      if (handler_) handler_->OnContextReleased(ctx->GetBrowser(), ctx->GetFrame(), ctx.get());
      ctx->Invalidate();
    } else if (t == "call") {
      auto it = contexts_.find(m["c"].asString());
      if (it == contexts_.end()) return;
      BridgeCall call;
      std::string error;
      if (!ParseBridgeCall(m["p"].asString(), &call, &error)) {
        Log("a page sent a bridge call that is not one: " + error);
        return;
      }
      if (!it->second->RunCall(call, &error) && !error.empty()) Log(error);
    } else if (t == "msg") {
      CefRefPtr<RendererBrowser> b = Browser(m["b"].asInt(), true);
      CefRefPtr<FrameImpl> frame = b->FrameFor(m["fd"].asString(), m["main"].asBool(), m["f"].asInt64());
      CefRefPtr<ProcessMessageImpl> msg = ProcessMessageFromJson(m["m"]);
      if (handler_ && msg) handler_->OnProcessMessageReceived(b.get(), frame.get(), PID_BROWSER, msg.get());
    }
  }

  void Log(const std::string& text) {
    EngineLog(LogLevel::kWarning, text);
    Json::Value m(Json::objectValue);
    m["t"] = "log";
    m["text"] = text;
    Send(m);
  }

  CefRefPtr<CefApp> app_;
  CefRefPtr<CefRenderProcessHandler> handler_;
  std::unique_ptr<Channel> channel_;
  TaskRunner thread_;
  TaskRunner worker_{"worker"};
  std::map<int, CefRefPtr<RendererBrowser>> browsers_;
  std::map<std::string, CefRefPtr<V8ContextImpl>> contexts_;
};

void RendererBrowser::FrameSendProcessMessage(FrameImpl* frame, CefProcessId target,
                                              CefRefPtr<CefProcessMessage> message) {
  if (target != PID_BROWSER) return;
  Json::Value m(Json::objectValue);
  m["t"] = "msg";
  m["b"] = GetIdentifier();
  m["f"] = Json::Int64(frame->GetIdentifier());
  m["m"] = ProcessMessageToJson(message);
  process_->Send(m);
}

CefRefPtr<CefV8Context> RendererBrowser::FrameV8Context(FrameImpl* frame) { return process_->ContextOf(frame); }

}  // namespace

int RunRendererProcess(CefRefPtr<CefApp> app, const CommandLineModel& command_line) {
  const int port = std::atoi(ToUtf8(command_line.GetSwitchValue(L"velora-channel-port")).c_str());
  const std::string token = ToUtf8(command_line.GetSwitchValue(L"velora-channel-token"));
  if (port <= 0) {
    EngineLogAlways("renderer started without its channel");
    return 1;
  }
  std::unique_ptr<Channel> channel = Channel::Connect(port, token, 10000);
  if (!channel) {
    EngineLogAlways("renderer could not reach the main process");
    return 1;
  }
  RendererProcess process(app, std::move(channel));
  return process.Run();
}

}  // namespace velora_engine
