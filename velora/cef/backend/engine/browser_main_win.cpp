// The main process's browser: one Chromium page target, driven over its
// flattened DevTools session, with a window of its own in windowed mode.
// Everything here runs on the UI thread unless it says otherwise.
#include "engine_main_win.h"

#include "devtools_connection_win.h"
#include "engine_log_win.h"
#include "include/cef_display_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_handler.h"
#include "include/cef_request_handler.h"
#include "include/wrapper/cef_helpers.h"
#include "net_error_rules.h"
#include "paint_rules.h"
#include "page_watch_rules.h"
#include "context_menu_impl.h"
#include "drag_data_impl.h"
#include "include/cef_drag_handler.h"
#include "include/cef_context_menu_handler.h"
#include <json/reader.h>
#include "request_impl.h"
#include "include/cef_resource_request_handler.h"
#include <shellapi.h>
#include "values_impl.h"

namespace velora_engine {

MainBrowser::MainBrowser(int id, CefRefPtr<CefClient> client, std::string target_id,
                         std::string session_id, bool windowless, uint32_t background)
    : BrowserImpl(id), client_(client), target_id_(std::move(target_id)),
      session_id_(std::move(session_id)), windowless_(windowless),
      background_(background), transparent_((background >> 24) == 0) {}

MainBrowser::~MainBrowser() = default;

void MainBrowser::Send(const std::string& method, const Json::Value& params) {
  DevToolsConnection* dt = Engine::Get()->devtools();
  if (dt && !closed_) dt->Post(session_id_, method, params);
}

bool MainBrowser::CreateWindowFor(HWND parent, DWORD style, const RECT& rect) {
  CEF_REQUIRE_UI_THREAD();
  if (style == 0) style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
  const COLORREF shown = RGB((background_ >> 16) & 0xFF, (background_ >> 8) & 0xFF, background_ & 0xFF);
  window_ = BrowserWindow::Create(parent, style, rect, shown, this);
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
  // A transparent page needs its alpha, which only PNG keeps.
  if (transparent_) {
    s["format"] = "png";
  } else {
    s["format"] = "jpeg";
    s["quality"] = 85;
  }
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
  if (windowless_) AskViewSize(&width_, &height_);
  is_popup_ = popup;
  popup_ = popup;
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
  binding["name"] = kPageBindingName;
  Send("Runtime.addBinding", binding);
  // The watch script goes in ahead of the command that lets the page run,
  // on the same session, so every document has it.
  Json::Value watch(Json::objectValue);
  watch["source"] = PageWatchScript(windowless_);
  Send("Page.addScriptToEvaluateOnNewDocument", watch);
  Send("Runtime.enable", none);
  Json::Value focus(Json::objectValue);
  focus["enabled"] = true;
  Send("Emulation.setFocusEmulationEnabled", focus);
  Json::Value color(Json::objectValue);
  color["color"]["r"] = (background_ >> 16) & 0xFF;
  color["color"]["g"] = (background_ >> 8) & 0xFF;
  color["color"]["b"] = background_ & 0xFF;
  color["color"]["a"] = transparent_ ? 0 : 1;
  Send("Emulation.setDefaultBackgroundColorOverride", color);
  UpdateMetrics(width_, height_);
  StartScreencast();
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

void MainBrowser::EvaluateInFrame(const std::string& frame_id, const std::string& expression) {
  Json::Value p(Json::objectValue);
  p["expression"] = expression;
  const int ctx = MainWorldContext(frame_id);
  if (ctx) p["contextId"] = ctx;
  Send("Runtime.evaluate", p);  // thread-safe: the connection serialises sends
}

void MainBrowser::FrameExecuteJavaScript(FrameImpl* frame, const std::string& code, const std::string&, int) {
  EvaluateInFrame(frame->devtools_id(), code);
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
  EvaluateInFrame(frame->devtools_id(), std::string("document.execCommand('") + command + "')");
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
  if (menu_owner_) {
    ::DestroyWindow(menu_owner_);
    menu_owner_ = nullptr;
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
    if (self->windowless_) {
      // No window to focus: the page keeps the focus it is given from the
      // start (focus emulation), so keys reach its focused element. Losing
      // the focus is played to the page: its focused element is blurred
      // and the window hears "blur", as when the view loses the focus.
      self->CloseSelectPopup();
      if (!focus) {
        self->EvaluateInFrame(self->target_id_,
                              "(function(){var a=document.activeElement;if(a&&a!==document.body&&a.blur)a.blur();"
                              "window.dispatchEvent(new FocusEvent('blur'));})()");
      }
      return;
    }
    if (focus && self->hwnd_) ::SetFocus(self->hwnd_);
  });
}

CefRefPtr<CefRequestContext> MainBrowser::GetRequestContext() { return CefRequestContext::GetGlobalContext(); }

void MainBrowser::WasResized() {
  CefRefPtr<MainBrowser> self(this);
  Engine::Get()->PostUi([self] {
    if (self->windowless_) {
      self->ResizeWindowless();
    } else if (self->hwnd_) {
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

void MainBrowser::Invalidate(PaintElementType type) {
  if (!windowless_ || type != PET_VIEW) return;
  CefRefPtr<MainBrowser> self(this);
  Engine::Get()->PostUi([self] {
    // The last frame again, whole.
    self->paint_full_ = true;
    if (self->painted_) self->PaintWindowless(self->painted_);
  });
}

bool MainBrowser::AskViewSize(int* width, int* height) {
  CEF_REQUIRE_UI_THREAD();
  CefRefPtr<CefRenderHandler> render = client_ ? client_->GetRenderHandler() : nullptr;
  if (!render) return false;
  CefRect rect(0, 0, *width > 0 ? *width : 800, *height > 0 ? *height : 600);
  render->GetViewRect(this, rect);
  if (rect.width <= 0 || rect.height <= 0) return false;
  *width = rect.width;
  *height = rect.height;
  return true;
}

void MainBrowser::ResizeWindowless() {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  int w = width_, h = height_;
  AskViewSize(&w, &h);
  // The same size changes nothing and paints nothing: clients call this
  // freely (on every paint of their own, say), and a frame here would ask
  // them to paint again.
  if (w == width_ && h == height_) return;
  CloseSelectPopup();
  paint_full_ = true;
  width_ = w;
  height_ = h;
  UpdateMetrics(w, h);
  // A new screencast starts with a frame of the new size.
  Send("Page.stopScreencast", Json::Value(Json::objectValue));
  StartScreencast();
}

void MainBrowser::PaintWindowless(std::shared_ptr<DecodedFrame> frame) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_ || !frame) return;
  // Frames of an earlier size are still on their way after a resize.
  if (frame->width != width_ || frame->height != height_) return;
  CefRefPtr<CefRenderHandler> render = client_ ? client_->GetRenderHandler() : nullptr;
  if (!render) {
    // Nobody to show it to now: whoever comes next gets a whole frame.
    paint_full_ = true;
    return;
  }
  const DecodedFrame* before = paint_full_ ? nullptr : painted_.get();
  const std::vector<PaintRect> dirty =
      FrameDirtyRects(before ? before->pixels.data() : nullptr, before ? before->width : 0,
                      before ? before->height : 0, frame->pixels.data(), frame->width, frame->height);
  if (dirty.empty()) return;  // nothing changed
  CefRenderHandler::RectList rects;
  rects.reserve(dirty.size());
  for (const PaintRect& r : dirty) rects.push_back(CefRect(r.x, r.y, r.width, r.height));
  painted_ = frame;
  paint_full_ = false;
  render->OnPaint(this, PET_VIEW, rects, frame->pixels.data(), frame->width, frame->height);
}

void MainBrowser::SendKeyEvent(const CefKeyEvent& event) {
  if (windowless_ && !CefCurrentlyOn(TID_UI)) {
    CefRefPtr<MainBrowser> self(this);
    const CefKeyEvent copy = event;
    Engine::Get()->PostUi([self, copy] { self->SendKeyEvent(copy); });
    return;
  }
  if (windowless_ && select_.open && event.type == KEYEVENT_RAWKEYDOWN && event.windows_key_code == VK_ESCAPE) {
    CloseSelectPopup();  // Escape closes the list, as it does Chromium's
    return;
  }
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
  in.caps_lock = CapsLockFromEventFlags(event.modifiers);
  in.system_key = event.is_system_key != 0;
  Send("Input.dispatchKeyEvent", KeyEventParams(in));
}

void MainBrowser::SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp, int clickCount) {
  if (windowless_ && !CefCurrentlyOn(TID_UI)) {
    // A windowless view's input goes through the UI thread, where its
    // select list lives, in the order it was sent.
    CefRefPtr<MainBrowser> self(this);
    const CefMouseEvent copy = event;
    Engine::Get()->PostUi([self, copy, type, mouseUp, clickCount] {
      self->SendMouseClickEvent(copy, type, mouseUp, clickCount);
    });
    return;
  }
  MouseInput in;
  in.type = mouseUp ? MouseInput::Type::kRelease : MouseInput::Type::kPress;
  in.button = type == MBT_LEFT ? MouseInput::Button::kLeft
            : type == MBT_MIDDLE ? MouseInput::Button::kMiddle : MouseInput::Button::kRight;
  in.x = event.x;
  in.y = event.y;
  in.modifiers = ModifiersFromEventFlags(event.modifiers);
  in.buttons = ButtonsFromEventFlags(event.modifiers);
  in.click_count = clickCount;
  // The click is noted on the UI thread, ahead of anything the page's
  // answer to it posts there.
  if (CefCurrentlyOn(TID_UI)) {
    if (windowless_ && SelectPopupTakesClick(in)) return;
    NoteClick(in);
  } else {
    CefRefPtr<MainBrowser> self(this);
    Engine::Get()->PostUi([self, in] { self->NoteClick(in); });
  }
  Send("Input.dispatchMouseEvent", MouseEventParams(in));
}

void MainBrowser::SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) {
  if (windowless_ && !CefCurrentlyOn(TID_UI)) {
    CefRefPtr<MainBrowser> self(this);
    const CefMouseEvent copy = event;
    Engine::Get()->PostUi([self, copy, mouseLeave] { self->SendMouseMoveEvent(copy, mouseLeave); });
    return;
  }
  MouseInput in;
  if (mouseLeave) in.type = MouseInput::Type::kLeave;
  in.x = event.x;
  in.y = event.y;
  in.modifiers = ModifiersFromEventFlags(event.modifiers);
  in.buttons = ButtonsFromEventFlags(event.modifiers);
  Send("Input.dispatchMouseEvent", MouseEventParams(in));
}

void MainBrowser::SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) {
  if (windowless_ && !CefCurrentlyOn(TID_UI)) {
    CefRefPtr<MainBrowser> self(this);
    const CefMouseEvent copy = event;
    Engine::Get()->PostUi([self, copy, deltaX, deltaY] { self->SendMouseWheelEvent(copy, deltaX, deltaY); });
    return;
  }
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
  CEF_REQUIRE_UI_THREAD();
  if (windowless_) {
    PaintWindowless(std::move(frame));
    return;
  }
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
  menu_armed_ = input.button == MouseInput::Button::kRight;
  select_armed_ = input.button == MouseInput::Button::kLeft;
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
    Engine::Get()->AdoptPopup(target->target, target->session, info, client, url, settings);
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
  context_order_[context_id] = ++contexts_made_;
}

