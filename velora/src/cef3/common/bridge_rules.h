// The script bridge's names and its argument conversion as plain values,
// tested on the host; the renderer's V8 glue maps CefV8Values onto them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bridge_rules {

// The functions every script context gets, in registration order: the
// fixed list, then the page-call names.
const std::vector<std::string>& BridgeFunctionNames();

// What a script argument is, tested in this order by the glue.
enum class ArgKind { kString, kBool, kInt, kObject, kOther };
// What the process message carries for it.
enum class EntryKind { kString, kBool, kInt, kNull };

struct Arg {
  ArgKind kind = ArgKind::kOther;
  std::wstring text;
  bool flag = false;
  int number = 0;
};
struct Entry {
  EntryKind kind = EntryKind::kNull;
  std::wstring text;
  bool flag = false;
  int number = 0;
};

// One entry per argument, in order. Objects (arrays and functions too) and
// everything else (undefined, null, fractions, dates) become empty entries;
// `objects` counts the objects, each of which the caller logs as an error.
//   ("x", 5, true, 1.5, null, {}) -> "x", 5, true, null, null, null; 1 object
std::vector<Entry> ConvertArguments(const std::vector<Arg>& args, size_t* objects);

}  // namespace bridge_rules
