#include "cef3/common/bridge_rules.h"

#include <gtest/gtest.h>

using namespace bridge_rules;

namespace {

TEST(BridgeFunctionNames, FixedListThenPageCalls) {
  const std::vector<std::string> expected = {"close",      "minimize",  "isChrome",         "openAdUrl",
                                             "closeLogin", "startGame", "web2vc_toShowUrl", "web2vc_Close",
                                             "web2vc_returnGame", "web2vc_isWd"};
  EXPECT_EQ(BridgeFunctionNames(), expected);
}

Arg S(const wchar_t* t) { Arg a; a.kind = ArgKind::kString; a.text = t; return a; }
Arg B(bool b) { Arg a; a.kind = ArgKind::kBool; a.flag = b; return a; }
Arg I(int n) { Arg a; a.kind = ArgKind::kInt; a.number = n; return a; }
Arg K(ArgKind k) { Arg a; a.kind = k; return a; }

TEST(ConvertArguments, TextsBooleansIntegersAndEmptyEntries) {
  // ("x", 5, true, 1.5, null, {}): the glue sees string, int, bool, other,
  // other, object.
  size_t objects = 99;
  const std::vector<Entry> e =
      ConvertArguments({S(L"x"), I(5), B(true), K(ArgKind::kOther), K(ArgKind::kOther), K(ArgKind::kObject)},
                       &objects);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].kind, EntryKind::kString);
  EXPECT_EQ(e[0].text, L"x");
  EXPECT_EQ(e[1].kind, EntryKind::kInt);
  EXPECT_EQ(e[1].number, 5);
  EXPECT_EQ(e[2].kind, EntryKind::kBool);
  EXPECT_TRUE(e[2].flag);
  for (size_t i = 3; i < 6; ++i) EXPECT_EQ(e[i].kind, EntryKind::kNull) << i;
  EXPECT_EQ(objects, 1u);

  const std::vector<Entry> none = ConvertArguments({}, &objects);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(objects, 0u);

  const std::vector<Entry> more =
      ConvertArguments({K(ArgKind::kObject), S(L""), B(false), I(-7), K(ArgKind::kObject)}, &objects);
  ASSERT_EQ(more.size(), 5u);
  EXPECT_EQ(more[1].kind, EntryKind::kString);
  EXPECT_EQ(more[2].kind, EntryKind::kBool);
  EXPECT_FALSE(more[2].flag);
  EXPECT_EQ(more[3].number, -7);
  EXPECT_EQ(objects, 2u);
}

}  // namespace
