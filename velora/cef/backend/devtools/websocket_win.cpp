#include "websocket_win.h"

#include "win_include.h"

#include <winhttp.h>

#include <chrono>

namespace velora_engine {
namespace {

std::string WinHttpError(const char* what, DWORD code) {
  return std::string(what) + " failed (error " + std::to_string(code) + ")";
}

void CloseInternet(void** handle) {
  if (*handle) {
    WinHttpCloseHandle(static_cast<HINTERNET>(*handle));
    *handle = nullptr;
  }
}

}  // namespace

WebSocketClient::WebSocketClient() = default;

WebSocketClient::~WebSocketClient() {
  Close();
  if (aborted_)
    socket_ = nullptr;
  CloseInternet(&socket_);
  CloseInternet(&connect_);
  CloseInternet(&session_);
}

bool WebSocketClient::Connect(const std::wstring& host, int port, const std::wstring& path,
                              std::string* error) {
  if (session_) {
    *error = "already connected";
    return false;
  }
  // No proxy: the endpoint is always a local Chromium.
  HINTERNET session = WinHttpOpen(L"VeloraEngine", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) {
    *error = WinHttpError("WinHttpOpen", GetLastError());
    return false;
  }
  session_ = session;
  HINTERNET connect = WinHttpConnect(session, host.c_str(), static_cast<INTERNET_PORT>(port), 0);
  if (!connect) {
    *error = WinHttpError("WinHttpConnect", GetLastError());
    return false;
  }
  connect_ = connect;
  HINTERNET request = WinHttpOpenRequest(connect, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
  if (!request) {
    *error = WinHttpError("WinHttpOpenRequest", GetLastError());
    return false;
  }
  bool ok = WinHttpSetOption(request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, nullptr, 0) &&
            WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                               0, 0) &&
            WinHttpReceiveResponse(request, nullptr);
  if (!ok) {
    *error = WinHttpError("WebSocket upgrade request", GetLastError());
    WinHttpCloseHandle(request);
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  if (status != 101) {
    *error = "WebSocket upgrade refused (HTTP status " + std::to_string(status) + ")";
    WinHttpCloseHandle(request);
    return false;
  }
  HINTERNET socket = WinHttpWebSocketCompleteUpgrade(request, 0);
  DWORD upgrade_error = GetLastError();
  WinHttpCloseHandle(request);
  if (!socket) {
    *error = WinHttpError("WinHttpWebSocketCompleteUpgrade", upgrade_error);
    return false;
  }
  socket_ = socket;
  return true;
}

bool WebSocketClient::Send(const std::string& utf8_text) {
  std::lock_guard<std::mutex> lock(send_lock_);
  if (closed_ || !socket_)
    return false;
  DWORD result = WinHttpWebSocketSend(static_cast<HINTERNET>(socket_),
                                      WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE,
                                      const_cast<char*>(utf8_text.data()),
                                      static_cast<DWORD>(utf8_text.size()));
  return result == ERROR_SUCCESS;
}

bool WebSocketClient::Receive(std::string* message) {
  {
    std::lock_guard<std::mutex> lock(receive_lock_);
    if (closed_ || !socket_)
      return false;
    receiving_ = true;
  }
  struct Ended {
    WebSocketClient* self;
    ~Ended() {
      std::lock_guard<std::mutex> lock(self->receive_lock_);
      self->receiving_ = false;
      self->receive_ended_.notify_all();
    }
  } ended{this};
  // Fragments are received straight into the message's own buffer, which
  // grows by doubling: a 30 MiB screenshot costs no copy beyond WinHTTP's.
  constexpr size_t kMinRoom = 64 * 1024;
  size_t used = 0;
  if (message->size() < kMinRoom)
    message->resize(kMinRoom);
  for (;;) {
    if (message->size() - used < kMinRoom)
      message->resize(message->size() * 2);
    DWORD got = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE type;
    DWORD result = WinHttpWebSocketReceive(static_cast<HINTERNET>(socket_), &(*message)[used],
                                           static_cast<DWORD>(message->size() - used), &got, &type);
    if (result != ERROR_SUCCESS || closed_) {
      message->clear();
      closed_ = true;
      return false;
    }
    used += got;
    switch (type) {
      case WINHTTP_WEB_SOCKET_UTF8_MESSAGE_BUFFER_TYPE:
      case WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE:
        message->resize(used);
        return true;
      case WINHTTP_WEB_SOCKET_UTF8_FRAGMENT_BUFFER_TYPE:
      case WINHTTP_WEB_SOCKET_BINARY_FRAGMENT_BUFFER_TYPE:
        break;
      case WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE:
      default:
        message->clear();
        closed_ = true;
        return false;
    }
  }
}

void WebSocketClient::Close() {
  std::lock_guard<std::mutex> lock(close_lock_);
  if (closed_.exchange(true) || !socket_)
    return;
  // Shutdown sends the close frame without waiting for the peer's answer; the
  // peer's close frame (or the end of the TCP stream) then ends a Receive
  // blocked on another thread. Closing the connection handle aborts the
  // transport underneath, for a peer that never answers.
  WinHttpWebSocketShutdown(static_cast<HINTERNET>(socket_), WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS,
                           nullptr, 0);
  std::unique_lock<std::mutex> receive_lock(receive_lock_);
  if (!receive_ended_.wait_for(receive_lock, std::chrono::seconds(2), [this] { return !receiving_; })) {
    // The peer ignores the close frame: closing the handle cancels the
    // pending receive (WinHTTP keeps the object alive until it returns).
    // socket_ keeps its value (only the destructor clears it), so Send and
    // Receive on other threads see a dead handle, never a reused one.
    WinHttpCloseHandle(static_cast<HINTERNET>(socket_));
    aborted_ = true;
  }
}

}  // namespace velora_engine
