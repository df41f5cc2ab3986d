// Not a test: the off-screen control's frame copy (the partial copy that
// OnPaint makes into the kept bitmap) for a 1920x1080 frame, with one
// full-frame dirty rectangle and with 64 small ones, beside a plain memcpy
// of the same bytes in the same run. Prints the median of many rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cef3/common/control_rules.h"

using control_rules::DirtyRect;

namespace {

template <typename F>
double MedianMicros(F f, int rounds) {
  std::vector<double> t;
  for (int i = 0; i < rounds; ++i) {
    const auto a = std::chrono::steady_clock::now();
    f();
    const auto b = std::chrono::steady_clock::now();
    t.push_back(std::chrono::duration<double, std::micro>(b - a).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

}  // namespace

int main() {
  const int w = 1920, h = 1080, rounds = 300;
  const size_t bytes = size_t(w) * h * 4;
  std::vector<unsigned char> src(bytes), dst(bytes), ref(bytes);
  for (size_t i = 0; i < bytes; ++i) src[i] = static_cast<unsigned char>(i * 31);
  // Touch every page before timing.
  std::memcpy(dst.data(), src.data(), bytes);
  std::memcpy(ref.data(), src.data(), bytes);

  const DirtyRect full = {0, 0, w, h};
  // 64 rectangles of 64x48 spread over the frame (an 8x8 grid).
  std::vector<DirtyRect> small;
  for (int gy = 0; gy < 8; ++gy)
    for (int gx = 0; gx < 8; ++gx) small.push_back({gx * 240 + 17, gy * 135 + 11, 64, 48});
  size_t smallBytes = 0;
  for (const DirtyRect& r : small) smallBytes += size_t(r.width) * r.height * 4;
  std::vector<unsigned char> smallSrc(smallBytes), smallDst(smallBytes);

  const double memcpyFull = MedianMicros([&] { std::memcpy(ref.data(), src.data(), bytes); }, rounds);
  const double copyFull =
      MedianMicros([&] { control_rules::CopyDirtyRects(dst.data(), src.data(), w, h, &full, 1); }, rounds);
  const double memcpySmall =
      MedianMicros([&] { std::memcpy(smallDst.data(), smallSrc.data(), smallBytes); }, rounds);
  const double copySmall = MedianMicros(
      [&] { control_rules::CopyDirtyRects(dst.data(), src.data(), w, h, small.data(), small.size()); }, rounds);

  std::printf("frame %dx%d, %d rounds, median\n", w, h, rounds);
  std::printf("full frame: copy %.1f us, memcpy %.1f us, ratio %.2f\n", copyFull, memcpyFull,
              copyFull / memcpyFull);
  std::printf("64 rects of 64x48 (%zu bytes): copy %.1f us, memcpy of the same bytes %.1f us, ratio %.2f\n",
              smallBytes, copySmall, memcpySmall, copySmall / memcpySmall);
  return dst[12345] == src[12345] ? 0 : 1;
}
