// CProcessMgr on Win32: folder macros through environment expansion and the
// known-folder query, and the copy plan with its per-entry switch of
// file-system redirection.
#include "process_mgr.h"

#include "win_include.h"

#include <shlobj.h>

#include "start_config.h"
#include "start_plan.h"
#include "start_log.h"
#include "text_win.h"

namespace {

// The process-wide holder of the two WOW64 redirection functions. They are
// looked up once in the already loaded kernel32; either may be missing
// (32-bit Windows before XP SP2), and a missing one is simply not called.
class CFsRedirection {
 public:
  // Created on first use; the initialisation of a function-local static is
  // done under the runtime's own lock, so two threads cannot both create it.
  static CFsRedirection& Instance() {
    static CFsRedirection* instance = new CFsRedirection();  // never destroyed
    return *instance;
  }

  // Switches redirection off for this thread; *saved receives the value the
  // revert needs. 0 when the function is absent or the call failed.
  BOOL Disable(PVOID* saved) { return disable_ ? disable_(saved) : FALSE; }
  BOOL Revert(PVOID saved) { return revert_ ? revert_(saved) : FALSE; }

 private:
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using RevertFn = BOOL(WINAPI*)(PVOID);

  CFsRedirection() {
    kernel32_ = GetModuleHandleW(L"kernel32.dll");
    if (kernel32_) {
      disable_ = reinterpret_cast<DisableFn>(
          reinterpret_cast<void*>(GetProcAddress(kernel32_, "Wow64DisableWow64FsRedirection")));
      revert_ = reinterpret_cast<RevertFn>(
          reinterpret_cast<void*>(GetProcAddress(kernel32_, "Wow64RevertWow64FsRedirection")));
    }
  }

  HMODULE kernel32_ = nullptr;
  DisableFn disable_ = nullptr;
  RevertFn revert_ = nullptr;
};

// Expands `variable` into `out` with the platform's 260-character buffer.
// Returns the platform's count, or 0 when the expansion failed, did not fit
// (the buffer would then hold no usable text) or left the variable as written
// because it is not defined here. `out` receives whatever text was obtained,
// for the Trace line.
DWORD ExpandVariable(const std::wstring& variable, std::wstring& out) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD count = ExpandEnvironmentStringsW(variable.c_str(), buffer, MAX_PATH);
  if (count == 0 || count > MAX_PATH) {
    out.clear();
    return 0;
  }
  out = buffer;
  return IsUnexpanded(variable, out) ? 0 : count;
}

std::wstring KnownFolder(int folder) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
    return std::wstring();
  }
  return buffer;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates `dir` with every missing parent; the outcome shows in the copy
// that follows. A folder path too long for the platform is left alone:
// some shells cut it at MAX_PATH and would create a folder of a shortened
// name that no entry names; the copy then fails on its own.
void EnsureDirectory(const std::wstring& dir) {
  if (dir.empty() || dir.size() >= MAX_PATH || Exists(dir)) return;
  SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
}

}  // namespace

CProcessMgr& CProcessMgr::Instance() {
  static CProcessMgr* instance = new CProcessMgr();  // lives until the process ends
  return *instance;
}

unsigned long ExpandProgramFiles(const std::wstring& variable, std::wstring& out,
                                 bool redirectionOff) {
  const EnvFolderRule rule = GetProgramFilesRule(variable, redirectionOff);
  if (!rule.handled) return 0;
  std::wstring text;
  const DWORD count = ExpandVariable(rule.variable, text);
  if (count == 0) return 0;
  out += rule.join.empty() ? text : JoinPath(text, rule.join);
  return count;
}

void CProcessMgr::TranslatePath(const std::wstring& macro, std::wstring& out,
                                bool redirectionOff) {
  const int folder = LookupFolderMacro(macro);
  if (folder < 0) return;

  const bool xpEra = CStartConfig::Instance().GetOsCode() < 5;
  const EnvFolderRule rule = GetEnvFolderRule(folder, xpEra, redirectionOff);
  if (!rule.handled) {
    out = KnownFolder(folder);
    return;
  }

  std::wstring text;
  DWORD count = 0;
  if (rule.viaProgramFiles) {
    count = ExpandProgramFiles(folder == 38 ? L"%ProgramFiles%" : L"%CommonProgramFiles%", text,
                               redirectionOff);
  } else if (!rule.variable.empty()) {
    count = ExpandVariable(rule.variable, text);
    if (count != 0 && !rule.join.empty()) text = JoinPath(text, rule.join);
  }
  const DWORD error = GetLastError();
  STARTLOG(kLogTrace, "CProcessMgr::TranslatePath", "CProcessMgr::TranslatePath. %s --> %s, ErrorCode %u",
           rule.label, ToAnsi(text).c_str(), static_cast<unsigned>(error));

  // No expansion (failed, undefined, or localappdata on XP): the known-folder
  // query answers.
  out = count != 0 ? text : KnownFolder(folder);
}

