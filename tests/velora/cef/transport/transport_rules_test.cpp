// The plumbing's neutral rules: DevTools command text and message parsing,
// the DevToolsActivePort file, the channel's frame codec, and where Chromium
// is looked for.
#include <gtest/gtest.h>

#include <json/reader.h>

#include "channel_frame.h"
#include "chromium_locator.h"
#include "devtools_message.h"

using namespace velora_engine;

namespace {

Json::Value Parse(const std::string& text) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text;
  return value;
}

TEST(DevToolsMessageTest, BuildCommand) {
  Json::Value evaluate;
  evaluate["expression"] = "'\xe4\xbd\xa0' + \"\\n\"";
  struct Case {
    const char* name;
    int id;
    std::string session;
    std::string method;
    Json::Value params;
    std::string expected;
  };
  const Case cases[] = {
      {"browser target, null params", 7, "", "Target.getTargets", Json::Value(),
       R"({"id":7,"method":"Target.getTargets","params":{}})"},
      {"session and UTF-8 text kept as it is", 8, "AB12", "Runtime.evaluate", evaluate,
       "{\"id\":8,\"sessionId\":\"AB12\",\"method\":\"Runtime.evaluate\",\"params\":"
       "{\"expression\":\"'\xe4\xbd\xa0' + \\\"\\\\n\\\"\"}}"},
      {"quotes in names are escaped", 9, "a\"b", "X.y", Json::Value(Json::objectValue),
       R"({"id":9,"sessionId":"a\"b","method":"X.y","params":{}})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = BuildCommand(c.id, c.session, c.method, c.params);
    EXPECT_EQ(c.expected, text);
    // Round trip through a JSON parser: the text is what it claims to be.
    Json::Value back = Parse(text);
    EXPECT_EQ(c.id, back["id"].asInt());
    EXPECT_EQ(c.method, back["method"].asString());
    EXPECT_EQ(!c.session.empty(), back.isMember("sessionId"));
  }
}

TEST(DevToolsMessageTest, ParseMessageKinds) {
  struct Case {
    const char* name;
    std::string text;
    MessageKind kind;
    int id;
    std::string session;
    std::string method;
    bool has_error;
    int error_code;
    std::string error_message;
  };
  const Case cases[] = {
      {"reply", R"({"id":3,"result":{"v":1}})", MessageKind::kReply, 3, "", "", false, 0, ""},
      {"reply on a session", R"({"id":4,"sessionId":"S1","result":{}})", MessageKind::kReply, 4, "S1", "",
       false, 0, ""},
      {"reply without result", R"({"id":5})", MessageKind::kReply, 5, "", "", false, 0, ""},
      {"error reply", R"({"id":6,"error":{"code":-32601,"message":"'X.y' wasn't found"}})",
       MessageKind::kReply, 6, "", "", true, -32601, "'X.y' wasn't found"},
      {"error with data", R"({"id":7,"error":{"code":-32602,"message":"Invalid parameters","data":"url: string value expected"}})",
       MessageKind::kReply, 7, "", "", true, -32602, "Invalid parameters (url: string value expected)"},
      {"error that is not an object", R"({"id":8,"error":"boom"})", MessageKind::kReply, 8, "", "", true, 0,
       "unknown error"},
      {"event", R"({"method":"Page.loadEventFired","params":{"timestamp":1.5}})", MessageKind::kEvent, 0, "",
       "Page.loadEventFired", false, 0, ""},
      {"event on a session without params", R"({"method":"Page.domContentEventFired","sessionId":"S2"})",
       MessageKind::kEvent, 0, "S2", "Page.domContentEventFired", false, 0, ""},
      {"not JSON", "{\"id\":", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"empty", "", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"array", "[1,2]", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"text after the object", R"({"id":1,"result":{}} x)", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"id not an integer", R"({"id":"1","result":{}})", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"id too large", R"({"id":4294967296,"result":{}})", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"method not a string", R"({"method":5})", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"neither id nor method", R"({"params":{}})", MessageKind::kBad, 0, "", "", false, 0, ""},
      {"sessionId not a string", R"({"method":"A.b","sessionId":1})", MessageKind::kBad, 0, "", "", false, 0,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParsedMessage m = ParseMessage(c.text);
    EXPECT_EQ(c.kind, m.kind);
    EXPECT_EQ(c.kind == MessageKind::kBad, !m.parse_error.empty()) << m.parse_error;
    if (c.kind == MessageKind::kBad)
      continue;
    EXPECT_EQ(c.id, m.id);
    EXPECT_EQ(c.session, m.session_id);
    EXPECT_EQ(c.method, m.method);
    EXPECT_EQ(c.has_error, m.has_error);
    EXPECT_EQ(c.error_code, m.error_code);
    EXPECT_EQ(c.error_message, m.error_message);
    // Params and result are objects whenever the message is good, so that
    // handlers can index them without checking.
    EXPECT_TRUE(m.kind == MessageKind::kEvent ? m.params.isObject() : m.result.isObject());
  }
}

TEST(DevToolsMessageTest, BigEventKeepsItsPayload) {
  const std::string data(10u * 1024u * 1024u, 'Q');
  ParsedMessage m = ParseMessage(R"({"method":"Runtime.bindingCalled","params":{"name":"b","payload":")" + data +
                                 R"("},"sessionId":"S"})");
  ASSERT_EQ(MessageKind::kEvent, m.kind);
  EXPECT_EQ(data, m.params["payload"].asString());
  EXPECT_EQ("b", m.params["name"].asString());
}

