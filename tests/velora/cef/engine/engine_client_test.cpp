// A small client of the engine, written only against the engine's API, that
// drives real pages in Chromium: windowed browsers over a test window, the
// renderer sub-process with a render-process handler of its own, script
// functions and process messages both ways, load errors and threads.
//
// The program is its own renderer: started with --type=renderer it runs
// the renderer's work inside CefExecuteProcess and ends there.
#include <gtest/gtest.h>

#include "win_include.h"

#include <winsock2.h>

#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <sstream>
#include <tlhelp32.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_drag_handler.h"
#include "include/cef_render_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_request_handler.h"
#include "include/cef_resource_request_handler.h"
#include "include/cef_v8.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"
#include "include/base/cef_callback.h"
#include "transport_test_support.h"

namespace {

std::wstring g_pages;  // file:/// address of the test pages, with a slash

// --- renderer side -------------------------------------------------------------

// Sends every call of "testCall" to the main process: the arguments as list
// values, and a kind tag per argument, so the main process sees what the
// renderer saw.
class TestV8Handler : public CefV8Handler {
 public:
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    CefRefPtr<CefProcessMessage> msg = CefProcessMessage::Create(name);
    CefRefPtr<CefListValue> args = msg->GetArgumentList();
    std::string kinds;
    for (size_t i = 0; i < arguments.size(); ++i) {
      CefRefPtr<CefV8Value> v = arguments[i];
      if (v->IsString()) { args->SetString(i, v->GetStringValue()); kinds += 's'; }
      else if (v->IsBool()) { args->SetBool(i, v->GetBoolValue()); kinds += 'b'; }
      else if (v->IsInt()) { args->SetInt(i, v->GetIntValue()); kinds += 'i'; }
      else if (v->IsUInt()) { args->SetDouble(i, v->GetUIntValue()); kinds += 'u'; }
      else if (v->IsDouble()) { args->SetDouble(i, v->GetDoubleValue()); kinds += 'd'; }
      else if (v->IsNull()) { args->SetNull(i); kinds += 'n'; }
      else if (v->IsUndefined()) { args->SetNull(i); kinds += 'U'; }
      else if (v->IsArray()) { args->SetInt(i, v->GetArrayLength()); kinds += 'a'; }
      else if (v->IsFunction()) { args->SetNull(i); kinds += 'f'; }
      else if (v->IsObject()) { args->SetNull(i); kinds += 'o'; }
      else { args->SetNull(i); kinds += '?'; }
    }
    CefRefPtr<CefV8Context> ctx = CefV8Context::GetCurrentContext();
    args->SetString(arguments.size(), kinds);
    args->SetBool(arguments.size() + 1, ctx && ctx->GetFrame() && ctx->GetFrame()->IsMain());
    args->SetBool(arguments.size() + 2, CefCurrentlyOn(TID_RENDERER));
    // Through the main frame, also for calls from an iframe.
    if (ctx && ctx->GetBrowser()) ctx->GetBrowser()->GetMainFrame()->SendProcessMessage(PID_BROWSER, msg);
    return true;
  }
  IMPLEMENT_REFCOUNTING(TestV8Handler);
};

class TestRenderApp : public CefApp, public CefRenderProcessHandler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    global->SetValue("external", global, V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("testCall", CefV8Value::CreateFunction("testCall", new TestV8Handler()),
                     V8_PROPERTY_ATTRIBUTE_NONE);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                CefProcessId source, CefRefPtr<CefProcessMessage> message) override {
    if (message->GetName() == "pid") {
      // Which process the renderer's work runs in.
      CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("pid");
      reply->GetArgumentList()->SetString(0, "pid");
      reply->GetArgumentList()->SetInt(1, static_cast<int>(::GetCurrentProcessId()));
      frame->SendProcessMessage(PID_BROWSER, reply);
      return true;
    }
    // Echo: a message from the main process comes back with its arguments.
    CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("echo:" + message->GetName().ToString());
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    for (size_t i = 0; i < args->GetSize(); ++i) reply->GetArgumentList()->SetValue(i, args->GetValue(i));
    frame->SendProcessMessage(PID_BROWSER, reply);
    return true;
  }
  IMPLEMENT_REFCOUNTING(TestRenderApp);
};

// --- main side -------------------------------------------------------------------

struct Received {
  std::string name;
  CefRefPtr<CefListValue> args;
  bool on_ui = false;
};

struct Error { int code; std::string text, url; };

struct Termination { cef_termination_status_t status; bool on_ui; };

class TestClient : public CefClient, public CefLoadHandler, public CefLifeSpanHandler, public CefRequestHandler {
 public:
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, TerminationStatus status) override {
    std::lock_guard<std::mutex> g(lock_);
    terminated_.push_back({status, CefCurrentlyOn(TID_UI)});
    cv_.notify_all();
  }

  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                CefProcessId source, CefRefPtr<CefProcessMessage> message) override {
    std::lock_guard<std::mutex> g(lock_);
    if (source != PID_RENDERER) wrong_source_ = true;
    received_.push_back({message->GetName().ToString(), message->GetArgumentList()->Copy(), CefCurrentlyOn(TID_UI)});
    cv_.notify_all();
    return true;
  }
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int status) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    if (frame->IsMain()) ++loads_;
    if (frame->IsMain()) ++loads_by_browser_[browser->GetIdentifier()];
    cv_.notify_all();
  }
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode code,
                   const CefString& text, const CefString& url) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    errors_.push_back({code, text.ToString(), url.ToString()});
    cv_.notify_all();
  }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    ++closed_;
    cv_.notify_all();
  }

  std::vector<Received> Snapshot() {
    std::lock_guard<std::mutex> g(lock_);
    return received_;
  }
  std::vector<Error> Errors() {
    std::lock_guard<std::mutex> g(lock_);
    return errors_;
  }
  // Waits with this thread's messages flowing: the browser windows are
  // children of a window of this thread.
  template <typename Pred>
  bool WaitFor(Pred pred, int seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (true) {
      {
        std::unique_lock<std::mutex> g(lock_);
        if (cv_.wait_for(g, std::chrono::milliseconds(10), [&] { return pred(); })) return true;
      }
      if (std::chrono::steady_clock::now() > end) return false;
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  }
  std::vector<Received> received_;
  std::vector<Error> errors_;
  std::vector<Termination> terminated_;
  std::map<int, int> loads_by_browser_;
  int loads_ = 0;
  int closed_ = 0;
  bool wrong_source_ = false;
  std::mutex lock_;
  std::condition_variable cv_;
  IMPLEMENT_REFCOUNTING(TestClient);
};

const Received* Find(const std::vector<Received>& all, const std::string& first_arg) {
  for (const auto& r : all)
    if (r.args->GetSize() > 0 && r.args->GetType(0) == VTYPE_STRING && r.args->GetString(0).ToString() == first_arg)
      return &r;
  return nullptr;
}

HWND g_host = nullptr;

void PumpFor(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

using BrowserSetup = std::function<void(CefWindowInfo&, CefBrowserSettings&)>;

// Creates a browser on the UI thread and waits for it: a child of the test
// window at r, or as `setup` makes it.
CefRefPtr<CefBrowser> CreateBrowser(CefRefPtr<CefClient> client, const std::wstring& url, RECT r,
                                    BrowserSetup setup = nullptr) {
  CefRefPtr<CefBrowser> browser;
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  struct Args { CefRefPtr<CefClient> client; std::wstring url; RECT r; BrowserSetup setup; CefRefPtr<CefBrowser>* out; std::mutex* m; std::condition_variable* cv; bool* done; };
  Args* a = new Args{client, url, r, setup, &browser, &m, &cv, &done};
  CefPostTask(TID_UI, base::BindOnce([](Args* a) {
    CefWindowInfo info;
    info.SetAsChild(g_host, CefRect(a->r.left, a->r.top, a->r.right - a->r.left, a->r.bottom - a->r.top));
    CefBrowserSettings settings;
    if (a->setup) a->setup(info, settings);
    CefRefPtr<CefBrowser> b = CefBrowserHost::CreateBrowserSync(info, a->client, a->url, settings, nullptr,
                                                                CefRequestContext::GetGlobalContext());
    std::lock_guard<std::mutex> g(*a->m);
    *a->out = b;
    *a->done = true;
    a->cv->notify_all();
    delete a;
  }, a));
  // The browser's window is a child of a window of this thread: making it
  // sends messages here, so wait with the message loop running.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < end) {
    {
      std::lock_guard<std::mutex> g(m);
      if (done) break;
    }
    PumpFor(10);
  }
  std::lock_guard<std::mutex> g(m);
  return browser;
}

COLORREF PixelOf(HWND hwnd, int x, int y) {
  HDC dc = ::GetDC(hwnd);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(hwnd, dc);
  return c;
}

void CloseAndWait(CefRefPtr<TestClient> client, CefRefPtr<CefBrowser> browser) {
  const int before = client->closed_;
  browser->GetHost()->CloseBrowser(true);
  EXPECT_TRUE(client->WaitFor([&] { return client->closed_ > before; }, 10));
}

// The renderer process a browser's page is served by, asked through a
// process message; 0 when it does not answer.
int RendererPid(CefRefPtr<TestClient> client, CefRefPtr<CefBrowser> browser) {
  size_t before;
  {
    std::lock_guard<std::mutex> g(client->lock_);
    before = client->received_.size();
  }
  browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, CefProcessMessage::Create("pid"));
  int pid = 0;
  client->WaitFor([&] {
    for (size_t i = before; i < client->received_.size(); ++i)
      if (client->received_[i].name == "pid") pid = client->received_[i].args->GetInt(1);
    return pid != 0;
  }, 15);
  return pid;
}

// --- a main process of its own ---------------------------------------------------
// The tests that end, kill or starve a main process run one: this program
// again, with --child-main=<scenario> --status=<file> --cache=<folder>. It
// reports what it sees as lines appended to the status file:
//   "renderer <pid>"          the renderer serving its page
//   "no browser"              CreateBrowserSync gave null
//   "terminated <status> <ui|off-ui>", "loaded again", "shut down"

