// The main process's browser: one Chromium page target, driven over its
// flattened DevTools session, with a window of its own in windowed mode.
// Everything here runs on the UI thread unless it says otherwise.
#include "engine_main_win.h"

#include "devtools_connection_win.h"
#include "engine_log_win.h"
#include "include/cef_display_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_request_handler.h"
#include "include/wrapper/cef_helpers.h"
#include "net_error_rules.h"
#include "request_impl.h"
#include "include/cef_resource_request_handler.h"
#include <shellapi.h>
#include "values_impl.h"

namespace velora_engine {

MainBrowser::MainBrowser(int id, CefRefPtr<CefClient> client, std::string target_id,
                         std::string session_id, bool windowless)
    : BrowserImpl(id), client_(client), target_id_(std::move(target_id)),
      session_id_(std::move(session_id)), windowless_(windowless) {}

MainBrowser::~MainBrowser() = default;

void MainBrowser::Send(const std::string& method, const Json::Value& params) {
  DevToolsConnection* dt = Engine::Get()->devtools();
  if (dt && !closed_) dt->Post(session_id_, method, params);
}

bool MainBrowser::CreateWindowFor(HWND parent, DWORD style, const RECT& rect) {
  CEF_REQUIRE_UI_THREAD();
  if (style == 0) style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
  window_ = BrowserWindow::Create(parent, style, rect, Engine::Get()->background(), this);
  hwnd_ = window_ ? window_->hwnd() : nullptr;
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
  RECT client;
  if (hwnd_ && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) == 0 && ::GetClientRect(hwnd_, &client)) {
    // A top-level window: the page gets its client area.
    width_ = client.right;
    height_ = client.bottom;
  }
  if (!window_) EngineLog(LogLevel::kError, "browser window could not be made (error " + std::to_string(::GetLastError()) + ")");
  return window_ != nullptr;
}

void MainBrowser::UpdateMetrics(int width, int height) {
  Json::Value m(Json::objectValue);
  m["width"] = width;
  m["height"] = height;
  m["deviceScaleFactor"] = 1;
  m["mobile"] = false;
  Send("Emulation.setDeviceMetricsOverride", m);
}

void MainBrowser::StartScreencast() {
  Json::Value s(Json::objectValue);
  s["format"] = "jpeg";
  s["quality"] = 85;
  s["maxWidth"] = width_;
  s["maxHeight"] = height_;
  s["everyNthFrame"] = 1;
  Send("Page.startScreencast", s);
}

void MainBrowser::Prepare(int width, int height, const std::string& url, bool popup) {
  CEF_REQUIRE_UI_THREAD();
  // A top-level window's page has the window's client area (set when the
  // window was made); a child window's or a windowless page the size given.
  if (!hwnd_ || (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) != 0) {
    width_ = width;
    height_ = height;
  }
  is_popup_ = popup;
  const Json::Value none(Json::objectValue);
  Send("Page.enable", none);
  // Every document request of the page's frames pauses for OnBeforeBrowse.
  Json::Value fetch(Json::objectValue), pattern(Json::objectValue);
  pattern["urlPattern"] = "*";
  pattern["resourceType"] = "Document";
  pattern["requestStage"] = "Request";
  fetch["patterns"].append(pattern);
  Send("Fetch.enable", fetch);
  Send("Network.enable", none);
  Send("Inspector.enable", none);
  Json::Value binding(Json::objectValue);
  binding["name"] = kBridgeBindingName;
  Send("Runtime.addBinding", binding);
  Send("Runtime.enable", none);
  Json::Value focus(Json::objectValue);
  focus["enabled"] = true;
  Send("Emulation.setFocusEmulationEnabled", focus);
  const COLORREF bg = Engine::Get()->background();
  Json::Value color(Json::objectValue);
  color["color"]["r"] = GetRValue(bg);
  color["color"]["g"] = GetGValue(bg);
  color["color"]["b"] = GetBValue(bg);
  color["color"]["a"] = 1;
  Send("Emulation.setDefaultBackgroundColorOverride", color);
  UpdateMetrics(width_, height_);
  if (!windowless_) StartScreencast();
  if (popup) {
    // The page is Chromium's already and loads its address by itself once
    // it runs: the bridge goes in first when it is known (the renderer has
    // answered for an earlier page), then the page runs.
    navigated_ = true;
    const std::string script = Engine::Get()->BridgeScript();
    if (!script.empty()) OnBridgeKnown(script);
    Send("Runtime.runIfWaitingForDebugger", none);
    popup_running_ = true;
    return;
  }
  // New pages wait for the engine; this one is still blank, so it may run.
  Send("Runtime.runIfWaitingForDebugger", none);
  pending_url_ = url;
  const std::string script = Engine::Get()->BridgeScript();
  if (!script.empty()) {
    OnBridgeKnown(script);
  } else {
    // The renderer answers for the first context within moments; a
    // renderer that does not answer must not keep the page from loading.
    CefRefPtr<MainBrowser> self(this);
    Engine::Get()->PostUi([self] {
      if (!self->navigated_ && !self->closed_ && self->restore_url_.empty()) {
        EngineLog(LogLevel::kWarning, "the renderer has not answered; loading without script functions");
        self->Navigate(self->pending_url_);
      }
    }, 5000);
  }
}

