// CefString and the C string functions behind it: conversions between
// UTF-8, UTF-16 and wchar_t, invalid input, write-through into structures
// the engine reads, ownership and comparison.
#include <map>
#include <string>

#include "include/cef_base.h"
#include "include/internal/cef_string.h"

#include <gtest/gtest.h>

namespace {

std::u16string StructText(const cef_string_t& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.str), s.length);
}

struct ConversionCase {
  const char* name;
  const char* utf8;
  std::u16string utf16;
  std::wstring wide;
};

const ConversionCase kConversions[] = {
    {"empty", "", u"", L""},
    {"ascii", "about:blank", u"about:blank", L"about:blank"},
    {"chinese", "停止加载", u"停止加载", L"停止加载"},
    {"surrogate pair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00", L"\U0001F600"},
    {"mixed", "a收到消息😀z", u"a收到消息\xD83D\xDE00z", L"a收到消息\U0001F600z"},
    {"two-byte", "\xC3\xA9", u"\x00E9", L"\x00E9"},
};

TEST(CefStringConversion, RoundTripsEveryEncoding) {
  for (const ConversionCase& c : kConversions) {
    SCOPED_TRACE(c.name);
    std::string utf8(c.utf8);

    CefString from_utf8(utf8);
    EXPECT_EQ(c.utf16, from_utf8.ToString16());
    EXPECT_EQ(c.wide, from_utf8.ToWString());
    EXPECT_EQ(utf8, from_utf8.ToString());
    EXPECT_EQ(c.utf16.size(), from_utf8.length());

    CefString from_utf16(c.utf16);
    EXPECT_EQ(utf8, from_utf16.ToString());
    EXPECT_EQ(c.wide, from_utf16.ToWString());

    CefString from_wide(c.wide);
    EXPECT_EQ(c.utf16, from_wide.ToString16());
    EXPECT_EQ(utf8, from_wide.ToString());

    // From C strings too.
    CefString from_chars(c.utf8);
    EXPECT_EQ(c.utf16, from_chars.ToString16());
    CefString from_wchars(c.wide.c_str());
    EXPECT_EQ(c.utf16, from_wchars.ToString16());
    EXPECT_EQ(c.utf16.empty(), from_wchars.empty());
  }
}

struct InvalidCase {
  const char* name;
  std::string utf8;
  std::u16string expected;
};

TEST(CefStringConversion, InvalidUtf8BecomesReplacementAndReportsFailure) {
  const InvalidCase cases[] = {
      {"truncated three-byte", "a\xE5\x81", u"a\xFFFD"},
      {"overlong slash", "\xC0\xAF", u"\xFFFD\xFFFD"},
      {"stray continuation", "\x80z", u"\xFFFDz"},
      {"byte FF", "x\xFFy", u"x\xFFFDy"},
      {"encoded surrogate", "\xED\xA0\x80", u"\xFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\xFFFD"},
      {"broken then valid", "\xE5\x81" "停", u"\xFFFD停"},
  };
  for (const InvalidCase& c : cases) {
    SCOPED_TRACE(c.name);
    cef_string_utf16_t out = {};
    EXPECT_EQ(0, cef_string_utf8_to_utf16(c.utf8.data(), c.utf8.size(), &out));
    EXPECT_EQ(c.expected, StructText(out));
    cef_string_utf16_clear(&out);
  }
}