std::wstring g_status_file;

void Status(const std::string& line) {
  HANDLE f = ::CreateFileW(g_status_file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(f);
}

std::string ReadStatus(const std::wstring& file) {
  std::string text;
  velora_transport_test::ReadFileText(file, &text);
  return text;
}

std::wstring SwitchValue(const std::wstring& line, const std::wstring& name) {
  const std::wstring key = L"--" + name + L"=";
  const size_t at = line.find(key);
  if (at == std::wstring::npos) return std::wstring();
  const size_t begin = at + key.size();
  const size_t end = line.find(L' ', begin);
  return line.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin);
}

HWND MakeHostWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"EngineClientHost";
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  ::RegisterClassW(&wc);
  return ::CreateWindowExW(0, L"EngineClientHost", L"engine client", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                           0, 0, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
}

int ChildMain(const std::wstring& scenario, const std::wstring& cache) {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  g_host = MakeHostWindow();
  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  CefString(&settings.cache_path) = cache;
  // Beside the cache folder, which exists only once the engine has made it.
  CefString(&settings.log_file) = cache.substr(0, cache.find_last_of(L'\\')) + L"\\engine.log";
  CefInitialize(args, settings, nullptr, nullptr);
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"ping.html", {0, 0, 200, 100});
  if (!browser) {
    Status("no browser");
    CefShutdown();
    return 0;
  }
  client->WaitFor([&] { return client->loads_ > 0; });
  Status("renderer " + std::to_string(RendererPid(client, browser)));
  if (scenario == L"shutdown") {
    CefShutdown();
    Status("shut down");
    return 0;
  }
  // "hold": until killed, answer each fault with a reload.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  size_t seen = 0;
  while (std::chrono::steady_clock::now() < end) {
    Termination t = {};
    int loads = 0;
    if (!client->WaitFor([&] {
          loads = client->loads_;
          if (client->terminated_.size() <= seen) return false;
          t = client->terminated_[seen];
          return true;
        }, 1))
      continue;
    ++seen;
    Status("terminated " + std::to_string(t.status) + (t.on_ui ? " ui" : " off-ui"));
    browser->Reload();
    if (client->WaitFor([&] { return client->loads_ > loads; }, 30)) {
      Status("loaded again");
      Status("renderer " + std::to_string(RendererPid(client, browser)));
    }
  }
  return 0;
}

// Waits until the child's status has the line (a whole line); false after
// `seconds`.
bool WaitForStatus(const std::wstring& file, const std::string& line, int seconds = 30) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (("\n" + ReadStatus(file)).find("\n" + line + "\n") != std::string::npos) return true;
    PumpFor(50);
  }
  return false;
}

// The pid of the newest "renderer <pid>" line, 0 when none.
int LastRendererPid(const std::wstring& file) {
  std::istringstream in(ReadStatus(file));
  std::string line;
  int pid = 0;
  while (std::getline(in, line))
    if (line.compare(0, 9, "renderer ") == 0) pid = std::atoi(line.c_str() + 9);
  return pid;
}

int WaitRendererPid(const std::wstring& file) {
  int pid = 0;
  for (int i = 0; i < 300 && !pid; ++i) {
    pid = LastRendererPid(file);
    if (!pid) PumpFor(100);
  }
  return pid;
}

bool ProcessEnds(DWORD pid, int ms) {
  HANDLE h = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!h) return true;  // already gone
  const bool ended = ::WaitForSingleObject(h, ms) == WAIT_OBJECT_0;
  ::CloseHandle(h);
  return ended;
}

bool KillProcess(DWORD pid) {
  HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  if (!h) return false;
  const bool ok = ::TerminateProcess(h, 1) != 0;
  ::CloseHandle(h);
  return ok;
}

// A child main process with a fresh folder of its own under the test's.
struct Child {
  std::wstring dir, status, cache;
  PROCESS_INFORMATION pi = {};

  Child(const std::wstring& name, const std::wstring& scenario, const std::wstring& exe = L"") {
    dir = velora_transport_test::TestDir() + L"\\child-" + name;
    velora_transport_test::DeleteTreeForTest(dir);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    status = dir + L"\\status.txt";
    cache = dir + L"\\cache";
    const std::wstring line = L"--child-main=" + scenario + L" --status=" + status + L" --cache=" + cache;
    if (exe.empty()) {
      pi = velora_transport_test::StartChild(line);
    } else {
      std::wstring command = L"\"" + exe + L"\" " + line;
      STARTUPINFOW si = {};
      si.cb = sizeof(si);
      if (!::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        pi = PROCESS_INFORMATION{};
    }
  }
  ~Child() {
    if (pi.hProcess) {
      ::TerminateProcess(pi.hProcess, 1);
      ::WaitForSingleObject(pi.hProcess, 5000);
      ::CloseHandle(pi.hProcess);
      ::CloseHandle(pi.hThread);
    }
  }
  std::wstring profile() const { return cache + L"\\engine\\" + std::to_wstring(pi.dwProcessId); }
  DWORD ExitCode(int ms) const {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
};

// Processes whose program file has this name and whose parent is `parent`.
std::vector<DWORD> ChildrenNamed(DWORD parent, const std::wstring& exe_name) {
  std::vector<DWORD> pids;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W e = {};
  e.dwSize = sizeof(e);
  for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e)) {
    std::wstring name = e.szExeFile;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    if (e.th32ParentProcessID == parent && _wcsicmp(name.c_str(), exe_name.c_str()) == 0)
      pids.push_back(e.th32ProcessID);
  }
  ::CloseHandle(snap);
  return pids;
}

bool NoChromiumWithin(const std::wstring& profile, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    if (velora_transport_test::CountProcessesWithProfile(profile) == 0) return true;
    PumpFor(100);
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

}  // namespace

TEST(EngineClient, WindowedBrowserShowsThePageAndTakesInput) {
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"color.html", {0, 0, 400, 300});
  ASSERT_TRUE(browser);
  HWND child = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(child);
  EXPECT_EQ(::GetParent(child), g_host);
  ASSERT_TRUE(client->WaitFor([&] { return client->loads_ > 0; }));

  // The page's colour reaches the child window's pixels.
  bool painted = false;
  for (int i = 0; i < 100 && !painted; ++i) {
    PumpFor(100);
    painted = PixelOf(child, 200, 150) == RGB(0x20, 0x60, 0xA0);
  }
  EXPECT_TRUE(painted) << std::hex << PixelOf(child, 200, 150);

  // A click posted to the window reaches the page at its coordinates.
  ::PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 80));
  ::PostMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(120, 80));
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "click") != nullptr; }));
  {
    const auto received = client->Snapshot();
    const Received* r = Find(received, "click");
    EXPECT_EQ(r->args->GetInt(1), 120);
    EXPECT_EQ(r->args->GetInt(2), 80);
  }

  // Typed text, Chinese included, lands in the input.
  ::PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 8));
  ::PostMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(20, 8));
  PumpFor(300);
  for (wchar_t c : std::wstring(L"ab\u4e2d\u6587")) ::PostMessageW(child, WM_CHAR, c, 0);
  ASSERT_TRUE(client->WaitFor([&] {
    for (const auto& r : client->received_)
      if (r.args->GetString(0).ToString() == "input" && r.args->GetString(1).ToString() == "ab\xe4\xb8\xad\xe6\x96\x87")
        return true;
    return false;
  }));

  // Resizing the window resizes the page.
  ::MoveWindow(child, 0, 0, 320, 200, TRUE);
  ASSERT_TRUE(client->WaitFor([&] {
    for (const auto& r : client->received_)
      if (r.args->GetString(0).ToString() == "resize" && r.args->GetInt(1) == 320 && r.args->GetInt(2) == 200)
        return true;
    return false;
  }));
  CloseAndWait(client, browser);
  EXPECT_FALSE(::IsWindow(child));
}

TEST(EngineClient, BridgeCallsArriveWithTheirKindsFromEveryContext) {
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"bridge.html", {0, 0, 300, 200});
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] {
    return Find(client->received_, "returned") && Find(client->received_, "iframe") && Find(client->received_, "head");
  }));
  const auto received = client->Snapshot();
  EXPECT_FALSE(client->wrong_source_);
  for (const auto& r : received) {
    EXPECT_EQ(r.name, "testCall");
    EXPECT_TRUE(r.on_ui);
  }
  const Received* head = Find(received, "head");
  EXPECT_EQ(head->args->GetString(1).ToString(), "function");  // before the page's first script ran
  EXPECT_EQ(head->args->GetString(2).ToString(), "function");

  const Received* kinds = Find(received, "kinds");
  ASSERT_TRUE(kinds);
  CefRefPtr<CefListValue> a = kinds->args;
  EXPECT_EQ(a->GetString(1).ToString(), "x");
  EXPECT_EQ(a->GetInt(2), 5);
  EXPECT_TRUE(a->GetBool(3));
  EXPECT_EQ(a->GetDouble(4), 1.5);
  EXPECT_EQ(a->GetInt(8), 2);  // the array's length
  EXPECT_EQ(a->GetInt(10), -7);
  EXPECT_EQ(a->GetDouble(11), 4000000000.0);
  EXPECT_EQ(a->GetString(12).ToString(), "ssibdnoUafiu");  // the kinds the renderer saw
  EXPECT_TRUE(a->GetBool(13));   // from the main frame
  EXPECT_TRUE(a->GetBool(14));   // on the renderer thread

  EXPECT_TRUE(Find(received, "external"));
  const Received* returned = Find(received, "returned");
  EXPECT_EQ(returned->args->GetString(1).ToString(), "undefined");
  const Received* iframe = Find(received, "iframe");
  EXPECT_EQ(iframe->args->GetString(1).ToString(), "frame.html");
  const size_t n = iframe->args->GetSize();
  EXPECT_FALSE(iframe->args->GetBool(n - 2));  // the iframe's own context

  // The other way: a message to the renderer comes back.
  CefRefPtr<CefProcessMessage> ping = CefProcessMessage::Create("ping");
  ping->GetArgumentList()->SetString(0, "ping");
  ping->GetArgumentList()->SetInt(1, 42);
  browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, ping);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ping") != nullptr; }));
  const auto after = client->Snapshot();
  const Received* echo = Find(after, "ping");
  EXPECT_EQ(echo->name, "echo:ping");
  EXPECT_EQ(echo->args->GetInt(1), 42);
  CloseAndWait(client, browser);
}