void MainBrowser::OnBridgeKnown(const std::string& script) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  DevToolsConnection* dt = Engine::Get()->devtools();
  if (!dt) return;
  if (!script_id_.empty()) {
    Json::Value r(Json::objectValue);
    r["identifier"] = script_id_;
    dt->Post(session_id_, "Page.removeScriptToEvaluateOnNewDocument", r);
    script_id_.clear();
  }
  Json::Value p(Json::objectValue);
  p["source"] = script;
  if (is_popup_ && !popup_running_) {
    // A popup waits to run and may have no page process yet: a command
    // that needs one would not be answered until it runs. The script goes
    // ahead of the command that lets it run, on the same session.
    CefRefPtr<MainBrowser> self(this);
    dt->Post(session_id_, "Page.addScriptToEvaluateOnNewDocument", p, [self](const Json::Value& r, const std::string&) {
      const std::string id = r["identifier"].asString();
      Engine::Get()->PostUi([self, id] { if (self->script_id_.empty()) self->script_id_ = id; });
    });
    return;
  }
  Json::Value result;
  std::string error;
  // Waited for: the navigation below must come after the script is in place.
  if (dt->Call(session_id_, "Page.addScriptToEvaluateOnNewDocument", p, &result, &error))
    script_id_ = result["identifier"].asString();
  if (!navigated_ && restore_url_.empty()) Navigate(pending_url_);
}

void MainBrowser::Navigate(const std::string& url) {
  navigated_ = true;
  Json::Value p(Json::objectValue);
  p["url"] = url.empty() ? "about:blank" : url;
  Send("Page.navigate", p);
}

void MainBrowser::FrameLoadURL(FrameImpl* frame, const std::string& url) {
  CefRefPtr<MainBrowser> self(this);
  const std::string frame_id = frame->devtools_id();
  const bool main = frame->IsMain();
  auto go = [self, url, frame_id, main] {
    if (self->closed_) return;
    if (!self->navigated_ && self->restore_url_.empty()) {
      // Still waiting for the renderer: just replace the address.
      self->pending_url_ = url;
      return;
    }
    if (!ChromiumLoadsScheme(UrlScheme(url)) && !UrlScheme(url).empty()) {
      // mailto: and programs' own protocols are the system's, not a page's.
      CefRefPtr<FrameImpl> f = self->FrameOrMain(main ? std::string() : frame_id);
      self->OnUnloadableNavigation(f, url);
      return;
    }
    self->restore_url_.clear();
    self->navigated_ = true;
    Json::Value p(Json::objectValue);
    p["url"] = url;
    if (!main) p["frameId"] = frame_id;
    self->Send("Page.navigate", p);
  };
  if (CefCurrentlyOn(TID_UI)) go();
  else Engine::Get()->PostUi(go);
}

void MainBrowser::FrameExecuteJavaScript(FrameImpl* frame, const std::string& code, const std::string&, int) {
  Json::Value p(Json::objectValue);
  p["expression"] = code;
  const int ctx = MainWorldContext(frame->devtools_id());
  if (ctx) p["contextId"] = ctx;
  Send("Runtime.evaluate", p);  // thread-safe: the connection serialises sends
}

void MainBrowser::FrameSendProcessMessage(FrameImpl* frame, CefProcessId target, CefRefPtr<CefProcessMessage> message) {
  if (target != PID_RENDERER) return;
  Json::Value m(Json::objectValue);
  m["t"] = "msg";
  m["b"] = GetIdentifier();
  m["f"] = Json::Int64(frame->GetIdentifier());
  m["fd"] = frame->devtools_id();
  m["main"] = frame->IsMain();
  m["m"] = ProcessMessageToJson(message);
  Engine::Get()->SendToRenderer(m);
}

