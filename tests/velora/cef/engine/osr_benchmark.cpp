// Benchmark, not a test: a windowless 1280x720 browser's frames as its
// render handler receives them. It reports the frames per second OnPaint
// gets for a canvas that changes whole every frame (Chromium renders 60),
// and, for a page where 1% of the view changes each frame, the share of
// the view's bytes that OnPaint's dirty rectangles cover. Run it under
// Wine with a display:
//   cmake/wine-run build/win64/wine bench build/win64/tests/velora/cef/engine/osr_benchmark.exe [seconds]
#include "win_include.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "bench_support.h"
#include "include/base/cef_bind.h"
#include "include/base/cef_callback.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_render_handler.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_v8.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1280, kHeight = 720;

// Counts frames and the pixels their rectangles cover; copies each frame's
// rectangles out as a client would.
class Client : public CefClient, public CefRenderHandler {
 public:
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  void GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override { rect = CefRect(0, 0, kWidth, kHeight); }
  void OnPaint(CefRefPtr<CefBrowser>, PaintElementType, const RectList& rects, const void* buffer, int width,
               int height) override {
    std::lock_guard<std::mutex> g(lock);
    if (!counting) return;
    ++frames;
    for (const CefRect& r : rects) {
      covered += static_cast<double>(r.width) * r.height;
      for (int y = r.y; y < r.y + r.height; ++y)
        memcpy(&copy[static_cast<size_t>(y) * kWidth + r.x],
               static_cast<const uint32_t*>(buffer) + static_cast<size_t>(y) * width + r.x,
               static_cast<size_t>(r.width) * 4);
    }
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefProcessId,
                                CefRefPtr<CefProcessMessage> message) override {
    std::lock_guard<std::mutex> g(lock);
    ready = message->GetName() == "ready";
    cv.notify_all();
    return true;
  }
  std::mutex lock;
  std::condition_variable cv;
  bool ready = false, counting = false;
  int frames = 0;
  double covered = 0;
  std::vector<uint32_t> copy = std::vector<uint32_t>(static_cast<size_t>(kWidth) * kHeight);
  IMPLEMENT_REFCOUNTING(Client);
};

CefRefPtr<CefBrowser> g_browser;

void Create(CefRefPtr<Client> client, std::wstring url, cef_color_t background) {
  CefWindowInfo info;
  info.SetAsWindowless(nullptr);
  CefBrowserSettings settings;
  settings.background_color = background;
  g_browser = CefBrowserHost::CreateBrowserSync(info, client, url, settings, nullptr, nullptr);
}

struct Result {
  double fps = 0, share = 0;
  int frames = 0;
};

Result Run(const wchar_t* page, cef_color_t background, int seconds) {
  CefRefPtr<Client> client = new Client();
  g_browser = nullptr;
  CefPostTask(TID_UI, base::BindOnce(&Create, client, std::wstring(VELORA_TEST_PAGES) + page, background));
  {
    std::unique_lock<std::mutex> g(client->lock);
    client->cv.wait_for(g, std::chrono::seconds(30), [&] { return client->ready; });
  }
  ::Sleep(1000);  // past the first frames of the page
  {
    std::lock_guard<std::mutex> g(client->lock);
    client->counting = true;
  }
  const auto t0 = Clock::now();
  ::Sleep(static_cast<DWORD>(seconds) * 1000);
  Result r;
  {
    std::lock_guard<std::mutex> g(client->lock);
    client->counting = false;
    const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
    r.frames = client->frames;
    r.fps = client->frames / elapsed;
    r.share = client->frames ? client->covered / (static_cast<double>(client->frames) * kWidth * kHeight) : 0;
  }
  if (g_browser) g_browser->GetHost()->CloseBrowser(true);
  ::Sleep(500);
  return r;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  const int code = CefExecuteProcess(args, new velora_bench::TestCallRenderApp(), nullptr);
  if (code >= 0) return code;
  const int seconds = argc > 1 ? _wtoi(argv[1]) : 5;
  if (!velora_bench::InitializeEngine(args, L"osr-benchmark-cache", true)) return 2;

  const Result opaque = Run(L"anim.html?full", 0xFFFFFFFF, seconds);
  std::printf("off-screen 1280x720 canvas animation, opaque (JPEG frames): %d frames, %.1f frames/s\n",
              opaque.frames, opaque.fps);
  const Result transparent = Run(L"anim.html?full", 0, seconds);
  std::printf("off-screen 1280x720 canvas animation, transparent (PNG frames): %d frames, %.1f frames/s\n",
              transparent.frames, transparent.fps);
  const Result small = Run(L"anim.html?small", 0xFFFFFFFF, seconds);
  std::printf("1%% of the view changing per frame: %d frames, %.1f frames/s, dirty rectangles cover %.2f%% of the "
              "view's bytes\n",
              small.frames, small.fps, small.share * 100);
  CefShutdown();
  return opaque.frames > 0 && small.frames > 0 ? 0 : 1;
}
