// The verdict of the report (what is a problem, the exit code) and the
// report's text for the Rundle plan.
#include "report.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using cafecheck::CheckResults;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A complete installation with a Rundle plan: every check passed.
CheckResults Complete() {
  CheckResults r;
  r.tool_version = "1.0.0.1";
  r.time = "2026-12-10 18:00:00";
  r.folder = L"C:\\Games\\Velora";
  for (const char* name : {"Velora.exe", "Veyra.dll", "Rundle.exe"}) {
    cafecheck::ProgramInfo p;
    p.name = name;
    p.present = true;
    p.version = "1.0.0.1";
    r.programs.push_back(p);
  }
  r.cafe.library_present = r.cafe.library_loaded = r.cafe.token_accepted = r.cafe.asked = true;
  r.cafe.token = "0123456789ABCDEF0123456789ABCDEF";
  r.browser.found = r.browser.started = r.browser.stopped = true;
  r.browser.port = 9222;
  cafecheck::SkinFileResult skin;
  skin.file = "GameFrame.xml";
  skin.present = skin.parsed = skin.needed = true;
  r.skin.main_skin = "GameFrame.xml";
  r.skin.files.push_back(skin);

  cafecheck::RundleInfo& ru = r.rundle;
  ru.checked = ru.settings_present = true;
  ru.settings_path = L"C:\\Cafe\\Rundle.ini";
  CopyStep copy;
  copy.entry.index = 0;
  copy.entry.isFile = 1;
  copy.source = L"C:\\Cafe\\config\\a.cfg";
  copy.destination = L"C:\\Users\\u\\AppData\\Roaming\\Game\\a.cfg";
  ru.copies.push_back(copy);
  ru.copy_source_present.push_back(true);
  PreloadStep pre;
  pre.path = L"C:\\Cafe\\tools\\pre.exe";
  pre.commandLine = L"\"C:\\Cafe\\tools\\pre.exe\" --prepare";
  ru.plan.preloads.push_back(pre);
  ru.preload_present.push_back(true);
  GameStep game;
  game.named = true;
  game.info.gameExe = L"游戏.exe";
  game.fullPath = L"C:\\Cafe\\game\\游戏.exe";
  game.commandLine = L"C:\\Cafe\\game\\游戏.exe -mode windowed";
  game.directory = L"C:\\Cafe\\game";
  ru.plan.games.push_back(game);
  ru.game_present = true;
  return r;
}

TEST(CafeCheckReport, CompleteInstallExitsWithZero) {
  const CheckResults r = Complete();
  EXPECT_TRUE(cafecheck::FindProblems(r).empty());
  EXPECT_EQ(cafecheck::kExitComplete, cafecheck::ExitCodeFor(r));
  EXPECT_TRUE(Contains(cafecheck::FormatReport(r), "COMPLETE"));
}

