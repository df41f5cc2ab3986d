// Platform-neutral rules of the path macros, the copy plan and the start
// command lines. No Win32 here: the host build compiles and tests this file.
#include "process_mgr.h"

namespace {

wchar_t FoldAscii(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == L'\0' || FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return b[i] == L'\0';
}

bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
  }
  return true;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Removes every occurrence of `needle` and returns how many were removed.
// The search starts over after each removal, so pieces that meet after a
// removal ("....\\\\" style) are caught as well.
int RemoveAll(std::wstring& text, const std::wstring& needle) {
  int count = 0;
  for (size_t pos = text.find(needle); pos != std::wstring::npos; pos = text.find(needle)) {
    text.erase(pos, needle.size());
    ++count;
  }
  return count;
}

}  // namespace

const FolderMacro kFolderMacros[39] = {
    {L"$CSIDL_APPDATA$", 26},
    {L"$CSIDL_LOCAL_APPDATA$", 28},
    {L"$CSIDL_COMMON_APPDATA$", 35},
    {L"$CSIDL_WINDOWS$", 36},
    {L"$CSIDL_SYSTEM$", 37},
    {L"$CSIDL_PROGRAM_FILES$", 38},
    {L"$CSIDL_PROFILE$", 40},
    {L"$CSIDL_SYSTEMX86$", 41},
    {L"$CSIDL_PROGRAM_FILESX86$", 42},
    {L"$CSIDL_PROGRAM_FILES_COMMON$", 43},
    {L"$CSIDL_PROGRAM_FILES_COMMONX86$", 44},
    {L"$CSIDL_MYDOCUMENTS$", 5},
    {L"$CSIDL_MYMUSIC$", 13},
    {L"$CSIDL_MYVIDEO$", 14},
    {L"$CSIDL_MYPICTURES$", 39},
    {L"$CSIDL_COMMON_MUSIC$", 53},
    {L"$CSIDL_COMMON_PICTURES$", 54},
    {L"$CSIDL_COMMON_VIDEO$", 55},
    {L"$CSIDL_PROGRAMS$", 2},
    {L"$CSIDL_FAVORITES$", 6},
    {L"$CSIDL_STARTUP$", 7},
    {L"$CSIDL_SENDTO$", 9},
    {L"$CSIDL_STARTMENU$", 11},
    {L"$CSIDL_DESKTOPDIRECTORY$", 16},
    {L"$CSIDL_NETHOOD$", 19},
    {L"$CSIDL_FONTS$", 20},
    {L"$CSIDL_TEMPLATES$", 21},
    {L"$CSIDL_COMMON_STARTMENU$", 22},
    {L"$CSIDL_COMMON_PROGRAMS$", 23},
    {L"$CSIDL_COMMON_STARTUP$", 24},
    {L"$CSIDL_COMMON_DESKTOPDIRECTORY$", 25},
    {L"$CSIDL_PRINTHOOD$", 27},
    {L"$CSIDL_COOKIES$", 33},
    {L"$CSIDL_COMMON_TEMPLATES$", 45},
    {L"$CSIDL_COMMON_DOCUMENTS$", 46},
    {L"$CSIDL_COMMON_ADMINTOOLS$", 47},
    {L"$CSIDL_ADMINTOOLS$", 48},
    {L"$CSIDL_RESOURCES$", 56},
    {L"$CSIDL_RESOURCES_LOCALIZED$", 57},
};

int LookupFolderMacro(const std::wstring& macro) {
  if (macro.empty()) return -1;
  for (const FolderMacro& m : kFolderMacros) {
    if (EqualsIgnoringCase(macro, m.name)) return m.folder;
  }
  return -1;
}

EnvFolderRule GetEnvFolderRule(int folder, bool xpEra, bool redirectionOff) {
  EnvFolderRule r;
  r.handled = true;
  switch (folder) {
    case 26:
      r.variable = L"%appdata%";
      r.label = "appdata";
      break;
    case 28:
      // XP has no %localappdata%: the known-folder query answers there.
      if (!xpEra) r.variable = L"%localappdata%";
      r.label = "localappdata";
      break;
    case 35:
      if (xpEra) {
        r.variable = L"%ALLUSERSPROFILE%";
        r.join = L"Application Data";
      } else {
        r.variable = L"%ProgramData%";
      }
      r.label = "ProgramData";
      break;
    case 36:
      r.variable = L"%windir%";
      r.label = "windir";
      break;
    case 37:
      r.variable = L"%windir%";
      r.join = L"System32";
      r.label = "windir//system32";
      break;
    case 38:
      r = GetProgramFilesRule(L"%ProgramFiles%", redirectionOff);
      r.viaProgramFiles = true;
      r.label = "ProgramFiles";
      break;
    case 40:
      r.variable = L"%USERPROFILE%";
      r.label = "USERPROFILE";
      break;
    case 43:
      r = GetProgramFilesRule(L"%CommonProgramFiles%", redirectionOff);
      r.viaProgramFiles = true;
      r.label = "CommonProgramFiles";
      break;
    default:
      return EnvFolderRule();
  }
  return r;
}

