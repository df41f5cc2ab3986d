// The skin library on real windows under Wine: a window built from a skin,
// layout after changes, input through real mouse messages, modal loops,
// the order in which a message meets filters and handlers, bad skins, and a
// screenshot of every sample skin (screenshots/ in the build folder).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include "ui_test_support.h"

using namespace DuiLib;
using namespace uitest;

namespace {

const wchar_t kTreeSkin[] =
    L"<Window size=\"500,320\" mininfo=\"300,200\" caption=\"0,0,0,40\" sizebox=\"5,5,5,5\">"
    L"<Default name=\"game_name\" value=\"游戏微端\"/>"
    L"<Default name=\"closewnd_code\" value=\"\"/>"
    L"<Default name=\"Button\" value=\"textcolor=&quot;#FF112233&quot; height=&quot;30&quot;\"/>"
    L"<VerticalLayout name=\"root\" bkcolor=\"#FF202020\">"
    L"  <HorizontalLayout name=\"bar\" height=\"40\" bkcolor=\"#FF303030\">"
    L"    <Label name=\"title\" text=\"标题\" width=\"120\"/>"
    L"    <Control name=\"gap\"/>"
    L"    <Button name=\"closebtn\" width=\"40\" height=\"40\" bkcolor=\"#FF404040\" hotbkcolor=\"#FFC00000\""
    L"            pushedbkcolor=\"#FF00C000\"/>"
    L"  </HorizontalLayout>"
    L"  <Bogus name=\"dropped\"><Button name=\"inside_dropped\"/></Bogus>"
    L"  <Cef name=\"Cef_game\" bkcolor=\"#FF0000FF\"/>"
    L"  <HorizontalLayout name=\"links\" height=\"44\">"
    L"    <Button name=\"b1\" text=\"one\" width=\"100\"/><Button name=\"b1\" text=\"two\" width=\"100\"/>"
    L"  </HorizontalLayout>"
    L"</VerticalLayout></Window>";

class UiWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(L"" VELORA_SKIN_DIR);
  }
  void TearDown() override {
    for (auto& w : windows_)
      if (::IsWindow(*w)) ::DestroyWindow(*w);
    Pump(10);
    windows_.clear();
  }
  TestWindow* Make(std::wstring skin, const wchar_t* cls = L"VeloraUiTestWindow") {
    windows_.push_back(std::make_unique<TestWindow>(std::move(skin), cls));
    return windows_.back().get();
  }

  std::vector<std::unique_ptr<TestWindow>> windows_;
};

RECT WindowRect(HWND hwnd) {
  RECT rc;
  ::GetWindowRect(hwnd, &rc);
  return rc;
}

// ---- building ---------------------------------------------------------------

