#include "engine_main_win.h"

#include <objbase.h>

#include <chrono>
#include <random>

#include "channel_win.h"
#include "chromium_process_win.h"
#include "devtools_connection_win.h"
#include "engine_log_win.h"
#include "engine_threads_win.h"
#include "frame_decoder_win.h"
#include "include/cef_display_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_request_handler.h"
#include "include/wrapper/cef_helpers.h"
#include "net_error_rules.h"
#include "page_watch_rules.h"
#include "paint_rules.h"
#include "values_impl.h"

namespace velora_engine {

namespace {

std::wstring ExePath() {
  wchar_t buf[MAX_PATH * 2] = {};
  ::GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf) - 1));
  return buf;
}

std::wstring DirOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithSlash(std::wstring dir) {
  if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
  return dir;
}

std::string RandomToken() {
  std::random_device rd;
  std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd() ^ ::GetTickCount64());
  char buf[40];
  snprintf(buf, sizeof(buf), "%016llx%016llx", static_cast<unsigned long long>(gen()),
           static_cast<unsigned long long>(gen()));
  return buf;
}

// Runs a closure on the UI thread and waits for it (start-up only, never
// from the UI thread's own callbacks).
// The calling thread's own messages keep flowing while it waits: the UI
// thread may be sending to windows of this thread (a browser window whose
// parent lives here, destroyed on the UI thread).
void RunOnUiAndWait(TaskRunner* ui, std::function<void()> fn) {
  if (ui->RunsOnCurrentThread()) { fn(); return; }
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ui->Post([&] { fn(); ::SetEvent(done); })) { ::CloseHandle(done); return; }
  const ULONGLONG end = ::GetTickCount64() + 30000;
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    const DWORD r = ::MsgWaitForMultipleObjects(1, &done, FALSE, static_cast<DWORD>(end - now), QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers sent messages
  }
  ::CloseHandle(done);
}

// Restarts of one kind allowed within a minute; past that the fault is
// taken to be lasting and the engine stops trying.
constexpr size_t kMaxRestarts = 10;
// Messages kept for a renderer that is being started again.
constexpr size_t kMaxQueuedForRenderer = 20000;

CefRefPtr<RequestContextImpl> GlobalRequestContext() {
  static CefRefPtr<RequestContextImpl> context = new RequestContextImpl();
  return context;
}

}  // namespace

Engine* Engine::Get() {
  static Engine* engine = new Engine();  // lives until the process ends
  return engine;
}

bool Engine::PostUi(TaskRunner::Closure task, int64_t delay_ms) {
  return ui_ && ui_->Post(std::move(task), delay_ms);
}

bool Engine::Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> app) {
  if (initialized_) return false;
  initialized_ = true;
  app_ = app;
  settings_ = settings;
  multi_threaded_ = settings.multi_threaded_message_loop != 0;
  windowless_allowed_ = settings.windowless_rendering_enabled != 0;
  const cef_color_t bg = settings.background_color;
  background_argb_ = bg;
  background_ = (bg >> 24) == 0 ? RGB(255, 255, 255) : RGB((bg >> 16) & 0xFF, (bg >> 8) & 0xFF, bg & 0xFF);
  ConfigureEngineLog(CefString(&settings.log_file).ToWString(), settings.log_severity);

  // The command line as the application may change it, before the engine
  // reads it.
  SetGlobalCommandLineText(::GetCommandLineW());
  CefRefPtr<CommandLineImpl> command_line = new CommandLineImpl(ParseArgv(SplitCommandLine(::GetCommandLineW())));
  if (app_) {
    app_->OnBeforeCommandLineProcessing(CefString(), command_line.get());
    process_handler_ = app_->GetBrowserProcessHandler();
  }
  command_line_ = command_line;

  ui_.reset(new TaskRunner("ui"));
  worker_.reset(new TaskRunner("worker"));
  worker_->Start();
  for (cef_thread_id_t id : {TID_FILE_BACKGROUND, TID_FILE_USER_VISIBLE, TID_FILE_USER_BLOCKING,
                             TID_PROCESS_LAUNCHER, TID_IO})
    RegisterEngineThread(id, worker_.get());
  if (multi_threaded_) ui_->Start();
  RegisterEngineThread(TID_UI, ui_.get());
  // Without the multi-threaded loop the UI thread is this one, running
  // tasks inside CefRunMessageLoop.
  if (!multi_threaded_) ui_->BindToCurrentThread();

  decoder_.reset(new ScreencastDecoder([this](int id, std::shared_ptr<DecodedFrame> frame) {
    CefRefPtr<MainBrowser> b = BrowserById(id);
    if (b) PostUi([b, frame] { b->OnFrame(frame); });
  }));

  if (StartChromium(settings, command_line)) {
    StartRenderer(CefString(&settings.locale).ToWString());
    ready_ = true;
  }
  // The context is there (with or without Chromium): the application
  // creates its browsers from here; without Chromium they come back null.
  CefRefPtr<CefBrowserProcessHandler> handler = process_handler_;
  PostUi([handler] {
    if (handler) handler->OnContextInitialized();
  });
  return true;
}

