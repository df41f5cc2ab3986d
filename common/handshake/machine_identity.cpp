#include "machine_identity.h"

#include <algorithm>
#include <cwchar>

namespace handshake {
namespace {

bool IsUsable(const AdapterRecord& adapter) {
  return std::any_of(adapter.address.begin(), adapter.address.end(),
                     [](unsigned char b) { return b != 0; });
}

}  // namespace

AdapterAddress ChooseAdapterAddress(const std::vector<AdapterRecord>& adapters) {
  const AdapterRecord* ethernet = nullptr;
  const AdapterRecord* wireless = nullptr;
  const AdapterRecord* other = nullptr;
  for (const AdapterRecord& adapter : adapters) {
    if (adapter.type == kAdapterLoopback || !IsUsable(adapter)) continue;
    if (adapter.type == kAdapterEthernet) {
      ethernet = &adapter;
      break;
    }
    const AdapterRecord*& slot = adapter.type == kAdapterWireless ? wireless : other;
    if (!slot) slot = &adapter;
  }
  const AdapterRecord* chosen = ethernet ? ethernet : wireless ? wireless : other;

  AdapterAddress address{};
  if (chosen) {
    const size_t n = std::min(chosen->address.size(), address.size());
    std::copy_n(chosen->address.begin(), n, address.begin());
  }
  return address;
}

std::wstring FormatMachineIdentity(const AdapterAddress& address) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring identity;
  identity.reserve(17);
  for (size_t i = 0; i < 6; ++i) {
    if (i) identity += L'-';
    identity += kDigits[address[i] >> 4];
    identity += kDigits[address[i] & 15];
  }
  return identity;
}

}  // namespace handshake
