// The frame's start-up rules: process kind, command-line forms, the engine
// switches, the icon path and the game address.
#include "main/frame_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameRules, ProcessKindFromTypeSwitch) {
  EXPECT_EQ(kProcessMain, ProcessKindFromType(false, L""));
  EXPECT_EQ(kProcessRenderer, ProcessKindFromType(true, L"renderer"));
  EXPECT_EQ(kProcessOther, ProcessKindFromType(true, L"Renderer"));
  EXPECT_EQ(kProcessOther, ProcessKindFromType(true, L"gpu-process"));
  EXPECT_EQ(kProcessOther, ProcessKindFromType(true, L""));
}

TEST(FrameRules, CommandLineForms) {
  struct Case {
    const char* name;
    std::wstring commandLine;
    bool hasSettingsFile;
    std::wstring settingsPath;
    std::wstring launchArgument;
  } cases[] = {
      {"empty", L"", false, L"", L""},
      {"config and a path", L"config:D:\\game\\config\\abc.ini", true, L"D:\\game\\config\\abc.ini", L""},
      {"config alone", L"config:", true, L"", L""},
      {"nothing stripped", L"config: \"a b.ini\" ", true, L" \"a b.ini\" ", L""},
      {"capital C", L"Config:D:\\a.ini", false, L"", L"Config:D:\\a.ini"},
      {"blank before", L" config:D:\\a.ini", false, L"", L" config:D:\\a.ini"},
      {"shorter than config:", L"config", false, L"", L"config"},
      {"number", L"12345", false, L"", L"12345"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LaunchCommand command = ClassifyCommandLine(c.commandLine);
    EXPECT_EQ(c.hasSettingsFile, command.hasSettingsFile);
    EXPECT_EQ(c.settingsPath, command.settingsPath);
    EXPECT_EQ(c.launchArgument, command.launchArgument);
  }
}

TEST(FrameRules, BrowserProcessSwitchesInOrder) {
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"--enable-webgl", L"1"},
      {L"--ignore-gpu-blacklist", L"1"},
      {L"--allow-file-access-from-files", L"1"},
      {L"--always-authorize-plugins", L"(none)"},
      {L"--disable-breakpad", L"(none)"},
      {L"--disable-component-update", L"(none)"},
      {L"--enable-npapi", L"(none)"},
      {L"no-proxy-server", L"(none)"},
      {L"--renderer-process-limit", L"1"},
  };
  std::vector<std::pair<std::wstring, std::wstring>> actual;
  for (const EngineSwitch& s : BrowserProcessSwitches()) actual.emplace_back(s.name, s.value ? s.value : L"(none)");
  EXPECT_EQ(expected, actual);
}

TEST(FrameRules, IconPath) {
  struct Case {
    const char* name;
    std::wstring settingsPath;
    std::wstring expected;
  } cases[] = {
      {"subfolder and name of 14", L"D:\\game\\config\\abc.ini", L"D:\\game\\skin\\image\\game.ico"},
      {"10 characters used whole", L"D:\\abc.ini", L"D:\\abc.iniskin\\image\\game.ico"},
      {"exactly 14", L"D:\\x\\abcde.ini", L"skin\\image\\game.ico"},
      {"empty", L"", L"skin\\image\\game.ico"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, IconPathFor(c.settingsPath, L"game.ico"));
  }
}

TEST(FrameRules, GameAddress) {
  struct Case {
    const char* name;
    std::wstring homePage, argument, origin, expected;
  } cases[] = {
      {"no query yet", L"http://g.example/play", L"12345", L"7,abc",
       L"http://g.example/play?ovqd=wd_chrome_12345&cpqd=7,abc"},
      {"query already", L"http://g.example/play?a=1", L"12345", L"",
       L"http://g.example/play?a=1&ovqd=wd_chrome_12345&cpqd="},
      {"no home page", L"", L"", L"", L"?ovqd=wd_chrome_&cpqd="},
      {"nothing escaped", L"h", L"a b&c", L"\u4e2d", L"h?ovqd=wd_chrome_a b&c&cpqd=\u4e2d"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, GameAddress(c.homePage, c.argument, c.origin));
  }
}

TEST(FrameRules, OriginStopsAtTheFirstZero) {
  const wchar_t data[] = {L'a', L'b', 0, L'c', 0};
  EXPECT_EQ(L"ab", OriginFromValue(data, sizeof(data)));
  EXPECT_EQ(L"a", OriginFromValue(data, sizeof(wchar_t)));
  EXPECT_EQ(L"", OriginFromValue(data, 0));
}

}  // namespace