std::string MainBrowser::ContextFrame(int context_id) {
  std::lock_guard<std::mutex> g(contexts_lock_);
  auto it = contexts_.find(context_id);
  return it == contexts_.end() ? std::string() : it->second;
}

int MainBrowser::MainWorldContext(const std::string& frame_id) {
  std::lock_guard<std::mutex> g(contexts_lock_);
  // The newest one by creation: ids alone start again in a new process.
  int found = 0;
  uint64_t made = 0;
  for (const auto& c : contexts_)
    if (c.second == frame_id && context_order_[c.first] >= made) {
      found = c.first;
      made = context_order_[c.first];
    }
  return found;
}

void MainBrowser::ForgetContexts() {
  std::lock_guard<std::mutex> g(contexts_lock_);
  contexts_.clear();
  context_order_.clear();
}

void MainBrowser::ClearContexts() {
  std::lock_guard<std::mutex> g(contexts_lock_);
  for (const auto& c : contexts_) {
    Json::Value gone(Json::objectValue);
    gone["t"] = "ctx_gone";
    gone["b"] = GetIdentifier();
    gone["c"] = ContextKey(c.first);
    Engine::Get()->SendToRenderer(gone);
  }
  contexts_.clear();
  context_order_.clear();
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
  context_order_.erase(context_id);
}

