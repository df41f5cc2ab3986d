// Chromium reports failed loads by name ("net::ERR_CONNECTION_REFUSED");
// the engine's load handler takes the numeric code. These map one to the
// other with the values of Chromium's network error list.
#pragma once

#include <string>

namespace velora_engine {

// "net::ERR_CONNECTION_REFUSED" or "ERR_CONNECTION_REFUSED" -> -102.
// An unknown name gives -2 (ERR_FAILED); an empty text gives 0.
int NetErrorCodeFromText(const std::string& text);

// -102 -> "net::ERR_CONNECTION_REFUSED"; an unknown code gives
// "net::ERR_FAILED".
std::string NetErrorTextFromCode(int code);

}  // namespace velora_engine

namespace velora_engine {

// How a renderer sub-process that ended under a live page ended, from its
// exit code, as the engine's termination status (cef_termination_status_t):
// out-of-memory codes (0xC0000017, 0xE0000008) -> TS_PROCESS_OOM (3); other
// exception codes (0xC0000000 and up) -> TS_PROCESS_CRASHED (2); 1, the code
// of a kill from outside -> TS_PROCESS_WAS_KILLED (1); anything else,
// 0 included -> TS_ABNORMAL_TERMINATION (0).
int TerminationStatusFromExitCode(unsigned long exit_code);

}  // namespace velora_engine
