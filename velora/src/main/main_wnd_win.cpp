#include "main/main_wnd_win.h"

#include "frame_log.h"
#include "win_include.h"

std::wstring g_popupIconPath;

namespace {

const wchar_t kOriginKey[] = L"Software\\Pavlix8\\GameClickOrigin";

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
  g_popupIconPath = settings_.iconPath;
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

DuiLib::CControlUI* CMainWnd::CreateControl(LPCTSTR pstrClass) {
  if (!pstrClass || _wcsicmp(pstrClass, L"Cef") != 0) return nullptr;
  const std::wstring origin = TakeChannelOrigin(DefaultAttribute(L"pkgid"));
  const std::wstring url = GameAddress(DefaultAttribute(L"home_page"), launch_argument_, origin);
  LogAt(__FILE__, __LINE__, "CMainWnd::CreateControl")(kLogDebug, L"[CMainWnd::CreateControl]. url=%ls", url.c_str());
  // The game browser control joins here once it exists; until then the
  // skin's "Cef" element is left out.
  return nullptr;
}

LRESULT CMainWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    PostQuitMessage(0);
    bHandled = TRUE;
    return 0;
  }
  return WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
}

void CMainWnd::OnFinalMessage(HWND hWnd) {
  LogAt(__FILE__, __LINE__, "CMainWnd::OnFinalMessage")(kLogDebug, L"CMainWnd::OnFinalMessage()");
  WindowImplBase::OnFinalMessage(hWnd);
  delete this;
  PostQuitMessage(0);
  LogAt(__FILE__, __LINE__, "CMainWnd::OnFinalMessage")(kLogDebug, L"CMainWnd::OnFinalMessage() out");
}
