#include "common/frame_window_rules.h"

#include <cstdio>
#include <cwctype>

// Built-in pages, from the build's configuration; an unset value leaves the
// page empty, which the shell then refuses to open.
#ifndef VELORA_PAGE_OFFICIAL_SITE
#define VELORA_PAGE_OFFICIAL_SITE L""
#endif
#ifndef VELORA_PAGE_SERVICE_FAQ
#define VELORA_PAGE_SERVICE_FAQ L""
#endif
#ifndef VELORA_PAGE_CHAT_GROUP
#define VELORA_PAGE_CHAT_GROUP L""
#endif
#ifndef VELORA_PAGE_EVENTS
#define VELORA_PAGE_EVENTS L""
#endif

namespace {

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

}  // namespace

SkinChoice ChooseSkin(bool loaded, const std::vector<SkinConfigItem>& items) {
  const SkinChoice horizontal = {L"GameFrame.xml", false};
  if (!loaded) return horizontal;
  std::wstring gameType, backgroundType;
  for (const SkinConfigItem& item : items) {
    if (!item.hasName) continue;
    if (EqualsIgnoringCase(item.name, L"game_type")) gameType = item.value;
    if (EqualsIgnoringCase(item.name, L"bkg_type")) backgroundType = item.value;
  }
  if (gameType != L"2") return horizontal;
  return {backgroundType == L"1" ? L"GameFrameVertical-w.xml" : L"GameFrameVertical-b.xml", true};
}

bool LinkButtonHidden(const std::wstring& skinValue, const std::wstring& setting) {
  return skinValue.empty() && setting.empty();
}

int SeatWidth(int hiddenButtons) { return kSeatBaseWidth + kHiddenLinkWidth * hiddenButtons; }

const BuiltInPages& DefaultBuiltInPages() {
  static const BuiltInPages pages = {VELORA_PAGE_OFFICIAL_SITE, VELORA_PAGE_SERVICE_FAQ, VELORA_PAGE_CHAT_GROUP,
                                     VELORA_PAGE_EVENTS};
  return pages;
}

std::wstring LinkTarget(const std::wstring& setting, const SkinText& skin, const std::wstring& builtIn) {
  if (!setting.empty()) return setting;
  if (skin.defined) return skin.value;
  return builtIn;
}

std::wstring PhoneTarget(const std::wstring& skinValue, const std::wstring& setting) {
  return setting.empty() ? skinValue : setting;
}

bool IsQrCodeTarget(const std::wstring& phoneTarget) { return phoneTarget == L"qrcode"; }

WindowSize RotatedSize(WindowSize size) { return {size.height + 58, size.width - 58}; }

WindowSize ExtendedSize(WindowSize size, bool extend) {
  return {size.width + (extend ? kToolViewWidth : -kToolViewWidth), size.height};
}

ScreenPoint QrFramePosition(int windowLeft, int windowTop, int buttonLeft, int buttonBottom) {
  return {windowLeft + buttonLeft - 175, windowTop + buttonBottom + 20};
}

namespace {

// One axis of the centring: the middle of the work area, then pulled back
// inside it, the near edge last so that it wins for an oversized box.
int CentreAxis(int workStart, int workEnd, int extent) {
  int start = workStart + (workEnd - workStart) / 2 - extent / 2;
  if (start < workStart)
    start = workStart;
  else if (start + extent > workEnd)
    start = workEnd - extent;
  return start;
}

}  // namespace

ScreenPoint CentreOnWorkArea(const ScreenRect& work, const ScreenRect& window) {
  return {CentreAxis(work.left, work.right, window.right - window.left),
          CentreAxis(work.top, work.bottom, window.bottom - window.top)};
}

CloseStep NextCloseStep(bool pageCloseCode, bool* closeAsked) {
  if (pageCloseCode) return CloseStep::kAskPage;
  if (*closeAsked) return CloseStep::kCloseNow;
  *closeAsked = true;
  return CloseStep::kRunCafeTest;
}

CafeFollowUp AfterCafeTest(bool inCafe) {
  return inCafe ? CafeFollowUp::kAskPageForCloseUrl : CafeFollowUp::kAskUser;
}

bool BoxAccepted(int result) { return result == 1; }

bool MayOpenCloseDialog(int openDialogs) { return openDialogs < kMaxOpenCloseDialogs; }

const wchar_t* MenuClickLogLine(const std::wstring& itemName) {
  if (EqualsIgnoringCase(itemName, L"remove_icon")) return L"CMainWnd on menu clicked : remove_icon";
  if (EqualsIgnoringCase(itemName, L"game_path")) return L"CMainWnd on menu clicked : game_path";
  return nullptr;
}

std::string CafeAnswerLine(int code) {
  // "网吧环境 = " in GBK, as the line is written on Chinese systems.
  char line[64];
  std::snprintf(line, sizeof line, "\xCD\xF8\xB0\xC9\xBB\xB7\xBE\xB3 = %d \n", code);
  return line;
}

CafeTestReport CafeTestOutcome(bool loaded, bool exportsFound, int code) {
  CafeTestReport report;
  report.lines.push_back("start!");
  if (!loaded) {
    report.lines.push_back("LoadDll failed!");
    return report;
  }
  if (!exportsFound) {
    report.lines.push_back("GetProcAddress failed!");
    report.keepLibrary = true;
    return report;
  }
  report.lines.push_back(CafeAnswerLine(code));
  if (code == 1) {
    report.inCafe = true;
    report.keepLibrary = true;
    return report;
  }
  report.lines.push_back("end!");
  return report;
}
