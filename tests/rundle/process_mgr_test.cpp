// The neutral rules of the path macros, copy destinations, program paths
// and command lines.
#include "process_mgr.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

TEST(FolderMacros, TableHasThirtyNineDistinctMacrosWithTheirNumbers) {
  std::set<std::wstring> names;
  std::set<int> folders;
  for (const FolderMacro& m : kFolderMacros) {
    names.insert(m.name);
    folders.insert(m.folder);
    const std::wstring name = m.name;
    EXPECT_EQ(L'$', name.front()) << Narrow(name);
    EXPECT_EQ(L'$', name.back()) << Narrow(name);
  }
  EXPECT_EQ(39u, names.size());
  EXPECT_EQ(39u, folders.size());
}

TEST(FolderMacros, LookupIgnoresCaseAndMatchesWholeText) {
  struct Case {
    const wchar_t* macro;
    int folder;
  } cases[] = {
      {L"$CSIDL_APPDATA$", 26},
      {L"$csidl_appdata$", 26},
      {L"$Csidl_Local_AppData$", 28},
      {L"$CSIDL_SYSTEMX86$", 41},
      {L"$CSIDL_PROGRAM_FILES_COMMONX86$", 44},
      {L"$CSIDL_MYDOCUMENTS$", 5},
      {L"$CSIDL_FONTS$", 20},
      {L"$CSIDL_RESOURCES_LOCALIZED$", 57},
      {L"$CSIDL_NOPE$", -1},
      {L"$CSIDL_APPDATA", -1},     // no closing "$"
      {L"CSIDL_APPDATA$", -1},
      {L"$CSIDL_APPDATA$\\x", -1}, // whole text only
      {L"$CSIDL_APPDATA$$", -1},
      {L"$$", -1},
      {L"", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.macro));
    EXPECT_EQ(c.folder, LookupFolderMacro(c.macro));
  }
}

