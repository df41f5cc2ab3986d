#include "devtools_connection_win.h"

#include <algorithm>

#include <chrono>
#include <utility>
#include <vector>

#include "devtools_message.h"

namespace velora_engine {
namespace {

const char kClosedError[] = "DevTools connection closed";

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

DevToolsConnection::DevToolsConnection() = default;

DevToolsConnection::~DevToolsConnection() {
  Close();
}

bool DevToolsConnection::Open(int port, const std::string& browser_path, EventHandler on_event,
                              std::function<void()> on_closed, std::string* error) {
  if (open_) {
    *error = "already open";
    return false;
  }
  if (!socket_.Connect(L"127.0.0.1", port, Widen(browser_path), error))
    return false;
  on_event_ = std::move(on_event);
  on_closed_ = std::move(on_closed);
  open_ = true;
  receiver_ = std::thread(&DevToolsConnection::ReceiveLoop, this);
  return true;
}

bool DevToolsConnection::Call(const std::string& session_id, const std::string& method,
                              const Json::Value& params, Json::Value* result, std::string* error,
                              int timeout_ms) {
  if (std::this_thread::get_id() == receiver_id_.load()) {
    *error = "Call on the DevTools receive thread would wait for itself; use Post";
    return false;
  }
  auto waiter = std::make_shared<Waiter>();
  const int id = next_id_++;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (!open_ || closed_) {
      *error = kClosedError;
      return false;
    }
    pending_[id].waiter = waiter;
  }
  if (!socket_.Send(BuildCommand(id, session_id, method, params))) {
    std::lock_guard<std::mutex> lock(lock_);
    pending_.erase(id);
    *error = kClosedError;
    return false;
  }
  // While it waits, the calling thread serves messages that other threads
  // send to its windows (the engine's UI thread owns the browser windows,
  // whose parents live on the application's thread: a MoveWindow from
  // there must not stall that thread, and its painting, for the length of
  // a DevTools round trip).
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeout_ms > 0 ? timeout_ms : 0);
  for (;;) {
    {
      std::lock_guard<std::mutex> done_lock(waiter->lock);
      if (waiter->done) break;
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) {
      std::lock_guard<std::mutex> lock(lock_);
      pending_.erase(id);
      *error = method + " timed out after " + std::to_string(timeout_ms) + " ms";
      return false;
    }
    const DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(end - now, 0x7FFFFFFF));
    if (!waiter->event) {
      std::unique_lock<std::mutex> wait_lock(waiter->lock);
      waiter->done_signal.wait_for(wait_lock, std::chrono::milliseconds(left), [&] { return waiter->done; });
      continue;
    }
    if (::MsgWaitForMultipleObjects(1, &waiter->event, FALSE, left, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
      MSG msg;
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers sent messages
    }
  }
  std::lock_guard<std::mutex> wait_lock(waiter->lock);
  if (!waiter->error.empty()) {
    *error = waiter->error;
    return false;
  }
  if (result)
    result->swap(waiter->result);
  return true;
}

void DevToolsConnection::Post(const std::string& session_id, const std::string& method,
                              const Json::Value& params, ReplyHandler on_reply) {
  const int id = next_id_++;
  bool registered = false;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (open_ && !closed_) {
      if (on_reply)
        pending_[id].on_reply = on_reply;
      registered = true;
    }
  }
  if (registered && socket_.Send(BuildCommand(id, session_id, method, params)))
    return;
  // Not sent: take the entry back unless the receive thread already failed
  // it (then on_reply has run there).
  Pending pending;
  bool mine = !registered;
  if (registered) {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = pending_.find(id);
    if (it != pending_.end()) {
      pending = std::move(it->second);
      pending_.erase(it);
      mine = true;
    } else {
      mine = !on_reply;  // nothing was registered for a Post without on_reply
    }
  }
  if (mine && on_reply)
    on_reply(Json::Value(), kClosedError);
}

void DevToolsConnection::Complete(Pending pending, Json::Value result, const std::string& error) {
  if (pending.waiter) {
    std::lock_guard<std::mutex> lock(pending.waiter->lock);
    pending.waiter->result.swap(result);
    pending.waiter->error = error;
    pending.waiter->done = true;
    pending.waiter->done_signal.notify_all();
    if (pending.waiter->event) ::SetEvent(pending.waiter->event);
  } else if (pending.on_reply) {
    pending.on_reply(result, error);
  }
}

void DevToolsConnection::ReceiveLoop() {
  receiver_id_ = std::this_thread::get_id();
  std::string text;
  while (socket_.Receive(&text)) {
    ParsedMessage message = ParseMessage(text);
    if (message.kind == MessageKind::kEvent) {
      if (on_event_)
        on_event_(message.session_id, message.method, message.params);
      continue;
    }
    if (message.kind != MessageKind::kReply)
      continue;  // a browser bug or a newer protocol: nothing waits for it
    Pending pending;
    {
      std::lock_guard<std::mutex> lock(lock_);
      auto it = pending_.find(message.id);
      if (it == pending_.end())
        continue;  // timed out, or a Post without on_reply
      pending = std::move(it->second);
      pending_.erase(it);
    }
    Complete(std::move(pending), std::move(message.result),
             message.has_error ? (message.error_message.empty() ? "error" : message.error_message)
                               : std::string());
  }
  std::map<int, Pending> failed;
  {
    std::lock_guard<std::mutex> lock(lock_);
    closed_ = true;
    failed.swap(pending_);
  }
  for (auto& entry : failed)
    Complete(std::move(entry.second), Json::Value(), kClosedError);
  if (on_closed_)
    on_closed_();
}

void DevToolsConnection::Close() {
  socket_.Close();
  if (std::this_thread::get_id() == receiver_id_.load())
    return;
  std::lock_guard<std::mutex> lock(join_lock_);
  if (receiver_.joinable())
    receiver_.join();
}

}  // namespace velora_engine