void MainBrowser::FrameEdit(FrameImpl* frame, const char* command) {
  Json::Value p(Json::objectValue);
  p["expression"] = std::string("document.execCommand('") + command + "')";
  const int ctx = MainWorldContext(frame->devtools_id());
  if (ctx) p["contextId"] = ctx;
  Send("Runtime.evaluate", p);
}

void MainBrowser::GoBack() {
  Json::Value p(Json::objectValue);
  p["expression"] = "history.back()";
  Send("Runtime.evaluate", p);
}
void MainBrowser::GoForward() {
  Json::Value p(Json::objectValue);
  p["expression"] = "history.forward()";
  Send("Runtime.evaluate", p);
}
void MainBrowser::Reload() { ReloadWith(false); }
void MainBrowser::ReloadIgnoreCache() { ReloadWith(true); }

void MainBrowser::ReloadWith(bool ignore_cache) {
  CefRefPtr<MainBrowser> self(this);
  auto reload = [self, ignore_cache] {
    if (!self->restore_url_.empty()) {
      // The page of a Chromium that has gone comes back in the new one.
      const std::string url = self->restore_url_;
      self->restore_url_.clear();
      self->Navigate(url);
      return;
    }
    Json::Value p(Json::objectValue);
    if (ignore_cache) p["ignoreCache"] = true;
    self->Send("Page.reload", p);
  };
  if (CefCurrentlyOn(TID_UI)) reload();
  else Engine::Get()->PostUi(reload);
}
void MainBrowser::StopLoad() { Send("Page.stopLoading", Json::Value(Json::objectValue)); }

void MainBrowser::CloseBrowser(bool force_close) {
  CefRefPtr<MainBrowser> self(this);
  auto close = [self, force_close] {
    if (self->closing_) return;
    // Without force the client may take over closing (DoClose true); the
    // engine closes the browser itself otherwise.
    if (!force_close && self->client_) {
      CefRefPtr<CefLifeSpanHandler> life = self->client_->GetLifeSpanHandler();
      if (life && life->DoClose(self.get())) return;
    }
    self->CloseNow();
  };
  if (CefCurrentlyOn(TID_UI)) close();
  else Engine::Get()->PostUi(close);
}

bool MainBrowser::TryCloseBrowser() {
  CloseBrowser(false);
  return closed_;
}

void MainBrowser::CloseNow() {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  closing_ = true;
  closed_ = true;
  if (DevToolsConnection* dt = Engine::Get()->devtools()) {
    Json::Value p(Json::objectValue);
    p["targetId"] = target_id_;
    dt->Post("", "Target.closeTarget", p);
  }
  if (window_) {
    window_->Destroy();  // no delegate calls from here on
    window_.reset();
  }
  hwnd_ = nullptr;
  Engine::Get()->BrowserClosed(this);
  if (client_) {
    CefRefPtr<CefLifeSpanHandler> life = client_->GetLifeSpanHandler();
    if (life) life->OnBeforeClose(this);
  }
  DetachAll();
  ForgetContexts();
}

void MainBrowser::SetFocus(bool focus) {
  CefRefPtr<MainBrowser> self(this);
  Engine::Get()->PostUi([self, focus] {
    if (focus && self->hwnd_) ::SetFocus(self->hwnd_);
  });
}

CefRefPtr<CefRequestContext> MainBrowser::GetRequestContext() { return CefRequestContext::GetGlobalContext(); }

void MainBrowser::WasResized() {
  CefRefPtr<MainBrowser> self(this);
  Engine::Get()->PostUi([self] {
    if (self->hwnd_) {
      RECT r;
      ::GetClientRect(self->hwnd_, &r);
      self->OnWindowResized(r.right, r.bottom);
    }
  });
}

void MainBrowser::WasHidden(bool hidden) {
  // A hidden page needs no frames.
  if (hidden) Send("Page.stopScreencast", Json::Value(Json::objectValue));
  else StartScreencast();
}

namespace {
int ModifiersFromEventFlags(uint32 flags) {
  int m = 0;
  if (flags & EVENTFLAG_ALT_DOWN) m |= kModAlt;
  if (flags & EVENTFLAG_CONTROL_DOWN) m |= kModCtrl;
  if (flags & EVENTFLAG_COMMAND_DOWN) m |= kModMeta;
  if (flags & EVENTFLAG_SHIFT_DOWN) m |= kModShift;
  return m;
}
int ButtonsFromEventFlags(uint32 flags) {
  int b = 0;
  if (flags & EVENTFLAG_LEFT_MOUSE_BUTTON) b |= kButtonsLeft;
  if (flags & EVENTFLAG_RIGHT_MOUSE_BUTTON) b |= kButtonsRight;
  if (flags & EVENTFLAG_MIDDLE_MOUSE_BUTTON) b |= kButtonsMiddle;
  return b;
}
}  // namespace