TEST(FolderMacros, EnvironmentRules) {
  struct Case {
    int folder;
    bool xp, off;
    bool handled, viaProgramFiles;
    const wchar_t* variable;
    const wchar_t* join;
    const char* label;
  } cases[] = {
      {26, false, false, true, false, L"%appdata%", L"", "appdata"},
      {26, true, true, true, false, L"%appdata%", L"", "appdata"},
      {28, false, false, true, false, L"%localappdata%", L"", "localappdata"},
      {28, true, false, true, false, L"", L"", "localappdata"},
      {35, false, false, true, false, L"%ProgramData%", L"", "ProgramData"},
      {35, true, false, true, false, L"%ALLUSERSPROFILE%", L"Application Data", "ProgramData"},
      {36, false, false, true, false, L"%windir%", L"", "windir"},
      {37, false, true, true, false, L"%windir%", L"System32", "windir//system32"},
      {38, false, false, true, true, L"%ProgramFiles%", L"", "ProgramFiles"},
      {38, false, true, true, true, L"%ProgramW6432%", L"", "ProgramFiles"},
      {40, true, false, true, false, L"%USERPROFILE%", L"", "USERPROFILE"},
      {43, false, false, true, true, L"%CommonProgramFiles%", L"", "CommonProgramFiles"},
      {43, false, true, true, true, L"%ProgramW6432%", L"Common Files", "CommonProgramFiles"},
      {41, false, true, false, false, L"", L"", nullptr},  // known-folder query
      {42, false, false, false, false, L"", L"", nullptr},
      {20, false, false, false, false, L"", L"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "folder " << c.folder << " xp " << c.xp << " off " << c.off);
    const EnvFolderRule r = GetEnvFolderRule(c.folder, c.xp, c.off);
    EXPECT_EQ(c.handled, r.handled);
    EXPECT_EQ(c.viaProgramFiles, r.viaProgramFiles);
    EXPECT_EQ(c.variable, r.variable);
    EXPECT_EQ(c.join, r.join);
    if (c.label) {
      ASSERT_NE(nullptr, r.label);
      EXPECT_STREQ(c.label, r.label);
    } else {
      EXPECT_EQ(nullptr, r.label);
    }
  }
}

TEST(FolderMacros, ProgramFilesRuleTakesOnlyItsTwoVariables) {
  EXPECT_EQ(L"%ProgramW6432%", GetProgramFilesRule(L"%PROGRAMFILES%", true).variable);
  EXPECT_EQ(L"Common Files", GetProgramFilesRule(L"%commonprogramfiles%", true).join);
  EXPECT_FALSE(GetProgramFilesRule(L"%windir%", false).handled);
  EXPECT_FALSE(GetProgramFilesRule(L"ProgramFiles", false).handled);
  EXPECT_FALSE(GetProgramFilesRule(L"", true).handled);
}

TEST(FolderMacros, UnexpandedVariableIsRecognised) {
  EXPECT_TRUE(IsUnexpanded(L"%localappdata%", L"%localappdata%"));
  EXPECT_TRUE(IsUnexpanded(L"%ProgramW6432%", L"%PROGRAMW6432%"));
  EXPECT_FALSE(IsUnexpanded(L"%appdata%", L"C:\\users\\me\\AppData\\Roaming"));
  EXPECT_FALSE(IsUnexpanded(L"", L"C:\\x"));
}

TEST(Paths, JoinPathPutsExactlyOneSeparatorAtTheSeam) {
  struct Case {
    const wchar_t *a, *b, *joined;
  } cases[] = {
      {L"C:\\a", L"b", L"C:\\a\\b"},
      {L"C:\\a\\", L"b", L"C:\\a\\b"},
      {L"C:\\a", L"\\b", L"C:\\a\\b"},
      {L"C:\\a\\", L"\\b", L"C:\\a\\b"},
      {L"C:\\a/", L"/b", L"C:\\a/b"},
      {L"C:\\a/", L"b", L"C:\\a/b"},
      {L"C:\\a", L"/b", L"C:\\a/b"},
      {L"C:\\windows", L"", L"C:\\windows\\"},
      {L"C:\\windows\\", L"", L"C:\\windows\\"},
      {L"", L"game.exe", L"\\game.exe"},
      {L"", L"", L"\\"},
      {L"D:\\r\\", L"..\\x", L"D:\\r\\..\\x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.a) + " + " + Narrow(c.b));
    EXPECT_EQ(c.joined, JoinPath(c.a, c.b));
  }
}

TEST(Paths, ResolveCopyDestination) {
  const std::wstring base = L"D:\\Cafe\\Starter\\";
  std::wstring lastMacro;
  auto translate = [&](const std::wstring& macro) -> std::wstring {
    lastMacro = macro;
    switch (LookupFolderMacro(macro)) {
      case 26: return L"C:\\Users\\me\\AppData\\Roaming";
      case 36: return L"C:\\Windows";
      case 20: return L"C:\\Windows\\Fonts";
      case 41: return L"";  // the query could not supply it
      default: return L"";
    }
  };
  struct Case {
    const wchar_t* dst;
    const wchar_t* expected;
    const wchar_t* macro;  // what reached the translation, if anything
  } cases[] = {
      {L"$CSIDL_APPDATA$\\Vendor\\a.cfg", L"C:\\Users\\me\\AppData\\Roaming\\Vendor\\a.cfg",
       L"$CSIDL_APPDATA$"},
      {L"$csidl_appdata$\\a.cfg", L"C:\\Users\\me\\AppData\\Roaming\\a.cfg", L"$csidl_appdata$"},
      {L"$CSIDL_APP\\DATA$\\a.cfg", L"C:\\Users\\me\\AppData\\Roaming\\a.cfg", L"$CSIDL_APPDATA$"},
      {L"$CSIDL_APPDATA$a.cfg", L"C:\\Users\\me\\AppData\\Roaming\\a.cfg", L"$CSIDL_APPDATA$"},
      {L"$CSIDL_WINDOWS$", L"C:\\Windows\\", L"$CSIDL_WINDOWS$"},
      {L"$CSIDL_FONTS$\\f.ttf", L"C:\\Windows\\Fonts\\f.ttf", L"$CSIDL_FONTS$"},
      {L"$CSIDL_NOPE$\\x", L"", L"$CSIDL_NOPE$"},
      {L"$CSIDL_SYSTEMX86$\\x", L"", L"$CSIDL_SYSTEMX86$"},
      {L"$CSIDL_APPDATA\\x", L"", nullptr},
      {L"$", L"", nullptr},
      {L"$$", L"", L"$$"},
      {L"$$$$$", L"", L"$$"},
      {L"E:\\Games\\x", L"E:\\Games\\x", nullptr},
      {L"\\\\srv\\share\\C:\\x", L"\\\\srv\\share\\C:\\x", nullptr},
      {L"Data\\x.dat", L"D:\\Cafe\\Starter\\Data\\x.dat", nullptr},
      {L"\\Data\\x.dat", L"D:\\Cafe\\Starter\\Data\\x.dat", nullptr},
      {L"..\\x", L"D:\\Cafe\\Starter\\..\\x", nullptr},
      {L"x$CSIDL_APPDATA$", L"D:\\Cafe\\Starter\\x$CSIDL_APPDATA$", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.dst));
    lastMacro = L"(none)";
    EXPECT_EQ(c.expected, ResolveCopyDestination(c.dst, base, translate));
    EXPECT_EQ(c.macro ? std::wstring(c.macro) : std::wstring(L"(none)"), lastMacro);
  }
}

TEST(Paths, DestinationDirectory) {
  struct Case {
    const wchar_t *path, *dir;
  } cases[] = {
      {L"C:\\a\\b\\f.txt", L"C:\\a\\b"},
      {L"C:\\a\\b\\", L"C:\\a"},
      {L"C:\\a/b//", L"C:\\a"},
      {L"C:\\a\\b/f", L"C:\\a\\b"},
      {L"C:/a\\f", L"C:/a"},
      {L"f.txt", L""},
      {L"\\\\\\", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.path));
    EXPECT_EQ(c.dir, DestinationDirectory(c.path));
  }
}

