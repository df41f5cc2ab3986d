#include "cef3/control/cef_common.h"

#include <oleauto.h>
#include <shellapi.h>

#include <mutex>

#include "cef3/common/control_rules.h"
#include "cef3/common/startup_clock_win.h"
#include "cef3/common/frame_messages.h"
#include "frame_log.h"
#include "include/base/cef_bind.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"

#include <atomic>

namespace {

std::mutex g_iconLock;
std::wstring g_popupIcon;

std::wstring PopupIconPath() {
  std::lock_guard<std::mutex> g(g_iconLock);
  return g_popupIcon;
}

// The engine's menu model as EditContextMenu sees it.
struct MenuModelAdapter {
  CefRefPtr<CefMenuModel> m;
  bool SetLabel(int id, const wchar_t* label) { return m->SetLabel(id, label); }
  bool Remove(int id) { return m->Remove(id); }
  int GetCount() { return m->GetCount(); }
  bool IsSeparatorAt(int index) { return m->GetTypeAt(index) == MENUITEMTYPE_SEPARATOR; }
  bool RemoveAt(int index) { return m->RemoveAt(index); }
};

// Each start-up mark is logged once per process: the game's page comes
// first; dialogs' pages later find the marks taken.
std::atomic<bool> g_firstPaintLogged{false};
std::atomic<bool> g_loadFinishedLogged{false};

void LogMarkOnce(std::atomic<bool>* taken, recovery_rules::Mark mark, unsigned long long ms) {
  if (taken->exchange(true)) return;
  LogAt(__FILE__, __LINE__, "ClientHandlerCommon")(kLogDebug, L"%ls", recovery_rules::TimingLine(mark, ms).c_str());
}

void LoadIn(CefRefPtr<CefBrowser> browser, std::wstring url) {
  if (CefRefPtr<CefFrame> frame = browser->GetMainFrame()) frame->LoadURL(url);
}

}  // namespace

HWND HostWindowOf(CefRefPtr<CefBrowser> browser) {
  if (!browser) return nullptr;
  HWND own = browser->GetHost()->GetWindowHandle();
  return own ? ::GetParent(own) : nullptr;
}

bool PostRendererMessage(HWND host, const std::string& name, CefRefPtr<CefListValue> args) {
  const size_t argc = args ? args->GetSize() : 0;
  const bool textArg = argc > 0 && args->GetType(0) == VTYPE_STRING;
  const control_rules::HostMessage m =
      control_rules::RendererMessageToHost(name, argc, textArg, textArg ? args->GetString(0).ToWString() : L"");
  if (m.message == 0 || !host) return false;
  if (!m.hasText) return ::PostMessageW(host, m.message, m.wParam, 0) != 0;
  BSTR text = ::SysAllocStringLen(m.text.data(), static_cast<UINT>(m.text.size()));
  if (!text) return false;
  if (::PostMessageW(host, m.message, reinterpret_cast<WPARAM>(text), 0)) return true;
  // The window has gone (or its queue is full): no one will free it.
  ::SysFreeString(text);
  return false;
}

// --- ClientHandlerCommon -------------------------------------------------------------

CCefCommonUI::ClientHandlerCommon::ClientHandlerCommon(CCefCommonUI* owner)
    : ClientHandlerRender(owner), m_pCommonOwner(owner) {}

CCefCommonUI::ClientHandlerCommon::~ClientHandlerCommon() {
  LogAt(__FILE__, __LINE__, "ClientHandlerCommon::~ClientHandlerCommon")(kLogDebug, L"~ClientHandlerCommon() this=0x%X",
                                                                       LogPtr(this));
}

void CCefCommonUI::ClientHandlerCommon::AdoptCommonOwner(CCefCommonUI* owner) {
  if (!m_pCommonOwner) m_pCommonOwner = owner;
}

void CCefCommonUI::ClientHandlerCommon::ClearCommonOwner() {
  m_pCommonOwner = nullptr;
  ClearOwner();
}

bool CCefCommonUI::ClientHandlerCommon::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                                                 CefRefPtr<CefFrame> frame,
                                                                 CefProcessId source_process,
                                                                 CefRefPtr<CefProcessMessage> message) {
  CEF_REQUIRE_UI_THREAD();
  if (source_process != PID_RENDERER) return false;
  const std::string name = message->GetName().ToString();
  if (name == recovery_rules::kPaintReport) {
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    const std::string when = args && args->GetSize() > 0 && args->GetType(0) == VTYPE_STRING
                                 ? args->GetString(0).ToString()
                                 : std::string();
    const unsigned long long ms = recovery_rules::EpochMsToProcessMs(when, ProcessStartEpochMs());
    if (!browser->IsPopup() && ms > 0) LogMarkOnce(&g_firstPaintLogged, recovery_rules::Mark::kFirstPaint, ms);
    return true;
  }
  PostRendererMessage(HostWindowOf(browser), name, message->GetArgumentList());
  // Names without an action ("isChrome", "startGame", ...) are swallowed.
  return true;
}

