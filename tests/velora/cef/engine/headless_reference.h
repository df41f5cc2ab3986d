// For benchmarks: a headless Chromium of their own, started beside the
// engine, as the yardstick for how soon a page's first frame can show.
#pragma once

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <string>

#include "chromium_process_win.h"
#include "devtools_connection_win.h"

namespace velora_bench {

// color.html's background, #2060a0, give or take JPEG's rounding.
bool IsPageColour(unsigned long colorref);

class HeadlessReference {
 public:
  // Starts the Chromium (user data below dir); ms it took in *start_ms.
  bool Start(const std::wstring& dir, double* start_ms = nullptr);
  // From Target.createTarget of url at width x height until its first
  // screencast frame that shows the page's colour; negative on failure.
  double FirstFrame(const std::string& url, int width, int height);
  void Stop();

 private:
  velora_engine::ChromiumProcess chromium_;
  velora_engine::DevToolsConnection connection_;
  std::mutex lock_;
  std::condition_variable cv_;
  std::string session_;
  bool shown_ = false;
  int frames_ = 0;
  uint32_t last_ = 0;
  std::chrono::steady_clock::time_point shown_at_;
};

}  // namespace velora_bench
