// The browser controls in skinned windows over the real engine: a test
// window hosts them from a small skin and records the window messages that
// their clients post. The program is its own renderer sub-process, running
// the frame's ClientAppRender, so the bridge under test is the real one.
#include <gtest/gtest.h>

#include "win_include.h"

#include <oleauto.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UILib.h"
#include "cef3/browser/main_message_loop.h"
#include "cef3/common/frame_messages.h"
#include "cef3/common/recovery_rules.h"
#include "cef3/control/cef_common.h"
#include "cef3/control/cef_container.h"
#include "cef3/renderer/client_renderer_app.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/base/cef_bind.h"

namespace {

std::wstring g_pages;  // file:// address of pages/, with a slash

void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  } while (std::chrono::steady_clock::now() < end);
}

bool WaitFor(const std::function<bool()>& pred, int ms = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Pump(10);
  }
  return true;
}

struct Posted {
  UINT message;
  WPARAM wParam;  // 0 for a text message (the BSTR is freed on receipt)
  std::wstring text;
  bool hasText;
};

// A frame window for the tests: builds its skin, makes the "Cef" controls
// (or what makeControl returns) and records the frame messages it gets.
class HostWindow : public DuiLib::WindowImplBase, public ICefUIContainer {
 public:
  explicit HostWindow(std::wstring skin) : skin_(std::move(skin)) {}

  HWND Open() {
    if (!Create(nullptr, L"controls", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0)) return nullptr;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(true, true);
    ::UpdateWindow(m_hWnd);
    return m_hWnd;
  }
  template <typename T = CCefCommonUI>
  T* Control(const wchar_t* name) {
    return dynamic_cast<T*>(m_PaintManager.FindControl(name));
  }
  std::vector<Posted> posted;
  std::function<DuiLib::CControlUI*(LPCTSTR, DuiLib::CPaintManagerUI*)> makeControl;

  // Waits for a message; its entry or null.
  const Posted* WaitMessage(UINT message, size_t from = 0, int ms = 20000) {
    const Posted* found = nullptr;
    WaitFor([&] {
      for (size_t i = from; i < posted.size(); ++i)
        if (posted[i].message == message) return (found = &posted[i]) != nullptr;
      return false;
    }, ms);
    return found;
  }
  const Posted* WaitText(const std::wstring& prefix, int ms = 20000) {
    const Posted* found = nullptr;
    WaitFor([&] {
      for (const Posted& p : posted)
        if (p.hasText && p.text.compare(0, prefix.size(), prefix) == 0) return (found = &p) != nullptr;
      return false;
    }, ms);
    return found;
  }

  void OpenNewPopupWnd(const std::wstring&, int) override {}
  void HandleJSCall(const std::wstring&, CefRefPtr<CefListValue>, int) override {}
  void ContainerHook(int, int) override {}

 protected:
  LPCTSTR GetWindowClassName() const override { return L"VeloraControlsTestHost"; }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(skin_.c_str()); }
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override {
    if (makeControl) return makeControl(pstrClass, &m_PaintManager);
    return CreateCefControl(pstrClass, &m_PaintManager);
  }
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override {
    switch (uMsg) {
      case kOpenAdUrlMessage:
      case kPopupUrlMessage:
      case kShowUrlMessage: {
        BSTR text = reinterpret_cast<BSTR>(wParam);
        posted.push_back({uMsg, 0, text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(), true});
        ::SysFreeString(text);
        bHandled = TRUE;
        return 0;
      }
      case kCloseMainMessage:
      case kReturnGameMessage:
        posted.push_back({uMsg, wParam, L"", false});
        bHandled = TRUE;
        return 0;
      case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE || (wParam & 0xFFF0) == SC_MINIMIZE) {
          posted.push_back({uMsg, wParam & 0xFFF0, L"", false});
          bHandled = TRUE;
          return 0;
        }
        break;
    }
    bHandled = FALSE;
    return 0;
  }

 private:
  std::wstring skin_;
};

// One browser control filling a 400x300 window.
std::wstring OneControl(const std::wstring& attrs) {
  return L"<Window size=\"400,300\"><Cef name=\"web\" " + attrs + L"/></Window>";
}

struct Host {
  std::unique_ptr<HostWindow> window;
  explicit Host(const std::wstring& skin, std::function<DuiLib::CControlUI*(LPCTSTR, DuiLib::CPaintManagerUI*)> make = nullptr)
      : window(new HostWindow(skin)) {
    window->makeControl = std::move(make);
    EXPECT_TRUE(window->Open());
  }
  ~Host() {
    if (window->GetHWND()) ::DestroyWindow(window->GetHWND());
    window.reset();
    Pump(100);  // the engine closes the browsers
  }
  CCefCommonUI* web() { return window->Control(L"web"); }
  // Waits for the browser and its first page.
  bool Loaded(const std::wstring& url) {
    return WaitFor([&] {
      CefRefPtr<CefFrame> f = web() ? web()->GetMainFrame() : nullptr;
      return f && f->GetURL().ToWString() == url && !web()->GetBrowser()->IsLoading();
    });
  }
};

