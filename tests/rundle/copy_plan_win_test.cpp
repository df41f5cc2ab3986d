// The copy plan of the real Rundle.exe under Wine: folder macros resolved in
// the test's Wine prefix, real copies, and the log as the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "rundle_folder_win.h"
#include "start_config.h"
#include "start_log.h"

using namespace rundle_test;

namespace {

int OsCode() { return CStartConfig::Instance().GetOsCode(); }

std::string CopyLine(const std::wstring& source, const std::wstring& destination, const char* word) {
  return "ProcessCopyFile Copy File " + Narrow(source) + " --> " + Narrow(destination) + ", " + word;
}

std::string WrongLine(int index, const std::string& dst) {
  return "ProcessCopyFile param is wrong! CopyFile_" + std::to_string(index) + ".iter->dstPath:" + dst;
}

std::string RedirectionLine(int index, const char* what) {
  return "ProcessCopyFile CopyFile_" + std::to_string(index) + ". " + what + "Redirection: ";
}

std::string Section(int index, const std::string& body) {
  return "[Copy" + std::to_string(index) + "]\r\n" + body;
}

class CopyPlanTest : public testing::Test {
 protected:
  void SetUp() override {
    work_ = TestRoot() + L"\\" + CurrentTestName();
    RemoveTree(work_);
    SHCreateDirectoryExW(nullptr, work_.c_str(), nullptr);
    rundle_ = std::make_unique<RundleFolder>(work_ + L"\\starter");
    out_ = work_ + L"\\out";
  }
  void TearDown() override {
    rundle_.reset();
    for (const std::wstring& path : cleanup_) RemoveTree(path);
    RemoveTree(work_);
  }

  std::wstring work_, out_;
  std::unique_ptr<RundleFolder> rundle_;
  std::vector<std::wstring> cleanup_;
};

// One run over a table of destinations: how each macro form resolves, which
// ones write a Trace line, which ones are refused.
TEST_F(CopyPlanTest, DestinationsResolveInThePrefixFolders) {
  RundleFolder& r = *rundle_;
  WriteFileBytes(r.Path(L"f.txt"), "payload");
  const std::wstring appdata = ExpandEnv(L"%appdata%");
  const std::wstring localAppdata = ExpandEnv(L"%localappdata%");
  const std::wstring windir = ExpandEnv(L"%windir%");
  const std::wstring fonts = KnownFolder(CSIDL_FONTS);
  const std::wstring programFiles = ExpandEnv(L"%ProgramFiles%");
  const std::wstring native = ExpandEnv(L"%ProgramW6432%");
  ASSERT_FALSE(fonts.empty());
  cleanup_ = {appdata + L"\\RundleStartTest", localAppdata + L"\\RundleStartTest",
              windir + L"\\System32\\RundleStartTest", fonts + L"\\RundleStartTest_m5.txt",
              programFiles + L"\\RundleStartTest", native + L"\\Common Files\\RundleStartTest"};

  struct Case {
    const char* dst;
    int closeRedirection;
    std::wstring destination;  // empty: refused
    const char* traceLabel;    // Trace line expected with this label
    bool copies;               // the copy itself succeeds
  } cases[] = {
      {"$csidl_appdata$\\RundleStartTest\\m0.txt", 0, appdata + L"\\RundleStartTest\\m0.txt", "appdata", true},
      {"$CSIDL_APP\\DATA$\\RundleStartTest\\m1.txt", 0, appdata + L"\\RundleStartTest\\m1.txt", "appdata", true},
      {"$CSIDL_NOPE$\\x", 0, L"", nullptr, false},
      {"$CSIDL_APPDATA\\x", 0, L"", nullptr, false},
      {"$CSIDL_WINDOWS$", 0, windir + L"\\", "windir", false},
      {"$CSIDL_FONTS$\\RundleStartTest_m5.txt", 0, fonts + L"\\RundleStartTest_m5.txt", nullptr, true},
      {"", 0, L"", nullptr, false},  // replaced below: an absolute Dst
      {"..\\up\\m7.txt", 0, r.base() + L"..\\up\\m7.txt", nullptr, true},
      {"$CSIDL_LOCAL_APPDATA$\\RundleStartTest\\m8.txt", 0, localAppdata + L"\\RundleStartTest\\m8.txt",
       "localappdata", true},
      {"$CSIDL_SYSTEM$\\RundleStartTest\\m9.txt", 0, windir + L"\\System32\\RundleStartTest\\m9.txt",
       "windir//system32", true},
      {"$CSIDL_PROGRAM_FILES_COMMON$\\RundleStartTest\\m10.txt", 1,
       native + L"\\Common Files\\RundleStartTest\\m10.txt", "CommonProgramFiles", true},
      {"$CSIDL_PROGRAM_FILES$\\RundleStartTest\\m11.txt", 2, programFiles + L"\\RundleStartTest\\m11.txt",
       "ProgramFiles", true},
  };
  const std::string absolute = Narrow(out_) + "\\abs\\m6.txt";
  cases[6] = {absolute.c_str(), 0, out_ + L"\\abs\\m6.txt", nullptr, true};

  std::string ini = "[General]\r\nlogLevel=2\r\n[Copy]\r\nNum=" + std::to_string(std::size(cases)) + "\r\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    ini += Section(static_cast<int>(i), "IsFile=1\r\nSrc=f.txt\r\nDst=" + std::string(cases[i].dst) +
                                            "\r\nIsCloseRedirection=" +
                                            std::to_string(cases[i].closeRedirection) + "\r\n");
  }
  r.WriteIni(ini);
  ASSERT_EQ(0, r.Run());
  const std::string log = r.Log();

  size_t traces = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "Copy" << i << " Dst=" << c.dst);
    if (c.destination.empty()) {
      EXPECT_TRUE(Contains(log, WrongLine(static_cast<int>(i), c.dst))) << log;
      continue;
    }
    EXPECT_TRUE(Contains(log, CopyLine(r.Path(L"f.txt"), c.destination, c.copies ? "Success" : "Failed")))
        << log;
    if (c.copies) {
      EXPECT_EQ("payload", ReadFileBytes(c.destination));
    }
    if (c.traceLabel) {
      ++traces;
      std::wstring folder = c.destination.substr(0, c.destination.find(L"\\RundleStartTest"));
      if (folder.back() == L'\\') folder.pop_back();
      EXPECT_TRUE(Contains(log, std::string("CProcessMgr::TranslatePath. ") + c.traceLabel + " --> " +
                                    Narrow(folder) + ", ErrorCode "))
          << log;
    }
    const bool off = c.closeRedirection == 1;  // Windows is 64-bit here
    EXPECT_EQ(off, Contains(log, RedirectionLine(static_cast<int>(i), "Disable")));
    EXPECT_EQ(off, Contains(log, RedirectionLine(static_cast<int>(i), "Revert")));
  }
  // The known-folder macros (fonts) and the refused ones write no Trace line.
  EXPECT_EQ(traces, CountOf(log, "CProcessMgr::TranslatePath. "));
  cleanup_.push_back(r.base() + L"..\\up");
}

