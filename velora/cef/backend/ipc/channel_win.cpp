#include "channel_win.h"

#include "win_include.h"

#include <winsock2.h>

#include <chrono>
#include <memory>

#include <json/reader.h>
#include <json/writer.h>

namespace velora_engine {
namespace {

constexpr unsigned long long kNoSocket = ~0ull;
const char kAccepted[] = "ok";
using Clock = std::chrono::steady_clock;

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Equal without an early exit, so the time taken says nothing about how much
// of a guessed token was right.
bool SameToken(const std::string& a, const std::string& b) {
  unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

}  // namespace

Channel::Channel(unsigned long long socket) : socket_(socket) {
  const SOCKET s = static_cast<SOCKET>(socket_);
  BOOL no_delay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay), sizeof(no_delay));
  // Receive waits on the socket's event and on the cancel event, so that
  // Close from another thread ends a blocked Receive on Windows and Wine
  // alike. The socket becomes non-blocking.
  socket_event_ = WSACreateEvent();
  cancel_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WSAEventSelect(s, static_cast<WSAEVENT>(socket_event_), FD_READ | FD_CLOSE);
}

Channel::~Channel() {
  Close();
  closesocket(static_cast<SOCKET>(socket_));
  WSACloseEvent(static_cast<WSAEVENT>(socket_event_));
  CloseHandle(cancel_event_);
}

std::unique_ptr<Channel> Channel::Connect(int port, const std::string& token, int timeout_ms) {
  if (!StartWinsock())
    return nullptr;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET)
    return nullptr;
  sockaddr_in address = Loopback(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    closesocket(s);
    return nullptr;
  }
  std::unique_ptr<Channel> channel(new Channel(s));
  std::string answer;
  if (!channel->SendFrame(token.data(), token.size()) || !channel->ReceiveFrame(&answer, timeout_ms) ||
      answer != kAccepted)
    return nullptr;
  return channel;
}

bool Channel::SendFrame(const char* data, size_t size) {
  unsigned char header[kFrameHeaderSize];
  if (!EncodeFrameHeader(size, header, &error_))
    return false;
  std::lock_guard<std::mutex> lock(send_lock_);
  const SOCKET s = static_cast<SOCKET>(socket_);
  const char* parts[2] = {reinterpret_cast<const char*>(header), data};
  size_t sizes[2] = {kFrameHeaderSize, size};
  for (int part = 0; part < 2; ++part) {
    const char* next = parts[part];
    size_t left = sizes[part];
    while (left > 0) {
      if (closed_)
        return false;
      int chunk = left > (1u << 30) ? (1 << 30) : static_cast<int>(left);
      int sent = send(s, next, chunk, 0);
      if (sent > 0) {
        next += sent;
        left -= static_cast<size_t>(sent);
        continue;
      }
      if (WSAGetLastError() != WSAEWOULDBLOCK)
        return false;
      // The peer reads slowly: wait until the socket takes more, checking
      // for Close now and then.
      fd_set writable;
      FD_ZERO(&writable);
      FD_SET(s, &writable);
      timeval tv = {0, 100 * 1000};
      select(0, nullptr, &writable, nullptr, &tv);
    }
  }
  return true;
}

bool Channel::Send(const Json::Value& message) {
  static const Json::StreamWriterBuilder writer = [] {
    Json::StreamWriterBuilder b;
    b["indentation"] = "";
    b["emitUTF8"] = true;
    return b;
  }();
  if (closed_)
    return false;
  const std::string text = Json::writeString(writer, message);
  return SendFrame(text.data(), text.size());
}

bool Channel::WaitReadable(int timeout_ms) {
  HANDLE events[2] = {static_cast<HANDLE>(socket_event_), static_cast<HANDLE>(cancel_event_)};
  DWORD result = WSAWaitForMultipleEvents(2, events, FALSE, timeout_ms < 0 ? WSA_INFINITE : timeout_ms, FALSE);
  if (result != WSA_WAIT_EVENT_0)
    return false;
  WSANETWORKEVENTS happened;
  WSAEnumNetworkEvents(static_cast<SOCKET>(socket_), static_cast<WSAEVENT>(socket_event_), &happened);
  return true;
}

bool Channel::ReceiveFrame(std::string* payload, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  char buffer[64 * 1024];
  for (;;) {
    if (decoder_.Next(payload))
      return true;
    if (closed_)
      return false;
    int got = recv(static_cast<SOCKET>(socket_), buffer, sizeof(buffer), 0);
    if (got > 0) {
      if (!decoder_.Feed(buffer, static_cast<size_t>(got))) {
        error_ = "corrupt frame: " + decoder_.error();
        Close();
        return false;
      }
      continue;
    }
    if (got == 0 || WSAGetLastError() != WSAEWOULDBLOCK) {
      if (!closed_)
        error_ = got == 0 ? "the peer closed the channel" : "connection broken";
      closed_ = true;
      return false;
    }
    if (!WaitReadable(timeout_ms < 0 ? -1 : MillisecondsLeft(deadline)))
      return false;
  }
}

bool Channel::Receive(Json::Value* message) {
  static const Json::CharReaderBuilder reader_builder = [] {
    Json::CharReaderBuilder b;
    b["collectComments"] = false;
    b["failIfExtra"] = true;
    return b;
  }();
  std::string payload;
  if (!ReceiveFrame(&payload, -1))
    return false;
  std::unique_ptr<Json::CharReader> reader(reader_builder.newCharReader());
  std::string errors;
  if (!reader->parse(payload.data(), payload.data() + payload.size(), message, &errors)) {
    error_ = "corrupt frame: not JSON";
    Close();
    return false;
  }
  return true;
}

void Channel::Close() {
  if (closed_.exchange(true))
    return;
  SetEvent(static_cast<HANDLE>(cancel_event_));
  shutdown(static_cast<SOCKET>(socket_), SD_BOTH);
}

ChannelListener::ChannelListener() : socket_(kNoSocket) {}

ChannelListener::~ChannelListener() {
  if (socket_ != kNoSocket)
    closesocket(static_cast<SOCKET>(socket_));
}

bool ChannelListener::Listen(int* port) {
  if (!StartWinsock() || socket_ != kNoSocket)
    return false;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET)
    return false;
  // Nobody else may bind the same port while we listen on it.
  BOOL exclusive = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
  sockaddr_in address = Loopback(*port);
  int length = sizeof(address);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 8) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(s);
    return false;
  }
  socket_ = s;
  *port = ntohs(address.sin_port);
  return true;
}

std::unique_ptr<Channel> ChannelListener::Accept(int timeout_ms, const std::string& expected_token) {
  if (socket_ == kNoSocket)
    return nullptr;
  const SOCKET listener = static_cast<SOCKET>(socket_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const int left = MillisecondsLeft(deadline);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval tv = {left / 1000, (left % 1000) * 1000};
    if (left <= 0 || select(0, &readable, nullptr, nullptr, &tv) <= 0)
      return nullptr;
    SOCKET peer = accept(listener, nullptr, nullptr);
    if (peer == INVALID_SOCKET)
      continue;
    std::unique_ptr<Channel> channel(new Channel(peer));
    // A connection that sends nothing may hold us up for two seconds at most.
    std::string token;
    const int token_wait = std::min(MillisecondsLeft(deadline), 2000);
    if (channel->ReceiveFrame(&token, token_wait) && SameToken(token, expected_token) &&
        channel->SendFrame(kAccepted, sizeof(kAccepted) - 1))
      return channel;
  }
}

}  // namespace velora_engine
