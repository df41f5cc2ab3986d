// Base64 as the DevTools protocol uses it (screencast frames) and as the
// process channel carries binary values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velora_engine {

std::string EncodeBase64(const std::vector<uint8_t>& bytes);
// False on a character outside the alphabet; line breaks are skipped and
// the text ends at the first '='.
bool DecodeBase64(const std::string& text, std::vector<uint8_t>* out);

}  // namespace velora_engine
