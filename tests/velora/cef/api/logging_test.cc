// The check macros: a passing check costs nothing and evaluates no streamed
// operand; a failing one writes "Check failed: <condition>. " and stops the
// process.
#include <string>

#include "include/base/cef_logging.h"
#include "include/cef_task.h"
#include "include/wrapper/cef_helpers.h"
#include "stub_engine.h"

#include <gtest/gtest.h>

namespace {

int g_evaluations = 0;
int Touch() {
  return ++g_evaluations;
}

TEST(CefLogging, DchecksAreOnForUsersOfTheApi) {
  EXPECT_TRUE(DCHECK_IS_ON());
}

TEST(CefLogging, PassingChecksEvaluateNoMessageOperands) {
  g_evaluations = 0;
  int value = 2;
  DCHECK(value == 2) << Touch();
  CHECK(value > 0) << Touch();
  DCHECK_EQ(value, 2) << Touch();
  CHECK_NE(value, 3) << Touch();
  EXPECT_EQ(0, g_evaluations);
}

TEST(CefLogging, MessagesBelowTheMinimumLevelAreNotBuilt) {
  int saved = cef::logging::GetMinLogLevel();
  cef::logging::SetMinLogLevel(cef::logging::LOG_ERROR);
  g_evaluations = 0;
  LOG(INFO) << Touch();
  LOG(WARNING) << Touch();
  EXPECT_EQ(0, g_evaluations);
  LOG(ERROR) << "expected test output " << Touch();
  EXPECT_EQ(1, g_evaluations);
  cef::logging::SetMinLogLevel(saved);
}

using CefLoggingDeathTest = testing::Test;

TEST_F(CefLoggingDeathTest, FailedCheckWritesTheConditionAndStops) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  void* message_hwnd = nullptr;
  EXPECT_DEATH(DCHECK(message_hwnd), "Check failed: message_hwnd\\. ");
  int count = 3;
  EXPECT_DEATH(DCHECK_EQ(count, 2), "Check failed: count == 2 \\(3 vs\\. 2\\)");
  EXPECT_DEATH(NOTREACHED(), "Check failed: false\\. ");
  EXPECT_DEATH(LOG(FATAL) << "fatal " << L"中文", "fatal 中文");
}

TEST_F(CefLoggingDeathTest, RequireUiThreadStopsOffTheUiThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  stub_engine::Reset();
  stub_engine::SetCurrentThread(TID_IO);
  EXPECT_DEATH({ CEF_REQUIRE_UI_THREAD(); },
               "Check failed: CefCurrentlyOn\\(TID_UI\\)\\. ");
  stub_engine::SetCurrentThread(TID_UI);
  CEF_REQUIRE_UI_THREAD();  // On the UI thread: passes.
  stub_engine::Reset();
}

}  // namespace
