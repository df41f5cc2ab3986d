// The frame's windows in runs of the real Velora.exe under Wine, each in a
// folder of its own with small skins: the skin choice, the link row, the
// caption buttons and system commands, and the close flow with its cafe
// test against the real Veyra.dll (and two stand-ins), its message box and
// its diagnostic lines on standard output. What a user or an operator sees
// is checked: windows, their titles and pixels, processes that end, output.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "win_include.h"
#include <tlhelp32.h>

#include <cstdlib>

namespace {

const wchar_t kServerKey[] = L"Software\\Classes\\CLSID\\{DBCB78F8-B3EA-4C44-B2E9-6AD202ACBB35}";

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// A build path ("/work/...") as a Windows path on Wine's Z: drive.
std::wstring WinPath(const char* buildPath) {
  std::wstring path = L"Z:" + Widen(buildPath);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

std::string ReadFileText(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << bytes;
}

std::wstring ThisFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = path;
  return text.substr(0, text.rfind(L'\\') + 1);
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

struct FindState {
  DWORD pid;
  const wchar_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (pid == state->pid && wcscmp(name, state->className) == 0) state->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className) {
  FindState state{pid, className, {}};
  EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

// A left click at client coordinates, as the user's mouse gives it.
void ClickAt(HWND hwnd, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(hwnd, WM_MOUSEMOVE, 0, at);
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
}

COLORREF PixelAt(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return color;
}

// What the screen shows at a client point of the window (a child window,
// such as the browser's, included).
COLORREF ScreenPixelAt(HWND hwnd, int x, int y) {
  POINT at = {x, y};
  ClientToScreen(hwnd, &at);
  HDC dc = GetDC(nullptr);
  const COLORREF color = GetPixel(dc, at.x, at.y);
  ReleaseDC(nullptr, dc);
  return color;
}

// The test game page (pages/game.html) is green once it has painted.
bool WaitGamePage(HWND frame, int ms) {
  for (int waited = 0; waited <= ms; waited += 50) {
    const COLORREF c = ScreenPixelAt(frame, 600, 300);
    if (GetRValue(c) < 0x30 && GetGValue(c) > 0x70 && GetGValue(c) < 0x90 && GetBValue(c) < 0x50) return true;
    Sleep(50);
  }
  return false;
}

// The main test skin: caption buttons (closebtn red, minbtn green, maxbtn
// blue, restorebtn yellow and hidden) in the first row, the link row with
// size_seat in magenta in the second, the game browser below.
std::string MainSkin(const std::string& extraDefaults, const std::string& linkDefaults,
                     const std::string& homePage = "about:blank") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<Window size=\"1200,600\" caption=\"0,0,0,40\" bkcolor=\"#FFFFFFFF\">\n"
         "  <Default name=\"game_name\" value=\"Frame Test\"/>\n"
         "  <Default name=\"home_page\" value=\"" + homePage + "\"/>\n" +
         extraDefaults + linkDefaults +
         "  <VerticalLayout>\n"
         "    <HorizontalLayout height=\"40\">\n"
         "      <Button name=\"closebtn\" width=\"40\" bkcolor=\"#FFFF0000\"/>\n"
         "      <Button name=\"minbtn\" width=\"40\" bkcolor=\"#FF00FF00\"/>\n"
         "      <Button name=\"maxbtn\" width=\"40\" bkcolor=\"#FF0000FF\"/>\n"
         "      <Button name=\"restorebtn\" width=\"40\" bkcolor=\"#FFFFFF00\" visible=\"false\"/>\n"
         "      <Control/>\n"
         "    </HorizontalLayout>\n"
         "    <HorizontalLayout height=\"20\">\n"
         "      <Control name=\"size_seat\" bkcolor=\"#FFFF00FF\"/>\n"
         "      <Button name=\"btn_chongzhi\" width=\"109\" bkcolor=\"#FF000000\"/>\n"
         "      <Button name=\"btn_luntan\" width=\"109\" bkcolor=\"#FF000000\"/>\n"
         "      <Button name=\"btn_guanwang\" width=\"109\" bkcolor=\"#FF000000\"/>\n"
         "      <Button name=\"btn_kefu\" width=\"109\" bkcolor=\"#FF000000\"/>\n"
         "      <Button name=\"btn_byphone\" width=\"109\" bkcolor=\"#FF000000\"/>\n"
         "      <Control bkcolor=\"#FF00FFFF\"/>\n"
         "    </HorizontalLayout>\n"
         "    <Cef name=\"Cef_game\"/>\n"
         "  </VerticalLayout>\n"
         "</Window>\n";
}

// A message box: btn_ok on the left half, btn_cancel on the right.
const char kBoxSkin[] =
    "<Window size=\"200,100\" bkcolor=\"#FFFFFFFF\">\n"
    "  <HorizontalLayout>\n"
    "    <Button name=\"btn_ok\" width=\"100\" bkcolor=\"#FF2F8CEB\"/>\n"
    "    <Button name=\"btn_cancel\" width=\"100\" bkcolor=\"#FFC9CED6\"/>\n"
    "  </HorizontalLayout>\n"
    "</Window>\n";

// The close dialog: closebtn, then the close page.
const char kCloseDialogSkin[] =
    "<Window size=\"275,320\" bkcolor=\"#FFFFFFFF\"><Container>"
    "<Button name=\"closebtn\" float=\"true\" pos=\"0,0,40,40\" bkcolor=\"#FFFF0000\"/>"
    "<Cef name=\"Cef_Close\" float=\"true\" pos=\"0,40,275,320\"/></Container></Window>";

const char kAllLinks[] =
    "  <Default name=\"button_chongzhi\" value=\"http://c.test/\"/>\n"
    "  <Default name=\"button_luntan\" value=\"http://l.test/\"/>\n"
    "  <Default name=\"button_guanwang\" value=\"http://g.test/\"/>\n"
    "  <Default name=\"button_kefu\" value=\"http://k.test/\"/>\n"
    "  <Default name=\"button_byphone\" value=\"http://p.test/\"/>\n";

class FrameWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = ThisFolder() + L"frame_windows_" + Widen(info->name());
    DeleteTree(folder_);
    CreateDirectoryW(folder_.c_str(), nullptr);
    CreateDirectoryW((folder_ + L"\\Skin").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(WinPath(VELORA_EXE).c_str(), (folder_ + L"\\Velora.exe").c_str(), FALSE));
    WriteSkin("GameFrame.xml", MainSkin("", ""));
    WriteSkin("closeWnd.xml", kBoxSkin);
    WriteSkin("CloseQRcode.xml", kCloseDialogSkin);
    SetEnvironmentVariableW(L"VELORA_FAKE_VEYRA_ANSWER", nullptr);
  }