bool CCefCommonUI::ClientHandlerCommon::OnBeforePopup(
    CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
    const CefString& target_frame_name, CefLifeSpanHandler::WindowOpenDisposition target_disposition, bool user_gesture,
    const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client,
    CefBrowserSettings& settings, CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) {
  CEF_REQUIRE_UI_THREAD();
  HWND host = HostWindowOf(browser);
  const std::wstring url = target_url.ToWString();
  switch (control_rules::DecidePopup(target_disposition, host != nullptr)) {
    case control_rules::PopupAction::kCancel:
      return true;
    case control_rules::PopupAction::kPostAndCreate: {
      BSTR text = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
      if (text && !::PostMessageW(host, kPopupUrlMessage, reinterpret_cast<WPARAM>(text), 0)) ::SysFreeString(text);
      return false;  // a top-level popup with the same client
    }
    case control_rules::PopupAction::kSystemAndCancel:
      ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
      return true;
  }
  return true;
}

void CCefCommonUI::ClientHandlerCommon::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  if (!browser->IsPopup()) return;
  HWND popup = browser->GetHost()->GetWindowHandle();
  if (!popup || !::IsWindow(popup)) return;
  const std::wstring iconPath = PopupIconPath();
  HICON icon = iconPath.empty() ? nullptr
                                : static_cast<HICON>(::LoadImageW(nullptr, iconPath.c_str(), IMAGE_ICON, 0, 0,
                                                                  LR_LOADFROMFILE | LR_DEFAULTSIZE));
  if (icon) {
    ::SendMessageW(popup, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(popup, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  } else {
    HINSTANCE module = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(popup, GWLP_HINSTANCE));
    ::PostMessageW(popup, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(::LoadIconW(module, MAKEINTRESOURCEW(102))));
  }
  ::PostMessageW(popup, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

bool CCefCommonUI::ClientHandlerCommon::OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                                       CefRefPtr<CefRequest> request, bool user_gesture,
                                                       bool is_redirect) {
  CEF_REQUIRE_UI_THREAD();
  const std::wstring url = request->GetURL().ToWString();
  if (recovery_rules::IsRetry(url)) {
    // The error page's "retry": the ladder starts again from the page.
    LogAt(__FILE__, __LINE__, "ClientHandlerCommon::OnBeforeBrowse")(kLogDebug,
                                                                   L"page recovery: retry asked, loading %ls",
                                                                   m_pageUrl.c_str());
    recovery_rules::Reset(&m_ladder);
    CefPostTask(TID_UI, base::BindOnce(&LoadIn, browser, m_pageUrl));
    return true;
  }
  return control_rules::RefuseNavigation(url);
}

void CCefCommonUI::ClientHandlerCommon::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                                                  TerminationStatus status) {
  CEF_REQUIRE_UI_THREAD();
  const wchar_t* reason = recovery_rules::TerminationReason(static_cast<int>(status));
  if (browser->IsPopup()) {
    LogAt(__FILE__, __LINE__, "ClientHandlerCommon::OnRenderProcessTerminated")(
        kLogDebug, L"page recovery: %ls under a popup; it stays as it is", reason);
    return;
  }
  const recovery_rules::Step step = recovery_rules::NextStep(&m_ladder, ::GetTickCount64());
  if (step.reload) {
    LogAt(__FILE__, __LINE__, "ClientHandlerCommon::OnRenderProcessTerminated")(
        kLogDebug, L"page recovery: %ls; reload %d of %d in %d ms", reason, step.attempt, recovery_rules::kMaxReloads,
        step.delayMs);
    CefRefPtr<ClientHandlerCommon> self(this);
    CefPostDelayedTask(TID_UI, base::BindOnce(&ClientHandlerCommon::RecoverPage, self, browser), step.delayMs);
    return;
  }
  LogAt(__FILE__, __LINE__, "ClientHandlerCommon::OnRenderProcessTerminated")(
      kLogDebug, L"page recovery: %ls, %d reloads within a minute already; showing the error page", reason,
      recovery_rules::kMaxReloads);
  const std::string page = recovery_rules::ErrorPageAddress(reason);
  LoadIn(browser, std::wstring(page.begin(), page.end()));
}

void CCefCommonUI::ClientHandlerCommon::RecoverPage(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  LogAt(__FILE__, __LINE__, "ClientHandlerCommon::RecoverPage")(kLogDebug, L"page recovery: reloading %ls",
                                                              m_pageUrl.c_str());
  if (m_pageUrl.empty())
    browser->Reload();
  else
    LoadIn(browser, m_pageUrl);
}

