// The engine's plain rules: command lines, the bridge script and its
// payloads, input parameters, network error names, off-screen dirty
// rectangles, cursors and the context menu.
#include <gtest/gtest.h>
#include <json/reader.h>

#include <cmath>

#include "bridge_rules.h"
#include "command_line_rules.h"
#include "input_rules.h"
#include "navigation_rules.h"
#include "net_error_rules.h"
#include "page_watch_rules.h"
#include "paint_rules.h"

using namespace velora_engine;

TEST(CommandLineRules, SplitFollowsTheWindowsRules) {
  struct Case {
    const wchar_t* line;
    std::vector<std::wstring> argv;
  } cases[] = {
      {L"a.exe", {L"a.exe"}},
      {L"  a.exe   x  ", {L"a.exe", L"x"}},
      {L"\"C:\\Program Files\\a.exe\" --x=1", {L"C:\\Program Files\\a.exe", L"--x=1"}},
      {L"a.exe \"b c\" d", {L"a.exe", L"b c", L"d"}},
      {L"a.exe C:\\dir\\ x", {L"a.exe", L"C:\\dir\\", L"x"}},
      {L"a.exe \"C:\\dir\\\\\" x", {L"a.exe", L"C:\\dir\\", L"x"}},
      {L"a.exe a\\\"b", {L"a.exe", L"a\"b"}},
      {L"a.exe \"\"", {L"a.exe", L""}},
      {L"a.exe --url=\"http://x/?a=1&b=2\"", {L"a.exe", L"--url=http://x/?a=1&b=2"}},
      {L"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line: " << std::string(c.line, c.line + wcslen(c.line)));
    EXPECT_EQ(SplitCommandLine(c.line), c.argv);
  }
}

TEST(CommandLineRules, QuotedArgumentsSplitBackUnchanged) {
  const std::wstring args[] = {L"plain", L"b c", L"", L"a\"b", L"C:\\dir\\", L"C:\\my dir\\",
                               L"\\\\server\\share", L"tab\there", L"\u6e38\u620f \u76ee\u5f55"};
  for (const auto& a : args) {
    const std::wstring line = L"p.exe " + QuoteArgument(a);
    const auto argv = SplitCommandLine(line);
    ASSERT_EQ(argv.size(), 2u);
    EXPECT_EQ(argv[1], a);
  }
}

TEST(CommandLineRules, SwitchesAreStoredUnderTheirBareName) {
  CommandLineModel m = ParseArgv({L"p.exe", L"--Type=renderer", L"-lang=zh-CN", L"/flag",
                                  L"page.html", L"--", L"--not-a-switch"});
  EXPECT_EQ(m.program, L"p.exe");
  EXPECT_EQ(m.GetSwitchValue(L"type"), L"renderer");
  EXPECT_TRUE(m.HasSwitch(L"--lang"));
  EXPECT_TRUE(m.HasSwitch(L"flag"));
  EXPECT_EQ(m.arguments, (std::vector<std::wstring>{L"page.html", L"--not-a-switch"}));

  m.SetSwitch(L"--enable-webgl", L"1");
  m.SetSwitch(L"no-proxy-server", L"");
  m.SetSwitch(L"--renderer-process-limit", L"1");
  m.SetSwitch(L"renderer-process-limit", L"2");  // replaces, keeps its place
  ASSERT_EQ(m.switches.size(), 6u);
  EXPECT_EQ(m.switches[3].first, L"enable-webgl");
  EXPECT_EQ(m.switches[4].first, L"no-proxy-server");
  EXPECT_EQ(m.switches[5], (std::pair<std::wstring, std::wstring>{L"renderer-process-limit", L"2"}));
}

