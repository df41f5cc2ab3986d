// Veyra.dll as its caller sees it: loaded with LoadLibraryExW, exports from
// GetProcAddress, against a real COM server, real client processes with
// signed executables, a real Ombra library and the Pavlix8 registry value.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "fixture_support.h"
#include <objbase.h>
#include "handshake_token.h"
#include "veyra_core.h"

namespace {

using veyra_test::Ansi;
using veyra_test::BarIdRegistryValue;
using veyra_test::ClientProcess;
using veyra_test::ComUninitialisedOnThisThread;
using veyra_test::DebugCapture;
using veyra_test::OmbraLibrary;
using veyra_test::TestServer;
using veyra_test::VeyraDll;

const std::wstring kBarInfo42 = L"{\"JSON_TYPE\": 2147483653, \"BarId\": 42}";
const std::wstring kInfoAck = L"{\"JSON_TYPE\": 2147483649}";

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

enum class Token { kNone, kRight, kLowercase, kWrong, kNull };
enum class Ombra { kAbsent, kNo, kYes };

struct CafeCase {
  const char* name;
  Token token;
  bool pass_returned_handle;  // else Veyra gets null
  std::optional<std::wstring> server_reply;  // no value: no server registered
  const char* tallowview;                   // signer, "" unsigned, null not running
  const char* quillon;
  Ombra ombra;
  int expected;
  std::vector<std::wstring> lines;  // the "Veyra::SSOSign"/"Veyra::Veyra" lines
};

std::vector<std::string> AnsiLines(const std::vector<std::wstring>& lines) {
  std::vector<std::string> out;
  for (const std::wstring& line : lines) out.push_back(Ansi(line));
  return out;
}

TEST(VeyraExports, AreFoundByTheirPlainNames) {
  VeyraDll dll;
  EXPECT_TRUE(dll.Loaded());
}

TEST(VeyraExports, CafeTestTable) {
  using namespace veyra;
  const std::wstring ok = kLineTokenAccepted, bad = kLineTokenRejected;
  const std::wstring handle_ok = kLineHandleAccepted, handle_bad = kLineHandleRejected;
  const CafeCase cases[] = {
      {"right token, bar id from the server", Token::kRight, true, kBarInfo42, nullptr, nullptr,
       Ombra::kYes, 1, {ok, handle_ok, kLineBarIdFound}},
      {"lowercase token", Token::kLowercase, true, kBarInfo42, nullptr, nullptr, Ombra::kNo, 1,
       {ok, handle_ok, kLineBarIdFound}},
      {"wrong token, null handle", Token::kWrong, true, kBarInfo42, nullptr, nullptr, Ombra::kYes,
       0, {bad, handle_bad}},
      {"null token", Token::kNull, true, kBarInfo42, nullptr, nullptr, Ombra::kYes, 0,
       {bad, handle_bad}},
      {"no SSOSign, null handle passes", Token::kNone, false, kBarInfo42, nullptr, nullptr,
       Ombra::kNo, 1, {kLineBarIdFound}},
      {"no server, no client, Ombra", Token::kRight, true, std::nullopt, nullptr, nullptr,
       Ombra::kYes, 2, {ok, handle_ok, kLineNoClientProcess}},
      {"no server, no client, Ombra says no", Token::kRight, true, std::nullopt, nullptr, nullptr,
       Ombra::kNo, 0, {ok, handle_ok, kLineNoClientProcess}},
      {"no server, no client, no Ombra library", Token::kRight, true, std::nullopt, nullptr,
       nullptr, Ombra::kAbsent, 0, {ok, handle_ok, kLineNoClientProcess}},
      {"other packet, Tallowview signed by Orvane", Token::kRight, true, kInfoAck, "orvane",
       nullptr, Ombra::kYes, 1, {ok, handle_ok, kLineSignerAccepted}},
      {"QuillonClient signed by Quillonsoft", Token::kRight, true, std::nullopt, nullptr,
       "quillonsoft", Ombra::kYes, 1, {ok, handle_ok, kLineSignerAccepted}},
      {"Tallowview signed by neither, Ombra", Token::kRight, true, std::nullopt, "neither",
       nullptr, Ombra::kYes, 2, {ok, handle_ok, kLineSignerRejected}},
      {"Tallowview unsigned", Token::kRight, true, std::nullopt, "", nullptr, Ombra::kNo, 0,
       {ok, handle_ok, kLineSignerRejected}},
      {"both clients: Tallowview's signer is tested", Token::kRight, true, std::nullopt,
       "neither", "quillonsoft", Ombra::kNo, 0, {ok, handle_ok, kLineSignerRejected}},
      {"both clients: Tallowview by Orvane", Token::kRight, true, std::nullopt, "orvane",
       "neither", Ombra::kNo, 1, {ok, handle_ok, kLineSignerAccepted}},
  };
  const std::string token = handshake::MakeHandshakeToken();
  for (const CafeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TestServer> server;
    if (c.server_reply) {
      server = std::make_unique<TestServer>();
      server->SetReply(TestServer::kString, *c.server_reply);
    }
    std::unique_ptr<ClientProcess> tallowview, quillon;
    if (c.quillon) quillon = std::make_unique<ClientProcess>(L"QuillonClient.exe", c.quillon);
    if (c.tallowview) tallowview = std::make_unique<ClientProcess>(L"Tallowview.exe", c.tallowview);
    // An absent library would say yes if it were found.
    OmbraLibrary ombra(c.ombra != Ombra::kAbsent, c.ombra != Ombra::kNo, nullptr);
    DebugCapture capture;
    VeyraDll dll;
    ASSERT_TRUE(dll.Loaded());

    HANDLE handle = nullptr;
    const std::string lower = Lowercase(token);
    switch (c.token) {
      case Token::kNone: break;
      case Token::kRight: handle = dll.sso_sign(token.c_str()); break;
      case Token::kLowercase: handle = dll.sso_sign(lower.c_str()); break;
      case Token::kWrong: handle = dll.sso_sign("00000000000000000000000000000000"); break;
      case Token::kNull: handle = dll.sso_sign(nullptr); break;
    }
    const bool accepted = c.token == Token::kRight || c.token == Token::kLowercase;
    EXPECT_EQ(accepted ? GetCurrentThread() : nullptr, handle);

    EXPECT_EQ(c.expected, dll.veyra(c.pass_returned_handle ? handle : nullptr));
    std::vector<std::string> ordered;
    for (const std::string& line : capture.Lines("Veyra::")) {
      if (line.rfind("Veyra::SSOSign", 0) == 0 || line.rfind("Veyra::Veyra", 0) == 0) {
        ordered.push_back(line);
      }
    }
    EXPECT_EQ(AnsiLines(c.lines), ordered);
    EXPECT_TRUE(ComUninitialisedOnThisThread());
    if (server) {
      EXPECT_EQ(0, server->LiveObjects());
    }
  }
}

TEST(VeyraExports, AfterAFailedSSOSignThePseudoHandleStillPasses) {
  TestServer server;
  server.SetReply(TestServer::kString, kBarInfo42);
  VeyraDll dll;
  ASSERT_TRUE(dll.Loaded());
  const long requests = server.Requests();
  EXPECT_EQ(nullptr, dll.sso_sign("wrong"));
  EXPECT_EQ(0, dll.veyra(nullptr));
  EXPECT_EQ(requests, server.Requests());  // stopped at the handle check
  EXPECT_EQ(1, dll.veyra(GetCurrentThread()));
  EXPECT_EQ(requests + 1, server.Requests());
}

TEST(VeyraExports, HandleTableStartsEmptyAtEveryLoad) {
  TestServer server;
  server.SetReply(TestServer::kString, kBarInfo42);
  {
    VeyraDll dll;
    ASSERT_TRUE(dll.Loaded());
    EXPECT_EQ(nullptr, dll.sso_sign("wrong"));
    EXPECT_EQ(0, dll.veyra(nullptr));
  }
  VeyraDll dll;
  ASSERT_TRUE(dll.Loaded());
  EXPECT_EQ(1, dll.veyra(nullptr));  // no SSOSign since this load: no handle check
}

struct BarIdWork {
  VeyraDll* dll;
  LONG answers_42 = 0;
};

DWORD WINAPI AskBarIdRepeatedly(void* param) {
  auto* work = static_cast<BarIdWork*>(param);
  for (int i = 0; i < 25; ++i) {
    char out[veyra::kBarIdBufferSize] = {};
    if (work->dll->get_ov_bar_id(1, out) && std::strcmp(out, "42") == 0) {
      InterlockedIncrement(&work->answers_42);
    }
  }
  return 0;
}

TEST(VeyraExports, ThreadsAskTheServerAtTheSameTime) {
  TestServer server;
  server.SetReply(TestServer::kString, kBarInfo42);
  VeyraDll dll;
  ASSERT_TRUE(dll.Loaded());
  BarIdWork work{&dll};
  HANDLE threads[4];
  for (HANDLE& thread : threads) {
    thread = CreateThread(nullptr, 0, AskBarIdRepeatedly, &work, 0, nullptr);
    ASSERT_NE(nullptr, thread);
  }
  EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(4, threads, TRUE, 60000));
  for (HANDLE thread : threads) CloseHandle(thread);
  EXPECT_EQ(100, work.answers_42);
  EXPECT_EQ(0, server.LiveObjects());
}

