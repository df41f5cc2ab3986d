// The page side of script functions that renderer handlers put on a
// context's global object.
//
// Chromium runs the page; the handlers run in our renderer sub-process. A
// page reaches them through one DevTools binding: every function the
// renderer registered is defined in the page as a small wrapper that
// encodes its arguments with their kinds and calls the binding. The
// definitions are installed by a script that Chromium runs in every new
// document before the page's own scripts, so the functions exist for the
// first inline script already.
#pragma once

#include <json/value.h>

#include <string>
#include <vector>

namespace velora_engine {

// The DevTools binding every wrapper calls.
extern const char kBridgeBindingName[];

// What a renderer handler left on a context's global object.
struct BridgeProperty {
  enum class Kind { kFunction, kGlobalAlias, kValue };
  std::string name;
  Kind kind = Kind::kValue;
  Json::Value value;  // kValue only: null, bool, number or string
};

Json::Value BridgePropertiesToJson(const std::vector<BridgeProperty>& props);
std::vector<BridgeProperty> BridgePropertiesFromJson(const Json::Value& json);

// The script that defines the properties in a document (or again in a
// live context). Names are written as JSON strings, so any name is safe.
std::string BuildBridgeScript(const std::vector<BridgeProperty>& props);

// One argument of a call as the page passed it.
struct BridgeArg {
  enum class Kind { kUndefined, kNull, kBool, kInt, kUInt, kDouble, kString,
                    kDate, kArray, kObject, kFunction };
  Kind kind = Kind::kUndefined;
  bool bool_value = false;
  double number = 0;  // kInt, kUInt, kDouble; kDate: milliseconds since 1970
  std::string text;   // kString (UTF-8), kFunction: its name
  std::vector<BridgeArg> items;          // kArray elements, kObject values
  std::vector<std::string> keys;         // kObject keys, same order as items
};

struct BridgeCall {
  std::string name;
  std::vector<BridgeArg> args;
};

// Reads the binding payload a wrapper sent:
//   {"n":"openAdUrl","a":[{"t":"s","v":"x"},{"t":"i","v":5}]}
// False (with a reason) for anything else; a wrapper never sends that, but
// a page can call the binding itself.
bool ParseBridgeCall(const std::string& payload, BridgeCall* call, std::string* error);

// The same call as a plain value for the channel to the renderer, and back.
Json::Value BridgeArgsToJson(const std::vector<BridgeArg>& args);
bool BridgeArgsFromJson(const Json::Value& json, std::vector<BridgeArg>* args);

}  // namespace velora_engine