void MainBrowser::Rebind(const std::string& target_id, const std::string& session_id) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  // The renderer forgets the contexts of the page that has gone.
  ClearContexts();
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
  if (method == "page.report") {
    OnPageReport(params);
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

namespace velora_engine {

// --- the page's own reports (UI thread) ----------------------------------------

void MainBrowser::OnPageReport(const Json::Value& params) {
  CEF_REQUIRE_UI_THREAD();
  // Only this page's own worlds speak, and only the top-level document for
  // the title and its select lists.
  const std::string from = ContextFrame(params["executionContextId"].asInt());
  if (from.empty()) return;
  const bool top = from == target_id_;
  Json::Value report;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  const std::string payload = params["payload"].asString();
  std::string error;
  if (!reader->parse(payload.data(), payload.data() + payload.size(), &report, &error) || !report.isObject()) return;
  const std::string kind = report["k"].asString();
  if (!top && kind != "cursor" && kind != "menu") return;
  if (kind == "menu" && !top) {
    // A frame knows its own coordinates only: the menu goes where the
    // engine sent the right press, and the page is the top-level one.
    report["x"] = last_press_.x;
    report["y"] = last_press_.y;
    CefRefPtr<CefFrame> main = GetMainFrame();
    report["page"] = main ? main->GetURL().ToString() : std::string();
  }
  if (kind == "title") {
    // An untitled page is named after its address, as the engine does.
    std::string title = report["v"].asString();
    if (title.empty()) title = report["url"].asString();
    if (title == title_) return;
    title_ = title;
    CefRefPtr<CefDisplayHandler> display = client_ ? client_->GetDisplayHandler() : nullptr;
    if (display) display->OnTitleChange(this, title);
  } else if (kind == "cursor") {
    OnPageCursor(report["v"].asString());
  } else if (kind == "menu") {
    OnPageContextMenu(report);
  } else if (kind == "select") {
    OpenSelectPopup(report);
  }
}

// --- the select list of a windowless view (UI thread) ---------------------------

namespace {
constexpr int kSelectRowHeight = 20;
}  // namespace

void MainBrowser::OpenSelectPopup(const Json::Value& report) {
  CEF_REQUIRE_UI_THREAD();
  // Only right after a left press the engine sent: a page cannot open it.
  if (!windowless_ || !select_armed_ || closed_) return;
  select_armed_ = false;
  SelectReport r;
  if (!SelectReportFrom(report, &r) || r.options.empty()) return;
  CefRefPtr<CefRenderHandler> render = client_ ? client_->GetRenderHandler() : nullptr;
  if (!render) return;
  if (select_.open) CloseSelectPopup();
  PaintRect element;
  element.x = r.x;
  element.y = r.y;
  element.width = r.width;
  element.height = r.height;
  const int count = static_cast<int>(r.options.size());
  select_.rect = SelectPopupRect(element, count, kSelectRowHeight, width_, height_);
  select_.rows = std::min(count, std::max(1, (select_.rect.height - 2) / kSelectRowHeight));
  select_.first = SelectPopupFirstRow(count, select_.rows, std::max(r.selected, 0));
  select_.id = r.id;
  select_.options = std::move(r.options);
  select_.disabled = std::move(r.disabled);
  select_.selected = r.selected;
  select_.open = true;
  render->OnPopupShow(this, true);
  render->OnPopupSize(this, CefRect(select_.rect.x, select_.rect.y, select_.rect.width, select_.rect.height));
  PaintSelectPopup();
}

void MainBrowser::PaintSelectPopup() {
  CEF_REQUIRE_UI_THREAD();
  CefRefPtr<CefRenderHandler> render = client_ ? client_->GetRenderHandler() : nullptr;
  if (!select_.open || !render) return;
  const int w = select_.rect.width, h = select_.rect.height;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = dc ? ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!bitmap || !bits) {
    if (bitmap) ::DeleteObject(bitmap);
    if (dc) ::DeleteDC(dc);
    return;
  }
  HGDIOBJ old_bitmap = ::SelectObject(dc, bitmap);
  RECT all = {0, 0, w, h};
  HBRUSH white = ::CreateSolidBrush(RGB(255, 255, 255));
  HBRUSH border = ::CreateSolidBrush(RGB(122, 122, 122));
  HBRUSH chosen = ::CreateSolidBrush(RGB(0, 120, 215));
  ::FillRect(dc, &all, white);
  ::FrameRect(dc, &all, border);
  HFONT font = ::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Microsoft YaHei");
  HGDIOBJ old_font = font ? ::SelectObject(dc, font) : nullptr;
  ::SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < select_.rows; ++i) {
    const int index = select_.first + i;
    if (index >= static_cast<int>(select_.options.size())) break;
    RECT row = {1, 1 + i * kSelectRowHeight, w - 1, 1 + (i + 1) * kSelectRowHeight};
    if (index == select_.selected) {
      ::FillRect(dc, &row, chosen);
      ::SetTextColor(dc, RGB(255, 255, 255));
    } else {
      ::SetTextColor(dc, select_.disabled[index] ? RGB(160, 160, 160) : RGB(0, 0, 0));
    }
    RECT text = row;
    text.left += 6;
    text.right -= 4;
    const std::wstring label = FromUtf8(select_.options[index]);
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  ::GdiFlush();
  // GDI leaves alpha alone: the list is opaque.
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + static_cast<size_t>(w) * h);
  for (uint32_t& p : pixels) p |= 0xFF000000u;
  if (old_font) ::SelectObject(dc, old_font);
  if (font) ::DeleteObject(font);
  ::SelectObject(dc, old_bitmap);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::DeleteObject(white);
  ::DeleteObject(border);
  ::DeleteObject(chosen);
  CefRenderHandler::RectList rects(1, CefRect(0, 0, w, h));
  render->OnPaint(this, PET_POPUP, rects, pixels.data(), w, h);
}

