// The frame windows' decisions as plain functions over plain values: which
// skin the main window loads, how wide the link row's spacer is, where a
// link button leads, the window sizes of widen/narrow/rotate, the steps of
// the close flow, where a message box sits on its monitor and what the cafe
// test concludes. The window code feeds them and carries out the answer.
#pragma once

#include <string>
#include <vector>

// ---- Skin choice from "config.xml" -------------------------------------

// One child element of the root of "config.xml".
struct SkinConfigItem {
  bool hasName = false;
  std::wstring name;
  std::wstring value;  // a missing value counts as empty
};

struct SkinChoice {
  const wchar_t* file;  // "GameFrame.xml", "GameFrameVertical-w.xml" or "GameFrameVertical-b.xml"
  bool vertical;
};

// game_type / bkg_type, names ignoring case, later items winning, values
// compared exactly:
//   game_type "2", bkg_type "1"      -> GameFrameVertical-w.xml, vertical
//   game_type "2", other/no bkg_type -> GameFrameVertical-b.xml, vertical
//   anything else (" 2", "02", none) -> GameFrame.xml
// `loaded` false (file missing, malformed, no root) -> GameFrame.xml.
SkinChoice ChooseSkin(bool loaded, const std::vector<SkinConfigItem>& items);

// ---- Skin default attributes -------------------------------------------

// A default attribute of the skin: defined (possibly empty) or not.
struct SkinText {
  bool defined = false;
  std::wstring value;
};

// ---- The link row of the horizontal skin -------------------------------

// Width added to size_seat for each hidden link button.
constexpr int kHiddenLinkWidth = 109;
// Width of size_seat with every link button shown.
constexpr int kSeatBaseWidth = 450;

// A link button is hidden when both its skin attribute and its setting are
// empty (an undefined attribute counts as empty).
bool LinkButtonHidden(const std::wstring& skinValue, const std::wstring& setting);
// 450 + 109 for each hidden button: 450 .. 995.
int SeatWidth(int hiddenButtons);

// ---- Link targets ------------------------------------------------------

// The platform pages used when neither the settings file nor the skin name
// a target. They come from the build's configuration (see CMakeLists.txt).
struct BuiltInPages {
  std::wstring officialSite;  // btn_guanwang, btn_luntan, btn_chongzhi
  std::wstring serviceFaq;    // btn_kefu
  std::wstring chatGroup;     // btn_qqgroup
  std::wstring events;        // btn_huodong
};
const BuiltInPages& DefaultBuiltInPages();

// The setting when not empty; else the skin attribute when the skin
// defines it, even empty; else the built-in page.
std::wstring LinkTarget(const std::wstring& setting, const SkinText& skin, const std::wstring& builtIn);

// The skin's button_byphone (empty when undefined), replaced by the ByPhone
// setting when that is not empty.
std::wstring PhoneTarget(const std::wstring& skinValue, const std::wstring& setting);
// "qrcode" exactly (case-sensitive): the phone button shows the QR frame
// on hover and opens nothing on a click.
bool IsQrCodeTarget(const std::wstring& phoneTarget);

// ---- Window geometry ---------------------------------------------------

struct WindowSize {
  int width;
  int height;
};
constexpr int kToolViewWidth = 100;
// btn_rotate: width = height + 58, height = width - 58 (800x600 -> 658x742).
WindowSize RotatedSize(WindowSize size);
// btn_extend / btn_retract: 100 pixels wider or narrower.
WindowSize ExtendedSize(WindowSize size, bool extend);

// The QR frame's top-left corner: 175 left of the phone button's left edge
// and 20 below its bottom, the button's rectangle taken from the main
// window's top-left corner.
struct ScreenPoint {
  int x;
  int y;
};
ScreenPoint QrFramePosition(int windowLeft, int windowTop, int buttonLeft, int buttonBottom);

// A message box centred on the work area of its monitor and kept inside
// it: the left/top edge wins over the right/bottom one when the box is
// larger than the work area. Halves round toward zero.
struct ScreenRect {
  int left;
  int top;
  int right;
  int bottom;
};
ScreenPoint CentreOnWorkArea(const ScreenRect& work, const ScreenRect& window);

// ---- The close flow ----------------------------------------------------

// What a click on closebtn does next.
enum class CloseStep {
  kAskPage,       // run "vc2web_toClose()" in the game page, nothing else
  kRunCafeTest,   // first click: the cafe test decides
  kCloseNow,      // a later click: accepted close without asking
};
// Decides the step and notes the first click in `closeAsked`.
CloseStep NextCloseStep(bool pageCloseCode, bool* closeAsked);

// After the cafe test of the first click.
enum class CafeFollowUp {
  kAskPageForCloseUrl,  // run "getCloseUrl()" in the game page
  kAskUser,             // the message box "closeWnd.xml"
};
CafeFollowUp AfterCafeTest(bool inCafe);
// The box's answer: only 1 (btn_ok) closes.
bool BoxAccepted(int result);

// Close dialogs open on top of each other, one per WM_SHOW_URL, each in a
// nested modal loop on the main thread. A page that asks many times at once
// would nest those loops until the stack runs out; past this many open
// dialogs a request only replaces the close address.
constexpr int kMaxOpenCloseDialogs = 8;
bool MayOpenCloseDialog(int openDialogs);

// ---- The menu-click record ---------------------------------------------

// The log line for a menu item name ("remove_icon", "game_path", ignoring
// case), or null for any other name.
const wchar_t* MenuClickLogLine(const std::wstring& itemName);

// ---- The cafe test -----------------------------------------------------

// How far the cafe test got and what it concluded.
struct CafeTestReport {
  bool inCafe = false;
  bool keepLibrary = false;  // the library stays loaded after the test
  std::vector<std::string> lines;  // diagnostic lines, in order, as written
};
// The Veyra answer line, in the GBK code page: "网吧环境 = %d \n".
std::string CafeAnswerLine(int code);
// The outcome when the library did not load, lacked an export, or answered
// `code`:
//   not loaded        -> "start!", "LoadDll failed!"          false
//   export missing    -> "start!", "GetProcAddress failed!"   false, kept
//   answered 1        -> "start!", answer line                true, kept
//   answered other    -> "start!", answer line, "end!"        false, freed
CafeTestReport CafeTestOutcome(bool loaded, bool exportsFound, int code);
