// The engine of the main process: Chromium over DevTools, the renderer
// sub-process over the channel, the engine's threads, and the browsers.
//
// Threads: DevTools events arrive on the connection's receive thread and
// renderer messages on the channel's; both keep their order, do only the
// bookkeeping that routing needs (which session, context and frame an
// event belongs to) and hand everything else to the UI thread, where every
// client callback runs. Screencast frames go to the decoder's thread and
// reach the windows, which live on the UI thread, as posted tasks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "bridge_rules.h"
#include "navigation_rules.h"
#include "paint_rules.h"
#include "browser_impl.h"
#include "browser_window_win.h"
#include "command_line_impl.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_context_menu_handler.h"
#include "task_runner_win.h"

namespace velora_engine {

class DevToolsConnection;
class ChromiumProcess;
class Channel;
class ScreencastDecoder;
class MainBrowser;

class Engine {
 public:
  static Engine* Get();

  bool Initialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> app);
  void Shutdown();
  void RunMessageLoop();
  void QuitMessageLoop();

  // On the UI thread only.
  CefRefPtr<CefBrowser> CreateBrowser(const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                      const std::string& url, const CefBrowserSettings& settings);
  // A page's new window that the client let through: a browser for the
  // target Chromium made for it, which loads its address by itself.
  CefRefPtr<CefBrowser> AdoptPopup(const std::string& target, const std::string& session,
                                   const CefWindowInfo& info, CefRefPtr<CefClient> client, const std::string& url,
                                   const CefBrowserSettings& settings);
  // Closes a target no browser was made for.
  void CloseTarget(const std::string& target);

  // Used by the browsers.
  DevToolsConnection* devtools() const { return devtools_.get(); }
  void SendToRenderer(const Json::Value& message);
  bool PostUi(TaskRunner::Closure task, int64_t delay_ms = 0);
  COLORREF background() const { return background_; }
  // The engine-wide background colour as the settings gave it (0xAARRGGBB).
  cef_color_t background_argb() const { return background_argb_; }
  void BrowserClosed(MainBrowser* browser);
  std::string BridgeScript();
  bool BridgeKnown();
  void Decode(int browser_id, std::string base64);
  void ForgetFrames(int browser_id);

 private:
  Engine() = default;
  bool StartChromium(const CefSettings& settings, CefRefPtr<CommandLineImpl> command_line);
  bool StartRenderer(const std::wstring& locale);
  // Faults: what has gone is started again (at most kMaxRestarts times a
  // minute each), the renderer on the worker thread, Chromium on the UI
  // thread, and the browsers carry on with it.
  bool MayRestart(std::deque<int64_t>* history, const char* what);
  void RestartRenderer();
  void RestartChromium();
  void OnDevToolsEvent(const std::string& session, const std::string& method, const Json::Value& params);
  void OnDevToolsClosed();
  void ChannelLoop();
  void OnRendererMessage(const Json::Value& message);
  void OnRendererGone();
  // Every browser's client hears that its page's process has gone.
  void TellRenderProcessGone(const char* what, cef_termination_status_t status);
  std::vector<CefRefPtr<MainBrowser>> AllBrowsers();
  CefRefPtr<MainBrowser> BrowserForSession(const std::string& session);
  // A browser for a target Chromium has attached us to.
  CefRefPtr<MainBrowser> AdoptTarget(const std::string& target, const std::string& session,
                                     const CefWindowInfo& info, CefRefPtr<CefClient> client,
                                     const std::string& url, bool popup, const CefBrowserSettings& settings);
  // The session Chromium attached a new page target with (pages start
  // paused, so that nothing loads before the engine is ready for them).
  std::string WaitForAttached(const std::string& target, int timeout_ms);
  CefRefPtr<MainBrowser> BrowserById(int id);

  CefRefPtr<CefApp> app_;
  CefRefPtr<CefBrowserProcessHandler> process_handler_;
  bool multi_threaded_ = false;
  bool initialized_ = false;
  std::atomic<bool> ready_{false};  // Chromium answers
  std::atomic<bool> shutting_down_{false};
  CefSettings settings_;
  CefRefPtr<CommandLineImpl> command_line_;
  std::deque<int64_t> renderer_restarts_, chromium_restarts_;  // tick counts
  // Connections of a Chromium that has gone stay until shutdown: other
  // threads may still hold them for a moment.
  std::vector<std::unique_ptr<DevToolsConnection>> retired_devtools_;
  bool windowless_allowed_ = false;
  COLORREF background_ = RGB(255, 255, 255);
  cef_color_t background_argb_ = 0;

