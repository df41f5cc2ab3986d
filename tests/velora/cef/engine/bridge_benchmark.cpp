// Benchmark, not a test: the time from the main process asking a page to
// call a bridge function until the call's process message arrives back in
// the main process (main -> Chromium -> page -> binding -> main ->
// renderer sub-process -> main), and the first frame of a page shown in a
// browser window after CreateBrowserSync. Run it under Wine with a display:
//   cmake/wine-run build/win64/wine bench build/win64/tests/velora/cef/engine/bridge_benchmark.exe
#include "win_include.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

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

class Client : public CefClient {
 public:
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefProcessId,
                                CefRefPtr<CefProcessMessage> message) override {
    std::lock_guard<std::mutex> g(lock);
    names.push_back(message->GetName().ToString());
    cv.notify_all();
    return true;
  }
  bool Wait(const std::string& name, int ms) {
    std::unique_lock<std::mutex> g(lock);
    return cv.wait_for(g, std::chrono::milliseconds(ms), [&] {
      return std::find(names.begin(), names.end(), name) != names.end();
    });
  }
  std::mutex lock;
  std::condition_variable cv;
  std::vector<std::string> names;
  IMPLEMENT_REFCOUNTING(Client);
};

HWND g_host;
CefRefPtr<CefBrowser> g_browser;
Clock::time_point g_created;

void Create(CefRefPtr<Client> client, std::wstring url) {
  CefWindowInfo info;
  info.SetAsChild(g_host, CefRect(0, 0, 640, 360));
  CefBrowserSettings settings;
  g_created = Clock::now();
  g_browser = CefBrowserHost::CreateBrowserSync(info, client, url, settings, nullptr, nullptr);
}

void Pump(int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(1);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  const int code = CefExecuteProcess(args, new velora_bench::TestCallRenderApp(), nullptr);
  if (code >= 0) return code;
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 500;

  g_host = velora_bench::CreateHostWindow(L"BridgeBenchmarkHost", 640, 360);
  if (!velora_bench::InitializeEngine(args, L"bridge-benchmark-cache")) return 2;

  CefRefPtr<Client> client = new Client();
  CefPostTask(TID_UI, base::BindOnce(&Create, client, std::wstring(VELORA_TEST_PAGES) + L"ping.html"));
  const auto start = Clock::now();
  while (!client->Wait("ready", 10) && Clock::now() - start < std::chrono::seconds(30)) Pump(5);
  std::vector<double> samples;
  for (int i = 0; i < rounds && g_browser; ++i) {
    const std::string name = "pong";
    {
      std::lock_guard<std::mutex> g(client->lock);
      client->names.clear();
    }
    const auto t0 = Clock::now();
    g_browser->GetMainFrame()->ExecuteJavaScript("ping(" + std::to_string(i) + ")", "", 0);
    if (!client->Wait(name, 5000)) break;
    samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  std::sort(samples.begin(), samples.end());
  std::printf("bridge round trip (script in, bridge call back): %zu rounds, median %.3f ms, p90 %.3f ms, p99 %.3f ms\n",
              samples.size(), Median(samples), samples.empty() ? 0 : samples[samples.size() * 9 / 10],
              samples.empty() ? 0 : samples[samples.size() * 99 / 100]);
  if (g_browser) g_browser->GetHost()->CloseBrowser(true);
  Pump(300);
  CefShutdown();
  return samples.empty() ? 1 : 0;
}
