// Wide texts that Rundle logs are converted to the system's ANSI code page.
#pragma once

#include <string>

std::string ToAnsi(const std::wstring& text);
