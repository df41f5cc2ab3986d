// The starter's decisions over plain values: key conversion, the settings
// path, the mask, OS and section tables, the list readers over an in-memory
// profile and the detection rules.
#include "start_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

using rundle::ProfileReader;

// An INI file in memory. Records the buffer size every read asked for and,
// like the platform's reader, returns at most bufferChars - 1 characters.
class FakeProfile {
 public:
  FakeProfile(std::initializer_list<std::pair<const std::pair<std::wstring, std::wstring>, std::wstring>> keys)
      : keys_(keys) {}

  ProfileReader Reader() {
    return [this](const std::wstring& section, const std::wstring& key, size_t chars) {
      sizes_[{section, key}] = chars;
      auto it = keys_.find({section, key});
      if (it == keys_.end()) return std::wstring();
      return it->second.substr(0, chars - 1);
    };
  }
  size_t SizeAskedFor(const std::wstring& section, const std::wstring& key) const {
    auto it = sizes_.find({section, key});
    return it == sizes_.end() ? 0 : it->second;
  }

 private:
  std::map<std::pair<std::wstring, std::wstring>, std::wstring> keys_;
  std::map<std::pair<std::wstring, std::wstring>, size_t> sizes_;
};

TEST(StartRules, IntegerTextConversion) {
  const struct {
    const wchar_t* text;
    int value;
  } cases[] = {
      {L"", 0},          {L"42", 42},        {L"  \t7", 7},      {L"-1", -1},
      {L"+5", 5},        {L"3x", 3},         {L"abc", 0},        {L"x3", 0},
      {L"- 3", 0},       {L"2147483647", 2147483647},            {L"99999999999", 2147483647},
      {L"-2147483648", -2147483647 - 1},     {L"-99999999999", -2147483647 - 1},
      {L"0012", 12},     {L"7,1,2", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "text '" << std::string(c.text, c.text + wcslen(c.text)) << "'");
    EXPECT_EQ(c.value, rundle::ParseIntText(c.text));
  }
}

TEST(StartRules, SettingsPathReplacesEveryLowerCaseExe) {
  const struct {
    const wchar_t* module;
    const wchar_t* settings;
  } cases[] = {
      {L"D:\\Games\\Rundle.exe", L"D:\\Games\\Rundle.ini"},
      {L"D:\\a.exe\\Rundle.exe", L"D:\\a.ini\\Rundle.ini"},
      {L"D:\\Games\\RUNDLE.EXE", L"D:\\Games\\RUNDLE.EXE"},
      {L"D:\\Games\\Rundle.Exe", L"D:\\Games\\Rundle.Exe"},
      {L"D:\\x.exec\\r.exe.exe", L"D:\\x.inic\\r.ini.ini"},
      {L"D:\\.exe.exe", L"D:\\.ini.ini"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.settings, rundle::SettingsPathForModule(c.module));
  }
}

TEST(StartRules, LogLevelMaskFromTheGeneralSection) {
  const struct {
    const wchar_t* logLevel;  // nullptr: key absent
    int mask;
  } cases[] = {
      {L"1", 47},  {L"0", 47},  {L"6", 47},   {L"text", 47}, {nullptr, 47}, {L"", 47},
      {L"2", 127}, {L"3", 43},  {L"3x", 43},  {L"4", 59},    {L"5", 107},   {L"-2", 47},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    FakeProfile profile{};
    if (c.logLevel) profile = FakeProfile{{{L"General", L"logLevel"}, c.logLevel}};
    const int level = rundle::ReadIntKey(profile.Reader(), L"General", L"logLevel");
    EXPECT_EQ(c.mask, rundle::LogLevelMaskFor(level));
    EXPECT_EQ(rundle::kIntKeyChars, profile.SizeAskedFor(L"General", L"logLevel"));
  }
}

