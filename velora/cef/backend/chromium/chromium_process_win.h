// Chromium's process: finding it, starting it headless with a DevTools port,
// and making sure it never outlives the program that started it.
//
// Kill safety. On Windows Chromium runs in a job object that ends it when
// the job's last handle closes, which happens when this process ends in any
// way. Under Wine a Linux Chromium started through CreateProcessW gives no
// handle and no pid, so Start runs a small bash launcher (written into the
// user-data folder) that connects back to a loopback port this process
// listens on. The launcher starts Chromium in a process group of its own and,
// when the connection reaches end of file - Stop, or this process killed by
// TerminateProcess or kill -9 - ends that group and every process left that
// runs with this --user-data-dir, then exits. If Chromium ends first, the
// launcher exits and the connection ends.
#pragma once

#include <string>
#include <vector>

namespace velora_engine {

class DevToolsConnection;

struct ChromiumLaunch {
  std::wstring executable;
  std::wstring user_data_dir;         // Windows path; created when missing
  std::vector<std::string> switches;  // extra "--name=value" switches
  int timeout_ms = 20000;             // for DevToolsActivePort to appear
};

class ChromiumProcess {
 public:
  ChromiumProcess();
  // Same as Stop(nullptr).
  ~ChromiumProcess();
  ChromiumProcess(const ChromiumProcess&) = delete;
  ChromiumProcess& operator=(const ChromiumProcess&) = delete;

  // The first candidate of ChromiumCandidates that exists. The configured
  // path comes from exe_dir\VeloraEngine.ini; Wine is recognised by ntdll's
  // wine_get_version export. Every path tried is appended to *looked_at when
  // given. Empty when none exists.
  static std::wstring Locate(const std::wstring& exe_dir, std::vector<std::wstring>* looked_at);

  // True when this program runs under Wine.
  static bool UnderWine();

  // Starts Chromium with --headless=new --remote-debugging-port=0
  // --user-data-dir=<dir> --no-sandbox --disable-gpu --no-first-run
  // --disable-background-networking --disable-component-update
  // --disable-sync --no-default-browser-check and the launch's switches, and
  // waits for <user_data_dir>\DevToolsActivePort (a stale one is removed
  // first). Chromium's output goes to <user_data_dir>\chromium.log. False
  // with *error (including the log's last lines when Chromium ended early).
  bool Start(const ChromiumLaunch& launch, std::string* error);

  int port() const { return port_; }
  const std::string& browser_path() const { return browser_path_; }
  bool running() const;

  // Sends Browser.close over connection_or_null when given, then makes sure
  // every Chromium process is gone before returning. Idempotent.
  void Stop(DevToolsConnection* connection_or_null);

  // Cleans <engine_root>: every <pid> folder whose pid is not a live process
  // is a frame's leftover; any Chromium still using it is ended and the
  // folder deleted. Folders of live frames, and of this process, stay.
  static void EndStale(const std::wstring& engine_root);

 private:
  bool StartUnderWine(const ChromiumLaunch& launch, std::string* error);
  bool StartOnWindows(const ChromiumLaunch& launch, std::string* error);
  bool WaitForPort(const std::wstring& user_data_dir, int timeout_ms, std::string* error);

  int port_ = 0;
  std::string browser_path_;
  std::wstring user_data_dir_;
  // Under Wine: the launcher's connection (a SOCKET), open while Chromium runs.
  unsigned long long launcher_socket_ = ~0ull;
  // On Windows: Chromium's process and its kill-on-close job.
  void* process_ = nullptr;
  void* job_ = nullptr;
};

}  // namespace velora_engine
