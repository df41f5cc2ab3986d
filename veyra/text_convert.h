// Conversions between narrow text in a Windows code page and wide text.
#pragma once

#include <string>
#include <string_view>

namespace veyra {

// `code_page` is CP_ACP, CP_THREAD_ACP and the like; an empty result when
// the text is empty or cannot be converted.
std::wstring NarrowToWide(std::string_view text, unsigned code_page);
std::string WideToNarrow(std::wstring_view text, unsigned code_page);

}  // namespace veyra