TEST(EngineClient, TenThousandCallsArriveInOrderAndTenMebibytesArrive) {
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"loop.html", {0, 0, 200, 100});
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "big") != nullptr; }, 120));
  const auto received = client->Snapshot();
  int next = 0;
  for (const auto& r : received) {
    if (r.args->GetString(0).ToString() != "n") continue;
    ASSERT_EQ(r.args->GetInt(1), next) << "out of order";
    ++next;
  }
  EXPECT_EQ(next, 10000);
  const Received* big = Find(received, "big");
  EXPECT_EQ(big->args->GetInt(1), 10 * 1024 * 1024);
  EXPECT_EQ(big->args->GetString(2).length(), static_cast<size_t>(10 * 1024 * 1024));
  CloseAndWait(client, browser);
}

TEST(EngineClient, AClosedPortGivesOnLoadErrorWithTheEngineCode) {
  // A port that nothing listens on: bind one, note it, close it.
  WSADATA wsa;
  ::WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  int len = sizeof(addr);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  const int port = ntohs(addr.sin_port);
  ::closesocket(s);

  CefRefPtr<TestClient> client = new TestClient();
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(port) + L"/";
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, url, {0, 0, 200, 100});
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return !client->errors_.empty(); }));
  const auto errors = client->Errors();
  EXPECT_EQ(errors[0].code, ERR_CONNECTION_REFUSED);
  EXPECT_EQ(errors[0].text, "ERR_CONNECTION_REFUSED");
  EXPECT_EQ(errors[0].url, "http://127.0.0.1:" + std::to_string(port) + "/");
  CloseAndWait(client, browser);
}

TEST(EngineClient, CreateBrowserSyncOffTheUiThreadGivesNoBrowser) {
  CefWindowInfo info;
  info.SetAsChild(g_host, CefRect(0, 0, 10, 10));
  CefBrowserSettings settings;
  EXPECT_FALSE(CefBrowserHost::CreateBrowserSync(info, new TestClient(), "about:blank", settings, nullptr, nullptr));
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));
}


// --- policy: new windows, navigations, other programs' addresses ---------------

struct PopupSeen {
  std::string url, name;
  int disposition = 0;
  bool gesture = false, width_set = false;
  int width = 0;
  bool on_ui = false;
};

class PolicyClient : public TestClient, public CefResourceRequestHandler {
 public:
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                     const CefString& target_frame_name, CefLifeSpanHandler::WindowOpenDisposition target_disposition,
                     bool user_gesture, const CefPopupFeatures& features, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) override {
    std::lock_guard<std::mutex> g(lock_);
    popups_.push_back({target_url.ToString(), target_frame_name.ToString(), target_disposition, user_gesture,
                       features.widthSet != 0, features.width, CefCurrentlyOn(TID_UI)});
    cv_.notify_all();
    return cancel_popups_;
  }
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
    std::lock_guard<std::mutex> g(lock_);
    created_.push_back(browser);
    cv_.notify_all();
  }
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                      bool user_gesture, bool is_redirect) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    const std::string url = request->GetURL().ToString();
    browsed_.push_back(url);
    cv_.notify_all();
    return !refuse_.empty() && url.find(refuse_) != std::string::npos;
  }
  CefRefPtr<CefResourceRequestHandler> GetResourceRequestHandler(
      CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request, bool is_navigation,
      bool is_download, const CefString& request_initiator, bool& disable_default_handling) override {
    return this;
  }
  void OnProtocolExecution(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                           bool& allow_os_execution) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    protocols_.push_back(request->GetURL().ToString());
    allow_os_execution = allow_os_;
    cv_.notify_all();
  }
  bool Browsed(const std::string& part) {
    for (const auto& u : browsed_)
      if (u.find(part) != std::string::npos) return true;
    return false;
  }
  bool cancel_popups_ = false;
  bool allow_os_ = false;
  std::string refuse_;
  std::vector<PopupSeen> popups_;
  std::vector<CefRefPtr<CefBrowser>> created_;
  std::vector<std::string> browsed_, protocols_;
};

bool Arrived(CefRefPtr<TestClient> client, const std::string& first, const std::string& second) {
  for (const auto& r : client->received_)
    if (r.args->GetSize() > 1 && r.args->GetString(0).ToString() == first &&
        r.args->GetType(1) == VTYPE_STRING && r.args->GetString(1).ToString() == second)
      return true;
  return false;
}

int CountArrived(CefRefPtr<TestClient> client, const std::string& first) {
  std::lock_guard<std::mutex> g(client->lock_);
  int n = 0;
  for (const auto& r : client->received_)
    if (r.args->GetSize() > 0 && r.args->GetType(0) == VTYPE_STRING && r.args->GetString(0).ToString() == first) ++n;
  return n;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(EnginePolicy, NewWindowsByDisposition) {
  const struct {
    const char* name;
    bool by_click;       // the link with target=_blank, or window.open from script
    const char* script;
    bool cancel;
    const char* url_tail;
    int disposition;
    bool gesture;
    const char* frame_name;
    int width;           // asked in the window features, 0 for none
  } cases[] = {
      {"target=_blank link, let through", true, "", false, "ping.html?tab", WOD_NEW_FOREGROUND_TAB, true, "", 0},
      {"window.open with features, cancelled", false,
       "window.open('ping.html?popup', 'named', 'width=300,height=200')", true, "ping.html?popup", WOD_NEW_POPUP,
       false, "named", 300},
      {"window.open without features, let through", false, "window.open('ping.html?plain')", false,
       "ping.html?plain", WOD_NEW_FOREGROUND_TAB, false, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CefRefPtr<PolicyClient> client = new PolicyClient();
    client->cancel_popups_ = c.cancel;
    CefRefPtr<CefBrowser> opener = CreateBrowser(client, g_pages + L"popup.html", {0, 0, 400, 300});
    ASSERT_TRUE(opener);
    ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
    if (c.by_click) {
      HWND child = opener->GetHost()->GetWindowHandle();
      ::PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
      ::PostMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(50, 20));
    } else {
      opener->GetMainFrame()->ExecuteJavaScript(c.script, "", 0);
    }
    ASSERT_TRUE(client->WaitFor([&] { return !client->popups_.empty(); }));
    PopupSeen seen;
    {
      std::lock_guard<std::mutex> g(client->lock_);
      seen = client->popups_[0];
    }
    EXPECT_TRUE(EndsWith(seen.url, c.url_tail)) << seen.url;
    EXPECT_EQ(seen.disposition, c.disposition);
    EXPECT_EQ(seen.gesture, c.gesture);
    EXPECT_EQ(seen.name, c.frame_name);
    EXPECT_EQ(seen.width_set, c.width != 0);
    EXPECT_EQ(seen.width, c.width);
    EXPECT_TRUE(seen.on_ui);

    if (c.cancel) {
      // No browser, no window, and the page never ran: only the opener's
      // own "ready" arrives.
      PumpFor(1500);
      EXPECT_EQ(client->created_.size(), 1u);
      EXPECT_EQ(CountArrived(client, "ready"), 1);
      EXPECT_FALSE(::FindWindowExW(nullptr, nullptr, L"CefBrowserWindow", nullptr));
    } else {
      ASSERT_TRUE(client->WaitFor([&] { return client->created_.size() == 2; }));
      CefRefPtr<CefBrowser> popup = client->created_[1];
      HWND window = popup->GetHost()->GetWindowHandle();
      ASSERT_TRUE(::IsWindow(window));
      EXPECT_EQ(::GetParent(window), nullptr);  // a top-level window of its own
      EXPECT_EQ(::GetWindow(window, GW_OWNER), g_host);
      EXPECT_TRUE(popup->GetHost()->GetClient() == opener->GetHost()->GetClient());
      EXPECT_TRUE(popup->IsPopup());
      EXPECT_FALSE(opener->IsPopup());
      ASSERT_TRUE(client->WaitFor([&] { return client->loads_by_browser_[popup->GetIdentifier()] > 0; }));
      EXPECT_TRUE(EndsWith(popup->GetMainFrame()->GetURL().ToString(), c.url_tail));
      // The page knows its opener, except where the link implies noopener
      // (target=_blank does, as in every browser of today).
      popup->GetMainFrame()->ExecuteJavaScript("testCall('opener', String(!!window.opener))", "", 0);
      const char* has_opener = c.by_click ? "false" : "true";
      EXPECT_TRUE(client->WaitFor([&] { return Arrived(client, "opener", has_opener); }));
      CloseAndWait(client, popup);
    }
    CloseAndWait(client, opener);
  }
}

TEST(EnginePolicy, ARefusedNavigationLeavesThePageAsItWas) {
  CefRefPtr<PolicyClient> client = new PolicyClient();
  client->refuse_ = "refused";
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"nav.html?first", {0, 0, 300, 200});
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return Arrived(client, "nav", "?first"); }));
  EXPECT_TRUE(client->Browsed("nav.html?first"));  // the first load went through it too
  browser->GetMainFrame()->ExecuteJavaScript("location.href = 'nav.html?refused'", "", 0);
  ASSERT_TRUE(client->WaitFor([&] { return client->Browsed("nav.html?refused"); }));
  PumpFor(1000);
  EXPECT_FALSE(Arrived(client, "nav", "?refused"));
  EXPECT_TRUE(EndsWith(browser->GetMainFrame()->GetURL().ToString(), "nav.html?first"));
  // Others still go.
  browser->GetMainFrame()->ExecuteJavaScript("location.href = 'nav.html?second'", "", 0);
  EXPECT_TRUE(client->WaitFor([&] { return Arrived(client, "nav", "?second"); }));
  CloseAndWait(client, browser);
}

