#include "machine_identity.h"

#include "win_include.h"
#include <iphlpapi.h>

#include <memory>

namespace handshake {

std::vector<AdapterRecord> QueryAdapters() {
  std::vector<AdapterRecord> adapters;
  // First ask for the size; anything but "buffer too small" means no list.
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return adapters;

  std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
  auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
  if (GetAdaptersInfo(info, &size) != NO_ERROR) return adapters;

  for (const IP_ADAPTER_INFO* a = info; a; a = a->Next) {
    AdapterRecord record;
    record.type = a->Type;
    // AddressLength never exceeds the array in practice; clamp anyway.
    const UINT length = a->AddressLength < MAX_ADAPTER_ADDRESS_LENGTH
                            ? a->AddressLength
                            : MAX_ADAPTER_ADDRESS_LENGTH;
    record.address.assign(a->Address, a->Address + length);
    adapters.push_back(std::move(record));
  }
  return adapters;
}

std::wstring MakeMachineIdentity() {
  return FormatMachineIdentity(ChooseAdapterAddress(QueryAdapters()));
}

}  // namespace handshake
