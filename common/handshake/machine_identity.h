// The PC's machine identity: the physical address of its preferred network
// adapter, written as six lowercase hexadecimal pairs joined by "-", for
// example "00-1a-2b-3c-4d-5e".
#pragma once

#include <array>
#include <string>
#include <vector>

namespace handshake {

// Adapter types as the IPv4 adapter list reports them.
constexpr unsigned kAdapterEthernet = 6;
constexpr unsigned kAdapterLoopback = 24;
constexpr unsigned kAdapterWireless = 71;

struct AdapterRecord {
  unsigned type = 0;
  std::vector<unsigned char> address;  // the first address-length bytes
};

using AdapterAddress = std::array<unsigned char, 8>;

// Chooses the adapter in list order: the first Ethernet adapter with a
// non-zero address wins at once; otherwise the first usable wireless one,
// else the first usable one of another type. Loopback never counts. The
// chosen address is copied into eight zeroed bytes (at most eight bytes);
// with no usable adapter the result stays all zero.
AdapterAddress ChooseAdapterAddress(const std::vector<AdapterRecord>& adapters);

// {0x00,0x1a,0x2b,0x3c,0x4d,0x5e,..} -> L"00-1a-2b-3c-4d-5e" (first six bytes).
std::wstring FormatMachineIdentity(const AdapterAddress& address);

#ifdef _WIN32
// Reads the adapter list with GetAdaptersInfo and applies the rules above.
std::vector<AdapterRecord> QueryAdapters();
std::wstring MakeMachineIdentity();
#endif

}  // namespace handshake