// Wine hands mailto: and other programs' addresses to the programs its
// browser and mailer lists name: a script that records what it was given.
class RecordingShell {
 public:
  RecordingShell() {
    const std::wstring dir = velora_transport_test::TestDir();
    record_ = dir + L"\\opened.txt";
    ::DeleteFileW(record_.c_str());
    const std::wstring script = dir + L"\\record-open.sh";
    velora_transport_test::WriteFileText(
        script, "#!/bin/sh\necho \"$@\" >> '" + velora_transport_test::UnixPathOf(record_) + "'\n");
    HANDLE chmod = nullptr;
    std::wstring command = L"chmod +x " + FromUnix(velora_transport_test::UnixPathOf(script));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessW(L"Z:\\bin\\chmod", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      chmod = pi.hProcess;
      ::CloseHandle(pi.hThread);
    }
    if (chmod) {
      ::CloseHandle(chmod);
    }
    PumpFor(300);
    const std::wstring unix_script = FromUnix(velora_transport_test::UnixPathOf(script));
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr);
    for (const wchar_t* name : {L"Browsers", L"Mailers"})
      ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(unix_script.c_str()),
                       static_cast<DWORD>((unix_script.size() + 1) * sizeof(wchar_t)));
  }
  ~RecordingShell() {
    for (const wchar_t* name : {L"Browsers", L"Mailers"}) ::RegDeleteValueW(key_, name);
    ::RegCloseKey(key_);
  }
  std::string Opened() const {
    std::string text;
    velora_transport_test::ReadFileText(record_, &text);
    return text;
  }

 private:
  static std::wstring FromUnix(const std::string& path) { return std::wstring(path.begin(), path.end()); }
  std::wstring record_;
  HKEY key_ = nullptr;
};

TEST(EnginePolicy, OtherProgramsAddressesGoToTheSystemWhenAllowed) {
  RecordingShell shell;
  CefRefPtr<PolicyClient> client = new PolicyClient();
  client->allow_os_ = true;
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"popup.html", {0, 0, 300, 200});
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  HWND child = browser->GetHost()->GetWindowHandle();
  ::PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 80));
  ::PostMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(50, 80));
  ASSERT_TRUE(client->WaitFor([&] { return !client->protocols_.empty(); }));
  EXPECT_EQ(client->protocols_[0], "mailto:player@example.test?subject=hi");
  EXPECT_TRUE(client->Browsed("mailto:player@example.test"));  // a navigation like any other first
  bool opened = false;
  for (int i = 0; i < 100 && !opened; ++i) {
    opened = shell.Opened().find("mailto:player@example.test") != std::string::npos;
    if (!opened) PumpFor(100);
  }
  EXPECT_TRUE(opened) << shell.Opened();
  EXPECT_TRUE(EndsWith(browser->GetMainFrame()->GetURL().ToString(), "popup.html"));

  // Not allowed: the client hears of it and nothing is opened.
  client->allow_os_ = false;
  browser->GetMainFrame()->LoadURL("myapp://x");
  ASSERT_TRUE(client->WaitFor([&] { return client->protocols_.size() == 2; }));
  EXPECT_EQ(client->protocols_[1], "myapp://x");
  PumpFor(1000);
  EXPECT_EQ(shell.Opened().find("myapp"), std::string::npos);
  EXPECT_TRUE(EndsWith(browser->GetMainFrame()->GetURL().ToString(), "popup.html"));
  CloseAndWait(client, browser);
}

// --- display, input and off-screen views -------------------------------------------

struct Title { std::string text; bool on_ui; };
struct Paint { std::vector<CefRect> rects; int width, height; bool on_ui; int type; };

class ViewClient : public TestClient, public CefRenderHandler, public CefDisplayHandler {
 public:
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  void GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    ++view_rect_asked_;
    rect = CefRect(0, 0, view_w_, view_h_);
  }
  void OnPaint(CefRefPtr<CefBrowser> browser, PaintElementType type, const RectList& rects, const void* buffer,
               int width, int height) override {
    std::lock_guard<std::mutex> g(lock_);
    paints_.push_back({rects, width, height, CefCurrentlyOn(TID_UI), type});
    const uint32_t* px = static_cast<const uint32_t*>(buffer);
    (type == PET_POPUP ? popup_pixels_ : pixels_).assign(px, px + static_cast<size_t>(width) * height);
    if (type == PET_POPUP) popup_width_ = width;
    cv_.notify_all();
  }
  void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override {
    std::lock_guard<std::mutex> g(lock_);
    titles_.push_back({title.ToString(), CefCurrentlyOn(TID_UI)});
    cv_.notify_all();
  }
  void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override {
    std::lock_guard<std::mutex> g(lock_);
    popup_shown_.push_back(show);
    cv_.notify_all();
  }
  void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override {
    std::lock_guard<std::mutex> g(lock_);
    popup_rect_ = rect;
  }
  bool HasTitle(const std::string& text) {
    for (const auto& t : titles_)
      if (t.text == text) return true;
    return false;
  }
  // The last view frame's pixel, 0xAARRGGBB (call under the lock).
  uint32_t PixelAt(int x, int y) const {
    for (auto p = paints_.rbegin(); p != paints_.rend(); ++p)
      if (p->type == PET_VIEW) return pixels_[static_cast<size_t>(y) * p->width + x];
    return 0;
  }
  uint32_t PopupPixelAt(int x, int y) const { return popup_pixels_[static_cast<size_t>(y) * popup_width_ + x]; }

  int view_w_ = 320, view_h_ = 200;
  int view_rect_asked_ = 0;
  std::vector<bool> popup_shown_;
  CefRect popup_rect_;
  std::vector<uint32_t> popup_pixels_;  // the last popup frame
  int popup_width_ = 0;
  std::vector<Paint> paints_;
  std::vector<uint32_t> pixels_;
  std::vector<Title> titles_;
};

bool Near(uint32_t argb, uint32_t want, int tolerance = 40) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((argb >> shift) & 0xFF), b = static_cast<int>((want >> shift) & 0xFF);
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

// A windowless browser; background 0 makes it transparent.
CefRefPtr<CefBrowser> CreateWindowless(CefRefPtr<ViewClient> client, const std::wstring& url, cef_color_t background) {
  return CreateBrowser(client, url, {0, 0, 0, 0}, [background](CefWindowInfo& info, CefBrowserSettings& settings) {
    info.style = 0;
    info.bounds = CefRect();
    info.SetAsWindowless(g_host);
    settings.background_color = background;
  });
}

TEST(EngineDisplay, TitlesFromTheDocumentAndFromScriptReachOnTitleChange) {
  CefRefPtr<ViewClient> client = new ViewClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"osr.html", {0, 0, 200, 100});
  ASSERT_TRUE(browser);
  EXPECT_TRUE(client->WaitFor([&] { return client->HasTitle("first title"); }));
  browser->GetMainFrame()->ExecuteJavaScript("document.title = '\xe7\xac\xac\xe4\xba\x8c'", "", 0);
  EXPECT_TRUE(client->WaitFor([&] { return client->HasTitle("\xe7\xac\xac\xe4\xba\x8c"); }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    for (const auto& t : client->titles_) EXPECT_TRUE(t.on_ui) << t.text;
  }
  CloseAndWait(client, browser);
}

TEST(EngineDisplay, AChildMadeWithoutASizeIsEmptyUntilItsHostPlacesIt) {
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"osr.html", {0, 0, 0, 0});
  ASSERT_TRUE(browser);
  HWND child = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(::IsWindow(child));
  RECT r;
  ::GetWindowRect(child, &r);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 0);
  // The page still lays out at a usable size meanwhile.
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    const Received* ready = Find(client->received_, "ready");
    EXPECT_GT(ready->args->GetInt(1), 0);
    EXPECT_GT(ready->args->GetInt(2), 0);
  }
  ::MoveWindow(child, 0, 0, 300, 150, TRUE);
  EXPECT_TRUE(client->WaitFor([&] {
    for (const auto& x : client->received_)
      if (x.args->GetString(0).ToString() == "resize" && x.args->GetInt(1) == 300 && x.args->GetInt(2) == 150)
        return true;
    return false;
  }));
  CloseAndWait(client, browser);
}