TEST(StartRules, OsCodeTable) {
  const struct {
    unsigned major, minor;
    bool workstation;
    int code;
  } cases[] = {
      {4, 0, true, 1},  {4, 10, true, 1}, {5, 0, true, 2},  {5, 1, true, 3},  {5, 2, true, 4},
      {5, 2, false, 4}, {5, 9, true, 4},  {6, 0, true, 5},  {6, 0, false, 6}, {6, 1, false, 6},
      {6, 3, false, 6}, {6, 1, true, 7},  {6, 2, true, 8},  {6, 3, true, 1},  {6, 4, true, 1},
      {7, 0, true, 9},  {10, 0, true, 9}, {10, 0, false, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.major << "." << c.minor << (c.workstation ? " ws" : " server"));
    EXPECT_EQ(c.code, rundle::OsCodeFor(c.major, c.minor, c.workstation));
  }
}

TEST(StartRules, EnvironmentSections) {
  const wchar_t* const expected[] = {L"DefSoft",     L"PavlixSoft",    L"TorrelSoft",
                                     L"QuillonSoft", L"PavlixSoft_GL", L"OvplaySoft"};
  for (int code = 0; code < 6; ++code) {
    SCOPED_TRACE(code);
    ASSERT_NE(nullptr, rundle::EnvSectionName(code));
    EXPECT_STREQ(expected[code], rundle::EnvSectionName(code));
  }
  EXPECT_EQ(nullptr, rundle::EnvSectionName(-1));
  EXPECT_EQ(nullptr, rundle::EnvSectionName(6));
  EXPECT_EQ(nullptr, rundle::EnvSectionName(1000));
}

