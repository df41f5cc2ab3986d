// The API objects the back-end makes without an engine running: value
// lists and dictionaries with their plain form for the process channel,
// process messages, command lines, the context menu's model and drag data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "command_line_impl.h"
#include "context_menu_impl.h"
#include "drag_data_impl.h"
#include "include/cef_drag_data.h"
#include "include/cef_command_line.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"
#include "values_impl.h"

using namespace velora_engine;

TEST(Values, ListKeepsKindsAndGrowsWithNulls) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  EXPECT_TRUE(list->SetString(0, "x"));
  EXPECT_TRUE(list->SetInt(1, 5));
  EXPECT_TRUE(list->SetBool(2, true));
  EXPECT_TRUE(list->SetDouble(5, 1.5));  // 3 and 4 become null
  ASSERT_EQ(list->GetSize(), 6u);
  const cef_value_type_t kinds[] = {VTYPE_STRING, VTYPE_INT, VTYPE_BOOL, VTYPE_NULL, VTYPE_NULL, VTYPE_DOUBLE};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(list->GetType(i), kinds[i]) << i;
  EXPECT_EQ(list->GetType(6), VTYPE_INVALID);
  EXPECT_EQ(list->GetString(0).ToString(), "x");
  EXPECT_EQ(list->GetInt(0), 0);          // wrong kind reads as the default
  EXPECT_EQ(list->GetDouble(1), 5.0);     // ints widen to doubles
  EXPECT_FALSE(list->SetNull(1u << 30));  // no gigabyte lists from one index
}

TEST(Values, ContainersAreCopiedInAndSharedOut) {
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetInt(0, 1);
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetList("l", inner);
  inner->SetInt(0, 2);  // the dictionary holds its own copy
  EXPECT_EQ(dict->GetList("l")->GetInt(0), 1);
  dict->GetList("l")->SetInt(0, 3);  // what Get returns is the one held
  EXPECT_EQ(dict->GetList("l")->GetInt(0), 3);

  CefRefPtr<CefListValue> self = CefListValue::Create();
  self->SetInt(0, 7);
  EXPECT_TRUE(self->SetList(1, self));  // into itself: a snapshot, no cycle
  EXPECT_EQ(self->GetList(1)->GetSize(), 1u);
  EXPECT_TRUE(self->Copy()->IsEqual(self));
}

TEST(Values, PlainFormRoundTripsEveryKind) {
  CefRefPtr<CefProcessMessage> msg = CefProcessMessage::Create("openAdUrl");
  CefRefPtr<CefListValue> args = msg->GetArgumentList();
  args->SetString(0, "\xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80");
  args->SetInt(1, -2147483647 - 1);
  args->SetBool(2, false);
  args->SetDouble(3, std::numeric_limits<double>::quiet_NaN());
  args->SetNull(4);
  const unsigned char bytes[] = {0, 1, 2, 255, 254};
  args->SetBinary(5, CefBinaryValue::Create(bytes, sizeof(bytes)));
  CefRefPtr<CefDictionaryValue> d = CefDictionaryValue::Create();
  d->SetString("k", "v");
  args->SetDictionary(6, d);
  args->SetDouble(7, -std::numeric_limits<double>::infinity());

  CefRefPtr<ProcessMessageImpl> back = ProcessMessageFromJson(ProcessMessageToJson(msg));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetName().ToString(), "openAdUrl");
  CefRefPtr<CefListValue> b = back->GetArgumentList();
  ASSERT_EQ(b->GetSize(), 8u);
  EXPECT_EQ(b->GetString(0).ToString(), "\xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80");
  EXPECT_EQ(b->GetInt(1), -2147483647 - 1);
  EXPECT_EQ(b->GetType(2), VTYPE_BOOL);
  EXPECT_TRUE(std::isnan(b->GetDouble(3)));
  EXPECT_EQ(b->GetType(4), VTYPE_NULL);
  ASSERT_EQ(b->GetType(5), VTYPE_BINARY);
  unsigned char out[8] = {};
  EXPECT_EQ(b->GetBinary(5)->GetData(out, sizeof(out), 0), sizeof(bytes));
  EXPECT_EQ(std::memcmp(out, bytes, sizeof(bytes)), 0);
  EXPECT_EQ(b->GetDictionary(6)->GetString("k").ToString(), "v");
  EXPECT_EQ(b->GetDouble(7), -std::numeric_limits<double>::infinity());
}