TEST(EngineOffScreen, FramesCarryWhatChangedAndAResizeGivesAWholeFrameOfTheNewSize) {
  CefRefPtr<ViewClient> client = new ViewClient();
  CefRefPtr<CefBrowser> browser = CreateWindowless(client, g_pages + L"osr.html?white", 0xFFFFFFFF);
  ASSERT_TRUE(browser);
  EXPECT_TRUE(browser->GetHost()->IsWindowRenderingDisabled());
  EXPECT_EQ(browser->GetHost()->GetWindowHandle(), nullptr);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  // The page has the view's size.
  {
    std::lock_guard<std::mutex> g(client->lock_);
    const Received* ready = Find(client->received_, "ready");
    EXPECT_EQ(ready->args->GetInt(1), 320);
    EXPECT_EQ(ready->args->GetInt(2), 200);
  }
  // The first frame is whole, of the view's size, on the UI thread, and
  // shows the page.
  ASSERT_TRUE(client->WaitFor([&] { return !client->paints_.empty() && Near(client->PixelAt(20, 15), 0xFFFF0000); }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    const Paint& first = client->paints_.front();
    EXPECT_EQ(first.width, 320);
    EXPECT_EQ(first.height, 200);
    EXPECT_EQ(first.type, PET_VIEW);
    ASSERT_EQ(first.rects.size(), 1u);
    EXPECT_EQ(first.rects[0], CefRect(0, 0, 320, 200));
    for (const auto& p : client->paints_) EXPECT_TRUE(p.on_ui);
    EXPECT_TRUE(Near(client->PixelAt(55, 45), 0xFF0000FF));
    EXPECT_TRUE(Near(client->PixelAt(200, 150), 0xFFFFFFFF));
  }

  // One 10x10 square changes: the frame's rectangles cover it and little else.
  size_t before;
  {
    std::lock_guard<std::mutex> g(client->lock_);
    before = client->paints_.size();
  }
  browser->GetMainFrame()->ExecuteJavaScript("document.getElementById('sq').style.background = '#0f0'", "", 0);
  ASSERT_TRUE(client->WaitFor([&] {
    return client->paints_.size() > before && Near(client->PixelAt(55, 45), 0xFF00FF00);
  }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    int x0 = 1 << 30, y0 = 1 << 30, x1 = 0, y1 = 0, area = 0;
    for (size_t i = before; i < client->paints_.size(); ++i) {
      for (const CefRect& r : client->paints_[i].rects) {
        x0 = std::min(x0, r.x);
        y0 = std::min(y0, r.y);
        x1 = std::max(x1, r.x + r.width);
        y1 = std::max(y1, r.y + r.height);
        area += r.width * r.height;
      }
    }
    EXPECT_LE(x0, 50);
    EXPECT_LE(y0, 40);
    EXPECT_GE(x1, 60);
    EXPECT_GE(y1, 50);
    EXPECT_LT(area, 320 * 200 / 10) << "the changed square came as most of the view";
    EXPECT_TRUE(Near(client->PixelAt(20, 15), 0xFFFF0000));  // the rest is still there
  }

  // A resize: GetViewRect is asked again, the page gets the new size, and
  // the next frame is whole and of that size.
  int asked;
  {
    std::lock_guard<std::mutex> g(client->lock_);
    client->view_w_ = 400;
    client->view_h_ = 250;
    asked = client->view_rect_asked_;
    before = client->paints_.size();
  }
  browser->GetHost()->WasResized();
  ASSERT_TRUE(client->WaitFor([&] {
    for (size_t i = before; i < client->paints_.size(); ++i)
      if (client->paints_[i].width == 400) return true;
    return false;
  }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_GT(client->view_rect_asked_, asked);
    for (size_t i = before; i < client->paints_.size(); ++i) {
      const Paint& p = client->paints_[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(p.width, 400);  // no frame of the old size after the resize
      EXPECT_EQ(p.height, 250);
      if (p.width != 400) continue;
      ASSERT_EQ(p.rects.size(), 1u);
      EXPECT_EQ(p.rects[0], CefRect(0, 0, 400, 250));
      break;
    }
  }
  EXPECT_TRUE(client->WaitFor([&] {
    for (const auto& x : client->received_)
      if (x.args->GetString(0).ToString() == "resize" && x.args->GetInt(1) == 400 && x.args->GetInt(2) == 250)
        return true;
    return false;
  }));

  // The same size again paints nothing: a client that calls WasResized on
  // each of its own paints must not be made to paint again and again.
  PumpFor(500);
  {
    std::lock_guard<std::mutex> g(client->lock_);
    before = client->paints_.size();
  }
  for (int i = 0; i < 5; ++i) browser->GetHost()->WasResized();
  PumpFor(1000);
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_EQ(client->paints_.size(), before);
  }
  // Invalidate asks for the whole view again.
  browser->GetHost()->Invalidate(PET_VIEW);
  ASSERT_TRUE(client->WaitFor([&] { return client->paints_.size() > before; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    ASSERT_EQ(client->paints_.back().rects.size(), 1u);
    EXPECT_EQ(client->paints_.back().rects[0], CefRect(0, 0, 400, 250));
  }
  CloseAndWait(client, browser);
}

TEST(EngineOffScreen, TransparentPagesKeepAlphaAndInputReachesThePage) {
  CefRefPtr<ViewClient> client = new ViewClient();
  CefRefPtr<CefBrowser> browser = CreateWindowless(client, g_pages + L"osr.html", 0);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  ASSERT_TRUE(client->WaitFor([&] { return !client->paints_.empty() && (client->PixelAt(20, 15) >> 24) == 0xFF; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_EQ(client->PixelAt(20, 15), 0xFFFF0000u);       // painted: opaque red
    EXPECT_EQ(client->PixelAt(200, 150) >> 24, 0u);        // nothing painted: alpha 0
  }

  // A click sent to the view reaches the page's handler at its point.
  CefMouseEvent at;
  at.x = 120;
  at.y = 80;
  browser->GetHost()->SendMouseClickEvent(at, MBT_LEFT, false, 1);
  browser->GetHost()->SendMouseClickEvent(at, MBT_LEFT, true, 1);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "click") != nullptr; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    const Received* r = Find(client->received_, "click");
    EXPECT_EQ(r->args->GetInt(1), 120);
    EXPECT_EQ(r->args->GetInt(2), 80);
    EXPECT_EQ(r->args->GetInt(3), 0);
  }

  // Into the red box and out of the view: the page sees it leave.
  CefMouseEvent box;
  box.x = 20;
  box.y = 15;
  browser->GetHost()->SendMouseMoveEvent(box, false);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "over") != nullptr; }));
  browser->GetHost()->SendMouseMoveEvent(box, true);
  EXPECT_TRUE(client->WaitFor([&] { return Find(client->received_, "out") != nullptr; }));
  EXPECT_TRUE(client->WaitFor([&] { return Find(client->received_, "leave") != nullptr; }));

  // The wheel: a notch towards the user scrolls down.
  browser->GetHost()->SendMouseWheelEvent(box, 0, -120);
  EXPECT_TRUE(client->WaitFor([&] { return Arrived(client, "wheel", "down"); }));
  browser->GetHost()->SendMouseWheelEvent(box, 0, 120);
  EXPECT_TRUE(client->WaitFor([&] { return Arrived(client, "wheel", "up"); }));

  // Keys: caps lock decides a letter's case; Shift with caps lock gives
  // lower case again.
  const struct { uint32 flags; const char* key; } keys[] = {
      {EVENTFLAG_NONE, "q"},
      {EVENTFLAG_CAPS_LOCK_ON, "W"},
      {EVENTFLAG_CAPS_LOCK_ON | EVENTFLAG_SHIFT_DOWN | EVENTFLAG_NUM_LOCK_ON, "e"},
  };
  browser->GetHost()->SetFocus(true);
  for (const auto& k : keys) {
    SCOPED_TRACE(k.key);
    CefKeyEvent key;
    key.type = KEYEVENT_RAWKEYDOWN;
    key.windows_key_code = std::toupper(k.key[0]);
    key.modifiers = k.flags;
    browser->GetHost()->SendKeyEvent(key);
    key.type = KEYEVENT_KEYUP;
    browser->GetHost()->SendKeyEvent(key);
    EXPECT_TRUE(client->WaitFor([&] { return Arrived(client, "key", k.key); }));
  }
  CloseAndWait(client, browser);
}

// --- context menus and cursors -----------------------------------------------------

struct MenuSeen {
  int type_flags, edit_flags;
  std::vector<int> ids;  // -1 for a separator
  std::string selection;
  int x, y;
  bool on_ui;
};
struct CursorSeen { int type; HCURSOR cursor; bool on_ui; };

class MenuClient : public ViewClient, public CefContextMenuHandler {
 public:
  enum class Leave { kNothing, kSelectAllAndCopy, kPaste };
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return windowless_ ? this : nullptr; }
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) override {
    std::lock_guard<std::mutex> g(lock_);
    MenuSeen seen{params->GetTypeFlags(), params->GetEditStateFlags(), {}, params->GetSelectionText().ToString(),
                  params->GetXCoord(), params->GetYCoord(), CefCurrentlyOn(TID_UI)};
    for (int i = 0; i < model->GetCount(); ++i)
      seen.ids.push_back(model->GetTypeAt(i) == MENUITEMTYPE_SEPARATOR ? -1 : model->GetCommandIdAt(i));
    menus_.push_back(seen);
    model->Clear();
    if (leave_ == Leave::kSelectAllAndCopy) {
      model->AddItem(MENU_ID_SELECT_ALL, "\xe5\x85\xa8\xe9\x80\x89 all");
      model->AddSeparator();
      model->AddItem(MENU_ID_COPY, "Copy it");
    } else if (leave_ == Leave::kPaste) {
      model->AddItem(MENU_ID_PASTE, "Paste");
    }
    cv_.notify_all();
  }
  bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefContextMenuParams> params, int command_id, EventFlags flags) override {
    std::lock_guard<std::mutex> g(lock_);
    commands_.push_back(command_id);
    cv_.notify_all();
    return false;  // the engine carries it out
  }
  void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override {
    std::lock_guard<std::mutex> g(lock_);
    ++dismissed_;
    cv_.notify_all();
  }
  bool OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor, cef_cursor_type_t type,
                      const CefCursorInfo& info) override {
    std::lock_guard<std::mutex> g(lock_);
    cursors_.push_back({type, cursor, CefCurrentlyOn(TID_UI)});
    cv_.notify_all();
    return handle_cursor_;
  }
  bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int x, int y, int& sx, int& sy) override {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    screen_points_.push_back({x, y});
    sx = x + 300;
    sy = y + 200;
    return true;
  }
  std::vector<POINT> screen_points_;
  bool windowless_ = false;
  bool handle_cursor_ = false;
  Leave leave_ = Leave::kNothing;
  std::vector<MenuSeen> menus_;
  std::vector<int> commands_;
  std::vector<CursorSeen> cursors_;
  int dismissed_ = 0;
};

void RightClick(HWND child, int x, int y) {
  ::PostMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
  ::PostMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
}

std::wstring ClipboardNow() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE h = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* p = static_cast<const wchar_t*>(::GlobalLock(h))) {
      text = p;
      ::GlobalUnlock(h);
    }
  }
  ::CloseClipboard();
  return text;
}

