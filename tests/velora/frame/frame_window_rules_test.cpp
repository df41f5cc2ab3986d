// The frame windows' rules: skin choice, the link row, link targets, the
// window geometry, the close flow, message-box centring and the cafe test's
// outcome.
#include "common/frame_window_rules.h"

#include <gtest/gtest.h>

namespace {

SkinConfigItem Item(const wchar_t* name, const wchar_t* value) {
  SkinConfigItem item;
  item.hasName = name != nullptr;
  if (name) item.name = name;
  if (value) item.value = value;
  return item;
}

TEST(FrameWindowRules, SkinChoiceFromConfig) {
  struct Case {
    const char* name;
    bool loaded;
    std::vector<SkinConfigItem> items;
    std::wstring file;
    bool vertical;
  } cases[] = {
      {"not loaded", false, {Item(L"game_type", L"2")}, L"GameFrame.xml", false},
      {"empty root", true, {}, L"GameFrame.xml", false},
      {"type 2, no bkg", true, {Item(L"game_type", L"2")}, L"GameFrameVertical-b.xml", true},
      {"type 2, bkg 1", true, {Item(L"game_type", L"2"), Item(L"bkg_type", L"1")}, L"GameFrameVertical-w.xml", true},
      {"type 2, bkg 0", true, {Item(L"game_type", L"2"), Item(L"bkg_type", L"0")}, L"GameFrameVertical-b.xml", true},
      {"bkg before type", true, {Item(L"bkg_type", L"1"), Item(L"game_type", L"2")}, L"GameFrameVertical-w.xml", true},
      {"capital names", true, {Item(L"GAME_TYPE", L"2"), Item(L"Bkg_Type", L"1")}, L"GameFrameVertical-w.xml", true},
      {"leading blank", true, {Item(L"game_type", L" 2")}, L"GameFrame.xml", false},
      {"leading zero", true, {Item(L"game_type", L"02")}, L"GameFrame.xml", false},
      {"trailing blank in bkg", true, {Item(L"game_type", L"2"), Item(L"bkg_type", L"1 ")}, L"GameFrameVertical-b.xml", true},
      {"type 1", true, {Item(L"game_type", L"1")}, L"GameFrame.xml", false},
      {"later wins (to 2)", true, {Item(L"game_type", L"1"), Item(L"game_type", L"2")}, L"GameFrameVertical-b.xml", true},
      {"later wins (from 2)", true, {Item(L"game_type", L"2"), Item(L"game_type", L"1")}, L"GameFrame.xml", false},
      {"no name skipped", true, {Item(L"game_type", L"2"), Item(nullptr, L"1")}, L"GameFrameVertical-b.xml", true},
      {"missing value is empty", true, {Item(L"game_type", L"2"), Item(L"game_type", nullptr)}, L"GameFrame.xml", false},
      {"prefix of a name", true, {Item(L"game_type_x", L"2")}, L"GameFrame.xml", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SkinChoice choice = ChooseSkin(c.loaded, c.items);
    EXPECT_EQ(c.file, choice.file);
    EXPECT_EQ(c.vertical, choice.vertical);
  }
}

TEST(FrameWindowRules, LinkRowHidesButtonsWithoutAnyTarget) {
  EXPECT_TRUE(LinkButtonHidden(L"", L""));
  EXPECT_FALSE(LinkButtonHidden(L"http://skin", L""));
  EXPECT_FALSE(LinkButtonHidden(L"", L"http://setting"));
  EXPECT_EQ(450, SeatWidth(0));
  EXPECT_EQ(559, SeatWidth(1));
  EXPECT_EQ(995, SeatWidth(5));
}

TEST(FrameWindowRules, LinkTargetOrder) {
  struct Case {
    const char* name;
    std::wstring setting;
    SkinText skin;
    std::wstring expected;
  } cases[] = {
      {"setting first", L"http://s", {true, L"http://k"}, L"http://s"},
      {"skin attribute", L"", {true, L"http://k"}, L"http://k"},
      {"skin attribute defined empty", L"", {true, L""}, L""},
      {"built-in page", L"", {false, L""}, L"http://built-in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, LinkTarget(c.setting, c.skin, L"http://built-in"));
  }
}

TEST(FrameWindowRules, PhoneTargetAndQrCode) {
  EXPECT_EQ(L"qrcode", PhoneTarget(L"qrcode", L""));
  EXPECT_EQ(L"http://phone", PhoneTarget(L"qrcode", L"http://phone"));
  EXPECT_EQ(L"", PhoneTarget(L"", L""));
  EXPECT_TRUE(IsQrCodeTarget(L"qrcode"));
  EXPECT_FALSE(IsQrCodeTarget(L"QRCODE"));
  EXPECT_FALSE(IsQrCodeTarget(L"qrcode "));
}

TEST(FrameWindowRules, RotateExtendAndQrPosition) {
  const WindowSize rotated = RotatedSize({800, 600});
  EXPECT_EQ(658, rotated.width);
  EXPECT_EQ(742, rotated.height);
  const WindowSize back = RotatedSize(rotated);
  EXPECT_EQ(800, back.width);
  EXPECT_EQ(600, back.height);

  const WindowSize wide = ExtendedSize({420, 760}, true);
  EXPECT_EQ(520, wide.width);
  EXPECT_EQ(760, wide.height);
  EXPECT_EQ(420, ExtendedSize(wide, false).width);

  const ScreenPoint qr = QrFramePosition(100, 50, 900, 40);
  EXPECT_EQ(825, qr.x);
  EXPECT_EQ(110, qr.y);
}

TEST(FrameWindowRules, MessageBoxCentring) {
  struct Case {
    const char* name;
    ScreenRect work;
    ScreenRect window;
    int x, y;
  } cases[] = {
      {"task bar on the left", {100, 0, 1920, 1040}, {0, 0, 400, 200}, 810, 420},
      {"second monitor", {1920, 0, 3840, 1080}, {0, 0, 400, 200}, 2680, 440},
      {"taller than the work area", {0, 0, 1920, 1040}, {0, 0, 400, 1200}, 760, 0},
      {"wider than the work area", {100, 0, 500, 1040}, {0, 0, 600, 200}, 100, 420},
      {"odd sizes round toward zero", {0, 0, 1001, 801}, {0, 0, 301, 201}, 350, 300},
      {"monitor left of the primary", {-1280, 0, 0, 1024}, {0, 0, 400, 200}, -840, 412},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScreenPoint p = CentreOnWorkArea(c.work, c.window);
    EXPECT_EQ(c.x, p.x);
    EXPECT_EQ(c.y, p.y);
  }
}

TEST(FrameWindowRules, CloseFlowSteps) {
  // Without the page close code: the first click tests, every later one closes.
  bool asked = false;
  EXPECT_EQ(CloseStep::kRunCafeTest, NextCloseStep(false, &asked));
  EXPECT_TRUE(asked);
  EXPECT_EQ(CloseStep::kCloseNow, NextCloseStep(false, &asked));
  EXPECT_EQ(CloseStep::kCloseNow, NextCloseStep(false, &asked));

  // With it: every click asks the page, and the first click is never noted.
  bool pageAsked = false;
  EXPECT_EQ(CloseStep::kAskPage, NextCloseStep(true, &pageAsked));
  EXPECT_EQ(CloseStep::kAskPage, NextCloseStep(true, &pageAsked));
  EXPECT_FALSE(pageAsked);

  EXPECT_EQ(CafeFollowUp::kAskPageForCloseUrl, AfterCafeTest(true));
  EXPECT_EQ(CafeFollowUp::kAskUser, AfterCafeTest(false));
  EXPECT_TRUE(BoxAccepted(1));
  EXPECT_FALSE(BoxAccepted(0));
  EXPECT_FALSE(BoxAccepted(2));
}

TEST(FrameWindowRules, CloseDialogsNestOnlySoDeep) {
  EXPECT_TRUE(MayOpenCloseDialog(0));
  EXPECT_TRUE(MayOpenCloseDialog(1));  // a second request opens a second dialog
  EXPECT_TRUE(MayOpenCloseDialog(kMaxOpenCloseDialogs - 1));
  EXPECT_FALSE(MayOpenCloseDialog(kMaxOpenCloseDialogs));
}

TEST(FrameWindowRules, MenuClickLines) {
  EXPECT_STREQ(L"CMainWnd on menu clicked : remove_icon", MenuClickLogLine(L"REMOVE_ICON"));
  EXPECT_STREQ(L"CMainWnd on menu clicked : remove_icon", MenuClickLogLine(L"remove_icon"));
  EXPECT_STREQ(L"CMainWnd on menu clicked : game_path", MenuClickLogLine(L"Game_Path"));
  EXPECT_EQ(nullptr, MenuClickLogLine(L"remove_icon2"));
  EXPECT_EQ(nullptr, MenuClickLogLine(L""));
}

TEST(FrameWindowRules, CafeTestOutcomes) {
  const std::string answer0 = "\xCD\xF8\xB0\xC9\xBB\xB7\xBE\xB3 = 0 \n";
  const std::string answer1 = "\xCD\xF8\xB0\xC9\xBB\xB7\xBE\xB3 = 1 \n";
  const std::string answer2 = "\xCD\xF8\xB0\xC9\xBB\xB7\xBE\xB3 = 2 \n";
  struct Case {
    const char* name;
    bool loaded, exports;
    int code;
    bool inCafe, keep;
    std::vector<std::string> lines;
  } cases[] = {
      {"library missing", false, false, 0, false, false, {"start!", "LoadDll failed!"}},
      {"export missing", true, false, 0, false, true, {"start!", "GetProcAddress failed!"}},
      {"not a cafe", true, true, 0, false, false, {"start!", answer0, "end!"}},
      {"managed cafe", true, true, 1, true, true, {"start!", answer1}},
      {"other environment", true, true, 2, false, false, {"start!", answer2, "end!"}},
      {"unknown answer", true, true, -7, false, false, {"start!", "\xCD\xF8\xB0\xC9\xBB\xB7\xBE\xB3 = -7 \n", "end!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CafeTestReport report = CafeTestOutcome(c.loaded, c.exports, c.code);
    EXPECT_EQ(c.inCafe, report.inCafe);
    EXPECT_EQ(c.keep, report.keepLibrary);
    EXPECT_EQ(c.lines, report.lines);
  }
}

}  // namespace
