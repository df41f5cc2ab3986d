#include "cef3/common/control_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cef3/common/frame_messages.h"

using namespace control_rules;

namespace {

TEST(FlagAttribute, OnlyExactTrueSetsAFlag) {
  EXPECT_TRUE(FlagAttribute(L"true"));
  for (const wchar_t* v : {L"TRUE", L"True", L"1", L"", L"true ", L" true", L"yes"}) {
    SCOPED_TRACE(testing::Message() << "value " << v);
    EXPECT_FALSE(FlagAttribute(v));
  }
  EXPECT_FALSE(FlagAttribute(nullptr));
}

// A frame of distinct pixel values and a kept bitmap of another pattern,
// with guard bytes after the kept pixels.
struct Frames {
  int width, height;
  std::vector<uint8_t> src, dst;
  static constexpr size_t kGuard = 64;
  Frames(int w, int h) : width(w), height(h), src(size_t(w) * h * 4), dst(size_t(w) * h * 4 + kGuard, 0xEE) {
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  bool Copied(int x, int y) const {
    return std::memcmp(&dst[(size_t(y) * width + x) * 4], &src[(size_t(y) * width + x) * 4], 4) == 0;
  }
  bool Untouched(int x, int y) const {
    const uint8_t* p = &dst[(size_t(y) * width + x) * 4];
    return p[0] == 0xEE && p[1] == 0xEE && p[2] == 0xEE && p[3] == 0xEE;
  }
  bool GuardIntact() const {
    for (size_t i = dst.size() - kGuard; i < dst.size(); ++i)
      if (dst[i] != 0xEE) return false;
    return true;
  }
};

TEST(CopyDirtyRects, ChangesExactlyThePixelsOfEachRectangle) {
  struct Case {
    const char* name;
    std::vector<DirtyRect> rects;
    size_t pixels;
  } cases[] = {
      {"10x10 at (5,7)", {{5, 7, 10, 10}}, 100},
      {"whole frame", {{0, 0, 40, 30}}, 1200},
      {"full rows", {{0, 3, 40, 2}}, 80},
      {"two rectangles", {{0, 0, 1, 1}, {39, 29, 1, 1}}, 2},
      {"empty", {{4, 4, 0, 5}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frames f(40, 30);
    EXPECT_EQ(CopyDirtyRects(f.dst.data(), f.src.data(), 40, 30, c.rects.data(), c.rects.size()), c.pixels);
    size_t changed = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        bool inside = false;
        for (const DirtyRect& r : c.rects)
          inside |= x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
        if (inside) {
          EXPECT_TRUE(f.Copied(x, y)) << x << "," << y;
          ++changed;
        } else {
          EXPECT_TRUE(f.Untouched(x, y)) << x << "," << y;
        }
      }
    EXPECT_EQ(changed, c.pixels);
    EXPECT_TRUE(f.GuardIntact());
  }
}

TEST(CopyDirtyRects, RectanglesReachingPastTheFrameAreClipped) {
  struct Case {
    const char* name;
    DirtyRect rect;
    size_t pixels;
  } cases[] = {
      {"past the right edge", {35, 0, 10, 2}, 10},      // columns 35..39 of rows 0, 1
      {"past the bottom", {0, 28, 2, 10}, 4},           // rows 28, 29
      {"negative origin", {-3, -2, 5, 4}, 4},           // (0..1, 0..1)
      {"wholly outside", {50, 50, 5, 5}, 0},
      {"overflowing size", {1, 1, 0x7FFFFFFF, 0x7FFFFFFF}, 39 * 29},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frames f(40, 30);
    EXPECT_EQ(CopyDirtyRects(f.dst.data(), f.src.data(), 40, 30, &c.rect, 1), c.pixels);
    EXPECT_TRUE(f.GuardIntact());
  }
}

TEST(NeedsRebuild, MissingBitmapOfTheModeOrANewSize) {
  struct Case {
    bool transparent, image, dc;
    int keptW, keptH, w, h;
    bool rebuild;
  } cases[] = {
      {false, false, true, 100, 50, 100, 50, false},
      {false, false, false, 100, 50, 100, 50, true},  // first opaque frame
      {true, false, true, 100, 50, 100, 50, true},    // switched to transparent: no image yet
      {true, true, false, 100, 50, 100, 50, false},
      {false, true, false, 100, 50, 100, 50, true},   // switched to opaque: no DC yet
      {false, false, true, 100, 50, 101, 50, true},
      {true, true, false, 100, 50, 100, 49, true},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(NeedsRebuild(c.transparent, c.image, c.dc, c.keptW, c.keptH, c.w, c.h), c.rebuild);
  }
}

TEST(ViewRect, EmptyControlLeavesTheEnginesProposal) {
  int w = -1, h = -1;
  EXPECT_TRUE(ViewRectFromControl(10, 20, 110, 70, &w, &h));
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  w = h = -1;
  EXPECT_FALSE(ViewRectFromControl(10, 20, 10, 70, &w, &h));
  EXPECT_FALSE(ViewRectFromControl(10, 20, 110, 20, &w, &h));
  EXPECT_EQ(w, -1);
  EXPECT_EQ(h, -1);
}

TEST(MouseModifiers, EachSourceGivesItsEngineFlag) {
  struct Case {
    const char* name;
    unsigned keyState;
    bool caps, alt, num;
    uint32_t flags;
  } cases[] = {
      {"none", 0, false, false, false, 0},
      {"shift + left", 0x0004 | 0x0001, false, false, false, 18},
      {"shift + left, caps lock", 0x0004 | 0x0001, true, false, false, 19},
      {"ctrl", 0x0008, false, false, false, 4},
      {"alt", 0, false, true, false, 8},
      {"middle", 0x0010, false, false, false, 32},
      {"right", 0x0002, false, false, false, 64},
      {"num lock", 0, false, false, true, 256},
      {"x buttons carry nothing", 0x0020 | 0x0040, false, false, false, 0},
      {"all", 0x1F, true, true, true, 1 | 2 | 4 | 8 | 16 | 32 | 64 | 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MouseModifiers(c.keyState, c.caps, c.alt, c.num), c.flags);
  }
}

TEST(ForwardMouseEvent, LeaveGoesOutEverywhereMoveOnlyInside) {
  // Control at (10,10)-(110,60).
  struct Case {
    const char* name;
    int type;
    bool browser, visible;
    int x, y;
    bool forward;
  } cases[] = {
      {"move inside", 9, true, true, 50, 30, true},
      {"move outside", 9, true, true, 200, 30, false},
      {"move on the right edge", 9, true, true, 110, 30, false},
      {"move on the top-left corner", 9, true, true, 10, 10, true},
      {"leave outside", 10, true, true, 200, 300, true},
      {"leave inside", 10, true, true, 50, 30, true},
      {"move without browser", 9, false, true, 50, 30, false},
      {"leave while hidden", 10, true, false, 50, 30, false},
      {"button down", 13, true, true, 50, 30, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ForwardMouseEvent(c.type, c.browser, c.visible, c.x, c.y, 10, 10, 110, 60), c.forward);
  }
}

TEST(DecidePopup, NewTabsAndWindowsOnlyAndTheSystemWithoutAHost) {
  // Dispositions: 0 unknown, 1 current tab, 2 singleton tab, 3 new
  // foreground tab, 4 new background tab, 5 new popup, 6 new window, 7 save
  // to disk, 8 off the record, 9 ignore action.
  for (int d = 0; d <= 10; ++d) {
    SCOPED_TRACE(testing::Message() << "disposition " << d);
    const bool newWindow = d >= 3 && d <= 6;
    EXPECT_EQ(DecidePopup(d, true), newWindow ? PopupAction::kPostAndCreate : PopupAction::kCancel);
    EXPECT_EQ(DecidePopup(d, false), newWindow ? PopupAction::kSystemAndCancel : PopupAction::kCancel);
  }
}

TEST(RefuseNavigation, OnlyTheRefusedSchemePrefix) {
  EXPECT_TRUE(RefuseNavigation(L"tencent://message/?uin=1"));
  EXPECT_TRUE(RefuseNavigation(L"tencent://"));
  for (const wchar_t* url : {L"https://example.com/", L"about:blank", L"TENCENT://x", L"tencent:/x",
                             L"http://x/?u=tencent://", L"mailto:a@b", L""}) {
    SCOPED_TRACE(testing::Message() << url);
    EXPECT_FALSE(RefuseNavigation(url));
  }
}

TEST(RefuseDrag, WhenLinkingIsOffered) {
  // copy 1, link 2, generic 4, private 8, move 16, delete 32.
  EXPECT_TRUE(RefuseDrag(2));
  EXPECT_TRUE(RefuseDrag(1 | 2 | 16));
  EXPECT_FALSE(RefuseDrag(0));
  EXPECT_FALSE(RefuseDrag(1 | 16));
  EXPECT_FALSE(RefuseDrag(0xFFFFFFFDu));
}

TEST(RendererMessageToHost, EveryNameItsMessageAndPayload) {
  struct Case {
    const char* name;
    size_t argc;
    bool textArg;
    const wchar_t* arg0;
    unsigned message;
    uintptr_t wParam;
    bool hasText;
    const wchar_t* text;
  } cases[] = {
      {"close", 0, false, L"", 0x0112, 0xF060, false, L""},
      {"close", 2, true, L"x", 0x0112, 0xF060, false, L""},
      {"minimize", 0, false, L"", 0x0112, 0xF020, false, L""},
      {"openAdUrl", 1, true, L"http://a/", 5025, 0, true, L"http://a/"},
      {"openAdUrl", 0, false, L"", 5025, 0, true, L""},
      {"openAdUrl", 1, false, L"", 5025, 0, true, L""},  // first argument not text
      {"web2vc_toShowUrl", 1, true, L"http://c/", 5036, 0, true, L"http://c/"},
      {"web2vc_toShowUrl", 1, false, L"", 5036, 0, true, L""},
      {"web2vc_toShowUrl", 0, false, L"", 5037, 0, false, L""},
      {"web2vc_Close", 0, false, L"", 5037, 0, false, L""},
      {"web2vc_returnGame", 0, false, L"", 5038, 0, false, L""},
      {"isChrome", 0, false, L"", 0, 0, false, L""},
      {"closeLogin", 0, false, L"", 0, 0, false, L""},
      {"startGame", 1, true, L"x", 0, 0, false, L""},
      {"web2vc_isWd", 0, false, L"", 0, 0, false, L""},
      {"Close", 0, false, L"", 0, 0, false, L""},
      {"", 0, false, L"", 0, 0, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " with " << c.argc << " arguments");
    const HostMessage m = RendererMessageToHost(c.name, c.argc, c.textArg, c.arg0);
    EXPECT_EQ(m.message, c.message);
    EXPECT_EQ(m.hasText, c.hasText);
    if (c.hasText) EXPECT_EQ(m.text, c.text);
    else EXPECT_EQ(m.wParam, c.wParam);
  }
}

TEST(FrameMessages, TheWindowsNumbers) {
  EXPECT_EQ(kOpenAdUrlMessage, 5025u);
  EXPECT_EQ(kPopupUrlMessage, 5026u);
  EXPECT_EQ(kGameViewMessage, 5027u);
  EXPECT_EQ(kShowUrlMessage, 5036u);
  EXPECT_EQ(kCloseMainMessage, 5037u);
  EXPECT_EQ(kReturnGameMessage, 5038u);
  EXPECT_EQ(kMenuClickMessage, 1145u);
}

// A menu model as the engine keeps it: items with ids and labels, and
// separators (id -1).
struct FakeMenu {
  struct Item {
    int id;
    std::wstring label;
  };
  std::vector<Item> items;
  bool SetLabel(int id, const wchar_t* label) {
    for (Item& i : items)
      if (i.id == id) {
        i.label = label;
        return true;
      }
    return false;
  }
  bool Remove(int id) {
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].id == id) {
        items.erase(items.begin() + i);
        return true;
      }
    return false;
  }
  int GetCount() const { return static_cast<int>(items.size()); }
  bool IsSeparatorAt(int index) const { return items[index].id == -1; }
  bool RemoveAt(int index) {
    items.erase(items.begin() + index);
    return true;
  }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const Item& i : items) ids.push_back(i.id);
    return ids;
  }
  const std::wstring* Label(int id) const {
    for (const Item& i : items)
      if (i.id == id) return &i.label;
    return nullptr;
  }
};

