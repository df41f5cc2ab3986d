// The detection's Win32 pieces on their own: the registry reader on a test
// key, the version strings of stamped files and the process lookup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "env_det_imp.h"
#include "env_det_win.h"
#include "rundle_test_util_win.h"

namespace {

using namespace rundle_test;

TEST(EnvDetWin, RegistryValuesGiveTheFirstUsableString) {
  const std::wstring big(4200, L'7');  // 8402 bytes with its zero: more than is read
  const struct {
    const char* name;
    std::vector<RegValue> values;
    int code;
  } cases[] = {
      {"no values", {}, -1},
      {"one string", {{L"g", REG_SZ, L"3,a,b", 0}}, 3},
      {"no comma", {{L"g", REG_SZ, L"12", 0}}, 12},
      {"leading comma", {{L"g", REG_SZ, L",5", 0}}, 0},
      {"DWORDs only", {{L"a", REG_DWORD, L"", 1}, {L"b", REG_DWORD, L"", 2}}, -1},
      {"empty string skipped", {{L"a", REG_SZ, L"", 0}, {L"b", REG_SZ, L"2,x", 0}}, 2},
      {"expandable string skipped", {{L"a", REG_EXPAND_SZ, L"1,x", 0}}, -1},
      {"oversized string skipped", {{L"a", REG_SZ, big, 0}, {L"b", REG_SZ, L"1,", 0}}, 1},
      {"unnamed default value", {{L"", REG_SZ, L"4,x", 0}}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedRegistryKey key(HKEY_CURRENT_USER, L"Software\\RundleTest\\Origin", c.values);
    ASSERT_NE(nullptr, key.key());
    EXPECT_EQ(c.code, ReadRegistryEnvCode(key.key()));
  }

  // A value stored without its terminating zero is read up to its end only.
  ScopedRegistryKey key(HKEY_CURRENT_USER, L"Software\\RundleTest\\Origin", {});
  const wchar_t raw[] = {L'2', L'5'};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.key(), L"raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof(raw)));
  EXPECT_EQ(25, ReadRegistryEnvCode(key.key()));
}

TEST(EnvDetWin, VersionStringsOfStampedFiles) {
  const std::wstring folder = FreshFolder(L"version_strings");
  const std::wstring source = HostPath(RUNDLE_FAKE_CLIENT_EXE);
  VersionInfo full;
  full.productName = L"网维大师 Client";
  full.productVersion = L"9.1.2.0";
  VersionInfo noTranslation = full;
  noTranslation.hasTranslation = false;
  VersionInfo noName = full;
  noName.hasName = false;
  VersionInfo emptyName = full;
  emptyName.productName = L"";
  const struct {
    const char* name;
    const VersionInfo* info;  // nullptr: no version resource
    bool ok;
    const wchar_t* productName;
    const wchar_t* productVersion;
  } cases[] = {
      {"full", &full, true, L"网维大师 Client", L"9.1.2.0"},
      {"no translation table", &noTranslation, true, L"", L""},
      {"no ProductName", &noName, true, L"", L"9.1.2.0"},
      {"empty ProductName", &emptyName, true, L"", L"9.1.2.0"},
      {"no resource", nullptr, false, L"", L""},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring file = folder + L"\\client" + std::to_wstring(index++) + L".exe";
    ASSERT_TRUE(CopyFileW(source.c_str(), file.c_str(), FALSE));
    if (c.info) {
      ASSERT_TRUE(StampVersion(file, *c.info));
    }
    std::wstring name = L"stale", version = L"stale";
    EXPECT_EQ(c.ok, GetProductName(file, name));
    EXPECT_EQ(c.ok, GetProductVersion(file, version));
    EXPECT_EQ(c.productName, name);
    EXPECT_EQ(c.productVersion, version);
  }
  std::wstring name = L"stale";
  EXPECT_FALSE(GetProductName(L"", name));
  EXPECT_EQ(L"", name);
}

TEST(EnvDetWin, FindProcessPathMatchesTheFileNameIgnoringCase) {
  const std::wstring folder = FreshFolder(L"find_process");
  EXPECT_EQ(L"", FindProcessPath(L"Tallowview.exe"));
  FakeClient client(folder, L"TallowView.EXE", nullptr);
  ASSERT_TRUE(client.running());
  const std::wstring found = FindProcessPath(L"tallowview.exe");
  EXPECT_EQ(0, _wcsicmp(client.path().c_str(), found.c_str())) << found;
  EXPECT_EQ(L"", FindProcessPath(L"tallowview"));
  EXPECT_EQ(L"", FindProcessPath(L"ovplay.exe"));
}

}  // namespace
