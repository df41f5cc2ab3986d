// The skin library's platform-neutral core: the markup reader, attribute
// values, the skin reader with its limits, the layout rules, and the
// contract of the shipped sample skin (file names, control names, classes
// and default attributes the frame's windows look up).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "UIAttr.h"
#include "UILayout.h"
#include "UIMarkup.h"
#include "UISkin.h"
#include "UIString.h"

using namespace DuiLib;

namespace {

// ---- strings and markup -----------------------------------------------------

TEST(CDuiStringTest, FormatCompareAndEdit) {
  CDuiString s;
  s.Format(L"%ls=%d", L"width", 450);
  EXPECT_EQ(s, L"width=450");
  EXPECT_EQ(0, CDuiString(L"Cef").CompareNoCase(L"cEF"));
  EXPECT_NE(0, CDuiString(L"Cef").Compare(L"cef"));
  CDuiString long_text;
  long_text.Format(L"%ls", std::wstring(5000, L'x').c_str());
  EXPECT_EQ(5000, long_text.GetLength());
  CDuiString r(L"a-b-c");
  EXPECT_EQ(2, r.Replace(L"-", L"--"));
  EXPECT_EQ(r, L"a--b--c");
  EXPECT_EQ(r.Mid(1, 2), L"--");
  EXPECT_EQ(r.Mid(100), L"");
  EXPECT_EQ(r.Right(1), L"c");
  EXPECT_EQ(-1, r.Find(L'z'));
}

TEST(CMarkupTest, WalksElementsAndAttributes) {
  CMarkup markup(L"<?xml version=\"1.0\"?><Config><!-- note --><Item name=\"game_type\" value=\"2\"/>"
                 L"text<Item name=\"bkg_type\" value=\"\"/><Item name=\"游戏\"/></Config>");
  ASSERT_TRUE(markup.IsValid());
  CMarkupNode root = markup.GetRoot();
  EXPECT_EQ(root.GetName(), L"Config");
  std::vector<std::wstring> seen;
  for (CMarkupNode n = root.GetChild(); n.IsValid(); n = n.GetSibling()) {
    seen.push_back(n.GetAttributeValue(L"name").str() + L"|" + n.GetAttributeValue(L"value").str() + L"|" +
                   (n.HasAttribute(L"value") ? L"has" : L"none"));
    EXPECT_EQ(n.GetParent().GetName(), L"Config");
  }
  EXPECT_EQ((std::vector<std::wstring>{L"game_type|2|has", L"bkg_type||has", L"游戏||none"}), seen);
  CMarkupNode first = root.GetChild();
  EXPECT_EQ(2, first.GetAttributeCount());
  EXPECT_EQ(first.GetAttributeName(1), L"value");
  EXPECT_EQ(first.GetAttributeValue(7), L"");
  wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
  EXPECT_TRUE(first.GetAttributeValue(L"name", buffer, 4));
  EXPECT_EQ(std::wstring(L"gam"), buffer);  // truncated, terminated
  EXPECT_FALSE(first.GetAttributeValue(L"missing", buffer, 4));
  EXPECT_EQ(L'\0', buffer[0]);
  EXPECT_FALSE(CMarkupNode().GetChild().IsValid());
}

TEST(CMarkupTest, RejectsBrokenDocumentsWithAReason) {
  const wchar_t* const broken[] = {L"", L"<Window", L"<a><b></a>", L"just text", L"<a/><b/>"};
  for (const wchar_t* text : broken) {
    SCOPED_TRACE(testing::Message() << "case: " << testing::PrintToString(std::wstring(text)));
    CMarkup markup;
    EXPECT_FALSE(markup.Load(text));
    EXPECT_FALSE(markup.IsValid());
    EXPECT_FALSE(markup.GetRoot().IsValid());
    EXPECT_FALSE(markup.GetLastErrorMessage().IsEmpty());
  }
  CMarkup missing;
  EXPECT_FALSE(missing.LoadFromFile(L"no-such-folder/no-such.xml"));
  EXPECT_FALSE(missing.GetLastErrorMessage().IsEmpty());
}

TEST(CMarkupTest, ReadsFilesInUtf8AndUtf16) {
  const std::string dir = testing::TempDir();
  struct Case { const char* name; std::string bytes; };
  std::string utf16("\xFF\xFE", 2);
  for (wchar_t c : std::wstring(L"<R a=\"\u6E38\"/>")) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>((c >> 8) & 0xFF);
  }
  const Case cases[] = {{"utf8.xml", "<R a=\"\xE6\xB8\xB8\"/>"},
                        {"utf8bom.xml", "\xEF\xBB\xBF<R a=\"\xE6\xB8\xB8\"/>"},
                        {"utf16.xml", utf16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir + c.name;
    std::ofstream(path, std::ios::binary) << c.bytes;
    CMarkup markup;
    ASSERT_TRUE(markup.LoadFromFile(std::wstring(path.begin(), path.end()).c_str()));
    EXPECT_EQ(markup.GetRoot().GetAttributeValue(L"a"), L"\u6E38");
    std::remove(path.c_str());
  }
}

// ---- attribute values -------------------------------------------------------

TEST(AttributeValueTest, ColoursRectsSizesAndFlags) {
  struct ColorCase { const wchar_t* text; bool ok; uint32_t value; };
  const ColorCase colors[] = {{L"#FF2B5797", true, 0xFF2B5797}, {L"#2b5797", true, 0xFF2B5797},
                              {L"0x80FFFFFF", true, 0x80FFFFFF}, {L" #00000000 ", true, 0},
                              {L"#12345", false, 0},           {L"red", false, 0},
                              {L"#GG000000", false, 0},        {L"", false, 0}};
  for (const ColorCase& c : colors) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    uint32_t v = 0xDEADBEEF;
    EXPECT_EQ(c.ok, ParseColor(c.text, &v));
    if (c.ok) {
      EXPECT_EQ(c.value, v);
    }
  }