bool Engine::StartChromium(const CefSettings& settings, CefRefPtr<CommandLineImpl> command_line) {
  const std::wstring exe_dir = DirOf(ExePath());
  std::vector<std::wstring> looked_at;
  const std::wstring chromium = ChromiumProcess::Locate(exe_dir, &looked_at);
  if (chromium.empty()) {
    std::string places;
    for (const auto& p : looked_at) places += (places.empty() ? "" : "; ") + ToUtf8(p);
    EngineLogAlways("no Chromium found; looked at: " + places + ". Pages will not show.");
    return false;
  }
  std::wstring cache = CefString(&settings.cache_path).ToWString();
  if (cache.empty()) cache = exe_dir + L"cookies";
  GlobalRequestContext()->set_cache_path(cache);
  const std::wstring engine_root = WithSlash(cache) + L"engine";
  ::CreateDirectoryW(cache.c_str(), nullptr);
  ::CreateDirectoryW(engine_root.c_str(), nullptr);
  ChromiumProcess::EndStale(engine_root);

  ChromiumLaunch launch;
  launch.executable = chromium;
  launch.user_data_dir = engine_root + L"\\" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring locale = CefString(&settings.locale).ToWString();
  if (!locale.empty()) {
    launch.switches.push_back("--lang=" + ToUtf8(locale));
    launch.switches.push_back("--accept-lang=" + ToUtf8(locale));
  }
  // Every new window a page asks for reaches the client's OnBeforePopup,
  // which decides; Chromium's own blocker would drop some first.
  launch.switches.push_back("--disable-popup-blocking");
  for (const auto& s : command_line->model().switches) {
    std::wstring chromium_switch;
    if (ChromiumSwitchFor(s.first, s.second, &chromium_switch)) launch.switches.push_back(ToUtf8(chromium_switch));
  }
  chromium_.reset(new ChromiumProcess());
  std::string error;
  if (!chromium_->Start(launch, &error)) {
    EngineLogAlways("Chromium " + ToUtf8(chromium) + " did not start: " + error);
    chromium_.reset();
    return false;
  }
  if (devtools_) retired_devtools_.push_back(std::move(devtools_));
  devtools_.reset(new DevToolsConnection());
  if (!devtools_->Open(chromium_->port(), chromium_->browser_path(),
                       [this](const std::string& s, const std::string& m, const Json::Value& p) { OnDevToolsEvent(s, m, p); },
                       [this] { OnDevToolsClosed(); }, &error)) {
    EngineLogAlways("cannot talk to Chromium: " + error);
    chromium_->Stop(nullptr);
    chromium_.reset();
    retired_devtools_.push_back(std::move(devtools_));
    return false;
  }
  Json::Value discover(Json::objectValue);
  discover["discover"] = true;
  devtools_->Post("", "Target.setDiscoverTargets", discover);
  // New pages (the engine's own and those a page opens) are attached as
  // they are made and wait until the engine lets them run, so that policy
  // and script are in place before anything loads.
  Json::Value attach(Json::objectValue), ignored;
  attach["autoAttach"] = true;
  attach["waitForDebuggerOnStart"] = true;
  attach["flatten"] = true;
  if (!devtools_->Call("", "Target.setAutoAttach", attach, &ignored, &error))
    EngineLog(LogLevel::kWarning, "Target.setAutoAttach failed: " + error);
  EngineLog(LogLevel::kInfo, "Chromium " + ToUtf8(chromium) + " on port " + std::to_string(chromium_->port()));
  return true;
}

