#include "headless_reference.h"

#include "win_include.h"

#include <objbase.h>

#include <cstdio>
#include <vector>

#include "base64_rules.h"
#include "frame_decoder_win.h"

namespace velora_bench {

using Clock = std::chrono::steady_clock;

namespace {
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
}  // namespace

bool IsPageColour(unsigned long colorref) {
  const COLORREF c = static_cast<COLORREF>(colorref);
  auto close_to = [](int a, int b) { return a > b - 10 && a < b + 10; };
  return close_to(GetRValue(c), 0x20) && close_to(GetGValue(c), 0x60) && close_to(GetBValue(c), 0xa0);
}

bool HeadlessReference::Start(const std::wstring& dir, double* start_ms) {
  // The frames are decoded with WIC on the connection's thread: COM must be
  // up in the process (the multithreaded apartment serves every thread).
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  velora_engine::ChromiumLaunch launch;
  launch.executable = velora_engine::ChromiumProcess::Locate(dir, nullptr);
  launch.user_data_dir = dir + L"headless-reference";
  // Room for the largest page a benchmark asks for.
  launch.switches.push_back("--window-size=1920,1080");
  std::string error;
  const Clock::time_point t0 = Clock::now();
  if (!chromium_.Start(launch, &error)) {
    std::fprintf(stderr, "reference Chromium: %s\n", error.c_str());
    return false;
  }
  auto on_event = [this](const std::string& session, const std::string& method, const Json::Value& params) {
    if (method != "Page.screencastFrame") return;
    Json::Value ack;
    ack["sessionId"] = params["sessionId"];
    connection_.Post(session, "Page.screencastFrameAck", ack);
    std::vector<uint8_t> bytes;
    velora_engine::DecodedFrame frame;
    if (!velora_engine::DecodeBase64(params["data"].asString(), &bytes) ||
        !velora_engine::DecodeImage(bytes.data(), bytes.size(), &frame) || frame.width < 1 || frame.height < 1)
      return;
    const uint32_t px = frame.pixels[static_cast<size_t>(frame.height * 5 / 6) * frame.width + frame.width / 2];
    const COLORREF c = RGB((px >> 16) & 0xff, (px >> 8) & 0xff, px & 0xff);
    std::lock_guard<std::mutex> g(lock_);
    ++frames_;
    last_ = px;
    if (session == session_ && IsPageColour(c) && !shown_) {
      shown_ = true;
      shown_at_ = Clock::now();
      cv_.notify_all();
    }
  };
  const bool open = connection_.Open(chromium_.port(), chromium_.browser_path(), on_event, {}, &error);
  if (start_ms) *start_ms = Ms(Clock::now() - t0);
  return open;
}

double HeadlessReference::FirstFrame(const std::string& url, int width, int height) {
  {
    std::lock_guard<std::mutex> g(lock_);
    shown_ = false;
    frames_ = 0;
    session_.clear();
  }
  Json::Value params, result;
  std::string error;
  params["url"] = url;
  params["width"] = width;
  params["height"] = height;
  params["newWindow"] = true;  // a size is only taken for a new window
  const Clock::time_point t0 = Clock::now();
  if (!connection_.Call("", "Target.createTarget", params, &result, &error)) {
    std::fprintf(stderr, "reference: Target.createTarget: %s\n", error.c_str());
    return -1;
  }
  const std::string target = result["targetId"].asString();
  Json::Value attach;
  attach["targetId"] = target;
  attach["flatten"] = true;
  if (!connection_.Call("", "Target.attachToTarget", attach, &result, &error)) {
    std::fprintf(stderr, "reference: Target.attachToTarget: %s\n", error.c_str());
    return -1;
  }
  std::string session;
  {
    std::lock_guard<std::mutex> g(lock_);
    session_ = session = result["sessionId"].asString();
  }
  Json::Value none(Json::objectValue);
  connection_.Post(session, "Page.enable", none);
  // What the engine asks of its windowed pages.
  Json::Value screencast;
  screencast["format"] = "jpeg";
  screencast["quality"] = 85;
  screencast["maxWidth"] = width;
  screencast["maxHeight"] = height;
  screencast["everyNthFrame"] = 1;
  connection_.Post(session, "Page.startScreencast", screencast);
  double ms = -1;
  {
    std::unique_lock<std::mutex> g(lock_);
    if (cv_.wait_for(g, std::chrono::seconds(20), [&] { return shown_; }))
      ms = Ms(shown_at_ - t0);
    else
      std::fprintf(stderr, "reference: no frame of the page's colour (%d frames, last %08x)\n", frames_, last_);
  }
  Json::Value close;
  close["targetId"] = target;
  connection_.Call("", "Target.closeTarget", close, &result, &error);
  return ms;
}

void HeadlessReference::Stop() { chromium_.Stop(&connection_); }

}  // namespace velora_bench