  void TearDown() override {
    EndProcess();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServerKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServerKey);
    if (!HasFailure()) DeleteTree(folder_);
  }

  void WriteSkin(const char* name, const std::string& text) {
    WriteFileText(folder_ + L"\\Skin\\" + Widen(name), text);
  }

  // Starts Velora.exe with its standard output in a file and waits for the
  // main window.
  HWND Start() {
    EndProcess();
    const std::wstring out = folder_ + L"\\stdout.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
    std::wstring commandLine = L"\"" + folder_ + L"\\Velora.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, folder_.c_str(),
                                        &startup, &process);
    CloseHandle(file);
    EXPECT_TRUE(started) << GetLastError();
    if (!started) return nullptr;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    pid_ = process.dwProcessId;
    HWND frame = WaitWindow(L"OVWebGameFrame", 30000);
    EXPECT_NE(nullptr, frame) << "no OVWebGameFrame window";
    if (frame) Sleep(300);  // the first paint
    return frame;
  }

  HWND WaitWindow(const wchar_t* className, int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
      const std::vector<HWND> found = WindowsOf(pid_, className);
      for (HWND hwnd : found)
        if (IsWindowVisible(hwnd)) return hwnd;
      if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
  }

  bool Ends(int ms) { return process_ && WaitForSingleObject(process_, ms) == WAIT_OBJECT_0; }
  bool Running() { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  void EndProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      for (HWND frame : WindowsOf(pid_, L"OVWebGameFrame")) PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
      if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
    process_ = nullptr;
  }

  // Standard output without the frame log's own lines (which begin with
  // "[hh:mm:ss.mmm]|" and end with CR LF): the cafe test's diagnostics.
  std::string Output() {
    std::string text = ReadFileText(folder_ + L"\\stdout.txt");
    for (size_t at = text.find("]|["); at != std::string::npos; at = text.find("]|[")) {
      const size_t start = text.rfind('[', at);
      const size_t end = text.find("\r\n", at);
      if (start == std::string::npos || end == std::string::npos) break;
      text.erase(start, end + 2 - start);
    }
    return text;
  }

  // Waits until standard output holds `expected` (or time runs out).
  std::string WaitOutput(const std::string& expected, int ms) {
    std::string text;
    for (int waited = 0; waited <= ms; waited += 50) {
      text = Output();
      if (text.find(expected) != std::string::npos) break;
      Sleep(50);
    }
    return text;
  }

  std::wstring folder_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

