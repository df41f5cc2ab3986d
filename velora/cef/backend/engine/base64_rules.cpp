#include "base64_rules.h"

namespace velora_engine {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string EncodeBase64(const std::vector<uint8_t>& in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    out += kAlphabet[v >> 18]; out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63]; out += kAlphabet[v & 63];
  }
  if (i + 1 == in.size()) {
    const unsigned v = in[i] << 16;
    out += kAlphabet[v >> 18]; out += kAlphabet[(v >> 12) & 63]; out += "==";
  } else if (i + 2 == in.size()) {
    const unsigned v = (in[i] << 16) | (in[i + 1] << 8);
    out += kAlphabet[v >> 18]; out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63]; out += '=';
  }
  return out;
}

bool DecodeBase64(const std::string& text, std::vector<uint8_t>* out) {
  out->clear();
  out->reserve(text.size() / 4 * 3);
  uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    if (c == '\n' || c == '\r') continue;
    const int v = Value(c);
    if (v < 0) return false;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<uint8_t>((acc >> bits) & 0xFF));
    }
  }
  return true;
}

}  // namespace velora_engine
