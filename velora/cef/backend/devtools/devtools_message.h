// DevTools protocol messages as plain values: building a command's text,
// reading a message the browser sent, and reading the DevToolsActivePort
// file Chromium writes into its user-data folder. No transport here.
#pragma once

#include <string>

#include <json/value.h>

namespace velora_engine {

// Builds the compact JSON text of one command. "sessionId" is written only
// when session_id is not empty (commands to the browser target carry none):
//   BuildCommand(7, "", "Target.getTargets", {})
//     -> {"id":7,"method":"Target.getTargets","params":{}}
//   BuildCommand(8, "AB12", "Runtime.evaluate", {"expression":"1+1"})
//     -> {"id":8,"sessionId":"AB12","method":"Runtime.evaluate","params":{"expression":"1+1"}}
// A null params value is written as {}. Non-ASCII text is written as UTF-8.
std::string BuildCommand(int id, const std::string& session_id, const std::string& method,
                         const Json::Value& params);

enum class MessageKind {
  kReply,  // has an integer "id": the answer to one command
  kEvent,  // has a "method" and no "id"
  kBad,    // not JSON, not an object, or neither of the above
};

struct ParsedMessage {
  MessageKind kind = MessageKind::kBad;
  int id = 0;                // replies
  std::string session_id;    // empty for the browser target
  std::string method;        // events
  Json::Value params;        // events; an empty object when absent
  Json::Value result;        // successful replies; an empty object when absent
  bool has_error = false;    // replies: the command failed
  int error_code = 0;
  std::string error_message; // "message", followed by " (data)" when the browser sent data
  std::string parse_error;   // kBad: why
};

// Parses one message. The params/result members are moved out of the parsed
// tree, not copied, so a 10 MiB event costs one parse and nothing more.
ParsedMessage ParseMessage(const std::string& text);

// Reads DevToolsActivePort: the port on the first line, the browser
// endpoint's path on the second ("9222\n/devtools/browser/4f1c...\n").
// Accepts CRLF line ends and a missing final line end. Refuses a port that is
// not plain decimal or outside 1..65535, a missing or empty second line, and
// a path that does not start with '/' or holds spaces or control characters.
// The outputs are written only on success.
bool ParseActivePort(const std::string& file_text, int* port, std::string* browser_path);

}  // namespace velora_engine
