// The decisions of the exports over probe answers that the test chooses:
// the handshake, the cafe test with its diagnostic lines, and the bar-id and
// spreader queries.
#include "veyra_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace veyra {
namespace {

constexpr HandleValue kPseudoHandle = static_cast<HandleValue>(-2);

class FakeEnvironment : public CafeEnvironment {
 public:
  void DebugLine(const wchar_t* line) override { lines.push_back(line); }
  void EnsureServerLink() override { ++link_requests; }
  HandleValue CallerThreadHandle() override { return kPseudoHandle; }
  std::string HandshakeToken() override { return "0123456789ABCDEF0123456789ABCDEF"; }
  uint32_t ServerBarId() override {
    ++server_queries;
    return server_bar_id;
  }
  uint32_t FallbackBarId() override {
    ++fallback_queries;
    return fallback_bar_id;
  }
  bool FindRunningProcess(const wchar_t* name, std::wstring* path) override {
    looked_for.push_back(name);
    for (const auto& process : processes) {
      if (process.first == name) {
        *path = process.second;
        return true;
      }
    }
    return false;
  }
  std::wstring SignerSubject(const std::wstring& file) override {
    inspected.push_back(file);
    auto it = subjects.find(file);
    return it == subjects.end() ? std::wstring() : it->second;
  }
  int32_t ProbeOmbraEnv() override {
    ++ombra_probes;
    return ombra_result;
  }
  bool QuerySpreader(char* buffer, size_t size) override {
    for (size_t i = 0; i < size; ++i) {
      if (buffer[i] != 0) ADD_FAILURE() << "spreader buffer not zeroed";
    }
    std::memcpy(buffer, spreader_text.data(), spreader_text.size());
    return spreader_ok;
  }

  uint32_t server_bar_id = 0;
  uint32_t fallback_bar_id = 0;
  std::vector<std::pair<std::wstring, std::wstring>> processes;  // name -> path
  std::map<std::wstring, std::wstring> subjects;                 // path -> subject
  int32_t ombra_result = 0;
  std::string spreader_text;
  bool spreader_ok = false;