// A folder variable that is not defined for Rundle does not become a folder
// named after the variable: the known-folder query supplies the folder.
TEST_F(CopyPlanTest, UndefinedFolderVariableFallsBackToTheKnownFolder) {
  RundleFolder& r = *rundle_;
  WriteFileBytes(r.Path(L"f.txt"), "payload");
  const std::wstring local = KnownFolder(CSIDL_LOCAL_APPDATA);
  const std::wstring appdata = KnownFolder(CSIDL_APPDATA);
  ASSERT_FALSE(local.empty());
  cleanup_ = {local + L"\\RundleStartTest", appdata + L"\\RundleStartTest"};
  r.WriteIni("[General]\r\nlogLevel=2\r\n[Copy]\r\nNum=2\r\n" +
             Section(0, "IsFile=1\r\nSrc=f.txt\r\nDst=$CSIDL_LOCAL_APPDATA$\\RundleStartTest\\l.txt\r\n") +
             Section(1, "IsFile=1\r\nSrc=f.txt\r\nDst=$CSIDL_APPDATA$\\RundleStartTest\\a.txt\r\n"));
  const std::wstring environment = EnvironmentWithout({L"LOCALAPPDATA=", L"APPDATA="});
  ASSERT_EQ(0, r.Run(60000, &environment));
  const std::string log = r.Log();
  SCOPED_TRACE(log);
  EXPECT_EQ("payload", ReadFileBytes(local + L"\\RundleStartTest\\l.txt"));
  EXPECT_EQ("payload", ReadFileBytes(appdata + L"\\RundleStartTest\\a.txt"));
  EXPECT_TRUE(Contains(log, CopyLine(r.Path(L"f.txt"), local + L"\\RundleStartTest\\l.txt", "Success")));
  // The Trace line shows what the expansion gave.
  EXPECT_TRUE(Contains(log, "CProcessMgr::TranslatePath. localappdata --> %localappdata%, ErrorCode"));
  // Nothing landed below Rundle's folder or its current directory.
  EXPECT_FALSE(Contains(log, "f.txt --> %"));
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_FALSE(Exists(std::wstring(windows) + L"\\%localappdata%"));
  EXPECT_FALSE(Exists(r.Path(L"%localappdata%")));
}

