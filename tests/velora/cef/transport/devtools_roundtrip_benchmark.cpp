// Not a test: median and p99 of a Runtime.evaluate("1") round trip over one
// DevToolsConnection to a real Chromium, and of a message round trip over
// the main/renderer Channel. Run by hand under Wine:
//   wine devtools_roundtrip_benchmark.exe [rounds]
#include "win_include.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "channel_win.h"
#include "chromium_locator.h"
#include "chromium_process_win.h"
#include "devtools_connection_win.h"
#include "transport_test_support.h"

using namespace velora_engine;
using Clock = std::chrono::steady_clock;

namespace {

void Report(const char* what, std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  const double median = micros[micros.size() / 2];
  const double p99 = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  std::printf("%-34s n=%zu median %.1f us  p99 %.1f us\n", what, micros.size(), median, p99);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
  const std::wstring dir = velora_transport_test::TestDir();

  ChromiumProcess chromium;
  ChromiumLaunch launch;
  launch.executable = ChromiumProcess::Locate(dir, nullptr);
  launch.user_data_dir = UserDataFolderFor(dir + L"\\bench-engine", GetCurrentProcessId());
  std::string error;
  const auto start = Clock::now();
  if (!chromium.Start(launch, &error)) {
    std::fprintf(stderr, "Start: %s\n", error.c_str());
    return 1;
  }
  std::printf("Chromium start (DevToolsActivePort read): %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()));
  DevToolsConnection connection;
  if (!connection.Open(chromium.port(), chromium.browser_path(), {}, {}, &error)) {
    std::fprintf(stderr, "Open: %s\n", error.c_str());
    return 1;
  }
  Json::Value params, result;
  params["url"] = "about:blank";
  connection.Call("", "Target.createTarget", params, &result, &error);
  Json::Value attach;
  attach["targetId"] = result["targetId"];
  attach["flatten"] = true;
  connection.Call("", "Target.attachToTarget", attach, &result, &error);
  const std::string session = result["sessionId"].asString();

  Json::Value evaluate;
  evaluate["expression"] = "1";
  std::vector<double> times;
  for (int i = 0; i < rounds + 50; ++i) {
    const auto t0 = Clock::now();
    if (!connection.Call(session, "Runtime.evaluate", evaluate, &result, &error)) {
      std::fprintf(stderr, "evaluate: %s\n", error.c_str());
      return 1;
    }
    if (i >= 50)
      times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  Report("Runtime.evaluate(\"1\") round trip", times);
  const auto stop_start = Clock::now();
  chromium.Stop(&connection);
  std::printf("Stop (Browser.close, launcher gone): %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stop_start).count()));

  // Channel: a ping answered by an echo thread.
  ChannelListener listener;
  int port = 0;
  listener.Listen(&port);
  std::unique_ptr<Channel> client;
  std::thread connect([&] { client = Channel::Connect(port, "bench", 5000); });
  std::unique_ptr<Channel> server = listener.Accept(5000, "bench");
  connect.join();
  if (!client || !server) {
    std::fprintf(stderr, "channel handshake failed\n");
    return 1;
  }
  std::thread echo([&] {
    Json::Value message;
    while (server->Receive(&message))
      server->Send(message);
  });
  Json::Value ping;
  ping["name"] = "ping";
  ping["args"].append(1);
  times.clear();
  for (int i = 0; i < rounds + 50; ++i) {
    const auto t0 = Clock::now();
    client->Send(ping);
    Json::Value pong;
    client->Receive(&pong);
    if (i >= 50)
      times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  Report("Channel round trip", times);
  client->Close();
  echo.join();
  return 0;
}
