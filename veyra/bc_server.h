// The link to the cafe-management product's bar-client COM server. One
// object per process (Instance), never destroyed. Every GetBcBarId creates
// the server object, registers its interface in the global interface table,
// fetches it back, sends the bar-information query, and revokes the
// registration again before it returns; nothing is cached.
//
// The callers initialise COM on their own thread around GetBcBarId.
#pragma once

#include <cstdint>

#include "os_critical_section.h"
#include "win_include.h"

#include <objidl.h>

namespace veyra {

// {DBCB78F8-B3EA-4C44-B2E9-6AD202ACBB35}
extern const CLSID CLSID_BarClientServer;
// {3C5F0C7D-FC9A-4AE8-821B-88A9538C84BA}
extern const IID IID_IBarClientServer;

// The server's interface: a dual interface whose first own method, the
// eighth entry of its method table, takes the request text and gives the
// reply.
struct IBarClientServer : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE SendJson(VARIANT request, VARIANT* reply) = 0;
};

class BcServer {
 public:
  // The process-wide object, created under the creation lock on first use.
  static BcServer* Instance();

  // Creates the server object and registers its interface in the global
  // interface table.
  void InitBCServer();
  // The bar id of the server's bar-information answer; 0 when there is no
  // server, no answer, another packet or a bar id of 0.
  uint32_t GetBcBarId();
  // Revokes the registration and drops the table.
  void Uninit();

  // True while a table registration is held (between InitBCServer and
  // Uninit).
  bool HoldsRegistration() const { return table_ != nullptr || cookie_ != 0; }

 private:
  BcServer() = default;
  ~BcServer() = delete;  // lives until the process ends

  IGlobalInterfaceTable* table_ = nullptr;
  DWORD cookie_ = 0;
  OS::CriticalSection lock_;
};

}  // namespace veyra