void CCefCommonUI::ClientHandlerCommon::OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                                    TransitionType transition_type) {
  CEF_REQUIRE_UI_THREAD();
  if (!frame->IsMain() || browser->IsPopup()) return;
  const std::wstring url = frame->GetURL().ToWString();
  if (recovery_rules::IsErrorPage(url)) return;
  m_pageUrl = url;
  frame->ExecuteJavaScript(recovery_rules::kPaintProbe, frame->GetURL(), 0);
}

void CCefCommonUI::ClientHandlerCommon::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                                  int httpStatusCode) {
  CEF_REQUIRE_UI_THREAD();
  if (!frame->IsMain() || browser->IsPopup() || recovery_rules::IsErrorPage(frame->GetURL().ToWString())) return;
  LogMarkOnce(&g_loadFinishedLogged, recovery_rules::Mark::kLoadFinished, MsSinceProcessStart());
  // Again here: at the start of the load the page's own context may not
  // have been there yet.
  frame->ExecuteJavaScript(recovery_rules::kPaintProbe, frame->GetURL(), 0);
}

void CCefCommonUI::ClientHandlerCommon::OnProtocolExecution(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                                            CefRefPtr<CefRequest> request, bool& allow_os_execution) {
  // Schemes the engine cannot load go to the system's registered handler;
  // the error page's own "retry" address never does.
  allow_os_execution = !recovery_rules::IsRetry(request->GetURL().ToWString());
}

void CCefCommonUI::ClientHandlerCommon::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                                    ErrorCode errorCode, const CefString& errorText,
                                                    const CefString& failedUrl) {
  CEF_REQUIRE_UI_THREAD();
  LogAt(__FILE__, __LINE__, "ClientHandlerCommon::OnLoadError")(kLogInfo, L"OnLoadError %d: %ls",
                                                              static_cast<int>(errorCode),
                                                              errorText.ToWString().c_str());
}

void CCefCommonUI::ClientHandlerCommon::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
  CEF_REQUIRE_UI_THREAD();
  const std::wstring text = title.ToWString();
  LogAt(__FILE__, __LINE__, "ClientHandlerCommon::OnTitleChange")(kLogInfo,
                                                                L"OVCefHandler::OnTitleChange, browser=%d, title=%ls",
                                                                browser->GetIdentifier(), text.c_str());
  HWND own = browser->GetHost()->GetWindowHandle();
  if (own && ::IsWindow(own)) ::SetWindowTextW(own, text.c_str());
}

void CCefCommonUI::ClientHandlerCommon::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                                            CefRefPtr<CefContextMenuParams> params,
                                                            CefRefPtr<CefMenuModel> model) {
  CEF_REQUIRE_UI_THREAD();
  MenuModelAdapter menu{model};
  control_rules::EditContextMenu(menu, static_cast<int>(params->GetTypeFlags()));
}

bool CCefCommonUI::ClientHandlerCommon::OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> dragData,
                                                    CefDragHandler::DragOperationsMask mask) {
  CEF_REQUIRE_UI_THREAD();
  return control_rules::RefuseDrag(static_cast<unsigned>(mask));
}

// --- CCefCommonUI ------------------------------------------------------------------

CCefCommonUI::CCefCommonUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client)
    : CCefOsRender(manager, client ? client : CefRefPtr<CefClient>(new ClientHandlerCommon(this))) {
  if (auto* common = dynamic_cast<ClientHandlerCommon*>(m_client.get())) common->AdoptCommonOwner(this);
}

CCefCommonUI::~CCefCommonUI() {
  auto* common = dynamic_cast<ClientHandlerCommon*>(m_client.get());
  if (common && common->OwnedBy(this)) common->ClearCommonOwner();
}

void CCefCommonUI::ExecuteScript(const CefString& script) {
  CefRefPtr<CefFrame> frame = GetMainFrame();
  if (frame) frame->ExecuteJavaScript(script, frame->GetURL(), 0);
}

LRESULT CCefCommonUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_CLOSE)
    LogAt(__FILE__, __LINE__, "CCefCommonUI::MessageHandler")(kLogDebug, L"CCefCommonUI WM_CLOSE this=0x%x", LogPtr(this));
  else if (uMsg == WM_DESTROY)
    LogAt(__FILE__, __LINE__, "CCefCommonUI::MessageHandler")(kLogDebug, L"CCefCommonUI WM_DESTROY this=0x%x",
                                                            LogPtr(this));
  if (!bHandled) CCefBaseUI::MessageHandler(uMsg, wParam, lParam, bHandled);
  return 0;
}

void CCefCommonUI::SetPopupIconPath(const std::wstring& path) {
  std::lock_guard<std::mutex> g(g_iconLock);
  g_popupIcon = path;
}

DuiLib::CControlUI* CreateCefControl(LPCTSTR pstrClass, DuiLib::CPaintManagerUI* manager) {
  if (!pstrClass) return nullptr;
  if (_wcsicmp(pstrClass, L"Cef") != 0 && _wcsicmp(pstrClass, L"CefCommonUI") != 0) return nullptr;
  return new CCefCommonUI(manager, nullptr);
}
