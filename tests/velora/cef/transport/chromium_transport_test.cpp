// The DevTools plumbing against the real Chromium, under Wine: starting it
// through ChromiumProcess, one DevToolsConnection for every page, commands
// and events on flattened sessions, 10 MiB messages both ways, and that no
// Chromium outlives Stop or a frame killed hard.
#include <gtest/gtest.h>

#include "win_include.h"

#include <shellapi.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "chromium_locator.h"
#include "chromium_process_win.h"
#include "devtools_connection_win.h"
#include "transport_test_support.h"

using namespace velora_engine;
using namespace velora_transport_test;

namespace {

// Events as they arrive on the receive thread, for the test thread to wait on.
class EventLog {
 public:
  void Add(const std::string& session, const std::string& method, const Json::Value& params) {
    std::lock_guard<std::mutex> lock(lock_);
    events_.push_back({session, method, params});
    added_.notify_all();
  }
  // Waits for an event of `method` on `session`; returns its params.
  bool WaitFor(const std::string& session, const std::string& method, Json::Value* params,
               int timeout_ms = 10000) {
    std::unique_lock<std::mutex> lock(lock_);
    return added_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
      for (const Event& e : events_) {
        if (e.session == session && e.method == method) {
          if (params)
            *params = e.params;
          return true;
        }
      }
      return false;
    });
  }

 private:
  struct Event {
    std::string session, method;
    Json::Value params;
  };
  std::mutex lock_;
  std::condition_variable added_;
  std::deque<Event> events_;
};

class ChromiumTransportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    chromium_ = new ChromiumProcess();
    events_ = new EventLog();
    connection_ = new DevToolsConnection();
    ChromiumLaunch launch;
    launch.executable = ChromiumProcess::Locate(TestDir(), nullptr);
    launch.user_data_dir = UserDataFolderFor(TestDir() + L"\\engine", GetCurrentProcessId());
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    ASSERT_TRUE(chromium_->Start(launch, &error)) << error;
    std::printf("Chromium started in %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count()));
    ASSERT_TRUE(connection_->Open(
        chromium_->port(), chromium_->browser_path(),
        [](const std::string& s, const std::string& m, const Json::Value& p) { events_->Add(s, m, p); },
        [] { closed_count_++; }, &error))
        << error;
  }
  static void TearDownTestSuite() {
    chromium_->Stop(connection_);
    delete connection_;
    delete chromium_;
    delete events_;
  }

  // A new page target, attached with a flattened session.
  std::string NewPageSession(const std::string& url = "about:blank") {
    Json::Value params, result;
    std::string error;
    params["url"] = url;
    EXPECT_TRUE(connection_->Call("", "Target.createTarget", params, &result, &error)) << error;
    Json::Value attach;
    attach["targetId"] = result["targetId"];
    attach["flatten"] = true;
    EXPECT_TRUE(connection_->Call("", "Target.attachToTarget", attach, &result, &error)) << error;
    return result["sessionId"].asString();
  }

  Json::Value Evaluate(const std::string& session, const std::string& expression) {
    Json::Value params, result;
    params["expression"] = expression;
    params["returnByValue"] = true;
    std::string error;
    EXPECT_TRUE(connection_->Call(session, "Runtime.evaluate", params, &result, &error, 30000)) << error;
    return result["result"]["value"];
  }

  static ChromiumProcess* chromium_;
  static DevToolsConnection* connection_;
  static EventLog* events_;
  static std::atomic<int> closed_count_;
};

ChromiumProcess* ChromiumTransportTest::chromium_;
DevToolsConnection* ChromiumTransportTest::connection_;
EventLog* ChromiumTransportTest::events_;
std::atomic<int> ChromiumTransportTest::closed_count_{0};

TEST_F(ChromiumTransportTest, PagesShareOneConnectionThroughFlattenedSessions) {
  const std::string first = NewPageSession();
  const std::string second = NewPageSession();
  ASSERT_FALSE(first.empty());
  ASSERT_NE(first, second);
  EXPECT_EQ(2, Evaluate(first, "1+1").asInt());
  // Each session reaches its own page.
  Evaluate(first, "window.mark = 'first'");
  Evaluate(second, "window.mark = 'second'");
  EXPECT_EQ("first", Evaluate(first, "window.mark").asString());
  EXPECT_EQ("second", Evaluate(second, "window.mark").asString());
}