TEST_F(UiWindowTest, BuildsTheTreeNamesAndDefaultsFromTheSkin) {
  LogCapture log;
  TestWindow* w = Make(kTreeSkin);
  ASSERT_TRUE(w->Open());
  CPaintManagerUI& pm = w->Manager();

  EXPECT_TRUE(w->initWindowSawControls);
  EXPECT_EQ(pm.GetPaintWindow(), w->GetHWND());
  const RECT rc = WindowRect(*w);
  EXPECT_EQ(500, rc.right - rc.left);
  EXPECT_EQ(320, rc.bottom - rc.top);
  RECT client;
  ::GetClientRect(*w, &client);
  EXPECT_EQ(500, client.right) << "no system frame";

  // Unknown classes went to CreateControl, in document order; "Bogus" was
  // answered null and left out with its child.
  EXPECT_EQ((std::vector<std::wstring>{L"Bogus", L"Cef"}), w->createRequests);
  EXPECT_EQ(nullptr, pm.FindControl(L"dropped"));
  EXPECT_EQ(nullptr, pm.FindControl(L"inside_dropped"));
  EXPECT_TRUE(log.Contains(L"Bogus"));
  ASSERT_EQ(1u, w->probes.size());
  EXPECT_EQ(w->probes[0], pm.FindControl(L"Cef_game"));
  EXPECT_EQ(1, w->probes[0]->inits);
  EXPECT_EQ(pm.GetRoot(), pm.FindControl(L"root"));
  EXPECT_EQ(pm.FindControl(L"bar"), pm.FindControl(L"title")->GetParent());
  EXPECT_EQ(nullptr, pm.FindControl(L"nothing"));
  // Two controls named alike: the first in the skin is found.
  auto* links = static_cast<CContainerUI*>(pm.FindControl(L"links")->GetInterface(DUI_CTR_CONTAINER));
  ASSERT_NE(nullptr, links);
  EXPECT_EQ(links->GetItemAt(0), pm.FindControl(L"b1"));
  EXPECT_EQ(L"one", pm.FindControl(L"b1")->GetText().str());
  // A record handed over in a window message is freed by the receiver.
  CPaintManagerUI::DeletePtr(::operator new(1024));

  // Stretched Cef_game takes what the fixed rows leave.
  const RECT cef = pm.FindControl(L"Cef_game")->GetPos();
  EXPECT_EQ((RECT{0, 40, 500, 276}.bottom), cef.bottom);
  EXPECT_EQ(40, cef.top);
  EXPECT_EQ(pm.FindControl(L"Cef_game"), pm.FindControl(POINT{250, 100}));
  EXPECT_EQ(pm.FindControl(L"closebtn"), pm.FindControl(POINT{480, 20}));
  EXPECT_EQ(pm.FindControl(L"gap"), pm.FindControl(POINT{200, 20}));

  // Default attributes: present, present but empty, absent.
  ASSERT_NE(nullptr, pm.GetDefaultAttributeList(L"game_name"));
  EXPECT_EQ(std::wstring(L"游戏微端"), pm.GetDefaultAttributeList(L"game_name"));
  ASSERT_NE(nullptr, pm.GetDefaultAttributeList(L"closewnd_code"));
  EXPECT_EQ(std::wstring(), pm.GetDefaultAttributeList(L"closewnd_code"));
  EXPECT_EQ(nullptr, pm.GetDefaultAttributeList(L"pkgid"));
  // A class default applies to every control of the class before its own
  // attributes.
  auto* b1 = static_cast<CButtonUI*>(pm.FindControl(L"b1"));
  EXPECT_EQ(0xFF112233u, b1->GetTextColor());
  EXPECT_EQ(30, b1->GetFixedHeight());
  EXPECT_EQ(40, pm.FindControl(L"closebtn")->GetFixedHeight());
}