TEST_F(FrameWindows, SkinChoiceFromConfig) {
  // Each window skin carries its own title, so the title tells which loaded.
  for (const char* name : {"GameFrameVertical-w.xml", "GameFrameVertical-b.xml"}) {
    WriteSkin(name, "<Window size=\"420,760\"><Default name=\"game_name\" value=\"" + std::string(name) +
                        "\"/><VerticalLayout><Label name=\"game_name\"/><Cef name=\"Cef_game\"/>"
                        "<Button name=\"closebtn\" height=\"40\"/></VerticalLayout></Window>");
  }
  struct Case {
    const char* name;
    std::string config;  // "" : no config.xml
    const char* title;
  } cases[] = {
      {"no config.xml", "", "Frame Test"},
      {"malformed", "<Config><Item name=\"game_type\" value=\"2\"></Config", "Frame Test"},
      {"type 2", "<Config><Item name=\"game_type\" value=\"2\"/></Config>", "GameFrameVertical-b.xml"},
      {"type 2, bkg 1", "<C><I name=\"GAME_TYPE\" value=\"2\"/><I name=\"bkg_type\" value=\"1\"/></C>",
       "GameFrameVertical-w.xml"},
      {"leading zero", "<C><I name=\"game_type\" value=\"02\"/></C>", "Frame Test"},
      {"later wins", "<C><I name=\"game_type\" value=\"2\"/><I name=\"game_type\" value=\"1\"/></C>", "Frame Test"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW((folder_ + L"\\Skin\\config.xml").c_str());
    if (!c.config.empty()) WriteSkin("config.xml", c.config);
    HWND frame = Start();
    ASSERT_NE(nullptr, frame);
    wchar_t title[128] = {};
    GetWindowTextW(frame, title, 128);
    EXPECT_EQ(Widen(c.title), title);
    EndProcess();
  }
}

TEST_F(FrameWindows, MissingChosenSkinEndsCleanly) {
  // config.xml names a vertical skin that the folder lacks: no window, and
  // the program ends by itself.
  WriteSkin("config.xml", "<C><I name=\"game_type\" value=\"2\"/></C>");
  std::wstring commandLine = L"\"" + folder_ + L"\\Velora.exe\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                             &process));
  CloseHandle(process.hThread);
  process_ = process.hProcess;
  pid_ = process.dwProcessId;
  EXPECT_TRUE(Ends(30000));
  EXPECT_TRUE(WindowsOf(pid_, L"OVWebGameFrame").empty());
}

TEST_F(FrameWindows, LinkRowSpacerWidth) {
  const COLORREF magenta = RGB(255, 0, 255);
  struct Case {
    const char* name;
    std::string links;
    int lastSeatPixel;
  } cases[] = {
      {"all links hidden", "", 994},
      {"none hidden", kAllLinks, 449},
      {"one defined empty counts as hidden", std::string(kAllLinks) +
                                                 "  <Default name=\"button_kefu\" value=\"\"/>\n",
       558},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSkin("GameFrame.xml", MainSkin("", c.links));
    HWND frame = Start();
    ASSERT_NE(nullptr, frame);
    // On a busy machine the first paint can come late.
    for (int i = 0; i < 100 && PixelAt(frame, c.lastSeatPixel, 50) != magenta; ++i) Sleep(50);
    EXPECT_EQ(magenta, PixelAt(frame, c.lastSeatPixel, 50));
    EXPECT_NE(magenta, PixelAt(frame, c.lastSeatPixel + 2, 50));
    EndProcess();
  }
}

TEST_F(FrameWindows, CaptionAndSystemCommands) {
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);

  // A caption double click neither maximises nor restores.
  PostMessageW(frame, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(300, 10));
  Sleep(300);
  EXPECT_FALSE(IsZoomed(frame));

  // WM_CLOSE from another program (wParam 0) leaves the window.
  PostMessageW(frame, WM_CLOSE, 0, 0);
  Sleep(300);
  EXPECT_TRUE(IsWindow(frame));
  EXPECT_TRUE(Running());

  // Maximising through the system command swaps maxbtn (blue) for
  // restorebtn (yellow); restoring swaps them back.
  for (int i = 0; i < 100 && PixelAt(frame, 100, 20) != RGB(0, 0, 255); ++i) Sleep(50);
  EXPECT_EQ(RGB(0, 0, 255), PixelAt(frame, 100, 20));
  // A resized window is painted again when its thread gets to it, which
  // on a busy machine takes a while.
  auto waitPixel = [&](COLORREF want) {
    for (int i = 0; i < 200 && PixelAt(frame, 100, 20) != want; ++i) Sleep(50);
    return PixelAt(frame, 100, 20);
  };
  PostMessageW(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(RGB(255, 255, 0), waitPixel(RGB(255, 255, 0)));
  EXPECT_TRUE(IsZoomed(frame));
  PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(RGB(0, 0, 255), waitPixel(RGB(0, 0, 255)));
  EXPECT_FALSE(IsZoomed(frame));

  // Alt+F4 (the close system command) ends the process without asking.
  PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(Ends(20000));
  EXPECT_TRUE(Output().empty()) << Output();
}

enum class Library { kNone, kNotADll, kNoBarId, kVeyra, kVeyraWithServer, kVeyraInCafe, kOtherEnvironment };
enum class Answer { kNoBox, kOk, kCancel };

const char kBlank[] = "about:blank";

TEST_F(FrameWindows, CloseFlow) {
  // "网吧环境 = " in GBK; standard output is in text mode, so its line
  // break reaches the file as CR LF. Veyra.dll writes a line of its own
  // while it reads the client's signature.
  const std::string env = "\xCD\xF8\xB0\xC9\xBB\xB7\xBE\xB3 = ";
  struct Case {
    const char* name;
    const char* closeCode;  // closewnd_code, or null when the skin lacks it
    Library library;
    std::string page;          // the game page (home_page)
    Answer answer;             // the box of the first click
    std::string output;        // standard output after the first click
    bool endsAfterFirst;
    bool endsAfterSecond;
  } cases[] = {
      {"library missing, Cancel", nullptr, Library::kNone, kBlank, Answer::kCancel, "start!LoadDll failed!", false,
       true},
      {"library missing, OK", nullptr, Library::kNone, kBlank, Answer::kOk, "start!LoadDll failed!", true, true},
      {"not a DLL, Cancel", nullptr, Library::kNotADll, kBlank, Answer::kCancel, "start!LoadDll failed!", false, true},
      {"no GetOVBarId, OK", nullptr, Library::kNoBarId, kBlank, Answer::kOk, "start!GetProcAddress failed!", true,
       true},
      {"outside a cafe, Cancel", nullptr, Library::kVeyra, kBlank, Answer::kCancel, "start!" + env + "0 \r\nend!",
       false, true},
      {"server registered, OK", nullptr, Library::kVeyraWithServer, kBlank, Answer::kOk,
       "start!" + env + "0 \r\nend!", true, true},
      {"other environment (2), Cancel", nullptr, Library::kOtherEnvironment, kBlank, Answer::kCancel,
       "start!" + env + "2 \r\nend!", false, true},
      // The page answers getCloseUrl() with a close page that closes the
      // frame by itself.
      {"inside a cafe, the close page closes", nullptr, Library::kVeyraInCafe,
       std::string(VELORA_FRAME_PAGES) + "game.html?close=close_quit.html", Answer::kNoBox,
       "start!Serial Number: " + env + "1 \r\n", true, true},
      // A page without getCloseUrl() leaves the frame as it was; the second
      // click closes.
      {"inside a cafe, a page that does not answer", nullptr, Library::kVeyraInCafe, kBlank, Answer::kNoBox,
       "start!Serial Number: " + env + "1 \r\n", false, true},
      {"page close code", "true", Library::kVeyra, kBlank, Answer::kNoBox, "", false, false},
      {"TRUE does not count", "TRUE", Library::kNone, kBlank, Answer::kCancel, "start!LoadDll failed!", false, true},
      {"a game page that never loads", nullptr, Library::kNone, "http://127.0.0.1:9/game", Answer::kOk,
       "start!LoadDll failed!", true, true},
  };
  const std::wstring veyra = folder_ + L"\\Veyra.dll";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(veyra.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServerKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServerKey);
    switch (c.library) {
      case Library::kNone:
        break;
      case Library::kNotADll:
        WriteFileText(veyra, "MZ this is not a library");
        break;
      case Library::kNoBarId:
        ASSERT_TRUE(CopyFileW(WinPath(FAKE_VEYRA_NO_BAR_ID_DLL).c_str(), veyra.c_str(), FALSE));
        break;
      case Library::kOtherEnvironment:
        ASSERT_TRUE(CopyFileW(WinPath(FAKE_VEYRA_DLL).c_str(), veyra.c_str(), FALSE));
        break;
      case Library::kVeyra:
      case Library::kVeyraWithServer:
      case Library::kVeyraInCafe:
        ASSERT_TRUE(CopyFileW(WinPath(VEYRA_DLL).c_str(), veyra.c_str(), FALSE));
        break;
    }
    if (c.library == Library::kVeyraWithServer) {
      HKEY key = nullptr;
      const std::wstring dll = WinPath(BC_TEST_SERVER_DLL);
      ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kServerKey) + L"\\InprocServer32").c_str(),
                                               0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                     static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
      RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Both"), 10);
      RegCloseKey(key);
    }
    // A running client program signed by the cafe vendor makes the PC a
    // managed cafe for Veyra.dll.
    PROCESS_INFORMATION client = {};
    if (c.library == Library::kVeyraInCafe) {
      const std::wstring clientFolder = folder_ + L"\\client";
      CreateDirectoryW(clientFolder.c_str(), nullptr);
      std::wstring exe = clientFolder + L"\\Tallowview.exe";
      ASSERT_TRUE(CopyFileW(WinPath(SIGNED_CLIENT_EXE).c_str(), exe.c_str(), FALSE));
      STARTUPINFOW startup = {};
      startup.cb = sizeof(startup);
      std::wstring command = L"\"" + exe + L"\"";
      ASSERT_TRUE(CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, clientFolder.c_str(),
                                 &startup, &client));
      CloseHandle(client.hThread);
      Sleep(500);
    }
    WriteSkin("GameFrame.xml",
              MainSkin(c.closeCode ? "  <Default name=\"closewnd_code\" value=\"" + std::string(c.closeCode) + "\"/>\n"
                                   : std::string(),
                       "", c.page));

    HWND frame = Start();
    ASSERT_NE(nullptr, frame);
    // A player clicks once the game shows.
    if (c.page.find("game.html") != std::string::npos) {
      EXPECT_TRUE(WaitGamePage(frame, 30000));
    }
    ClickAt(frame, 20, 20);  // closebtn
    std::string output = c.output.empty() ? (Sleep(800), Output()) : WaitOutput(c.output, 20000);
    EXPECT_EQ(c.output, output);
    HWND box = c.answer == Answer::kNoBox ? nullptr : WaitWindow(L"MsgBox", 10000);
    if (c.answer == Answer::kNoBox) {
      Sleep(300);
      EXPECT_TRUE(WindowsOf(pid_, L"MsgBox").empty());
    } else {
      ASSERT_NE(nullptr, box) << "no message box";
      wchar_t title[32] = {};
      GetWindowTextW(box, title, 32);
      EXPECT_STREQ(L"close", title);
      ClickAt(box, c.answer == Answer::kOk ? 50 : 150, 50);
    }
    EXPECT_EQ(c.endsAfterFirst, Ends(c.endsAfterFirst ? 20000 : 800));
    if (!c.endsAfterFirst) {
      ClickAt(frame, 20, 20);
      EXPECT_EQ(c.endsAfterSecond, Ends(c.endsAfterSecond ? 20000 : 800));
      // The cafe test runs at most once, and no box follows a second click.
      EXPECT_EQ(c.output, Output());
      EXPECT_TRUE(WindowsOf(pid_, L"MsgBox").empty());
    }
    EndProcess();
    if (client.hProcess) {
      TerminateProcess(client.hProcess, 0);
      WaitForSingleObject(client.hProcess, 5000);
      CloseHandle(client.hProcess);
    }
  }
}


