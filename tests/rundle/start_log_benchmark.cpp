// Cost of one starter-log line: formatting, the day check and the flush that
// every line pays so that the log survives an abrupt end of the process.
// Not a test; run by hand: build/bench/tests/rundle/start_log_benchmark
#include <benchmark/benchmark.h>

#include <cstdio>

#include "start_log.h"

namespace {

void BM_WriteLogFlushed(benchmark::State& state) {
  CStartLog log;
  log.SetDirectory("startlog_bench/");
  log.SetBaseName("Bench");
  log.SetOutputFlags(CStartLog::kOutFile);
  log.SetSizeLimit(64ull << 20);
  int i = 0;
  for (auto _ : state)
    log.WriteLog(kLogInfo, __FILE__, __LINE__, "bench", "ProcessCopyFile Copy File %s --> %s, %s",
                 "D:\\Games\\cfg\\a.cfg", "C:\\Users\\p\\AppData\\Roaming\\Vendor\\a.cfg", ++i % 2 ? "Success" : "Failed");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteLogFlushed);

void BM_FilteredOut(benchmark::State& state) {
  CStartLog log;
  log.SetLevelMask(47);
  for (auto _ : state) log.WriteLog(kLogTrace, __FILE__, __LINE__, "bench", "%s", "never written");
}
BENCHMARK(BM_FilteredOut);

}  // namespace

BENCHMARK_MAIN();