TEST(CefStringConversion, LoneSurrogatesBecomeReplacementInUtf8) {
  const struct {
    const char* name;
    std::u16string utf16;
    std::string expected;
  } cases[] = {
      {"lone high", u"a\xD83D", "a\xEF\xBF\xBD"},
      {"lone low", u"\xDE00" "b", "\xEF\xBF\xBD" "b"},
      {"reversed pair", u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cef_string_utf8_t out = {};
    EXPECT_EQ(0, cef_string_utf16_to_utf8(
                     reinterpret_cast<const char16*>(c.utf16.data()),
                     c.utf16.size(), &out));
    EXPECT_EQ(c.expected, std::string(out.str, out.length));
    cef_string_utf8_clear(&out);
  }
}

TEST(CefStringConversion, AsciiConversionRejectsHighBytes) {
  cef_string_utf16_t out = {};
  EXPECT_EQ(1, cef_string_ascii_to_utf16("zh-CN", 5, &out));
  EXPECT_EQ(u"zh-CN", StructText(out));
  EXPECT_EQ(0, cef_string_ascii_to_utf16("\xE4", 1, &out));
  cef_string_utf16_clear(&out);

  CefString s;
  EXPECT_TRUE(s.FromASCII("--renderer-process-limit"));
  EXPECT_EQ("--renderer-process-limit", s.ToString());
}

// The frame fills cef_settings_t through temporary CefStrings attached to its
// fields; the text must stay in the structure after the wrapper is gone.
TEST(CefStringStruct, AttachedStringWritesThrough) {
  cef_settings_t settings = {};
  settings.size = sizeof(settings);

  CefString(&settings.locale) = "zh-CN";
  ASSERT_NE(nullptr, settings.locale.str);
  EXPECT_EQ(u"zh-CN", StructText(settings.locale));
  EXPECT_NE(nullptr, settings.locale.dtor);

  // Assigning again replaces (and frees) the earlier buffer.
  CefString(&settings.log_file) = L"C:\\游戏\\Log\\webkit.log";
  CefString(&settings.log_file) = std::wstring(L"D:\\Log\\webkit.log");
  EXPECT_EQ(u"D:\\Log\\webkit.log", StructText(settings.log_file));

  // A wrapper attached to a field reads it and leaves it alone when it dies.
  {
    CefString view(&settings.locale);
    EXPECT_FALSE(view.IsOwner());
    EXPECT_EQ("zh-CN", view.ToString());
  }
  EXPECT_EQ(u"zh-CN", StructText(settings.locale));

  // Clearing through a wrapper empties the field itself.
  CefString(&settings.log_file).clear();
  EXPECT_EQ(nullptr, settings.log_file.str);
  EXPECT_EQ(0u, settings.log_file.length);

  cef_string_clear(&settings.locale);
  EXPECT_EQ(nullptr, settings.locale.str);
  EXPECT_EQ(nullptr, settings.locale.dtor);
}

TEST(CefStringStruct, SettingsWrapperCopiesAndFreesItsStrings) {
  CefSettings a;
  CefString(&a.cache_path) = L"C:\\Velora\\cookies";
  a.multi_threaded_message_loop = 1;
  a.log_severity = LOGSEVERITY_DISABLE;
  a.background_color = 0xFFEEEEEE;

  CefSettings b(a);
  EXPECT_NE(a.cache_path.str, b.cache_path.str);
  EXPECT_EQ(L"C:\\Velora\\cookies", CefString(&b.cache_path).ToWString());
  EXPECT_EQ(1, b.multi_threaded_message_loop);
  EXPECT_EQ(LOGSEVERITY_DISABLE, b.log_severity);
  EXPECT_EQ(0xFFEEEEEEu, b.background_color);

  // From the plain structure the frame builds.
  cef_settings_t plain = {};
  plain.size = sizeof(plain);
  CefString(&plain.locale) = "zh-CN";
  CefSettings c(plain);
  EXPECT_EQ("zh-CN", CefString(&c.locale).ToString());
  EXPECT_NE(plain.locale.str, c.locale.str);
  cef_string_clear(&plain.locale);

  // Self-assignment keeps the text.
  const CefSettings& same = b;
  b = same;
  EXPECT_EQ(L"C:\\Velora\\cookies", CefString(&b.cache_path).ToWString());
}

TEST(CefStringOwnership, SelfAssignmentKeepsTheText) {
  CefString s("游戏大厅");
  const CefString& same = s;
  s = same;
  EXPECT_EQ("游戏大厅", s.ToString());

  // The C function copies before it frees, so a string set from its own
  // buffer survives.
  cef_string_utf16_t raw = {};
  cef_string_utf8_to_utf16("abc", 3, &raw);
  EXPECT_EQ(1, cef_string_utf16_set(raw.str, raw.length, &raw, true));
  EXPECT_EQ(u"abc", StructText(raw));
  EXPECT_EQ(1, cef_string_utf16_set(raw.str + 1, 2, &raw, true));
  EXPECT_EQ(u"bc", StructText(raw));
  cef_string_utf16_clear(&raw);
}

TEST(CefStringOwnership, ReferenceWithoutCopyDoesNotFree) {
  static const char16 kText[] = {'u', 'r', 'l', 0};
  cef_string_t ref = {};
  EXPECT_EQ(1, cef_string_utf16_set(kText, 3, &ref, false));
  EXPECT_EQ(kText, ref.str);
  EXPECT_EQ(nullptr, ref.dtor);
  cef_string_utf16_clear(&ref);  // Must not free kText.
  EXPECT_EQ(nullptr, ref.str);

  CefString view(kText, 3, false);
  EXPECT_EQ(kText, view.c_str());
  EXPECT_EQ("url", view.ToString());
}

TEST(CefStringOwnership, MoveTransfersOrCopiesIntoAttached) {
  CefString a("first");
  const char16* buffer = a.c_str();
  CefString b(std::move(a));
  EXPECT_EQ(buffer, b.c_str());
  EXPECT_TRUE(a.empty());  // NOLINT(bugprone-use-after-move)

  // Moving into an attached string still writes into the structure.
  cef_string_t field = {};
  CefString attached(&field);
  attached = CefString("second");
  EXPECT_EQ(u"second", StructText(field));
  EXPECT_FALSE(attached.IsOwner());
  cef_string_clear(&field);
}

TEST(CefStringOwnership, UserFreeRoundTrip) {
  CefString s("收到消息");
  cef_string_userfree_t uf = s.DetachToUserFree();
  ASSERT_NE(nullptr, uf);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(u"收到消息", StructText(*uf));

  CefString back;
  back.AttachToUserFree(uf);  // Frees `uf`.
  EXPECT_EQ("收到消息", back.ToString());
  EXPECT_TRUE(back.IsOwner());

  EXPECT_EQ(nullptr, CefString().DetachToUserFree());
}

TEST(CefStringCompare, OrdersByCodeUnits) {
  EXPECT_TRUE(CefString("abc") == CefString(L"abc"));
  EXPECT_TRUE(CefString("abc") != CefString("abd"));
  EXPECT_TRUE(CefString("abc") < CefString("abd"));
  EXPECT_TRUE(CefString("ab") < CefString("abc"));
  EXPECT_TRUE(CefString() < CefString("a"));
  EXPECT_TRUE(CefString() == CefString(""));
  EXPECT_TRUE(CefString("z") < CefString("停"));
  // Above U+7FFF the units must compare unsigned.
  EXPECT_TRUE(CefString(u"\x7FFF") < CefString(u"\xFFFD"));

  std::map<CefString, int> switches;
  switches["renderer-process-limit"] = 1;
  switches["enable-webgl"] = 2;
  EXPECT_EQ(1, switches[CefString(L"renderer-process-limit")]);
  EXPECT_EQ("enable-webgl", switches.begin()->first.ToString());
}

TEST(CefStringCompare, ImplicitConversionsToStdStrings) {
  CefString s(L"点击");
  std::wstring w = s;
  std::string u8 = s;
  EXPECT_EQ(L"点击", w);
  EXPECT_EQ("点击", u8);
  s = "x";
  EXPECT_EQ(1u, s.size());
  s.clear();
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(std::wstring(), s.ToWString());
}

}  // namespace