// --- the base control ---------------------------------------------------------------

TEST(BaseControl, DefaultPageAndHomepage) {
  Host h(OneControl(L""));
  ASSERT_TRUE(h.web());
  EXPECT_STREQ(h.web()->GetClass(), L"CefOsRenderUI");
  EXPECT_EQ(h.web()->GetURL().ToWString(), L"about:blank");
  ASSERT_TRUE(h.Loaded(L"about:blank"));
  // Set after the browser exists: loaded at once.
  const std::wstring blue = g_pages + L"blue.html";
  h.web()->SetAttribute(L"homepage", blue.c_str());
  EXPECT_TRUE(h.Loaded(blue));
  // Another case of the name is the base class's (unknown) attribute.
  h.web()->SetAttribute(L"HomePage", (g_pages + L"bridge.html").c_str());
  Pump(300);
  EXPECT_EQ(h.web()->GetURL().ToWString(), blue);
  EXPECT_EQ(h.web()->GetMainFrame()->GetURL().ToWString(), blue);
}

TEST(BaseControl, HomepageFromTheSkinAndTheChildWindowFollowsVisibility) {
  const std::wstring blue = g_pages + L"blue.html";
  Host h(OneControl(L"homepage=\"" + blue + L"\""));
  ASSERT_TRUE(h.Loaded(blue));
  ASSERT_TRUE(WaitFor([&] { return h.web()->GetBrowserWindow() != nullptr; }));
  HWND child = h.web()->GetBrowserWindow();
  EXPECT_EQ(::GetParent(child), h.window->GetHWND());
  // Placed over the control's rectangle once it exists.
  Pump(200);
  RECT rc;
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, h.window->GetHWND(), reinterpret_cast<POINT*>(&rc), 2);
  const RECT& pos = h.web()->GetPos();
  EXPECT_EQ(rc.left, pos.left);
  EXPECT_EQ(rc.top, pos.top);
  EXPECT_EQ(rc.right, pos.right);
  EXPECT_EQ(rc.bottom, pos.bottom);
  EXPECT_TRUE(::IsWindowVisible(child));
  h.web()->SetVisible(false);
  EXPECT_FALSE(::IsWindowVisible(child));
  h.web()->SetVisible(true);
  EXPECT_TRUE(::IsWindowVisible(child));
  h.web()->SetInternVisible(false);
  EXPECT_FALSE(::IsWindowVisible(child));
  h.web()->SetInternVisible(true);
  EXPECT_TRUE(::IsWindowVisible(child));
}

TEST(BaseControl, DestroyingAControlWhoseCreationIsPending) {
  // The window and its control go before the engine's UI thread has made
  // the browser; the late creation must leave the freed control alone.
  for (int i = 0; i < 3; ++i) {
    auto w = std::make_unique<HostWindow>(OneControl(L"homepage=\"" + g_pages + L"blue.html\""));
    ASSERT_TRUE(w->Open());
    ::DestroyWindow(w->GetHWND());
    w.reset();
  }
  Pump(2000);
  // The engine still serves new controls.
  Host h(OneControl(L""));
  EXPECT_TRUE(h.Loaded(L"about:blank"));
}

// --- the bridge and the renderer messages --------------------------------------------

// Records every process message's arguments before the control's own
// handling.
struct Recorded {
  std::string name;
  CefRefPtr<CefListValue> args;
};
class RecordingClient : public CCefCommonUI::ClientHandlerCommon {
 public:
  RecordingClient() : ClientHandlerCommon(nullptr) {}
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    // The control's own paint report is not one of the page's calls.
    if (message->GetName().ToString() != recovery_rules::kPaintReport) {
      std::lock_guard<std::mutex> g(lock);
      seen.push_back({message->GetName().ToString(), message->GetArgumentList()->Copy()});
    }
    return ClientHandlerCommon::OnProcessMessageReceived(browser, frame, source, message);
  }
  std::vector<Recorded> Seen() {
    std::lock_guard<std::mutex> g(lock);
    return seen;
  }
  std::mutex lock;
  std::vector<Recorded> seen;
};