TEST(CommandLineRules, FormattedLinesParseBackToTheSameModel) {
  CommandLineModel m;
  m.program = L"C:\\Game Frame\\Velora.exe";
  m.SetSwitch(L"type", L"renderer");
  m.SetSwitch(L"velora-channel", L"a b");
  m.SetSwitch(L"flag", L"");
  m.arguments = {L"x y", L"-dash"};
  const std::wstring line = FormatCommandLine(m);
  const CommandLineModel back = ParseArgv(SplitCommandLine(line));
  EXPECT_EQ(back.program, m.program);
  EXPECT_EQ(back.switches, m.switches);
  EXPECT_EQ(back.arguments, m.arguments);
}

TEST(CommandLineRules, OnlySwitchesChromiumStillKnowsAreHandedOn) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    const wchar_t* chromium;  // null: stays with the engine
  } cases[] = {
      {L"allow-file-access-from-files", L"1", L"--allow-file-access-from-files=1"},
      {L"ignore-gpu-blacklist", L"1", L"--ignore-gpu-blocklist=1"},
      {L"no-proxy-server", L"", L"--no-proxy-server"},
      {L"renderer-process-limit", L"1", L"--renderer-process-limit=1"},
      {L"enable-npapi", L"", nullptr},
      {L"always-authorize-plugins", L"", nullptr},
      {L"type", L"renderer", nullptr},
      {L"remote-debugging-port", L"9222", nullptr},
      {L"user-data-dir", L"x", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    std::wstring out;
    EXPECT_EQ(ChromiumSwitchFor(c.name, c.value, &out), c.chromium != nullptr);
    if (c.chromium) {
      EXPECT_EQ(out, c.chromium);
    }
  }
}

TEST(BridgeRules, CallPayloadsKeepEveryKind) {
  BridgeCall call;
  std::string error;
  ASSERT_TRUE(ParseBridgeCall(
      R"({"n":"openAdUrl","a":[{"t":"s","v":"x"},{"t":"i","v":5},{"t":"b","v":true},)"
      R"({"t":"d","v":1.5},{"t":"n"},{"t":"o","v":{}},{"t":"u"},{"t":"ui","v":4294967295},)"
      R"({"t":"a","v":[{"t":"i","v":1}]},{"t":"f","v":"cb"},{"t":"dn","v":"NaN"},{"t":"dt","v":0}]})",
      &call, &error))
      << error;
  EXPECT_EQ(call.name, "openAdUrl");
  using K = BridgeArg::Kind;
  const K kinds[] = {K::kString, K::kInt, K::kBool, K::kDouble, K::kNull, K::kObject,
                     K::kUndefined, K::kUInt, K::kArray, K::kFunction, K::kDouble, K::kDate};
  ASSERT_EQ(call.args.size(), std::size(kinds));
  for (size_t i = 0; i < call.args.size(); ++i) EXPECT_EQ(call.args[i].kind, kinds[i]) << i;
  EXPECT_EQ(call.args[0].text, "x");
  EXPECT_EQ(call.args[1].number, 5);
  EXPECT_TRUE(call.args[2].bool_value);
  EXPECT_EQ(call.args[7].number, 4294967295.0);
  EXPECT_TRUE(std::isnan(call.args[10].number));

  // The channel form carries the same call to the renderer unchanged.
  std::vector<BridgeArg> back;
  ASSERT_TRUE(BridgeArgsFromJson(BridgeArgsToJson(call.args), &back));
  ASSERT_EQ(back.size(), call.args.size());
  for (size_t i = 0; i < back.size(); ++i) EXPECT_EQ(back[i].kind, call.args[i].kind) << i;
  EXPECT_EQ(back[8].items.size(), 1u);
}

