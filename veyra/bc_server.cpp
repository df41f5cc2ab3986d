#include "bc_server.h"

#include <atomic>
#include <string>

#include <ole2.h>
#include <oleauto.h>

#include "json_packets.h"
#include "text_convert.h"

namespace veyra {

const CLSID CLSID_BarClientServer = {
    0xDBCB78F8, 0xB3EA, 0x4C44, {0xB2, 0xE9, 0x6A, 0xD2, 0x02, 0xAC, 0xBB, 0x35}};
const IID IID_IBarClientServer = {
    0x3C5F0C7D, 0xFC9A, 0x4AE8, {0x82, 0x1B, 0x88, 0xA9, 0x53, 0x8C, 0x84, 0xBA}};

namespace {

// Created when the library is loaded and destroyed when it is unloaded.
OS::CriticalSection g_creation_lock;
std::atomic<BcServer*> g_instance{nullptr};

template <typename T>
void ReleaseAndClear(T*& pointer) {
  if (pointer) {
    pointer->Release();
    pointer = nullptr;
  }
}

struct ScopedVariant {
  VARIANT value;
  ScopedVariant() { VariantInit(&value); }
  ~ScopedVariant() { VariantClear(&value); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
};

// The reply's text, converted to the thread's ANSI code page; empty when the
// reply cannot be converted to a string.
std::string ReplyText(VARIANT* reply) {
  if (FAILED(VariantChangeType(reply, reply, 0, VT_BSTR)) || V_VT(reply) != VT_BSTR) {
    return std::string();
  }
  const BSTR text = V_BSTR(reply);
  if (!text) return std::string();
  return WideToNarrow(std::wstring_view(text, SysStringLen(text)), CP_THREAD_ACP);
}

// Sends the bar-information query and reads the bar id of the answer.
uint32_t QueryBarId(IBarClientServer* server) {
  const Json::CJsonSamplePkt<Json::kPktQuerayBarInfo> query;
  const std::wstring request_text = NarrowToWide(Json::PacketToJsonText(&query), CP_ACP);

  ScopedVariant request;
  V_VT(&request.value) = VT_BSTR;
  V_BSTR(&request.value) =
      SysAllocStringLen(request_text.data(), static_cast<UINT>(request_text.size()));
  if (!V_BSTR(&request.value)) return 0;

  ScopedVariant reply;
  // The request is passed by value; it stays ours and is cleared here.
  if (FAILED(server->SendJson(request.value, &reply.value))) return 0;

  const std::unique_ptr<Json::CJsonPacketHead> packet =
      Json::ParseJsonPacket(ReplyText(&reply.value));
  if (!packet || packet->type != Json::kPktQuerayBarInfoAck) return 0;
  return static_cast<const Json::CJsonQuerayBarInfoAck&>(*packet).bar_id;
}

}  // namespace

BcServer* BcServer::Instance() {
  BcServer* instance = g_instance.load(std::memory_order_acquire);
  if (!instance) {
    OS::ScopedLock guard(g_creation_lock);
    instance = g_instance.load(std::memory_order_relaxed);
    if (!instance) {
      instance = new BcServer();
      g_instance.store(instance, std::memory_order_release);
    }
  }
  return instance;
}

void BcServer::InitBCServer() {
  OS::ScopedLock guard(lock_);
  OutputDebugStringW(L"Veyra::InitBCServer, Start!");

  IBarClientServer* server = nullptr;
  IUnknown* unknown = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_BarClientServer, nullptr, CLSCTX_ALL, IID_IUnknown,
                                 reinterpret_cast<void**>(&unknown))) &&
      unknown) {
    OleRun(unknown);
    if (FAILED(unknown->QueryInterface(IID_IBarClientServer, reinterpret_cast<void**>(&server)))) {
      server = nullptr;
    }
    unknown->Release();
  }

  IGlobalInterfaceTable* table = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&table))) &&
      table) {
    DWORD cookie = 0;
    // Without a server there is nothing to register; the cookie stays 0 and
    // fetching it back fails, which means "no bar id".
    if (server) table->RegisterInterfaceInGlobal(server, IID_IBarClientServer, &cookie);
    if (table != table_) {
      table->AddRef();
      if (table_) table_->Release();
      table_ = table;
    }
    cookie_ = cookie;
  }

  OutputDebugStringW(L"Veyra::InitBCServer, End!");
  ReleaseAndClear(table);
  ReleaseAndClear(server);
}

uint32_t BcServer::GetBcBarId() {
  OS::ScopedLock guard(lock_);
  InitBCServer();
  OutputDebugStringW(L"Veyra::GetBcBarId, Start!");
  if (!table_) return 0;

  uint32_t bar_id = 0;
  IBarClientServer* server = nullptr;
  if (SUCCEEDED(table_->GetInterfaceFromGlobal(cookie_, IID_IBarClientServer,
                                               reinterpret_cast<void**>(&server))) &&
      server) {
    try {
      bar_id = QueryBarId(server);
    } catch (const std::exception&) {
      bar_id = 0;  // out of memory on a huge reply: no bar id
    }
  }
  Uninit();
  ReleaseAndClear(server);
  return bar_id;
}

void BcServer::Uninit() {
  OS::ScopedLock guard(lock_);
  OutputDebugStringW(L"Veyra::Uninit, Start!");
  IGlobalInterfaceTable* table = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_ALL,
                                 IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&table))) &&
      table) {
    if (cookie_ != 0) table->RevokeInterfaceFromGlobal(cookie_);
    cookie_ = 0;
    ReleaseAndClear(table_);
  }
  OutputDebugStringW(L"Veyra::Uninit, End!");
  ReleaseAndClear(table);
}

}  // namespace veyra
