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