TEST(BridgeRules, PayloadsAPageForgesAreRefused) {
  const char* bad[] = {
      "", "not json", "[]", R"({"n":1,"a":[]})", R"({"n":"x"})", R"({"n":"x","a":[1]})",
      R"({"n":"x","a":[{"t":"i","v":1.5}]})", R"({"n":"x","a":[{"t":"i","v":3000000000}]})",
      R"({"n":"x","a":[{"t":"b","v":"yes"}]})", R"({"n":"x","a":[{"t":"zz"}]})",
      R"({"n":"x","a":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[{"t":"a","v":[]}]}]}]}]}]}]}]}]}]}]})",
  };
  for (const char* p : bad) {
    SCOPED_TRACE(p);
    BridgeCall call;
    std::string error;
    EXPECT_FALSE(ParseBridgeCall(p, &call, &error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(BridgeRules, ScriptDefinesEachPropertyByKindWithSafeNames) {
  std::vector<BridgeProperty> props(3);
  props[0].name = "close";
  props[0].kind = BridgeProperty::Kind::kFunction;
  props[1].name = "external";
  props[1].kind = BridgeProperty::Kind::kGlobalAlias;
  props[2].name = "odd\"name</script>";
  props[2].kind = BridgeProperty::Kind::kValue;
  props[2].value = 7;
  const std::string js = BuildBridgeScript(props);
  EXPECT_NE(js.find("g[\"close\"]=m(\"close\")"), std::string::npos);
  EXPECT_NE(js.find("g[\"external\"]=g"), std::string::npos);
  EXPECT_NE(js.find("g[\"odd\\\"name</script>\"]=7"), std::string::npos);

  const auto back = BridgePropertiesFromJson(BridgePropertiesToJson(props));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[1].kind, BridgeProperty::Kind::kGlobalAlias);
  EXPECT_EQ(back[2].value.asInt(), 7);
}

TEST(InputRules, MouseAndKeyParameters) {
  MouseInput click;
  click.type = MouseInput::Type::kPress;
  click.button = MouseInput::Button::kLeft;
  click.x = 10;
  click.y = 20;
  click.buttons = kButtonsLeft;
  click.modifiers = kModShift | kModCtrl;
  Json::Value p = MouseEventParams(click);
  EXPECT_EQ(p["type"].asString(), "mousePressed");
  EXPECT_EQ(p["button"].asString(), "left");
  EXPECT_EQ(p["clickCount"].asInt(), 1);
  EXPECT_EQ(p["modifiers"].asInt(), 10);
  EXPECT_EQ(WheelDeltaToPixels(120), -100.0);

  KeyInput key;
  key.virtual_key = 0x0D;
  EXPECT_EQ(KeyEventParams(key)["key"].asString(), "Enter");
  key.virtual_key = 'A';
  EXPECT_EQ(KeyEventParams(key)["key"].asString(), "a");
  EXPECT_EQ(KeyEventParams(key)["code"].asString(), "KeyA");
  key.modifiers = kModShift;
  EXPECT_EQ(KeyEventParams(key)["key"].asString(), "A");
}

TEST(InputRules, CharactersBecomeKeyEventsOrInsertedText) {
  std::string method;
  Json::Value params;
  ASSERT_TRUE(CharEventFor(U'a', 0, &method, &params));
  EXPECT_EQ(method, "Input.dispatchKeyEvent");
  EXPECT_EQ(params["text"].asString(), "a");
  ASSERT_TRUE(CharEventFor(U'\u4e2d', 0, &method, &params));
  EXPECT_EQ(method, "Input.insertText");
  EXPECT_EQ(params["text"].asString(), "\xe4\xb8\xad");
  ASSERT_TRUE(CharEventFor(U'\U0001F600', 0, &method, &params));
  EXPECT_EQ(params["text"].asString(), "\xf0\x9f\x98\x80");
  EXPECT_FALSE(CharEventFor(0x08, 0, &method, &params));   // Backspace: its key event does it
  EXPECT_FALSE(CharEventFor(0xD800, 0, &method, &params)); // a lone surrogate
  EXPECT_EQ(Utf16ToUtf8(L"\u4e2d\u6587"), "\xe4\xb8\xad\xe6\x96\x87");
}

TEST(NetErrorRules, NamesAndCodes) {
  struct Case {
    const char* text;
    int code;
  } cases[] = {
      {"net::ERR_CONNECTION_REFUSED", -102}, {"ERR_NAME_NOT_RESOLVED", -105},
      {"net::ERR_ABORTED", -3}, {"net::ERR_FILE_NOT_FOUND", -6},
      {"net::ERR_UNKNOWN_URL_SCHEME", -302}, {"net::ERR_SOMETHING_NEW", -2}, {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NetErrorCodeFromText(c.text), c.code);
  }
  EXPECT_EQ(NetErrorTextFromCode(-102), "net::ERR_CONNECTION_REFUSED");
  EXPECT_EQ(NetErrorTextFromCode(12345), "net::ERR_FAILED");
}

TEST(NetErrorRules, RendererExitCodesGiveTerminationStatus) {
  const struct { unsigned long code; int status; } cases[] = {
      {0xC0000005UL, 2},  // access violation
      {0xC00000FDUL, 2},  // stack overflow
      {0xC0000017UL, 3},  // no memory
      {0xE0000008UL, 3},  // the engine's own out-of-memory code
      {1, 1},             // TerminateProcess from a task manager
      {0, 0},             // ended by itself while its pages lived
      {259, 0},
      {0xBFFFFFFFUL, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(TerminationStatusFromExitCode(c.code), c.status);
  }
}

TEST(NavigationRules, PopupDispositionFromFeaturesAndTheClick) {
  const RecentClick none;
  auto click = [](int button, bool ctrl, bool shift, bool recent = true) {
    RecentClick c;
    c.button = button;
    c.ctrl = ctrl;
    c.shift = shift;
    c.recent = recent;
    return c;
  };
  const struct {
    const char* name;
    std::vector<std::string> features;
    RecentClick click;
    int expected;
  } cases[] = {
      {"target=_blank link", {"menubar", "toolbar", "status", "scrollbars", "resizable", "noopener"},
       click(1, false, false), kDispositionNewForegroundTab},
      {"window.open without features", {"menubar", "toolbar", "status", "scrollbars", "resizable"}, none,
       kDispositionNewForegroundTab},
      {"window.open with a size", {"width=300", "height=200", "resizable"}, none, kDispositionNewPopup},
      {"all bars but no menu bar", {"toolbar", "status", "scrollbars", "resizable"}, none, kDispositionNewPopup},
      {"nothing reported", {}, none, kDispositionNewForegroundTab},
      {"only noopener is no popup", {"noopener", " NoReferrer "}, none, kDispositionNewForegroundTab},
      {"middle click", {}, click(2, false, false), kDispositionNewBackgroundTab},
      {"ctrl+click", {}, click(1, true, false), kDispositionNewBackgroundTab},
      {"ctrl+shift+click", {}, click(1, true, true), kDispositionNewForegroundTab},
      {"shift+click", {}, click(1, false, true), kDispositionNewWindow},
      {"an old middle click counts for nothing", {"width=1"}, click(2, false, false, false), kDispositionNewPopup},
      {"right click is no modifier", {}, click(3, false, true), kDispositionNewForegroundTab},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PopupDisposition(c.features, c.click), c.expected);
  }
}

TEST(NavigationRules, PopupGeometryAndSchemes) {
  const PopupGeometry g = PopupGeometryFrom({"left=10", "TOP = 20", "width=300", "height=-5", "screenY=7", "x=abc"});
  EXPECT_TRUE(g.x_set);
  EXPECT_EQ(g.x, 10);
  EXPECT_TRUE(g.y_set);
  EXPECT_EQ(g.y, 7);  // the last one given
  EXPECT_TRUE(g.width_set);
  EXPECT_EQ(g.width, 300);
  EXPECT_FALSE(g.height_set);

  const struct { const char* url; const char* scheme; bool loaded; } cases[] = {
      {"HTTPS://a.example/", "https", true}, {"mailto:a@b.c", "mailto", false},
      {"myapp://x", "myapp", false},         {"tencent://message/?uin=1", "tencent", false},
      {"file:///C:/a.html", "file", true},   {"about:blank", "about", true},
      {"a/b:c", "", false},                  {":x", "", false},
      {"", "", false},                       {"web+coffee:1", "web+coffee", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlScheme(c.url), c.scheme);
    EXPECT_EQ(ChromiumLoadsScheme(UrlScheme(c.url)), c.loaded);
  }
}

namespace {

// A w x h view filled with one colour, with rectangles painted over it.
std::vector<uint32_t> View(int w, int h, std::vector<PaintRect> painted = {}, uint32_t colour = 0xFF112233) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h, 0xFFFFFFFF);
  for (const PaintRect& r : painted)
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x) px[static_cast<size_t>(y) * w + x] = colour;
  return px;
}

}  // namespace

