// Every header of the engine API in one translation unit, and the layout
// facts the frame relies on: the settings structure the frame fills by hand
// and hands to the engine must be 4896's, byte for byte, on the shipping
// i686 build.
#include <cstddef>
#include <cstring>

#include "include/base/cef_bind.h"
#include "include/base/cef_build.h"
#include "include/base/cef_callback.h"
#include "include/base/cef_logging.h"
#include "include/base/cef_macros.h"
#include "include/base/cef_ref_counted.h"
#include "include/cef_api_hash.h"
#include "include/cef_app.h"
#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_callback.h"
#include "include/cef_client.h"
#include "include/cef_command_line.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_display_handler.h"
#include "include/cef_drag_data.h"
#include "include/cef_drag_handler.h"
#include "include/cef_focus_handler.h"
#include "include/cef_frame.h"
#include "include/cef_jsdialog_handler.h"
#include "include/cef_keyboard_handler.h"
#include "include/cef_life_span_handler.h"
#include "include/cef_load_handler.h"
#include "include/cef_menu_model.h"
#include "include/cef_process_message.h"
#include "include/cef_render_handler.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_request.h"
#include "include/cef_request_context.h"
#include "include/cef_request_handler.h"
#include "include/cef_resource_request_handler.h"
#include "include/cef_response.h"
#include "include/cef_string_visitor.h"
#include "include/cef_task.h"
#include "include/cef_v8.h"
#include "include/cef_values.h"
#include "include/internal/cef_ptr.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_string_types.h"
#include "include/internal/cef_string_wrappers.h"
#include "include/internal/cef_types.h"
#include "include/internal/cef_types_wrappers.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"

#if defined(OS_WIN)
#include "include/internal/cef_types_win.h"
#include "include/internal/cef_win.h"
#endif

#include <gtest/gtest.h>

static_assert(sizeof(char16) == 2, "the engine's strings are UTF-16");

#if defined(_WIN32) && !defined(_WIN64)
// i686, the shipping build: 16 strings of 12 bytes and 15 four-byte fields.
static_assert(sizeof(cef_string_t) == 12, "cef_string_t on i686");
static_assert(sizeof(cef_settings_t) == 252,
              "cef_settings_t must have branch 4896's layout");
static_assert(offsetof(cef_settings_t, multi_threaded_message_loop) == 48,
              "multi_threaded_message_loop offset");
static_assert(offsetof(cef_settings_t, locale) == 132, "locale offset");
static_assert(offsetof(cef_settings_t, log_file) == 144, "log_file offset");
static_assert(offsetof(cef_settings_t, log_severity) == 156,
              "log_severity offset");
static_assert(offsetof(cef_settings_t, background_color) == 208,
              "background_color offset");
static_assert(offsetof(cef_settings_t,
                       application_client_id_for_file_scanning) == 240,
              "last field offset");
static_assert(sizeof(cef_window_info_t) == 60, "cef_window_info_t on i686");
#endif

namespace {

TEST(CefApiHeaders, SettingsWrappersStartWithTheirSize) {
  CefSettings settings;
  EXPECT_EQ(sizeof(cef_settings_t), settings.size);
  CefBrowserSettings browser_settings;
  EXPECT_EQ(sizeof(cef_browser_settings_t), browser_settings.size);
}

#if defined(OS_WIN)
TEST(CefApiHeaders, PlatformHashIsBranch4896ForWindows) {
  EXPECT_STREQ("cb1d823e15caa7e7b6074e3e612d111145b374d1",
               CEF_API_HASH_PLATFORM);
}

TEST(CefApiHeaders, WindowInfoPlacesChildPopupAndWindowless) {
  HWND parent = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));

  CefWindowInfo child;
  child.SetAsChild(parent, CefRect(10, 20, 300, 200));
  EXPECT_EQ(static_cast<DWORD>(0x56010000), child.style);
  EXPECT_EQ(parent, child.parent_window);
  EXPECT_EQ(CefRect(10, 20, 300, 200), CefRect(child.bounds));
  EXPECT_EQ(0, child.windowless_rendering_enabled);

  CefWindowInfo popup;
  popup.SetAsPopup(nullptr, "弹出");
  EXPECT_EQ(CW_USEDEFAULT, popup.bounds.x);
  EXPECT_EQ(CW_USEDEFAULT, popup.bounds.height);
  EXPECT_EQ(L"弹出", CefString(&popup.window_name).ToWString());

  CefWindowInfo windowless;
  windowless.SetAsWindowless(parent);
  EXPECT_EQ(1, windowless.windowless_rendering_enabled);
  EXPECT_EQ(parent, windowless.parent_window);
  EXPECT_EQ(static_cast<DWORD>(0), windowless.style);

  // A copy owns its own window name.
  CefWindowInfo copy(popup);
  EXPECT_NE(popup.window_name.str, copy.window_name.str);
  EXPECT_EQ(L"弹出", CefString(&copy.window_name).ToWString());
}
#endif