TEST_F(UiWindowTest, LayoutFollowsWidthAndVisibilityChanges) {
  // The frame's caption row in small: a spacer that grows by 109 for each
  // link button hidden, so the rest of the row stays in place.
  std::wstring skin =
      L"<Window size=\"1200,300\"><VerticalLayout><HorizontalLayout name=\"row\" height=\"44\">"
      L"<Control name=\"size_seat\" width=\"450\"/>";
  for (int i = 1; i <= 5; ++i)
    skin += L"<Button name=\"l" + std::to_wstring(i) + L"\" width=\"100\" height=\"30\" padding=\"0,7,9,7\"/>";
  skin += L"<Control name=\"gap\"/><Button name=\"closebtn\" width=\"36\"/></HorizontalLayout>"
          L"<VerticalLayout name=\"column\"><Control name=\"top\" height=\"50\"/><Control name=\"fill\"/>"
          L"<Control name=\"bottom\" height=\"30\"/></VerticalLayout></VerticalLayout></Window>";
  TestWindow* w = Make(skin);
  ASSERT_TRUE(w->Open());
  CPaintManagerUI& pm = w->Manager();

  struct Case { const char* name; std::set<int> hidden; };
  const Case cases[] = {{"all shown", {}}, {"one hidden", {1}}, {"two apart", {2, 4}}, {"all hidden", {1, 2, 3, 4, 5}}, {"shown again", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int hiddenWidth = 0;
    for (int i = 1; i <= 5; ++i) {
      const bool hide = c.hidden.count(i) > 0;
      pm.FindControl((L"l" + std::to_wstring(i)).c_str())->SetVisible(!hide);
      if (hide) hiddenWidth += 109;
    }
    pm.FindControl(L"size_seat")->SetAttribute(L"width", std::to_wstring(450 + hiddenWidth).c_str());
    ::UpdateWindow(*w);  // the relayout happens on the next paint
    EXPECT_EQ(450 + hiddenWidth, pm.FindControl(L"size_seat")->GetWidth());
    int x = 450 + hiddenWidth;
    for (int i = 1; i <= 5; ++i) {
      SCOPED_TRACE(i);
      CControlUI* b = pm.FindControl((L"l" + std::to_wstring(i)).c_str());
      if (c.hidden.count(i)) {
        EXPECT_FALSE(b->IsVisible());
        EXPECT_EQ(0, b->GetWidth());
        continue;
      }
      EXPECT_EQ((RECT{x, 7, x + 100, 37}.left), b->GetPos().left);
      EXPECT_EQ(37, b->GetPos().bottom);
      x += 109;
    }
    EXPECT_EQ(995, x);
    EXPECT_EQ(995, pm.FindControl(L"gap")->GetPos().left);
    EXPECT_EQ(1164, pm.FindControl(L"closebtn")->GetPos().left);
  }

  // Vertical: hiding the fixed top row gives its height to the stretched
  // child; a new height for the bottom row takes it back.
  CControlUI* fill = pm.FindControl(L"fill");
  EXPECT_EQ(44 + 50, fill->GetPos().top);
  pm.FindControl(L"top")->SetVisible(false);
  pm.FindControl(L"bottom")->SetAttribute(L"height", L"80");
  ::UpdateWindow(*w);
  EXPECT_EQ(44, fill->GetPos().top);
  EXPECT_EQ(300 - 80, fill->GetPos().bottom);
  // Hiding a container hides its children too.
  pm.FindControl(L"column")->SetVisible(false);
  EXPECT_FALSE(fill->IsVisible());
  EXPECT_TRUE(fill->IsOwnVisible());
  pm.FindControl(L"column")->SetVisible(true);
  EXPECT_TRUE(fill->IsVisible());
}

// ---- input ------------------------------------------------------------------

TEST_F(UiWindowTest, RealMouseInputHoversPressesAndClicksOnce) {
  TestWindow* w = Make(
      L"<Window size=\"400,200\"><HorizontalLayout bkcolor=\"#FF101010\">"
      L"<Button name=\"btn\" width=\"120\" height=\"60\" padding=\"20,20,0,0\" bkcolor=\"#FF404040\""
      L" hotbkcolor=\"#FFC00000\" pushedbkcolor=\"#FF00C000\"/>"
      L"<Probe name=\"probe\" width=\"120\" height=\"60\" padding=\"20,20,0,0\"/><Control/></HorizontalLayout></Window>");
  ASSERT_TRUE(w->Open());
  ::SetForegroundWindow(*w);
  CPaintManagerUI& pm = w->Manager();
  auto* btn = static_cast<CButtonUI*>(pm.FindControl(L"btn"));
  const POINT at = Center(btn->GetPos());
  int clicks = 0;
  CControlUI* sender = nullptr;
  w->onClick = [&](TNotifyUI& msg) { ++clicks; sender = msg.pSender; };

  MouseMove(*w, POINT{380, 180});
  Pump(50);
  EXPECT_EQ(RGB(0x40, 0x40, 0x40), PixelAt(*w, at));
  MouseMove(*w, at);
  Pump(80);
  EXPECT_TRUE(btn->GetButtonState() & UISTATE_HOT);
  EXPECT_EQ(RGB(0xC0, 0, 0), PixelAt(*w, at)) << "hot look";
  MouseDown();
  Pump(80);
  EXPECT_TRUE(btn->GetButtonState() & UISTATE_PUSHED);
  EXPECT_EQ(RGB(0, 0xC0, 0), PixelAt(*w, at)) << "pushed look";
  EXPECT_EQ(0, clicks);
  MouseUp();
  Pump(80);
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(btn, sender);
  EXPECT_EQ((std::vector<std::wstring>{L"click:btn"}), w->notifications);
  EXPECT_FALSE(btn->GetButtonState() & UISTATE_PUSHED);

  // Pressed on the button, released elsewhere: no click.
  MouseDown();
  Pump(50);
  MouseMove(*w, POINT{380, 180});
  Pump(50);
  EXPECT_FALSE(btn->GetButtonState() & UISTATE_PUSHED);
  MouseUp();
  Pump(50);
  EXPECT_EQ(1, clicks);

  // Leaving the button clears the hot look; a disabled button neither
  // lights up nor clicks.
  EXPECT_FALSE(btn->GetButtonState() & UISTATE_HOT);
  btn->SetEnabled(false);
  MouseMove(*w, at);
  Pump(50);
  MouseDown();
  MouseUp();
  Pump(80);
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(btn->GetButtonState() & UISTATE_HOT);

  // Moves reach the control under the mouse as event 9, leaving it as 10.
  ProbeControl* probe = w->probes.at(0);
  MouseMove(*w, Center(probe->GetPos()));
  Pump(50);
  MouseMove(*w, POINT{Center(probe->GetPos()).x + 3, Center(probe->GetPos()).y});
  Pump(50);
  MouseMove(*w, POINT{380, 180});
  Pump(50);
  std::vector<int> moveLeave;
  for (int t : probe->events)
    if (t == 9 || t == 10) moveLeave.push_back(t);
  EXPECT_EQ((std::vector<int>{9, 9, 10}), moveLeave);

  // Leaving the window altogether also leaves the control.
  probe->events.clear();
  MouseMove(*w, Center(probe->GetPos()));
  Pump(50);
  RECT rc = WindowRect(*w);
  MouseMoveScreen(POINT{rc.right + 40, rc.bottom + 40});
  Pump(400);
  ASSERT_FALSE(probe->events.empty());
  EXPECT_EQ(10, probe->events.back());
}

TEST_F(UiWindowTest, CaptionHitTestAndDragMoveTheWindow) {
  TestWindow* w = Make(
      L"<Window size=\"400,300\" caption=\"0,0,0,40\" sizebox=\"6,6,6,6\"><VerticalLayout>"
      L"<HorizontalLayout height=\"40\"><Label text=\"title\"/><Button name=\"closebtn\" width=\"40\"/></HorizontalLayout>"
      L"<Control/></VerticalLayout></Window>");
  ASSERT_TRUE(w->Open());
  const RECT rc = WindowRect(*w);
  struct Case { POINT client; LRESULT expected; };
  const Case cases[] = {{{200, 20}, HTCAPTION}, {{380, 20}, HTCLIENT}, {{200, 150}, HTCLIENT},
                        {{2, 150}, HTLEFT},     {{397, 150}, HTRIGHT}, {{200, 2}, HTTOP},
                        {{200, 297}, HTBOTTOM}, {{1, 1}, HTTOPLEFT},   {{398, 298}, HTBOTTOMRIGHT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.client.x << "," << c.client.y);
    EXPECT_EQ(c.expected, w->SendMessageW(WM_NCHITTEST, 0, MAKELPARAM(rc.left + c.client.x, rc.top + c.client.y)));
  }

  // A real drag on the caption moves the window by the mouse's way. The
  // platform's move loop runs inside this thread's message dispatch, so the
  // mouse is driven from another thread.
  ::SetForegroundWindow(*w);
  MouseMove(*w, POINT{200, 20});
  Pump(50);
  POINT start{200, 20};
  ::ClientToScreen(*w, &start);  // once: the window moves under the mouse
  std::thread hand([start] {
    MouseDown();
    ::Sleep(100);
    for (int step = 1; step <= 6; ++step) {
      MouseMoveScreen(POINT{start.x + 10 * step, start.y + 5 * step});
      ::Sleep(40);
    }
    MouseUp();
  });
  Pump(800);
  hand.join();
  Pump(50);
  const RECT moved = WindowRect(*w);
  EXPECT_EQ(rc.left + 60, moved.left);
  EXPECT_EQ(rc.top + 30, moved.top);
  EXPECT_EQ(rc.right - rc.left, moved.right - moved.left);
}

TEST_F(UiWindowTest, SystemCommandsMaximiseRestoreAndMinimise) {
  TestWindow* w = Make(
      L"<Window size=\"400,300\" mininfo=\"350,250\"><HorizontalLayout><Control/>"
      L"<Button name=\"maxbtn\" width=\"30\"/><Button name=\"restorebtn\" width=\"30\" visible=\"false\"/>"
      L"</HorizontalLayout></Window>");
  ASSERT_TRUE(w->Open());
  CPaintManagerUI& pm = w->Manager();
  w->SendMessageW(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Pump(50);
  EXPECT_TRUE(::IsZoomed(*w));
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(*w, MONITOR_DEFAULTTONEAREST), &mi);
  EXPECT_EQ(mi.rcWork.right - mi.rcWork.left, WindowRect(*w).right - WindowRect(*w).left);
  EXPECT_FALSE(pm.FindControl(L"maxbtn")->IsVisible());
  EXPECT_TRUE(pm.FindControl(L"restorebtn")->IsVisible());
  w->SendMessageW(WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(50);
  EXPECT_FALSE(::IsZoomed(*w));
  EXPECT_EQ(400, WindowRect(*w).right - WindowRect(*w).left);
  EXPECT_TRUE(pm.FindControl(L"maxbtn")->IsVisible());
  EXPECT_FALSE(pm.FindControl(L"restorebtn")->IsVisible());
  // The minimum size from the skin holds.
  ::SetWindowPos(*w, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(350, WindowRect(*w).right - WindowRect(*w).left);
  w->SendMessageW(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(50);
  EXPECT_TRUE(::IsIconic(*w));
}

// ---- message order ----------------------------------------------------------

TEST_F(UiWindowTest, FiltersSeeMessagesBeforeTheWindowAndCustomHandlingFirst) {
  TestWindow* w = Make(L"<Window size=\"200,100\"><Control/></Window>");
  ASSERT_TRUE(w->Open());
  RecordingFilter filter(&w->trace, WM_CHAR);
  w->Manager().AddMessageFilter(&filter);
  w->tracedMessage = WM_CHAR;

  w->SendMessageW(WM_CHAR, L'a', 0);
  EXPECT_EQ((std::vector<std::wstring>{L"filter", L"custom", L"onchar"}), w->trace);

  // HandleCustomMessage marking it handled keeps it from OnChar.
  w->trace.clear();
  w->onCustom = [](UINT msg, WPARAM, LPARAM, BOOL& handled) -> LRESULT {
    handled = msg == WM_CHAR;
    return handled ? 7 : 0;
  };
  EXPECT_EQ(7, w->SendMessageW(WM_CHAR, L'b', 0));
  EXPECT_EQ((std::vector<std::wstring>{L"filter", L"custom"}), w->trace);

  // A filter that handles the message ends it there, with its result.
  w->trace.clear();
  filter.swallow = WM_CHAR;
  EXPECT_EQ(42, w->SendMessageW(WM_CHAR, L'c', 0));
  EXPECT_EQ((std::vector<std::wstring>{L"filter"}), w->trace);
  w->Manager().RemoveMessageFilter(&filter);

  // Pre-message filters get queued messages through TranslateMessage.
  RecordingFilter pre(&w->trace, WM_KEYDOWN);
  pre.swallow = WM_KEYDOWN;
  w->Manager().AddPreMessageFilter(&pre);
  w->trace.clear();
  w->tracedMessage = WM_KEYDOWN;
  w->PostMessageW(WM_KEYDOWN, VK_F5, 0);
  Pump(30);
  EXPECT_EQ((std::vector<std::wstring>{L"filter"}), w->trace) << "consumed before dispatch";
  w->Manager().RemovePreMessageFilter(&pre);
}

TEST_F(UiWindowTest, FinalMessageComesAfterTheWindowIsGoneEvenFromItsOwnClick) {
  // The window object deletes itself in OnFinalMessage while a click
  // handler of that same window destroys it: the deletion waits until the
  // handler has returned.
  auto* w = new TestWindow(L"<Window size=\"200,100\"><Button name=\"b\"/></Window>");
  ASSERT_TRUE(w->Open());
  bool deleted = false, sawGone = false;
  w->onClick = [w](TNotifyUI&) { ::DestroyWindow(*w); };
  w->onFinal = [&, w] {
    sawGone = w->finalAfterWindowGone;
    deleted = true;
    delete w;
  };
  const HWND hwnd = *w;
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 50));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 50));
  Pump(50);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(sawGone);
}