void MainBrowser::CloseSelectPopup() {
  CEF_REQUIRE_UI_THREAD();
  if (!select_.open) return;
  select_.open = false;
  CefRefPtr<CefRenderHandler> render = client_ ? client_->GetRenderHandler() : nullptr;
  if (render) render->OnPopupShow(this, false);
  // The view again, whole, without the list over it.
  paint_full_ = true;
  if (painted_) PaintWindowless(painted_);
}

bool MainBrowser::SelectPopupTakesClick(const MouseInput& input) {
  CEF_REQUIRE_UI_THREAD();
  if (!select_.open) return false;
  const PaintRect& r = select_.rect;
  const bool inside = input.x >= r.x && input.x < r.x + r.width && input.y >= r.y && input.y < r.y + r.height;
  if (!inside) {
    // A click elsewhere closes the list and goes on to the page.
    CloseSelectPopup();
    return false;
  }
  const int row = SelectPopupRowAt(r, select_.rows, kSelectRowHeight, input.x, input.y);
  if (input.type == MouseInput::Type::kRelease && input.button == MouseInput::Button::kLeft && row >= 0) {
    const int index = select_.first + row;
    if (index < static_cast<int>(select_.options.size()) && !select_.disabled[index]) {
      EvaluateInFrame(target_id_, std::string(kSelectChooseFunction) + "(" + std::to_string(select_.id) + "," +
                                      std::to_string(index) + ")");
      CloseSelectPopup();
    }
  }
  return true;
}