std::wstring CProcessMgr::ResolveCopyDestination(const std::wstring& dst,
                                                 const std::wstring& base,
                                                 bool redirectionOff) {
  return ::ResolveCopyDestination(dst, base, [&](const std::wstring& macro) {
    std::wstring folder;
    TranslatePath(macro, folder, redirectionOff);
    return folder;
  });
}

bool CopyOneFile(const std::wstring& source, const std::wstring& destination) {
  EnsureDirectory(DestinationDirectory(destination));
  if (CopyFileW(source.c_str(), destination.c_str(), FALSE)) return true;

  // A read-only or system destination refuses the overwrite: retry once
  // without those two attributes. When the retry fails as well (the source
  // is missing or locked), the destination gets its attributes back, so a
  // failed entry leaves it as it was.
  const DWORD attributes = GetFileAttributesW(destination.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(destination.c_str(), cleared);
  if (CopyFileW(source.c_str(), destination.c_str(), FALSE)) return true;
  if (cleared != attributes) SetFileAttributesW(destination.c_str(), attributes);
  return false;
}

bool CopyTree(const std::wstring& destination, const std::wstring& source) {
  EnsureDirectory(destination);

  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(JoinPath(source, L"*.*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring d = JoinPath(destination, name);
    const std::wstring s = JoinPath(source, name);
    // Single outcomes are not collected: a tree reports success once its
    // source could be listed.
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(d, s);
    } else {
      CopyFileW(s.c_str(), d.c_str(), FALSE);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return true;
}

CopyStep CProcessMgr::PlanCopyEntry(const CopyEntry& entry, const std::wstring& base, int osCode,
                                     bool is64BitWindows) {
  CopyStep step;
  step.entry = entry;
  if (ShouldSkipCopyEntry(osCode, entry.skipOs, entry.src, entry.dst)) {
    step.skipped = true;
    return step;
  }
  step.redirectionOff = WantsRedirectionOff(entry.closeRedirection, is64BitWindows);
  step.destination = ResolveCopyDestination(entry.dst, base, step.redirectionOff);
  // The source is always below Rundle's directory, even when written with
  // a leading backslash or as an absolute path.
  step.source = JoinPath(base, entry.src);
  return step;
}

std::vector<CopyStep> CProcessMgr::PlanCopyFiles(const std::wstring& base) {
  CStartConfig& config = CStartConfig::Instance();
  const int osCode = config.GetOsCode();
  const bool is64 = config.Is64BitSystem();
  std::vector<CopyStep> steps;
  for (const CopyEntry& entry : config.GetCopyList()) steps.push_back(PlanCopyEntry(entry, base, osCode, is64));
  return steps;
}

void CProcessMgr::ProcessCopyFile(const std::wstring& base) {
  CStartConfig& config = CStartConfig::Instance();
  const int osCode = config.GetOsCode();
  const bool is64 = config.Is64BitSystem();

  for (const CopyEntry& entry : config.GetCopyList()) {
    if (ShouldSkipCopyEntry(osCode, entry.skipOs, entry.src, entry.dst)) continue;

    // Redirection is a per-thread setting; it is off only while this one
    // entry is resolved and copied, and back on before the next entry.
    const bool off = WantsRedirectionOff(entry.closeRedirection, is64);
    PVOID saved = nullptr;
    if (off) {
      const BOOL result = CFsRedirection::Instance().Disable(&saved);
      STARTLOG(kLogInfo, "CProcessMgr::ProcessCopyFile", "ProcessCopyFile CopyFile_%d. DisableRedirection: %d",
               entry.index, static_cast<int>(result));
    }
    auto revert = [&] {
      if (!off) return;
      const BOOL result = CFsRedirection::Instance().Revert(saved);
      STARTLOG(kLogInfo, "CProcessMgr::ProcessCopyFile", "ProcessCopyFile CopyFile_%d. RevertRedirection: %d",
               entry.index, static_cast<int>(result));
    };

    const CopyStep step = PlanCopyEntry(entry, base, osCode, is64);
    if (step.destination.empty()) {
      STARTLOG(kLogWarning, "CProcessMgr::ProcessCopyFile",
               "ProcessCopyFile param is wrong! CopyFile_%d.iter->dstPath:%s", entry.index,
               ToAnsi(entry.dst).c_str());
      revert();
      continue;
    }

    const bool ok = entry.isFile != 0 ? CopyOneFile(step.source, step.destination)
                                      : CopyTree(step.destination, step.source);
    revert();
    STARTLOG(kLogInfo, "CProcessMgr::ProcessCopyFile", "ProcessCopyFile Copy File %s --> %s, %s",
             ToAnsi(step.source).c_str(), ToAnsi(step.destination).c_str(), ok ? "Success" : "Failed");
  }
}