void MainBrowser::SendKeyEvent(const CefKeyEvent& event) {
  if (event.type == KEYEVENT_CHAR) {
    std::string method;
    Json::Value p;
    if (CharEventFor(static_cast<char32_t>(event.character), ModifiersFromEventFlags(event.modifiers), &method, &p))
      Send(method, p);
    return;
  }
  KeyInput in;
  in.down = event.type != KEYEVENT_KEYUP;
  in.virtual_key = event.windows_key_code;
  in.modifiers = ModifiersFromEventFlags(event.modifiers);
  in.system_key = event.is_system_key != 0;
  Send("Input.dispatchKeyEvent", KeyEventParams(in));
}

void MainBrowser::SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp, int clickCount) {
  MouseInput in;
  in.type = mouseUp ? MouseInput::Type::kRelease : MouseInput::Type::kPress;
  in.button = type == MBT_LEFT ? MouseInput::Button::kLeft
            : type == MBT_MIDDLE ? MouseInput::Button::kMiddle : MouseInput::Button::kRight;
  in.x = event.x;
  in.y = event.y;
  in.modifiers = ModifiersFromEventFlags(event.modifiers);
  in.buttons = ButtonsFromEventFlags(event.modifiers);
  in.click_count = clickCount;
  NoteClick(in);
  Send("Input.dispatchMouseEvent", MouseEventParams(in));
}

void MainBrowser::SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) {
  if (mouseLeave) return;
  MouseInput in;
  in.x = event.x;
  in.y = event.y;
  in.modifiers = ModifiersFromEventFlags(event.modifiers);
  in.buttons = ButtonsFromEventFlags(event.modifiers);
  Send("Input.dispatchMouseEvent", MouseEventParams(in));
}

void MainBrowser::SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) {
  MouseInput in;
  in.type = MouseInput::Type::kWheel;
  in.x = event.x;
  in.y = event.y;
  in.modifiers = ModifiersFromEventFlags(event.modifiers);
  in.delta_x = -deltaX;
  in.delta_y = -deltaY;
  Send("Input.dispatchMouseEvent", MouseEventParams(in));
}

// --- window ---------------------------------------------------------------------

void MainBrowser::OnWindowResized(int width, int height) {
  if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  UpdateMetrics(width, height);
  Send("Page.stopScreencast", Json::Value(Json::objectValue));
  StartScreencast();
}

void MainBrowser::OnWindowMouse(const MouseInput& input) {
  NoteClick(input);
  Send("Input.dispatchMouseEvent", MouseEventParams(input));
}
void MainBrowser::OnWindowKey(const KeyInput& input) { Send("Input.dispatchKeyEvent", KeyEventParams(input)); }
void MainBrowser::OnWindowInput(const std::string& method, const Json::Value& params) { Send(method, params); }
void MainBrowser::OnWindowFocus(bool) {}
void MainBrowser::OnWindowFirstPaint() { EngineLog(LogLevel::kInfo, "first frame shown"); }

void MainBrowser::OnWindowDestroyed() {
  // The window went with its parent: the browser goes with it, as in the
  // engine. This runs inside the window's last message, so the window
  // object is let go of later.
  hwnd_ = nullptr;
  CefRefPtr<MainBrowser> self(this);
  Engine::Get()->PostUi([self] { self->CloseNow(); });
}

void MainBrowser::OnFrame(std::shared_ptr<DecodedFrame> frame) {
  if (window_ && !closed_) window_->ShowFrame(std::move(frame));
}

void MainBrowser::OnRenderProcessGone(cef_termination_status_t status) {
  if (closed_ || !client_) return;
  CefRefPtr<CefRequestHandler> handler = client_->GetRequestHandler();
  if (handler) handler->OnRenderProcessTerminated(this, status);
}

// --- new windows (UI thread) ------------------------------------------------------

void MainBrowser::NoteClick(const MouseInput& input) {
  if (input.type != MouseInput::Type::kPress) return;
  last_press_ = input;
  last_press_at_ = ::GetTickCount64();
}