constexpr int kSep = -1;

TEST(EditContextMenu, RemovalsSeparatorAndPruning) {
  struct Case {
    const char* name;
    int flags;
    std::vector<int> before, after;
  } cases[] = {
      // Page menu: back, forward, separator, print, view source: only the
      // separator is left, and it goes as the first item.
      {"page", kContextPage, {100, 101, kSep, 131, 132}, {}},
      // Page menu while loading: stop, then reload as an item of its own.
      {"page while loading", kContextPage, {100, 101, 104, 102, kSep, 131, 132}, {102}},
      // Editable field: undo, redo, sep, cut, copy, paste, delete, sep,
      // select all -> after the removals undo, sep, cut, copy, paste,
      // delete, sep, select all; the walk keeps the 2nd, 4th, 6th, 8th.
      {"editable", kContextEditable, {110, 111, kSep, 112, 113, 114, 115, kSep, 116}, {kSep, 113, 115, 116}},
      // Selection: copy, sep, print.
      {"selection", kContextSelection, {113, kSep, 131}, {kSep}},
      {"one item", kContextSelection, {113}, {}},
      {"empty", kContextPage, {}, {}},
      {"twice the same removed id", 0, {100, 200, 100, 201}, {201}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMenu m;
    for (int id : c.before) m.items.push_back({id, L"engine"});
    EditContextMenu(m, c.flags);
    EXPECT_EQ(m.Ids(), c.after);
    for (int gone : {100, 101, 111, 131, 132}) EXPECT_EQ(m.Label(gone), nullptr) << gone;
  }
}

TEST(EditContextMenu, ChineseLabelsByContext) {
  const std::vector<int> all = {104, 111, 110, 112, 113, 114, 115, 116};
  struct Case {
    int flags;
    bool page, edit;
  } cases[] = {{0, false, false}, {kContextPage, true, false}, {kContextSelection, false, true},
               {kContextEditable, false, true}, {kContextPage | kContextEditable, true, true}};
  // Label each item, then look at the labels before the pruning removes
  // half of them: a model that records SetLabel.
  struct LabelOnly : FakeMenu {
    std::vector<std::pair<int, std::wstring>> set;
    bool SetLabel(int id, const wchar_t* label) {
      set.push_back({id, label});
      return FakeMenu::SetLabel(id, label);
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags);
    LabelOnly m;
    for (int id : all) m.items.push_back({id, L"engine"});
    EditContextMenu(m, c.flags);
    std::vector<std::pair<int, std::wstring>> expected;
    if (c.page) expected.insert(expected.end(), {{104, L"停止加载"}, {111, L"重复"}});
    if (c.edit)
      expected.insert(expected.end(), {{110, L"撤销"}, {112, L"剪切"}, {113, L"复制"}, {114, L"粘贴"},
                                       {115, L"删除"}, {116, L"全选"}});
    EXPECT_EQ(m.set, expected);
  }
}

}  // namespace