TEST(StartRules, PreloadListFollowsNum) {
  const struct {
    const wchar_t* num;  // nullptr: key absent
    size_t entries;
  } cases[] = {{L"-1", 0}, {L"0", 0}, {nullptr, 0}, {L"abc", 0}, {L"2", 2}, {L"3", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    FakeProfile profile{{{L"PavlixSoft_PreLoad0", L"Exe"}, L"tools\\a.exe"},
                        {{L"PavlixSoft_PreLoad0", L"Param"}, L"-x"},
                        {{L"PavlixSoft_PreLoad0", L"Wait"}, L"1"}};
    if (c.num) {
      FakeProfile withNum{{{L"PavlixSoft", L"Num"}, c.num},
                          {{L"PavlixSoft_PreLoad0", L"Exe"}, L"tools\\a.exe"},
                          {{L"PavlixSoft_PreLoad0", L"Param"}, L"-x"},
                          {{L"PavlixSoft_PreLoad0", L"Wait"}, L"1"}};
      profile = withNum;
    }
    const auto list = rundle::ReadPreloadList(profile.Reader(), 1);
    ASSERT_EQ(c.entries, list.size());
    for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(static_cast<int>(i), list[i].index);
    if (!list.empty()) {
      EXPECT_EQ(1, list[0].wait);
      EXPECT_EQ(L"tools\\a.exe", list[0].exe);
      EXPECT_EQ(L"-x", list[0].param);
      // A missing section still gives an entry, with empty texts.
      EXPECT_EQ(0, list[1].wait);
      EXPECT_EQ(L"", list[1].exe);
      EXPECT_EQ(L"", list[1].param);
      EXPECT_EQ(rundle::kStringKeyChars, profile.SizeAskedFor(L"PavlixSoft_PreLoad1", L"Exe"));
      EXPECT_EQ(rundle::kIntKeyChars, profile.SizeAskedFor(L"PavlixSoft_PreLoad1", L"Wait"));
    }
  }
}

TEST(StartRules, PreloadSectionsAreNamedAfterTheEnvironment) {
  FakeProfile profile{{{L"PavlixSoft_GL", L"Num"}, L"1"},
                      {{L"PavlixSoft_GL_PreLoad0", L"Exe"}, L"gl.exe"},
                      {{L"PavlixSoft", L"Num"}, L"1"},
                      {{L"PavlixSoft_PreLoad0", L"Exe"}, L"plain.exe"}};
  const auto gl = rundle::ReadPreloadList(profile.Reader(), 4);
  ASSERT_EQ(1u, gl.size());
  EXPECT_EQ(L"gl.exe", gl[0].exe);
  EXPECT_TRUE(rundle::ReadPreloadList(profile.Reader(), -1).empty());
  EXPECT_TRUE(rundle::ReadPreloadList(profile.Reader(), 6).empty());
}

TEST(StartRules, CopyListKeepsMissingSections) {
  FakeProfile profile{{{L"Copy", L"Num"}, L"3"},
                      {{L"Copy0", L"SkipOS"}, L"8"},
                      {{L"Copy0", L"IsCloseRedirection"}, L"1"},
                      {{L"Copy0", L"IsFile"}, L"1"},
                      {{L"Copy0", L"Src"}, L"cfg\\a.cfg"},
                      {{L"Copy0", L"Dst"}, L"$CSIDL_APPDATA$\\Vendor\\a.cfg"},
                      {{L"Copy2", L"Src"}, L"data"},
                      {{L"Copy2", L"Dst"}, L"E:\\Games\\data"}};
  const auto list = rundle::ReadCopyList(profile.Reader());
  ASSERT_EQ(3u, list.size());
  EXPECT_EQ(0, list[0].index);
  EXPECT_EQ(8, list[0].skipOs);
  EXPECT_EQ(1, list[0].closeRedirection);
  EXPECT_EQ(1, list[0].isFile);
  EXPECT_EQ(L"cfg\\a.cfg", list[0].src);
  EXPECT_EQ(L"$CSIDL_APPDATA$\\Vendor\\a.cfg", list[0].dst);
  EXPECT_EQ(1, list[1].index);
  EXPECT_EQ(L"", list[1].src);
  EXPECT_EQ(L"", list[1].dst);
  EXPECT_EQ(0, list[2].isFile);
  EXPECT_EQ(L"E:\\Games\\data", list[2].dst);

  for (const wchar_t* num : {L"0", L"-4", L"x"}) {
    FakeProfile none{{{L"Copy", L"Num"}, num}, {{L"Copy0", L"Src"}, L"a"}};
    EXPECT_TRUE(rundle::ReadCopyList(none.Reader()).empty());
  }
}

TEST(StartRules, HugeNumIsBounded) {
  FakeProfile profile{{{L"Copy", L"Num"}, L"2147483647"}, {{L"DefSoft", L"Num"}, L"99999999999"}};
  EXPECT_EQ(static_cast<size_t>(rundle::kMaxListEntries), rundle::ReadCopyList(profile.Reader()).size());
  const auto preloads = rundle::ReadPreloadList(profile.Reader(), 0);
  ASSERT_EQ(static_cast<size_t>(rundle::kMaxListEntries), preloads.size());
  EXPECT_EQ(rundle::kMaxListEntries - 1, preloads.back().index);
}

TEST(StartRules, LongStringValuesStopAt4095Characters) {
  const std::wstring huge(5000, L'q');
  FakeProfile profile{{{L"DefSoft", L"GameExe"}, huge}, {{L"DefSoft", L"RunOption"}, L"1" + huge}};
  const RunInfo info = rundle::ReadRunInfo(profile.Reader(), 0, false, false);
  EXPECT_EQ(huge.substr(0, 4095), info.gameExe);
  // The integer's text is cut to 31 characters: digits, then 30 'q'.
  EXPECT_EQ(1, info.runOption);
  // A reader that ignores the size still cannot hand back more than 4095.
  const ProfileReader careless = [&](const std::wstring&, const std::wstring&, size_t) { return huge; };
  EXPECT_EQ(4095u, rundle::ReadStringKey(careless, L"s", L"k").size());
}

TEST(StartRules, RunInfoKeyChoice) {
  const FakeProfile full{{{L"DefSoft", L"RunOption"}, L"1"},
                         {{L"DefSoft", L"BeforeExePath"}, L"b32"},
                         {{L"DefSoft", L"GameExe"}, L"g32.exe"},
                         {{L"DefSoft", L"Param"}, L"p32"},
                         {{L"DefSoft", L"BeforeExePath64"}, L"b64"},
                         {{L"DefSoft", L"GameExe64"}, L"g64.exe"},
                         {{L"DefSoft", L"Param64"}, L"p64"},
                         {{L"DefSoft", L"BeforeExePath64_Win10"}, L"b10"},
                         {{L"DefSoft", L"GameExe64_Win10"}, L"g10.exe"},
                         {{L"DefSoft", L"Param64_Win10"}, L"p10"}};
  const FakeProfile plainOnly{{{L"DefSoft", L"GameExe"}, L"g32.exe"}};
  const FakeProfile emptyWin10{{{L"DefSoft", L"BeforeExePath64_Win10"}, L"b10"},
                               {{L"DefSoft", L"GameExe64_Win10"}, L""},
                               {{L"DefSoft", L"Param64_Win10"}, L"p10"},
                               {{L"DefSoft", L"GameExe64"}, L"g64.exe"}};
  const struct {
    const char* name;
    const FakeProfile* profile;
    bool is64, win10;
    const wchar_t *before, *game, *param;
  } cases[] = {
      {"32-bit", &full, false, false, L"b32", L"g32.exe", L"p32"},
      {"32-bit reports win10", &full, false, true, L"b32", L"g32.exe", L"p32"},
      {"64-bit win7", &full, true, false, L"b64", L"g64.exe", L"p64"},
      {"64-bit win10", &full, true, true, L"b10", L"g10.exe", L"p10"},
      {"64-bit win7 plain keys only", &plainOnly, true, false, L"", L"", L""},
      {"64-bit win10 plain keys only", &plainOnly, true, true, L"", L"", L""},
      {"64-bit win10 empty GameExe64_Win10", &emptyWin10, true, true, L"", L"g64.exe", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProfile profile = *c.profile;
    const RunInfo info = rundle::ReadRunInfo(profile.Reader(), 0, c.is64, c.win10);
    EXPECT_EQ(c.before, info.beforePath);
    EXPECT_EQ(c.game, info.gameExe);
    EXPECT_EQ(c.param, info.param);
  }
  FakeProfile profile = full;
  EXPECT_EQ(1, rundle::ReadRunInfo(profile.Reader(), 0, false, false).runOption);
  const RunInfo none = rundle::ReadRunInfo(profile.Reader(), 9, false, false);
  EXPECT_EQ(0, none.runOption);
  EXPECT_EQ(L"", none.gameExe);
}

TEST(StartRules, RegistryTextGivesItsFirstField) {
  const struct {
    const wchar_t* text;
    int code;
  } cases[] = {{L"3,game,x", 3}, {L"1,", 1}, {L"7", 7}, {L",1", 0}, {L"abc,1", 0},
               {L" 2 ,1", 2},    {L"-9,a", -9}, {L"12x,3", 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.code, rundle::EnvCodeFromRegistryText(c.text));
  }
}

TEST(StartRules, ProductNameEvidence) {
  const struct {
    const wchar_t* name;
    int code;
  } cases[] = {
      {L"", 0},
      {L"Some Tool", 0},
      {L"Quillon Client", 3},
      {L"quillon client", 0},
      {L"Torrel Agent", 2},
      {L"\u7f51\u7ef4\u5927\u5e08", 1},
      {L"Tallowview.exe", 1},
      {L"tallowview.exe", 0},
      {L"Quillon \u7f51\u7ef4", 3},
      {L"Torrel \u7f51\u7ef4", 2},
      {L"Quillon Torrel", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.code, rundle::EnvCodeFromProductName(c.name));
  }
}

TEST(StartRules, VersionRuleUpgradesOnlyCodeOne) {
  const struct {
    int code;
    const wchar_t* version;
    int result;
  } cases[] = {
      {1, L"9.1.0.3", 4}, {1, L"9,2,0,1", 4}, {1, L"9.10.2", 4},   {1, L"9.1.2.0", 4},
      {1, L"9.0.5.1", 1}, {1, L"8.9.1.1", 1}, {1, L"9.1", 1},      {1, L"", 1},
      {1, L"10.1.0", 1},  {1, L"9.1,2,3", 4}, {1, L"9,1.2", 1},    {1, L" 9. 3.0", 4},
      {1, L"9.x.0", 1},   {2, L"9.1.0.3", 2}, {3, L"9.1.0.3", 3},  {0, L"9.1.0.3", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.result, rundle::ApplyVersionRule(c.code, c.version));
  }
}

}  // namespace