// Error lines "unknown Object" in the program's log folder.
int UnknownObjectLines() {
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  dir += L"Log\\";
  int count = 0;
  WIN32_FIND_DATAW fd;
  HANDLE find = ::FindFirstFileW((dir + L"*.log").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    HANDLE f = ::CreateFileW((dir + fd.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) continue;
    std::string text;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    ::CloseHandle(f);
    for (size_t at = text.find("ClientV8Handler.Execute unknown Object"); at != std::string::npos;
         at = text.find("ClientV8Handler.Execute unknown Object", at + 1))
      ++count;
  } while (::FindNextFileW(find, &fd));
  ::FindClose(find);
  return count;
}

class Bridge : public testing::Test {
 protected:
  void SetUp() override {
    client_ = new RecordingClient();
    const std::wstring page = g_pages + L"bridge.html";
    host_ = std::make_unique<Host>(OneControl(L"homepage=\"" + page + L"\""), [this](LPCTSTR cls, DuiLib::CPaintManagerUI* manager) -> DuiLib::CControlUI* {
      if (_wcsicmp(cls, L"Cef") != 0) return nullptr;
      return new CCefCommonUI(manager, client_);
    });
    ASSERT_TRUE(host_->Loaded(page));
    // The page's first inline script calls openAdUrl; later counts start
    // after it.
    ASSERT_TRUE(WaitFor([&] { return !client_->Seen().empty(); }));
    ASSERT_TRUE(host_->window->WaitText(L"first-inline:"));
  }
  void TearDown() override { host_.reset(); }
  // Runs script in the page and waits for the n-th message after it.
  std::vector<Recorded> Run(const std::string& script, size_t messages) {
    const size_t before = client_->Seen().size();
    host_->web()->ExecuteScript(script);
    WaitFor([&] { return client_->Seen().size() >= before + messages; }, 10000);
    Pump(100);
    std::vector<Recorded> all = client_->Seen();
    return std::vector<Recorded>(all.begin() + std::min(before, all.size()), all.end());
  }
  CefRefPtr<RecordingClient> client_;
  std::unique_ptr<Host> host_;
};

TEST_F(Bridge, TheFirstInlineScriptAlreadyHasTheFunctions) {
  const Posted* p = host_->window->WaitText(L"first-inline:");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->message, kOpenAdUrlMessage);
  EXPECT_EQ(p->text, L"first-inline:function,function");
}

TEST_F(Bridge, GlobalAndExternalCloseSendTheSameMessage) {
  const size_t before = host_->window->posted.size();
  std::vector<Recorded> r = Run("close(); external.close();", 2);
  ASSERT_EQ(r.size(), 2u);
  for (const Recorded& m : r) {
    EXPECT_EQ(m.name, "close");
    EXPECT_EQ(m.args->GetSize(), 0u);
  }
  ASSERT_TRUE(WaitFor([&] { return host_->window->posted.size() >= before + 2; }));
  for (size_t i = before; i < before + 2; ++i) {
    EXPECT_EQ(host_->window->posted[i].message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(host_->window->posted[i].wParam, static_cast<WPARAM>(SC_CLOSE));
  }
}

TEST_F(Bridge, ArgumentsBecomeTextsIntegersBooleansOrEmptyEntries) {
  const int errorsBefore = UnknownObjectLines();
  std::vector<Recorded> r = Run("openAdUrl('x', 5, true, 1.5, null, {});", 1);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "openAdUrl");
  CefRefPtr<CefListValue> a = r[0].args;
  ASSERT_EQ(a->GetSize(), 6u);
  EXPECT_EQ(a->GetType(0), VTYPE_STRING);
  EXPECT_EQ(a->GetString(0).ToString(), "x");
  EXPECT_EQ(a->GetType(1), VTYPE_INT);
  EXPECT_EQ(a->GetInt(1), 5);
  EXPECT_EQ(a->GetType(2), VTYPE_BOOL);
  EXPECT_TRUE(a->GetBool(2));
  for (size_t i = 3; i < 6; ++i) EXPECT_EQ(a->GetType(i), VTYPE_NULL) << i;
  EXPECT_TRUE(host_->window->WaitText(L"x"));
  // The renderer's log line is written by the time the message arrived.
  EXPECT_TRUE(WaitFor([&] { return UnknownObjectLines() == errorsBefore + 1; }, 3000))
      << UnknownObjectLines() - errorsBefore << " error lines";
}

TEST_F(Bridge, EveryFunctionReturnsUndefined) {
  Run("var names = ['isChrome','closeLogin','startGame','web2vc_isWd','minimize','web2vc_returnGame'];"
      "openAdUrl('returns:' + names.map(function (n) { return String(window[n]()); }).join(','));",
      7);
  const Posted* p = host_->window->WaitText(L"returns:");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->text, L"returns:undefined,undefined,undefined,undefined,undefined,undefined");
}

