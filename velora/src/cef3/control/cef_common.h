// CCefCommonUI: the browser control of every frame window (the skin class
// "Cef"). Its client, ClientHandlerCommon, decides how embedded pages may
// behave (new windows, refused navigations, the context menu, drags) and
// turns the script bridge's process messages into window messages posted to
// the host window. Every ClientHandlerCommon callback runs on the engine's
// UI thread and reaches windows only by posting (or by thread-safe calls on
// the browser's own windows).
#pragma once

#include <string>

#include "cef3/common/recovery_rules.h"
#include "cef3/control/cef_osrender.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_drag_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_request_handler.h"
#include "include/cef_resource_request_handler.h"

class CCefCommonUI : public CCefOsRender {
 public:
  class ClientHandlerCommon : public CCefOsRender::ClientHandlerRender,
                              public CefLifeSpanHandler,
                              public CefContextMenuHandler,
                              public CefLoadHandler,
                              public CefDragHandler,
                              public CefRequestHandler,
                              public CefResourceRequestHandler {
   public:
    explicit ClientHandlerCommon(CCefCommonUI* owner);
    ~ClientHandlerCommon() override;

    void ClearCommonOwner();
    void AdoptCommonOwner(CCefCommonUI* owner);

    // CefClient
    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
    bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefProcessId source_process, CefRefPtr<CefProcessMessage> message) override;

    // CefLifeSpanHandler
    bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                       const CefString& target_frame_name, CefLifeSpanHandler::WindowOpenDisposition target_disposition,
                       bool user_gesture, const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                       CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                       CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) override;
    void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;

    // CefRequestHandler
    bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                        bool user_gesture, bool is_redirect) override;
    CefRefPtr<CefResourceRequestHandler> GetResourceRequestHandler(
        CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request, bool is_navigation,
        bool is_download, const CefString& request_initiator, bool& disable_default_handling) override {
      return this;
    }

    // CefResourceRequestHandler
    void OnProtocolExecution(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefRequest> request, bool& allow_os_execution) override;

    // CefRequestHandler: the page's process has died; the recovery ladder.
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, TerminationStatus status) override;

    // CefLoadHandler
    void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                     TransitionType transition_type) override;
    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int httpStatusCode) override;
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString& errorText, const CefString& failedUrl) override;

    // CefDisplayHandler
    void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;

    // CefContextMenuHandler
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) override;

    // CefDragHandler
    bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> dragData,
                     CefDragHandler::DragOperationsMask mask) override;

   private:
    // Loads the page the ladder brings back (UI thread).
    void RecoverPage(CefRefPtr<CefBrowser> browser);

    CCefCommonUI* m_pCommonOwner;  // not owned; cleared by the control
    // Recovery of the control's own (not popup) browser, UI thread only.
    recovery_rules::Ladder m_ladder;
    std::wstring m_pageUrl;  // the last address the page loaded, not the error page
    IMPLEMENT_REFCOUNTING(ClientHandlerCommon);
    DISALLOW_COPY_AND_ASSIGN(ClientHandlerCommon);
  };

  // `client` null: a ClientHandlerCommon of this control.
  CCefCommonUI(DuiLib::CPaintManagerUI* manager, CefRefPtr<CefClient> client);
  ~CCefCommonUI() override;

  // Runs `script` in the main frame; nothing without a browser.
  void ExecuteScript(const CefString& script);

  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  // The icon file of popup windows (launch settings); set once before any
  // browser exists. Empty: the popup window's module icon 102.
  static void SetPopupIconPath(const std::wstring& path);
};

// The window that hosts a browser: the parent of its native window (the
// frame window of a control's child browser); null for a top-level popup
// browser and for a windowless one.
HWND HostWindowOf(CefRefPtr<CefBrowser> browser);

// Posts a renderer message's window message to `host`, the text as a BSTR
// that the receiver frees. False when nothing was posted: no message for
// the name, no window, or the post failed (the BSTR is then freed here).
bool PostRendererMessage(HWND host, const std::string& name, CefRefPtr<CefListValue> args);

// For a window's CreateControl: a browser control for the skin's "Cef"
// class names ("Cef", "CefCommonUI", any case), null for every other class.
DuiLib::CControlUI* CreateCefControl(LPCTSTR pstrClass, DuiLib::CPaintManagerUI* manager);
