#include "handshake/machine_identity.h"

#include <gtest/gtest.h>

namespace {

using handshake::AdapterRecord;
using handshake::ChooseAdapterAddress;
using handshake::FormatMachineIdentity;

constexpr unsigned kEth = handshake::kAdapterEthernet;
constexpr unsigned kWifi = handshake::kAdapterWireless;
constexpr unsigned kLoop = handshake::kAdapterLoopback;
constexpr unsigned kPpp = 23;

struct ChoiceCase {
  const char* name;
  std::vector<AdapterRecord> adapters;
  const wchar_t* identity;
};

TEST(MachineIdentity, AdapterChoice) {
  const ChoiceCase cases[] = {
      {"no adapter", {}, L"00-00-00-00-00-00"},
      {"ethernet after wireless wins",
       {{kWifi, {0xaa, 1, 2, 3, 4, 5}}, {kEth, {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}}},
       L"00-1a-2b-3c-4d-5e"},
      {"first ethernet stops the walk",
       {{kEth, {1, 1, 1, 1, 1, 1}}, {kEth, {2, 2, 2, 2, 2, 2}}},
       L"01-01-01-01-01-01"},
      {"all-zero ethernet is passed over",
       {{kEth, {0, 0, 0, 0, 0, 0}}, {kWifi, {0xde, 0xad, 0xbe, 0xef, 0, 1}}},
       L"de-ad-be-ef-00-01"},
      {"loopback is skipped",
       {{kLoop, {9, 9, 9, 9, 9, 9}}},
       L"00-00-00-00-00-00"},
      {"wireless before other type",
       {{kPpp, {7, 7, 7, 7, 7, 7}}, {kWifi, {8, 8, 8, 8, 8, 8}}, {kWifi, {6, 6, 6, 6, 6, 6}}},
       L"08-08-08-08-08-08"},
      {"other type is the last resort",
       {{kLoop, {9, 9, 9, 9, 9, 9}}, {kPpp, {0, 0, 0, 0, 0, 0}}, {kPpp, {0x10, 0x20, 0, 0, 0, 0}},
        {kPpp, {0x30, 0, 0, 0, 0, 0}}},
       L"10-20-00-00-00-00"},
      {"short address is zero-filled", {{kEth, {0xab, 0xcd}}}, L"ab-cd-00-00-00-00"},
      {"non-zero byte beyond the sixth makes it usable",
       {{kEth, {0, 0, 0, 0, 0, 0, 0, 1}}, {kEth, {5, 5, 5, 5, 5, 5}}},
       L"00-00-00-00-00-00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(std::wstring(c.identity), FormatMachineIdentity(ChooseAdapterAddress(c.adapters)));
  }
}

TEST(MachineIdentity, LongAddressCopiesAtMostEightBytes) {
  const std::vector<AdapterRecord> adapters = {
      {kEth, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}};
  const auto address = ChooseAdapterAddress(adapters);
  const handshake::AdapterAddress expected = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(expected, address);
  EXPECT_EQ(L"01-02-03-04-05-06", FormatMachineIdentity(address));
}

}  // namespace