bool Engine::StartRenderer(const std::wstring& locale) {
  auto listener = std::make_unique<ChannelListener>();
  int port = 0;
  if (!listener->Listen(&port)) {
    EngineLogAlways("renderer channel: cannot listen on 127.0.0.1");
    return false;
  }
  const std::string token = RandomToken();
  CommandLineModel model;
  model.program = ExePath();
  model.SetSwitch(L"type", L"renderer");
  if (!locale.empty()) model.SetSwitch(L"lang", locale);
  model.SetSwitch(L"velora-channel-port", std::to_wstring(port));
  model.SetSwitch(L"velora-channel-token", FromUtf8(token));
  CefRefPtr<CommandLineImpl> child = new CommandLineImpl(model);
  // The application sees the renderer's command line before it starts,
  // on the UI thread.
  if (process_handler_) {
    CefRefPtr<CefBrowserProcessHandler> handler = process_handler_;
    RunOnUiAndWait(ui_.get(), [handler, child] { handler->OnBeforeChildProcessLaunch(child.get()); });
  }
  std::wstring line = child->GetCommandLineString().ToWString();
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    EngineLogAlways("cannot start the renderer process (error " + std::to_string(::GetLastError()) + ")");
    return false;
  }
  ::CloseHandle(pi.hThread);
  renderer_process_ = pi.hProcess;
  std::unique_ptr<Channel> channel = listener->Accept(20000, token);
  if (!channel) {
    EngineLogAlways("the renderer process did not connect");
    ::TerminateProcess(renderer_process_, 1);
    return false;
  }
  EngineLog(LogLevel::kInfo, "renderer process " + std::to_string(pi.dwProcessId) + " connected");
  {
    std::lock_guard<std::mutex> g(channel_lock_);
    channel_ = std::move(channel);
    if (renderer_restarting_) {
      // A renderer started again learns the browsers and the script
      // contexts their pages have now, so that the pages' functions work
      // again at once; then what waited for it.
      for (auto& b : AllBrowsers()) {
        Json::Value created(Json::objectValue);
        created["t"] = "browser";
        created["b"] = b->GetIdentifier();
        channel_->Send(created);
        for (const Json::Value& ctx : b->ContextMessages()) channel_->Send(ctx);
      }
      for (const Json::Value& m : to_renderer_) channel_->Send(m);
      to_renderer_.clear();
      renderer_restarting_ = false;
    }
  }
  channel_thread_ = std::thread([this] { ChannelLoop(); });
  return true;
}

void Engine::SendToRenderer(const Json::Value& message) {
  std::lock_guard<std::mutex> g(channel_lock_);
  if (channel_) {
    channel_->Send(message);
    return;
  }
  // While a renderer is started again, messages and page calls wait for
  // it; browsers and contexts are announced afresh, so their notices are
  // not kept.
  const std::string t = message["t"].asString();
  if (!renderer_restarting_ || t == "browser" || t == "ctx" || t == "ctx_gone") return;
  if (to_renderer_.size() >= kMaxQueuedForRenderer) {
    EngineLog(LogLevel::kWarning, "renderer not back yet: a message for it is dropped");
    return;
  }
  to_renderer_.push_back(message);
}

void Engine::ChannelLoop() {
  Channel* channel;
  {
    std::lock_guard<std::mutex> g(channel_lock_);
    channel = channel_.get();
  }
  Json::Value message;
  while (channel && channel->Receive(&message)) OnRendererMessage(message);
  OnRendererGone();
}

std::vector<CefRefPtr<MainBrowser>> Engine::AllBrowsers() {
  std::vector<CefRefPtr<MainBrowser>> all;
  std::lock_guard<std::mutex> g(lock_);
  for (auto& b : browsers_) all.push_back(b.second);
  return all;
}