RECT WindowRect(HWND hwnd) {
  RECT rc = {};
  GetWindowRect(hwnd, &rc);
  return rc;
}

// A window of the frame's process is destroyed; under Wine without a window
// manager the activation hand-over of a closing pop-up can take seconds.
bool Gone(HWND hwnd) {
  for (int i = 0; i < 200 && IsWindow(hwnd); ++i) Sleep(50);
  return !IsWindow(hwnd);
}

size_t VisibleCount(const std::vector<HWND>& windows) {
  size_t n = 0;
  for (HWND hwnd : windows) n += IsWindowVisible(hwnd) ? 1 : 0;
  return n;
}

TEST_F(FrameWindows, VerticalToolBarResizes) {
  WriteSkin("config.xml", "<C><I name=\"game_type\" value=\"2\"/></C>");
  WriteSkin("GameFrameVertical-b.xml",
            "<Window size=\"800,600\" bkcolor=\"#FFFFFFFF\"><Container>"
            "<Button name=\"btn_extend\" float=\"true\" pos=\"0,0,40,40\" bkcolor=\"#FF000000\"/>"
            "<Button name=\"btn_retract\" float=\"true\" pos=\"40,0,80,40\" visible=\"false\" bkcolor=\"#FF000000\"/>"
            "<Button name=\"btn_rotate\" float=\"true\" pos=\"80,0,120,40\" bkcolor=\"#FF000000\"/>"
            "<Button name=\"closebtn\" float=\"true\" pos=\"120,0,160,40\"/>"
            "<Label name=\"game_name\" float=\"true\" pos=\"200,0,400,40\"/>"
            "<Container name=\"tool_view\" float=\"true\" pos=\"0,40,100,100\" visible=\"false\"/>"
            "<Cef name=\"Cef_game\" float=\"true\" pos=\"0,100,400,400\"/>"
            "</Container></Window>");
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);
  auto size = [&] {
    const RECT rc = WindowRect(frame);
    return std::make_pair(rc.right - rc.left, rc.bottom - rc.top);
  };
  EXPECT_EQ(std::make_pair(800L, 600L), size());
  const RECT before = WindowRect(frame);

  ClickAt(frame, 100, 20);  // btn_rotate
  Sleep(400);
  EXPECT_EQ(std::make_pair(658L, 742L), size());
  ClickAt(frame, 100, 20);
  Sleep(400);
  EXPECT_EQ(std::make_pair(800L, 600L), size());

  // Widening keeps the top-left corner; narrowing gives the width back.
  const RECT centred = WindowRect(frame);
  ClickAt(frame, 20, 20);  // btn_extend
  Sleep(400);
  EXPECT_EQ(std::make_pair(900L, 600L), size());
  EXPECT_EQ(centred.left, WindowRect(frame).left);
  ClickAt(frame, 60, 20);  // btn_retract, shown by the widening
  Sleep(400);
  EXPECT_EQ(std::make_pair(800L, 600L), size());
  (void)before;
}