TEST(DevToolsMessageTest, ParseActivePort) {
  struct Case {
    const char* name;
    std::string text;
    bool ok;
    int port;
    std::string path;
  };
  const Case cases[] = {
      {"two lines", "9222\n/devtools/browser/4f1c-ab\n", true, 9222, "/devtools/browser/4f1c-ab"},
      {"no final line end", "41234\n/devtools/browser/x", true, 41234, "/devtools/browser/x"},
      {"CRLF", "1\r\n/devtools/browser/x\r\n", true, 1, "/devtools/browser/x"},
      {"highest port", "65535\n/p\n", true, 65535, "/p"},
      {"port 0", "0\n/p\n", false, 0, ""},
      {"port too large", "65536\n/p\n", false, 0, ""},
      {"port far too large", "99999999999\n/p\n", false, 0, ""},
      {"signed port", "+80\n/p\n", false, 0, ""},
      {"negative port", "-1\n/p\n", false, 0, ""},
      {"port with space", "80 \n/p\n", false, 0, ""},
      {"not a number", "abc\n/p\n", false, 0, ""},
      {"empty file", "", false, 0, ""},
      {"first line only", "9222\n", false, 0, ""},
      {"first line without end", "9222", false, 0, ""},
      {"empty second line", "9222\n\n", false, 0, ""},
      {"relative path", "9222\ndevtools/browser/x\n", false, 0, ""},
      {"space in path", "9222\n/devtools/browser/a b\n", false, 0, ""},
      {"third line", "9222\n/p\nmore\n", false, 0, ""},
      {"binary garbage", std::string("\x01\x02\n/\x7f\n", 6), false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int port = -7;
    std::string path = "untouched";
    EXPECT_EQ(c.ok, ParseActivePort(c.text, &port, &path));
    EXPECT_EQ(c.ok ? c.port : -7, port);
    EXPECT_EQ(c.ok ? c.path : "untouched", path);
  }
}

TEST(ChannelFrameTest, EncodesLittleEndianLength) {
  std::string error;
  EXPECT_EQ(std::string("\x03\x00\x00\x00" "abc", 7), EncodeFrame("abc", &error));
  EXPECT_EQ(std::string("\x00\x00\x00\x00", 4), EncodeFrame("", &error));
  unsigned char header[kFrameHeaderSize];
  ASSERT_TRUE(EncodeFrameHeader(kMaxFrameSize, header, &error));
  EXPECT_EQ(0x00, header[0]);
  EXPECT_EQ(0x00, header[2]);
  EXPECT_EQ(0x04, header[3]);
  EXPECT_FALSE(EncodeFrameHeader(kMaxFrameSize + 1, header, &error));
  EXPECT_NE(std::string::npos, error.find("64 MiB")) << error;
}

// Several frames, including an empty and a large one, cut into chunks of
// every awkward size: the decoder gives back exactly what was framed.
TEST(ChannelFrameTest, DecoderReassemblesAnyChunking) {
  const std::vector<std::string> payloads = {"{\"a\":1}", "", std::string(300000, 'x'), "z",
                                             "\xe4\xbd\xa0\xe5\xa5\xbd"};
  std::string stream;
  for (const std::string& p : payloads)
    stream += EncodeFrame(p, nullptr);
  for (size_t chunk : {size_t{1}, size_t{3}, size_t{4}, size_t{5}, size_t{4096}, stream.size()}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    FrameDecoder decoder;
    std::vector<std::string> out;
    for (size_t at = 0; at < stream.size(); at += chunk) {
      ASSERT_TRUE(decoder.Feed(stream.data() + at, std::min(chunk, stream.size() - at)));
      std::string payload;
      while (decoder.Next(&payload))
        out.push_back(payload);
    }
    EXPECT_EQ(payloads, out);
    EXPECT_EQ(0u, decoder.pending_bytes());
  }
  // A frame in progress counts its header too: 4 header bytes and 2 of "{\"a\":1}".
  FrameDecoder partial;
  ASSERT_TRUE(partial.Feed(stream.data(), 6));
  EXPECT_EQ(6u, partial.pending_bytes());
  ASSERT_TRUE(partial.Feed(stream.data() + 6, 5));
  EXPECT_EQ(0u, partial.pending_bytes());
}

TEST(ChannelFrameTest, OversizedHeaderBreaksTheDecoderForGood) {
  FrameDecoder decoder;
  std::string good = EncodeFrame("ok", nullptr);
  // One good frame, then a header of 64 MiB + 1 split across two feeds.
  std::string bad("\x01\x00\x00\x04", 4);
  ASSERT_TRUE(decoder.Feed((good + bad.substr(0, 2)).data(), good.size() + 2));
  EXPECT_FALSE(decoder.Feed(bad.data() + 2, 2));
  EXPECT_TRUE(decoder.broken());
  EXPECT_NE(std::string::npos, decoder.error().find("67108865")) << decoder.error();
  // Later bytes, even a good frame, are refused.
  EXPECT_FALSE(decoder.Feed(good.data(), good.size()));
  // The frame completed before the fault is still delivered.
  std::string payload;
  ASSERT_TRUE(decoder.Next(&payload));
  EXPECT_EQ("ok", payload);
  EXPECT_FALSE(decoder.Next(&payload));

  // Exactly the limit is a frame like any other (header only here).
  FrameDecoder at_limit;
  std::string limit("\x00\x00\x00\x04", 4);
  EXPECT_TRUE(at_limit.Feed(limit.data(), limit.size()));
  EXPECT_FALSE(at_limit.broken());
}

TEST(ChromiumLocatorTest, CandidatesInOrder) {
  struct Case {
    const char* name;
    std::wstring configured;
    bool wine;
    std::vector<std::wstring> program_files;
    std::wstring local;
    std::vector<std::wstring> expected;
    bool only_configured = false;
  };
  const Case cases[] = {
      {"Wine, nothing configured, no Windows folders", L"", true, {}, L"",
       {L"Z:\\usr\\lib\\chromium\\chromium", L"Z:\\usr\\lib\\chromium-browser\\chromium-browser"}},
      {"configured first, quoted and padded", L"  \"D:\\Tools\\chrome.exe\" ", true, {}, L"",
       {L"D:\\Tools\\chrome.exe", L"Z:\\usr\\lib\\chromium\\chromium",
        L"Z:\\usr\\lib\\chromium-browser\\chromium-browser"}},
      {"Unix path configured under Wine", L"/opt/chromium/chrome", true, {}, L"",
       {L"Z:\\opt\\chromium\\chrome", L"Z:\\usr\\lib\\chromium\\chromium",
        L"Z:\\usr\\lib\\chromium-browser\\chromium-browser"}},
      {"Windows: browser by browser, folder by folder, duplicates once",
       L"",
       false,
       {L"C:\\Program Files", L"c:\\program files\\", L"C:\\Program Files (x86)"},
       L"C:\\Users\\a\\AppData\\Local",
       {L"C:\\Program Files\\Chromium\\Application\\chrome.exe",
        L"C:\\Program Files (x86)\\Chromium\\Application\\chrome.exe",
        L"C:\\Users\\a\\AppData\\Local\\Chromium\\Application\\chrome.exe",
        L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Users\\a\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe",
        L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe",
        L"C:\\Users\\a\\AppData\\Local\\Microsoft\\Edge\\Application\\msedge.exe"}},
      {"Windows: configured path also found among installed", L"C:\\Program Files\\Chromium\\Application\\chrome.exe",
       false, {L"C:\\Program Files", L""}, L"",
       {L"C:\\Program Files\\Chromium\\Application\\chrome.exe",
        L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
        L"C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe"}},
      {"Windows: Unix-looking path left alone", L"/x", false, {}, L"", {L"/x"}},
      {"only the configured one, in its Z: form", L"/opt/c", true, {L"C:\\Program Files"}, L"C:\\L",
       {L"Z:\\opt\\c"}, true},
      {"only configured, but nothing configured: nowhere to look", L"  ", true, {L"C:\\Program Files"}, L"",
       {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected,
              ChromiumCandidates(c.configured, c.wine, c.program_files, c.local, c.only_configured));
  }
}

TEST(ChromiumLocatorTest, UserDataFolders) {
  EXPECT_EQ(L"C:\\engine\\1234", UserDataFolderFor(L"C:\\engine\\", 1234));
  EXPECT_EQ(L"C:\\engine\\4294967295", UserDataFolderFor(L"C:\\engine", 4294967295ul));
  struct Case {
    const wchar_t* name;
    bool ok;
    unsigned long pid;
  };
  const Case cases[] = {
      {L"1234", true, 1234},      {L"4294967295", true, 4294967295ul},
      {L"4294967296", false, 0},  {L"99999999999", false, 0},
      {L"0", false, 0},           {L"01234", false, 0},
      {L"12a", false, 0},         {L"", false, 0},
      {L"Default", false, 0},     {L"-5", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    unsigned long pid = 77;
    EXPECT_EQ(c.ok, ParseUserDataFolderName(c.name, &pid));
    EXPECT_EQ(c.ok ? c.pid : 77ul, pid);
  }
}

}  // namespace
