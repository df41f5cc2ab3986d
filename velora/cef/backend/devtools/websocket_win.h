// A WebSocket client over WinHTTP, text messages only: what the DevTools
// endpoint of a local Chromium speaks.
//
// Threads: one thread receives (Receive blocks), any number of threads send
// (Send takes a lock, so one sender writes at a time; WinHTTP allows a send
// while another thread waits in a receive). Close may be called from any
// thread, also while Receive blocks, and makes that Receive return false.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace velora_engine {

class WebSocketClient {
 public:
  WebSocketClient();
  ~WebSocketClient();
  WebSocketClient(const WebSocketClient&) = delete;
  WebSocketClient& operator=(const WebSocketClient&) = delete;

  // Connects to ws://host:port/path and completes the upgrade. One
  // connection per object; false (with *error) when it cannot be made.
  bool Connect(const std::wstring& host, int port, const std::wstring& path, std::string* error);
  // Sends one whole text message. False once the socket is closed or broken.
  bool Send(const std::string& utf8_text);
  // Waits for one whole message, reassembling WinHTTP's fragments into
  // *message (its old content is replaced; its capacity is reused). False
  // once the peer closed, the connection broke or Close was called.
  bool Receive(std::string* message);
  // Ends the connection; idempotent. A Receive blocked on another thread
  // returns false: the close frame normally ends it as soon as the peer
  // answers; a peer that does not answer within two seconds has the socket
  // handle closed under it, which cancels the wait. The handles are released
  // by the destructor, which must not run while another thread is still
  // inside Receive or Send.
  void Close();

  bool closed() const { return closed_; }

 private:
  void* session_ = nullptr;  // HINTERNET
  void* connect_ = nullptr;
  void* socket_ = nullptr;
  std::mutex send_lock_;
  std::mutex close_lock_;
  std::atomic<bool> closed_{false};
  std::mutex receive_lock_;
  std::condition_variable receive_ended_;
  bool receiving_ = false;
  bool aborted_ = false;  // socket_ closed by Close
};

}  // namespace velora_engine