TEST_F(FrameWindows, QrFrameOnHover) {
  WriteSkin("QrFrame.xml", "<Window size=\"176,206\" bkcolor=\"#FF2F8CEB\"><Control/></Window>");
  struct Case {
    const char* name;
    const char* phone;
    bool shows;
  } cases[] = {
      {"qrcode", "qrcode", true},
      {"capitals are an address", "QRCODE", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Only btn_byphone has a target, so it sits right after the spacer:
    // 450 + 4 * 109 = 886 pixels from the left, rows 40 to 60.
    WriteSkin("GameFrame.xml",
              MainSkin("", "  <Default name=\"button_byphone\" value=\"" + std::string(c.phone) + "\"/>\n"));
    HWND frame = Start();
    ASSERT_NE(nullptr, frame);
    const RECT window = WindowRect(frame);
    SetCursorPos(window.left + 900, window.top + 50);
    PostMessageW(frame, WM_MOUSEMOVE, 0, MAKELPARAM(900, 50));
    Sleep(500);
    HWND qr = WaitWindow(L"QrFrame", c.shows ? 5000 : 300);
    EXPECT_EQ(c.shows, qr != nullptr);
    if (qr) {
      const RECT at = WindowRect(qr);
      EXPECT_EQ(window.left + 886 - 175, at.left);
      EXPECT_EQ(window.top + 60 + 20, at.top);
      SetCursorPos(window.left + 300, window.top + 300);
      PostMessageW(frame, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
      Sleep(400);
      EXPECT_FALSE(IsWindowVisible(qr));
    }
    EndProcess();
  }
}

// The page's requests as the browser control posts them to the main window
// (here without a text: a BSTR cannot cross processes, and a null one is an
// empty address).
constexpr UINT kOpenAdUrl = 5025, kShowUrl = 5036, kCloseMain = 5037, kReturnGame = 5038;

TEST_F(FrameWindows, CloseDialogsFromThePage) {
  WriteSkin("CloseQRcode.xml",
            "<Window size=\"275,320\" bkcolor=\"#FFFFFFFF\"><Container>"
            "<Button name=\"closebtn\" float=\"true\" pos=\"0,0,40,40\" bkcolor=\"#FFFF0000\"/>"
            "<Cef name=\"Cef_Close\" float=\"true\" pos=\"0,40,275,320\"/></Container></Window>");
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);

  // One dialog: "web2vc_returnGame" closes it, and so does its closebtn.
  PostMessageW(frame, kShowUrl, 0, 0);
  HWND single = WaitWindow(L"CloseQRcode", 5000);
  ASSERT_NE(nullptr, single);
  PostMessageW(single, kReturnGame, 0, 0);
  EXPECT_TRUE(Gone(single));
  PostMessageW(frame, kShowUrl, 0, 0);
  single = WaitWindow(L"CloseQRcode", 5000);
  ASSERT_NE(nullptr, single);
  ClickAt(single, 20, 20);
  EXPECT_TRUE(Gone(single));

  // Two requests in a row: two dialogs, one on top of the other.
  PostMessageW(frame, kShowUrl, 0, 0);
  PostMessageW(frame, kShowUrl, 0, 0);
  for (int i = 0; i < 100 && VisibleCount(WindowsOf(pid_, L"CloseQRcode")) < 2; ++i) Sleep(50);
  std::vector<HWND> dialogs = WindowsOf(pid_, L"CloseQRcode");
  ASSERT_EQ(2u, VisibleCount(dialogs));
  wchar_t title[32] = {};
  GetWindowTextW(dialogs[0], title, 32);
  EXPECT_STREQ(L"\u5173\u95ed\u7a97\u53e3", title);  // 关闭窗口
  const RECT rc = WindowRect(dialogs[0]);
  EXPECT_EQ(275, rc.right - rc.left);
  EXPECT_EQ(320, rc.bottom - rc.top);

  // "web2vc_returnGame" closes one dialog; its closebtn closes the other.
  PostMessageW(dialogs[0], kReturnGame, 0, 0);
  EXPECT_TRUE(Gone(dialogs[0]));
  ASSERT_TRUE(IsWindow(dialogs[1]));
  ClickAt(dialogs[1], 20, 20);
  EXPECT_TRUE(Gone(dialogs[1]));
  EXPECT_TRUE(Running());

  // A hundred requests at once: the dialogs stop nesting at a depth the
  // stack bears, and the frame still closes from the page.
  for (int i = 0; i < 100; ++i) PostMessageW(frame, kShowUrl, 0, 0);
  Sleep(3000);
  dialogs = WindowsOf(pid_, L"CloseQRcode");
  EXPECT_EQ(8u, VisibleCount(dialogs));
  ASSERT_TRUE(Running());
  ASSERT_FALSE(dialogs.empty());
  // "web2vc_Close" from a close page closes the main window through it.
  PostMessageW(dialogs[0], kCloseMain, 0, 0);
  EXPECT_TRUE(Ends(20000));
}

TEST_F(FrameWindows, AdvertRequestWithoutAddressOnlyAsks) {
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);
  PostMessageW(frame, kOpenAdUrl, 0, 0);
  HWND box = WaitWindow(L"MsgBox", 10000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(frame, GetWindow(box, GW_OWNER));
  EXPECT_TRUE(WindowsOf(pid_, L"AdvertX").empty());
  ClickAt(box, 150, 50);  // Cancel
  EXPECT_FALSE(Ends(800));

  PostMessageW(frame, kOpenAdUrl, 0, 0);
  box = WaitWindow(L"MsgBox", 10000);
  ASSERT_NE(nullptr, box);
  ClickAt(box, 50, 50);  // OK
  EXPECT_TRUE(Ends(20000));
}

TEST_F(FrameWindows, CloseMainMessageCloses) {
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);
  PostMessageW(frame, kCloseMain, 0, 0);
  EXPECT_TRUE(Ends(20000));
}

}  // namespace

