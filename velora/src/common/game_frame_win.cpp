#include "common/game_frame_win.h"

#include "cef3/control/cef_common.h"
#include "common/cafe_client_win.h"
#include "common/dlg_close_win.h"
#include "common/game_browser_win.h"
#include "common/msg_box_win.h"
#include "frame_log.h"
#include "win_include.h"

#include <oleauto.h>
#include <shellapi.h>

#include <memory>

namespace {

const wchar_t kOriginKey[] = L"Software\\Pavlix8\\GameClickOrigin";

// Takes the text a sender put in wParam as a BSTR and frees it; "" for none.
std::wstring TakeBstr(WPARAM wParam) {
  BSTR text = reinterpret_cast<BSTR>(wParam);
  if (!text) return std::wstring();
  std::wstring copy(text, SysStringLen(text));
  SysFreeString(text);
  return copy;
}

// Link buttons open their target maximised; the shell's answer is ignored.
void OpenLinkTarget(const std::wstring& target) {
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

bool Is(DuiLib::CControlUI* sender, DuiLib::CControlUI* control) { return control && sender == control; }

// A LAUNCHER value: at most 259 characters, "" when missing.
std::wstring ReadLauncherValue(const std::wstring& path, const wchar_t* key) {
  wchar_t buffer[260] = {};
  GetPrivateProfileStringW(L"LAUNCHER", key, L"", buffer, 260, path.c_str());
  buffer[259] = L'\0';
  return buffer;
}

// Owner of an open registry key.
class ScopedKey {
 public:
  ScopedKey(HKEY root, REGSAM access) {
    if (RegOpenKeyExW(root, kOriginKey, 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~ScopedKey() {
    if (key_) RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The value under one root, or false. A text of more than 129 characters
// does not fit the 260 bytes and counts as absent.
bool ReadOrigin(HKEY root, const std::wstring& pkgid, std::wstring* origin) {
  ScopedKey key(root, KEY_READ);
  if (!key.get()) return false;
  wchar_t data[130] = {};
  DWORD size = 260;
  if (RegQueryValueExW(key.get(), pkgid.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS)
    return false;
  *origin = OriginFromValue(data, size < 260 ? size : 260);
  return true;
}

}  // namespace

CMainWnd::~CMainWnd() { LogAt(__FILE__, __LINE__, "CMainWnd::~CMainWnd")(kLogDebug, L"~CMainWnd()"); }

void CMainWnd::LoadLaunchSettings(const std::wstring& path) {
  LogAt(__FILE__, __LINE__, "CMainWnd::LoadLaunchSettings")(kLogDebug, L"CMainWnd::LoadLaunchSettings path=%ls",
                                                             path.c_str());
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FindClose(search);
  settings_.guanWang = ReadLauncherValue(path, L"GuanWang");
  settings_.lunTan = ReadLauncherValue(path, L"LunTan");
  settings_.chongzhi = ReadLauncherValue(path, L"Chongzhi");
  settings_.keFu = ReadLauncherValue(path, L"KeFu");
  settings_.byPhone = ReadLauncherValue(path, L"ByPhone");
  settings_.iconPath = IconPathFor(path, ReadLauncherValue(path, L"IconUrl"));
  // The browser controls' process-wide copy, read when a popup gets its icon.
  CCefCommonUI::SetPopupIconPath(settings_.iconPath);
  LogAt(__FILE__, __LINE__, "CMainWnd::LoadLaunchSettings")(
      kLogDebug, L"CMainWnd::LoadLaunchSettings GuanWang=%ls LunTan=%ls Chongzhi=%ls KeFu=%ls ByPhone=%ls icon=%ls",
      settings_.guanWang.c_str(), settings_.lunTan.c_str(), settings_.chongzhi.c_str(), settings_.keFu.c_str(),
      settings_.byPhone.c_str(), settings_.iconPath.c_str());
}

std::wstring CMainWnd::DefaultAttribute(const wchar_t* name) {
  const wchar_t* value = m_PaintManager.GetDefaultAttributeList(name);
  return value ? value : L"";
}

std::wstring CMainWnd::TakeChannelOrigin(const std::wstring& pkgid) {
  std::wstring origin;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (!ReadOrigin(root, pkgid, &origin)) continue;
    // Read once: the next start of the same game gets no origin.
    ScopedKey key(root, KEY_WRITE);
    if (key.get()) RegDeleteValueW(key.get(), pkgid.c_str());
    LogAt(__FILE__, __LINE__, "CMainWnd::CreateControl")(kLogTrace, L"注册表删除项=%ls", pkgid.c_str());
    return origin;
  }
  LogAt(__FILE__, __LINE__, "CMainWnd::CreateControl")(kLogTrace, L"获取来源失败，pkgid=%ls", pkgid.c_str());
  return std::wstring();
}


DuiLib::CDuiString CMainWnd::GetSkinFile() {
  std::vector<SkinConfigItem> items;
  DuiLib::CMarkup config;
  const DuiLib::CDuiString path = DuiLib::CPaintManagerUI::GetResourcePath() + L"config.xml";
  const bool loaded = config.LoadFromFile(path.GetData()) && config.IsValid() && config.GetRoot().IsValid();
  if (loaded) {
    for (DuiLib::CMarkupNode node = config.GetRoot().GetChild(); node.IsValid(); node = node.GetSibling()) {
      SkinConfigItem item;
      item.hasName = node.HasAttribute(L"name");
      item.name = node.GetAttributeValue(L"name").GetData();
      item.value = node.GetAttributeValue(L"value").GetData();
      items.push_back(item);
    }
  }
  const SkinChoice choice = ChooseSkin(loaded, items);
  if (choice.vertical) vertical_ = true;
  LogAt(__FILE__, __LINE__, "CMainWnd::GetSkinFile")(kLogDebug, L"CMainWnd::GetSkinFile skin=%ls", choice.file);
  return DuiLib::CDuiString(choice.file);
}

SkinText CMainWnd::SkinAttribute(const wchar_t* name) {
  SkinText text;
  const wchar_t* value = m_PaintManager.GetDefaultAttributeList(name);
  text.defined = value != nullptr;
  if (value) text.value = value;
  return text;
}

void CMainWnd::InitWindow() {
  SetIcon(102);
  const SkinText title = SkinAttribute(L"game_name");
  if (title.defined) ::SetWindowTextW(m_hWnd, title.value.c_str());
  const std::wstring titleText = title.defined ? title.value : std::wstring(L"游戏微端");
  LogAt(__FILE__, __LINE__, "CMainWnd::InitWindow")(kLogDebug, L"CMainWnd::InitWindow()");

  closebtn_ = m_PaintManager.FindControl(L"closebtn");
  minbtn_ = m_PaintManager.FindControl(L"minbtn");
  maxbtn_ = m_PaintManager.FindControl(L"maxbtn");
  restorebtn_ = m_PaintManager.FindControl(L"restorebtn");

  if (vertical_) {
    if (DuiLib::CControlUI* label = m_PaintManager.FindControl(L"game_name")) label->SetText(titleText.c_str());
    btn_extend_ = m_PaintManager.FindControl(L"btn_extend");
    btn_retract_ = m_PaintManager.FindControl(L"btn_retract");
    btn_rotate_ = m_PaintManager.FindControl(L"btn_rotate");
    btn_tophone_ = m_PaintManager.FindControl(L"btn_tophone");
    btn_gongzhonghao_ = m_PaintManager.FindControl(L"btn_gongzhonghao");
    btn_qqgroup_ = m_PaintManager.FindControl(L"btn_qqgroup");
    btn_huodong_ = m_PaintManager.FindControl(L"btn_huodong");
  } else {
    btn_byphone_ = m_PaintManager.FindControl(L"btn_byphone");
    btn_guanwang_ = m_PaintManager.FindControl(L"btn_guanwang");
    btn_kefu_ = m_PaintManager.FindControl(L"btn_kefu");
    btn_luntan_ = m_PaintManager.FindControl(L"btn_luntan");
    btn_chongzhi_ = m_PaintManager.FindControl(L"btn_chongzhi");
    size_seat_ = m_PaintManager.FindControl(L"size_seat");
    const struct {
      DuiLib::CControlUI* button;
      const wchar_t* attribute;
      const std::wstring& setting;
    } links[] = {
        {btn_chongzhi_, L"button_chongzhi", settings_.chongzhi}, {btn_luntan_, L"button_luntan", settings_.lunTan},
        {btn_guanwang_, L"button_guanwang", settings_.guanWang}, {btn_kefu_, L"button_kefu", settings_.keFu},
        {btn_byphone_, L"button_byphone", settings_.byPhone},
    };
    int hidden = 0;
    for (const auto& link : links) {
      if (!LinkButtonHidden(DefaultAttribute(link.attribute), link.setting)) continue;
      if (link.button) link.button->SetVisible(false);
      ++hidden;
    }
    if (size_seat_) {
      size_seat_->SetAttribute(L"width", std::to_wstring(SeatWidth(hidden)).c_str());
      size_seat_->Invalidate();
    }
  }

  page_close_code_ = DefaultAttribute(L"closewnd_code") == L"true";
  LogAt(__FILE__, __LINE__, "CMainWnd::InitWindow")(kLogDebug, L"CMainWnd::InitWindow() out");
}

DuiLib::CControlUI* CMainWnd::CreateControl(LPCTSTR pstrClass) {
  if (!pstrClass || _wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
  const std::wstring origin = TakeChannelOrigin(DefaultAttribute(L"pkgid"));
  const std::wstring url = GameAddress(DefaultAttribute(L"home_page"), launch_argument_, origin);
  LogAt(__FILE__, __LINE__, "CMainWnd::CreateControl")(kLogDebug, L"[CMainWnd::CreateControl]. url=%ls", url.c_str());
  return CreateBrowserControl(&m_PaintManager, url);
}

LRESULT CMainWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    // System menu, Alt+F4, the task bar and the page's "close": no close
    // flow, the loop ends and the process shuts down.
    PostQuitMessage(0);
    bHandled = TRUE;
    return 0;
  }
  const BOOL zoomed = ::IsZoomed(m_hWnd);
  const LRESULT result = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  bHandled = TRUE;
  if (::IsWindow(m_hWnd) && ::IsZoomed(m_hWnd) != zoomed) {
    const bool nowZoomed = ::IsZoomed(m_hWnd) != FALSE;
    if (DuiLib::CControlUI* max = m_PaintManager.FindControl(L"maxbtn")) max->SetVisible(!nowZoomed);
    if (DuiLib::CControlUI* restore = m_PaintManager.FindControl(L"restorebtn")) restore->SetVisible(nowZoomed);
  }
  return result;
}

LRESULT CMainWnd::OnClose(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  // Only the frame's own close paths (wParam 1) destroy the window.
  if (wParam != 1) {
    LogAt(__FILE__, __LINE__, "CMainWnd::OnClose")(kLogDebug, L"CMainWnd::OnClose %d", static_cast<int>(wParam));
    bHandled = TRUE;
    return 0;
  }
  bHandled = FALSE;
  return 0;
}

LRESULT CMainWnd::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  LogAt(__FILE__, __LINE__, "CMainWnd::OnDestroy")(kLogDebug, L"CMainWnd::OnDestroy");
  bHandled = FALSE;
  return 0;
}

void CMainWnd::OnFinalMessage(HWND hWnd) {
  LogAt(__FILE__, __LINE__, "CMainWnd::OnFinalMessage")(kLogDebug, L"CMainWnd::OnFinalMessage()");
  WindowImplBase::OnFinalMessage(hWnd);
  delete this;
  PostQuitMessage(0);
  LogAt(__FILE__, __LINE__, "CMainWnd::OnFinalMessage")(kLogDebug, L"CMainWnd::OnFinalMessage() out");
}

void CMainWnd::OnCloseMainWnd() {
  LogAt(__FILE__, __LINE__, "CMainWnd::OnCloseMainWnd")(kLogInfo, L"CMainWnd::OnCloseMainWnd enter");
  ::PostMessageW(m_hWnd, WM_CLOSE, 1, 0);
}

void CMainWnd::RunGameScript(const wchar_t* script) {
  LogAt(__FILE__, __LINE__, "CMainWnd::RunGameScript")(kLogDebug, L"CMainWnd::RunGameScript %ls", script);
  ExecuteScriptIn(m_PaintManager.FindControl(L"Cef_game"), script);
}

void CMainWnd::RunCloseFlow() {
  switch (NextCloseStep(page_close_code_, &close_asked_)) {
    case CloseStep::kAskPage:
      RunGameScript(L"vc2web_toClose()");
      return;
    case CloseStep::kCloseNow:
      break;
    case CloseStep::kRunCafeTest:
      if (AfterCafeTest(RunCafeTest()) == CafeFollowUp::kAskPageForCloseUrl) {
        RunGameScript(L"getCloseUrl()");
        return;
      }
      if (!BoxAccepted(ShowMsgBox(m_hWnd, L"closeWnd.xml"))) return;
      break;
  }
  ::PostMessageW(m_hWnd, WM_CLOSE, 1, 0);
}

std::wstring CMainWnd::CurrentPhoneTarget() { return PhoneTarget(DefaultAttribute(L"button_byphone"), settings_.byPhone); }

void CMainWnd::ResizeBy(WindowSize (*rule)(WindowSize, bool), bool extend) {
  RECT rc;
  ::GetWindowRect(m_hWnd, &rc);
  const WindowSize size = rule({rc.right - rc.left, rc.bottom - rc.top}, extend);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
}

void CMainWnd::Rotate() {
  RECT rc;
  ::GetWindowRect(m_hWnd, &rc);
  const WindowSize size = RotatedSize({rc.right - rc.left, rc.bottom - rc.top});
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
  CenterWindow();
}

void CMainWnd::OnClick(DuiLib::TNotifyUI& msg) {
  DuiLib::CControlUI* sender = msg.pSender;
  const BuiltInPages& pages = DefaultBuiltInPages();
  auto setVisible = [](DuiLib::CControlUI* control, bool visible) {
    if (control) control->SetVisible(visible);
  };
  if (Is(sender, closebtn_)) {
    RunCloseFlow();
  } else if (Is(sender, minbtn_)) {
    SendMessageW(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (Is(sender, maxbtn_)) {
    setVisible(maxbtn_, false);
    setVisible(restorebtn_, true);
    SendMessageW(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (Is(sender, restorebtn_)) {
    setVisible(maxbtn_, true);
    setVisible(restorebtn_, false);
    SendMessageW(WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (Is(sender, btn_guanwang_)) {
    OpenLinkTarget(LinkTarget(settings_.guanWang, SkinAttribute(L"button_guanwang"), pages.officialSite));
  } else if (Is(sender, btn_luntan_)) {
    OpenLinkTarget(LinkTarget(settings_.lunTan, SkinAttribute(L"button_luntan"), pages.officialSite));
  } else if (Is(sender, btn_chongzhi_)) {
    OpenLinkTarget(LinkTarget(settings_.chongzhi, SkinAttribute(L"button_chongzhi"), pages.officialSite));
  } else if (Is(sender, btn_kefu_)) {
    OpenLinkTarget(LinkTarget(settings_.keFu, SkinAttribute(L"button_kefu"), pages.serviceFaq));
  } else if (Is(sender, btn_byphone_)) {
    const std::wstring target = CurrentPhoneTarget();
    if (!IsQrCodeTarget(target)) OpenLinkTarget(target);
  } else if (Is(sender, btn_extend_)) {
    setVisible(btn_extend_, false);
    setVisible(btn_retract_, true);
    setVisible(m_PaintManager.FindControl(L"tool_view"), true);
    ResizeBy(&ExtendedSize, true);
  } else if (Is(sender, btn_retract_)) {
    setVisible(btn_extend_, true);
    setVisible(btn_retract_, false);
    setVisible(m_PaintManager.FindControl(L"tool_view"), false);
    ResizeBy(&ExtendedSize, false);
  } else if (Is(sender, btn_rotate_)) {
    Rotate();
  } else if (Is(sender, btn_tophone_)) {
    ShowMsgBox(m_hWnd, L"InstallToPhone.xml");
  } else if (Is(sender, btn_gongzhonghao_)) {
    ShowMsgBox(m_hWnd, L"GongZhongHao.xml");
  } else if (Is(sender, btn_qqgroup_)) {
    OpenLinkTarget(LinkTarget(L"", SkinAttribute(L"button_qqgroup"), pages.chatGroup));
  } else if (Is(sender, btn_huodong_)) {
    OpenLinkTarget(LinkTarget(L"", SkinAttribute(L"button_huodong"), pages.events));
  } else {
    LogAt(__FILE__, __LINE__, "CMainWnd::OnClick")(kLogDebug, L"CMainWnd::OnClick sender.name=%ls wParam=%u lParam=%u",
                                                   sender ? sender->GetName().GetData() : L"",
                                                   static_cast<unsigned>(msg.wParam), static_cast<unsigned>(msg.lParam));
  }
}

LRESULT CMainWnd::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (wParam == VK_RETURN) {
    LogAt(__FILE__, __LINE__, "CMainWnd::OnChar")(kLogDebug, L"CMainWnd::OnChar VK_RETURN");
    bHandled = TRUE;
    return 0;
  }
  bHandled = FALSE;
  return 0;
}

void CMainWnd::ShowOrHideQrFrame(LPARAM lParam) {
  if (!IsQrCodeTarget(CurrentPhoneTarget())) return;
  const POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  DuiLib::CControlUI* under = m_PaintManager.FindControl(pt);
  if (under && under == btn_byphone_) {
    if (!qr_frame_) {
      qr_frame_ = new QrFrame();
      qr_frame_->Create(m_hWnd, L"qrframe", 0x96C80000, 0);
    }
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const RECT& button = btn_byphone_->GetPos();
    const ScreenPoint at = QrFramePosition(window.left, window.top, button.left, button.bottom);
    ::SetWindowPos(*qr_frame_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    qr_frame_->ShowWindow(true, true);
  } else if (qr_frame_) {
    qr_frame_->ShowWindow(false, false);
  }
}

LRESULT CMainWnd::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
  ShowOrHideQrFrame(lParam);
  bHandled = FALSE;
  return 0;
}

void CMainWnd::ShowCloseDialog(const std::wstring& address) {
  close_address_ = address;
  if (!MayOpenCloseDialog(open_close_dialogs_)) {
    LogAt(__FILE__, __LINE__, "CMainWnd::ShowCloseDialog")(kLogDebug, L"CMainWnd::ShowCloseDialog %d open, url=%ls",
                                                         open_close_dialogs_, address.c_str());
    return;
  }
  CCloseDlg* dialog = new CCloseDlg(this);
  if (!dialog->Create(m_hWnd, L"关闭窗口", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 275, 320)) {
    delete dialog;
    return;
  }
  dialog->CenterWindow();
  // The dialog deletes itself once its window is gone. The main window
  // object outlives this call: its own deletion waits until its handlers
  // have returned.
  ++open_close_dialogs_;
  dialog->ShowModal();
  --open_close_dialogs_;
}

void CMainWnd::ShowGameView() {
  CGameViewDlg* dialog = new CGameViewDlg(this);
  if (!dialog->Create(m_hWnd, L"关闭窗口", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 0, 0, 730, 1200)) {
    delete dialog;
    return;
  }
  dialog->CenterWindow();
  dialog->ShowModal();
}

void CMainWnd::ShowAdvert(const std::wstring& address) {
  HWND boxOwner = m_hWnd;
  if (!address.empty()) {
    // Lives until the process ends (its own closebtn only hides it away).
    LobbyWnd* advert = new LobbyWnd();
    advert->Show(m_hWnd, address);
    if (::IsWindow(advert->BrowserWindow())) boxOwner = advert->BrowserWindow();
  }
  if (BoxAccepted(ShowMsgBox(boxOwner, L"closeWnd.xml"))) ::PostMessageW(m_hWnd, WM_CLOSE, 1, 0);
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  switch (uMsg) {
    case kMenuClickMessage: {
      if (!wParam) return 0;
      const wchar_t* record = reinterpret_cast<const wchar_t*>(wParam);
      const std::wstring name(record, wcsnlen(record, 256));
      DuiLib::CPaintManagerUI::DeletePtr(reinterpret_cast<void*>(wParam));
      if (const wchar_t* line = MenuClickLogLine(name))
        LogAt(__FILE__, __LINE__, "CMainWnd::HandleCustomMessage")(kLogDebug, L"%ls", line);
      bHandled = TRUE;
      return 0;
    }
    case kOpenAdUrlMessage:
      ShowAdvert(TakeBstr(wParam));
      return 0;
    case kPopupUrlMessage:
      TakeBstr(wParam);
      return 0;
    case kGameViewMessage:
      TakeBstr(wParam);
      ShowGameView();
      return 0;
    case kShowUrlMessage:
      ShowCloseDialog(TakeBstr(wParam));
      return 0;
    case kCloseMainMessage:
      OnCloseMainWnd();
      return 0;
    case WM_NCLBUTTONDBLCLK:
      // A caption double click neither maximises nor restores.
      bHandled = TRUE;
      return 0;
    default:
      return 0;
  }
}

void CMainWnd::OpenNewPopupWnd(const std::wstring& url, int handledElsewhere) {
  LogAt(__FILE__, __LINE__, "CMainWnd::OpenNewPopupWnd")(kLogDebug, L"Open WebGame page URL=%ls", url.c_str());
  if (handledElsewhere) return;
  const INT_PTR result =
      reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return;
  LogAt(__FILE__, __LINE__, "CMainWnd::OpenNewPopupWnd")(kLogTrace, L"默认浏览打开失败，使用IE打开");
  ShellExecuteW(nullptr, L"open", L"iexplore.exe", url.c_str(), nullptr, SW_SHOWNORMAL);
}

void CMainWnd::HandleJSCall(const std::wstring& name, CefRefPtr<CefListValue> args, int) {
  const int argumentCount = args ? static_cast<int>(args->GetSize()) : 0;
  LogAt(__FILE__, __LINE__, "CMainWnd::HandleJSCall")(kLogDebug, L"CMainWnd::HandleJSCall %ls args=%d", name.c_str(),
                                                      argumentCount);
}