void MainBrowser::OnPageCursor(const std::string& css) {
  CEF_REQUIRE_UI_THREAD();
  const CursorChoice choice = CursorForCss(css);
  HCURSOR cursor = choice.system_cursor ? ::LoadCursorW(nullptr, MAKEINTRESOURCEW(choice.system_cursor)) : nullptr;
  CefCursorInfo info;  // system cursors only: no image
  CefRefPtr<CefDisplayHandler> display = client_ ? client_->GetDisplayHandler() : nullptr;
  const bool handled =
      display && display->OnCursorChange(this, cursor, static_cast<cef_cursor_type_t>(choice.type), info);
  if (window_) {
    if (handled) window_->LeaveCursorToClient();
    else window_->SetCursor(cursor);
  }
}

void MainBrowser::OnPageContextMenu(const Json::Value& report) {
  CEF_REQUIRE_UI_THREAD();
  // A menu follows a right press the engine sent, never a page's own call.
  if (!menu_armed_) return;
  menu_armed_ = false;
  const MenuContext context = MenuContextFromReport(report);
  ContextMenuData data;
  data.x = context.x;
  data.y = context.y;
  data.type_flags = MenuTypeFlags(context);
  data.edit_flags = MenuEditFlags(context);
  data.media_type = context.media_type;
  data.editable = context.editable;
  data.link_url = context.link_url;
  data.source_url = context.source_url;
  data.title_text = context.title_text;
  data.page_url = context.page_url;
  data.frame_url = context.frame_url;
  data.selection = context.selection;
  CefRefPtr<CefContextMenuParams> params = new ContextMenuParamsImpl(data);
  CefRefPtr<MenuModelImpl> model = new MenuModelImpl();
  for (const MenuItem& item : DefaultMenu(context, can_go_back_, can_go_forward_)) {
    if (item.command_id < 0) {
      model->AddSeparator();
    } else {
      model->AddItem(item.command_id, item.label);
      model->SetEnabled(item.command_id, item.enabled);
    }
  }
  CefRefPtr<CefFrame> frame = GetMainFrame();
  CefRefPtr<CefContextMenuHandler> handler = client_ ? client_->GetContextMenuHandler() : nullptr;
  if (handler) handler->OnBeforeContextMenu(this, frame, params, model.get());
  if (model->GetCount() == 0) return;  // the client wants no menu
  CefRefPtr<MainBrowser> self(this);
  CefRefPtr<CefMenuModel> shown = model.get();
  Engine::Get()->PostUi([self, params, shown, frame] { self->RunContextMenu(params, shown, frame); });
}

namespace {

class MenuCallback : public CefRunContextMenuCallback {
 public:
  MenuCallback(CefRefPtr<MainBrowser> browser, CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefFrame> frame)
      : browser_(browser), params_(params), frame_(frame) {}
  void Continue(int command_id, EventFlags event_flags) override { Finish(command_id, event_flags); }
  void Cancel() override { Finish(-1, EVENTFLAG_NONE); }

