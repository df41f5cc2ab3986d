// The channel between the main process and its renderer sub-process: JSON
// messages in length-prefixed frames (channel_frame.h) over a loopback TCP
// connection. Only 127.0.0.1 is ever used.
//
// Handshake: the connecting side sends the token it was given (on its
// command line) as its first frame; the listener answers "ok" and hands the
// channel out, or drops a connection with a wrong token and keeps waiting.
// Connect returns a channel only once the listener has accepted it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include <json/value.h>

#include "channel_frame.h"

namespace velora_engine {

class Channel {
 public:
  // Connects to 127.0.0.1:port, proves itself with token and waits up to
  // timeout_ms for the listener's answer. Null when refused or timed out.
  static std::unique_ptr<Channel> Connect(int port, const std::string& token, int timeout_ms);

  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Sends one message; thread-safe (one frame at a time). False when the
  // channel is closed or the message is larger than kMaxFrameSize.
  bool Send(const Json::Value& message);
  // Blocks for the next message. False when the channel is closed (by
  // either side) or the peer sent a corrupt frame (then it is closed). One
  // receiving thread at a time.
  bool Receive(Json::Value* message);
  // Ends the channel; a Receive blocked on another thread returns false.
  // The destructor must not run while another thread is still inside
  // Receive or Send.
  void Close();

  bool closed() const { return closed_; }
  // Why the channel ended, when it was not Close.
  const std::string& error() const { return error_; }

 private:
  friend class ChannelListener;
  explicit Channel(unsigned long long socket);
  bool SendFrame(const char* data, size_t size);
  // Next frame's payload; false on end, corruption, cancel or timeout
  // (timeout_ms < 0 waits for ever).
  bool ReceiveFrame(std::string* payload, int timeout_ms);
  bool WaitReadable(int timeout_ms);

  unsigned long long socket_;
  void* socket_event_ = nullptr;
  void* cancel_event_ = nullptr;
  FrameDecoder decoder_;
  std::mutex send_lock_;
  std::atomic<bool> closed_{false};
  std::string error_;
};

class ChannelListener {
 public:
  ChannelListener();
  ~ChannelListener();
  ChannelListener(const ChannelListener&) = delete;
  ChannelListener& operator=(const ChannelListener&) = delete;

  // Listens on 127.0.0.1. *port 0 picks a free port; the port in use is
  // written back.
  bool Listen(int* port);
  // Waits up to timeout_ms for a connection that sends expected_token as its
  // first frame; others are dropped. Null on timeout.
  std::unique_ptr<Channel> Accept(int timeout_ms, const std::string& expected_token);

 private:
  unsigned long long socket_;
};

}  // namespace velora_engine
