// Not a test: ClientHandlerRender::OnPaint of an off-screen control for a
// 1920x1080 frame on the engine's UI thread (where the engine calls it),
// with one full-frame dirty rectangle and with 64 small ones, beside a plain
// memcpy of the same bytes in the same run. The first frame builds the
// kept DIB; the timed frames are partial copies into it. Run under Wine:
//   wine osr_onpaint_benchmark.exe
// The program is its own renderer sub-process.
#include "win_include.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "UILib.h"
#include "cef3/browser/main_message_loop.h"
#include "cef3/control/cef_common.h"
#include "cef3/renderer/client_renderer_app.h"
#include "include/base/cef_bind.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_closure_task.h"

namespace {

using RenderClient = CCefOsRender::ClientHandlerRender;

class BenchWindow : public DuiLib::WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return L"VeloraOnPaintBench"; }
  DuiLib::CDuiString GetSkinFile() override {
    return DuiLib::CDuiString(L"<Window size=\"320,200\"><Control/></Window>");
  }
};

double Median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

struct Run {
  CefRefPtr<RenderClient> client;
  std::vector<unsigned char> frame, copy;
  bool done = false;
};

void Measure(Run* run) {
  const int w = 1920, h = 1080, rounds = 200;
  const size_t bytes = size_t(w) * h * 4;
  const CefRenderHandler::RectList full = {CefRect(0, 0, w, h)};
  CefRenderHandler::RectList small;
  size_t smallBytes = 0;
  for (int gy = 0; gy < 8; ++gy)
    for (int gx = 0; gx < 8; ++gx) {
      small.push_back(CefRect(gx * 240 + 17, gy * 135 + 11, 64, 48));
      smallBytes += 64 * 48 * 4;
    }
  // The first frame builds the kept bitmap.
  run->client->OnPaint(nullptr, PET_VIEW, full, run->frame.data(), w, h);
  std::vector<double> tFull, tSmall, tMemcpy, tMemcpySmall;
  std::vector<unsigned char> smallSrc(smallBytes), smallDst(smallBytes);
  for (int i = 0; i < rounds; ++i) {
    auto a = std::chrono::steady_clock::now();
    run->client->OnPaint(nullptr, PET_VIEW, full, run->frame.data(), w, h);
    auto b = std::chrono::steady_clock::now();
    std::memcpy(run->copy.data(), run->frame.data(), bytes);
    auto c = std::chrono::steady_clock::now();
    run->client->OnPaint(nullptr, PET_VIEW, small, run->frame.data(), w, h);
    auto d = std::chrono::steady_clock::now();
    std::memcpy(smallDst.data(), smallSrc.data(), smallBytes);
    auto e = std::chrono::steady_clock::now();
    tFull.push_back(std::chrono::duration<double, std::micro>(b - a).count());
    tMemcpy.push_back(std::chrono::duration<double, std::micro>(c - b).count());
    tSmall.push_back(std::chrono::duration<double, std::micro>(d - c).count());
    tMemcpySmall.push_back(std::chrono::duration<double, std::micro>(e - d).count());
  }
  std::printf("OnPaint 1920x1080, %d rounds, median\n", rounds);
  std::printf("full-frame rectangle: OnPaint %.1f us, memcpy of the frame %.1f us, ratio %.2f\n", Median(tFull),
              Median(tMemcpy), Median(tFull) / Median(tMemcpy));
  std::printf("64 rectangles of 64x48: OnPaint %.1f us, memcpy of their %zu bytes %.1f us, ratio %.2f\n",
              Median(tSmall), smallBytes, Median(tMemcpySmall), Median(tSmall) / Median(tMemcpySmall));
  std::fflush(stdout);
  run->done = true;
}

}  // namespace

int wmain() {
  CefMainArgs args(::GetModuleHandleW(nullptr));
  const int code = CefExecuteProcess(args, new ClientAppRender(), nullptr);
  if (code >= 0) return code;
  DuiLib::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  CMainMessageLoopWin loop;
  wchar_t exe[MAX_PATH];
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir.resize(dir.find_last_of(L'\\') + 1);
  CefSettings settings;
  settings.multi_threaded_message_loop = 1;
  CefString(&settings.cache_path) = dir + L"onpaint-bench-cache";
  if (!CefInitialize(args, settings, nullptr, nullptr)) return 2;
  {
    BenchWindow window;
    window.Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
    CCefCommonUI control(&window.GetPaintManager(), nullptr);
    control.SetAttribute(L"offscreen", L"true");
    Run run;
    run.client = dynamic_cast<RenderClient*>(control.GetClient().get());
    run.frame.resize(size_t(1920) * 1080 * 4);
    run.copy.resize(run.frame.size());
    for (size_t i = 0; i < run.frame.size(); ++i) run.frame[i] = static_cast<unsigned char>(i * 31);
    CefPostTask(TID_UI, base::BindOnce(&Measure, &run));
    while (!run.done) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::Sleep(5);
    }
    ::DestroyWindow(window.GetHWND());
  }
  CefShutdown();
  return 0;
}