TEST(EngineContextMenu, FlagsAndCommandIdsFollowWhatLiesUnderTheMouse) {
  CefRefPtr<MenuClient> client = new MenuClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"menu.html", {0, 0, 400, 300});
  ASSERT_TRUE(browser);
  HWND child = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  const std::vector<int> page = {MENU_ID_BACK, MENU_ID_FORWARD, -1, MENU_ID_PRINT, MENU_ID_VIEW_SOURCE};
  const std::vector<int> edit = {MENU_ID_UNDO, MENU_ID_REDO, -1, MENU_ID_CUT, MENU_ID_COPY, MENU_ID_PASTE,
                                 MENU_ID_DELETE, -1, MENU_ID_SELECT_ALL};
  const struct {
    const char* name;
    const char* script;  // run first
    int x, y;
    int type_flags;
    int edit_set, edit_clear;  // edit flags that must be set and clear
    std::vector<int> ids;
    const char* selection;
  } cases[] = {
      {"plain text", "", 30, 20, CM_TYPEFLAG_PAGE, CM_EDITFLAG_CAN_SELECT_ALL,
       CM_EDITFLAG_CAN_COPY | CM_EDITFLAG_CAN_PASTE | CM_EDITFLAG_CAN_CUT, page, ""},
      {"a selection", "getSelection().selectAllChildren(document.getElementById('t'))", 30, 20,
       CM_TYPEFLAG_PAGE | CM_TYPEFLAG_SELECTION, CM_EDITFLAG_CAN_COPY, CM_EDITFLAG_CAN_PASTE, {MENU_ID_COPY},
       "Plain words here"},
      {"a text input", "getSelection().removeAllRanges()", 150, 70, CM_TYPEFLAG_PAGE | CM_TYPEFLAG_EDITABLE,
       CM_EDITFLAG_CAN_PASTE | CM_EDITFLAG_CAN_SELECT_ALL, CM_EDITFLAG_CAN_CUT | CM_EDITFLAG_CAN_DELETE, edit, ""},
      {"a link", "", 20, 108, CM_TYPEFLAG_PAGE | CM_TYPEFLAG_LINK, 0, CM_EDITFLAG_CAN_PASTE, page, ""},
      // The menu opens where the press was, in the view's coordinates.
      {"text in a frame", "", 240, 198, CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME, CM_EDITFLAG_CAN_SELECT_ALL,
       CM_EDITFLAG_CAN_PASTE, page, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (*c.script) browser->GetMainFrame()->ExecuteJavaScript(c.script, "", 0);
    PumpFor(200);
    size_t before;
    {
      std::lock_guard<std::mutex> g(client->lock_);
      before = client->menus_.size();
    }
    RightClick(child, c.x, c.y);
    ASSERT_TRUE(client->WaitFor([&] { return client->menus_.size() > before; }));
    std::lock_guard<std::mutex> g(client->lock_);
    const MenuSeen& m = client->menus_.back();
    EXPECT_EQ(m.type_flags, c.type_flags);
    EXPECT_EQ(m.edit_flags & c.edit_set, c.edit_set) << m.edit_flags;
    EXPECT_EQ(m.edit_flags & c.edit_clear, 0) << m.edit_flags;
    EXPECT_EQ(m.ids, c.ids);
    EXPECT_EQ(m.selection, c.selection);
    EXPECT_EQ(m.x, c.x);
    EXPECT_EQ(m.y, c.y);
    EXPECT_TRUE(m.on_ui);
  }
  // An empty model shows no menu; a page's own call of the engine's
  // reporting function shows none either.
  PumpFor(300);
  EXPECT_FALSE(::FindWindowW(L"#32768", nullptr) && ::IsWindowVisible(::FindWindowW(L"#32768", nullptr)));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_EQ(client->dismissed_, 0);
  }
  CloseAndWait(client, browser);
}

// The open context menu (a window of class #32768), or null.
HWND OpenMenu(CefRefPtr<TestClient> client) {
  HWND menu = nullptr;
  client->WaitFor([&] {
    menu = ::FindWindowW(L"#32768", nullptr);
    return menu && ::IsWindowVisible(menu);
  }, 15);
  return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}

// Chooses the n-th command of the open menu with the keyboard.
void ChooseWithKeys(HWND menu, int n) {
  for (int i = 0; i < n; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

TEST(EngineContextMenu, ChosenCommandsAreCarriedOutInThePage) {
  CefRefPtr<MenuClient> client = new MenuClient();
  client->leave_ = MenuClient::Leave::kSelectAllAndCopy;
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"menu.html", {0, 0, 400, 300});
  ASSERT_TRUE(browser);
  HWND child = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  ::CloseClipboard();

  // The menu shows the client's items with its labels; the first (select
  // all) is chosen by keys, as a user would.
  RightClick(child, 30, 20);
  HWND menu = OpenMenu(client);
  ASSERT_TRUE(menu);
  HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
  ASSERT_TRUE(items);
  {
    ASSERT_EQ(::GetMenuItemCount(items), 3);
    wchar_t label[64] = {};
    ::GetMenuStringW(items, 0, label, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(label), L"\u5168\u9009 all");
    EXPECT_EQ(::GetMenuItemID(items, 0), static_cast<UINT>(MENU_ID_SELECT_ALL));
    EXPECT_EQ(::GetMenuItemID(items, 2), static_cast<UINT>(MENU_ID_COPY));
  }
  ChooseWithKeys(menu, 1);
  ASSERT_TRUE(client->WaitFor([&] { return client->dismissed_ == 1; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_EQ(client->commands_, std::vector<int>{MENU_ID_SELECT_ALL});
  }
  browser->GetMainFrame()->ExecuteJavaScript("testCall('selected', String(getSelection()).length > 20)", "", 0);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "selected") != nullptr; }));

  // Then copy (past the separator): the page's text is on the clipboard.
  RightClick(child, 30, 20);
  menu = OpenMenu(client);
  ASSERT_TRUE(menu);
  ChooseWithKeys(menu, 2);
  ASSERT_TRUE(client->WaitFor([&] { return client->dismissed_ == 2; }));
  std::wstring copied;
  for (int i = 0; i < 100 && copied.empty(); ++i) {
    PumpFor(50);
    copied = ClipboardNow();
  }
  EXPECT_NE(copied.find(L"Plain words here"), std::wstring::npos) << copied.size();
  EXPECT_NE(copied.find(L"a link"), std::wstring::npos);
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_EQ(client->commands_, (std::vector<int>{MENU_ID_SELECT_ALL, MENU_ID_COPY}));
  }

  // Paste in the text input types the clipboard's text there.
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  const std::wstring pasted = L" \u7c98\u8d34";
  HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
  memcpy(::GlobalLock(mem), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
  ::GlobalUnlock(mem);
  ::SetClipboardData(CF_UNICODETEXT, mem);
  ::CloseClipboard();
  {
    std::lock_guard<std::mutex> g(client->lock_);
    client->leave_ = MenuClient::Leave::kPaste;
  }
  browser->GetMainFrame()->ExecuteJavaScript(
      "var i = document.getElementById('in'); i.focus(); i.setSelectionRange(i.value.length, i.value.length)", "", 0);
  PumpFor(200);
  RightClick(child, 150, 70);
  menu = OpenMenu(client);
  ASSERT_TRUE(menu);
  ChooseWithKeys(menu, 1);
  EXPECT_TRUE(client->WaitFor([&] { return Arrived(client, "input", "field text \xe7\xb2\x98\xe8\xb4\xb4"); }));
  CloseAndWait(client, browser);
}

TEST(EngineContextMenu, ARightClickSentToAWindowlessViewOpensTheMenuWhereTheClientPutsTheView) {
  CefRefPtr<MenuClient> client = new MenuClient();
  client->windowless_ = true;
  client->leave_ = MenuClient::Leave::kSelectAllAndCopy;
  CefRefPtr<CefBrowser> browser = CreateWindowless(client, g_pages + L"menu.html", 0xFFFFFFFF);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  CefMouseEvent at;
  at.x = 30;
  at.y = 20;
  at.modifiers = EVENTFLAG_RIGHT_MOUSE_BUTTON;
  browser->GetHost()->SendMouseClickEvent(at, MBT_RIGHT, false, 1);
  browser->GetHost()->SendMouseClickEvent(at, MBT_RIGHT, true, 1);
  HWND menu = OpenMenu(client);
  ASSERT_TRUE(menu);
  {
    std::lock_guard<std::mutex> g(client->lock_);
    ASSERT_EQ(client->menus_.size(), 1u);
    EXPECT_EQ(client->menus_[0].type_flags, CM_TYPEFLAG_PAGE);
    ASSERT_FALSE(client->screen_points_.empty());
    EXPECT_EQ(client->screen_points_.back().x, 30);
    EXPECT_EQ(client->screen_points_.back().y, 20);
  }
  RECT r;
  ::GetWindowRect(menu, &r);
  EXPECT_EQ(r.left, 330);
  EXPECT_EQ(r.top, 220);
  ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(client->WaitFor([&] { return client->dismissed_ == 1; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_TRUE(client->commands_.empty());
  }
  CloseAndWait(client, browser);
}

TEST(EngineCursor, ThePagesCursorReachesOnCursorChangeAndTheWindow) {
  CefRefPtr<MenuClient> client = new MenuClient();
  CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + L"menu.html", {0, 0, 400, 300});
  ASSERT_TRUE(browser);
  HWND child = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr; }));
  const struct {
    const char* name;
    int x, y;
    cef_cursor_type_t type;
    LPCWSTR idc;
  } cases[] = {
      {"a link", 20, 108, CT_HAND, IDC_HAND},
      {"text", 30, 20, CT_IBEAM, IDC_IBEAM},
      {"a link in a frame", 230, 158, CT_HAND, IDC_HAND},
      // Back from the frame to the top-level document.
      {"nothing", 300, 250, CT_POINTER, IDC_ARROW},
      {"a text input", 150, 70, CT_IBEAM, IDC_IBEAM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::PostMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
    ASSERT_TRUE(client->WaitFor([&] { return !client->cursors_.empty() && client->cursors_.back().type == c.type; }));
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_EQ(client->cursors_.back().cursor, ::LoadCursorW(nullptr, c.idc));
    EXPECT_TRUE(client->cursors_.back().on_ui);
  }
  // Not handled by the client: the browser window shows it.
  ::PostMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(20, 108));
  ASSERT_TRUE(client->WaitFor([&] { return client->cursors_.back().type == CT_HAND; }));
  EXPECT_TRUE(::SendMessageW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
  // Handled by the client: the window leaves the client's cursor alone,
  // neither the page's earlier one nor the class arrow.
  {
    std::lock_guard<std::mutex> g(client->lock_);
    client->handle_cursor_ = true;
  }
  ::PostMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(30, 20));
  ASSERT_TRUE(client->WaitFor([&] { return client->cursors_.back().type == CT_IBEAM; }));
  ::SetCursor(::LoadCursorW(nullptr, IDC_CROSS));
  EXPECT_TRUE(::SendMessageW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_CROSS));
  CloseAndWait(client, browser);
}

