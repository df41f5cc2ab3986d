// Turns the compressed frames Chromium sends (JPEG or PNG, base64 in the
// screencast event) into 32-bit BGRA pixels for the browser windows.
//
// Decoding takes 10-20 ms a frame, so it has a thread of its own and keeps
// only the newest frame of each browser: when frames arrive faster than
// they decode, the older ones are dropped, never queued.
#pragma once

#include "win_include.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base64_rules.h"

namespace velora_engine {

struct DecodedFrame {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top-down rows, BGRA, width * height
};

// Decodes one image held in memory into premultiplied BGRA (what an
// off-screen client blends; opaque pixels are the same either way). False
// when the data is no image.
bool DecodeImage(const uint8_t* data, size_t size, DecodedFrame* out);


class ScreencastDecoder {
 public:
  using Sink = std::function<void(int browser_id, std::shared_ptr<DecodedFrame> frame)>;

  // The sink runs on the decoder's thread for every decoded frame.
  explicit ScreencastDecoder(Sink sink);
  ~ScreencastDecoder();

  // Takes the base64 text of a frame; replaces a frame of the same browser
  // that has not been decoded yet.
  void Submit(int browser_id, std::string base64_image);
  void Forget(int browser_id);

 private:
  void Run();

  Sink sink_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::map<int, std::string> pending_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace velora_engine
