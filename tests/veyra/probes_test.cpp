// The probes and the bar-client server link against real processes, real
// signed files and a real COM server.
#include "probes.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdlib>

#include "bar_id_fallback.h"
#include "bc_server.h"
#include "fixture_support.h"
#include "uidesc.h"

namespace veyra {
namespace {

using veyra_test::ClientProcess;
using veyra_test::SignedClientPath;
using veyra_test::TestServer;

TEST(FindRunningProcess, FindsByNameIgnoringCaseWithItsPath) {
  ClientProcess client(L"tallowVIEW.exe", "");
  ASSERT_TRUE(client.Started());
  std::wstring path = L"sentinel";
  ASSERT_TRUE(FindRunningProcess(L"Tallowview.exe", &path));
  EXPECT_EQ(0, lstrcmpiW(client.ExePath().c_str(), path.c_str())) << path;

  path = L"sentinel";
  EXPECT_FALSE(FindRunningProcess(L"QuillonClient.exe", &path));
  EXPECT_EQ(L"sentinel", path);
  EXPECT_FALSE(FindRunningProcess(L"tallowview", &path));
}

TEST(FindRunningProcess, TakesTheFirstOfTwoInSnapshotOrder) {
  ClientProcess first(L"Tallowview.exe", "");
  ClientProcess second(L"Tallowview.exe", "orvane");
  ASSERT_TRUE(first.Started() && second.Started());
  std::wstring path;
  ASSERT_TRUE(FindRunningProcess(L"Tallowview.exe", &path));
  // Snapshot order is the platform's; the one found is one of the two, with
  // a path that belongs to it.
  EXPECT_TRUE(lstrcmpiW(first.ExePath().c_str(), path.c_str()) == 0 ||
              lstrcmpiW(second.ExePath().c_str(), path.c_str()) == 0)
      << path;
}

TEST(InspectSigner, ReadsTheSignerOfSignedFiles) {
  struct Case {
    const char* signer;
    const wchar_t* subject;
    const wchar_t* serial;
  } cases[] = {
      {"orvane", L"Orvane Test Signer", L"03 02 01"},
      {"quillonsoft", L"Quillonsoft Client Signing", L"0a 0b"},
      {"neither", L"Plain Vendor Ltd", L"77"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signer);
    SignerInfo info;
    // The fixtures carry no counter-signature: no signing time, result -1.
    EXPECT_EQ(-1, InspectSigner(SignedClientPath(c.signer).c_str(), &info));
    EXPECT_EQ(c.subject, info.subject_name);
    EXPECT_EQ(c.subject, info.issuer_name);  // self-signed
    EXPECT_EQ(c.serial, info.serial_number);
    EXPECT_EQ(0, info.signing_time.wYear);
  }
}

TEST(InspectSigner, ReadsTheSigningTimeOfTheCounterSignature) {
  SignerInfo info;
  EXPECT_EQ(0, InspectSigner(SignedClientPath("orvane_timestamped").c_str(), &info));
  EXPECT_EQ(L"Orvane Test Signer", info.subject_name);
  EXPECT_EQ(L"03 02 01", info.serial_number);
  // Signed when the tests were built: close to the file's own write time,
  // both in local time.
  WIN32_FILE_ATTRIBUTE_DATA file = {};
  ASSERT_TRUE(GetFileAttributesExW(SignedClientPath("orvane_timestamped").c_str(),
                                   GetFileExInfoStandard, &file));
  FILETIME written_local, signed_local;
  ASSERT_TRUE(FileTimeToLocalFileTime(&file.ftLastWriteTime, &written_local));
  ASSERT_TRUE(SystemTimeToFileTime(&info.signing_time, &signed_local));
  const auto ticks = [](const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  const int64_t ten_minutes = 10LL * 60 * 10000000;
  EXPECT_LT(std::llabs(ticks(written_local) - ticks(signed_local)), ten_minutes);
}

TEST(InspectSigner, FilesWithoutASignatureLeaveTheInfoEmpty) {
  struct Case {
    const char* name;
    std::wstring file;
    bool error_code;  // a platform error code rather than -1
  } cases[] = {
      {"unsigned", SignedClientPath(""), true},
      {"missing file", veyra_test::WinPath(FIXTURE_WORK_DIR) + L"\\no-such.exe", true},
      {"empty path", L"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SignerInfo info;
    const int result = InspectSigner(c.file.c_str(), &info);
    if (c.error_code) {
      EXPECT_NE(0, result);
      EXPECT_NE(-1, result);
    } else {
      EXPECT_EQ(-1, result);
    }
    EXPECT_TRUE(info.subject_name.empty());
    EXPECT_TRUE(info.issuer_name.empty());
    EXPECT_TRUE(info.serial_number.empty());
  }
  SignerInfo info;
  EXPECT_EQ(-1, InspectSigner(nullptr, &info));
}

// The link against the test server, on a thread with COM initialised as the
// exports do it.
class BcServerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override { CoUninitialize(); }

  uint32_t BarIdFor(TestServer::Reply kind, const std::wstring& text = L"") {
    server_.SetReply(kind, text);
    const uint32_t bar_id = BcServer::Instance()->GetBcBarId();
    EXPECT_FALSE(BcServer::Instance()->HoldsRegistration());
    EXPECT_EQ(0, server_.LiveObjects());
    return bar_id;
  }

  TestServer server_;
};

TEST_F(BcServerTest, SendsTheBarInfoQueryAndReadsTheBarId) {
  EXPECT_EQ(BcServer::Instance(), BcServer::Instance());
  const long requests = server_.Requests();
  veyra_test::DebugCapture capture;
  EXPECT_EQ(42u, BarIdFor(TestServer::kString,
                          L"{\"JSON_TYPE\": 2147483653, \"JSON_RESULT\": 1, \"BarId\": 42}"));
  const std::vector<std::string> lines = {
      "Veyra::InitBCServer, Start!", "Veyra::InitBCServer, End!", "Veyra::GetBcBarId, Start!",
      "Veyra::Uninit, Start!", "Veyra::Uninit, End!"};
  EXPECT_EQ(lines, capture.Lines("Veyra::"));
  EXPECT_EQ(requests + 1, server_.Requests());
  EXPECT_EQ(L"{\n   \"JSON_RESULT\" : 0,\n   \"JSON_TYPE\" : 5\n}\n", server_.LastRequest());
}

TEST_F(BcServerTest, RepliesWithoutABarId) {
  struct Case {
    const char* name;
    TestServer::Reply kind;
    std::wstring text;
  } cases[] = {
      {"info acknowledgement", TestServer::kString, L"{\"JSON_TYPE\": 2147483649}"},
      {"BarId as a string", TestServer::kString, L"{\"JSON_TYPE\": 2147483653, \"BarId\": \"42\"}"},
      {"BarId 0", TestServer::kString, L"{\"JSON_TYPE\": 2147483653, \"BarId\": 0}"},
      {"malformed", TestServer::kString, L"{\"JSON_TYPE\": 2147483653, \"BarId\": 42"},
      {"failing HRESULT", TestServer::kFailure, L""},
      {"integer reply", TestServer::kInteger, L""},
      {"reply that is no text", TestServer::kNotText, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const long requests = server_.Requests();
    EXPECT_EQ(0u, BarIdFor(c.kind, c.text));
    EXPECT_EQ(requests + 1, server_.Requests());
  }
}

TEST_F(BcServerTest, HugeReplyIsReadWhole) {
  std::wstring reply = L"{\"JSON_TYPE\": 2147483653, \"BarName\": \"";
  reply.append(10 * 1024 * 1024, L'n');
  reply += L"\", \"BarId\": 31}";
  EXPECT_EQ(31u, BarIdFor(TestServer::kString, reply));
  reply.resize(reply.size() - 1);  // no closing brace
  EXPECT_EQ(0u, BarIdFor(TestServer::kString, reply));
}

TEST(BcServer, NoServerGivesNoBarId) {
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  EXPECT_EQ(0u, BcServer::Instance()->GetBcBarId());
  EXPECT_FALSE(BcServer::Instance()->HoldsRegistration());
  CoUninitialize();
  // Without COM on the thread nothing can be created either.
  EXPECT_EQ(0u, BcServer::Instance()->GetBcBarId());
}

TEST(ReadUIDescText, ReadsUpToTheFirstZeroByte) {
  ClientProcess client(L"Tallowview.exe", "");
  const std::wstring file = client.Folder() + L"\\data\\UIDesc.dat";
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t bar_id;
  } cases[] = {
      {"zero bytes", std::string(), 0},
      {"key at the end of 50 MiB", std::string(50 * 1024 * 1024, 'a') + ";4=4321", 4321},
      {"zero byte before the key", std::string("x;\0;4=12;", 9), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client.WriteUIDesc(c.bytes);
    std::wstring text = L"sentinel";
    ASSERT_TRUE(ReadUIDescText(file, &text));
    EXPECT_EQ(c.bar_id, FindBarIdInUIDesc(text, L"4="));
  }
  std::wstring text;
  EXPECT_FALSE(ReadUIDescText(client.Folder() + L"\\data\\missing.dat", &text));
}

}  // namespace
}  // namespace veyra