TEST_F(ChromiumTransportTest, EventsArriveOnTheirSession) {
  const std::wstring page = TestDir() + L"\\transport_page.html";
  WriteFileText(page, "<html><body>\xe4\xbd\xa0\xe5\xa5\xbd</body></html>");
  const std::string session = NewPageSession();
  Json::Value result;
  std::string error;
  ASSERT_TRUE(connection_->Call(session, "Page.enable", Json::Value(), &result, &error)) << error;
  Json::Value navigate;
  navigate["url"] = FileUrl(page);
  ASSERT_TRUE(connection_->Call(session, "Page.navigate", navigate, &result, &error)) << error;
  EXPECT_TRUE(events_->WaitFor(session, "Page.loadEventFired", nullptr));
  EXPECT_EQ("\xe4\xbd\xa0\xe5\xa5\xbd", Evaluate(session, "document.body.textContent").asString());
}

TEST_F(ChromiumTransportTest, ProtocolErrorsAndPostReplies) {
  Json::Value result;
  std::string error;
  EXPECT_FALSE(connection_->Call("", "No.suchMethod", Json::Value(), &result, &error));
  EXPECT_NE(std::string::npos, error.find("No.suchMethod")) << error;
  EXPECT_FALSE(connection_->Call("no-such-session", "Runtime.evaluate", Json::Value(), &result, &error));
  EXPECT_FALSE(error.empty());

  // Post: replies come back on the receive thread, errors included.
  std::mutex lock;
  std::condition_variable cv;
  int replies = 0;
  std::string version, post_error;
  connection_->Post("", "Browser.getVersion", Json::Value(), [&](const Json::Value& r, const std::string& e) {
    std::lock_guard<std::mutex> guard(lock);
    version = r["product"].asString();
    ++replies;
    cv.notify_all();
  });
  connection_->Post("", "No.suchMethod", Json::Value(), [&](const Json::Value&, const std::string& e) {
    std::lock_guard<std::mutex> guard(lock);
    post_error = e;
    ++replies;
    cv.notify_all();
  });
  std::unique_lock<std::mutex> wait(lock);
  ASSERT_TRUE(cv.wait_for(wait, std::chrono::seconds(10), [&] { return replies == 2; }));
  EXPECT_NE(std::string::npos, version.find("Chrome")) << version;
  EXPECT_FALSE(post_error.empty());
}

TEST_F(ChromiumTransportTest, TenMebibyteMessagesBothWays) {
  const std::string session = NewPageSession();
  const size_t size = 10u * 1024u * 1024u;
  // Out: a 10 MiB string literal inside the command.
  std::string expression = "'" + std::string(size, 'x') + "'.length";
  EXPECT_EQ(static_cast<double>(size), Evaluate(session, expression).asDouble());
  // In: a 10 MiB string in the reply, received in WinHTTP's fragments.
  std::string text = Evaluate(session, "'ab'.repeat(5 * 1024 * 1024)").asString();
  ASSERT_EQ(size, text.size());
  EXPECT_EQ(std::string::npos, text.find_first_not_of("ab"));
  EXPECT_EQ("abab", text.substr(text.size() - 4));
}

TEST_F(ChromiumTransportTest, CallOnTheReceiveThreadFailsInsteadOfHanging) {
  std::mutex lock;
  std::condition_variable cv;
  bool done = false;
  bool call_ok = true;
  std::string call_error;
  connection_->Post("", "Browser.getVersion", Json::Value(), [&](const Json::Value&, const std::string&) {
    Json::Value result;
    std::string e;
    bool ok = connection_->Call("", "Browser.getVersion", Json::Value(), &result, &e, 1000);
    std::lock_guard<std::mutex> guard(lock);
    call_ok = ok;
    call_error = e;
    done = true;
    cv.notify_all();
  });
  std::unique_lock<std::mutex> wait(lock);
  ASSERT_TRUE(cv.wait_for(wait, std::chrono::seconds(10), [&] { return done; }));
  EXPECT_FALSE(call_ok);
  EXPECT_NE(std::string::npos, call_error.find("receive thread")) << call_error;
}