void Engine::TellRenderProcessGone(const char* what, cef_termination_status_t status) {
  if (shutting_down_) return;
  EngineLog(LogLevel::kError, what);
  for (auto& b : AllBrowsers()) PostUi([b, status] { b->OnRenderProcessGone(status); });
}

bool Engine::MayRestart(std::deque<int64_t>* history, const char* what) {
  const int64_t now = static_cast<int64_t>(::GetTickCount64());
  while (!history->empty() && now - history->front() > 60000) history->pop_front();
  if (history->size() >= kMaxRestarts) {
    EngineLogAlways(std::string(what) + " has gone " + std::to_string(kMaxRestarts) +
                    " times within a minute; not starting it again");
    return false;
  }
  history->push_back(now);
  return true;
}

void Engine::OnRendererGone() {
  if (shutting_down_) return;
  // How it ended, from its exit code once it has fully ended.
  DWORD code = STILL_ACTIVE;
  if (renderer_process_ && ::WaitForSingleObject(renderer_process_, 2000) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(renderer_process_, &code);
  const auto status = static_cast<cef_termination_status_t>(TerminationStatusFromExitCode(code));
  {
    std::lock_guard<std::mutex> g(channel_lock_);
    channel_.reset();  // nothing more goes to the one that has gone
    renderer_restarting_ = true;
  }
  TellRenderProcessGone(("the renderer process has gone (exit code " + std::to_string(code) + ")").c_str(), status);
  // Not from this thread: starting again replaces it.
  if (worker_) worker_->Post([this] { RestartRenderer(); });
}

void Engine::RestartRenderer() {
  if (shutting_down_ || !ready_) return;
  if (channel_thread_.joinable()) channel_thread_.join();
  if (renderer_process_) {
    ::CloseHandle(renderer_process_);
    renderer_process_ = nullptr;
  }
  auto give_up = [this] {
    std::lock_guard<std::mutex> g(channel_lock_);
    renderer_restarting_ = false;
    to_renderer_.clear();
  };
  if (!MayRestart(&renderer_restarts_, "the renderer process")) return give_up();
  if (!StartRenderer(CefString(&settings_.locale).ToWString())) return give_up();
  EngineLog(LogLevel::kInfo, "the renderer process has been started again");
}

void Engine::RestartChromium() {
  CEF_REQUIRE_UI_THREAD();
  if (shutting_down_ || !ready_) return;
  if (!MayRestart(&chromium_restarts_, "Chromium")) {
    ready_ = false;
    return;
  }
  if (chromium_) chromium_->Stop(nullptr);
  chromium_.reset();
  if (devtools_) devtools_->Close();
  if (!StartChromium(settings_, command_line_)) {
    ready_ = false;
    return;
  }
  // Every browser gets a page in the new Chromium.
  for (auto& b : AllBrowsers()) {
    Json::Value p(Json::objectValue), result;
    std::string error;
    p["url"] = "about:blank";
    if (!devtools_->Call("", "Target.createTarget", p, &result, &error)) {
      EngineLog(LogLevel::kError, "no page for browser " + std::to_string(b->GetIdentifier()) + ": " + error);
      continue;
    }
    const std::string target = result["targetId"].asString();
    const std::string session = WaitForAttached(target, 10000);
    if (session.empty()) {
      EngineLog(LogLevel::kError, "no page for browser " + std::to_string(b->GetIdentifier()));
      CloseTarget(target);
      continue;
    }
    {
      std::lock_guard<std::mutex> g(lock_);
      sessions_.erase(b->session_id());
      targets_.erase(b->target_id());
      sessions_[session] = b;
      targets_[target] = b;
    }
    b->Rebind(target, session);
  }
  EngineLog(LogLevel::kInfo, "Chromium has been started again");
}

void Engine::OnRendererMessage(const Json::Value& m) {
  const std::string t = m["t"].asString();
  if (t == "props") {
    // What the renderer's handlers put on a context: install it there, and
    // for every later document of every browser.
    std::vector<BridgeProperty> props = BridgePropertiesFromJson(m["p"]);
    bool changed;
    {
      std::lock_guard<std::mutex> g(lock_);
      changed = !bridge_known_ || BridgePropertiesToJson(props) != BridgePropertiesToJson(bridge_props_);
      bridge_props_ = props;
      bridge_known_ = true;
    }
    const std::string script = BuildBridgeScript(props);
    CefRefPtr<MainBrowser> b = BrowserById(m["b"].asInt());
    if (b && devtools_) {
      const std::string key = m["c"].asString();
      const size_t colon = key.rfind(':');
      if (colon != std::string::npos) {
        Json::Value p(Json::objectValue);
        p["expression"] = script;
        p["contextId"] = std::atoi(key.c_str() + colon + 1);
        devtools_->Post(key.substr(0, colon), "Runtime.evaluate", p);
      }
    }
    if (changed) {
      for (auto& x : AllBrowsers()) PostUi([x, script] { x->OnBridgeKnown(script); });
    }
    return;
  }
  if (t == "msg") {
    CefRefPtr<MainBrowser> b = BrowserById(m["b"].asInt());
    CefRefPtr<ProcessMessageImpl> msg = ProcessMessageFromJson(m["m"]);
    if (!b || !msg) return;
    const int64 frame_id = m["f"].asInt64();
    PostUi([b, msg, frame_id] {
      CefRefPtr<CefClient> client = b->GetClient();
      if (!client || !b->IsValid()) return;
      CefRefPtr<CefFrame> frame = b->GetFrame(frame_id);
      if (!frame) frame = b->GetMainFrame();
      client->OnProcessMessageReceived(b.get(), frame, PID_RENDERER, msg.get());
    });
    return;
  }
  if (t == "log") EngineLog(LogLevel::kInfo, "renderer: " + m["text"].asString());
}

CefRefPtr<MainBrowser> Engine::BrowserForSession(const std::string& session) {
  std::lock_guard<std::mutex> g(lock_);
  auto it = sessions_.find(session);
  return it == sessions_.end() ? nullptr : it->second;
}

CefRefPtr<MainBrowser> Engine::BrowserById(int id) {
  std::lock_guard<std::mutex> g(lock_);
  auto it = browsers_.find(id);
  return it == browsers_.end() ? nullptr : it->second;
}

std::string Engine::BridgeScript() {
  std::lock_guard<std::mutex> g(lock_);
  return bridge_known_ ? BuildBridgeScript(bridge_props_) : std::string();
}

bool Engine::BridgeKnown() {
  std::lock_guard<std::mutex> g(lock_);
  return bridge_known_;
}

void Engine::Decode(int browser_id, std::string base64) {
  if (decoder_) decoder_->Submit(browser_id, std::move(base64));
}

void Engine::ForgetFrames(int browser_id) {
  if (decoder_) decoder_->Forget(browser_id);
}

// Runs on the DevTools receive thread: route, keep the order, do the
// context bookkeeping the bridge needs, hand the rest to the UI thread.
void Engine::OnDevToolsEvent(const std::string& session, const std::string& method, const Json::Value& params) {
  if (session.empty() && method == "Target.attachedToTarget") {
    const Json::Value& info = params["targetInfo"];
    const std::string target = info["targetId"].asString();
    const std::string child = params["sessionId"].asString();
    if (info["type"].asString() != "page") {
      // Workers and the like are not the engine's business: let them run.
      Json::Value none(Json::objectValue), detach(Json::objectValue);
      devtools_->Post(child, "Runtime.runIfWaitingForDebugger", none);
      detach["sessionId"] = child;
      devtools_->Post("", "Target.detachFromTarget", detach);
      return;
    }
    CefRefPtr<MainBrowser> opener;
    {
      std::lock_guard<std::mutex> g(lock_);
      const std::string opener_id = info["openerId"].asString();
      auto it = opener_id.empty() ? targets_.end() : targets_.find(opener_id);
      if (it != targets_.end()) opener = it->second;
      else attached_[target] = child;
    }
    attached_cv_.notify_all();
    if (opener) {
      const std::string url = info["url"].asString();
      PostUi([opener, target, child, url] { opener->OnPopupTarget(target, child, url); });
    }
    return;
  }
  if (session.empty()) {
    if (method == "Target.targetInfoChanged" || method == "Target.targetDestroyed" ||
        method == "Target.targetCrashed") {
      const std::string target = method == "Target.targetInfoChanged"
                                     ? params["targetInfo"]["targetId"].asString()
                                     : params["targetId"].asString();
      CefRefPtr<MainBrowser> b;
      {
        std::lock_guard<std::mutex> g(lock_);
        auto it = targets_.find(target);
        if (it != targets_.end()) b = it->second;
      }
      if (b) PostUi([b, method, params] { b->HandleEvent(method, params); });
    }
    return;
  }
  CefRefPtr<MainBrowser> b = BrowserForSession(session);
  if (!b) return;
  if (method == "Page.screencastFrame") {
    Json::Value ack(Json::objectValue);
    ack["sessionId"] = params["sessionId"];
    devtools_->Post(session, "Page.screencastFrameAck", ack);
    Decode(b->GetIdentifier(), params["data"].asString());
    return;
  }
  if (method == "Runtime.executionContextCreated") {
    const Json::Value& ctx = params["context"];
    const Json::Value& aux = ctx["auxData"];
    if (!aux["isDefault"].asBool()) return;  // isolated worlds are not the page's
    const std::string frame_id = aux["frameId"].asString();
    const int ctx_id = ctx["id"].asInt();
    b->RememberContext(ctx_id, frame_id);
    SendToRenderer(b->ContextMessage(ctx_id, frame_id, ctx["origin"]));
    return;
  }
  if (method == "Runtime.executionContextsCleared") {
    b->ClearContexts();
    return;
  }
  if (method == "Runtime.executionContextDestroyed") {
    b->ForgetContext(params["executionContextId"].asInt());
    Json::Value m(Json::objectValue);
    m["t"] = "ctx_gone";
    m["b"] = b->GetIdentifier();
    m["c"] = b->ContextKey(params["executionContextId"].asInt());
    SendToRenderer(m);
    return;
  }
  if (method == "Runtime.bindingCalled") {
    if (params["name"].asString() == kPageBindingName) {
      // The page's title, cursor and context menu: the browser's business.
      PostUi([b, method, params] { b->HandleEvent("page.report", params); });
      return;
    }
    if (params["name"].asString() != kBridgeBindingName) return;
    const int ctx_id = params["executionContextId"].asInt();
    Json::Value m(Json::objectValue);
    m["t"] = "call";
    m["b"] = b->GetIdentifier();
    m["c"] = b->ContextKey(ctx_id);
    m["p"] = params["payload"];
    SendToRenderer(m);
    return;
  }
  PostUi([b, method, params] { b->HandleEvent(method, params); });
}

void Engine::OnDevToolsClosed() {
  if (shutting_down_) return;
  TellRenderProcessGone("the connection to Chromium has closed", TS_PROCESS_WAS_KILLED);
  PostUi([this] { RestartChromium(); });
}

CefRefPtr<CefBrowser> Engine::CreateBrowser(const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                            const std::string& url, const CefBrowserSettings& settings) {
  if (!ui_ || !ui_->RunsOnCurrentThread()) {
    EngineLog(LogLevel::kError, "CreateBrowserSync called off the UI thread");
    return nullptr;
  }
  if (shutting_down_) {
    EngineLog(LogLevel::kWarning, "no browser: the engine is shutting down");
    return nullptr;
  }
  if (!ready_ || !devtools_) {
    EngineLog(LogLevel::kError, "no browser: the engine has no Chromium");
    return nullptr;
  }
  const bool windowless = info.windowless_rendering_enabled != 0;
  if (windowless && !windowless_allowed_) {
    EngineLog(LogLevel::kError, "no browser: windowless rendering is not enabled in the settings");
    return nullptr;
  }
  EngineLog(LogLevel::kVerbose, "creating a browser for " + url);
  Json::Value p(Json::objectValue), result;
  std::string error;
  // The page's size comes from the metrics set in Prepare (Chromium takes
  // a size here only for new windows).
  p["url"] = "about:blank";
  if (!devtools_->Call("", "Target.createTarget", p, &result, &error)) {
    EngineLog(LogLevel::kError, "no browser: Target.createTarget failed: " + error);
    return nullptr;
  }
  const std::string target = result["targetId"].asString();
  const std::string session = WaitForAttached(target, 10000);
  if (session.empty()) {
    EngineLog(LogLevel::kError, "no browser: Chromium did not attach the new page");
    CloseTarget(target);
    return nullptr;
  }
  return AdoptTarget(target, session, info, client, url, false, settings).get();
}

std::string Engine::WaitForAttached(const std::string& target, int timeout_ms) {
  std::unique_lock<std::mutex> g(lock_);
  attached_cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] { return attached_.count(target) > 0; });
  auto it = attached_.find(target);
  if (it == attached_.end()) return std::string();
  const std::string session = it->second;
  attached_.erase(it);
  return session;
}