namespace {

TEST_F(FrameWindows, RequestsOfARealGamePage) {
  WriteSkin("advert.xml", "<Window size=\"300,200\" bkcolor=\"#FF000080\"><Container>"
                          "<Button name=\"closebtn\" float=\"true\" pos=\"0,0,40,40\"/></Container></Window>");
  WriteSkin("Cef.xml", "<Window size=\"300,160\"><Cef name=\"Cef_ad\"/></Window>");
  const std::string pages = VELORA_FRAME_PAGES;
  enum class Then { kDialogsReturn, kFrameEnds, kDialogsStay, kAdvertAndBox, kBoxOnly };
  struct Case {
    const char* name;
    std::string query;  // the game page's ?mode=...&close=...
    size_t dialogs;     // close dialogs shown at once
    Then then;
  } cases[] = {
      {"two requests in a row, the close page returns to the game", "mode=show2&close=close_return.html", 2,
       Then::kDialogsReturn},
      {"the close page closes the frame", "mode=show1&close=close_quit.html", 1, Then::kFrameEnds},
      {"a hundred requests at once", "mode=show100&close=close_stay.html", 8, Then::kDialogsStay},
      {"advert with an address", "mode=ad", 0, Then::kAdvertAndBox},
      {"advert without an address", "mode=adnone", 0, Then::kBoxOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSkin("GameFrame.xml", MainSkin("", "", pages + "game.html?" + c.query));
    HWND frame = Start();
    ASSERT_NE(nullptr, frame);
    if (c.dialogs > 0) {
      for (int i = 0; i < 400 && VisibleCount(WindowsOf(pid_, L"CloseQRcode")) < c.dialogs; ++i) Sleep(50);
      EXPECT_EQ(c.dialogs, VisibleCount(WindowsOf(pid_, L"CloseQRcode")));
    }
    switch (c.then) {
      case Then::kDialogsReturn:
        for (HWND dialog : WindowsOf(pid_, L"CloseQRcode")) EXPECT_TRUE(Gone(dialog));
        EXPECT_TRUE(Running());
        break;
      case Then::kFrameEnds:
        EXPECT_TRUE(Ends(20000));
        break;
      case Then::kDialogsStay:
        Sleep(1000);
        EXPECT_EQ(c.dialogs, VisibleCount(WindowsOf(pid_, L"CloseQRcode")));
        EXPECT_TRUE(Running());
        break;
      case Then::kAdvertAndBox:
      case Then::kBoxOnly: {
        HWND box = WaitWindow(L"MsgBox", 20000);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(c.then == Then::kAdvertAndBox, WaitWindow(L"AdvertX", c.then == Then::kAdvertAndBox ? 5000 : 0) !=
                                                     nullptr);
        ClickAt(box, 150, 50);  // Cancel: the frame stays
        EXPECT_FALSE(Ends(800));
        break;
      }
    }
    EndProcess();
  }
}

}  // namespace

namespace {

// The frame's own log lines as they reached standard output.
std::vector<std::string> LogLinesWith(const std::string& text, const std::string& part) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.find(part) != std::string::npos) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

unsigned long long MarkMs(const std::string& line) {
  const size_t at = line.find(" at +");
  return at == std::string::npos ? 0 : std::stoull(line.substr(at + 5));
}

TEST_F(FrameWindows, NoWhiteBeforeTheFirstFrameAndTheStartupMarks) {
  // The page holds its first paint for a second; the body of the window
  // shows the skin's or the engine's background meanwhile, never white.
  std::string skin = MainSkin("", "", std::string(VELORA_FRAME_PAGES) + "slow_paint.html");
  const std::string browser = "<Cef name=\"Cef_game\"/>";
  skin.replace(skin.find(browser), browser.size(), "<Cef name=\"Cef_game\" bkcolor=\"#FF0F141C\"/>");
  // No white in the skin either: any white is the engine's.
  const std::string windowWhite = "bkcolor=\"#FFFFFFFF\"";
  skin.replace(skin.find(windowWhite), windowWhite.size(), "bkcolor=\"#FF1B2330\"");
  WriteSkin("GameFrame.xml", skin);
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);
  const POINT points[] = {{20, 80}, {600, 300}, {1180, 580}, {300, 500}};
  int samples = 0, white = 0;
  bool painted = false;
  for (int waited = 0; waited < 20000 && !painted; waited += 50, ++samples) {
    for (const POINT& p : points) {
      const COLORREF c = ScreenPixelAt(frame, p.x, p.y);
      if (c == RGB(255, 255, 255)) ++white;
    }
    painted = WaitGamePage(frame, 0);
    Sleep(50);
  }
  EXPECT_TRUE(painted);
  EXPECT_GT(samples, 4);  // the held paint was watched, not missed
  EXPECT_EQ(0, white);