RecentClick MainBrowser::RecentClickNow() const {
  RecentClick c;
  c.recent = last_press_at_ != 0 && ::GetTickCount64() - last_press_at_ < 1000;
  c.button = last_press_.button == MouseInput::Button::kLeft     ? 1
             : last_press_.button == MouseInput::Button::kMiddle ? 2
             : last_press_.button == MouseInput::Button::kRight  ? 3 : 0;
  c.ctrl = (last_press_.modifiers & kModCtrl) != 0;
  c.shift = (last_press_.modifiers & kModShift) != 0;
  return c;
}

void MainBrowser::OnWindowOpen(const Json::Value& params) {
  WindowOpen open;
  open.url = params["url"].asString();
  open.name = params["windowName"].asString();
  if (open.name == "_blank") open.name.clear();  // no name: a new, unnamed window
  std::string listed;
  for (const Json::Value& f : params["windowFeatures"]) {
    open.features.push_back(f.asString());
    listed += " " + f.asString();
  }
  EngineLog(LogLevel::kVerbose, "the page asks for a window: " + open.url + " features:" + listed);
  open.user_gesture = params["userGesture"].asBool();
  open.click = RecentClickNow();
  open.at = ::GetTickCount64();
  opens_.push_back(open);
  PairPopups(false);
}

void MainBrowser::OnPopupTarget(const std::string& target, const std::string& session, const std::string& url) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) {
    Engine::Get()->CloseTarget(target);
    return;
  }
  popup_targets_.push_back({target, session, url, ::GetTickCount64()});
  PairPopups(false);
}

// Chromium reports the wish (Page.windowOpen) and the new target
// (Target.attachedToTarget) separately and in either order. They are paired
// in order, by address where it is known. A half that finds no partner
// within a moment is decided alone: a target as a plain new tab, a wish by
// making a browser for its address.
void MainBrowser::PairPopups(bool expire) {
  while (!opens_.empty() && !popup_targets_.empty()) {
    size_t which = 0;
    for (size_t i = 0; i < opens_.size(); ++i)
      if (!popup_targets_.front().url.empty() && opens_[i].url == popup_targets_.front().url) { which = i; break; }
    const WindowOpen open = opens_[which];
    opens_.erase(opens_.begin() + which);
    const PopupTarget target = popup_targets_.front();
    popup_targets_.pop_front();
    DecidePopup(open, &target);
  }
  const ULONGLONG now = ::GetTickCount64();
  if (expire) {
    while (!popup_targets_.empty() && now - popup_targets_.front().at >= 800) {
      const PopupTarget target = popup_targets_.front();
      popup_targets_.pop_front();
      WindowOpen open;
      open.url = target.url;
      open.click = RecentClickNow();
      DecidePopup(open, &target);
    }
    while (!opens_.empty() && now - opens_.front().at >= 800) {
      const WindowOpen open = opens_.front();
      opens_.pop_front();
      DecidePopup(open, nullptr);
    }
  }
  if (!opens_.empty() || !popup_targets_.empty()) {
    CefRefPtr<MainBrowser> self(this);
    Engine::Get()->PostUi([self] { self->PairPopups(true); }, 200);
  }
}