// --- drags from other programs ------------------------------------------------------

// What another program would drag: files (CF_HDROP) and/or text.
class TestDataObject : public IDataObject {
 public:
  TestDataObject(std::vector<std::wstring> files, std::wstring text) : files_(std::move(files)), text_(std::move(text)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (!n) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* fe, STGMEDIUM* medium) override {
    if (QueryGetData(fe) != S_OK) return DV_E_FORMATETC;
    HGLOBAL mem = nullptr;
    if (fe->cfFormat == CF_HDROP) {
      std::wstring list;
      for (const auto& f : files_) list += f + L'\0';
      list += L'\0';
      mem = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
      auto* df = static_cast<DROPFILES*>(::GlobalLock(mem));
      df->pFiles = sizeof(DROPFILES);
      df->fWide = TRUE;
      memcpy(df + 1, list.data(), list.size() * sizeof(wchar_t));
      ::GlobalUnlock(mem);
    } else {
      mem = ::GlobalAlloc(GMEM_MOVEABLE, (text_.size() + 1) * sizeof(wchar_t));
      memcpy(::GlobalLock(mem), text_.c_str(), (text_.size() + 1) * sizeof(wchar_t));
      ::GlobalUnlock(mem);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = mem;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* fe) override {
    if (!(fe->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    if (fe->cfFormat == CF_HDROP && !files_.empty()) return S_OK;
    if (fe->cfFormat == CF_UNICODETEXT && !text_.empty()) return S_OK;
    return DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  virtual ~TestDataObject() = default;
  std::atomic<ULONG> refs_{1};
  std::vector<std::wstring> files_;
  std::wstring text_;
};

struct DragSeen {
  int mask;
  bool is_file;
  std::vector<std::string> names;
  std::string text;
  bool on_ui;
};

class DragClient : public TestClient, public CefDragHandler {
 public:
  CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
  bool OnDragEnter(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDragData> data, DragOperationsMask mask) override {
    std::lock_guard<std::mutex> g(lock_);
    DragSeen seen{static_cast<int>(mask), data->IsFile(), {}, data->GetFragmentText().ToString(),
                  CefCurrentlyOn(TID_UI)};
    std::vector<CefString> names;
    data->GetFileNames(names);
    for (const auto& n : names) seen.names.push_back(n.ToString());
    drags_.push_back(seen);
    return refuse_;
  }
  bool refuse_ = false;
  std::vector<DragSeen> drags_;
};

TEST(EngineDrag, DropsFromOtherProgramsReachTheClientAndThePageUnlessRefused) {
  const std::wstring dir = velora_transport_test::TestDir();
  const std::wstring file = dir + L"\\dropped.txt";
  ASSERT_TRUE(velora_transport_test::WriteFileText(file, "dropped file"));
  const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  const struct {
    const char* name;
    const wchar_t* page;
    bool refuse;
    bool with_file;
    const wchar_t* text;
    DWORD offered;
    int mask;
    DWORD effect;          // what the drop answers
    const char* dropped;   // file names the page sees, or null when it must see nothing
    const char* dropped_text;
  } cases[] = {
      {"a file, taken", L"drop.html", false, true, L"", DROPEFFECT_COPY, DRAG_OPERATION_COPY, DROPEFFECT_COPY,
       "dropped.txt", ""},
      {"text, taken", L"drop.html", false, false, L"dragged words", all,
       DRAG_OPERATION_COPY | DRAG_OPERATION_LINK | DRAG_OPERATION_MOVE, DROPEFFECT_COPY, "", "dragged words"},
      {"a file, refused", L"drop.html?plain", true, true, L"", all,
       DRAG_OPERATION_COPY | DRAG_OPERATION_LINK | DRAG_OPERATION_MOVE, DROPEFFECT_NONE, nullptr, ""},
      {"a file on a page that takes none, refused", L"drop.html", true, true, L"", DROPEFFECT_COPY,
       DRAG_OPERATION_COPY, DROPEFFECT_NONE, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CefRefPtr<DragClient> client = new DragClient();
    client->refuse_ = c.refuse;
    CefRefPtr<CefBrowser> browser = CreateBrowser(client, g_pages + c.page, {0, 0, 300, 200});
    ASSERT_TRUE(browser);
    HWND child = browser->GetHost()->GetWindowHandle();
    ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr && client->loads_ > 0; }));
    IDropTarget* target = static_cast<IDropTarget*>(::GetPropW(child, L"OleDropTargetInterface"));
    ASSERT_TRUE(target);
    IDataObject* data = new TestDataObject(c.with_file ? std::vector<std::wstring>{file} : std::vector<std::wstring>{},
                                           c.text);
    POINT pt = {60, 50};
    ::ClientToScreen(child, &pt);
    DWORD effect = c.offered;
    EXPECT_EQ(target->DragEnter(data, 0, {pt.x, pt.y}, &effect), S_OK);
    EXPECT_EQ(effect, c.effect);
    effect = c.offered;
    ++pt.x;
    target->DragOver(0, {pt.x, pt.y}, &effect);
    EXPECT_EQ(effect, c.effect);
    effect = c.offered;
    EXPECT_EQ(target->Drop(data, 0, {pt.x, pt.y}, &effect), S_OK);
    EXPECT_EQ(effect, c.effect);
    data->Release();
    {
      std::lock_guard<std::mutex> g(client->lock_);
      ASSERT_EQ(client->drags_.size(), 1u);
      const DragSeen& d = client->drags_[0];
      EXPECT_EQ(d.mask, c.mask);
      EXPECT_EQ(d.is_file, c.with_file);
      EXPECT_EQ(d.names, c.with_file ? std::vector<std::string>{"dropped.txt"} : std::vector<std::string>{});
      EXPECT_EQ(CefString(d.text).ToWString(), std::wstring(c.text));
      EXPECT_TRUE(d.on_ui);
    }
    if (c.dropped) {
      ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "drop") != nullptr; }));
      std::lock_guard<std::mutex> g(client->lock_);
      const Received* r = Find(client->received_, "drop");
      EXPECT_EQ(r->args->GetString(1).ToString(), c.dropped);
      EXPECT_EQ(r->args->GetString(2).ToString(), c.dropped_text);
    } else {
      // Nothing reached the page: no drop, and it was not replaced by the file.
      PumpFor(1500);
      std::lock_guard<std::mutex> g(client->lock_);
      EXPECT_EQ(Find(client->received_, "drop"), nullptr);
      EXPECT_TRUE(EndsWith(browser->GetMainFrame()->GetURL().ToString(), CefString(c.page).ToString()))
          << browser->GetMainFrame()->GetURL().ToString();
      int ready = 0;
      for (const auto& r : client->received_)
        if (r.args->GetSize() > 0 && r.args->GetString(0).ToString() == "ready") ++ready;
      EXPECT_EQ(ready, 1);
    }
    CloseAndWait(client, browser);
  }
  ::DeleteFileW(file.c_str());
}

TEST(EngineProcesses, OneRendererServesTwoBrowsers) {
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> a = CreateBrowser(client, g_pages + L"ping.html", {0, 0, 200, 100});
  CefRefPtr<CefBrowser> b = CreateBrowser(client, g_pages + L"ping.html", {200, 0, 200, 100});
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(client->WaitFor([&] { return client->loads_ >= 2; }));
  const int pa = RendererPid(client, a);
  const int pb = RendererPid(client, b);
  EXPECT_NE(pa, 0);
  EXPECT_EQ(pa, pb);
  EXPECT_NE(static_cast<DWORD>(pa), ::GetCurrentProcessId());
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring name(exe);
  name = name.substr(name.find_last_of(L'\\') + 1);
  const std::vector<DWORD> renderers = ChildrenNamed(::GetCurrentProcessId(), name);
  ASSERT_EQ(renderers.size(), 1u);
  EXPECT_EQ(renderers[0], static_cast<DWORD>(pa));
  CloseAndWait(client, a);
  CloseAndWait(client, b);
}

TEST(EngineProcesses, KillingTheMainProcessEndsItsRendererAndItsChromium) {
  Child child(L"killed", L"hold");
  ASSERT_TRUE(child.pi.hProcess);
  const DWORD renderer = static_cast<DWORD>(WaitRendererPid(child.status));
  ASSERT_NE(renderer, 0u) << ReadStatus(child.status);
  EXPECT_GT(velora_transport_test::CountProcessesWithProfile(child.profile()), 0);
  ::TerminateProcess(child.pi.hProcess, 1);
  EXPECT_TRUE(ProcessEnds(renderer, 10000));
  EXPECT_TRUE(NoChromiumWithin(child.profile(), 5000));
}

TEST(EngineProcesses, ShutdownLeavesNoChromiumAndNoRenderer) {
  Child child(L"shutdown", L"shutdown");
  ASSERT_TRUE(child.pi.hProcess);
  EXPECT_EQ(child.ExitCode(60000), 0u);
  ASSERT_TRUE(WaitForStatus(child.status, "shut down", 1)) << ReadStatus(child.status);
  const DWORD renderer = static_cast<DWORD>(LastRendererPid(child.status));
  ASSERT_NE(renderer, 0u);
  EXPECT_TRUE(ProcessEnds(renderer, 1000));
  EXPECT_EQ(velora_transport_test::CountProcessesWithProfile(child.profile()), 0);
}