TEST(PaintRules, ChangedPixelsGiveTileRectanglesShrunkToTheChange) {
  const struct {
    const char* name;
    int w, h;
    std::vector<PaintRect> changed;
    std::vector<PaintRect> expected;
  } cases[] = {
      {"nothing changed", 100, 100, {}, {}},
      {"a square inside one tile", 100, 100, {{40, 40, 10, 10}}, {{40, 40, 10, 10}}},
      {"one pixel", 100, 100, {{99, 99, 1, 1}}, {{99, 99, 1, 1}}},
      {"a square across four tiles", 100, 100, {{28, 28, 10, 10}},
       {{28, 28, 4, 4}, {32, 28, 6, 4}, {28, 32, 4, 6}, {32, 32, 6, 6}}},
      {"the ragged last tile column and row", 70, 50, {{64, 32, 6, 18}}, {{64, 32, 6, 18}}},
      {"two spots in one tile give their box", 64, 64, {{1, 2, 1, 1}, {20, 30, 1, 1}}, {{1, 2, 20, 29}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint32_t> before = View(c.w, c.h), after = View(c.w, c.h, c.changed);
    EXPECT_EQ(ChangedRects(before.data(), after.data(), c.w, c.h), c.expected);
  }
}

TEST(PaintRules, ManyRectanglesBecomeOneBoxAndNewSizesAWholeFrame) {
  // 3 x 3 pixels changed in every tile of a 320 x 320 view: 100 tiles.
  std::vector<PaintRect> spots;
  for (int y = 0; y < 320; y += 32)
    for (int x = 0; x < 320; x += 32) spots.push_back({x + 5, y + 6, 3, 3});
  const std::vector<uint32_t> before = View(320, 320), after = View(320, 320, spots);
  EXPECT_EQ(ChangedRects(before.data(), after.data(), 320, 320, 32, 200).size(), 100u);
  const std::vector<PaintRect> boxed = ChangedRects(before.data(), after.data(), 320, 320);
  ASSERT_EQ(boxed.size(), 1u);
  EXPECT_EQ(boxed[0], (PaintRect{5, 6, 32 * 9 + 3, 32 * 9 + 3}));

  // First frame, a new size, and unchanged frames.
  const std::vector<uint32_t> small = View(10, 8);
  EXPECT_EQ(FrameDirtyRects(nullptr, 0, 0, after.data(), 320, 320), (std::vector<PaintRect>{{0, 0, 320, 320}}));
  EXPECT_EQ(FrameDirtyRects(small.data(), 10, 8, after.data(), 320, 320), (std::vector<PaintRect>{{0, 0, 320, 320}}));
  EXPECT_TRUE(FrameDirtyRects(after.data(), 320, 320, after.data(), 320, 320).empty());
  EXPECT_TRUE(FrameDirtyRects(small.data(), 10, 8, nullptr, 0, 0).empty());
  EXPECT_EQ(CoveredPixels({{0, 0, 10, 10}, {20, 20, 3, 4}}), 112u);
}

TEST(PaintRules, BackgroundColourOfWindowedAndWindowlessPages) {
  const struct {
    uint32_t browser, engine;
    bool windowless;
    uint32_t expected;
  } cases[] = {
      {0, 0xFFEEEEEE, false, 0xFFEEEEEE}, {0xFF102030, 0xFFEEEEEE, false, 0xFF102030},
      {0, 0, false, 0xFFFFFFFF},          {0x80102030, 0, false, 0xFFFFFFFF},
      {0, 0xFFEEEEEE, true, 0},           {0xFF102030, 0xFFEEEEEE, true, 0xFF102030},
      {0x80102030, 0, true, 0xFF102030},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(BackgroundColorFor(cases[i].browser, cases[i].engine, cases[i].windowless), cases[i].expected);
  }
}

TEST(InputRules, EventFlagsKeepWhatDevToolsCarries) {
  const struct {
    uint32_t flags;
    int modifiers, buttons;
    bool caps;
  } cases[] = {
      {0, 0, 0, false},
      {1 << 1, kModShift, 0, false},                                  // Shift
      {(1 << 2) | (1 << 3), kModCtrl | kModAlt, 0, false},            // Ctrl, Alt
      {1 << 7, kModMeta, 0, false},                                   // Command
      {(1 << 0) | (1 << 8), 0, 0, true},                              // caps and num lock
      {(1 << 4) | (1 << 6), 0, kButtonsLeft | kButtonsRight, false},  // left, right
      {1 << 5, 0, kButtonsMiddle, false},
      {0xFFFFFFFFu, kModAlt | kModCtrl | kModMeta | kModShift, kButtonsLeft | kButtonsRight | kButtonsMiddle, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.flags);
    EXPECT_EQ(ModifiersFromEventFlags(c.flags), c.modifiers);
    EXPECT_EQ(ButtonsFromEventFlags(c.flags), c.buttons);
    EXPECT_EQ(CapsLockFromEventFlags(c.flags), c.caps);
  }
  // Caps lock and Shift decide a letter's case together.
  KeyInput key;
  key.virtual_key = 'Q';
  key.caps_lock = true;
  EXPECT_EQ(KeyEventParams(key)["key"].asString(), "Q");
  key.modifiers = kModShift;
  EXPECT_EQ(KeyEventParams(key)["key"].asString(), "q");
  key.virtual_key = 0x67;  // VK_NUMPAD7
  EXPECT_EQ(KeyEventParams(key)["key"].asString(), "7");
  EXPECT_EQ(KeyEventParams(key)["code"].asString(), "Numpad7");
  EXPECT_EQ(KeyEventParams(key)["location"].asInt(), 3);
  // Leaving the view is a move to no point of it.
  MouseInput leave;
  leave.type = MouseInput::Type::kLeave;
  leave.x = 20;
  leave.buttons = kButtonsLeft;
  const Json::Value p = MouseEventParams(leave);
  EXPECT_EQ(p["type"].asString(), "mouseMoved");
  EXPECT_LT(p["x"].asInt(), 0);
  EXPECT_LT(p["y"].asInt(), 0);
  EXPECT_EQ(p["buttons"].asInt(), 0);
}

TEST(PageWatchRules, CursorKeywords) {
  const struct {
    const char* css;
    int type, idc;
  } cases[] = {
      {"default", 0, 32512}, {"pointer", 2, 32649}, {"text", 3, 32513},  {"wait", 4, 32514},
      {"ew-resize", 15, 32644}, {"not-allowed", 38, 32648}, {"none", 37, 0}, {"no-such-cursor", 0, 32512},
      {"", 0, 32512},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.css);
    EXPECT_EQ(CursorForCss(c.css).type, c.type);
    EXPECT_EQ(CursorForCss(c.css).system_cursor, c.idc);
  }
}

TEST(PageWatchRules, ContextFlagsAndTheDefaultMenu) {
  const auto report = [](const char* json) {
    Json::Value v;
    Json::Reader().parse(json, v);
    return MenuContextFromReport(v);
  };
  const auto ids = [](const std::vector<MenuItem>& items) {
    std::vector<int> out;
    for (const auto& i : items) out.push_back(i.command_id);
    return out;
  };
  const struct {
    const char* name;
    const char* json;
    int type_flags, edit_flags;
    std::vector<int> menu;
  } cases[] = {
      {"plain text", R"({"x":5,"y":6,"page":"file:///a.html"})", 1, 64, {100, 101, -1, 131, 132}},
      {"a selection", R"({"page":"file:///a.html","sel":"hello"})", 1 | 16, 8 | 64, {113}},
      {"a link", R"({"page":"file:///a.html","link":"http://x/"})", 1 | 4, 64, {100, 101, -1, 131, 132}},
      {"an image", R"({"page":"file:///a.html","media":"img","src":"a.png"})", 1 | 8, 64, {100, 101, -1, 131, 132}},
      {"an empty input", R"({"page":"p","editable":true})", 1 | 32, 16,
       {110, 111, -1, 112, 113, 114, 115, -1, 116}},
      {"an input with a selection", R"({"page":"p","editable":true,"hasText":true,"sel":"ab","undo":true})",
       1 | 16 | 32, 1 | 4 | 8 | 16 | 32 | 64, {110, 111, -1, 112, 113, 114, 115, -1, 116}},
      {"not an object", "[1]", 0, 64, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MenuContext ctx = report(c.json);
    EXPECT_EQ(MenuTypeFlags(ctx), c.type_flags);
    EXPECT_EQ(MenuEditFlags(ctx), c.edit_flags);
    EXPECT_EQ(ids(DefaultMenu(ctx, false, false)), c.menu);
  }
  // What the field allows is what is enabled; Back follows the history.
  const std::vector<MenuItem> edit = DefaultMenu(report(R"({"page":"p","editable":true})"), false, false);
  for (const auto& i : edit) {
    SCOPED_TRACE(i.command_id);
    if (i.command_id >= 0) {
      EXPECT_EQ(i.enabled, i.command_id == 114);
    }
  }
  EXPECT_TRUE(DefaultMenu(report(R"({"page":"p"})"), true, false)[0].enabled);
  EXPECT_FALSE(DefaultMenu(report(R"({"page":"p"})"), true, false)[1].enabled);
  EXPECT_EQ(report(R"({"x":5,"y":6})").x, 5);
}

TEST(InputRules, DropsFromOtherPrograms) {
  const struct {
    uint32_t effects;
    int operations;
    uint32_t effect;
  } cases[] = {
      {0, 0, 0}, {1, 1, 1}, {2, 16, 2}, {4, 2, 4}, {1 | 2 | 4, 1 | 2 | 16, 1}, {2 | 4, 2 | 16, 4},
      {0x80000000u, 0, 0},  // DROPEFFECT_SCROLL alone offers nothing to drop
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.effects);
    EXPECT_EQ(DragOperationsFromDropEffects(c.effects), c.operations);
    EXPECT_EQ(DropEffectFor(c.operations), c.effect);
  }
  EXPECT_EQ(UnixPathOnRootDrive(L"Z:\\tmp\\a b.txt"), "/tmp/a b.txt");
  EXPECT_EQ(UnixPathOnRootDrive(L"z:/tmp/x"), "/tmp/x");
  EXPECT_EQ(UnixPathOnRootDrive(L"Z:\\\u6e38\u620f.txt"), "/\xe6\xb8\xb8\xe6\x88\x8f.txt");
  EXPECT_EQ(UnixPathOnRootDrive(L"C:\\users\\a.txt"), "");
  EXPECT_EQ(UnixPathOnRootDrive(L"Z:"), "");
  EXPECT_EQ(UnixPathOnRootDrive(L"\\\\server\\share\\a"), "");

  DragPayload payload;
  payload.files = {"/tmp/a.txt"};
  payload.text = "words";
  const Json::Value p = DragEventParams("drop", 5, 6, kModShift, 1 | 16, payload);
  EXPECT_EQ(p["type"].asString(), "drop");
  EXPECT_EQ(p["x"].asInt(), 5);
  EXPECT_EQ(p["modifiers"].asInt(), kModShift);
  EXPECT_EQ(p["data"]["dragOperationsMask"].asInt(), 17);
  EXPECT_EQ(p["data"]["files"][0].asString(), "/tmp/a.txt");
  ASSERT_EQ(p["data"]["items"].size(), 1u);
  EXPECT_EQ(p["data"]["items"][0]["mimeType"].asString(), "text/plain");
  EXPECT_EQ(p["data"]["items"][0]["data"].asString(), "words");
  EXPECT_FALSE(DragEventParams("dragOver", 0, 0, 0, 1, DragPayload())["data"].isMember("files"));
}

TEST(PaintRules, SelectListPlacementAndRows) {
  struct Case {
    const char* name;
    PaintRect element;
    int rows;
    int view_w, view_h;
    PaintRect want;
  } cases[] = {
      {"below the element", {10, 10, 100, 20}, 3, 320, 200, {10, 30, 100, 62}},
      {"at least 60 wide", {10, 10, 30, 20}, 1, 320, 200, {10, 30, 60, 22}},
      {"twelve rows at most", {0, 0, 100, 20}, 40, 320, 400, {0, 20, 100, 242}},
      {"above when it fits only there", {10, 170, 100, 20}, 3, 320, 200, {10, 108, 100, 62}},
      {"kept inside when it fits neither way", {10, 60, 100, 20}, 12, 320, 200, {10, 0, 100, 200}},
      {"moved left to stay inside", {300, 10, 100, 20}, 1, 320, 200, {220, 30, 100, 22}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.want, SelectPopupRect(c.element, c.rows, 20, c.view_w, c.view_h));
  }
  const PaintRect list = {10, 30, 100, 62};
  EXPECT_EQ(0, SelectPopupRowAt(list, 3, 20, 50, 31));
  EXPECT_EQ(2, SelectPopupRowAt(list, 3, 20, 50, 90));
  EXPECT_EQ(-1, SelectPopupRowAt(list, 3, 20, 50, 30));   // the border
  EXPECT_EQ(-1, SelectPopupRowAt(list, 3, 20, 109, 50));  // the border
  EXPECT_EQ(-1, SelectPopupRowAt(list, 3, 20, 5, 50));    // beside it
  EXPECT_EQ(0, SelectPopupFirstRow(5, 12, 4));
  EXPECT_EQ(0, SelectPopupFirstRow(40, 12, 11));
  EXPECT_EQ(1, SelectPopupFirstRow(40, 12, 12));
  EXPECT_EQ(28, SelectPopupFirstRow(40, 12, 39));
}

TEST(PageWatchRules, SelectReports) {
  Json::Value r;
  r["k"] = "select";
  r["id"] = 2;
  r["x"] = 10.5;
  r["y"] = 10;
  r["w"] = 100;
  r["h"] = 20;
  r["selected"] = 1;
  r["options"].append("\xe8\x8b\xb9\xe6\x9e\x9c");
  r["options"].append("b");
  r["disabled"].append(false);
  r["disabled"].append(true);
  SelectReport s;
  ASSERT_TRUE(SelectReportFrom(r, &s));
  EXPECT_EQ(2, s.id);
  EXPECT_EQ(10, s.x);
  EXPECT_EQ(100, s.width);
  EXPECT_EQ(1, s.selected);
  ASSERT_EQ(2u, s.options.size());
  EXPECT_EQ("b", s.options[1]);
  EXPECT_TRUE(s.disabled[1]);

  Json::Value out_of_range = r;
  out_of_range["selected"] = 5;
  ASSERT_TRUE(SelectReportFrom(out_of_range, &s));
  EXPECT_EQ(-1, s.selected);
  for (const char* bad : {"k", "id", "options"}) {
    SCOPED_TRACE(bad);
    Json::Value broken = r;
    broken.removeMember(bad);
    EXPECT_FALSE(SelectReportFrom(broken, &s));
  }
  Json::Value negative = r;
  negative["id"] = -1;
  EXPECT_FALSE(SelectReportFrom(negative, &s));
}
