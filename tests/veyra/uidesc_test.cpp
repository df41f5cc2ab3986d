// The "4=" rule of the client's data file and the path it is looked for at.
#include "uidesc.h"

#include <gtest/gtest.h>

namespace veyra {
namespace {

TEST(UIDesc, BarIdRule) {
  struct Case {
    const wchar_t* text;
    uint32_t expected;
  } cases[] = {
      {L"1=a;4=1234;5=b", 1234},
      {L"x=1;4=56", 56},
      {L"x=1;4=;y=2", 0},
      {L"14=9;4=1", 9},  // the first "4=" counts, inside "14=" too
      {L"a=1;b=2", 0},
      {L"", 0},
      {L"4=  +77;", 77},
      {L"4=-7;", 0xFFFFFFF9u},
      {L"4=12ab;", 12},
      {L"4=abc;", 0},
      {L"4=99999999999;", 2147483647u},
      {L"4=-99999999999;", 0x80000000u},
      {L"4=\t\n5", 5},
      {L"4=1;4=2", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.expected, FindBarIdInUIDesc(c.text, L"4="));
  }
  EXPECT_EQ(0u, FindBarIdInUIDesc(L"4=1", L""));
}

TEST(UIDesc, FileIsBesideTheClientsFolder) {
  EXPECT_EQ(L"C:\\Pavlix8\\data\\UIDesc.dat", UIDescPathFor(L"C:\\Pavlix8\\Tallowview.exe"));
  EXPECT_EQ(L"\\data\\UIDesc.dat", UIDescPathFor(L""));
  EXPECT_EQ(L"Tallowview.exe\\data\\UIDesc.dat", UIDescPathFor(L"Tallowview.exe"));
  EXPECT_EQ(L"C:\\data\\UIDesc.dat", UIDescPathFor(L"C:\\x.exe"));
}

TEST(UIDesc, TextEndsAtTheFirstZeroByte) {
  EXPECT_EQ("4=1", UIDescTextBytes(std::string_view("4=1\0;4=2", 8)));
  EXPECT_EQ("", UIDescTextBytes(std::string_view("\0", 1)));
  EXPECT_EQ("abc", UIDescTextBytes("abc"));
}

}  // namespace
}  // namespace veyra
