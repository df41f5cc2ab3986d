// CafeCheck.exe: the technicians' check of an installation on a cafe PC.
//
//   CafeCheck.exe [--rundle-ini <path>] [--skin <folder>] [--out <folder>]
//
// Looks at the programs beside it, asks Veyra.dll as the frame does, names
// the network adapter of the handshake, starts and stops the browser engine,
// checks the skin folder (default: Skin beside it) and works out what Rundle
// would do with its settings file (default: Rundle.ini beside it, when there
// is one), without copying or starting anything. Writes CafeCheck-report.txt
// (UTF-8) and CafeCheck-report.zip (the report and the logs of Velora and
// Rundle) into the output folder (default: its own) and the report to
// standard output. Exit codes: report.h.
#pragma once

#include <string>

#include "report.h"

namespace cafecheck {

// The whole run; returns the exit code.
int RunCafeCheck(int argc, wchar_t** argv);

// The single checks, for the run and for tests that drive one of them.
ProgramInfo CheckProgram(const std::wstring& dir, const wchar_t* name, bool needed);
// Veyra.dll in `dir`, loaded and asked as the frame asks it.
void AskVeyra(const std::wstring& dir, CafeInfo& cafe);
void DescribeAdapters(NetworkInfo& net);
// Chromium as the frame finds it from `dir`, started headless and stopped.
void CheckBrowser(const std::wstring& dir, BrowserInfo& browser);
SkinFolderResult CheckSkin(const std::wstring& skin_dir);
void PlanRundle(const std::wstring& settings_path, RundleInfo& ru);

}  // namespace cafecheck