 private:
  void Finish(int command_id, int flags) {
    CefRefPtr<MainBrowser> b;
    {
      std::lock_guard<std::mutex> g(lock_);
      b.swap(browser_);  // once only
    }
    if (!b) return;
    CefRefPtr<CefContextMenuParams> params = params_;
    CefRefPtr<CefFrame> frame = frame_;
    Engine::Get()->PostUi([b, params, frame, command_id, flags] {
      if (command_id >= 0) b->RunMenuCommand(params, frame, command_id, flags);
      b->MenuDismissed(frame);
    });
  }
  std::mutex lock_;
  CefRefPtr<MainBrowser> browser_;
  CefRefPtr<CefContextMenuParams> params_;
  CefRefPtr<CefFrame> frame_;
  IMPLEMENT_REFCOUNTING(MenuCallback);
};

bool SetClipboardText(HWND owner, const std::wstring& text) {
  if (!::OpenClipboard(owner)) return false;
  ::EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = false;
  if (mem) {
    void* p = ::GlobalLock(mem);
    if (p) {
      memcpy(p, text.c_str(), bytes);
      ::GlobalUnlock(mem);
      ok = ::SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    }
    if (!ok) ::GlobalFree(mem);  // the clipboard owns it only on success
  }
  ::CloseClipboard();
  return ok;
}

bool ClipboardText(HWND owner, std::wstring* text) {
  if (!::OpenClipboard(owner)) return false;
  bool ok = false;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* p = static_cast<const wchar_t*>(::GlobalLock(data))) {
      const size_t max = ::GlobalSize(data) / sizeof(wchar_t);
      size_t n = 0;
      while (n < max && p[n]) ++n;
      text->assign(p, n);
      ::GlobalUnlock(data);
      ok = true;
    }
  }
  ::CloseClipboard();
  return ok;
}

// The selected text, in a text field as on the page.
const char kSelectionScript[] =
    "(function(){var e=document.activeElement;"
    "if(e&&(e.nodeName==='INPUT'||e.nodeName==='TEXTAREA')){"
    "try{return e.value.substring(e.selectionStart,e.selectionEnd);}catch(x){}}"
    "return String(window.getSelection());})()";

}  // namespace

HWND MainBrowser::MenuOwner() {
  CEF_REQUIRE_UI_THREAD();
  if (hwnd_) return hwnd_;
  if (!menu_owner_)
    menu_owner_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
  return menu_owner_;
}

void MainBrowser::RunContextMenu(CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model,
                                 CefRefPtr<CefFrame> frame) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  CefRefPtr<CefContextMenuHandler> handler = client_ ? client_->GetContextMenuHandler() : nullptr;
  if (handler && handler->RunContextMenu(this, frame, params, model, new MenuCallback(this, params, frame)))
    return;  // the client shows it and answers through the callback
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return;
  const int count = model->GetCount();
  int shown = 0;
  for (int i = 0; i < count; ++i) {
    if (!model->IsVisibleAt(i)) continue;
    if (model->GetTypeAt(i) == MENUITEMTYPE_SEPARATOR) {
      // No separator first, last or twice in a row.
      if (shown > 0) ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::wstring label = model->GetLabelAt(i).ToWString();
    const UINT flags = MF_STRING | (model->IsEnabledAt(i) ? MF_ENABLED : MF_GRAYED);
    ::AppendMenuW(menu, flags, static_cast<UINT_PTR>(model->GetCommandIdAt(i)), label.c_str());
    ++shown;
  }
  // Trailing or doubled separators left by hidden items go.
  for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    const bool sep = (info.fType & MFT_SEPARATOR) != 0;
    bool drop = false;
    if (sep && i == ::GetMenuItemCount(menu) - 1) drop = true;
    if (sep && i > 0) {
      MENUITEMINFOW prev = {};
      prev.cbSize = sizeof(prev);
      prev.fMask = MIIM_FTYPE;
      ::GetMenuItemInfoW(menu, static_cast<UINT>(i - 1), TRUE, &prev);
      if (prev.fType & MFT_SEPARATOR) drop = true;
    }
    if (drop) ::DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
  }
  if (shown == 0) {
    ::DestroyMenu(menu);
    MenuDismissed(frame);
    return;
  }
  POINT pt = {params->GetXCoord(), params->GetYCoord()};
  HWND owner = MenuOwner();
  if (hwnd_) {
    ::ClientToScreen(hwnd_, &pt);
  } else {
    // Windowless: where the client says the view is on the screen.
    CefRefPtr<CefRenderHandler> render = client_ ? client_->GetRenderHandler() : nullptr;
    int sx = pt.x, sy = pt.y;
    if (render && render->GetScreenPoint(this, pt.x, pt.y, sx, sy)) pt = {sx, sy};
  }
  const int command = static_cast<int>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                        pt.x, pt.y, 0, owner, nullptr));
  ::DestroyMenu(menu);
  if (closed_) return;
  if (command > 0) RunMenuCommand(params, frame, command, EVENTFLAG_NONE);
  MenuDismissed(frame);
}

void MainBrowser::MenuDismissed(CefRefPtr<CefFrame> frame) {
  CEF_REQUIRE_UI_THREAD();
  CefRefPtr<CefContextMenuHandler> handler = client_ ? client_->GetContextMenuHandler() : nullptr;
  if (handler && !closed_) handler->OnContextMenuDismissed(this, frame);
}