// Each renderer message, by calling its bridge function: what the host
// window receives, and nothing for the names without an effect.
TEST_F(Bridge, RendererMessagesAsWindowMessages) {
  struct Case {
    const char* script;
    UINT message;  // 0: none
    WPARAM wParam;
    const wchar_t* text;  // null: no text
  } cases[] = {
      {"close()", WM_SYSCOMMAND, SC_CLOSE, nullptr},
      {"minimize()", WM_SYSCOMMAND, SC_MINIMIZE, nullptr},
      {"openAdUrl('http://ad.example/')", kOpenAdUrlMessage, 0, L"http://ad.example/"},
      {"openAdUrl()", kOpenAdUrlMessage, 0, L""},
      {"openAdUrl(7)", kOpenAdUrlMessage, 0, L""},
      {"web2vc_toShowUrl('http://close.example/页')", kShowUrlMessage, 0, L"http://close.example/页"},
      {"web2vc_toShowUrl()", kCloseMainMessage, 0, nullptr},
      {"web2vc_Close()", kCloseMainMessage, 0, nullptr},
      {"web2vc_returnGame()", kReturnGameMessage, 0, nullptr},
      {"isChrome()", 0, 0, nullptr},
      {"closeLogin()", 0, 0, nullptr},
      {"startGame('x')", 0, 0, nullptr},
      {"web2vc_isWd()", 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    host_->window->posted.clear();
    std::vector<Recorded> r = Run(c.script, 1);
    ASSERT_EQ(r.size(), 1u);
    Pump(200);  // a posted message has arrived by now
    if (!c.message) {
      EXPECT_TRUE(host_->window->posted.empty());
      continue;
    }
    ASSERT_EQ(host_->window->posted.size(), 1u);
    const Posted& p = host_->window->posted[0];
    EXPECT_EQ(p.message, c.message);
    if (c.text) {
      EXPECT_TRUE(p.hasText);
      EXPECT_EQ(p.text, c.text);
    } else {
      EXPECT_EQ(p.wParam, c.wParam);
    }
  }
}

TEST(BridgeFrames, ACallFromAnIframeReachesTheSameHostWindow) {
  const std::wstring page = g_pages + L"frames.html";
  Host h(OneControl(L"homepage=\"" + page + L"\""));
  const Posted* p = h.window->WaitText(L"from-iframe:");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->message, kShowUrlMessage);
  EXPECT_EQ(p->text, L"from-iframe:true");
}

// --- navigations ------------------------------------------------------------------

TEST(Navigation, RefusedSchemeLeavesThePage) {
  const std::wstring page = g_pages + L"bridge.html";
  Host h(OneControl(L"homepage=\"" + page + L"\""));
  ASSERT_TRUE(h.Loaded(page));
  h.web()->ExecuteScript("location.href = 'tencent://message/?uin=1';");
  Pump(1500);
  EXPECT_EQ(h.web()->GetMainFrame()->GetURL().ToWString(), page);
  // An ordinary address is allowed.
  const std::wstring blue = g_pages + L"blue.html";
  h.web()->ExecuteScript("location.href = '" + CefString(blue).ToString() + "';");
  EXPECT_TRUE(h.Loaded(blue));
}

TEST(CreateCefControl, OnlyTheSkinsCefClasses) {
  DuiLib::CPaintManagerUI manager;
  for (const wchar_t* cls : {L"Cef", L"cef", L"CEF", L"CefCommonUI"}) {
    SCOPED_TRACE(testing::Message() << cls);
    std::unique_ptr<DuiLib::CControlUI> c(CreateCefControl(cls, &manager));
    ASSERT_TRUE(c);
    EXPECT_TRUE(dynamic_cast<CCefCommonUI*>(c.get()));
  }
  for (const wchar_t* cls : {L"Button", L"Cefx", L"", L"CefOsRenderUI"}) {
    SCOPED_TRACE(testing::Message() << cls);
    EXPECT_EQ(CreateCefControl(cls, &manager), nullptr);
  }
  EXPECT_EQ(CreateCefControl(nullptr, &manager), nullptr);
}

TEST(OsRenderAttributes, OnlyExactTrueSetsTheFlags) {
  DuiLib::CPaintManagerUI manager;
  CCefCommonUI c(&manager, nullptr);
  EXPECT_FALSE(c.IsOffscreen());
  c.SetAttribute(L"offscreen", L"TRUE");
  c.SetAttribute(L"transparent", L"True");
  EXPECT_FALSE(c.IsOffscreen());
  EXPECT_FALSE(c.IsTransparent());
  c.SetAttribute(L"Offscreen", L"true");
  EXPECT_FALSE(c.IsOffscreen());
  c.SetAttribute(L"offscreen", L"true");
  c.SetAttribute(L"transparent", L"true");
  EXPECT_TRUE(c.IsOffscreen());
  EXPECT_TRUE(c.IsTransparent());
}