TEST(Values, BadPlainFormLosesOnlyTheBadEntries) {
  Json::Value j(Json::arrayValue);
  Json::Value good(Json::objectValue);
  good["t"] = "int";
  good["v"] = 4;
  j.append(good);
  Json::Value wrong(Json::objectValue);
  wrong["t"] = "int";
  wrong["v"] = "four";
  j.append(wrong);
  j.append(Json::Value(17));
  CefRefPtr<ListValueImpl> list = ListFromJson(j);
  ASSERT_EQ(list->GetSize(), 3u);
  EXPECT_EQ(list->GetInt(0), 4);
  EXPECT_EQ(list->GetType(1), VTYPE_NULL);
  EXPECT_EQ(list->GetType(2), VTYPE_NULL);
  EXPECT_FALSE(ProcessMessageFromJson(Json::Value(3)));
}

TEST(CommandLine, BothSwitchFormsAreStoredBare) {
  CefRefPtr<CefCommandLine> cl = CefCommandLine::CreateCommandLine();
  cl->InitFromString(L"\"C:\\Game Frame\\Velora.exe\" --type=renderer config:x");
  EXPECT_EQ(cl->GetProgram().ToWString(), L"C:\\Game Frame\\Velora.exe");
  EXPECT_EQ(cl->GetSwitchValue("type").ToString(), "renderer");
  cl->AppendSwitchWithValue("--enable-webgl", "1");
  cl->AppendSwitch("no-proxy-server");
  EXPECT_TRUE(cl->HasSwitch("enable-webgl"));
  EXPECT_TRUE(cl->HasSwitch("--no-proxy-server"));
  CefCommandLine::SwitchMap switches;
  cl->GetSwitches(switches);
  EXPECT_EQ(switches.count("enable-webgl"), 1u);
  EXPECT_EQ(switches.count("--enable-webgl"), 0u);
  CefCommandLine::ArgumentList args;
  cl->GetArguments(args);
  ASSERT_EQ(args.size(), 1u);
  EXPECT_EQ(args[0].ToString(), "config:x");
  EXPECT_EQ(cl->GetCommandLineString().ToWString(),
            L"\"C:\\Game Frame\\Velora.exe\" --type=renderer --enable-webgl=1 --no-proxy-server config:x");

  CefRefPtr<CefCommandLine> copy = cl->Copy();
  copy->AppendSwitch("only-in-copy");
  EXPECT_FALSE(cl->HasSwitch("only-in-copy"));
}

TEST(CommandLine, GlobalOneIsReadOnly) {
  SetGlobalCommandLineText(L"p.exe --lang=zh-CN");
  CefRefPtr<CefCommandLine> g = CefCommandLine::GetGlobalCommandLine();
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->IsReadOnly());
  g->AppendSwitch("x");
  EXPECT_FALSE(g->HasSwitch("x"));
  EXPECT_EQ(g->GetSwitchValue("lang").ToString(), "zh-CN");
}

#ifdef _WIN32
#include <atomic>
#include <chrono>
#include <thread>

#include "engine_threads_win.h"
#include "include/base/cef_callback.h"
#include "include/wrapper/cef_closure_task.h"
#include "include/wrapper/cef_helpers.h"

namespace {

class Recorder : public CefBaseRefCounted {
 public:
  void Add(int v) {
    CEF_REQUIRE_UI_THREAD();
    std::lock_guard<std::mutex> g(lock_);
    values_.push_back(v);
  }
  std::vector<int> values() {
    std::lock_guard<std::mutex> g(lock_);
    return values_;
  }

 private:
  std::mutex lock_;
  std::vector<int> values_;
  IMPLEMENT_REFCOUNTING(Recorder);
};

}  // namespace