TEST(EngineProcesses, KilledRendererIsReportedAndStartedAgain) {
  Child child(L"renderer-killed", L"hold");
  ASSERT_TRUE(child.pi.hProcess);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const int renderer = WaitRendererPid(child.status);
    ASSERT_NE(renderer, 0) << ReadStatus(child.status);
    const size_t lines_before = ReadStatus(child.status).size();
    ASSERT_TRUE(KillProcess(static_cast<DWORD>(renderer)));
    // The client hears of it on the UI thread, and a reload brings the page
    // back, served by a new renderer.
    ASSERT_TRUE(WaitForStatus(child.status, "terminated 1 ui")) << ReadStatus(child.status);
    ASSERT_TRUE(WaitForStatus(child.status, "loaded again")) << ReadStatus(child.status);
    int again = 0;
    for (int i = 0; i < 150 && (again == 0 || again == renderer); ++i) {
      if (ReadStatus(child.status).size() > lines_before) again = LastRendererPid(child.status);
      PumpFor(100);
    }
    EXPECT_NE(again, 0) << ReadStatus(child.status);
    EXPECT_NE(again, renderer);
    // Start the next round from a clean slate of lines.
    velora_transport_test::WriteFileText(child.status, "renderer " + std::to_string(again) + "\n");
  }
}

TEST(EngineProcesses, KilledChromiumIsReportedAndStartedAgain) {
  Child child(L"chromium-killed", L"hold");
  ASSERT_TRUE(child.pi.hProcess);
  const int renderer = WaitRendererPid(child.status);
  ASSERT_NE(renderer, 0) << ReadStatus(child.status);
  ASSERT_TRUE(velora_transport_test::KillChromiumOfProfile(child.profile()));
  ASSERT_TRUE(WaitForStatus(child.status, "terminated 1 ui")) << ReadStatus(child.status);
  ASSERT_TRUE(WaitForStatus(child.status, "loaded again", 40)) << ReadStatus(child.status);
  // The renderer was not touched: it serves the page in the new Chromium.
  EXPECT_EQ(LastRendererPid(child.status), renderer) << ReadStatus(child.status);
  EXPECT_GT(velora_transport_test::CountProcessesWithProfile(child.profile()), 0);
}

TEST(EngineProcesses, WithoutChromiumNoBrowserIsMadeAndTheProgramEndsCleanly) {
  // A copy of this program beside an engine setting that allows only a
  // Chromium that does not exist.
  const std::wstring dir = velora_transport_test::TestDir() + L"\\no-chromium";
  velora_transport_test::DeleteTreeForTest(dir);
  ::CreateDirectoryW(dir.c_str(), nullptr);
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring exe = dir + L"\\client.exe";
  ASSERT_TRUE(::CopyFileW(self, exe.c_str(), FALSE));
  ASSERT_TRUE(velora_transport_test::WriteFileText(
      dir + L"\\VeloraEngine.ini", "[Engine]\r\nChromium=C:\\nowhere\\chrome.exe\r\nOnlyConfigured=1\r\n"));
  Child child(L"no-chromium", L"hold", exe);
  ASSERT_TRUE(child.pi.hProcess);
  EXPECT_EQ(child.ExitCode(30000), 0u);
  EXPECT_TRUE(WaitForStatus(child.status, "no browser", 1)) << ReadStatus(child.status);
  std::string log;
  ASSERT_TRUE(velora_transport_test::ReadFileText(child.dir + L"\\engine.log", &log));
  EXPECT_NE(log.find("no Chromium found; looked at: C:\\nowhere\\chrome.exe"), std::string::npos) << log;
  EXPECT_TRUE(ChildrenNamed(child.pi.dwProcessId, L"client.exe").empty());
}

TEST(EngineProcesses, OtherProcessTypesReturnAtOnce) {
  PROCESS_INFORMATION pi = velora_transport_test::StartChild(L"--type=gpu-process");
  ASSERT_TRUE(pi.hProcess);
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
}

TEST(EngineOffScreen, ASelectListShowsAsThePopupWidgetAndTheChoiceReachesThePage) {
  CefRefPtr<ViewClient> client = new ViewClient();
  CefRefPtr<CefBrowser> browser = CreateWindowless(client, g_pages + L"select.html", 0xFFFFFFFF);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "ready") != nullptr && !client->paints_.empty(); }));
  auto click = [&](int x, int y) {
    CefMouseEvent at;
    at.x = x;
    at.y = y;
    browser->GetHost()->SendMouseClickEvent(at, MBT_LEFT, false, 1);
    browser->GetHost()->SendMouseClickEvent(at, MBT_LEFT, true, 1);
  };
  // Call under the lock.
  auto lastPopupPaint = [&]() -> const Paint* {
    for (auto p = client->paints_.rbegin(); p != client->paints_.rend(); ++p)
      if (p->type == PET_POPUP) return &*p;
    return nullptr;
  };

  // A click on the element opens its list below it: four rows of 20 and a
  // border, the selected first row highlighted.
  click(50, 20);
  ASSERT_TRUE(client->WaitFor([&] { return !client->popup_shown_.empty() && lastPopupPaint(); }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_TRUE(client->popup_shown_.back());
    EXPECT_EQ(client->popup_rect_.x, 10);
    EXPECT_EQ(client->popup_rect_.y, 30);
    EXPECT_EQ(client->popup_rect_.width, 100);
    EXPECT_EQ(client->popup_rect_.height, 82);
    const Paint* p = lastPopupPaint();
    EXPECT_EQ(p->width, 100);
    EXPECT_EQ(p->height, 82);
    EXPECT_TRUE(p->on_ui);
    EXPECT_TRUE(Near(client->PopupPixelAt(90, 11), 0xFF0078D7, 8));  // row 0, right of its text
    EXPECT_TRUE(Near(client->PopupPixelAt(90, 31), 0xFFFFFFFF, 8));  // row 1
  }

  // A disabled row takes the click and leaves the list open; Escape closes it.
  click(50, 30 + 1 + 3 * 20 + 10);
  ::Sleep(300);
  {
    std::lock_guard<std::mutex> g(client->lock_);
    EXPECT_TRUE(client->popup_shown_.back());
    EXPECT_EQ(Find(client->received_, "change"), nullptr);
  }
  CefKeyEvent escape;
  escape.type = KEYEVENT_RAWKEYDOWN;
  escape.windows_key_code = VK_ESCAPE;
  browser->GetHost()->SendKeyEvent(escape);
  ASSERT_TRUE(client->WaitFor([&] { return !client->popup_shown_.back(); }));

  // Open again and choose the third row: the page gets its change, the
  // list closes and the view comes back whole.
  click(50, 20);
  ASSERT_TRUE(client->WaitFor([&] { return client->popup_shown_.size() == 3 && client->popup_shown_.back(); }));
  size_t paints_before = 0;
  {
    std::lock_guard<std::mutex> g(client->lock_);
    paints_before = client->paints_.size();
  }
  click(50, 30 + 1 + 2 * 20 + 10);
  ASSERT_TRUE(client->WaitFor([&] { return Find(client->received_, "change") != nullptr; }));
  {
    std::lock_guard<std::mutex> g(client->lock_);
    const Received* r = Find(client->received_, "change");
    EXPECT_EQ(r->args->GetString(1).ToString(), "cherry");
    EXPECT_EQ(r->args->GetInt(2), 2);
    EXPECT_FALSE(client->popup_shown_.back());
    bool whole_view = false;
    for (size_t i = paints_before; i < client->paints_.size(); ++i) {
      const Paint& p = client->paints_[i];
      if (p.type == PET_VIEW && p.rects.size() == 1 && p.rects[0].width == 320 && p.rects[0].height == 200)
        whole_view = true;
    }
    EXPECT_TRUE(whole_view);
  }

  // A click beside an open list closes it and reaches the page.
  click(50, 20);
  ASSERT_TRUE(client->WaitFor([&] { return client->popup_shown_.size() == 5 && client->popup_shown_.back(); }));
  click(250, 150);
  EXPECT_TRUE(client->WaitFor([&] { return !client->popup_shown_.back() && Find(client->received_, "click"); }));

  // The view losing the focus: the focused element hears it.
  click(50, 20);
  ASSERT_TRUE(client->WaitFor([&] { return client->popup_shown_.size() == 7 && client->popup_shown_.back(); }));
  auto blurs = [&] {  // call under the lock
    size_t n = 0;
    for (const auto& r : client->received_) n += r.args->GetString(0).ToString() == "blur" ? 1 : 0;
    return n;
  };
  size_t blurs_before = 0;
  {
    std::lock_guard<std::mutex> g(client->lock_);
    blurs_before = blurs();
  }
  browser->GetHost()->SetFocus(false);
  EXPECT_TRUE(client->WaitFor([&] { return !client->popup_shown_.back() && blurs() == blurs_before + 1; }));
  CloseAndWait(client, browser);
}

int main(int argc, char** argv) {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  const int code = CefExecuteProcess(args, new TestRenderApp(), nullptr);
  if (code >= 0) return code;

  g_pages = VELORA_TEST_PAGES;
  const std::wstring line = ::GetCommandLineW();
  const std::wstring scenario = SwitchValue(line, L"child-main");
  if (!scenario.empty()) {
    g_status_file = SwitchValue(line, L"status");
    return ChildMain(scenario, SwitchValue(line, L"cache"));
  }

  testing::InitGoogleTest(&argc, argv);
  // Listing the tests (ctest does, at build time) needs no engine.
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  g_host = MakeHostWindow();

  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  settings.log_severity = LOGSEVERITY_VERBOSE;
  CefString(&settings.cache_path) = dir + L"engine-client-cache";
  CefString(&settings.log_file) = dir + L"engine-client.log";
  CefString(&settings.locale) = "zh-CN";
  settings.background_color = 0xFFEEEEEE;
  settings.windowless_rendering_enabled = 1;
  if (!CefInitialize(args, settings, nullptr, nullptr)) return 2;
  const int result = RUN_ALL_TESTS();
  CefShutdown();
  ::DestroyWindow(g_host);
  return result;
}