void Engine::CloseTarget(const std::string& target) {
  if (!devtools_) return;
  Json::Value c(Json::objectValue);
  c["targetId"] = target;
  devtools_->Post("", "Target.closeTarget", c);
}

CefRefPtr<CefBrowser> Engine::AdoptPopup(const std::string& target, const std::string& session,
                                         const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                         const std::string& url, const CefBrowserSettings& settings) {
  CEF_REQUIRE_UI_THREAD();
  if (info.windowless_rendering_enabled && !windowless_allowed_) {
    EngineLog(LogLevel::kError, "no popup: windowless rendering is not enabled in the settings");
    CloseTarget(target);
    return nullptr;
  }
  return AdoptTarget(target, session, info, client, url, true, settings).get();
}

CefRefPtr<MainBrowser> Engine::AdoptTarget(const std::string& target, const std::string& session,
                                           const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                           const std::string& url, bool popup,
                                           const CefBrowserSettings& settings) {
  const bool windowless = info.windowless_rendering_enabled != 0;
  const uint32_t background = BackgroundColorFor(settings.background_color, background_argb_, windowless);
  // A size the system is to choose (CW_USEDEFAULT) or none gives the page
  // 800 x 600. A child window made without a size stays 0 x 0 until its
  // host places it; its page keeps the default size meanwhile.
  const bool default_size = info.bounds.width <= 0 || info.bounds.width == static_cast<int>(CW_USEDEFAULT);
  const int width = default_size ? 800 : info.bounds.width;
  const int height = info.bounds.height <= 0 || info.bounds.height == static_cast<int>(CW_USEDEFAULT)
                         ? 600 : info.bounds.height;
  const bool child = info.parent_window && (info.style & WS_CHILD) != 0;
  const bool empty_child = child && info.bounds.width <= 0 && info.bounds.height <= 0;
  EngineLog(LogLevel::kVerbose, "page target " + target + " attached as " + session);
  CefRefPtr<MainBrowser> browser;
  {
    std::lock_guard<std::mutex> g(lock_);
    browser = new MainBrowser(next_browser_id_++, client, target, session, windowless, background);
    sessions_[session] = browser;
    targets_[target] = browser;
    browsers_[browser->GetIdentifier()] = browser;
  }
  browser->FrameFor(target, true)->Update(url, "", 0);
  if (!windowless) {
    RECT r = {info.bounds.x, info.bounds.y, info.bounds.x + width, info.bounds.y + height};
    if (empty_child) r = {info.bounds.x, info.bounds.y, info.bounds.x, info.bounds.y};
    else if (info.bounds.x == static_cast<int>(CW_USEDEFAULT))
      r = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + width, CW_USEDEFAULT + height};
    browser->CreateWindowFor(info.parent_window, info.style, r);
  }
  Json::Value created(Json::objectValue);
  created["t"] = "browser";
  created["b"] = browser->GetIdentifier();
  SendToRenderer(created);
  browser->Prepare(width, height, url, popup);
  if (client) {
    CefRefPtr<CefLifeSpanHandler> life = client->GetLifeSpanHandler();
    if (life) life->OnAfterCreated(browser.get());
  }
  return browser;
}