  // The start-up marks, each once; the frame shows before the page paints
  // or finishes loading.
  std::string log;
  for (int i = 0; i < 100; ++i) {
    log = ReadFileText(folder_ + L"\\stdout.txt");
    if (log.find("startup: page load finished") != std::string::npos &&
        log.find("startup: first page frame painted") != std::string::npos)
      break;
    Sleep(100);
  }
  const std::vector<std::string> marks = LogLinesWith(log, "|[Debug]|startup: ");
  ASSERT_EQ(3u, marks.size()) << log;
  EXPECT_NE(std::string::npos, marks[0].find("startup: frame shown at +"));
  EXPECT_LT(MarkMs(marks[0]), MarkMs(marks[1]));
  EXPECT_LT(MarkMs(marks[0]), MarkMs(marks[2]));
  EXPECT_EQ(1u, LogLinesWith(log, "startup: first page frame painted at +").size());
  EXPECT_EQ(1u, LogLinesWith(log, "startup: page load finished at +").size());
  // The page held its paint for a second after the frame showed.
  EXPECT_GE(MarkMs(LogLinesWith(log, "first page frame painted")[0]), MarkMs(marks[0]) + 900);
}

}  // namespace

namespace {

// The frame's renderer sub-process: its own program started with
// --type=renderer, a child of the frame's process. 0 when there is none.
DWORD RendererOf(DWORD framePid) {
  DWORD found = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ParentProcessID == framePid && _wcsicmp(entry.szExeFile, L"Velora.exe") == 0)
      found = entry.th32ProcessID;
  CloseHandle(snapshot);
  return found;
}

