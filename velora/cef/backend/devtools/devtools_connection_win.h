// One WebSocket to Chromium's browser endpoint that serves every page:
// sessions are flattened (Target.attachToTarget {targetId, flatten: true}
// gives a sessionId, and a page's commands carry it), so commands and events
// of all targets share this connection.
//
// Threads: a receive thread, started by Open, reads every message. Replies
// complete their waiting Call or run Post's on_reply; events go to on_event
// on the receive thread in arrival order (the engine hops them to its own
// thread). When the socket ends every waiting call fails at once and
// on_closed runs once, on the receive thread, whether the peer ended the
// connection or Close did.
#pragma once

#include "win_include.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <json/value.h>

#include "websocket_win.h"

namespace velora_engine {

class DevToolsConnection {
 public:
  using EventHandler = std::function<void(const std::string& session_id, const std::string& method,
                                          const Json::Value& params)>;
  using ReplyHandler = std::function<void(const Json::Value& result, const std::string& error)>;

  DevToolsConnection();
  // Closes the connection and joins the receive thread.
  ~DevToolsConnection();
  DevToolsConnection(const DevToolsConnection&) = delete;
  DevToolsConnection& operator=(const DevToolsConnection&) = delete;

  // Connects to ws://127.0.0.1:port<browser_path> (browser_path from
  // DevToolsActivePort) and starts the receive thread.
  bool Open(int port, const std::string& browser_path, EventHandler on_event,
            std::function<void()> on_closed, std::string* error);

  // Sends a command and waits for its reply. session_id empty = the browser
  // target. False with *error on a protocol error (the browser's message),
  // a timeout or a closed connection. Callable from any thread except the
  // receive thread (on_event, on_reply, on_closed), where it would wait for
  // itself: there it fails at once.
  bool Call(const std::string& session_id, const std::string& method, const Json::Value& params,
            Json::Value* result, std::string* error, int timeout_ms = 15000);

  // Sends a command without waiting. on_reply (optional) runs on the receive
  // thread with the result or the error text; when the connection is already
  // closed it runs at once on the calling thread with the error.
  void Post(const std::string& session_id, const std::string& method, const Json::Value& params,
            ReplyHandler on_reply = {});

  // Ends the connection; waiting calls fail. Joins the receive thread unless
  // called on it. Idempotent.
  void Close();

  bool is_open() const { return open_ && !closed_; }

 private:
  struct Waiter {
    std::mutex lock;
    std::condition_variable done_signal;
    bool done = false;
    Json::Value result;
    std::string error;
    // Set with done, for a wait that also serves messages sent to the
    // waiting thread's windows.
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Waiter() = default;
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;
    ~Waiter() {
      if (event) ::CloseHandle(event);
    }
  };
  struct Pending {
    std::shared_ptr<Waiter> waiter;  // Call
    ReplyHandler on_reply;           // Post
  };

  void ReceiveLoop();
  void Complete(Pending pending, Json::Value result, const std::string& error);

  WebSocketClient socket_;
  std::thread receiver_;
  std::atomic<std::thread::id> receiver_id_{};
  EventHandler on_event_;
  std::function<void()> on_closed_;
  std::mutex lock_;  // guards pending_, closed_ transitions
  std::map<int, Pending> pending_;
  std::atomic<int> next_id_{1};
  std::atomic<bool> open_{false};
  std::atomic<bool> closed_{false};
  std::mutex join_lock_;
};

}  // namespace velora_engine