  std::unique_ptr<TaskRunner> ui_;
  std::unique_ptr<TaskRunner> worker_;
  std::unique_ptr<ChromiumProcess> chromium_;
  std::unique_ptr<DevToolsConnection> devtools_;
  std::unique_ptr<ScreencastDecoder> decoder_;

  std::mutex channel_lock_;
  std::unique_ptr<Channel> channel_;
  bool renderer_restarting_ = false;   // under channel_lock_
  std::vector<Json::Value> to_renderer_;  // kept meanwhile, under channel_lock_
  std::thread channel_thread_;
  HANDLE renderer_process_ = nullptr;

  std::mutex lock_;  // the routing tables below
  std::map<std::string, CefRefPtr<MainBrowser>> sessions_;
  std::map<std::string, CefRefPtr<MainBrowser>> targets_;
  std::map<int, CefRefPtr<MainBrowser>> browsers_;
  std::map<std::string, std::string> attached_;  // new page target -> its session, until claimed
  std::condition_variable attached_cv_;
  std::vector<BridgeProperty> bridge_props_;
  bool bridge_known_ = false;
  int next_browser_id_ = 1;
};

class MainBrowser : public BrowserImpl, public CefBrowserHost, public BrowserWindowDelegate {
 public:
  MainBrowser(int id, CefRefPtr<CefClient> client, std::string target_id, std::string session_id,
              bool windowless, uint32_t background);
  ~MainBrowser() override;

  // CefBrowser.
  CefRefPtr<CefBrowserHost> GetHost() override { return this; }
  void GoBack() override;
  void GoForward() override;
  void Reload() override;
  void ReloadIgnoreCache() override;
  void StopLoad() override;

