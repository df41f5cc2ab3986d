// The engine's plain rules: command lines, the bridge script and its
// payloads, input parameters and network error names.
#include <gtest/gtest.h>
#include <json/reader.h>

#include <cmath>

#include "bridge_rules.h"
#include "command_line_rules.h"
#include "input_rules.h"
#include "navigation_rules.h"
#include "net_error_rules.h"

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
