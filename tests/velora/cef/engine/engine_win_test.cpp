// The engine's Win32 parts under Wine: the task runner's order and delays,
// frame decoding, and a browser window that paints frames and forwards
// input.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "browser_window_win.h"
#include "frame_decoder_win.h"
#include "task_runner_win.h"

#include <objbase.h>

using namespace velora_engine;

namespace {

template <typename Pred>
bool WaitFor(Pred pred, int ms = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A 2x1 PNG: one red and one blue pixel.
const char kTwoPixelPng[] =
    "iVBORw0KGgoAAAANSUhEUgAAAAIAAAABCAIAAAB7QOjdAAAADUlEQVR4nGP4zwAE/wEHAAH/4iOeWQAAAABJRU5ErkJggg==";

}  // namespace

TEST(TaskRunner, TasksFromOtherThreadsRunInPostingOrderOnTheRunnerThread) {
  TaskRunner runner("test");
  runner.Start();
  std::mutex m;
  std::vector<int> order;
  std::atomic<bool> wrong_thread{false};
  std::thread poster([&] {
    for (int i = 0; i < 1000; ++i)
      runner.Post([&, i] {
        if (!runner.RunsOnCurrentThread()) wrong_thread = true;
        std::lock_guard<std::mutex> g(m);
        order.push_back(i);
      });
  });
  poster.join();
  EXPECT_FALSE(runner.RunsOnCurrentThread());
  ASSERT_TRUE(WaitFor([&] { std::lock_guard<std::mutex> g(m); return order.size() == 1000; }));
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(order[i], i);
  EXPECT_FALSE(wrong_thread);
  runner.Stop();
  EXPECT_FALSE(runner.Post([] {}));
}

TEST(TaskRunner, DelayedTasksRunAfterTheirDelayAndInDueOrder) {
  TaskRunner runner("test");
  runner.Start();
  std::mutex m;
  std::vector<int> order;
  auto record = [&](int v) { return [&, v] { std::lock_guard<std::mutex> g(m); order.push_back(v); }; };
  runner.Post(record(3), 120);
  runner.Post(record(2), 60);
  runner.Post(record(1));
  ASSERT_TRUE(WaitFor([&] { std::lock_guard<std::mutex> g(m); return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(TaskRunner, RunOnCurrentThreadEndsAtQuitAfterQueuedTasks) {
  TaskRunner runner("here");
  int ran = 0;
  runner.Post([&] { ++ran; });
  runner.Post([&] { ++ran; runner.Quit(); });
  runner.Post([&] { ++ran; });  // already queued before Quit: still runs
  runner.RunOnCurrentThread();
  EXPECT_EQ(ran, 3);
}

TEST(ScreencastDecoder, DecodesPngAndRefusesGarbage) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(DecodeBase64(kTwoPixelPng, &bytes));
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  DecodedFrame f;
  ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), &f));
  ASSERT_EQ(f.width, 2);
  ASSERT_EQ(f.height, 1);
  EXPECT_EQ(f.pixels[0] & 0xFFFFFF, 0xFF0000u);  // BGRA read as 0xAARRGGBB
  EXPECT_EQ(f.pixels[1] & 0xFFFFFF, 0x0000FFu);
  const uint8_t junk[] = {1, 2, 3, 4, 5};
  EXPECT_FALSE(DecodeImage(junk, sizeof(junk), &f));
  EXPECT_FALSE(DecodeBase64("a*b", &bytes));

  std::mutex m;
  std::condition_variable cv;
  int got = 0;
  {
    ScreencastDecoder decoder([&](int id, std::shared_ptr<DecodedFrame> frame) {
      std::lock_guard<std::mutex> g(m);
      if (id == 7 && frame->width == 2) ++got;
      cv.notify_one();
    });
    decoder.Submit(7, kTwoPixelPng);
    decoder.Submit(8, "not an image");
    std::unique_lock<std::mutex> g(m);
    cv.wait_for(g, std::chrono::seconds(5), [&] { return got > 0; });
  }
  EXPECT_EQ(got, 1);
}

namespace {

struct RecordingDelegate : BrowserWindowDelegate {
  std::vector<MouseInput> mouse;
  std::vector<std::string> inputs;
  int resized_w = 0, resized_h = 0;
  bool first_paint = false, destroyed = false;
  void OnWindowResized(int w, int h) override { resized_w = w; resized_h = h; }
  void OnWindowMouse(const MouseInput& in) override { mouse.push_back(in); }
  void OnWindowKey(const KeyInput&) override {}
  void OnWindowInput(const std::string& method, const Json::Value& p) override {
    inputs.push_back(method + ":" + p["text"].asString());
  }
  void OnWindowFocus(bool) override {}
  void OnWindowFirstPaint() override { first_paint = true; }
  void OnWindowDestroyed() override { destroyed = true; }
};

}  // namespace

TEST(BrowserWindow, PaintsBackgroundThenFramesAndForwardsInput) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"EngineTestParent";
  ::RegisterClassW(&wc);
  HWND parent = ::CreateWindowExW(0, L"EngineTestParent", L"", WS_POPUP | WS_VISIBLE, 50, 50, 300,
                                  200, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(parent);
  RecordingDelegate d;
  RECT r = {10, 10, 210, 110};
  auto w = BrowserWindow::Create(parent, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r,
                                 RGB(0xEE, 0xEE, 0xEE), &d);
  ASSERT_TRUE(w);
  ::UpdateWindow(w->hwnd());
  auto pixel = [&](int x, int y) {
    HDC dc = ::GetDC(w->hwnd());
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(w->hwnd(), dc);
    return c;
  };
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(pixel(50, 50), RGB(0xEE, 0xEE, 0xEE));

  auto frame = std::make_shared<DecodedFrame>();
  frame->width = 100;
  frame->height = 100;
  frame->pixels.assign(100 * 100, 0xFF112233u);
  w->ShowFrame(frame);
  ASSERT_TRUE(WaitFor([&] { return d.first_paint; }));
  EXPECT_EQ(pixel(50, 50), RGB(0x11, 0x22, 0x33));
  EXPECT_EQ(pixel(150, 50), RGB(0xEE, 0xEE, 0xEE));  // beyond the frame

  ::SendMessageW(w->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40));
  ::SendMessageW(w->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
  ASSERT_EQ(d.mouse.size(), 2u);
  EXPECT_EQ(d.mouse[0].type, MouseInput::Type::kPress);
  EXPECT_EQ(d.mouse[0].x, 30);
  EXPECT_EQ(d.mouse[0].y, 40);
  EXPECT_EQ(d.mouse[1].type, MouseInput::Type::kRelease);

  ::SendMessageW(w->hwnd(), WM_CHAR, L'x', 0);
  ::SendMessageW(w->hwnd(), WM_CHAR, 0x4E2D, 0);
  EXPECT_EQ(d.inputs, (std::vector<std::string>{"Input.dispatchKeyEvent:x",
                                                "Input.insertText:\xe4\xb8\xad"}));

  ::MoveWindow(w->hwnd(), 0, 0, 250, 150, TRUE);
  EXPECT_EQ(d.resized_w, 250);
  EXPECT_EQ(d.resized_h, 150);

  ::DestroyWindow(parent);  // takes the child with it
  EXPECT_TRUE(d.destroyed);
  EXPECT_EQ(w->hwnd(), nullptr);
}
