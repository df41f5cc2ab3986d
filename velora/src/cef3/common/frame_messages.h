// Custom window messages of the frame windows, shared by the browser
// controls (which post them) and the windows (which handle them). A text
// travels in wParam as a BSTR that the receiver frees.
#pragma once

constexpr unsigned int kFrameWmUser = 0x0400;                   // WM_USER
constexpr unsigned int kMenuClickMessage = 1145;                // menu-item record, or null
constexpr unsigned int kOpenAdUrlMessage = kFrameWmUser + 4001;   // 5025, BSTR address
constexpr unsigned int kPopupUrlMessage = kFrameWmUser + 4002;    // 5026, BSTR address
constexpr unsigned int kGameViewMessage = kFrameWmUser + 4003;    // 5027, BSTR (unused)
constexpr unsigned int kShowUrlMessage = kFrameWmUser + 4012;     // 5036, BSTR address
constexpr unsigned int kCloseMainMessage = kFrameWmUser + 4013;   // 5037
constexpr unsigned int kReturnGameMessage = kFrameWmUser + 4014;  // 5038

// The system command the page's "close" and "minimize" map to.
constexpr unsigned int kSysCommandMessage = 0x0112;  // WM_SYSCOMMAND
constexpr unsigned int kScClose = 0xF060;            // SC_CLOSE
constexpr unsigned int kScMinimize = 0xF020;         // SC_MINIMIZE
