// CefCommandLine over the engine's command-line rules. The process-wide
// one (GetGlobalCommandLine) is read from the process's own command line
// when first asked for, and is read-only, as in the engine.
#pragma once

#include <mutex>

#include "command_line_rules.h"
#include "include/cef_command_line.h"

namespace velora_engine {

class CommandLineImpl : public CefCommandLine {
 public:
  CommandLineImpl() = default;
  explicit CommandLineImpl(CommandLineModel model, bool read_only = false)
      : model_(std::move(model)), read_only_(read_only) {}

  bool IsValid() override { return true; }
  bool IsReadOnly() override { return read_only_; }
  CefRefPtr<CefCommandLine> Copy() override;
  void InitFromArgv(int argc, const char* const* argv) override;
  void InitFromString(const CefString& command_line) override;
  void Reset() override;
  void GetArgv(std::vector<CefString>& argv) override;
  CefString GetCommandLineString() override;
  CefString GetProgram() override;
  void SetProgram(const CefString& program) override;
  bool HasSwitches() override;
  bool HasSwitch(const CefString& name) override;
  CefString GetSwitchValue(const CefString& name) override;
  void GetSwitches(SwitchMap& switches) override;
  void AppendSwitch(const CefString& name) override;
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override;
  bool HasArguments() override;
  void GetArguments(ArgumentList& arguments) override;
  void AppendArgument(const CefString& argument) override;
  void PrependWrapper(const CefString& wrapper) override;

  CommandLineModel model() const;

 private:
  mutable std::mutex lock_;
  CommandLineModel model_;
  std::vector<std::wstring> wrapper_;  // PrependWrapper: before the program
  bool read_only_ = false;
  IMPLEMENT_REFCOUNTING(CommandLineImpl);
};

// Sets the text the global command line is read from (the process's own,
// given once by the engine at start-up).
void SetGlobalCommandLineText(const std::wstring& text);

}  // namespace velora_engine