  struct SizeCase { const wchar_t* text; bool ok; UiSize value; };
  const SizeCase sizes[] = {{L"800,600", true, {800, 600}},      {L" 10 , 20 ", true, {10, 20}},
                            {L"-5,-5", true, {0, 0}},            {L"100000,100000", true, {kMaxExtent, kMaxExtent}},
                            {L"99999999999999999999999,1", true, {kMaxExtent, 1}},
                            {L"800", false, {}},                 {L"8x6", false, {}},
                            {L"1,2,3", false, {}}};
  for (const SizeCase& c : sizes) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    UiSize v;
    EXPECT_EQ(c.ok, ParseSize(c.text, &v));
    if (c.ok) {
      EXPECT_EQ(c.value, v);
    }
  }

  UiRect r;
  EXPECT_TRUE(ParseRect(L"0,0,0,44", &r));
  EXPECT_EQ((UiRect{0, 0, 0, 44}), r);
  EXPECT_TRUE(ParseRect(L"-100000,5,100000,-3", &r));
  EXPECT_EQ((UiRect{-kMaxExtent, 5, kMaxExtent, -3}), r);
  EXPECT_FALSE(ParseRect(L"1,2,3", &r));
  EXPECT_FALSE(ParseRect(L"1,,3,4", &r));

  bool b = false;
  EXPECT_TRUE(ParseBool(L"TRUE", &b));
  EXPECT_TRUE(b);
  EXPECT_TRUE(ParseBool(L"0", &b));
  EXPECT_FALSE(b);
  EXPECT_FALSE(ParseBool(L"yes", &b));
}

