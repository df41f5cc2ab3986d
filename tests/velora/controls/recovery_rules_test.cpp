#include "cef3/common/recovery_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using recovery_rules::Ladder;
using recovery_rules::NextStep;

TEST(RecoveryLadder, ThreeGrowingReloadsAMinuteThenTheErrorPage) {
  Ladder ladder;
  struct Case {
    uint64_t at;
    bool reload;
    int attempt;
    int delayMs;
  } cases[] = {
      {1000, true, 1, 500},
      {2000, true, 2, 1000},
      {3000, true, 3, 2000},
      {4000, false, 0, 0},    // the fourth within the minute
      {60999, false, 0, 0},   // the first reload is not a minute old yet
      {61000, true, 3, 2000}, // it is now: one place is free again
      {61001, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    const recovery_rules::Step step = NextStep(&ladder, c.at);
    EXPECT_EQ(c.reload, step.reload);
    EXPECT_EQ(c.attempt, step.attempt);
    EXPECT_EQ(c.delayMs, step.delayMs);
  }
  // "retry" starts from the bottom.
  recovery_rules::Reset(&ladder);
  const recovery_rules::Step step = NextStep(&ladder, 61002);
  EXPECT_TRUE(step.reload);
  EXPECT_EQ(1, step.attempt);
  EXPECT_EQ(500, step.delayMs);
}

TEST(RecoveryErrorPage, TheReasonStaysTextAndTheAddressIsRecognised) {
  const std::string address = recovery_rules::ErrorPageAddress(L"<script>alert(1)</script> & 100% #x \u8fdb\u7a0b");
  const std::wstring wide(address.begin(), address.end());
  EXPECT_TRUE(recovery_rules::IsErrorPage(wide));
  // One address: nothing that ends it early or starts a fragment.
  EXPECT_EQ(std::string::npos, address.find('#'));
  EXPECT_EQ(std::string::npos, address.find(' '));
  EXPECT_EQ(std::string::npos, address.find("<script>"));
  // The reason arrives escaped inside the page (%26lt%3Bscript is "&lt;script").
  EXPECT_NE(std::string::npos, address.find("%26lt%3Bscript%26gt%3B"));
  // UTF-8 of 进程, percent-encoded.
  EXPECT_NE(std::string::npos, address.find("%E8%BF%9B%E7%A8%8B"));
  EXPECT_NE(std::string::npos, address.find("velora%2Dretry%3Areload"));

  EXPECT_FALSE(recovery_rules::IsErrorPage(L"data:text/html,<p>a game</p>"));
  EXPECT_FALSE(recovery_rules::IsErrorPage(L"http://game.test/"));
  EXPECT_TRUE(recovery_rules::IsRetry(L"velora-retry:reload"));
  EXPECT_FALSE(recovery_rules::IsRetry(L"http://velora-retry/"));
}

TEST(StartupTiming, LinesNameTheMarkAndTheMilliseconds) {
  EXPECT_EQ(L"startup: frame shown at +412 ms", recovery_rules::TimingLine(recovery_rules::Mark::kFrameShown, 412));
  EXPECT_EQ(L"startup: first page frame painted at +0 ms",
            recovery_rules::TimingLine(recovery_rules::Mark::kFirstPaint, 0));
  EXPECT_EQ(L"startup: page load finished at +18446744073709551615 ms",
            recovery_rules::TimingLine(recovery_rules::Mark::kLoadFinished, ~0ull));
}

}  // namespace

namespace {

TEST(StartupTiming, ThePagesPaintTimeAsProcessMilliseconds) {
  const unsigned long long start = 1765400000000ull;
  struct Case {
    const char* report;
    unsigned long long ms;
  } cases[] = {
      {"1765400001234", 1234}, {"1765400000000", 0}, {"1765399999999", 0},
      {"", 0},                 {"12x", 0},           {"99999999999999999999999", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    EXPECT_EQ(c.ms, recovery_rules::EpochMsToProcessMs(c.report, start));
  }
}

}  // namespace