void Engine::BrowserClosed(MainBrowser* browser) {
  CefRefPtr<MainBrowser> keep(browser);
  {
    std::lock_guard<std::mutex> g(lock_);
    sessions_.erase(browser->session_id());
    targets_.erase(browser->target_id());
    browsers_.erase(browser->GetIdentifier());
  }
  ForgetFrames(browser->GetIdentifier());
  Json::Value gone(Json::objectValue);
  gone["t"] = "browser_gone";
  gone["b"] = browser->GetIdentifier();
  SendToRenderer(gone);
}

void Engine::RunMessageLoop() {
  if (!ui_ || multi_threaded_) return;
  ui_->RunOnCurrentThread();
}

void Engine::QuitMessageLoop() {
  if (ui_ && !multi_threaded_) ui_->Quit();
}

void Engine::Shutdown() {
  if (!initialized_) return;
  // From here no fault starts anything again.
  shutting_down_ = true;
  // Close what is still open, on the UI thread, so that the clients see
  // OnBeforeClose as they would have. Once this has run on the UI thread,
  // no restart of Chromium runs there any more; stopping the worker waits
  // for a restart of the renderer.
  // The list is taken on the UI thread: a browser whose creation is running
  // there now (the application closing right after asking for it) is made
  // first, its window's messages to this thread served while this thread
  // waits, and closed with the others; creations asked for later are
  // refused. Taken here, it would miss that browser, whose window would
  // then be made while this thread no longer serves its messages.
  std::vector<CefRefPtr<MainBrowser>> all;
  if (multi_threaded_) {
    RunOnUiAndWait(ui_.get(), [this, &all] {
      all = AllBrowsers();
      for (auto& b : all) b->CloseNow();
    });
  } else {
    all = AllBrowsers();
    for (auto& b : all) b->CloseNow();
  }
  worker_->Stop();
  ready_ = false;
  if (chromium_) chromium_->Stop(devtools_.get());
  if (devtools_) devtools_->Close();
  {
    std::lock_guard<std::mutex> g(channel_lock_);
    if (channel_) channel_->Close();
  }
  if (channel_thread_.joinable()) channel_thread_.join();
  if (renderer_process_) {
    // The renderer ends when its channel closes; give it a moment.
    if (::WaitForSingleObject(renderer_process_, 3000) == WAIT_TIMEOUT) ::TerminateProcess(renderer_process_, 0);
    ::CloseHandle(renderer_process_);
    renderer_process_ = nullptr;
  }
  decoder_.reset();
  if (ui_) ui_->Stop();
  for (int id = TID_UI; id <= TID_RENDERER; ++id) RegisterEngineThread(static_cast<cef_thread_id_t>(id), nullptr);
  devtools_.reset();
  retired_devtools_.clear();
  chromium_.reset();
  {
    std::lock_guard<std::mutex> g(channel_lock_);
    channel_.reset();
  }
  process_handler_ = nullptr;
  command_line_ = nullptr;
  app_ = nullptr;
}

}  // namespace velora_engine

CefRefPtr<CefRequestContext> CefRequestContext::GetGlobalContext() {
  return velora_engine::GlobalRequestContext().get();
}

CefRefPtr<CefBrowser> CefBrowserHost::CreateBrowserSync(const CefWindowInfo& windowInfo,
                                                         CefRefPtr<CefClient> client,
                                                         const CefString& url,
                                                         const CefBrowserSettings& settings,
                                                         CefRefPtr<CefDictionaryValue> extra_info,
                                                         CefRefPtr<CefRequestContext> request_context) {
  return velora_engine::Engine::Get()->CreateBrowser(windowInfo, client, url.ToString(), settings);
}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                   const CefString& url, const CefBrowserSettings& settings,
                                   CefRefPtr<CefDictionaryValue> extra_info,
                                   CefRefPtr<CefRequestContext> request_context) {
  // Asynchronous creation: the browser arrives through OnAfterCreated.
  CefWindowInfo info(windowInfo);
  CefBrowserSettings copy(settings);
  std::string u = url.ToString();
  return velora_engine::Engine::Get()->PostUi([info, client, u, copy] {
    velora_engine::Engine::Get()->CreateBrowser(info, client, u, copy);
  });
}