TEST(AttributeValueTest, AttributeListsAndImageReferences) {
  using List = std::vector<std::pair<std::wstring, std::wstring>>;
  EXPECT_EQ((List{{L"width", L"30"}, {L"text", L"a b"}, {L"empty", L""}}),
            ParseAttributeList(L" width=\"30\"  text='a b' empty=\"\""));
  // A broken pair ends the list; what came before it stays.
  EXPECT_EQ((List{{L"a", L"1"}}), ParseAttributeList(L"a=\"1\" b=\"unterminated"));
  EXPECT_EQ((List{}), ParseAttributeList(L"=\"1\""));
  EXPECT_EQ((List{}), ParseAttributeList(L"novalue"));

  ImageSpec image;
  ASSERT_TRUE(ParseImageSpec(L"logo.png", &image));
  EXPECT_EQ(L"logo.png", image.file);
  EXPECT_FALSE(image.hasDest);
  ASSERT_TRUE(ParseImageSpec(L"file='btn.png' source='0,0,32,32' dest='2,3,30,31' corner='6,6,6,6' fade='300'", &image));
  EXPECT_EQ(L"btn.png", image.file);
  EXPECT_TRUE(image.hasSource && image.hasDest);
  EXPECT_EQ((UiRect{2, 3, 30, 31}), image.dest);
  EXPECT_EQ((UiRect{6, 6, 6, 6}), image.corner);
  EXPECT_EQ(255, image.fade);
  EXPECT_FALSE(ParseImageSpec(L"corner='1,1,1,1'", &image));  // no file
  EXPECT_FALSE(ParseImageSpec(L"  ", &image));
}

// ---- layout -----------------------------------------------------------------

LayoutItem Fixed(int w, int h = 0) {
  LayoutItem it;
  it.fixedWidth = w;
  it.fixedHeight = h;
  return it;
}

LayoutItem Stretch() { return LayoutItem(); }

LayoutItem Hidden(int w) {
  LayoutItem it = Fixed(w);
  it.visible = false;
  return it;
}