// --- new windows --------------------------------------------------------------------

// Records the popup browsers the engine makes with the control's client.
class PopupClient : public CCefCommonUI::ClientHandlerCommon {
 public:
  PopupClient() : ClientHandlerCommon(nullptr) {}
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                     const CefString& target_frame_name, CefLifeSpanHandler::WindowOpenDisposition target_disposition,
                     bool user_gesture, const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) override {
    const bool cancel = ClientHandlerCommon::OnBeforePopup(browser, frame, target_url, target_frame_name,
                                                           target_disposition, user_gesture, popupFeatures,
                                                           windowInfo, client, settings, extra_info,
                                                           no_javascript_access);
    std::lock_guard<std::mutex> g(lock);
    decisions.push_back({HostWindowOf(browser) != nullptr, cancel});
    return cancel;
  }
  struct Decision {
    bool host, cancel;
  };
  std::vector<Decision> Decisions() {
    std::lock_guard<std::mutex> g(lock);
    return decisions;
  }
  std::vector<Decision> decisions;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
    ClientHandlerCommon::OnAfterCreated(browser);
    std::lock_guard<std::mutex> g(lock);
    // Every browser after the control's own is a popup.
    if (++created > 1) popups.push_back(browser);
  }
  std::vector<CefRefPtr<CefBrowser>> Popups() {
    std::lock_guard<std::mutex> g(lock);
    return popups;
  }
  std::mutex lock;
  std::vector<CefRefPtr<CefBrowser>> popups;
  int created = 0;
};


// Points Wine's browser list at a script that records what the system is
// asked to open; removed again at the end.
class RecordingShell {
 public:
  RecordingShell() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir.resize(dir.find_last_of(L'\\'));
    record_ = dir + L"\\opened.txt";
    ::DeleteFileW(record_.c_str());
    const std::wstring script = dir + L"\\record-open.sh";
    const std::string text = "#!/bin/sh\necho \"$@\" >> '" + Unix(record_) + "'\n";
    HANDLE f = ::CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(f);
    std::wstring command = L"chmod +x " + Wide(Unix(script));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessW(L"Z:\\bin\\chmod", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      ::CloseHandle(pi.hProcess);
      ::CloseHandle(pi.hThread);
    }
    Pump(300);
    const std::wstring unixScript = Wide(Unix(script));
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                      nullptr);
    for (const wchar_t* name : {L"Browsers", L"Mailers"})
      ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(unixScript.c_str()),
                       static_cast<DWORD>((unixScript.size() + 1) * sizeof(wchar_t)));
  }
  ~RecordingShell() {
    for (const wchar_t* name : {L"Browsers", L"Mailers"}) ::RegDeleteValueW(key_, name);
    ::RegCloseKey(key_);
  }
  std::string Opened() const {
    std::string text;
    HANDLE f = ::CreateFileW(record_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return text;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    ::CloseHandle(f);
    return text;
  }

 private:
  // Z:\a\b -> /a/b
  static std::string Unix(const std::wstring& path) {
    std::string out;
    for (size_t i = 2; i < path.size(); ++i) out += path[i] == L'\\' ? '/' : static_cast<char>(path[i]);
    return out;
  }
  static std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
  std::wstring record_;
  HKEY key_ = nullptr;
};

void ClickAt(HWND hwnd, int x, int y) {
  ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST(Popups, TheHostWindowIsToldAndAPopupInsideAPopupGoesToTheSystem) {
  RecordingShell shell;
  CefRefPtr<PopupClient> client = new PopupClient();
  const std::wstring page = g_pages + L"popup.html";
  Host h(OneControl(L"homepage=\"" + page + L"\""), [&](LPCTSTR cls, DuiLib::CPaintManagerUI* manager) {
    return _wcsicmp(cls, L"Cef") == 0 ? new CCefCommonUI(manager, client) : nullptr;
  });
  ASSERT_TRUE(h.Loaded(page));
  ASSERT_TRUE(WaitFor([&] { return h.web()->GetBrowserWindow() != nullptr; }));
  Pump(300);
  // A link with target _blank: a new foreground tab.
  ClickAt(h.web()->GetBrowserWindow(), 100, 100);
  const Posted* p = h.window->WaitMessage(kPopupUrlMessage);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->text, page);
  ASSERT_TRUE(WaitFor([&] { return client->Popups().size() == 1; }));
  CefRefPtr<CefBrowser> popup = client->Popups()[0];
  HWND popupWnd = popup->GetHost()->GetWindowHandle();
  ASSERT_TRUE(popupWnd);
  EXPECT_EQ(::GetParent(popupWnd), nullptr);  // top-level: no host window
  ASSERT_TRUE(WaitFor([&] {
    return popup->GetMainFrame()->GetURL().ToWString() == page && !popup->IsLoading();
  }));
  Pump(300);

  // A new window from the popup's page: the popup has no host window, so
  // the address goes to the system and no second popup is made.
  const size_t postedBefore = h.window->posted.size();
  ClickAt(popupWnd, 100, 200);  // the link to another site
  ASSERT_TRUE(WaitFor([&] { return client->Decisions().size() == 2; }, 10000));
  EXPECT_TRUE(client->Decisions()[0].host);
  EXPECT_FALSE(client->Decisions()[0].cancel);
  EXPECT_FALSE(client->Decisions()[1].host);
  EXPECT_TRUE(client->Decisions()[1].cancel);
  EXPECT_TRUE(WaitFor([&] { return shell.Opened().find("http://127.0.0.1:9/far.html") != std::string::npos; }, 10000))
      << shell.Opened();
  Pump(1000);
  EXPECT_EQ(client->Popups().size(), 1u);
  for (size_t i = postedBefore; i < h.window->posted.size(); ++i)
    EXPECT_NE(h.window->posted[i].message, kPopupUrlMessage);
  popup->GetHost()->CloseBrowser(true);
  Pump(300);
}

