// The command-line rules of the engine, as plain functions over wide text:
// splitting a Windows command line into arguments, telling switches from
// arguments, and writing a command line back. CefCommandLine (the API
// object) and the renderer's launch are built on these.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velora_engine {

// Splits a command line the way CommandLineToArgvW does:
//   L"a.exe --x=1 \"b c\"" -> {L"a.exe", L"--x=1", L"b c"}
// Backslashes are literal unless they precede a quote; 2n backslashes and a
// quote give n backslashes and toggle quoting, 2n+1 give n and a literal
// quote. The first argument (the program) ends at the first blank outside
// quotes and keeps its backslashes as they are.
std::vector<std::wstring> SplitCommandLine(const std::wstring& command_line);

// Quotes one argument so that SplitCommandLine gives it back unchanged:
//   L"b c" -> L"\"b c\"", L"x" -> L"x", L"" -> L"\"\"".
std::wstring QuoteArgument(const std::wstring& argument);

// One parsed command line: the program, the switches in the order they
// were first given (a switch given twice keeps its first place and its last
// value) and the plain arguments.
struct CommandLineModel {
  std::wstring program;
  std::vector<std::pair<std::wstring, std::wstring>> switches;
  std::vector<std::wstring> arguments;

  bool HasSwitch(const std::wstring& name) const;
  std::wstring GetSwitchValue(const std::wstring& name) const;
  // Adds or replaces a switch. The name may be given with its prefix:
  // "--x", "-x" and "x" all store "x".
  void SetSwitch(const std::wstring& name, const std::wstring& value);
  void Clear();
};

// The bare switch name: prefix ("--", "-" or "/") removed, lower case.
//   L"--Enable-WebGL" -> L"enable-webgl", L"no-proxy-server" -> unchanged.
std::wstring SwitchName(const std::wstring& name_with_prefix);

// Reads an argv (program first). Elements starting with "--", "-" or "/"
// are switches ("--name=value" or "--name"); a lone "--" ends the switches
// and every later element is an argument.
CommandLineModel ParseArgv(const std::vector<std::wstring>& argv);

// Writes "program --a --b=value arg", quoting what needs it.
std::wstring FormatCommandLine(const CommandLineModel& model);

// Which switches of the engine's command line go on to Chromium, and in
// which form. Chromium has dropped some of the names the engine accepts
// (plug-in switches, the old GPU "blacklist" name); those map to nothing
// or to the current name. Returns false when the switch stays with the
// engine.
bool ChromiumSwitchFor(const std::wstring& name, const std::wstring& value,
                       std::wstring* chromium_switch);

}  // namespace velora_engine
