#include "devtools_message.h"

#include <memory>

#include <json/reader.h>
#include <json/writer.h>

namespace velora_engine {
namespace {

// One compact writer configuration for every message: no indentation, UTF-8
// as it is (not \u escapes, which would make Chinese text six times longer).
const Json::StreamWriterBuilder& CompactWriter() {
  static const Json::StreamWriterBuilder builder = [] {
    Json::StreamWriterBuilder b;
    b["indentation"] = "";
    b["emitUTF8"] = true;
    return b;
  }();
  return builder;
}

std::string Quote(const std::string& text) {
  return Json::writeString(CompactWriter(), Json::Value(text));
}

constexpr char kSession[] = "sessionId";
constexpr char kId[] = "id";
constexpr char kMethod[] = "method";

}  // namespace

std::string BuildCommand(int id, const std::string& session_id, const std::string& method,
                         const Json::Value& params) {
  // The envelope is written by hand so that params (which may hold megabytes
  // of text) is serialised once and never copied into a surrounding tree.
  std::string text = "{\"id\":" + std::to_string(id);
  if (!session_id.empty()) {
    text += ",\"sessionId\":";
    text += Quote(session_id);
  }
  text += ",\"method\":";
  text += Quote(method);
  text += ",\"params\":";
  if (params.isNull())
    text += "{}";
  else
    text += Json::writeString(CompactWriter(), params);
  text += '}';
  return text;
}

ParsedMessage ParseMessage(const std::string& text) {
  ParsedMessage message;
  static const Json::CharReaderBuilder builder = [] {
    Json::CharReaderBuilder b;
    b["collectComments"] = false;
    b["failIfExtra"] = true;
    return b;
  }();
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
    message.parse_error = "not JSON: " + errors;
    return message;
  }
  if (!root.isObject()) {
    message.parse_error = "not a JSON object";
    return message;
  }
  if (const Json::Value* session = root.find(kSession, kSession + 9)) {
    if (!session->isString()) {
      message.parse_error = "sessionId is not a string";
      return message;
    }
    message.session_id = session->asString();
  }

  const Json::Value* id = root.find(kId, kId + 2);
  if (id) {
    if (!id->isInt()) {
      message.parse_error = "id is not an integer";
      return message;
    }
    message.id = id->asInt();
    if (root.isMember("error")) {
      const Json::Value* error = &root["error"];
      message.has_error = true;
      if (error->isObject()) {
        const Json::Value& code = (*error)["code"];
        message.error_code = code.isInt() ? code.asInt() : 0;
        const Json::Value& text_value = (*error)["message"];
        message.error_message = text_value.isString() ? text_value.asString() : "unknown error";
        const Json::Value& data = (*error)["data"];
        if (data.isString() && !data.asString().empty())
          message.error_message += " (" + data.asString() + ")";
      } else {
        message.error_message = "unknown error";
      }
    } else if (root.isMember("result")) {
      message.result.swap(root["result"]);
    }
    if (message.result.isNull())
      message.result = Json::Value(Json::objectValue);
    message.kind = MessageKind::kReply;
    return message;
  }

  const Json::Value* method = root.find(kMethod, kMethod + 6);
  if (!method || !method->isString()) {
    message.parse_error = "neither a reply (id) nor an event (method)";
    return message;
  }
  message.method = method->asString();
  if (root.isMember("params"))
    message.params.swap(root["params"]);
  if (message.params.isNull())
    message.params = Json::Value(Json::objectValue);
  message.kind = MessageKind::kEvent;
  return message;
}

bool ParseActivePort(const std::string& file_text, int* port, std::string* browser_path) {
  // Split into the first two lines; CR before LF is dropped.
  size_t first_end = file_text.find('\n');
  if (first_end == std::string::npos)
    return false;
  std::string first = file_text.substr(0, first_end);
  size_t second_end = file_text.find('\n', first_end + 1);
  std::string second = file_text.substr(
      first_end + 1, second_end == std::string::npos ? std::string::npos : second_end - first_end - 1);
  if (!first.empty() && first.back() == '\r')
    first.pop_back();
  if (!second.empty() && second.back() == '\r')
    second.pop_back();
  // Anything after the second line except empty lines is not this file.
  if (second_end != std::string::npos) {
    for (size_t i = second_end + 1; i < file_text.size(); ++i) {
      if (file_text[i] != '\r' && file_text[i] != '\n')
        return false;
    }
  }

  if (first.empty() || first.size() > 5)
    return false;
  int value = 0;
  for (char c : first) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535)
    return false;

  if (second.empty() || second[0] != '/')
    return false;
  for (unsigned char c : second) {
    if (c <= 0x20 || c == 0x7f)
      return false;
  }
  *port = value;
  *browser_path = second;
  return true;
}

}  // namespace velora_engine
