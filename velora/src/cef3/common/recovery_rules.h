// What a browser control does when the process under its page dies, and
// the start-up timing lines of the main log, as plain rules.
//
// The recovery ladder: the page is reloaded by itself, at most three times
// within a minute, after a pause that grows (0.5 s, 1 s, 2 s). A fourth
// death within that minute shows the local error page instead, whose
// "retry" starts the ladder again.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace recovery_rules {

constexpr int kMaxReloads = 3;
constexpr uint64_t kWindowMs = 60000;
// The address the error page's "retry" button opens; the control takes it
// and never lets it load.
constexpr const wchar_t kRetryAddress[] = L"velora-retry:reload";

struct Ladder {
  std::deque<uint64_t> reloads;  // when each reload of the last minute was decided
};

struct Step {
  bool reload = false;  // false: show the error page
  int attempt = 0;      // 1..kMaxReloads for a reload
  int delayMs = 0;      // pause before the reload
};

// The step for a death at `nowMs` (a monotonic clock), recorded in the
// ladder when it is a reload.
Step NextStep(Ladder* ladder, uint64_t nowMs);
// "retry": the ladder starts again.
void Reset(Ladder* ladder);

// The reason shown and logged for a cef_termination_status_t value.
const wchar_t* TerminationReason(int status);

// The error page as a data: address: the reason, and a "retry" button
// that opens kRetryAddress. Colours follow the sample skin.
std::string ErrorPageAddress(const std::wstring& reason);

// True for the address of the error page.
bool IsErrorPage(const std::wstring& url);
// True for the address the error page's "retry" opens.
bool IsRetry(const std::wstring& url);

// The start-up marks of the main log, with milliseconds since the process
// started: "startup: frame shown at +412 ms".
enum class Mark { kFrameShown, kFirstPaint, kLoadFinished };
std::wstring TimingLine(Mark mark, unsigned long long ms);

}  // namespace recovery_rules

namespace recovery_rules {

// The renderer's hidden function through which the page's paint probe
// reports the first frame painted; the process message has its name.
constexpr const char kPaintReport[] = "__veloraFirstPaint";
// Run in a main frame as it loads (more than once does no harm): reports
// the time of the page's first paint, once, as milliseconds since 1970 in
// a text (at once when the page has already painted).
extern const char kPaintProbe[];
// That report as milliseconds since the process started; 0 for a report
// that is no number or lies before the start.
unsigned long long EpochMsToProcessMs(const std::string& epochMs, unsigned long long processStartEpochMs);

}  // namespace recovery_rules