TEST(Navigation, AddressesTheEngineCannotLoadGoToTheSystem) {
  RecordingShell shell;
  const std::wstring page = g_pages + L"mail.html";
  Host h(OneControl(L"homepage=\"" + page + L"\""));
  ASSERT_TRUE(h.Loaded(page));
  ASSERT_TRUE(WaitFor([&] { return h.web()->GetBrowserWindow() != nullptr; }));
  Pump(300);
  ClickAt(h.web()->GetBrowserWindow(), 100, 50);  // mailto:
  EXPECT_TRUE(WaitFor([&] { return shell.Opened().find("mailto:player@example.test") != std::string::npos; },
                      10000))
      << shell.Opened();
  // The refused scheme never reaches the system.
  ClickAt(h.web()->GetBrowserWindow(), 100, 200);
  Pump(1500);
  EXPECT_EQ(shell.Opened().find("tencent"), std::string::npos);
  EXPECT_EQ(h.web()->GetMainFrame()->GetURL().ToWString(), page);
}

// The posting glue on its own: a text reaches a live window as a BSTR; for
// a window that has gone nothing is posted and the text is not left behind.
TEST(PostRendererMessage, LiveWindowGetsTheTextAGoneWindowNothing) {
  Host h(L"<Window size=\"200,100\"><Control/></Window>");
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetString(0, "http://ad.example/广告");
  EXPECT_TRUE(PostRendererMessage(h.window->GetHWND(), "openAdUrl", args));
  EXPECT_TRUE(PostRendererMessage(h.window->GetHWND(), "web2vc_Close", CefListValue::Create()));
  EXPECT_FALSE(PostRendererMessage(h.window->GetHWND(), "startGame", args));  // no effect
  Pump(200);
  ASSERT_EQ(h.window->posted.size(), 2u);
  EXPECT_EQ(h.window->posted[0].message, kOpenAdUrlMessage);
  EXPECT_EQ(h.window->posted[0].text, L"http://ad.example/广告");
  EXPECT_EQ(h.window->posted[1].message, kCloseMainMessage);

  HWND gone = h.window->GetHWND();
  ::DestroyWindow(gone);
  for (int i = 0; i < 1000; ++i) ASSERT_FALSE(PostRendererMessage(gone, "openAdUrl", args));
  EXPECT_FALSE(PostRendererMessage(nullptr, "close", args));
}

// --- the off-screen frames --------------------------------------------------------

using RenderClient = CCefOsRender::ClientHandlerRender;

// A frame of w x h pixels whose every byte depends on its place and `seed`.
std::vector<unsigned char> Frame(int w, int h, int seed) {
  std::vector<unsigned char> f(size_t(w) * h * 4);
  for (size_t i = 0; i < f.size(); ++i) f[i] = static_cast<unsigned char>(i * 13 + seed);
  return f;
}

// Runs OnPaint on the engine's UI thread, as the engine does, and waits.
void PaintOnUiThread(CefRefPtr<RenderClient> client, const std::vector<unsigned char>& frame, int w, int h,
                     std::vector<CefRect> rects) {
  bool done = false;
  CefPostTask(TID_UI, base::BindOnce(
                          [](CefRefPtr<RenderClient> c, const std::vector<unsigned char>* f, int w, int h,
                             std::vector<CefRect> r, bool* done) {
                            c->OnPaint(nullptr, PET_VIEW, r, f->data(), w, h);
                            *done = true;
                          },
                          client, &frame, w, h, rects, &done));
  EXPECT_TRUE(WaitFor([&] { return done; }, 5000));
}

