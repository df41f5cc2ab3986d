// Throughput of our MD5 against OpenSSL's over the same 64 MiB buffer.
// Run from the bench build: build/bench/tests/handshake/md5_benchmark
#include "handshake/md5.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <vector>

namespace {

const std::vector<unsigned char>& Data() {
  static const std::vector<unsigned char> data = [] {
    std::vector<unsigned char> d(64u << 20);
    unsigned x = 12345;
    for (auto& b : d) b = static_cast<unsigned char>((x = x * 1103515245u + 12345u) >> 24);
    return d;
  }();
  return data;
}

double g_ours = 0, g_openssl = 0;

void BM_Md5Ctx(benchmark::State& state) {
  const auto& data = Data();
  unsigned char digest[16];
  for (auto _ : state) {
    handshake::MD5_CTX ctx;
    ctx.MD5Update(data.data(), data.size());
    ctx.MD5Final(digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
}

void BM_OpenSsl(benchmark::State& state) {
  const auto& data = Data();
  unsigned char digest[16];
  unsigned int len = 0;
  for (auto _ : state) {
    EVP_Digest(data.data(), data.size(), digest, &len, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * data.size());
}

BENCHMARK(BM_Md5Ctx)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenSsl)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Collects the real time per iteration of each benchmark to print the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      const double t = run.GetAdjustedRealTime();
      if (run.benchmark_name().find("Md5Ctx") != std::string::npos) g_ours = t;
      if (run.benchmark_name().find("OpenSsl") != std::string::npos) g_openssl = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (g_ours > 0 && g_openssl > 0)
    std::printf("MD5_CTX throughput / OpenSSL throughput: %.3f (aim: at least 0.85)\n",
                g_openssl / g_ours);
  return 0;
}