void MainBrowser::RunMenuCommand(CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefFrame> frame,
                                 int command_id, int event_flags) {
  CEF_REQUIRE_UI_THREAD();
  if (closed_) return;
  CefRefPtr<CefContextMenuHandler> handler = client_ ? client_->GetContextMenuHandler() : nullptr;
  if (handler && handler->OnContextMenuCommand(this, frame, params, command_id,
                                               static_cast<cef_event_flags_t>(event_flags)))
    return;  // the client did it
  CefRefPtr<FrameImpl> main = FrameFor(target_id_, true);
  switch (command_id) {
    case MENU_ID_BACK: GoBack(); break;
    case MENU_ID_FORWARD: GoForward(); break;
    case MENU_ID_RELOAD: Reload(); break;
    case MENU_ID_RELOAD_NOCACHE: ReloadIgnoreCache(); break;
    case MENU_ID_STOPLOAD: StopLoad(); break;
    case MENU_ID_UNDO: FrameEdit(main.get(), "undo"); break;
    case MENU_ID_REDO: FrameEdit(main.get(), "redo"); break;
    case MENU_ID_DELETE: FrameEdit(main.get(), "delete"); break;
    case MENU_ID_SELECT_ALL: FrameEdit(main.get(), "selectAll"); break;
    case MENU_ID_COPY: CopySelection(false); break;
    case MENU_ID_CUT: CopySelection(true); break;
    case MENU_ID_PASTE: PasteClipboard(); break;
    default:
      // Print and View Source need windows of the engine's own; the
      // client's own ids are the client's.
      break;
  }
}

void MainBrowser::CopySelection(bool cut) {
  DevToolsConnection* dt = Engine::Get()->devtools();
  if (!dt || closed_) return;
  Json::Value p(Json::objectValue);
  p["expression"] = kSelectionScript;
  p["returnByValue"] = true;
  const int ctx = MainWorldContext(target_id_);
  if (ctx) p["contextId"] = ctx;
  CefRefPtr<MainBrowser> self(this);
  dt->Post(session_id_, "Runtime.evaluate", p, [self, cut](const Json::Value& r, const std::string&) {
    const std::string text = r["result"]["value"].isString() ? r["result"]["value"].asString() : std::string();
    Engine::Get()->PostUi([self, cut, text] {
      if (self->closed_ || text.empty()) return;
      if (!SetClipboardText(self->MenuOwner(), FromUtf8(text)))
        EngineLog(LogLevel::kWarning, "the clipboard could not be written");
      if (cut) self->FrameEdit(self->FrameFor(self->target_id_, true).get(), "delete");
    });
  });
}

void MainBrowser::PasteClipboard() {
  std::wstring text;
  if (!ClipboardText(MenuOwner(), &text) || text.empty()) return;
  Json::Value p(Json::objectValue);
  p["text"] = Utf16ToUtf8(text);
  Send("Input.insertText", p);
}

}  // namespace velora_engine

namespace velora_engine {

// --- drags from outside (UI thread) ---------------------------------------------

namespace {

// A dropped file's path as Chromium sees it: through Wine's own mapping
// where it has one, else the root drive's.
std::string ChromiumPathOf(const std::wstring& path) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  static const UnixName unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name) {
    if (char* name = unix_name(path.c_str())) {
      std::string s(name);
      ::HeapFree(::GetProcessHeap(), 0, name);
      return s;
    }
  }
  return UnixPathOnRootDrive(path);
}

int KeyStateModifiers(DWORD key_state) {
  int m = 0;
  if (key_state & MK_ALT) m |= kModAlt;
  if (key_state & MK_CONTROL) m |= kModCtrl;
  if (key_state & MK_SHIFT) m |= kModShift;
  return m;
}

}  // namespace

bool MainBrowser::DragEnter(CefRefPtr<CefDragData> data, int x, int y, int operations, int modifiers) {
  CEF_REQUIRE_UI_THREAD();
  drag_ = Drag::kNone;
  if (closed_ || !data) return false;
  CefRefPtr<CefDragHandler> handler = client_ ? client_->GetDragHandler() : nullptr;
  if (DragDataImpl* impl = dynamic_cast<DragDataImpl*>(data.get())) impl->SetReadOnly();
  if (handler && handler->OnDragEnter(this, data, static_cast<cef_drag_operations_mask_t>(operations))) {
    // Refused: nothing of this drag reaches the page, so a dropped file
    // never replaces it.
    EngineLog(LogLevel::kVerbose, "a drag was refused by the client");
    drag_ = Drag::kRefused;
    return false;
  }
  drag_payload_ = DragPayload();
  std::vector<CefString> names;
  if (DragDataImpl* impl = dynamic_cast<DragDataImpl*>(data.get())) {
    for (const auto& f : impl->Files()) {
      const std::string p = ChromiumPathOf(f.path.ToWString());
      if (!p.empty()) drag_payload_.files.push_back(p);
    }
  } else if (data->GetFileNames(names)) {
    for (const auto& n : names) {
      const std::string p = ChromiumPathOf(n.ToWString());
      if (!p.empty()) drag_payload_.files.push_back(p);
    }
  }
  drag_payload_.url = data->GetLinkURL().ToString();
  drag_payload_.text = data->GetFragmentText().ToString();
  drag_payload_.html = data->GetFragmentHtml().ToString();
  drag_operations_ = operations;
  drag_ = Drag::kActive;
  Send("Input.dispatchDragEvent", DragEventParams("dragEnter", x, y, modifiers, operations, drag_payload_));
  return true;
}