  std::vector<std::wstring> lines;
  std::vector<std::wstring> looked_for;
  std::vector<std::wstring> inspected;
  int link_requests = 0;
  int server_queries = 0;
  int fallback_queries = 0;
  int ombra_probes = 0;
};

TEST(VeyraCore, SSOSignChecksTheTokenAndAlwaysStoresTheHandle) {
  struct Case {
    const char* name;
    const char* token;
    bool accepted;
  } cases[] = {
      {"right", "0123456789ABCDEF0123456789ABCDEF", true},
      {"lowercase", "0123456789abcdef0123456789abcdef", true},
      {"one digit off", "0123456789ABCDEF0123456789ABCDEE", false},
      {"prefix", "0123456789ABCDEF0123456789ABCDE", false},
      {"longer", "0123456789ABCDEF0123456789ABCDEF0", false},
      {"empty", "", false},
      {"null", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnvironment env;
    HandleTable table;
    EXPECT_EQ(c.accepted ? kPseudoHandle : 0, SSOSign(env, table, c.token));
    EXPECT_EQ(1, env.link_requests);
    ASSERT_FALSE(table.Empty());
    EXPECT_EQ(kPseudoHandle, table.Lowest());
    EXPECT_EQ(std::vector<std::wstring>{c.accepted ? kLineTokenAccepted : kLineTokenRejected},
              env.lines);
  }
}

TEST(VeyraCore, HugeTokenIsRejected) {
  FakeEnvironment env;
  HandleTable table;
  const std::string token(100000, 'A');
  EXPECT_EQ(0u, SSOSign(env, table, token.c_str()));
}

// One cafe test: what the probes answer, and the result and lines expected.
struct CafeCase {
  const char* name;
  bool signed_before;
  HandleValue handle;
  uint32_t bar_id;
  std::vector<std::pair<std::wstring, std::wstring>> processes;
  std::map<std::wstring, std::wstring> subjects;
  int32_t ombra;
  int32_t expected;
  std::vector<std::wstring> lines;
  std::wstring inspected = L"";  // the file whose signer was tested, if any
};

TEST(VeyraCore, CafeTestDecisionSequence) {
  const std::wstring tallow = L"C:\\P\\Tallowview.exe";
  const std::wstring quillon = L"C:\\Q\\QuillonClient.exe";
  const CafeCase cases[] = {
      {"no SSOSign: any handle passes unchecked", false, 12345, 9, {}, {}, 0, 1,
       {kLineBarIdFound}},
      {"wrong handle", true, 0, 9, {}, {}, 2, 0, {kLineHandleRejected}},
      {"bar id from the server", true, kPseudoHandle, 9, {}, {}, 2, 1,
       {kLineHandleAccepted, kLineBarIdFound}},
      {"no client, Ombra present", true, kPseudoHandle, 0, {}, {}, 2, 2,
       {kLineHandleAccepted, kLineNoClientProcess}},
      {"no client, no Ombra", true, kPseudoHandle, 0, {}, {}, 0, 0,
       {kLineHandleAccepted, kLineNoClientProcess}},
      {"Tallowview signed by Orvane", true, kPseudoHandle, 0, {{kTallowviewExe, tallow}},
       {{tallow, L"Orvane Network Co."}}, 2, 1,
       {kLineHandleAccepted, kLineSignerAccepted}, tallow},
      {"QuillonClient signed by Quillonsoft", true, kPseudoHandle, 0,
       {{kQuillonClientExe, quillon}}, {{quillon, L"xQuillonsoftx"}}, 0, 1,
       {kLineHandleAccepted, kLineSignerAccepted}, quillon},
      {"subject check is case-sensitive", true, kPseudoHandle, 0, {{kTallowviewExe, tallow}},
       {{tallow, L"ORVANE"}}, 2, 2, {kLineHandleAccepted, kLineSignerRejected}, tallow},
      {"other signer, no Ombra", true, kPseudoHandle, 0, {{kTallowviewExe, tallow}},
       {{tallow, L"Someone Else"}}, 0, 0, {kLineHandleAccepted, kLineSignerRejected}, tallow},
      {"unsigned client", true, kPseudoHandle, 0, {{kTallowviewExe, tallow}}, {}, 0, 0,
       {kLineHandleAccepted, kLineSignerRejected}, tallow},
      {"unreadable path", true, kPseudoHandle, 0, {{kTallowviewExe, L""}}, {}, 2, 2,
       {kLineHandleAccepted, kLineSignerRejected}, L""},
      {"both clients: Tallowview's signer counts", true, kPseudoHandle, 0,
       {{kQuillonClientExe, quillon}, {kTallowviewExe, tallow}},
       {{quillon, L"Quillonsoft"}, {tallow, L"Nobody"}}, 0, 0,
       {kLineHandleAccepted, kLineSignerRejected}, tallow},
  };
  for (const CafeCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnvironment env;
    env.server_bar_id = c.bar_id;
    env.processes = c.processes;
    env.subjects = c.subjects;
    env.ombra_result = c.ombra;
    env.fallback_bar_id = 77;  // never used by the cafe test
    HandleTable table;
    if (c.signed_before) table.Set(0, kPseudoHandle);
    EXPECT_EQ(c.expected, CafeTest(env, table, c.handle));
    EXPECT_EQ(c.lines, env.lines);
    EXPECT_EQ(0, env.fallback_queries);
    if (c.inspected.empty() && c.lines.back() != kLineSignerRejected) {
      EXPECT_TRUE(env.inspected.empty());
    } else {
      EXPECT_EQ(std::vector<std::wstring>{c.inspected}, env.inspected);
    }
  }
}

TEST(VeyraCore, AfterAFailedSSOSignOnlyThePseudoHandlePasses) {
  FakeEnvironment env;
  env.server_bar_id = 5;
  HandleTable table;
  EXPECT_EQ(0u, SSOSign(env, table, "wrong"));
  EXPECT_EQ(kNotCafe, CafeTest(env, table, 0));
  EXPECT_EQ(0, env.server_queries);
  EXPECT_EQ(kManagedCafe, CafeTest(env, table, kPseudoHandle));
}

TEST(VeyraCore, GetOVBarId) {
  struct Case {
    const char* name;
    int32_t type;
    uint32_t server_bar_id;
    uint32_t fallback_bar_id;
    bool spreader_ok;
    bool expected;
    const char* text;  // what `out` starts with when written
    int fallback_queries;
  } cases[] = {
      {"server bar id", 1, 123, 5, false, true, "123", 0},
      {"fallback bar id", 1, 0, 4567, false, true, "4567", 1},
      {"no bar id", 1, 0, 0, false, false, nullptr, 1},
      {"bar id above the signed range", 1, 0xFFFFFFFFu, 0, false, true, "-1", 0},
      {"spreader", 2, 0, 0, true, true, "spreader-7", 0},
      {"no spreader", 2, 0, 0, false, false, nullptr, 0},
      {"type 3", 3, 1, 1, true, false, nullptr, 0},
      {"type 0", 0, 1, 1, true, false, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnvironment env;
    env.server_bar_id = c.server_bar_id;
    env.fallback_bar_id = c.fallback_bar_id;
    env.spreader_ok = c.spreader_ok;
    env.spreader_text = "spreader-7";
    char out[kBarIdBufferSize + 8];
    std::memset(out, 0xAB, sizeof(out));
    EXPECT_EQ(c.expected, GetOVBarId(env, c.type, out));
    EXPECT_EQ(c.fallback_queries, env.fallback_queries);
    char expected[kBarIdBufferSize + 8];
    std::memset(expected, 0xAB, sizeof(expected));
    if (c.text) {
      std::memset(expected, 0, kBarIdBufferSize);
      std::memcpy(expected, c.text, std::strlen(c.text));
    }
    EXPECT_EQ(0, std::memcmp(expected, out, sizeof(out)));
  }
  FakeEnvironment env;
  env.server_bar_id = 1;
  EXPECT_FALSE(GetOVBarId(env, 1, nullptr));
}

}  // namespace
}  // namespace veyra
