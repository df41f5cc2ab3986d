// The skin folder check against the sample skin, against a skin that lacks
// one of the named controls, and against broken markup.
#include "skin_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using cafecheck::CheckSkinFile;
using cafecheck::CheckSkinFolder;
using cafecheck::ChooseMainSkin;
using cafecheck::SkinFileResult;
using cafecheck::SkinFileText;
using cafecheck::SkinFolderResult;

const char* const kSampleFiles[] = {
    "config.xml",    "GameFrame.xml",  "GameFrameVertical-w.xml", "GameFrameVertical-b.xml",
    "GameFrameVertical.xml", "CloseQRcode.xml", "advert.xml", "Cef.xml",
    "closeWnd.xml",  "InstallToPhone.xml", "GongZhongHao.xml", "QrFrame.xml"};

std::vector<SkinFileText> SampleSkin() {
  std::vector<SkinFileText> files;
  for (const char* name : kSampleFiles) {
    std::ifstream in(std::string(VELORA_SAMPLE_SKIN) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(in.good() || in.eof()) << name;
    files.push_back({name, text.str()});
  }
  return files;
}

SkinFileText& File(std::vector<SkinFileText>& files, const std::string& name) {
  for (SkinFileText& f : files)
    if (f.name == name) return f;
  ADD_FAILURE() << name;
  return files.front();
}

const SkinFileResult* Result(const SkinFolderResult& folder, const std::string& name) {
  for (const SkinFileResult& f : folder.files)
    if (f.file == name) return &f;
  return nullptr;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  ASSERT_NE(std::string::npos, at) << from;
  text.replace(at, from.size(), to);
}

TEST(SkinCheck, SampleSkinIsComplete) {
  const SkinFolderResult folder = CheckSkinFolder(SampleSkin());
  EXPECT_TRUE(folder.Ok());
  EXPECT_EQ("GameFrame.xml", folder.main_skin);
  for (const SkinFileResult& f : folder.files) {
    SCOPED_TRACE(f.file);
    EXPECT_TRUE(f.present);
    EXPECT_TRUE(f.parsed);
    EXPECT_EQ("", f.error);
    EXPECT_TRUE(f.missing.empty()) << f.missing.front();
  }
}

// Each case breaks the sample skin in one place; the check must name that
// place and nothing else.
TEST(SkinCheck, BrokenSkinsAreNamed) {
  struct Case {
    const char* name;
    const char* file;
    const char* from;
    const char* to;
    std::vector<std::string> missing;  // of `file`
    bool parse_error;
  };
  const Case cases[] = {
      {"closebtn renamed", "GameFrame.xml", "name=\"closebtn\"", "name=\"close_button\"", {"closebtn"}, false},
      // A plain control of that name is not the game browser.
      {"game browser gone", "GameFrame.xml", "<Cef name=\"Cef_game\"", "<Control name=\"Cef_game\"",
       {"Cef element Cef_game"}, false},
      {"link button gone", "GameFrame.xml", "name=\"btn_kefu\"", "name=\"other\"", {"btn_kefu"}, false},
      {"ok button gone", "closeWnd.xml", "name=\"btn_ok\"", "name=\"ok\"", {"btn_ok"}, false},
      {"close page browser", "CloseQRcode.xml", "name=\"Cef_Close\"", "name=\"Cef_Other\"",
       {"Cef element Cef_Close"}, false},
      {"malformed", "advert.xml", "</Window>", "</Windo", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<SkinFileText> files = SampleSkin();
    Replace(File(files, c.file).bytes, c.from, c.to);
    const SkinFolderResult folder = CheckSkinFolder(files);
    EXPECT_FALSE(folder.Ok());
    for (const SkinFileResult& f : folder.files) {
      if (f.file != c.file) {
        EXPECT_TRUE(f.Ok()) << f.file;
        continue;
      }
      EXPECT_FALSE(f.Ok());
      EXPECT_EQ(c.missing, f.missing);
      EXPECT_EQ(c.parse_error, !f.parsed);
      if (c.parse_error) {
        EXPECT_NE(std::string::npos, f.error.find("at byte")) << f.error;
      }
    }
  }
}

TEST(SkinCheck, DefaultAttributeDoesNotStandInForAControl) {
  const SkinFileResult r = CheckSkinFile(
      "advert.xml", "<Window><Default name=\"closebtn\" value=\"x\"/><VerticalLayout/></Window>",
      &cafecheck::SkinRequirements()[6]);
  ASSERT_STREQ("advert.xml", cafecheck::SkinRequirements()[6].file);
  EXPECT_EQ(std::vector<std::string>{"closebtn"}, r.missing);
}

TEST(SkinCheck, RootMustBeWindow) {
  std::vector<SkinFileText> files = SampleSkin();
  Replace(File(files, "Cef.xml").bytes, "<Window", "<Dialog");
  Replace(File(files, "Cef.xml").bytes, "</Window>", "</Dialog>");
  const SkinFolderResult folder = CheckSkinFolder(files);
  const SkinFileResult* r = Result(folder, "Cef.xml");
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->parsed);
  EXPECT_NE(std::string::npos, r->error.find("<Dialog>")) << r->error;
}

// Only the main skin that config.xml picks is needed of the four; the
// others count when they are there.
TEST(SkinCheck, MissingFilesCountWhenTheFrameLoadsThem) {
  struct Case {
    const char* name;
    const char* removed;
    bool ok;
  };
  const Case cases[] = {
      {"unused vertical skin", "GameFrameVertical-b.xml", true},
      {"the chosen main skin", "GameFrame.xml", false},
      {"close dialog", "CloseQRcode.xml", false},
      {"message box", "InstallToPhone.xml", false},
      {"config.xml (GameFrame.xml is loaded)", "config.xml", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<SkinFileText> files = SampleSkin();
    files.erase(std::remove_if(files.begin(), files.end(), [&](const SkinFileText& f) { return f.name == c.removed; }),
                files.end());
    const SkinFolderResult folder = CheckSkinFolder(files);
    EXPECT_EQ(c.ok, folder.Ok());
    const SkinFileResult* r = Result(folder, c.removed);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->present);
  }
}

TEST(SkinCheck, ExtraMarkupFilesMustParse) {
  std::vector<SkinFileText> files = SampleSkin();
  files.push_back({"Extra.XML", "<Window><Button name=\"a\"></Window>"});
  files.push_back({"notes.txt", "not markup <"});
  const SkinFolderResult folder = CheckSkinFolder(files);
  EXPECT_FALSE(folder.Ok());
  ASSERT_TRUE(Result(folder, "Extra.XML"));
  EXPECT_FALSE(Result(folder, "notes.txt"));
}

TEST(SkinCheck, MainSkinChoice) {
  struct Case {
    const char* config;  // null: no config.xml
    const char* skin;
  };
  const Case cases[] = {
      {nullptr, "GameFrame.xml"},
      {"<Config><Item name=\"game_type\" value=\"2\"/></Config>", "GameFrameVertical-b.xml"},
      {"<Config><Item name=\"GAME_TYPE\" value=\"2\"/><Item name=\"bkg_type\" value=\"1\"/></Config>",
       "GameFrameVertical-w.xml"},
      {"<Config><Item name=\"game_type\" value=\" 2\"/></Config>", "GameFrame.xml"},
      {"<Config><Item name=\"game_type\" value=\"02\"/></Config>", "GameFrame.xml"},
      {"<Config><Item name=\"game_type\" value=\"2\"/><Item name=\"game_type\" value=\"1\"/></Config>",
       "GameFrame.xml"},
      {"<Config><Item name=\"game_type\" value=\"2\"", "GameFrame.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.config ? c.config : "(none)");
    const std::string text = c.config ? c.config : "";
    EXPECT_EQ(c.skin, ChooseMainSkin(c.config ? &text : nullptr));
  }
}

}  // namespace