TEST(Paths, ResolveExePath) {
  struct Case {
    const wchar_t *base, *rel, *full;
  } cases[] = {
      {L"D:\\Cafe\\Starter\\", L"game\\run.exe", L"D:\\Cafe\\Starter\\game\\run.exe"},
      {L"D:\\Cafe\\Starter\\", L"..\\game\\run.exe", L"D:\\Cafe\\game\\run.exe"},
      {L"D:\\Cafe\\Starter\\", L"..\\..\\x.exe", L"D:\\x.exe"},
      {L"D:\\Cafe\\Starter\\", L"..\\..\\..\\x.exe", L""},
      {L"C:\\r\\", L"..\\..\\x.exe", L""},
      {L"D:\\Cafe\\Starter\\", L".\\game\\.\\run.exe", L"D:\\Cafe\\Starter\\game\\run.exe"},
      // "..\" is removed wherever it stands and still climbs one folder.
      {L"D:\\Cafe\\Starter\\", L"game\\..\\run.exe", L"D:\\Cafe\\game\\run.exe"},
      // Forward slashes are no separators; an absolute path is appended.
      {L"D:\\Cafe\\Starter\\", L"../run.exe", L"D:\\Cafe\\Starter\\../run.exe"},
      {L"D:\\Cafe\\Starter\\", L"E:\\run.exe", L"D:\\Cafe\\Starter\\E:\\run.exe"},
      // The game path joined with an empty before-path starts with "\".
      {L"D:\\Cafe\\Starter\\", L"\\game.exe", L"D:\\Cafe\\Starter\\\\game.exe"},
      {L"D:\\Cafe\\Starter\\", L"", L"D:\\Cafe\\Starter\\"},
      {L"", L"game.exe", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.base) + " + " + Narrow(c.rel));
    EXPECT_EQ(c.full, ResolveExePath(c.base, c.rel));
  }
}

TEST(CommandLines, PreloadQuotesThePathAndAlwaysHasTheBlank) {
  EXPECT_EQ(L"\"C:\\r\\p.exe\" ", BuildPreloadCommandLine(L"C:\\r\\p.exe", L""));
  EXPECT_EQ(L"\"C:\\my r\\p.exe\" -a \"b c\"",
            BuildPreloadCommandLine(L"C:\\my r\\p.exe", L"-a \"b c\""));
}

TEST(CommandLines, GameQuotesOnlyAPathWithBlanks) {
  EXPECT_EQ(L"C:\\r\\g.exe ", BuildGameCommandLine(L"C:\\r\\g.exe", L""));
  EXPECT_EQ(L"C:\\r\\g.exe -w 1", BuildGameCommandLine(L"C:\\r\\g.exe", L"-w 1"));
  EXPECT_EQ(L"\"C:\\Program Files\\g.exe\" -w", BuildGameCommandLine(L"C:\\Program Files\\g.exe", L"-w"));
  EXPECT_EQ(L" -w", BuildGameCommandLine(L"", L"-w"));
}

TEST(CopyPlan, SkipAndRedirectionDecisions) {
  EXPECT_TRUE(ShouldSkipCopyEntry(8, 8, L"a", L"b"));
  EXPECT_FALSE(ShouldSkipCopyEntry(7, 8, L"a", L"b"));
  EXPECT_FALSE(ShouldSkipCopyEntry(7, 0, L"a", L"b"));  // no SkipOS never skips
  EXPECT_TRUE(ShouldSkipCopyEntry(7, 0, L"", L"b"));
  EXPECT_TRUE(ShouldSkipCopyEntry(7, 0, L"a", L""));

  EXPECT_TRUE(WantsRedirectionOff(1, true));
  EXPECT_FALSE(WantsRedirectionOff(1, false));
  EXPECT_FALSE(WantsRedirectionOff(2, true));
  EXPECT_FALSE(WantsRedirectionOff(0, true));
}

TEST(StartPlanTest, SectionsAndFallbacks) {
  struct Case {
    bool client;
    int code;
    int preload, game;
    bool fallback;
  } cases[] = {
      {false, 0, 0, 0, false},   // no client: DefSoft preloads and game
      {false, 3, 0, 0, false},   // code is not looked at without a client
      {true, 0, 0, 0, false},
      {true, 1, 1, 1, true},
      {true, 4, 4, 4, true},
      {true, 5, 5, 5, true},
      {true, -1, -1, 0, false},  // no section: no preloads, DefSoft game
      {true, 6, 6, 0, false},
      {true, 77, 77, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "client " << c.client << " code " << c.code);
    const StartPlan p = PlanStart(c.client, c.code);
    EXPECT_EQ(c.preload, p.preloadCode);
    EXPECT_EQ(c.game, p.gameCode);
    EXPECT_EQ(c.fallback, p.fallBackToDefault);
  }
}

}  // namespace
