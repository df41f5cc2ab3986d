// ClientAppBrowser against a recording command line: the nine switches in
// their order and form, and the Debug lines carrying the command lines as
// they were before any switch was added.
#include "cef3/browser/client_browser_app.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame_log.h"
#include "win_include.h"

namespace {

// Records what the application does to it; the command line text is fixed.
class RecordingCommandLine : public CefCommandLine {
 public:
  explicit RecordingCommandLine(std::wstring text) : text_(std::move(text)) {}
  std::vector<std::pair<std::wstring, std::wstring>> appended;

  bool IsValid() override { return true; }
  bool IsReadOnly() override { return false; }
  CefRefPtr<CefCommandLine> Copy() override { return nullptr; }
  void InitFromArgv(int, const char* const*) override {}
  void InitFromString(const CefString&) override {}
  void Reset() override {}
  void GetArgv(std::vector<CefString>&) override {}
  CefString GetCommandLineString() override { return text_; }
  CefString GetProgram() override { return CefString(); }
  void SetProgram(const CefString&) override {}
  bool HasSwitches() override { return !appended.empty(); }
  bool HasSwitch(const CefString&) override { return false; }
  CefString GetSwitchValue(const CefString&) override { return CefString(); }
  void GetSwitches(SwitchMap&) override {}
  void AppendSwitch(const CefString& name) override { appended.emplace_back(name.ToWString(), L"(none)"); }
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override {
    appended.emplace_back(name.ToWString(), value.ToWString());
  }
  bool HasArguments() override { return false; }
  void GetArguments(ArgumentList&) override {}
  void AppendArgument(const CefString&) override {}
  void PrependWrapper(const CefString&) override {}

 private:
  std::wstring text_;
  IMPLEMENT_REFCOUNTING(RecordingCommandLine);
};

// This test program's own day file (UTF-8).
std::string ReadOwnLog() {
  std::ifstream in(CFrameLog::Get()->OpenFilePath().c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Utf8(const std::wstring& text) {
  std::string out(text.size() * 3 + 1, '\0');
  out.resize(EncodeUtf8(text.data(), text.size(), &out[0], out.size()));
  return out;
}

TEST(ClientAppBrowser, HandsOverTheNineSwitchesAndLogsTheCommandLineBeforeThem) {
  CFrameLog::Get()->SetLevelMask(kLogDebug);
  CefRefPtr<ClientAppBrowser> app = new ClientAppBrowser();
  EXPECT_EQ(static_cast<CefBrowserProcessHandler*>(app.get()), app->GetBrowserProcessHandler().get());
  EXPECT_EQ(nullptr, app->GetRenderProcessHandler().get());

  const std::wstring before = L"\"Z:\\game\\Velora.exe\" --lang=zh-CN \u6e38\u620f";
  CefRefPtr<RecordingCommandLine> commandLine = new RecordingCommandLine(before);
  app->OnBeforeCommandLineProcessing(CefString(), commandLine.get());
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"--enable-webgl", L"1"},
      {L"--ignore-gpu-blacklist", L"1"},
      {L"--allow-file-access-from-files", L"1"},
      {L"--always-authorize-plugins", L"(none)"},
      {L"--disable-breakpad", L"(none)"},
      {L"--disable-component-update", L"(none)"},
      {L"--enable-npapi", L"(none)"},
      {L"no-proxy-server", L"(none)"},
      {L"--renderer-process-limit", L"1"},
  };
  EXPECT_EQ(expected, commandLine->appended);

  CefRefPtr<RecordingCommandLine> child = new RecordingCommandLine(L"Velora.exe --type=renderer");
  app->OnBeforeChildProcessLaunch(child.get());
  EXPECT_TRUE(child->appended.empty());
  app->OnContextInitialized();

  const std::string log = ReadOwnLog();
  EXPECT_NE(std::string::npos,
            log.find("|[Debug]|ClientAppBrowser::OnBeforeCommandLineProcessing() cmd=" + Utf8(before) + "\r\n"))
      << log;
  EXPECT_NE(std::string::npos,
            log.find("|[Debug]|ClientAppBrowser::OnBeforeChildProcessLaunch() cmd=Velora.exe --type=renderer\r\n"))
      << log;
  EXPECT_NE(std::string::npos, log.find("|[Debug]|ClientAppBrowser::OnContextInitialized()\r\n")) << log;
}

}  // namespace