// Close from another thread while the receive thread waits in WinHTTP: the
// wait ends, on_closed runs once, and a Call made afterwards fails at once.
TEST_F(ChromiumTransportTest, CloseEndsABlockedReceiveWhileChromiumLives) {
  DevToolsConnection second;
  std::atomic<int> closed{0};
  std::string error;
  ASSERT_TRUE(second.Open(chromium_->port(), chromium_->browser_path(), {}, [&] { closed++; }, &error))
      << error;
  Json::Value result;
  ASSERT_TRUE(second.Call("", "Browser.getVersion", Json::Value(), &result, &error)) << error;
  Sleep(100);
  const auto start = std::chrono::steady_clock::now();
  second.Close();
  EXPECT_GT(std::chrono::seconds(2), std::chrono::steady_clock::now() - start);
  EXPECT_EQ(1, closed.load());
  EXPECT_FALSE(second.Call("", "Browser.getVersion", Json::Value(), &result, &error, 1000));
  EXPECT_NE(std::string::npos, error.find("closed")) << error;
  bool replied = false;
  second.Post("", "Browser.getVersion", Json::Value(), [&](const Json::Value&, const std::string& e) {
    replied = !e.empty();
  });
  EXPECT_TRUE(replied);
  // The browser and the first connection are unaffected.
  EXPECT_TRUE(connection_->Call("", "Browser.getVersion", Json::Value(), &result, &error)) << error;
}

// A Chromium of its own for the tests that end it.
struct OwnChromium {
  explicit OwnChromium(const std::wstring& name) {
    launch.executable = ChromiumProcess::Locate(TestDir(), nullptr);
    launch.user_data_dir = TestDir() + L"\\" + name;
  }
  ChromiumLaunch launch;
  ChromiumProcess process;
};

TEST(ChromiumProcessTest, StopWithBrowserCloseLeavesNothingRunning) {
  OwnChromium own(L"stop-test");
  std::string error;
  ASSERT_TRUE(own.process.Start(own.launch, &error)) << error;
  const int port = own.process.port();
  std::atomic<int> closed{0};
  DevToolsConnection connection;
  ASSERT_TRUE(connection.Open(port, own.process.browser_path(), {}, [&] { closed++; }, &error)) << error;
  ASSERT_TRUE(PortAccepts(port));
  ASSERT_LT(0, CountProcessesWithProfile(own.launch.user_data_dir));

  // A call waiting when the browser goes away fails at once.
  own.process.Stop(&connection);
  EXPECT_FALSE(PortAccepts(port));
  EXPECT_EQ(0, CountProcessesWithProfile(own.launch.user_data_dir));
  Json::Value result;
  EXPECT_FALSE(connection.Call("", "Browser.getVersion", Json::Value(), &result, &error, 2000));
  connection.Close();
  EXPECT_EQ(1, closed.load());
}

TEST(ChromiumProcessTest, StopWithoutConnectionEndsChromiumThroughTheLauncher) {
  OwnChromium own(L"stop-no-connection");
  std::string error;
  ASSERT_TRUE(own.process.Start(own.launch, &error)) << error;
  const int port = own.process.port();
  ASSERT_TRUE(PortAccepts(port));
  own.process.Stop(nullptr);
  EXPECT_FALSE(PortAccepts(port));
  EXPECT_EQ(0, CountProcessesWithProfile(own.launch.user_data_dir));
}

TEST(ChromiumProcessTest, ChromiumThatCannotStartReportsItsLog) {
  ChromiumLaunch launch;
  launch.user_data_dir = TestDir() + L"\\ends-at-once";
  // A program that ends at once stands for a Chromium that cannot start:
  // Start notices through the launcher instead of waiting for the timeout.
  launch.executable = L"Z:\\bin\\false";
  launch.timeout_ms = 5000;
  ChromiumProcess process;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(process.Start(launch, &error));
  EXPECT_NE(std::string::npos, error.find("ended")) << error;
  EXPECT_GT(std::chrono::seconds(4), std::chrono::steady_clock::now() - start);
}