// An off-screen control that is never initialised (so no engine browser
// draws into it), over a real host window.
class OffscreenFrames : public testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<Host>(L"<Window size=\"200,100\"><Control name=\"x\"/></Window>");
    control_ = std::make_unique<CCefCommonUI>(&host_->window->GetPaintManager(), nullptr);
    control_->SetAttribute(L"offscreen", L"true");
    client_ = dynamic_cast<RenderClient*>(control_->GetClient().get());
    ASSERT_TRUE(client_);
  }
  void TearDown() override {
    control_.reset();
    client_ = nullptr;
    host_.reset();
  }
  std::vector<unsigned char> Kept(int* w, int* h) { return client_->KeptPixels(w, h); }
  std::unique_ptr<Host> host_;
  std::unique_ptr<CCefCommonUI> control_;
  CefRefPtr<RenderClient> client_;
};

TEST_F(OffscreenFrames, ADirtyRectangleChangesExactlyItsPixels) {
  const std::vector<unsigned char> first = Frame(40, 30, 1), second = Frame(40, 30, 99);
  PaintOnUiThread(client_, first, 40, 30, {CefRect(0, 0, 40, 30)});
  EXPECT_TRUE(client_->HasPageDC());
  EXPECT_FALSE(client_->HasPageImage());
  int w = 0, h = 0;
  ASSERT_EQ(Kept(&w, &h), first);
  PaintOnUiThread(client_, second, 40, 30, {CefRect(5, 7, 10, 10)});
  const std::vector<unsigned char> kept = Kept(&w, &h);
  ASSERT_EQ(kept.size(), first.size());
  int changed = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const size_t at = (size_t(y) * 40 + x) * 4;
      const bool inside = x >= 5 && x < 15 && y >= 7 && y < 17;
      const std::vector<unsigned char>& want = inside ? second : first;
      if (std::memcmp(&kept[at], &want[at], 4) != 0) ADD_FAILURE() << "pixel " << x << "," << y;
      changed += inside;
    }
  EXPECT_EQ(changed, 100);

  // Drawn with one BitBlt at the control's corner.
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, 40, 30);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  client_->PaintView(mem);
  for (POINT p : {POINT{6, 8}, POINT{0, 0}, POINT{39, 29}}) {
    const size_t at = (size_t(p.y) * 40 + p.x) * 4;
    EXPECT_EQ(::GetPixel(mem, p.x, p.y), RGB(kept[at + 2], kept[at + 1], kept[at])) << p.x << "," << p.y;
  }
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
}

TEST_F(OffscreenFrames, ANewSizeRebuildsFromTheWholeBuffer) {
  PaintOnUiThread(client_, Frame(40, 30, 1), 40, 30, {CefRect(0, 0, 40, 30)});
  const std::vector<unsigned char> bigger = Frame(48, 30, 7);
  PaintOnUiThread(client_, bigger, 48, 30, {CefRect(0, 0, 1, 1)});
  int w = 0, h = 0;
  EXPECT_EQ(Kept(&w, &h), bigger);
  EXPECT_EQ(w, 48);
  EXPECT_EQ(h, 30);
}

TEST_F(OffscreenFrames, DirtyRectanglesPastTheFrameAreClipped) {
  const std::vector<unsigned char> first = Frame(40, 30, 1), second = Frame(40, 30, 50);
  PaintOnUiThread(client_, first, 40, 30, {CefRect(0, 0, 40, 30)});
  PaintOnUiThread(client_, second, 40, 30, {CefRect(35, 25, 100, 100), CefRect(-5, -5, 6, 6)});
  int w = 0, h = 0;
  const std::vector<unsigned char> kept = Kept(&w, &h);
  ASSERT_EQ(kept.size(), first.size());
  EXPECT_EQ(std::memcmp(&kept[(29 * 40 + 39) * 4], &second[(29 * 40 + 39) * 4], 4), 0);
  EXPECT_EQ(std::memcmp(&kept[0], &second[0], 4), 0);
  EXPECT_EQ(std::memcmp(&kept[(1 * 40 + 1) * 4], &first[(1 * 40 + 1) * 4], 4), 0);
}