bool MainBrowser::DragOver(int x, int y, int operations, int modifiers) {
  CEF_REQUIRE_UI_THREAD();
  if (drag_ != Drag::kActive || closed_) return false;
  drag_operations_ = operations;
  Send("Input.dispatchDragEvent", DragEventParams("dragOver", x, y, modifiers, operations, drag_payload_));
  return true;
}

void MainBrowser::DragLeave() {
  CEF_REQUIRE_UI_THREAD();
  if (drag_ == Drag::kActive && !closed_)
    Send("Input.dispatchDragEvent", DragEventParams("dragCancel", 0, 0, 0, drag_operations_, drag_payload_));
  drag_ = Drag::kNone;
}

bool MainBrowser::DragDrop(int x, int y, int modifiers) {
  CEF_REQUIRE_UI_THREAD();
  const bool active = drag_ == Drag::kActive && !closed_;
  drag_ = Drag::kNone;
  if (!active) return false;
  // Chromium takes the drop at the point of the last move.
  Send("Input.dispatchDragEvent", DragEventParams("dragOver", x, y, modifiers, drag_operations_, drag_payload_));
  Send("Input.dispatchDragEvent", DragEventParams("drop", x, y, modifiers, drag_operations_, drag_payload_));
  return true;
}

DWORD MainBrowser::OnWindowDragEnter(const DroppedData& dropped, POINT point, DWORD effects, DWORD key_state) {
  CefRefPtr<DragDataImpl> data = new DragDataImpl();
  for (const std::wstring& f : dropped.files) {
    const size_t slash = f.find_last_of(L"\\/");
    data->AddFile(f, slash == std::wstring::npos ? f : f.substr(slash + 1));
  }
  if (!dropped.url.empty()) data->SetLinkURL(dropped.url);
  if (!dropped.text.empty()) data->SetFragmentText(dropped.text);
  const int ops = DragOperationsFromDropEffects(effects);
  return DragEnter(data.get(), point.x, point.y, ops, KeyStateModifiers(key_state)) ? DropEffectFor(ops)
                                                                                   : DROPEFFECT_NONE;
}

DWORD MainBrowser::OnWindowDragOver(POINT point, DWORD effects, DWORD key_state) {
  const int ops = DragOperationsFromDropEffects(effects);
  return DragOver(point.x, point.y, ops, KeyStateModifiers(key_state)) ? DropEffectFor(ops) : DROPEFFECT_NONE;
}

void MainBrowser::OnWindowDragLeave() { DragLeave(); }

DWORD MainBrowser::OnWindowDrop(POINT point, DWORD effects, DWORD key_state) {
  const int ops = DragOperationsFromDropEffects(effects) & drag_operations_;
  return DragDrop(point.x, point.y, KeyStateModifiers(key_state)) ? DropEffectFor(ops) : DROPEFFECT_NONE;
}

void MainBrowser::DragTargetDragEnter(CefRefPtr<CefDragData> drag_data, const CefMouseEvent& event,
                                      DragOperationsMask allowed_ops) {
  CefRefPtr<MainBrowser> self(this);
  const int x = event.x, y = event.y, mods = ModifiersFromEventFlags(event.modifiers);
  const int ops = static_cast<int>(allowed_ops);
  Engine::Get()->PostUi([self, drag_data, x, y, ops, mods] { self->DragEnter(drag_data, x, y, ops, mods); });
}

void MainBrowser::DragTargetDragOver(const CefMouseEvent& event, DragOperationsMask allowed_ops) {
  CefRefPtr<MainBrowser> self(this);
  const int x = event.x, y = event.y, mods = ModifiersFromEventFlags(event.modifiers);
  const int ops = static_cast<int>(allowed_ops);
  Engine::Get()->PostUi([self, x, y, ops, mods] { self->DragOver(x, y, ops, mods); });
}

void MainBrowser::DragTargetDragLeave() {
  CefRefPtr<MainBrowser> self(this);
  Engine::Get()->PostUi([self] { self->DragLeave(); });
}

void MainBrowser::DragTargetDrop(const CefMouseEvent& event) {
  CefRefPtr<MainBrowser> self(this);
  const int x = event.x, y = event.y, mods = ModifiersFromEventFlags(event.modifiers);
  Engine::Get()->PostUi([self, x, y, mods] { self->DragDrop(x, y, mods); });
}

}  // namespace velora_engine
