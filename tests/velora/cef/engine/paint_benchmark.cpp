// Benchmark, not a test: how soon and how often a windowed browser shows
// Chromium's frames.
//   1. First frame: from CreateBrowserSync until the child window shows
//      the page's colour, beside a headless Chromium of its own started by
//      this run: from Target.createTarget of the same page at the same size
//      until its first screencast frame shows that colour.
//   2. Frame rate: a 1280x720 canvas animation in a child browser, frames
//      painted by the browser window per second beside the page's own
//      animation frames per second.
// Run it under Wine with a display:
//   cmake/wine-run build/win64/wine bench build/win64/tests/velora/cef/engine/paint_benchmark.exe [rounds] [seconds]
#include "win_include.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "headless_reference.h"
#include "bench_support.h"
#include "include/base/cef_bind.h"
#include "include/base/cef_callback.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class Client : public CefClient {
 public:
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefProcessId,
                                CefRefPtr<CefProcessMessage> message) override {
    std::lock_guard<std::mutex> g(lock);
    names.push_back(message->GetName().ToString());
    cv.notify_all();
    return true;
  }
  // The first message that starts with `prefix`, waited for up to `ms`.
  std::string Wait(const std::string& prefix, int ms) {
    std::unique_lock<std::mutex> g(lock);
    std::string found;
    cv.wait_for(g, std::chrono::milliseconds(ms), [&] {
      for (const std::string& n : names)
        if (n.compare(0, prefix.size(), prefix) == 0) {
          found = n;
          return true;
        }
      return false;
    });
    return found;
  }
  void Clear() {
    std::lock_guard<std::mutex> g(lock);
    names.clear();
  }
  std::mutex lock;
  std::condition_variable cv;
  std::vector<std::string> names;
  IMPLEMENT_REFCOUNTING(Client);
};

HWND g_host;
std::mutex g_lock;
CefRefPtr<CefBrowser> g_browser;
Clock::time_point g_created;

void Create(CefRefPtr<Client> client, std::wstring url, int width, int height) {
  CefWindowInfo info;
  info.SetAsChild(g_host, CefRect(0, 0, width, height));
  CefBrowserSettings settings;
  const Clock::time_point at = Clock::now();
  CefRefPtr<CefBrowser> browser = CefBrowserHost::CreateBrowserSync(info, client, url, settings, nullptr, nullptr);
  std::lock_guard<std::mutex> g(g_lock);
  g_created = at;
  g_browser = browser;
}

CefRefPtr<CefBrowser> CurrentBrowser() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_browser;
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

void PumpFor(int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    Pump();
    ::Sleep(1);
  }
}

void CloseCurrent() {
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  if (browser) browser->GetHost()->CloseBrowser(true);
  {
    std::lock_guard<std::mutex> g(g_lock);
    g_browser = nullptr;
  }
  PumpFor(300);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One round through the engine: ms from CreateBrowserSync until the child
// window shows the page's colour; negative when it never does.
double EngineFirstFrame(CefRefPtr<Client> client, const std::wstring& url) {
  CefPostTask(TID_UI, base::BindOnce(&Create, client, url, 640, 360));
  const auto give_up = Clock::now() + std::chrono::seconds(20);
  double result = -1;
  while (Clock::now() < give_up) {
    Pump();
    CefRefPtr<CefBrowser> browser = CurrentBrowser();
    HWND child = browser ? browser->GetHost()->GetWindowHandle() : nullptr;
    if (child) {
      HDC dc = ::GetDC(child);
      const COLORREF c = ::GetPixel(dc, 320, 300);
      ::ReleaseDC(child, dc);
      if (velora_bench::IsPageColour(c)) {
        std::lock_guard<std::mutex> g(g_lock);
        result = Ms(Clock::now() - g_created);
        break;
      }
    }
    ::Sleep(1);
  }
  CloseCurrent();
  return result;
}

// Counts the WM_PAINTs of the browser window: each shows a new frame.
std::atomic<int> g_paints{0};
WNDPROC g_window_proc = nullptr;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) ++g_paints;
  return ::CallWindowProcW(g_window_proc, hwnd, msg, wp, lp);
}

void Subclass(HWND child) {
  g_window_proc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  const int code = CefExecuteProcess(args, new velora_bench::TestCallRenderApp(), nullptr);
  if (code >= 0) return code;
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 5;
  const int seconds = argc > 2 ? _wtoi(argv[2]) : 5;

  g_host = velora_bench::CreateHostWindow(L"PaintBenchmarkHost", 1280, 720);
  if (!velora_bench::InitializeEngine(args, L"paint-benchmark-cache")) return 2;
  const std::wstring dir = velora_bench::ProgramFolder();

  velora_bench::HeadlessReference reference;
  if (!reference.Start(dir)) return 3;
  CefRefPtr<Client> client = new Client();
  const std::wstring page = std::wstring(VELORA_TEST_PAGES) + L"color.html";

  // A first page of each warms the engines' caches; it is not counted.
  EngineFirstFrame(client, page);
  reference.FirstFrame(Narrow(page), 640, 360);
  std::vector<double> engine, headless;
  for (int i = 0; i < rounds; ++i) {
    const double e = EngineFirstFrame(client, page);
    const double h = reference.FirstFrame(Narrow(page), 640, 360);
    if (e >= 0) engine.push_back(e);
    if (h >= 0) headless.push_back(h);
  }
  reference.Stop();
  const double me = Median(engine), mh = Median(headless);
  std::printf("first frame, 640x360: engine median %.1f ms (%zu rounds), headless Chromium median %.1f ms (%zu), "
              "ratio %.2f\n",
              me, engine.size(), mh, headless.size(), mh > 0 ? me / mh : 0.0);

  // The canvas animation.
  client->Clear();
  CefPostTask(TID_UI, base::BindOnce(&Create, client, std::wstring(VELORA_TEST_PAGES) + L"canvas.html", 1280, 720));
  const auto start = Clock::now();
  while (client->Wait("ready", 10).empty() && Clock::now() - start < std::chrono::seconds(30)) Pump();
  CefRefPtr<CefBrowser> browser = CurrentBrowser();
  HWND child = browser ? browser->GetHost()->GetWindowHandle() : nullptr;
  if (!child) return 4;
  PumpFor(1000);  // past the first frames
  Subclass(child);
  browser->GetMainFrame()->ExecuteJavaScript("start()", "", 0);
  g_paints = 0;
  const auto t0 = Clock::now();
  PumpFor(seconds * 1000);
  const int paints = g_paints;
  const double elapsed = Ms(Clock::now() - t0) / 1000.0;
  browser->GetMainFrame()->ExecuteJavaScript("report()", "", 0);
  std::string raf = client->Wait("raf:", 5000);
  const int page_frames = raf.empty() ? 0 : std::atoi(raf.c_str() + 4);
  std::printf("canvas 1280x720: browser window painted %.1f frames/s, the page drew %.1f animation frames/s "
              "(%.1f s)\n",
              paints / elapsed, page_frames / elapsed, elapsed);
  CloseCurrent();
  CefShutdown();
  return engine.empty() || headless.empty() ? 1 : 0;
}