TEST_F(OffscreenFrames, TransparentBeforeTheFirstFrameBuildsAnImageAndNoDib) {
  control_->SetAttribute(L"transparent", L"true");
  const std::vector<unsigned char> first = Frame(40, 30, 3);
  PaintOnUiThread(client_, first, 40, 30, {CefRect(0, 0, 40, 30)});
  EXPECT_TRUE(client_->HasPageImage());
  EXPECT_FALSE(client_->HasPageDC());
  int w = 0, h = 0;
  EXPECT_EQ(Kept(&w, &h), first);
  // Partial copies go into the image's pixels too.
  const std::vector<unsigned char> second = Frame(40, 30, 77);
  PaintOnUiThread(client_, second, 40, 30, {CefRect(5, 7, 10, 10)});
  const std::vector<unsigned char> kept = Kept(&w, &h);
  EXPECT_EQ(std::memcmp(&kept[(7 * 40 + 5) * 4], &second[(7 * 40 + 5) * 4], 4), 0);
  EXPECT_EQ(std::memcmp(&kept[(6 * 40 + 5) * 4], &first[(6 * 40 + 5) * 4], 4), 0);
}

TEST_F(OffscreenFrames, OpaqueBeforeTheFirstFrameBuildsADib) {
  control_->SetAttribute(L"transparent", L"TRUE");
  PaintOnUiThread(client_, Frame(40, 30, 3), 40, 30, {CefRect(0, 0, 40, 30)});
  EXPECT_TRUE(client_->HasPageDC());
  EXPECT_FALSE(client_->HasPageImage());
}

TEST_F(OffscreenFrames, AFrameAfterTheControlHasGoneIsKeptWithoutTouchingIt) {
  control_.reset();
  // The client outlives its control; the frame is copied, the repaint
  // finds no control.
  PaintOnUiThread(client_, Frame(40, 30, 3), 40, 30, {CefRect(0, 0, 40, 30)});
  Pump(100);
  EXPECT_FALSE(client_->GetRenderHandler());
}

// Mouse moves reach an off-screen page at the control's coordinates, with
// the modifiers; a move outside the control does not.
TEST(OffscreenMouse, MovesInsideTheControlReachThePage) {
  CefRefPtr<RecordingClient> client = new RecordingClient();
  const std::wstring page = g_pages + L"mouse.html";
  Host h(L"<Window size=\"400,300\"><VerticalLayout><Control height=\"20\"/><Cef name=\"web\" offscreen=\"true\" "
         L"homepage=\"" + page + L"\"/></VerticalLayout></Window>",
         [&](LPCTSTR cls, DuiLib::CPaintManagerUI* manager) {
           return _wcsicmp(cls, L"Cef") == 0 ? new CCefCommonUI(manager, client) : nullptr;
         });
  ASSERT_TRUE(h.Loaded(page));
  Pump(500);
  EXPECT_TRUE(h.web()->GetBrowser()->GetHost()->IsWindowRenderingDisabled());
  ASSERT_EQ(h.web()->GetPos().top, 20);
  auto moves = [&] {
    std::vector<std::string> m;
    for (const Recorded& r : client->Seen())
      if (r.name == "openAdUrl" && r.args->GetSize() > 0) m.push_back(r.args->GetString(0).ToString());
    return m;
  };
  DuiLib::TEventUI e;
  e.Type = DuiLib::UIEVENT_MOUSEMOVE;
  // Outside the control (the bar above it): nothing.
  e.lParam = MAKELPARAM(50, 10);
  h.web()->DoEvent(e);
  Pump(500);
  EXPECT_TRUE(moves().empty());
  // Inside, with Shift and the left button held.
  e.lParam = MAKELPARAM(50, 70);
  e.wParam = MK_SHIFT | MK_LBUTTON;
  h.web()->DoEvent(e);
  ASSERT_TRUE(WaitFor([&] { return !moves().empty(); }, 10000));
  EXPECT_EQ(moves()[0], "move:50,50,true,1");
  // Hidden: nothing more.
  h.web()->SetVisible(false);
  e.lParam = MAKELPARAM(60, 80);
  e.wParam = 0;
  h.web()->DoEvent(e);
  Pump(500);
  EXPECT_EQ(moves().size(), 1u);
}

}  // namespace

int main(int argc, char** argv) {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  const int code = CefExecuteProcess(args, new ClientAppRender(), nullptr);
  if (code >= 0) return code;
  g_pages = VELORA_TEST_PAGES;
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

  DuiLib::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  CMainMessageLoopWin loop;
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  // This program's engine accepts windowless browsers, for the off-screen
  // controls.
  settings.windowless_rendering_enabled = 1;
  CefString(&settings.cache_path) = dir + L"controls-cache";
  CefString(&settings.log_file) = dir + L"controls-engine.log";
  CefString(&settings.locale) = "zh-CN";
  if (!CefInitialize(args, settings, nullptr, nullptr)) return 2;
  // The tests run inside the main loop, so its tasks (off-screen repaints)
  // run while they pump.
  int result = 1;
  loop.PostTask(CefCreateClosureTask(base::BindOnce(
      [](int* out) {
        *out = RUN_ALL_TESTS();
        ::PostQuitMessage(0);
      },
      &result)));
  loop.Run();
  CefShutdown();
  return result;
}
