// CStartConfig on real profile files, and what it sees of Windows in a
// process started under each Windows version that Wine can report.
#include "start_config.h"

#include <gtest/gtest.h>

#include <string>

#include "rundle_test_util_win.h"

namespace {

using namespace rundle_test;

std::string Utf16File(const std::wstring& text) {
  std::string bytes = "\xff\xfe";
  bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return bytes;
}

TEST(StartConfigWin, ReadsListsThroughTheProfileReader) {
  const std::wstring folder = FreshFolder(L"config_lists");
  const std::wstring exe = folder + L"\\Rundle.exe";
  const std::wstring longValue(5000, L'v');
  ASSERT_TRUE(WriteBytes(folder + L"\\Rundle.ini",
                         Utf16File(L"[General]\r\nlogLevel=4\r\n"
                                   L"[PavlixSoft]\r\nNum=2\r\n"
                                   L"[PavlixSoft_PreLoad0]\r\nWait=1\r\nExe=工具\\预载.exe\r\nParam=-a \"b c\"\r\n"
                                   L"[Copy]\r\nNum=1\r\n"
                                   L"[Copy0]\r\nSkipOS=8\r\nIsCloseRedirection=1\r\nIsFile=1\r\nSrc=" +
                                   longValue + L"\r\nDst=$CSIDL_APPDATA$\\V\\a.cfg\r\n")));
  CStartConfig& config = CStartConfig::Instance();
  ASSERT_TRUE(config.LoadForModule(exe));
  EXPECT_EQ(folder + L"\\Rundle.ini", config.GetSettingsPath());
  EXPECT_EQ(59, config.GetLogLevelMask());

  const auto preloads = config.GetPreloadList(1);
  ASSERT_EQ(2u, preloads.size());
  EXPECT_EQ(1, preloads[0].wait);
  EXPECT_EQ(L"工具\\预载.exe", preloads[0].exe);
  EXPECT_EQ(L"-a \"b c\"", preloads[0].param);
  EXPECT_EQ(L"", preloads[1].exe);
  EXPECT_TRUE(config.GetPreloadList(0).empty());
  EXPECT_TRUE(config.GetPreloadList(-1).empty());

  const auto copies = config.GetCopyList();
  ASSERT_EQ(1u, copies.size());
  EXPECT_EQ(8, copies[0].skipOs);
  EXPECT_EQ(1, copies[0].closeRedirection);
  EXPECT_EQ(1, copies[0].isFile);
  EXPECT_EQ(longValue.substr(0, 4095), copies[0].src);
  EXPECT_EQ(L"$CSIDL_APPDATA$\\V\\a.cfg", copies[0].dst);

  // No settings file at all: every default.
  ASSERT_TRUE(config.LoadForModule(folder + L"\\missing\\Rundle.exe"));
  EXPECT_EQ(47, config.GetLogLevelMask());
  EXPECT_TRUE(config.GetCopyList().empty());
  EXPECT_TRUE(config.GetRunInfo(0).gameExe.empty());
  // An empty module path (too long to be read) must not fall back to win.ini.
  ASSERT_TRUE(config.LoadForModule(L""));
  EXPECT_EQ(L"", config.ReadProfile(L"fonts", L"x", 32));
  EXPECT_EQ(47, config.GetLogLevelMask());
}

TEST(StartConfigWin, IntegerKeysUseTheir32CharacterRoom) {
  const std::wstring folder = FreshFolder(L"config_ints");
  ASSERT_TRUE(WriteBytes(folder + L"\\Rundle.ini",
                         "[DefSoft]\r\nRunOption=" + std::string(30, ' ') + "3\r\nNum=" + std::string(31, '0') +
                             "2\r\n"));
  CStartConfig& config = CStartConfig::Instance();
  ASSERT_TRUE(config.LoadForModule(folder + L"\\Rundle.exe"));
  // Leading blanks are dropped by the profile reader; 31 zeros leave no room for the 2.
  EXPECT_EQ(3, rundle::ReadIntKey([&](const std::wstring& s, const std::wstring& k, size_t n) {
              return config.ReadProfile(s, k, n);
            }, L"DefSoft", L"RunOption"));
  EXPECT_TRUE(config.GetPreloadList(0).empty());
  SetLastError(0xdeadbeef);
  EXPECT_EQ(31u, config.ReadProfile(L"DefSoft", L"Num", 32).size());
}

// Runs the probe with HKCU\Software\Wine "Version" set to `version` (or
// removed) and returns its line.
std::string Probe(const wchar_t* version, const std::wstring& modulePath) {
  HKEY wine = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wine, nullptr);
  if (version)
    RegSetValueExW(wine, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
  const std::wstring folder = FreshFolder(L"probe");
  const std::wstring out = folder + L"\\probe.txt";
  std::wstring commandLine = L"probe \"" + out + L"\" \"" + modulePath + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::string line;
  if (CreateProcessW(HostPath(RUNDLE_CONFIG_PROBE_EXE).c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                     DETACHED_PROCESS, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    line = ReadBytes(out);
  }
  RegDeleteValueW(wine, L"Version");
  RegCloseKey(wine);
  return line;
}

TEST(StartConfigWin, WindowsVersionsAndTheRunInfoKeys) {
  const std::wstring folder = FreshFolder(L"probe_ini");
  ASSERT_TRUE(WriteBytes(folder + L"\\Rundle.ini",
                         "[DefSoft]\r\nRunOption=1\r\nBeforeExePath=b32\r\nGameExe=g32.exe\r\n"
                         "BeforeExePath64_Win10=b10\r\nGameExe64_Win10=\r\nParam64_Win10=p10\r\n"
                         "BeforeExePath64=b64\r\nGameExe64=g64.exe\r\n"));
  const std::wstring module = folder + L"\\Rundle.exe";
  const std::wstring plainOnly = FreshFolder(L"probe_plain");
  ASSERT_TRUE(WriteBytes(plainOnly + L"\\Rundle.ini", "[DefSoft]\r\nGameExe=g32.exe\r\nParam=p\r\n"));
  const struct {
    const wchar_t* version;
    std::wstring module;
    const char* expected;
  } cases[] = {
      // Without compatibility entries in the manifest Windows 10 reports 6.2.
      {L"win10", module, "os=8 win10=1 is64=1 mask=47 run=1|b64|g64.exe|"},
      {L"win81", module, "os=8 win10=0 is64=1 mask=47 run=1|b64|g64.exe|"},
      // The prefix's own default is Windows 7 workstation (6.1).
      {nullptr, module, "os=7 win10=0 is64=1 mask=47 run=1|b64|g64.exe|"},
      {nullptr, plainOnly + L"\\Rundle.exe", "os=7 win10=0 is64=1 mask=47 run=0|||"},
      {L"win2008", module, "os=6 win10=0 is64=1 mask=47 run=1|b64|g64.exe|"},
      {L"vista", module, "os=5 win10=0 is64=1 mask=47 run=1|b64|g64.exe|"},
      {L"winxp64", module, "os=4 win10=0 is64=1 mask=47 run=1|b64|g64.exe|"},
  };
  for (const auto& c : cases) {
    const std::wstring version = c.version ? c.version : L"(default)";
    SCOPED_TRACE(::testing::Message() << "Wine version " << std::string(version.begin(), version.end()));
    EXPECT_EQ(c.expected, Probe(c.version, c.module));
  }
}

}  // namespace