TEST(VeyraExports, HugeTokenIsRejected) {
  VeyraDll dll;
  ASSERT_TRUE(dll.Loaded());
  const std::string token(100000, 'F');
  EXPECT_EQ(nullptr, dll.sso_sign(token.c_str()));
}

TEST(VeyraExports, ThreadInTheMultithreadedApartmentStaysThere) {
  TestServer server;
  server.SetReply(TestServer::kString, kBarInfo42);
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  {
    VeyraDll dll;
    ASSERT_TRUE(dll.Loaded());
    EXPECT_EQ(1, dll.veyra(nullptr));
  }
  // Still initialised once, by us: S_FALSE, and two uninitialisations undo it.
  EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  CoUninitialize();
  CoUninitialize();
  EXPECT_TRUE(ComUninitialisedOnThisThread());
  EXPECT_EQ(0, server.LiveObjects());
}

// One GetOVBarId call: its setup, and what `out` holds afterwards.
struct BarIdCase {
  const char* name;
  int type;
  std::optional<std::wstring> server_reply;
  std::optional<uint32_t> registry;
  const char* uidesc;          // written beside a running Tallowview.exe; null: none runs
  size_t uidesc_size;          // bytes of `uidesc` (it may hold zeros)
  bool ombra_present;
  const char* spreader;
  const char* expected;        // null: false, `out` untouched
  const char* ombra_line = nullptr;  // the Ombra query's diagnostic, if any
};