TEST(CefApiHeaders, ColourMacrosPackArgb) {
  EXPECT_EQ(0xFFEEEEEEu, CefColorSetARGB(0xFF, 0xEE, 0xEE, 0xEE));
  cef_color_t c = CefColorSetARGB(0x80, 0x12, 0x34, 0x56);
  EXPECT_EQ(0x80u, CefColorGetA(c));
  EXPECT_EQ(0x12u, CefColorGetR(c));
  EXPECT_EQ(0x34u, CefColorGetG(c));
  EXPECT_EQ(0x56u, CefColorGetB(c));
}

TEST(CefApiHeaders, RectContainsItsInsideOnly) {
  CefRect r(5, 7, 10, 10);
  EXPECT_TRUE(r.Contains(5, 7));
  EXPECT_TRUE(r.Contains(14, 16));
  EXPECT_FALSE(r.Contains(15, 7));
  EXPECT_FALSE(r.Contains(5, 17));
  EXPECT_FALSE(r.Contains(4, 7));
  EXPECT_TRUE(CefRect(0, 0, 0, 5).IsEmpty());
}

// The handler interfaces keep the engine's defaults: a client that overrides
// nothing hands out no handlers and handles no message.
class BareClient : public CefClient, public CefLifeSpanHandler,
                   public CefRequestHandler, public CefDragHandler {
 public:
  IMPLEMENT_REFCOUNTING(BareClient);
};

TEST(CefApiHeaders, HandlerDefaultsAreTheEnginesDefaults) {
  CefRefPtr<BareClient> client = new BareClient();
  EXPECT_FALSE(client->GetLifeSpanHandler());
  EXPECT_FALSE(client->GetRenderHandler());
  EXPECT_FALSE(client->GetRequestHandler());
  EXPECT_FALSE(client->OnProcessMessageReceived(nullptr, nullptr,
                                                PID_RENDERER, nullptr));

  CefWindowInfo window_info;
  CefRefPtr<CefClient> popup_client;
  CefBrowserSettings settings;
  CefRefPtr<CefDictionaryValue> extra;
  bool no_js = false;
  EXPECT_FALSE(client->OnBeforePopup(nullptr, nullptr, "about:blank", "",
                                     WOD_NEW_POPUP, true, CefPopupFeatures(),
                                     window_info, popup_client, settings,
                                     extra, &no_js));
  EXPECT_FALSE(client->DoClose(nullptr));
  EXPECT_FALSE(client->OnBeforeBrowse(nullptr, nullptr, nullptr, true, false));
  bool disable_default = false;
  EXPECT_FALSE(client->GetResourceRequestHandler(
      nullptr, nullptr, nullptr, true, false, "", disable_default));
  EXPECT_FALSE(client->OnDragEnter(nullptr, nullptr, DRAG_OPERATION_LINK));
}

TEST(CefApiHeaders, PopupFeaturesShowBarsByDefault) {
  CefPopupFeatures features;
  EXPECT_TRUE(features.menuBarVisible);
  EXPECT_TRUE(features.scrollbarsVisible);
  EXPECT_FALSE(features.xSet);
}

}  // namespace