EnvFolderRule GetProgramFilesRule(const std::wstring& variable, bool redirectionOff) {
  EnvFolderRule r;
  // A 32-bit Rundle sees the 32-bit folders under these two names on 64-bit
  // Windows; %ProgramW6432% names the native one, which is where a copy with
  // redirection off is meant to land.
  if (EqualsIgnoringCase(variable, L"%CommonProgramFiles%")) {
    r.handled = true;
    if (redirectionOff) {
      r.variable = L"%ProgramW6432%";
      r.join = L"Common Files";
    } else {
      r.variable = L"%CommonProgramFiles%";
    }
  } else if (EqualsIgnoringCase(variable, L"%ProgramFiles%")) {
    r.handled = true;
    r.variable = redirectionOff ? L"%ProgramW6432%" : L"%ProgramFiles%";
  }
  return r;
}

bool IsUnexpanded(const std::wstring& variable, const std::wstring& expanded) {
  return !variable.empty() && StartsWithIgnoringCase(expanded, variable);
}

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
  const bool aEnds = !a.empty() && IsSeparator(a.back());
  const bool bStarts = !b.empty() && IsSeparator(b.front());
  if (aEnds && bStarts) return a + b.substr(1);
  if (aEnds || bStarts) return a + b;
  return a + L"\\" + b;
}

std::wstring ResolveCopyDestination(
    const std::wstring& dst, const std::wstring& base,
    const std::function<std::wstring(const std::wstring&)>& translate) {
  if (!dst.empty() && dst[0] == L'$') {
    const size_t close = dst.find(L'$', 1);
    if (close == std::wstring::npos) return std::wstring();
    std::wstring macro = dst.substr(0, close + 1);
    RemoveAll(macro, L"\\");
    const std::wstring folder = translate(macro);
    if (folder.empty()) return std::wstring();
    return JoinPath(folder, dst.substr(close + 1));
  }
  if (dst.find(L":\\") != std::wstring::npos) return dst;
  return JoinPath(base, dst);
}

std::wstring DestinationDirectory(const std::wstring& destination) {
  std::wstring dir = destination;
  while (!dir.empty() && IsSeparator(dir.back())) dir.pop_back();
  const size_t cut = dir.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return std::wstring();
  return dir.substr(0, cut);
}

std::wstring ResolveExePath(const std::wstring& base, const std::wstring& relative) {
  std::wstring rel = relative;
  const int up = RemoveAll(rel, L"..\\");
  RemoveAll(rel, L".\\");
  std::wstring dir = base;
  for (int i = 0; i <= up; ++i) {
    const size_t cut = dir.rfind(L'\\');
    if (cut == std::wstring::npos) return std::wstring();
    dir.erase(cut);
  }
  return dir + L"\\" + rel;
}

std::wstring BuildPreloadCommandLine(const std::wstring& path, const std::wstring& params) {
  return L"\"" + path + L"\" " + params;
}

std::wstring BuildGameCommandLine(const std::wstring& path, const std::wstring& params) {
  if (path.find(L' ') != std::wstring::npos && path.front() != L'"') {
    return L"\"" + path + L"\" " + params;
  }
  return path + L" " + params;
}

bool ShouldSkipCopyEntry(int osCode, int skipOs, const std::wstring& src,
                         const std::wstring& dst) {
  return osCode == skipOs || src.empty() || dst.empty();
}

bool WantsRedirectionOff(int isCloseRedirection, bool is64BitWindows) {
  return isCloseRedirection == 1 && is64BitWindows;
}

StartPlan PlanStart(bool clientRunning, int code) {
  if (!clientRunning) return StartPlan{0, 0, false};
  // Codes 1..5 have their own section; its game falls back to DefSoft.
  // Any other code has no section: no preloads (the reader returns none for
  // it) and the DefSoft game.
  if (code >= 1 && code <= 5) return StartPlan{code, code, true};
  return StartPlan{code, 0, false};
}