bool Kill(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  const bool killed = TerminateProcess(process, 9) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return killed;
}

// A click as the player's mouse gives it, to the window under the point
// (the browser's own window over the control).
void ClickDeepAt(HWND top, int x, int y) {
  POINT at = {x, y};
  HWND hwnd = top;
  for (HWND child; (child = ChildWindowFromPointEx(hwnd, at, CWP_SKIPINVISIBLE)) && child != hwnd; hwnd = child)
    MapWindowPoints(hwnd, child, &at, 1);
  ClickAt(hwnd, at.x, at.y);
}

bool IsColour(COLORREF c, int r, int g, int b) {
  return std::abs(GetRValue(c) - r) < 12 && std::abs(GetGValue(c) - g) < 12 && std::abs(GetBValue(c) - b) < 12;
}

TEST_F(FrameWindows, APageWhoseProcessDiesComesBackUntilTheErrorPageAndRetry) {
  // With closewnd_code the close button asks the page, so it shows at the
  // end that the page's bridge works again.
  WriteSkin("GameFrame.xml", MainSkin("  <Default name=\"closewnd_code\" value=\"true\"/>\n", "",
                                      std::string(VELORA_FRAME_PAGES) + "game.html?close=close_stay.html"));
  HWND frame = Start();
  ASSERT_NE(nullptr, frame);
  ASSERT_TRUE(WaitGamePage(frame, 30000));
  auto linesWith = [&](const char* part) { return LogLinesWith(ReadFileText(folder_ + L"\\stdout.txt"), part).size(); };
  auto waitLines = [&](const char* part, size_t count) {
    for (int i = 0; i < 400 && linesWith(part) < count; ++i) Sleep(50);
    return linesWith(part) >= count;
  };
  DWORD renderer = 0;
  for (int kill = 1; kill <= 4; ++kill) {
    SCOPED_TRACE(kill);
    // The engine starts a renderer again after each death.
    for (int i = 0; i < 400 && (RendererOf(pid_) == 0 || RendererOf(pid_) == renderer); ++i) Sleep(50);
    renderer = RendererOf(pid_);
    ASSERT_NE(0u, renderer);
    ASSERT_TRUE(Kill(renderer));
    if (kill <= 3) {
      // Reloaded by itself, after a growing pause; the player looks at it
      // for a moment before it dies again.
      EXPECT_TRUE(waitLines("|[Debug]|page recovery: reloading ", kill));
      EXPECT_TRUE(WaitGamePage(frame, 20000));
      Sleep(1500);
    }
  }
  // The fourth death within the minute: the error page, in the skin's
  // colours, with the reason.
  EXPECT_TRUE(waitLines("showing the error page", 1));
  bool errorPage = false;
  for (int i = 0; i < 200 && !errorPage; ++i, Sleep(50)) errorPage = IsColour(ScreenPixelAt(frame, 20, 80), 0x0f, 0x14, 0x1c);
  ASSERT_TRUE(errorPage);
  EXPECT_EQ(3u, linesWith("|[Debug]|page recovery: reloading "));
  EXPECT_TRUE(Running());

  // "retry" brings the game back and the ladder starts again.
  bool back = false;
  for (int attempt = 0; attempt < 3 && !back; ++attempt) {
    ClickDeepAt(frame, 600, 369);
    back = WaitGamePage(frame, 5000);
  }
  EXPECT_TRUE(back);
  EXPECT_TRUE(waitLines("page recovery: retry asked", 1));

  // The close button and the page's bridge work: the page answers the
  // close request with its close page.
  Sleep(1500);
  ClickAt(frame, 20, 20);
  EXPECT_NE(nullptr, WaitWindow(L"CloseQRcode", 20000));
}

}  // namespace