// One fault at a time: exit code 1, and the report names the fault.
TEST(CafeCheckReport, EachMissingPieceMakesItIncomplete) {
  struct Case {
    const char* name;
    std::function<void(CheckResults&)> breakIt;
    const char* named;
  };
  const Case cases[] = {
      {"no Velora", [](CheckResults& r) { r.programs[0].present = false; }, "Velora.exe is missing"},
      {"Veyra does not load", [](CheckResults& r) { r.cafe.library_loaded = false; }, "Veyra.dll does not load"},
      {"export missing", [](CheckResults& r) { r.cafe.missing_exports = {"GetOVBarId"}; },
       "lacks the export GetOVBarId"},
      {"token refused", [](CheckResults& r) { r.cafe.token_accepted = false; }, "refuses this PC's handshake token"},
      {"no Chromium", [](CheckResults& r) { r.browser.found = false; }, "no browser engine"},
      {"Chromium does not start", [](CheckResults& r) { r.browser.started = false; }, "does not start"},
      {"skin control missing", [](CheckResults& r) { r.skin.files[0].missing = {"closebtn"}; },
       "GameFrame.xml lacks closebtn"},
      {"skin file broken", [](CheckResults& r) { r.skin.files[0].parsed = false; r.skin.files[0].error = "bad"; },
       "GameFrame.xml: bad"},
      {"settings missing", [](CheckResults& r) { r.rundle.settings_present = false; }, "Rundle.ini is missing"},
      {"copy source missing", [](CheckResults& r) { r.rundle.copy_source_present[0] = false; },
       "Copy0: source C:\\Cafe\\config\\a.cfg is missing"},
      {"copy destination unresolved", [](CheckResults& r) { r.rundle.copies[0].destination.clear(); },
       "Copy0: destination cannot be resolved"},
      {"preload missing", [](CheckResults& r) { r.rundle.preload_present[0] = false; }, "preload 0"},
      {"no game", [](CheckResults& r) { r.rundle.plan.games[0].named = false; }, "no game program configured"},
      {"game missing", [](CheckResults& r) { r.rundle.game_present = false; }, "游戏.exe is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CheckResults r = Complete();
    c.breakIt(r);
    const std::vector<std::string> problems = cafecheck::FindProblems(r);
    ASSERT_EQ(1u, problems.size());
    EXPECT_TRUE(Contains(problems[0], c.named)) << problems[0];
    EXPECT_EQ(cafecheck::kExitIncomplete, cafecheck::ExitCodeFor(r));
    EXPECT_TRUE(Contains(cafecheck::FormatReport(r), "- " + problems[0]));
  }
}

// What is not a fault: the cafe's answer itself, a Rundle that no settings
// file asks for, copies skipped on this Windows, an address opened as game.
TEST(CafeCheckReport, OrdinaryOutcomesAreNoProblems) {
  struct Case {
    const char* name;
    std::function<void(CheckResults&)> change;
  };
  const Case cases[] = {
      {"managed cafe", [](CheckResults& r) { r.cafe.answer = 1; }},
      {"Ombra environment", [](CheckResults& r) { r.cafe.answer = 2; }},
      {"no Rundle where none is used",
       [](CheckResults& r) {
         r.programs[2].present = false;
         r.programs[2].needed = false;
         r.rundle = cafecheck::RundleInfo();
       }},
      {"skipped copy", [](CheckResults& r) {
         r.rundle.copies[0].skipped = true;
         r.rundle.copy_source_present[0] = false;
       }},
      {"game is a web address", [](CheckResults& r) {
         r.rundle.plan.games[0].info.runOption = 3;
         r.rundle.game_present = false;
       }},
      {"program without version resource", [](CheckResults& r) { r.programs[0].version.clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CheckResults r = Complete();
    c.change(r);
    EXPECT_EQ(cafecheck::kExitComplete, cafecheck::ExitCodeFor(r));
  }
}

TEST(CafeCheckReport, RundlePlanText) {
  CheckResults r = Complete();
  r.rundle.plan.envCode = 3;
  r.rundle.plan.clientRunning = true;
  const std::string text = cafecheck::FormatReport(r);
  EXPECT_TRUE(Contains(text, "  environment: 3 (QuillonSoft)\r\n")) << text;
  EXPECT_TRUE(Contains(text, "  Copy0: file C:\\Cafe\\config\\a.cfg --> C:\\Users\\u\\AppData\\Roaming\\Game\\a.cfg\r\n"))
      << text;
  EXPECT_TRUE(Contains(text, "  preload 0: \"C:\\Cafe\\tools\\pre.exe\" --prepare\r\n")) << text;
  // The game's name arrives as UTF-8.
  EXPECT_TRUE(Contains(text, "  command line: C:\\Cafe\\game\\\xE6\xB8\xB8\xE6\x88\x8F.exe -mode windowed\r\n")) << text;
  EXPECT_TRUE(Contains(text, "  run option: 0 (process creation)\r\n")) << text;
}

TEST(CafeCheckReport, Utf8Conversion) {
  struct Case {
    std::wstring in;
    std::string out;
  };
  const Case cases[] = {
      {L"abc", "abc"},
      {L"\u00e9", "\xC3\xA9"},
      {L"\u7f51\u5427", "\xE7\xBD\x91\xE5\x90\xA7"},
      {std::wstring(1, static_cast<wchar_t>(0xD800)), "\xEF\xBF\xBD"},  // lone surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    EXPECT_EQ(c.out, cafecheck::ToUtf8(c.in));
  }
}

}  // namespace
