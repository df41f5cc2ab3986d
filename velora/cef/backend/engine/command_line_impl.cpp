#include "command_line_impl.h"

namespace velora_engine {

namespace {
std::wstring Wide(const CefString& s) { return s.ToWString(); }

std::mutex g_global_lock;
std::wstring g_global_text;
bool g_global_text_set = false;
CefRefPtr<CommandLineImpl> g_global;
}  // namespace

CommandLineModel CommandLineImpl::model() const {
  std::lock_guard<std::mutex> g(lock_);
  return model_;
}

CefRefPtr<CefCommandLine> CommandLineImpl::Copy() {
  std::lock_guard<std::mutex> g(lock_);
  CefRefPtr<CommandLineImpl> c = new CommandLineImpl(model_);
  c->wrapper_ = wrapper_;
  return c.get();
}

void CommandLineImpl::InitFromArgv(int argc, const char* const* argv) {
  if (read_only_) return;
  std::vector<std::wstring> args;
  for (int i = 0; i < argc && argv; ++i) args.push_back(CefString(argv[i] ? argv[i] : "").ToWString());
  std::lock_guard<std::mutex> g(lock_);
  model_ = ParseArgv(args);
  wrapper_.clear();
}

void CommandLineImpl::InitFromString(const CefString& command_line) {
  if (read_only_) return;
  std::lock_guard<std::mutex> g(lock_);
  model_ = ParseArgv(SplitCommandLine(Wide(command_line)));
  wrapper_.clear();
}

void CommandLineImpl::Reset() {
  if (read_only_) return;
  std::lock_guard<std::mutex> g(lock_);
  const std::wstring program = model_.program;
  model_.Clear();
  model_.program = program;
  wrapper_.clear();
}

void CommandLineImpl::GetArgv(std::vector<CefString>& argv) {
  std::lock_guard<std::mutex> g(lock_);
  for (const auto& w : wrapper_) argv.push_back(w);
  argv.push_back(model_.program);
  for (const auto& s : model_.switches)
    argv.push_back(L"--" + s.first + (s.second.empty() ? L"" : L"=" + s.second));
  for (const auto& a : model_.arguments) argv.push_back(a);
}

CefString CommandLineImpl::GetCommandLineString() {
  std::lock_guard<std::mutex> g(lock_);
  std::wstring out;
  for (const auto& w : wrapper_) out += QuoteArgument(w) + L" ";
  return out + FormatCommandLine(model_);
}

CefString CommandLineImpl::GetProgram() {
  std::lock_guard<std::mutex> g(lock_);
  return model_.program;
}

void CommandLineImpl::SetProgram(const CefString& program) {
  if (read_only_) return;
  std::lock_guard<std::mutex> g(lock_);
  model_.program = Wide(program);
}

bool CommandLineImpl::HasSwitches() {
  std::lock_guard<std::mutex> g(lock_);
  return !model_.switches.empty();
}

bool CommandLineImpl::HasSwitch(const CefString& name) {
  std::lock_guard<std::mutex> g(lock_);
  return model_.HasSwitch(Wide(name));
}

CefString CommandLineImpl::GetSwitchValue(const CefString& name) {
  std::lock_guard<std::mutex> g(lock_);
  return model_.GetSwitchValue(Wide(name));
}

void CommandLineImpl::GetSwitches(SwitchMap& switches) {
  std::lock_guard<std::mutex> g(lock_);
  for (const auto& s : model_.switches) switches[s.first] = s.second;
}

void CommandLineImpl::AppendSwitch(const CefString& name) { AppendSwitchWithValue(name, CefString()); }

void CommandLineImpl::AppendSwitchWithValue(const CefString& name, const CefString& value) {
  if (read_only_) return;
  std::lock_guard<std::mutex> g(lock_);
  model_.SetSwitch(Wide(name), Wide(value));
}

bool CommandLineImpl::HasArguments() {
  std::lock_guard<std::mutex> g(lock_);
  return !model_.arguments.empty();
}

void CommandLineImpl::GetArguments(ArgumentList& arguments) {
  std::lock_guard<std::mutex> g(lock_);
  for (const auto& a : model_.arguments) arguments.push_back(a);
}

void CommandLineImpl::AppendArgument(const CefString& argument) {
  if (read_only_) return;
  std::lock_guard<std::mutex> g(lock_);
  model_.arguments.push_back(Wide(argument));
}

void CommandLineImpl::PrependWrapper(const CefString& wrapper) {
  if (read_only_) return;
  std::vector<std::wstring> parts = SplitCommandLine(Wide(wrapper));
  std::lock_guard<std::mutex> g(lock_);
  wrapper_.insert(wrapper_.begin(), parts.begin(), parts.end());
}

void SetGlobalCommandLineText(const std::wstring& text) {
  std::lock_guard<std::mutex> g(g_global_lock);
  g_global_text = text;
  g_global_text_set = true;
  g_global = nullptr;
}

}  // namespace velora_engine

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
  return new velora_engine::CommandLineImpl();
}

CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
  using namespace velora_engine;
  std::lock_guard<std::mutex> g(g_global_lock);
  if (!g_global) {
    // Before the engine has started there is no global command line.
    if (!g_global_text_set) return nullptr;
    g_global = new CommandLineImpl(ParseArgv(SplitCommandLine(g_global_text)), true);
  }
  return g_global.get();
}