void MainBrowser::DecidePopup(const WindowOpen& open, const PopupTarget* target) {
  CEF_REQUIRE_UI_THREAD();
  const std::string url = !open.url.empty() ? open.url : target ? target->url : std::string();
  CefRefPtr<CefLifeSpanHandler> life = client_ ? client_->GetLifeSpanHandler() : nullptr;
  const int disposition = PopupDisposition(open.features, open.click);
  const PopupGeometry geometry = PopupGeometryFrom(open.features);
  CefPopupFeatures features;
  features.x = geometry.x;
  features.xSet = geometry.x_set;
  features.y = geometry.y;
  features.ySet = geometry.y_set;
  features.width = geometry.width;
  features.widthSet = geometry.width_set;
  features.height = geometry.height;
  features.heightSet = geometry.height_set;
  // By default a top-level window of its own, owned by the opener's
  // top-level window, placed by the system unless the page asked.
  CefWindowInfo info;
  HWND owner = hwnd_ ? ::GetAncestor(hwnd_, GA_ROOT) : nullptr;
  if (windowless_) {
    info.SetAsWindowless(owner);
  } else {
    info.SetAsPopup(owner, CefString());
  }
  if (geometry.x_set) info.bounds.x = geometry.x;
  if (geometry.y_set) info.bounds.y = geometry.y;
  if (geometry.width_set) info.bounds.width = geometry.width;
  if (geometry.height_set) info.bounds.height = geometry.height;
  if (geometry.x_set != geometry.y_set) {
    if (!geometry.x_set) info.bounds.x = 0;
    if (!geometry.y_set) info.bounds.y = 0;
  }
  if (geometry.width_set && !geometry.height_set) info.bounds.height = 600;
  if (geometry.height_set && !geometry.width_set) info.bounds.width = 800;
  CefRefPtr<CefClient> client = client_;
  CefBrowserSettings settings;
  CefRefPtr<CefDictionaryValue> extra;
  bool no_javascript_access = false;
  const bool cancel = life && life->OnBeforePopup(this, GetMainFrame(), url, open.name,
                                                  static_cast<cef_window_open_disposition_t>(disposition),
                                                  open.user_gesture, features, info, client, settings, extra,
                                                  &no_javascript_access);
  if (cancel) {
    EngineLog(LogLevel::kVerbose, "popup for " + url + " cancelled by the client");
    if (target) Engine::Get()->CloseTarget(target->target);
    return;
  }
  if (target) {
    Engine::Get()->AdoptPopup(target->target, target->session, info, client, url);
  } else {
    // No target came: the page's wish alone, as a browser of its own.
    Engine::Get()->CreateBrowser(info, client, url, settings);
  }
}

// --- navigation policy (UI thread) --------------------------------------------------

CefRefPtr<FrameImpl> MainBrowser::FrameOrMain(const std::string& frame_id) {
  if (frame_id.empty() || frame_id == target_id_) return FrameFor(target_id_, true);
  CefRefPtr<FrameImpl> frame = FindFrame(frame_id);
  return frame ? frame : FrameFor(frame_id, false);
}

void MainBrowser::OnRequestPaused(const Json::Value& params) {
  const std::string id = params["requestId"].asString();
  const Json::Value& req = params["request"];
  CefRefPtr<FrameImpl> frame = FrameOrMain(params["frameId"].asString());
  RequestData data;
  data.url = req["url"].asString() + req["urlFragment"].asString();
  data.method = req["method"].asString();
  for (const auto& name : req["headers"].getMemberNames()) {
    data.headers.emplace_back(name, req["headers"][name].asString());
    if (name == "Referer" || name == "referer") data.referrer = req["headers"][name].asString();
  }
  data.resource_type = frame->IsMain() ? RT_MAIN_FRAME : RT_SUB_FRAME;
  const RecentClick click = RecentClickNow();
  data.transition = click.recent ? TT_LINK : TT_EXPLICIT;
  CefRefPtr<CefRequest> request = new RequestImpl(data);
  CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr;
  const bool is_redirect = params.isMember("redirectedRequestId");
  const bool cancel = handler && handler->OnBeforeBrowse(this, frame.get(), request, click.recent, is_redirect);
  Json::Value p(Json::objectValue);
  p["requestId"] = id;
  if (cancel) {
    EngineLog(LogLevel::kVerbose, "navigation to " + data.url + " refused by the client");
    p["errorReason"] = "Aborted";
    Send("Fetch.failRequest", p);
  } else {
    Send("Fetch.continueRequest", p);
  }
}

void MainBrowser::OnUnloadableNavigation(CefRefPtr<FrameImpl> frame, const std::string& url) {
  CEF_REQUIRE_UI_THREAD();
  CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr;
  RequestData data;
  data.url = url;
  data.resource_type = frame->IsMain() ? RT_MAIN_FRAME : RT_SUB_FRAME;
  const RecentClick click = RecentClickNow();
  data.transition = click.recent ? TT_LINK : TT_EXPLICIT;
  CefRefPtr<CefRequest> request = new RequestImpl(data);
  // A navigation like any other first; then the system's handler, if the
  // client allows it. The page stays where it was either way.
  if (handler && handler->OnBeforeBrowse(this, frame.get(), request, click.recent, false)) {
    EngineLog(LogLevel::kVerbose, "navigation to " + url + " refused by the client");
    return;
  }
  bool allow = false;
  if (handler) {
    bool disable_default_handling = false;
    CefRefPtr<CefResourceRequestHandler> resource = handler->GetResourceRequestHandler(
        this, frame.get(), request, true, false, CefString(), disable_default_handling);
    if (resource) resource->OnProtocolExecution(this, frame.get(), request, allow);
  }
  if (!allow) {
    EngineLog(LogLevel::kInfo, "no handler for " + url + " (not allowed to the system)");
    return;
  }
  const std::wstring wide = FromUtf8(url);
  const HINSTANCE r = ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(r) <= 32)
    EngineLog(LogLevel::kWarning, "the system could not open " + url + " (" +
                                      std::to_string(reinterpret_cast<INT_PTR>(r)) + ")");
}