// The frame killed hard, by TerminateProcess and by kill -9 of its Wine
// process: a child copy of this program starts Chromium and is killed. The
// launcher sees its connection close and ends Chromium; EndStale then removes
// the dead frame's folder and leaves a live one alone.
TEST(ChromiumProcessTest, KilledFrameLeavesNoChromium) {
  struct Case {
    const wchar_t* name;
    bool unix_kill;
  };
  const Case cases[] = {{L"terminate", false}, {L"kill9", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unix_kill ? "kill -9" : "TerminateProcess");
    const std::wstring root = TestDir() + L"\\killed-engine-" + c.name;
    DeleteTreeForTest(root);
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring port_file = TestDir() + L"\\killed-child-" + c.name + L".port";
    DeleteFileW(port_file.c_str());

    PROCESS_INFORMATION child = StartChild(L"--child-start-chromium \"" + root + L"\" \"" + port_file + L"\"");
    ASSERT_TRUE(child.hProcess);
    std::string text;
    for (int i = 0; i < 300 && !ReadFileText(port_file, &text); ++i)
      Sleep(50);
    ASSERT_FALSE(text.empty()) << "the child did not start Chromium";
    const int port = std::stoi(text);
    ASSERT_TRUE(PortAccepts(port));
    const std::wstring child_dir = UserDataFolderFor(root, child.dwProcessId);
    ASSERT_LT(0, CountProcessesWithProfile(child_dir));

    if (c.unix_kill)
      ASSERT_TRUE(KillUnixProcessWithArgument(std::string(port_file.begin(), port_file.end())));
    else
      TerminateProcess(child.hProcess, 9);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 5000));
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);

    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
      gone = !PortAccepts(port) && CountProcessesWithProfile(child_dir) == 0;
      if (!gone)
        Sleep(50);
    }
    EXPECT_TRUE(gone) << "Chromium outlived its killed frame";

    // A live frame's folder (this process) stays; the dead one goes.
    const std::wstring live_dir = UserDataFolderFor(root, GetCurrentProcessId());
    CreateDirectoryW(live_dir.c_str(), nullptr);
    ChromiumProcess::EndStale(root);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(child_dir.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(live_dir.c_str()));
    DeleteTreeForTest(root);
    DeleteFileW(port_file.c_str());
  }
}

// A process left with a dead frame's profile and no launcher to end it (the
// launcher itself was killed): EndStale finds it by its --user-data-dir and
// ends it. A sleep with the switch on its command line stands in for it.
TEST(ChromiumProcessTest, EndStaleEndsOrphansOfADeadFrame) {
  const std::wstring root = TestDir() + L"\\orphan-engine";
  DeleteTreeForTest(root);
  CreateDirectoryW(root.c_str(), nullptr);
  // Pid 4294967290 is no live process.
  const std::wstring dead_dir = UserDataFolderFor(root, 4294967290ul);
  CreateDirectoryW(dead_dir.c_str(), nullptr);
  WriteFileText(dead_dir + L"\\Local State", "{}");
  const std::string unix_dir = UnixPathOf(dead_dir);
  // exec -a: the sleep itself carries the switch (as its argv[0]), so ending
  // it leaves nothing behind, and it holds none of the test's handles.
  std::wstring command =
      L"\"Z:\\bin\\bash\" -c \"exec </dev/null >/dev/null 2>&1; exec -a \\\"$0\\\" sleep 30\" \"--user-data-dir=" +
                         std::wstring(unix_dir.begin(), unix_dir.end()) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(L"Z:\\bin\\bash", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  if (info.hProcess)
    CloseHandle(info.hProcess);
  if (info.hThread)
    CloseHandle(info.hThread);
  int before = 0;
  for (int i = 0; i < 100 && before == 0; ++i) {
    before = CountProcessesWithProfile(dead_dir);
    if (before == 0)
      Sleep(20);
  }
  ASSERT_EQ(1, before);

  ChromiumProcess::EndStale(root);
  EXPECT_EQ(0, CountProcessesWithProfile(dead_dir));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dead_dir.c_str()));
  DeleteTreeForTest(root);
}

}  // namespace

int main(int argc, char** argv) {
  // Child mode of KilledFrameLeavesNoChromium: start Chromium in
  // <root>\<pid>, write its port, then wait to be killed.
  int wargc = 0;
  wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (wargc == 4 && std::wstring(wargv[1]) == L"--child-start-chromium") {
    ChromiumProcess process;
    ChromiumLaunch launch;
    launch.executable = ChromiumProcess::Locate(TestDir(), nullptr);
    launch.user_data_dir = UserDataFolderFor(wargv[2], GetCurrentProcessId());
    std::string error;
    if (!process.Start(launch, &error)) {
      std::fprintf(stderr, "child: %s\n", error.c_str());
      return 1;
    }
    WriteFileText(wargv[3], std::to_string(process.port()));
    Sleep(60000);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