TEST(EngineThreads, ClosureTasksFromAnyThreadRunInOrderOnTheUiThread) {
  TaskRunner ui("ui");
  ui.Start();
  RegisterEngineThread(TID_UI, &ui);
  EXPECT_FALSE(CefCurrentlyOn(TID_UI));
  EXPECT_FALSE(CefPostTask(TID_RENDERER, base::BindOnce([] {})));  // no such thread here

  CefRefPtr<Recorder> rec = new Recorder();
  std::thread other([&] {
    for (int i = 0; i < 500; ++i) CefPostTask(TID_UI, base::BindOnce(&Recorder::Add, rec, i));
  });
  other.join();
  std::atomic<bool> on_ui{false};
  CefPostDelayedTask(TID_UI, base::BindOnce([](std::atomic<bool>* f) { *f = CefCurrentlyOn(TID_UI); }, &on_ui), 20);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((rec->values().size() < 500 || !on_ui) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto values = rec->values();
  ASSERT_EQ(values.size(), 500u);
  for (int i = 0; i < 500; ++i) ASSERT_EQ(values[i], i);
  EXPECT_TRUE(on_ui);
  ui.Stop();
  RegisterEngineThread(TID_UI, nullptr);
  EXPECT_FALSE(CefPostTask(TID_UI, base::BindOnce([] {})));
}
#endif

TEST(MenuModel, ClientsEditTheModelByIdAndByIndex) {
  CefRefPtr<MenuModelImpl> m = new MenuModelImpl();
  EXPECT_TRUE(m->AddItem(MENU_ID_BACK, "&Back"));
  EXPECT_TRUE(m->AddSeparator());
  EXPECT_TRUE(m->AddItem(MENU_ID_PRINT, "&Print"));
  EXPECT_TRUE(m->InsertItemAt(1, MENU_ID_RELOAD, "Reload"));
  EXPECT_FALSE(m->InsertItemAt(9, MENU_ID_COPY, "past the end"));
  EXPECT_FALSE(m->InsertSeparatorAt(-1));
  ASSERT_EQ(m->GetCount(), 4);
  const int ids[] = {MENU_ID_BACK, MENU_ID_RELOAD, -1, MENU_ID_PRINT};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m->GetCommandIdAt(i), ids[i]) << i;
  EXPECT_EQ(m->GetTypeAt(2), MENUITEMTYPE_SEPARATOR);
  EXPECT_EQ(m->GetIndexOf(-1), -1);  // a separator is no command
  EXPECT_EQ(m->GetIndexOf(MENU_ID_PRINT), 3);
  EXPECT_TRUE(m->SetLabel(MENU_ID_PRINT, "\xe6\x89\x93\xe5\x8d\xb0"));
  EXPECT_EQ(m->GetLabelAt(3).ToWString(), L"\u6253\u5370");
  EXPECT_TRUE(m->SetEnabled(MENU_ID_BACK, false));
  EXPECT_FALSE(m->IsEnabledAt(0));
  EXPECT_TRUE(m->SetVisibleAt(1, false));
  EXPECT_FALSE(m->IsVisible(MENU_ID_RELOAD));
  EXPECT_FALSE(m->SetCommandIdAt(2, 5));  // separators keep no id
  EXPECT_TRUE(m->Remove(MENU_ID_RELOAD));
  EXPECT_FALSE(m->Remove(MENU_ID_RELOAD));
  EXPECT_FALSE(m->RemoveAt(3));
  EXPECT_EQ(m->GetCount(), 3);
  EXPECT_EQ(m->GetType(12345), MENUITEMTYPE_NONE);
  EXPECT_EQ(m->GetLabel(12345).ToString(), "");
  EXPECT_TRUE(m->Clear());
  EXPECT_EQ(m->GetCount(), 0);
  EXPECT_EQ(m->GetCommandIdAt(0), -1);
}

TEST(DragData, FilledByItsSettersUntilHandedOverReadOnly) {
  CefRefPtr<CefDragData> d = CefDragData::Create();
  ASSERT_TRUE(d);
  EXPECT_FALSE(d->IsFile());
  EXPECT_FALSE(d->IsFragment());
  d->SetFragmentText("words");
  EXPECT_TRUE(d->IsFragment());
  d->AddFile("Z:\\tmp\\a.txt", "a.txt");
  d->AddFile("", "no path");  // nothing to drop
  EXPECT_TRUE(d->IsFile());
  EXPECT_FALSE(d->IsFragment());
  std::vector<CefString> names;
  EXPECT_TRUE(d->GetFileNames(names));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].ToString(), "a.txt");
  d->SetLinkURL("http://x/");
  EXPECT_TRUE(d->IsLink());

  CefRefPtr<CefDragData> copy = d->Clone();
  static_cast<DragDataImpl*>(d.get())->SetReadOnly();
  EXPECT_TRUE(d->IsReadOnly());
  d->SetLinkURL("http://changed/");
  d->AddFile("Z:\\b.txt", "b.txt");
  EXPECT_EQ(d->GetLinkURL().ToString(), "http://x/");
  names.clear();
  d->GetFileNames(names);
  EXPECT_EQ(names.size(), 1u);
  // A clone is the client's to change.
  EXPECT_FALSE(copy->IsReadOnly());
  copy->SetLinkURL("http://other/");
  EXPECT_EQ(copy->GetLinkURL().ToString(), "http://other/");
  EXPECT_EQ(copy->GetFragmentText().ToString(), "words");
}
