// Path macros, copy destinations and the copy plan of the game starter.
//
// The free functions in this header are the platform-neutral rules (the
// folder macro table, how a copy destination is read, how paths are joined,
// how a preload or game path and its command line are formed); they build
// and are tested everywhere. CProcessMgr and the operations that touch the
// file system are Win32-only and live in process_mgr_win.cpp.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "start_rules.h"

// ---------------------------------------------------------------------------
// Folder macros

struct FolderMacro {
  const wchar_t* name;  // written with a leading and a trailing "$"
  int folder;           // the CSIDL value of the same name
};

// The 39 macros in the order they are searched.
extern const FolderMacro kFolderMacros[39];

// Folder number of `macro` (whole text, ASCII case ignored), or -1.
//   L"$csidl_appdata$" -> 26, L"$CSIDL_APPDATA$\\x" -> -1
int LookupFolderMacro(const std::wstring& macro);

// How one of the eight environment-resolved folders is found. Folders not
// covered (`handled` false) go straight to the known-folder query.
struct EnvFolderRule {
  bool handled = false;
  // 38 and 43 are resolved by ExpandProgramFiles with this variable.
  bool viaProgramFiles = false;
  // Variable to expand; empty when no expansion is made (28 on an XP-era
  // system), which sends the folder to the known-folder query.
  std::wstring variable;
  // Joined to the expansion when not empty ("System32", ...).
  std::wstring join;
  // Label of the Trace line ("appdata", "windir//system32", ...).
  const char* label = nullptr;
};
// xpEra: OS code below 5. redirectionOff: the copy entry being carried out
// switched file-system redirection off.
EnvFolderRule GetEnvFolderRule(int folder, bool xpEra, bool redirectionOff);

// The expansion ExpandProgramFiles makes for "%ProgramFiles%" or
// "%CommonProgramFiles%" (ASCII case ignored): the variable to expand and
// the piece joined to it. `handled` is false for any other variable.
EnvFolderRule GetProgramFilesRule(const std::wstring& variable, bool redirectionOff);

// True when expanding `variable` (such as L"%localappdata%") gave back the
// variable as written, which the platform does when it is not defined on
// this PC. Such a text is no folder (it would make a copy land in a folder
// literally named "%localappdata%" below the current directory), so the
// caller treats it as a failed expansion and asks the known-folder query.
bool IsUnexpanded(const std::wstring& variable, const std::wstring& expanded);

// ---------------------------------------------------------------------------
// Paths

// Appends b to a with exactly one separator at the seam; "\" and "/" both
// count. JoinPath(L"C:\\a", L"b") == L"C:\\a\\b", JoinPath(L"C:\\a\\", L"\\b")
// == L"C:\\a\\b", JoinPath(L"C:\\a", L"") == L"C:\\a\\", JoinPath(L"", L"b")
// == L"\\b".
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);

// Resolves a copy destination:
//   "$MACRO$rest"   -> JoinPath(translate(macro without any "\"), rest), or
//                      empty when there is no closing "$" or the folder
//                      comes back empty;
//   text with ":\"  -> unchanged;
//   anything else   -> JoinPath(base, dst).
// `translate` maps a macro (with its "$" signs) to a folder or to empty.
std::wstring ResolveCopyDestination(
    const std::wstring& dst, const std::wstring& base,
    const std::function<std::wstring(const std::wstring&)>& translate);

// The folder a single-file copy goes into: trailing "\" and "/" dropped,
// then cut before the last separator; empty when there is none.
//   L"C:\\a\\b\\f.txt" -> L"C:\\a\\b", L"f.txt" -> L""
std::wstring DestinationDirectory(const std::wstring& destination);

// A program path relative to `base` (Rundle's directory and "\"): every
// "..\" is removed and counted, then every ".\" is removed; base loses its
// trailing separator and one more folder per "..\". Empty when base has too
// few folders. With base L"D:\\Cafe\\Starter\\":
//   L"game\\run.exe" -> L"D:\\Cafe\\Starter\\game\\run.exe"
//   L"..\\game\\run.exe" -> L"D:\\Cafe\\game\\run.exe"
//   L"..\\..\\..\\x.exe" -> L""
std::wstring ResolveExePath(const std::wstring& base, const std::wstring& relative);

// Command line of a preload program: the quoted path, a blank, the
// arguments (the blank is there also when they are empty).
std::wstring BuildPreloadCommandLine(const std::wstring& path, const std::wstring& params);

// Command line of the game: the path, a blank, the arguments. The path is
// quoted only when it holds a blank, so that the platform cannot take a
// shorter prefix of it ("C:\Program Files\g.exe" -> "C:\Program.exe") for
// the program; other paths are written as they are.
std::wstring BuildGameCommandLine(const std::wstring& path, const std::wstring& params);

// ---------------------------------------------------------------------------
// Copy-plan and start decisions

// An entry is passed over, without a log line, when the OS code equals its
// SkipOS or when its source or destination is empty.
bool ShouldSkipCopyEntry(int osCode, int skipOs, const std::wstring& src,
                         const std::wstring& dst);

// Redirection is switched off for an entry only when it asks with exactly 1
// and Windows is 64-bit.
bool WantsRedirectionOff(int isCloseRedirection, bool is64BitWindows);

// What ShellSoft starts for the detected environment.
struct StartPlan {
  int preloadCode;        // section whose preloads run
  int gameCode;           // section whose game is tried first
  bool fallBackToDefault; // when that section names no game, try DefSoft (0)
};
StartPlan PlanStart(bool clientRunning, int code);

// ---------------------------------------------------------------------------
// The process-wide manager of folder macros and the copy plan (Win32).

struct CopyStep;

class CProcessMgr {
 public:
  // The one instance; created on first use, never destroyed.
  static CProcessMgr& Instance();

  // Carries out the copy plan of the settings file; base is Rundle's
  // directory followed by "\".
  void ProcessCopyFile(const std::wstring& base);

  // The copy plan without copying: every entry of the settings file with
  // its resolved paths, as ProcessCopyFile would carry it out. Redirection
  // is not switched; the folders are resolved as if it were.
  std::vector<CopyStep> PlanCopyFiles(const std::wstring& base);

  // One entry of the plan for this OS code and 64-bit flag.
  CopyStep PlanCopyEntry(const CopyEntry& entry, const std::wstring& base, int osCode,
                         bool is64BitWindows);

  // Macro (with its "$" signs) -> folder, or `out` left empty.
  void TranslatePath(const std::wstring& macro, std::wstring& out, bool redirectionOff);

  // ResolveCopyDestination with TranslatePath for the macros.
  std::wstring ResolveCopyDestination(const std::wstring& dst, const std::wstring& base,
                                      bool redirectionOff);

  CProcessMgr(const CProcessMgr&) = delete;
  CProcessMgr& operator=(const CProcessMgr&) = delete;

 private:
  CProcessMgr() = default;
};

// "%ProgramFiles%" or "%CommonProgramFiles%" -> the folder appended to
// `out`; returns the expansion's count, 0 on failure or for any other
// variable (then `out` is untouched).
unsigned long ExpandProgramFiles(const std::wstring& variable, std::wstring& out,
                                 bool redirectionOff);

// One file, overwriting; the destination's folder chain is created first
// and a read-only or system destination is retried once without those
// attributes.
bool CopyOneFile(const std::wstring& source, const std::wstring& destination);

// A whole directory tree (hidden and system files too). Note the order of
// the arguments. True whenever the source could be listed.
bool CopyTree(const std::wstring& destination, const std::wstring& source);