  // CefBrowserHost.
  CefRefPtr<CefBrowser> GetBrowser() override { return this; }
  void CloseBrowser(bool force_close) override;
  bool TryCloseBrowser() override;
  void SetFocus(bool focus) override;
  CefWindowHandle GetWindowHandle() override { return hwnd_; }
  CefWindowHandle GetOpenerWindowHandle() override { return nullptr; }
  bool HasView() override { return false; }
  CefRefPtr<CefClient> GetClient() override { return client_; }
  CefRefPtr<CefRequestContext> GetRequestContext() override;
  double GetZoomLevel() override { return 0; }
  void SetZoomLevel(double) override {}
  void StartDownload(const CefString&) override {}
  bool IsWindowRenderingDisabled() override { return windowless_; }
  void WasResized() override;
  void WasHidden(bool hidden) override;
  void NotifyScreenInfoChanged() override {}
  void Invalidate(PaintElementType type) override;
  void SendKeyEvent(const CefKeyEvent& event) override;
  void SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp, int clickCount) override;
  void SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) override;
  void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) override;
  void DragTargetDragEnter(CefRefPtr<CefDragData> drag_data, const CefMouseEvent& event,
                           DragOperationsMask allowed_ops) override;
  void DragTargetDragOver(const CefMouseEvent& event, DragOperationsMask allowed_ops) override;
  void DragTargetDragLeave() override;
  void DragTargetDrop(const CefMouseEvent& event) override;
  // The page never starts drags of its own here (no StartDragging).
  void DragSourceEndedAt(int x, int y, DragOperationsMask op) override {}
  void DragSourceSystemDragEnded() override {}
  void SendCaptureLostEvent() override {}
  void NotifyMoveOrResizeStarted() override {}
  int GetWindowlessFrameRate() override { return 30; }
  void SetWindowlessFrameRate(int) override {}

  // BrowserImpl.
  void FrameLoadURL(FrameImpl* frame, const std::string& url) override;
  void FrameExecuteJavaScript(FrameImpl* frame, const std::string& code, const std::string& url, int line) override;
  void FrameSendProcessMessage(FrameImpl* frame, CefProcessId target, CefRefPtr<CefProcessMessage> message) override;
  void FrameEdit(FrameImpl* frame, const char* command) override;

  // BrowserWindowDelegate (UI thread).
  void OnWindowResized(int width, int height) override;
  void OnWindowMouse(const MouseInput& input) override;
  void OnWindowKey(const KeyInput& input) override;
  void OnWindowInput(const std::string& method, const Json::Value& params) override;
  void OnWindowFocus(bool focused) override;
  void OnWindowFirstPaint() override;
  void OnWindowDestroyed() override;
  DWORD OnWindowDragEnter(const DroppedData& data, POINT point, DWORD effects, DWORD key_state) override;
  DWORD OnWindowDragOver(POINT point, DWORD effects, DWORD key_state) override;
  void OnWindowDragLeave() override;
  DWORD OnWindowDrop(POINT point, DWORD effects, DWORD key_state) override;

  // Set-up and events, on the UI thread.
  bool CreateWindowFor(HWND parent, DWORD style, const RECT& rect);
  // `popup`: the page loads its own address once the engine lets it run.
  void Prepare(int width, int height, const std::string& url, bool popup = false);
  // A page asked for a new window (Page.windowOpen), and Chromium made a
  // target for one (its opener is this page). The two are paired up and the
  // client decides.
  void OnWindowOpen(const Json::Value& params);
  void OnPopupTarget(const std::string& target, const std::string& session, const std::string& url);
  void HandleEvent(const std::string& method, const Json::Value& params);
  void OnBridgeKnown(const std::string& script);
  void OnFrame(std::shared_ptr<DecodedFrame> frame);
  void OnRenderProcessGone(cef_termination_status_t status);
  void CloseNow();
  // Chromium has been started again: the browser's page is a new target.
  // The page stays blank until the client loads or reloads it.
  void Rebind(const std::string& target_id, const std::string& session_id);

  // Routing, on the receive threads (under the engine's lock or its own).
  std::string ContextKey(int context_id) const { return session_id_ + ":" + std::to_string(context_id); }
  const std::string& session_id() const { return session_id_; }
  const std::string& target_id() const { return target_id_; }
  // The context's frame, remembered from its creation event.
  void RememberContext(int context_id, const std::string& frame_devtools_id);
  std::string ContextFrame(int context_id);
  int MainWorldContext(const std::string& frame_devtools_id);
  void ForgetContexts();
  // The renderer's notice of a script context of this page.
  Json::Value ContextMessage(int context_id, const std::string& frame_devtools_id, const Json::Value& url);
  // The notices of every context the page has now, for a renderer started
  // again.
  std::vector<Json::Value> ContextMessages();
  void ForgetContext(int context_id);
  // Every context of the page has gone at once (Chromium gave the page a
  // new process, whose context ids start again); the renderer is told.
  void ClearContexts();
  bool closing() const { return closing_; }

 private:
  void Send(const std::string& method, const Json::Value& params);
  void StartScreencast();
  struct WindowOpen {
    std::string url, name;
    std::vector<std::string> features;
    bool user_gesture = false;
    RecentClick click;
    ULONGLONG at = 0;
  };
  struct PopupTarget {
    std::string target, session, url;
    ULONGLONG at = 0;
  };
  void PairPopups(bool expire);
  void DecidePopup(const WindowOpen& open, const PopupTarget* target);
  void NoteClick(const MouseInput& input);
  RecentClick RecentClickNow() const;
  CefRefPtr<FrameImpl> FrameOrMain(const std::string& frame_devtools_id);
  // Navigation policy: a document request Chromium paused (Fetch), and a
  // navigation to an address Chromium does not load itself.
  void OnRequestPaused(const Json::Value& params);
  void OnUnloadableNavigation(CefRefPtr<FrameImpl> frame, const std::string& url);
  void Navigate(const std::string& url);
  void ReloadWith(bool ignore_cache);
  void UpdateMetrics(int width, int height);
  // Reports of the page's watch script (title, cursor, context menu).
  void OnPageReport(const Json::Value& params);
  void OnPageCursor(const std::string& css);
  void OnPageContextMenu(const Json::Value& report);
  // A select element's list in a windowless view: opened from the page's
  // report, drawn as the popup widget, chosen from or closed by clicks.
  void OpenSelectPopup(const Json::Value& report);
  // Runs an expression in the page world of a frame (its newest context).
  void EvaluateInFrame(const std::string& frame_devtools_id, const std::string& expression);
  void PaintSelectPopup();
  void CloseSelectPopup();
  // True when the click belonged to the open list (it goes no further).
  bool SelectPopupTakesClick(const MouseInput& input);
 public:
  // The context menu: shown from a task of its own (it runs a modal loop),
  // and the chosen command carried out in the page.
  void RunContextMenu(CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model,
                      CefRefPtr<CefFrame> frame);
  void RunMenuCommand(CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefFrame> frame, int command_id,
                      int event_flags);
  void MenuDismissed(CefRefPtr<CefFrame> frame);
 private:
  // Copy and Cut put the selection on the system clipboard; Paste types
  // the clipboard's text into the page.
  void CopySelection(bool cut);
  void PasteClipboard();
  HWND MenuOwner();
  // Drags from outside, windowed and windowless alike (UI thread): the
  // client's OnDragEnter may refuse the drag; otherwise it reaches the page.
  bool DragEnter(CefRefPtr<CefDragData> data, int x, int y, int operations, int modifiers);
  bool DragOver(int x, int y, int operations, int modifiers);
  void DragLeave();
  bool DragDrop(int x, int y, int modifiers);
  // Windowless: the view size the client's render handler gives (the
  // current size when it gives none), and a frame handed to its OnPaint
  // with what changed since the last one it was handed.
  bool AskViewSize(int* width, int* height);
  void PaintWindowless(std::shared_ptr<DecodedFrame> frame);
  void ResizeWindowless();

  CefRefPtr<CefClient> client_;
  // Set on the UI thread at creation and when Chromium is started again;
  // read by the receive threads only for pages of the current Chromium.
  std::string target_id_;
  std::string session_id_;
  const bool windowless_;
  // The page's background (0xAARRGGBB); alpha 0 only for a transparent
  // windowless page, whose frames keep their alpha.
  const uint32_t background_;
  const bool transparent_;
  std::shared_ptr<DecodedFrame> painted_;  // the last frame OnPaint was given
  bool paint_full_ = true;                 // the next one is handed whole
  std::unique_ptr<BrowserWindow> window_;
  HWND hwnd_ = nullptr;
  int width_ = 0, height_ = 0;
  bool closing_ = false;
  bool closed_ = false;
  // The first navigation waits until the renderer has said which functions
  // its handlers put on a context, so that the page has them from its
  // first script on.
  std::string pending_url_;
  bool navigated_ = false;
  std::string restore_url_;  // the page before Chromium went, for Reload
  std::deque<WindowOpen> opens_;
  std::deque<PopupTarget> popup_targets_;
  bool is_popup_ = false;
  bool popup_running_ = false;
  MouseInput last_press_;
  ULONGLONG last_press_at_ = 0;
  std::string script_id_;  // the document script's identifier
  std::string title_;
  bool menu_armed_ = false;
  bool select_armed_ = false;  // a left press was sent: a select list may open
  struct SelectPopup {
    bool open = false;
    int id = -1;
    PaintRect rect;
    std::vector<std::string> options;
    std::vector<bool> disabled;
    int selected = -1;
    int first = 0;  // the first row shown
    int rows = 0;   // rows shown
  } select_;
  // The drag over the page now: none, refused by the client, or going on.
  enum class Drag { kNone, kRefused, kActive } drag_ = Drag::kNone;
  DragPayload drag_payload_;
  int drag_operations_ = 0;   // a right press was sent: its context menu may follow
  HWND menu_owner_ = nullptr; // windowless: a hidden window the menu belongs to
  std::map<std::string, int> status_;             // frame id -> HTTP status
  std::map<std::string, std::string> requests_;   // request id -> frame id
  std::set<std::string> failed_;                  // frames whose load failed
  std::mutex contexts_lock_;
  std::map<int, std::string> contexts_;           // context id -> frame id
  std::map<int, uint64_t> context_order_;         // context id -> when it was made
  uint64_t contexts_made_ = 0;
  IMPLEMENT_REFCOUNTING(MainBrowser);
};

}  // namespace velora_engine