TEST(LayoutTest, PlacesChildrenAsTheTableSays) {
  struct Case {
    const char* name;
    LayoutDirection dir;
    UiRect box, inset;
    int padding;
    std::vector<LayoutItem> items;
    std::vector<UiRect> expected;
  };
  LayoutItem margin = Fixed(100, 30);
  margin.margin = UiRect{0, 7, 9, 7};
  LayoutItem floating = Fixed(0);
  floating.floating = true;
  floating.floatPos = UiRect{10, 20, 60, 40};
  LayoutItem capped = Stretch();
  capped.maxWidth = 50;
  LayoutItem floor = Stretch();
  floor.minHeight = 80;
  const Case cases[] = {
      {"vertical fixed then stretch", LayoutDirection::Vertical, {0, 0, 400, 300}, {}, 0,
       {Fixed(0, 44), Stretch()}, {{0, 0, 400, 44}, {0, 44, 400, 300}}},
      {"horizontal shares the rest equally, last takes the remainder", LayoutDirection::Horizontal, {0, 0, 101, 10}, {}, 0,
       {Stretch(), Fixed(20), Stretch()}, {{0, 0, 40, 10}, {40, 0, 60, 10}, {60, 0, 101, 10}}},
      {"inset and child padding", LayoutDirection::Horizontal, {10, 10, 110, 50}, {5, 2, 5, 2}, 4,
       {Fixed(20), Stretch(), Fixed(20)}, {{15, 12, 35, 48}, {39, 12, 81, 48}, {85, 12, 105, 48}}},
      {"margins take space and offset across the axis", LayoutDirection::Horizontal, {0, 0, 300, 44}, {}, 0,
       {margin, Stretch()}, {{0, 7, 100, 37}, {109, 0, 300, 44}}},
      {"hidden children take no space", LayoutDirection::Horizontal, {0, 0, 300, 10}, {}, 5,
       {Fixed(50), Hidden(50), Stretch()}, {{0, 0, 50, 10}, {0, 0, 0, 0}, {55, 0, 300, 10}}},
      {"floating children keep their place", LayoutDirection::Vertical, {100, 100, 300, 300}, {}, 0,
       {floating, Stretch()}, {{110, 120, 160, 140}, {100, 100, 300, 300}}},
      {"max width caps a stretched child", LayoutDirection::Horizontal, {0, 0, 200, 10}, {}, 0,
       {capped, Stretch()}, {{0, 0, 50, 10}, {50, 0, 200, 10}}},
      {"min height wins over a small box", LayoutDirection::Vertical, {0, 0, 10, 50}, {}, 0,
       {floor}, {{0, 0, 10, 80}}},
      {"overflowing fixed children run past the edge", LayoutDirection::Horizontal, {0, 0, 100, 10}, {}, 0,
       {Fixed(80), Fixed(80), Stretch()}, {{0, 0, 80, 10}, {80, 0, 160, 10}, {160, 0, 160, 10}}},
      {"stack gives everyone the inner box", LayoutDirection::Stack, {0, 0, 100, 100}, {10, 10, 10, 10}, 0,
       {Stretch(), Fixed(20, 30)}, {{10, 10, 90, 90}, {10, 10, 30, 40}}},
      {"inverted box stays empty", LayoutDirection::Vertical, {50, 50, 10, 10}, {}, 0,
       {Stretch()}, {{50, 50, 50, 50}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<UiRect> got = LayoutChildren(c.dir, c.box, c.inset, c.padding, c.items);
    ASSERT_EQ(c.expected.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(c.expected[i], got[i]) << got[i].left << "," << got[i].top << "," << got[i].right << ","
                                       << got[i].bottom;
    }
  }
}

TEST(LayoutTest, SpacerGrowsByTheHiddenButtonsAndTheRestStays) {
  // The frame's caption row: spacer, five link buttons of 100 + 9, a
  // stretched gap and a close button. Hiding k buttons and widening the
  // spacer by 109 each keeps the gap and the close button where they were.
  for (int hidden = 0; hidden <= 5; ++hidden) {
    SCOPED_TRACE(hidden);
    std::vector<LayoutItem> items{Fixed(450 + 109 * hidden)};
    for (int i = 0; i < 5; ++i) {
      LayoutItem b = Fixed(100, 30);
      b.margin = UiRect{0, 7, 9, 7};
      b.visible = i >= hidden;
      items.push_back(b);
    }
    items.push_back(Stretch());
    items.push_back(Fixed(36));
    const std::vector<UiRect> r = LayoutChildren(LayoutDirection::Horizontal, {0, 0, 1200, 44}, {}, 0, items);
    EXPECT_EQ((UiRect{0, 0, 450 + 109 * hidden, 44}), r[0]);
    EXPECT_EQ((UiRect{995, 0, 1164, 44}), r[6]);
    EXPECT_EQ((UiRect{1164, 0, 1200, 44}), r[7]);
    for (int i = hidden; i < 5; ++i) EXPECT_EQ(450 + 109 * i, r[1 + i].left);
  }
}

// ---- skin reading -----------------------------------------------------------

TEST(SkinReaderTest, ReadsWindowDefaultsFontsAndControls) {
  CMarkup markup(
      L"<Window size=\"800,600\" mininfo=\"-1,100000\" caption=\"0,0,0,30\" sizebox=\"4,-4,4,4\" bogus=\"x\">"
      L"<Default name=\"game_name\" value=\"游戏\"/><Default name=\"empty\" value=\"\"/><Default name=\"novalue\"/>"
      L"<Default value=\"orphan\"/><Default name=\"game_name\" value=\"later\"/>"
      L"<Font id=\"1\" name=\"Microsoft YaHei\" size=\"9999\" bold=\"true\" default=\"true\"/>"
      L"<VerticalLayout name=\"root\"><Button name=\"b\"/><Cef name=\"Cef_game\"/></VerticalLayout></Window>");
  SkinWindow skin;
  ASSERT_TRUE(ReadSkin(markup, &skin));
  EXPECT_EQ((UiSize{800, 600}), skin.size);
  EXPECT_EQ((UiSize{0, kMaxExtent}), skin.minInfo);
  EXPECT_EQ((UiRect{0, 0, 0, 30}), skin.caption);
  EXPECT_EQ((UiRect{4, 0, 4, 4}), skin.sizeBox);
  std::wstring value;
  EXPECT_TRUE(FindDefault(skin.defaults, L"game_name", &value));
  EXPECT_EQ(L"later", value);
  EXPECT_TRUE(FindDefault(skin.defaults, L"empty", &value));
  EXPECT_EQ(L"", value);
  EXPECT_TRUE(FindDefault(skin.defaults, L"novalue", &value));
  EXPECT_FALSE(FindDefault(skin.defaults, L"absent", &value));
  EXPECT_FALSE(FindDefault(skin.defaults, L"GAME_NAME", &value));  // names are exact
  ASSERT_EQ(1u, skin.fonts.size());
  EXPECT_EQ(400, skin.fonts[0].size);
  EXPECT_TRUE(skin.fonts[0].bold && skin.fonts[0].isDefault);
  ASSERT_EQ(1u, skin.controls.size());
  ASSERT_EQ(2u, skin.controls[0].children.size());
  EXPECT_EQ(L"Cef", skin.controls[0].children[1].cls);
  // The orphan <Default> is reported; the window's unknown attribute is not
  // (it may mean something to a later reader).
  EXPECT_EQ(1u, skin.problems.size());
}

TEST(SkinReaderTest, RefusesDocumentsThatAreNoWindow) {
  for (const wchar_t* text : {L"<Config/>", L"<window2/>"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    CMarkup markup(text);
    SkinWindow skin;
    EXPECT_FALSE(ReadSkin(markup, &skin));
    EXPECT_FALSE(skin.problems.empty());
  }
  CMarkup invalid(L"<Window");
  SkinWindow skin;
  EXPECT_FALSE(ReadSkin(invalid, &skin));
}

std::wstring Nested(int levels) {
  std::wstring text = L"<Window>";
  for (int i = 0; i < levels; ++i) text += L"<VerticalLayout>";
  for (int i = 0; i < levels; ++i) text += L"</VerticalLayout>";
  return text + L"</Window>";
}

int Depth(const SkinElement& e) {
  int d = 1;
  for (const SkinElement* p = &e; !p->children.empty(); p = &p->children[0]) ++d;
  return d;
}

TEST(SkinReaderTest, DeepAndHugeSkinsAreCutWithAProblemLine) {
  CMarkup deep(Nested(1000).c_str());
  ASSERT_TRUE(deep.IsValid());
  SkinWindow skin;
  ASSERT_TRUE(ReadSkin(deep, &skin));
  ASSERT_EQ(1u, skin.controls.size());
  EXPECT_EQ(SkinLimits().maxDepth, Depth(skin.controls[0]));
  EXPECT_EQ(1u, skin.problems.size());

  // About 10 MiB of buttons.
  std::wstring big = L"<Window><HorizontalLayout>";
  const std::wstring button = L"<Button name=\"b\" text=\"0123456789\" width=\"10\"/>";
  while (big.size() < (10u << 20)) big += button;
  big += L"</HorizontalLayout></Window>";
  CMarkup huge(big.c_str());
  ASSERT_TRUE(huge.IsValid());
  ASSERT_TRUE(ReadSkin(huge, &skin));
  EXPECT_EQ(static_cast<size_t>(SkinLimits().maxElements - 1), skin.controls[0].children.size());
  EXPECT_EQ(1u, skin.problems.size());
}

// ---- the sample skin --------------------------------------------------------

std::wstring SampleSkin(const char* file) {
  const std::string path = std::string(VELORA_SAMPLE_SKIN_DIR) + file;
  return std::wstring(path.begin(), path.end());
}

void Collect(const SkinElement& e, std::multiset<std::wstring>* names, std::vector<std::pair<std::wstring, std::wstring>>* classes) {
  for (const auto& [n, v] : e.attrs)
    if (n == L"name") {
      names->insert(v);
      classes->emplace_back(v, e.cls);
    }
  for (const SkinElement& c : e.children) Collect(c, names, classes);
}

TEST(SampleSkinTest, ConfigChoosesTheSkinByName) {
  CMarkup config;
  ASSERT_TRUE(config.LoadFromFile(SampleSkin("config.xml").c_str()));
  std::set<std::wstring> names;
  for (CMarkupNode n = config.GetRoot().GetChild(); n.IsValid(); n = n.GetSibling()) {
    EXPECT_TRUE(n.HasAttribute(L"value"));
    names.insert(n.GetAttributeValue(L"name").str());
  }
  EXPECT_EQ((std::set<std::wstring>{L"game_type", L"bkg_type"}), names);
}

TEST(SampleSkinTest, EverySkinHasTheNamesTheWindowsLookUp) {
  const std::vector<std::wstring> caption{L"closebtn", L"minbtn", L"maxbtn", L"restorebtn"};
  const std::vector<std::wstring> links{L"btn_byphone", L"btn_guanwang", L"btn_kefu", L"btn_luntan", L"btn_chongzhi", L"size_seat"};
  const std::vector<std::wstring> tools{L"game_name", L"tool_view", L"btn_extend", L"btn_retract", L"btn_rotate", L"btn_tophone",
                                        L"btn_gongzhonghao", L"btn_qqgroup", L"btn_huodong"};
  const std::vector<std::wstring> defaults{L"game_name", L"button_chongzhi", L"button_luntan", L"button_guanwang",
                                           L"button_kefu", L"button_byphone", L"button_qqgroup", L"button_huodong",
                                           L"closewnd_code", L"pkgid", L"home_page"};
  struct Case {
    const char* file;
    std::vector<std::vector<std::wstring>> names;
    const wchar_t* cefName;  // the "Cef" element's name, "" for any, null for none
    bool frameDefaults;
  };
  const std::vector<std::wstring> msgbox{L"btn_ok", L"btn_cancel", L"closebtn"};
  const Case cases[] = {
      {"GameFrame.xml", {caption, links}, L"Cef_game", true},
      {"GameFrameVertical-w.xml", {caption, tools}, L"Cef_game", true},
      {"GameFrameVertical-b.xml", {caption, tools}, L"Cef_game", true},
      {"GameFrameVertical.xml", {{L"closebtn"}}, L"Cef_Close", false},
      {"CloseQRcode.xml", {{L"closebtn", L"homepage_btn"}}, L"Cef_Close", false},
      {"advert.xml", {{L"closebtn"}}, nullptr, false},
      {"Cef.xml", {}, L"", false},
      {"QrFrame.xml", {}, nullptr, false},
      {"closeWnd.xml", {msgbox}, nullptr, false},
      {"InstallToPhone.xml", {msgbox}, nullptr, false},
      {"GongZhongHao.xml", {msgbox}, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    CMarkup markup;
    ASSERT_TRUE(markup.LoadFromFile(SampleSkin(c.file).c_str())) << markup.GetLastErrorMessage().GetData();
    SkinWindow skin;
    ASSERT_TRUE(ReadSkin(markup, &skin));
    EXPECT_TRUE(skin.problems.empty());
    EXPECT_GT(skin.size.cx, 0);
    std::multiset<std::wstring> names;
    std::vector<std::pair<std::wstring, std::wstring>> classes;
    for (const SkinElement& e : skin.controls) Collect(e, &names, &classes);
    for (const auto& group : c.names)
      for (const std::wstring& name : group) EXPECT_EQ(1u, names.count(name)) << testing::PrintToString(name);
    int cefCount = 0;
    std::function<void(const SkinElement&)> countCef = [&](const SkinElement& e) {
      if (NameEquals(e.cls, L"Cef")) {
        ++cefCount;
        std::wstring name;
        for (const auto& [n, v] : e.attrs) if (n == L"name") name = v;
        if (c.cefName && *c.cefName) {
          EXPECT_EQ(c.cefName, name);
        }
      }
      for (const SkinElement& ch : e.children) countCef(ch);
    };
    for (const SkinElement& e : skin.controls) countCef(e);
    EXPECT_EQ(c.cefName ? 1 : 0, cefCount);
    if (c.frameDefaults) {
      for (const std::wstring& d : defaults) EXPECT_TRUE(FindDefault(skin.defaults, d, nullptr)) << testing::PrintToString(d);
      for (const auto& [name, cls] : classes) {
        if (name == L"game_name") {
          EXPECT_TRUE(NameEquals(cls, L"Text") || NameEquals(cls, L"Label"));
        }
        if (name == L"tool_view") {
          EXPECT_TRUE(NameEquals(cls, L"VerticalLayout") || NameEquals(cls, L"HorizontalLayout"));
        }
      }
    }
  }
}

}  // namespace