// One run over the kinds of entries: skipped, redirected, refused, trees,
// read-only destinations, missing folders and sources.
TEST_F(CopyPlanTest, EntriesStandAloneInListOrder) {
  RundleFolder& r = *rundle_;
  WriteFileBytes(r.Path(L"f.txt"), "file");
  WriteFileBytes(r.Path(L"g.txt"), "new content");
  SetFileAttributesW(r.Path(L"g.txt").c_str(), FILE_ATTRIBUTE_ARCHIVE);
  CreateDirectoryW(r.Path(L"tree").c_str(), nullptr);
  CreateDirectoryW(r.Path(L"tree\\sub").c_str(), nullptr);
  CreateDirectoryW(r.Path(L"empty").c_str(), nullptr);
  WriteFileBytes(r.Path(L"tree\\a.txt"), "a");
  WriteFileBytes(r.Path(L"tree\\sub\\b.txt"), "b");
  WriteFileBytes(r.Path(L"tree\\h.txt"), "hidden");
  WriteFileBytes(r.Path(L"tree\\s.txt"), "system");
  SetFileAttributesW(r.Path(L"tree\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(r.Path(L"tree\\s.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
  SHCreateDirectoryExW(nullptr, out_.c_str(), nullptr);
  WriteFileBytes(out_ + L"\\ro.txt", "old");
  SetFileAttributesW((out_ + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);

  const std::string out = Narrow(out_);
  const int os = OsCode();
  std::string ini = "[General]\r\nlogLevel=1\r\n[Copy]\r\nNum=11\r\n";
  ini += Section(0, "SkipOS=" + std::to_string(os) + "\r\nIsFile=1\r\nSrc=f.txt\r\nDst=" + out + "\\skipped.txt\r\n");
  ini += Section(1, "SkipOS=" + std::to_string(os + 1) + "\r\nIsFile=1\r\nSrc=f.txt\r\nDst=" + out + "\\ran.txt\r\n");
  ini += Section(2, "IsCloseRedirection=1\r\nIsFile=1\r\nSrc=f.txt\r\nDst=$CSIDL_NOPE$\\x.txt\r\n");
  // Copy3 is missing: its Src is empty and it is passed over.
  ini += Section(4, "Src=tree\r\nDst=" + out + "\\tree\r\n");
  ini += Section(5, "Src=\\empty\r\nDst=" + out + "\\emptycopy\r\n");
  ini += Section(6, "IsFile=1\r\nSrc=D:\\x.txt\r\nDst=" + out + "\\abs.txt\r\n");
  ini += Section(7, "IsFile=1\r\nSrc=g.txt\r\nDst=" + out + "\\ro.txt\r\n");
  ini += Section(8, "IsFile=1\r\nSrc=f.txt\r\nDst=" + out + "\\deep\\er\\chain\\f.txt\r\n");
  ini += Section(9, "IsFile=1\r\nSrc=nosuch.txt\r\nDst=" + out + "\\nosuch.txt\r\n");
  ini += Section(10, "Src=nosuchdir\r\nDst=" + out + "\\nosuchdir\r\n");
  r.WriteIni(ini);
  ASSERT_EQ(0, r.Run());
  const std::string log = r.Log();
  SCOPED_TRACE(log);

  // 0: skipped without a trace, on this OS only.
  EXPECT_FALSE(Exists(out_ + L"\\skipped.txt"));
  EXPECT_FALSE(Contains(log, "skipped.txt"));
  EXPECT_FALSE(Contains(log, "CopyFile_0"));
  // 2: refused; redirection was switched off and on again around it.
  const size_t disable = log.find(RedirectionLine(2, "Disable"));
  const size_t wrong = log.find(WrongLine(2, "$CSIDL_NOPE$\\x.txt"));
  const size_t revert = log.find(RedirectionLine(2, "Revert"));
  ASSERT_NE(std::string::npos, disable);
  ASSERT_NE(std::string::npos, wrong);
  ASSERT_NE(std::string::npos, revert);
  EXPECT_LT(disable, wrong);
  EXPECT_LT(wrong, revert);
  EXPECT_FALSE(Contains(log, "CopyFile_3"));
  // Only entry 2 touched redirection.
  EXPECT_EQ(1u, CountOf(log, "DisableRedirection"));
  EXPECT_EQ(1u, CountOf(log, "RevertRedirection"));

  struct Expect {
    int index;
    std::wstring source, destination;
    const char* word;
  } lines[] = {
      {1, r.Path(L"f.txt"), out_ + L"\\ran.txt", "Success"},
      {4, r.Path(L"tree"), out_ + L"\\tree", "Success"},
      {5, r.Path(L"empty"), out_ + L"\\emptycopy", "Success"},
      {6, r.Path(L"D:\\x.txt"), out_ + L"\\abs.txt", "Failed"},
      {7, r.Path(L"g.txt"), out_ + L"\\ro.txt", "Success"},
      {8, r.Path(L"f.txt"), out_ + L"\\deep\\er\\chain\\f.txt", "Success"},
      {9, r.Path(L"nosuch.txt"), out_ + L"\\nosuch.txt", "Failed"},
      {10, r.Path(L"nosuchdir"), out_ + L"\\nosuchdir", "Failed"},
  };
  size_t previous = 0;
  for (const Expect& e : lines) {
    SCOPED_TRACE(testing::Message() << "Copy" << e.index);
    const size_t at = log.find(CopyLine(e.source, e.destination, e.word));
    ASSERT_NE(std::string::npos, at);
    EXPECT_LT(previous, at) << "entries run in list order";
    previous = at;
  }

  EXPECT_EQ("file", ReadFileBytes(out_ + L"\\ran.txt"));
  EXPECT_EQ("a", ReadFileBytes(out_ + L"\\tree\\a.txt"));
  EXPECT_EQ("b", ReadFileBytes(out_ + L"\\tree\\sub\\b.txt"));
  EXPECT_EQ("hidden", ReadFileBytes(out_ + L"\\tree\\h.txt"));
  EXPECT_EQ("system", ReadFileBytes(out_ + L"\\tree\\s.txt"));
  EXPECT_TRUE(GetFileAttributesW((out_ + L"\\tree\\h.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(GetFileAttributesW((out_ + L"\\tree\\s.txt").c_str()) & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(ListNames(out_ + L"\\emptycopy").empty());
  EXPECT_TRUE(GetFileAttributesW((out_ + L"\\emptycopy").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  // The read-only, system destination was overwritten. (Windows refuses the
  // first copy and the attribute retry does it; Wine running as root lets
  // the first copy through. The retry itself shows in the bad-input test,
  // where it cannot help and the attributes come back.)
  EXPECT_EQ("new content", ReadFileBytes(out_ + L"\\ro.txt"));
  EXPECT_EQ("file", ReadFileBytes(out_ + L"\\deep\\er\\chain\\f.txt"));
  EXPECT_FALSE(Exists(out_ + L"\\abs.txt"));
  EXPECT_FALSE(Exists(out_ + L"\\nosuch.txt"));
}

// Sources that cannot be read, destinations that cannot be written, and
// destinations that are no destination: each entry fails on its own, the
// log names it, and nothing is written anywhere else.
TEST_F(CopyPlanTest, BadEntriesFailAloneAndWriteNothingElse) {
  RundleFolder& r = *rundle_;
  WriteFileBytes(r.Path(L"f.txt"), "file");
  WriteFileBytes(r.Path(L"locked.txt"), "locked source");
  SHCreateDirectoryExW(nullptr, out_.c_str(), nullptr);
  WriteFileBytes(out_ + L"\\locked.txt", "old");
  SetFileAttributesW((out_ + L"\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  // Another process holds the source open without sharing it.
  HANDLE lock = CreateFileW(r.Path(L"locked.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);

  const std::string out = Narrow(out_);
  const std::string longDir = out + "\\" + std::string(150, 'x') + "\\" + std::string(150, 'y');
  std::string ini = "[Copy]\r\nNum=6\r\n";
  ini += Section(0, "IsFile=1\r\nSrc=locked.txt\r\nDst=" + out + "\\locked.txt\r\n");
  ini += Section(1, "IsFile=1\r\nSrc=f.txt\r\nDst=$\r\n");
  ini += Section(2, "IsFile=1\r\nSrc=f.txt\r\nDst=" + longDir + "\\f.txt\r\n");
  ini += Section(3, "IsFile=1\r\nSrc=f.txt\r\nDst=$$$\r\n");
  ini += Section(4, "Src=.\r\nDst=$\r\n");
  ini += Section(5, "IsFile=1\r\nSrc=f.txt\r\nDst=" + out + "\\after.txt\r\n");
  r.WriteIni(ini);
  const int exitCode = r.Run();
  CloseHandle(lock);
  EXPECT_EQ(0, exitCode);
  const std::string log = r.Log();
  SCOPED_TRACE(log);

  // The locked source fails; the read-only destination keeps its content
  // and its read-only attribute.
  EXPECT_TRUE(Contains(log, CopyLine(r.Path(L"locked.txt"), out_ + L"\\locked.txt", "Failed")));
  EXPECT_EQ("old", ReadFileBytes(out_ + L"\\locked.txt"));
  EXPECT_TRUE(GetFileAttributesW((out_ + L"\\locked.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Contains(log, WrongLine(1, "$")));
  EXPECT_TRUE(Contains(log, WrongLine(3, "$$$")));
  EXPECT_TRUE(Contains(log, WrongLine(4, "$")));
  // The destination longer than 260 characters fails.
  const std::wstring longFile = Widen(longDir) + L"\\f.txt";
  EXPECT_TRUE(Contains(log, CopyLine(r.Path(L"f.txt"), longFile, "Failed")));
  EXPECT_TRUE(Contains(log, CopyLine(r.Path(L"f.txt"), out_ + L"\\after.txt", "Success")));
  EXPECT_EQ("file", ReadFileBytes(out_ + L"\\after.txt"));

  // Nothing was written beside Rundle or elsewhere in the test's folder.
  std::vector<std::wstring> starter = ListNames(r.dir());
  std::sort(starter.begin(), starter.end());
  EXPECT_EQ((std::vector<std::wstring>{L"Rundle.exe", L"Rundle.ini", L"f.txt", L"locked.txt", L"log"}), starter);
  std::vector<std::wstring> outNames = ListNames(out_);
  std::sort(outNames.begin(), outNames.end());
  std::vector<std::wstring> expected{L"after.txt", L"locked.txt"};
  // In particular no folder of a name cut at 260 characters.
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, outNames);
  EXPECT_EQ((std::vector<std::wstring>{L"out", L"starter"}), [&] {
    auto names = ListNames(work_);
    std::sort(names.begin(), names.end());
    return names;
  }());
}

// A thousand entries, some of them bad: every one is carried out or
// refused on its own and the run still ends normally.
TEST_F(CopyPlanTest, AThousandSectionsEachStandAlone) {
  RundleFolder& r = *rundle_;
  WriteFileBytes(r.Path(L"f.txt"), "file");
  const std::string out = Narrow(out_);
  std::string ini = "[Copy]\r\nNum=1000\r\n";
  int good = 0;
  for (int i = 0; i < 1000; ++i) {
    const bool refused = i % 100 == 37;
    const bool missing = i % 250 == 11;
    ini += Section(i, std::string("IsFile=1\r\nSrc=") + (missing ? "nosuch.txt" : "f.txt") +
                          "\r\nDst=" + (refused ? std::string("$") : out + "\\many\\" + std::to_string(i) + ".txt") +
                          "\r\n");
    if (!refused && !missing) ++good;
  }
  r.WriteIni(ini);
  ASSERT_EQ(0, r.Run(180000));
  const std::string log = r.Log();

  EXPECT_EQ(static_cast<size_t>(good), CountOf(log, ", Success"));
  EXPECT_EQ(4u, CountOf(log, ", Failed"));
  EXPECT_EQ(10u, CountOf(log, "param is wrong!"));
  for (int i = 37; i < 1000; i += 100) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(Contains(log, WrongLine(i, "$")));
  }
  for (int i = 11; i < 1000; i += 250) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(Contains(log, CopyLine(r.Path(L"nosuch.txt"), out_ + L"\\many\\" + std::to_wstring(i) + L".txt",
                                       "Failed")));
  }
  EXPECT_EQ(static_cast<size_t>(good), ListNames(out_ + L"\\many").size());
  EXPECT_EQ("file", ReadFileBytes(out_ + L"\\many\\999.txt"));
}

}  // namespace
