// The staff tool's findings and the plain-text report made of them. The
// Win32 side fills CheckResults; FormatReport and ExitCodeFor are plain
// functions, tested on the host.
//
// Exit codes:
//   0  complete: every program, the cafe library's handshake, the browser
//      engine, the skin folder and (when checked) Rundle's plan are usable
//   1  incomplete: something needed is missing or broken; the report names it
//   2  the tool itself failed: bad command line, or the report or the zip
//      could not be written
#pragma once

#include <string>
#include <vector>

#include "skin_check.h"
#include "start_plan.h"

namespace cafecheck {

constexpr int kExitComplete = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitToolFailed = 2;

struct ProgramInfo {
  std::string name;  // "Velora.exe"
  std::wstring path;
  bool present = false;
  bool needed = true;
  std::string version;  // FileVersion of the version resource, "" without one
};

struct CafeInfo {
  bool library_present = false;
  bool library_loaded = false;
  unsigned long load_error = 0;
  std::vector<std::string> missing_exports;
  std::string token;  // this PC's handshake token
  bool token_accepted = false;
  bool asked = false;  // Veyra was called
  int answer = 0;      // Veyra's code
  bool bar_id_found = false;
  std::string bar_id;
};

struct AdapterInfo {
  std::string description;
  unsigned type = 0;
  std::string address;  // "00-1a-2b-3c-4d-5e" (all bytes of the address)
  bool chosen = false;
};

struct NetworkInfo {
  std::vector<AdapterInfo> adapters;
  std::wstring identity;  // the machine identity of the handshake
  std::wstring computer_name;
};

struct BrowserInfo {
  bool found = false;
  std::wstring path;
  std::vector<std::wstring> looked_at;
  bool started = false;
  int port = 0;  // DevTools port from DevToolsActivePort
  bool stopped = false;
  std::string error;
};

// Rundle's plan for one settings file, with what the file system says about
// the paths it names.
struct RundleInfo {
  bool checked = false;
  std::wstring settings_path;
  bool settings_present = false;
  int os_code = 0;
  bool is64 = false;
  bool windows10 = false;
  std::vector<CopyStep> copies;
  std::vector<bool> copy_source_present;  // per copy
  RunPlan plan;
  std::vector<bool> preload_present;  // per preload
  bool game_present = false;          // the started game's program exists
  std::wstring log_folder;
};

struct CheckResults {
  std::string tool_version;
  std::string time;  // "2026-12-10 18:40:00"
  std::wstring folder;
  std::vector<ProgramInfo> programs;
  CafeInfo cafe;
  NetworkInfo network;
  BrowserInfo browser;
  std::wstring skin_folder;
  SkinFolderResult skin;
  RundleInfo rundle;
  std::vector<std::string> zip_entries;  // filled after the zip is made
};

// What makes the install incomplete, one line per fault; empty when complete.
std::vector<std::string> FindProblems(const CheckResults& results);
int ExitCodeFor(const CheckResults& results);

// The report, UTF-8, lines ending in "\r\n".
std::string FormatReport(const CheckResults& results);

// UTF-16 (or UTF-32 where wchar_t is 32-bit) to UTF-8; unpaired surrogates
// become U+FFFD.
std::string ToUtf8(const std::wstring& text);

// Names of Veyra's answers: 0 "not a managed cafe", 1 "managed cafe",
// 2 "Ombra environment", anything else "unknown".
const char* CafeAnswerName(int answer);
// The section of an environment code, "(none)" without one.
std::string EnvSectionText(int env_code);
// Run options: 0 process creation, 1 shell, 2 WinExec, 3 open as address.
const char* RunOptionName(int option);

}  // namespace cafecheck
