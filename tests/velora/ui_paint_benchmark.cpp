// Cost of opening the frame's main skin: build "GameFrame.xml" into a window
// and paint it once, against a window of the same size whose skin has no
// controls, created and painted the same way, in the same run.
//   ui_paint_benchmark [rounds]      (run under Wine with a display)
// Prints the median time of each and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ui_test_support.h"

using namespace DuiLib;

namespace {

class BenchWindow : public WindowImplBase {
 public:
  explicit BenchWindow(std::wstring skin) : skin_(std::move(skin)) {}

 protected:
  LPCTSTR GetWindowClassName() const override { return L"VeloraUiBench"; }
  CDuiString GetSkinFile() override { return CDuiString(skin_); }
  CControlUI* CreateControl(LPCTSTR cls) override { return EqualsNoCase(cls, L"Cef") ? new CControlUI : nullptr; }

 private:
  std::wstring skin_;
};

// Creates, shows (without activation, so that no window manager is waited
// for) and paints one window; returns microseconds.
double OpenAndPaint(const std::wstring& skin) {
  BenchWindow w(skin);
  const auto start = std::chrono::steady_clock::now();
  if (!w.Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 0, 0)) return -1;
  ::ShowWindow(w, SW_SHOWNOACTIVATE);
  ::UpdateWindow(w);
  ::GdiFlush();
  const auto end = std::chrono::steady_clock::now();
  ::DestroyWindow(w);
  uitest::Pump(1);
  return std::chrono::duration<double, std::micro>(end - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(3, _wtoi(argv[1])) : 30;
  CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
  CPaintManagerUI::SetResourcePath(L"" VELORA_SKIN_DIR);
  const std::wstring empty = L"<Window size=\"1360,820\" bkcolor=\"#FF1B2330\"/>";
  const std::wstring frame = L"GameFrame.xml";
  // Warm up both: first use loads GDI+, fonts and the images.
  OpenAndPaint(frame);
  OpenAndPaint(empty);
  std::vector<double> frameTimes, emptyTimes;
  for (int i = 0; i < rounds; ++i) {
    frameTimes.push_back(OpenAndPaint(frame));
    emptyTimes.push_back(OpenAndPaint(empty));
  }
  const double f = Median(frameTimes), e = Median(emptyTimes);
  std::printf("rounds %d\nGameFrame.xml build+paint: %.0f us (median)\nempty window build+paint: %.0f us (median)\n"
              "ratio: %.2f\n", rounds, f, e, e > 0 ? f / e : 0.0);
  return 0;
}