TEST(VeyraExports, GetOVBarIdTable) {
  const std::string big = std::string(50 * 1024 * 1024, 'z') + ";4=8765";
  const BarIdCase cases[] = {
      {"bar id from the server", 1, kBarInfo42, 7, "4=9;", 4, false, nullptr, "42"},
      {"registry value", 1, kInfoAck, 0x1234, "4=9;", 4, false, nullptr, "4660"},
      {"registry 0 falls through to the file", 1, std::nullopt, 0, "a=1;4=1234;b=2", 14, false,
       nullptr, "1234"},
      {"file ends with the value", 1, std::nullopt, std::nullopt, "x;4=56", 6, false, nullptr,
       "56"},
      {"empty value", 1, std::nullopt, std::nullopt, "x;4=;y", 6, false, nullptr, nullptr},
      {"key inside a longer key", 1, std::nullopt, std::nullopt, "14=3;4=1", 8, false, nullptr,
       "3"},
      {"empty file", 1, std::nullopt, std::nullopt, "", 0, false, nullptr, nullptr},
      {"50 MiB file", 1, std::nullopt, std::nullopt, big.c_str(), big.size(), false, nullptr,
       "8765"},
      {"no client running", 1, std::nullopt, std::nullopt, nullptr, 0, false, nullptr, nullptr},
      {"spreader", 2, kBarInfo42, std::nullopt, nullptr, 0, true, "spreader-x1", "spreader-x1"},
      {"spreader refused", 2, kBarInfo42, std::nullopt, nullptr, 0, true, nullptr, nullptr,
       "Cannot find Spreader."},
      {"no Ombra library", 2, kBarInfo42, std::nullopt, nullptr, 0, false, "s", nullptr,
       "Load dll failed!"},
      {"type 3", 3, kBarInfo42, 5, nullptr, 0, true, "s", nullptr},
  };
  for (const BarIdCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TestServer> server;
    if (c.server_reply) {
      server = std::make_unique<TestServer>();
      server->SetReply(TestServer::kString, *c.server_reply);
    }
    std::unique_ptr<BarIdRegistryValue> registry;
    if (c.registry) registry = std::make_unique<BarIdRegistryValue>(*c.registry);
    std::unique_ptr<ClientProcess> client;
    if (c.uidesc) {
      client = std::make_unique<ClientProcess>(L"Tallowview.exe", "");
      client->WriteUIDesc(std::string(c.uidesc, c.uidesc_size));
    }
    OmbraLibrary ombra(c.ombra_present, false, c.spreader);
    DebugCapture capture;
    VeyraDll dll;
    ASSERT_TRUE(dll.Loaded());

    char out[veyra::kBarIdBufferSize + 16];
    std::memset(out, 0x5A, sizeof(out));
    EXPECT_EQ(c.expected != nullptr, dll.get_ov_bar_id(c.type, out + 8));
    char expected[sizeof(out)];
    std::memset(expected, 0x5A, sizeof(expected));
    if (c.expected) {
      std::memset(expected + 8, 0, veyra::kBarIdBufferSize);
      std::memcpy(expected + 8, c.expected, std::strlen(c.expected));
    }
    EXPECT_EQ(0, std::memcmp(expected, out, sizeof(out)));
    if (c.ombra_line) {
      EXPECT_EQ(std::vector<std::string>{c.ombra_line}, capture.Lines(c.ombra_line));
    }
    EXPECT_TRUE(ComUninitialisedOnThisThread());
    if (server) {
      EXPECT_EQ(0, server->LiveObjects());
    }
  }
  VeyraDll dll;
  EXPECT_FALSE(dll.get_ov_bar_id(1, nullptr));
}

}  // namespace