// --- contexts (receive thread and UI thread) ----------------------------------

void MainBrowser::RememberContext(int context_id, const std::string& frame_id) {
  std::lock_guard<std::mutex> g(contexts_lock_);
  contexts_[context_id] = frame_id;
}

std::string MainBrowser::ContextFrame(int context_id) {
  std::lock_guard<std::mutex> g(contexts_lock_);
  auto it = contexts_.find(context_id);
  return it == contexts_.end() ? std::string() : it->second;
}

int MainBrowser::MainWorldContext(const std::string& frame_id) {
  std::lock_guard<std::mutex> g(contexts_lock_);
  int found = 0;
  for (const auto& c : contexts_)
    if (c.second == frame_id) found = c.first;  // the newest one
  return found;
}

void MainBrowser::ForgetContexts() {
  std::lock_guard<std::mutex> g(contexts_lock_);
  contexts_.clear();
}

Json::Value MainBrowser::ContextMessage(int context_id, const std::string& frame_id, const Json::Value& url) {
  const bool is_main = frame_id == target_id_;
  CefRefPtr<FrameImpl> frame = FrameFor(frame_id, is_main);
  Json::Value m(Json::objectValue);
  m["t"] = "ctx";
  m["b"] = GetIdentifier();
  m["c"] = ContextKey(context_id);
  m["f"] = Json::Int64(frame->GetIdentifier());
  m["fd"] = frame_id;
  m["main"] = is_main;
  m["url"] = url;
  return m;
}

std::vector<Json::Value> MainBrowser::ContextMessages() {
  std::map<int, std::string> contexts;
  {
    std::lock_guard<std::mutex> g(contexts_lock_);
    contexts = contexts_;
  }
  std::vector<Json::Value> messages;
  for (const auto& c : contexts) {
    CefRefPtr<FrameImpl> frame = FindFrame(c.second);
    messages.push_back(ContextMessage(c.first, c.second, frame ? frame->GetURL().ToString() : ""));
  }
  return messages;
}

void MainBrowser::ForgetContext(int context_id) {
  std::lock_guard<std::mutex> g(contexts_lock_);
  contexts_.erase(context_id);
}

void MainBrowser::Rebind(const std::string& target_id, const std::string& session_id) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  // The renderer forgets the contexts of the page that has gone.
  {
    std::lock_guard<std::mutex> g(contexts_lock_);
    for (const auto& c : contexts_) {
      Json::Value gone(Json::objectValue);
      gone["t"] = "ctx_gone";
      gone["b"] = GetIdentifier();
      gone["c"] = ContextKey(c.first);
      Engine::Get()->SendToRenderer(gone);
    }
    contexts_.clear();
  }
  CefRefPtr<CefFrame> main = GetMainFrame();
  const std::string url = main ? main->GetURL().ToString() : std::string();
  ResetFrames();
  target_id_ = target_id;
  session_id_ = session_id;
  script_id_.clear();
  status_.clear();
  requests_.clear();
  failed_.clear();
  FrameFor(target_id_, true)->Update(url, "", 0);
  // Blank until the client asks again; Reload brings the address back.
  restore_url_ = url.empty() ? "about:blank" : url;
  navigated_ = false;
  Prepare(width_, height_, std::string());
}

// --- page events (UI thread) ----------------------------------------------------

