#include "cef3/common/bridge_rules.h"

namespace bridge_rules {

const std::vector<std::string>& BridgeFunctionNames() {
  static const std::vector<std::string> names = {
      "close", "minimize", "isChrome", "openAdUrl",
      // The page-call names.
      "closeLogin", "startGame", "web2vc_toShowUrl", "web2vc_Close", "web2vc_returnGame", "web2vc_isWd"};
  return names;
}

std::vector<Entry> ConvertArguments(const std::vector<Arg>& args, size_t* objects) {
  std::vector<Entry> out(args.size());
  size_t seen = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    switch (args[i].kind) {
      case ArgKind::kString:
        out[i].kind = EntryKind::kString;
        out[i].text = args[i].text;
        break;
      case ArgKind::kBool:
        out[i].kind = EntryKind::kBool;
        out[i].flag = args[i].flag;
        break;
      case ArgKind::kInt:
        out[i].kind = EntryKind::kInt;
        out[i].number = args[i].number;
        break;
      case ArgKind::kObject:
        ++seen;
        break;
      case ArgKind::kOther:
        break;
    }
  }
  if (objects) *objects = seen;
  return out;
}

}  // namespace bridge_rules