// ---- modal loops ------------------------------------------------------------

const UINT kCloseWith = WM_APP + 1;  // wParam: the result for Close
const UINT kOpenInner = WM_APP + 2;

TEST_F(UiWindowTest, ShowModalReturnsCloseValueAndDisablesTheOwner) {
  TestWindow* owner = Make(L"<Window size=\"300,200\"><Control/></Window>", L"VeloraUiOwner");
  ASSERT_TRUE(owner->Open());
  TestWindow* outer = Make(L"<Window size=\"200,120\"><Control/></Window>", L"VeloraUiModal");
  TestWindow* inner = Make(L"<Window size=\"150,90\"><Control/></Window>", L"VeloraUiModal");
  TestWindow* sibling = Make(L"<Window size=\"150,90\"><Control/></Window>", L"VeloraUiModal");
  ASSERT_TRUE(outer->Create(*owner, L"outer", WS_POPUP, 0, 0, 0, 0, 0));

  std::vector<std::wstring> seen;
  UINT innerResult = 99, siblingResult = 99;
  outer->onCustom = [&](UINT msg, WPARAM wParam, LPARAM, BOOL& handled) -> LRESULT {
    if (msg == kOpenInner) {
      handled = TRUE;
      seen.push_back(std::wstring(L"outer open: owner ") + (::IsWindowEnabled(*owner) ? L"enabled" : L"disabled"));
      // A modal window inside the modal window.
      if (!inner->Create(*outer, L"inner", WS_POPUP, 0, 0, 0, 0, 0)) return 0;
      inner->PostMessageW(kCloseWith, 3);
      innerResult = inner->ShowModal();
      seen.push_back(std::wstring(L"after inner: outer ") + (::IsWindowEnabled(*outer) ? L"enabled" : L"disabled"));
      // A second modal window over the same, already disabled, owner must
      // not enable it when it closes.
      if (!sibling->Create(*owner, L"sibling", WS_POPUP, 0, 0, 0, 0, 0)) return 0;
      sibling->PostMessageW(kCloseWith, 4);
      siblingResult = sibling->ShowModal();
      seen.push_back(std::wstring(L"after sibling: owner ") + (::IsWindowEnabled(*owner) ? L"enabled" : L"disabled"));
      outer->PostMessageW(kCloseWith, 7);
    } else if (msg == kCloseWith) {
      handled = TRUE;
      outer->Close(static_cast<UINT>(wParam));
    }
    return 0;
  };
  auto closeOnRequest = [](TestWindow* w, std::vector<std::wstring>* seen, const wchar_t* name, HWND owner) {
    w->onCustom = [w, seen, name, owner](UINT msg, WPARAM wParam, LPARAM, BOOL& handled) -> LRESULT {
      if (msg != kCloseWith) return 0;
      handled = TRUE;
      seen->push_back(std::wstring(name) + L": owner " + (::IsWindowEnabled(owner) ? L"enabled" : L"disabled"));
      w->Close(static_cast<UINT>(wParam));
      return 0;
    };
  };
  closeOnRequest(inner, &seen, L"inner", *outer);
  closeOnRequest(sibling, &seen, L"sibling", *owner);

  outer->PostMessageW(kOpenInner);
  const UINT result = outer->ShowModal();
  EXPECT_EQ(7u, result);
  EXPECT_EQ(3u, innerResult);
  EXPECT_EQ(4u, siblingResult);
  EXPECT_EQ((std::vector<std::wstring>{L"outer open: owner disabled", L"inner: owner disabled",
                                       L"after inner: outer enabled", L"sibling: owner disabled",
                                       L"after sibling: owner disabled"}),
            seen);
  EXPECT_TRUE(::IsWindowEnabled(*owner));
  EXPECT_FALSE(::IsWindow(*outer));
  EXPECT_EQ(1, outer->finalCount);
  EXPECT_TRUE(outer->finalAfterWindowGone);

  // A modal window whose object deletes itself once its window is gone
  // (as the frame's dialogs do): ShowModal still returns the result.
  auto* self = new TestWindow(L"<Window size=\"150,90\"><Control/></Window>", L"VeloraUiModal");
  bool selfDeleted = false;
  self->onFinal = [self, &selfDeleted] {
    selfDeleted = true;
    delete self;
  };
  ASSERT_TRUE(self->Create(*owner, L"self", WS_POPUP, 0, 0, 0, 0, 0));
  self->onCustom = [self](UINT msg, WPARAM, LPARAM, BOOL& handled) -> LRESULT {
    if (msg == kCloseWith) self->Close(5);
    handled = msg == kCloseWith;
    return 0;
  };
  self->PostMessageW(kCloseWith);
  EXPECT_EQ(5u, self->ShowModal());
  EXPECT_TRUE(selfDeleted);
  EXPECT_TRUE(::IsWindowEnabled(*owner));

  // Closed by the system command rather than Close: 0.
  TestWindow* boxed = Make(L"<Window size=\"150,90\"><Control/></Window>", L"VeloraUiModal");
  ASSERT_TRUE(boxed->Create(*owner, L"box", WS_POPUP, 0, 0, 0, 0, 0));
  boxed->PostMessageW(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(0u, boxed->ShowModal());
  EXPECT_TRUE(::IsWindowEnabled(*owner));
}

// ---- bad skins --------------------------------------------------------------

std::wstring WriteFile(const std::string& name, const std::string& bytes) {
  const std::string path = std::string(VELORA_TEST_OUT_DIR) + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return std::wstring(path.begin(), path.end());
}

TEST_F(UiWindowTest, BadSkinsOpenWhatCanBeBuiltOrFailWithALogLine) {
  WriteFile("not_a_png.png", "GIF89a this is no PNG");
  std::string nested = "<Window size=\"300,200\">";
  for (int i = 0; i < 1000; ++i) nested += "<VerticalLayout>";
  nested += "<Button name=\"deep\"/>";
  for (int i = 0; i < 1000; ++i) nested += "</VerticalLayout>";
  nested += "</Window>";
  std::string big = "<Window size=\"300,200\"><HorizontalLayout>";
  while (big.size() < (10u << 20)) big += "<Button text=\"x\" width=\"1\" bkcolor=\"#FF808080\"/>";
  big += "</HorizontalLayout></Window>";

  struct Case {
    const char* name;
    std::wstring skin;
    bool opens;
    const wchar_t* logPart;  // a line containing this is expected (null: none needed)
    SIZE size;               // expected window size when it opens (0: any)
  };
  const std::wstring dir(VELORA_TEST_OUT_DIR, VELORA_TEST_OUT_DIR + sizeof(VELORA_TEST_OUT_DIR) - 1);
  const Case cases[] = {
      {"missing file", dir + L"no_such_skin.xml", false, L"cannot be read", {}},
      {"malformed markup", WriteFile("broken.xml", "<Window size=\"10,10\"><Button></Window>"), false, L"cannot be read", {}},
      {"not a window", WriteFile("config_like.xml", "<Config><Item/></Config>"), false, L"not <Window>", {}},
      {"missing image", L"<Window size=\"200,100\"><Control bkimage=\"nowhere.png\"/></Window>", true, L"nowhere.png", {200, 100}},
      {"image not a PNG", L"<Window size=\"200,100\"><Control bkimage=\"" + dir + L"not_a_png.png\"/></Window>", true,
       L"not a PNG", {200, 100}},
      {"negative sizes", L"<Window size=\"-40,-40\"><Control width=\"-20\" height=\"-5\" padding=\"-1,-1,-1,-1\"/></Window>",
       true, nullptr, {}},
      {"huge sizes", L"<Window size=\"100000,100000\"><Button width=\"100000\" height=\"100000\" bordersize=\"100000\"/></Window>",
       true, nullptr, {}},
      {"no controls", L"<Window size=\"200,100\"/>", true, nullptr, {200, 100}},
      {"1000 nested containers", WriteFile("nested.xml", nested), true, L"nested deeper", {300, 200}},
      {"10 MiB skin", WriteFile("big.xml", big), true, L"the rest are left out", {300, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    TestWindow* w = Make(c.skin, L"VeloraUiBadSkin");
    const HWND hwnd = w->Open();
    EXPECT_EQ(c.opens, hwnd != nullptr);
    if (c.logPart) {
      EXPECT_TRUE(log.Contains(c.logPart)) << (log.Lines().empty() ? "no log line" : "other lines");
    }
    if (!hwnd) {
      EXPECT_EQ(0, w->finalCount) << "a window that never came to be is not final";
      continue;
    }
    const RECT rc = WindowRect(hwnd);
    if (c.size.cx) {
      EXPECT_EQ(c.size.cx, rc.right - rc.left);
      EXPECT_EQ(c.size.cy, rc.bottom - rc.top);
    }
    EXPECT_LE(rc.right - rc.left, kMaxExtent);
    ::UpdateWindow(hwnd);
    Pump(20);
    ::DestroyWindow(hwnd);
    EXPECT_EQ(1, w->finalCount);
  }
}

// ---- fonts and the sample skin ----------------------------------------------

TEST_F(UiWindowTest, TheDefaultFontShowsChinese) {
  const CDuiString face = CPaintManagerUI::ResolveFontFace(L"Microsoft YaHei");
  LOGFONTW lf{};
  lf.lfHeight = -14;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy_s(lf.lfFaceName, LF_FACESIZE, face.GetData(), _TRUNCATE);
  HFONT font = ::CreateFontIndirectW(&lf);
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  WORD glyphs[4] = {};
  ASSERT_EQ(4u, ::GetGlyphIndicesW(dc, L"游戏微端", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS));
  for (WORD g : glyphs) EXPECT_NE(0xFFFF, g) << testing::PrintToString(face.str());
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  ::DeleteObject(font);
}

class SampleSkinWindow : public testing::TestWithParam<const wchar_t*> {
 protected:
  static void SetUpTestSuite() {
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(L"" VELORA_SKIN_DIR);
  }
};

TEST_P(SampleSkinWindow, OpensCompleteAndLeavesAScreenshot) {
  const std::wstring file = GetParam();
  LogCapture log;
  TestWindow w(file, L"VeloraUiSample");
  ASSERT_TRUE(w.Open(nullptr, WS_POPUP | WS_VISIBLE));
  EXPECT_TRUE(log.Lines().empty()) << "first line: " << testing::PrintToString(log.Lines().empty() ? L"" : log.Lines()[0]);
  CPaintManagerUI& pm = w.Manager();
  struct Names { const wchar_t* file; std::vector<const wchar_t*> names; };
  const Names required[] = {
      {L"GameFrame.xml", {L"closebtn", L"minbtn", L"maxbtn", L"restorebtn", L"Cef_game", L"btn_byphone", L"btn_guanwang",
                          L"btn_kefu", L"btn_luntan", L"btn_chongzhi", L"size_seat"}},
      {L"GameFrameVertical-w.xml", {L"closebtn", L"minbtn", L"maxbtn", L"restorebtn", L"Cef_game", L"game_name", L"tool_view",
                                    L"btn_extend", L"btn_retract", L"btn_rotate", L"btn_tophone", L"btn_gongzhonghao",
                                    L"btn_qqgroup", L"btn_huodong"}},
      {L"GameFrameVertical-b.xml", {L"closebtn", L"minbtn", L"maxbtn", L"restorebtn", L"Cef_game", L"game_name", L"tool_view",
                                    L"btn_extend", L"btn_retract", L"btn_rotate", L"btn_tophone", L"btn_gongzhonghao",
                                    L"btn_qqgroup", L"btn_huodong"}},
      {L"GameFrameVertical.xml", {L"closebtn", L"Cef_Close"}},
      {L"CloseQRcode.xml", {L"closebtn", L"Cef_Close"}},
      {L"advert.xml", {L"closebtn"}},
      {L"closeWnd.xml", {L"btn_ok", L"btn_cancel", L"closebtn"}},
      {L"InstallToPhone.xml", {L"btn_ok", L"btn_cancel", L"closebtn"}},
      {L"GongZhongHao.xml", {L"btn_ok", L"btn_cancel", L"closebtn"}},
  };
  for (const Names& r : required) {
    if (file != r.file) continue;
    for (const wchar_t* name : r.names) EXPECT_NE(nullptr, pm.FindControl(name)) << testing::PrintToString(std::wstring(name));
  }
  if (file.rfind(L"GameFrame", 0) == 0 && file != L"GameFrameVertical.xml") {
    for (const wchar_t* d : {L"game_name", L"button_chongzhi", L"button_luntan", L"button_guanwang", L"button_kefu",
                             L"button_byphone", L"button_qqgroup", L"button_huodong", L"closewnd_code", L"pkgid", L"home_page"})
      EXPECT_NE(nullptr, pm.GetDefaultAttributeList(d)) << testing::PrintToString(std::wstring(d));
  }
  const bool hasCef = file != L"advert.xml" && file != L"QrFrame.xml" && file != L"closeWnd.xml" &&
                      file != L"InstallToPhone.xml" && file != L"GongZhongHao.xml";
  EXPECT_EQ(hasCef ? 1u : 0u, w.probes.size());

  Pump(60);
  std::wstring shot = std::wstring(L"" VELORA_TEST_OUT_DIR) + L"screenshots\\";
  ::CreateDirectoryW(shot.c_str(), nullptr);
  shot += file.substr(0, file.size() - 4) + L".png";
  ASSERT_TRUE(CRenderEngine::SaveWindowPng(w, shot.c_str()));
  // Something was drawn: more than a handful of colours across the window.
  RECT rc;
  ::GetClientRect(w, &rc);
  std::set<COLORREF> colours;
  for (int y = 2; y < rc.bottom; y += 7)
    for (int x = 2; x < rc.right; x += 7) colours.insert(PixelAt(w, POINT{x, y}));
  EXPECT_GE(colours.size(), file == L"Cef.xml" ? 1u : 4u);
  ::DestroyWindow(w);
}

INSTANTIATE_TEST_SUITE_P(Skins, SampleSkinWindow,
                         testing::Values(L"GameFrame.xml", L"GameFrameVertical-w.xml", L"GameFrameVertical-b.xml",
                                         L"GameFrameVertical.xml", L"CloseQRcode.xml", L"advert.xml", L"Cef.xml",
                                         L"QrFrame.xml", L"closeWnd.xml", L"InstallToPhone.xml", L"GongZhongHao.xml"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                           std::string name;
                           for (const wchar_t* p = info.param; *p && *p != L'.'; ++p)
                             name += (*p == L'-') ? '_' : static_cast<char>(*p);
                           return name;
                         });

}  // namespace