void MainBrowser::HandleEvent(const std::string& method, const Json::Value& params) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  CefRefPtr<CefLoadHandler> load = client_ ? client_->GetLoadHandler() : nullptr;
  CefRefPtr<CefDisplayHandler> display = client_ ? client_->GetDisplayHandler() : nullptr;

  if (method == "Fetch.requestPaused") {
    OnRequestPaused(params);
    return;
  }
  if (method == "Page.frameRequestedNavigation") {
    const std::string url = params["url"].asString();
    if (!ChromiumLoadsScheme(UrlScheme(url))) OnUnloadableNavigation(FrameOrMain(params["frameId"].asString()), url);
    return;
  }
  if (method == "Page.windowOpen") {
    OnWindowOpen(params);
    return;
  }
  if (method == "Page.frameAttached") {
    FrameFor(params["frameId"].asString(), false);
    return;
  }
  if (method == "Page.frameDetached") {
    RemoveFrame(params["frameId"].asString());
    return;
  }
  if (method == "Page.frameStartedLoading") {
    const std::string id = params["frameId"].asString();
    failed_.erase(id);
    if (id == target_id_ && navigated_) {
      loading_ = true;
      if (load) load->OnLoadingStateChange(this, true, can_go_back_, can_go_forward_);
    }
    return;
  }
  if (method == "Page.frameNavigated") {
    const Json::Value& f = params["frame"];
    const std::string id = f["id"].asString();
    const bool is_main = !f.isMember("parentId");
    std::string url = f["url"].asString() + f["urlFragment"].asString();
    if (f.isMember("unreachableUrl")) url = f["unreachableUrl"].asString();
    int64 parent = 0;
    if (!is_main) {
      CefRefPtr<FrameImpl> p = FindFrame(f["parentId"].asString());
      if (p) parent = p->GetIdentifier();
    }
    CefRefPtr<FrameImpl> frame = FrameFor(id, is_main);
    frame->Update(url, f["name"].asString(), parent);
    if (!navigated_) return;  // the blank page the browser starts on
    has_document_ = true;
    if (f.isMember("unreachableUrl")) return;  // Chromium's error page: OnLoadError said it
    if (load) load->OnLoadStart(this, frame.get(), TT_EXPLICIT);
    if (is_main && display) display->OnAddressChange(this, frame.get(), url);
    return;
  }
  if (method == "Page.navigatedWithinDocument") {
    CefRefPtr<FrameImpl> frame = FindFrame(params["frameId"].asString());
    if (!frame) return;
    frame->Update(params["url"].asString(), frame->GetName().ToString(), 0);
    if (frame->IsMain() && display) display->OnAddressChange(this, frame.get(), params["url"].asString());
    return;
  }
  if (method == "Network.requestWillBeSent") {
    if (params["type"].asString() == "Document") {
      requests_[params["requestId"].asString()] = params["frameId"].asString();
      if (requests_.size() > 256) requests_.erase(requests_.begin());
    }
    return;
  }
  if (method == "Network.responseReceived") {
    if (params["type"].asString() == "Document")
      status_[params["frameId"].asString()] = params["response"]["status"].asInt();
    return;
  }
  if (method == "Network.loadingFailed") {
    auto it = requests_.find(params["requestId"].asString());
    if (it == requests_.end()) return;
    const std::string frame_id = it->second;
    requests_.erase(it);
    if (!navigated_) return;
    CefRefPtr<FrameImpl> frame = FindFrame(frame_id);
    if (!frame) frame = FrameFor(frame_id, frame_id == target_id_);
    const std::string text = params["errorText"].asString();
    const int code = params["canceled"].asBool() && text.empty() ? -3 : NetErrorCodeFromText(text);
    failed_.insert(frame_id);
    if (load) load->OnLoadError(this, frame.get(), static_cast<cef_errorcode_t>(code),
                                NetErrorTextFromCode(code).substr(5), frame->GetURL());
    return;
  }
  if (method == "Page.frameStoppedLoading") {
    const std::string id = params["frameId"].asString();
    if (!navigated_) return;
    CefRefPtr<FrameImpl> frame = FindFrame(id);
    if (frame && !failed_.count(id) && load) {
      auto st = status_.find(id);
      load->OnLoadEnd(this, frame.get(), st == status_.end() ? 200 : st->second);
    }
    if (id == target_id_) {
      loading_ = false;
      if (load) load->OnLoadingStateChange(this, false, can_go_back_, can_go_forward_);
    }
    return;
  }
  if (method == "Target.targetInfoChanged") {
    const std::string title = params["targetInfo"]["title"].asString();
    const std::string url = params["targetInfo"]["url"].asString();
    // Chromium names an untitled page after its address; so does the
    // engine, once the page has loaded something.
    if (navigated_ && title != title_ && !(title == "about:blank" && title_.empty())) {
      title_ = title;
      if (display) display->OnTitleChange(this, title);
    }
    return;
  }
  if (method == "Inspector.targetCrashed" || method == "Target.targetCrashed") {
    OnRenderProcessGone(TS_PROCESS_CRASHED);
    return;
  }
  if (method == "Target.targetDestroyed" || method == "Inspector.detached") {
    // Closed from outside (Chromium ending, a page's window.close()).
    if (!closing_) CloseNow();
    return;
  }
}

}  // namespace velora_engine
