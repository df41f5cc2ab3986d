// Throughput of CFrameLog::Write (one line, flushed) beside a plain
// append-and-flush of the same text to a file, in the same run. Not a test:
// run by hand (host: the bench preset; Windows: under Wine).
//   frame_log_benchmark [lines]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame_log.h"

namespace {

const wchar_t kMessage[] = L"[CMainWnd::CreateControl]. url=https://game.example.com/velora/play?ovqd=wd_chrome_12345&cpqd=7,abc";

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 20000;

  // The writer as Velora sets it up, without the echo to standard output.
  CFrameLog* log = CFrameLog::Get();
  log->SetLevelMask(kLogDebug);
  log->SetOutputFlags(kLogOutFile);
  log->Write(kLogDebug, L"warm-up");

  // The same line, built once: a plain UTF-8 append and flush.
  std::string bytes;
  {
    const std::wstring text = std::wstring(L"[09:14:03.027]|[1a2c]|[0f38]|[Debug]|") + kMessage + L"\n";
    bytes.resize(text.size() * 3);
    bytes.resize(EncodeUtf8(text.data(), text.size(), &bytes[0], bytes.size()));
  }
#ifdef _WIN32
  std::FILE* plain = _wfopen(L"frame_log_benchmark_plain.log", L"a+");
#else
  std::FILE* plain = std::fopen("frame_log_benchmark_plain.log", "a+");
#endif
  if (!plain) return 1;

  double logSeconds = 0, plainSeconds = 0;
  // Alternate rounds so both see the same disk and cache conditions.
  for (int round = 0; round < 4; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < lines / 4; ++i) log->Write(kLogDebug, L"%ls", kMessage);
    logSeconds += Seconds(start);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < lines / 4; ++i) {
      std::fwrite(bytes.data(), 1, bytes.size(), plain);
      std::fflush(plain);
    }
    plainSeconds += Seconds(start);
  }
  std::fclose(plain);
  const double logRate = lines / logSeconds, plainRate = lines / plainSeconds;
  std::printf("LogWrite+flush: %.0f lines/s\nplain append+flush: %.0f lines/s\nratio: %.2f\n", logRate, plainRate,
              logRate / plainRate);
  std::remove("frame_log_benchmark_plain.log");
  return 0;
}
