// CPaintManagerUI: one per skinned window. It owns the window's control
// tree, lays it out, paints it double-buffered, turns window messages into
// control events (hover, leave, press, click, wheel, keys, focus), keeps the
// name index, the skin's default attributes, fonts and images, and sends
// notifications to the window. Static members hold what is process-wide:
// the program instance, the resource (skin) folder and the managers that
// see messages before dispatch (TranslateMessage).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UIAttr.h"
#include "UIControl.h"
#include "UIDefine.h"
#include "UIRender.h"

namespace DuiLib {

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // Process set-up.
  static void SetInstance(HINSTANCE hInst);
  static HINSTANCE GetInstance();
  // The program's folder with a trailing backslash.
  static CDuiString GetInstancePath();
  // Skin files named by windows are looked up here; a trailing backslash
  // is added when missing.
  static void SetResourcePath(LPCTSTR pStrPath);
  static CDuiString GetResourcePath();
  // Offers a message taken from the queue to the managers' pre-message
  // filters of its window and that window's ancestors. True when a filter
  // consumed it (the caller then neither translates nor dispatches it).
  static bool TranslateMessage(const LPMSG pMsg);
  // Frees a block that another component allocated with ::operator new
  // (for example a record passed in a window message).
  static void DeletePtr(void* ptr);
  static void StartGdiplus();
  // Ends GDI+ at process exit, after the last window is gone.
  static void Term();

  // Window.
  void Init(HWND hWnd);
  HWND GetPaintWindow() const { return m_hWndPaint; }
  POINT GetMousePos() const { return m_ptLastMousePos; }
  SIZE GetClientSize() const;
  // Sizes from the skin's <Window>.
  SIZE GetInitSize() const { return m_szInitWindowSize; }
  void SetInitSize(int cx, int cy);
  SIZE GetMinInfo() const { return m_szMinWindow; }
  void SetMinInfo(int cx, int cy);
  SIZE GetMaxInfo() const { return m_szMaxWindow; }
  void SetMaxInfo(int cx, int cy);
  RECT GetCaptionRect() const { return m_rcCaption; }
  void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }
  RECT GetSizeBox() const { return m_rcSizeBox; }
  void SetSizeBox(const RECT& rc) { m_rcSizeBox = rc; }

  // Control tree. AttachDialog takes ownership of the root, initialises
  // every control (DoInit) and indexes the names.
  bool AttachDialog(CControlUI* pControl);
  CControlUI* GetRoot() const { return m_pRoot; }
  // Called by a control joining the tree later (container Add).
  bool InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
  // Forgets every pointer to a control that is being destroyed.
  void ReapObjects(CControlUI* pControl);
  // Name index upkeep (CControlUI::SetName).
  void RegisterName(CControlUI* pControl);
  void UnregisterName(CControlUI* pControl, const CDuiString& name);
  // First control registered under the name, or null.
  CControlUI* FindControl(LPCTSTR pstrName) const;
  // Topmost visible, enabled control at a client point, or null.
  CControlUI* FindControl(POINT pt) const;
  CControlUI* GetFocus() const { return m_pFocus; }
  void SetFocus(CControlUI* pControl);
  CControlUI* GetHotControl() const { return m_pEventHover; }

  // Relayout and repaint.
  void NeedUpdate();
  void Invalidate(const RECT& rcItem);
  // Lays the tree out now if something asked for it.
  void UpdateLayout();

  // Default attributes of the skin, by name (case-sensitive). Null when the
  // skin defines none; a definition with an empty value gives "".
  void AddDefaultAttributeList(LPCTSTR pStrControlName, LPCTSTR pStrControlAttrList);
  LPCTSTR GetDefaultAttributeList(LPCTSTR pStrControlName) const;
  bool RemoveDefaultAttributeList(LPCTSTR pStrControlName);
  // The defaults whose name equals a control class, ignoring case.
  LPCTSTR GetClassDefaults(LPCTSTR pstrClass) const;

  // Fonts: id from the skin, -1 for the default font.
  HFONT AddFont(int id, LPCTSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic, bool bDefault);
  HFONT GetFont(int id) const;
  // The face actually used for a requested one: the request when the
  // system has it, else the first installed face able to show Chinese.
  static CDuiString ResolveFontFace(LPCTSTR pStrFontName);

  // Images: decoded on first use, relative names taken from the resource
  // path; failures are remembered (one log line per file).
  const TImageInfo* GetImage(LPCTSTR bitmap);
  DWORD GetDefaultTextColor() const { return m_dwDefaultTextColor; }
  void SetDefaultTextColor(DWORD color) { m_dwDefaultTextColor = color; }
  DWORD GetDefaultDisabledColor() const { return m_dwDefaultDisabledColor; }
  DWORD GetWindowBkColor() const { return m_dwWindowBkColor; }
  void SetWindowBkColor(DWORD color) { m_dwWindowBkColor = color; }

  // Notifications and filters.
  bool AddNotifier(INotifyUI* pControl);
  bool RemoveNotifier(INotifyUI* pControl);
  void SendNotify(TNotifyUI& Msg);
  void SendNotify(CControlUI* pControl, LPCTSTR pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0);
  // Message filters: run by FilterMessage, before the window's handlers.
  bool AddMessageFilter(IMessageFilterUI* pFilter);
  bool RemoveMessageFilter(IMessageFilterUI* pFilter);
  // Pre-message filters: run by TranslateMessage, before dispatch.
  bool AddPreMessageFilter(IMessageFilterUI* pFilter);
  bool RemovePreMessageFilter(IMessageFilterUI* pFilter);

  // Runs the message filters in order; true when one handled the message.
  bool FilterMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
  // The manager's own handling (paint, size, mouse, keys); true when the
  // message needs no further handling.
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
  bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

  // Paints the whole tree into a device context of the client's size
  // (used for WM_PRINTCLIENT and screenshots).
  void PaintTo(HDC hDC);

 private:
  void SendEvent(CControlUI* pControl, int type, POINT pt, WPARAM wParam, LPARAM lParam);
  void Paint();

  HWND m_hWndPaint = nullptr;
  CControlUI* m_pRoot = nullptr;
  CControlUI* m_pFocus = nullptr;
  CControlUI* m_pEventHover = nullptr;
  CControlUI* m_pEventClick = nullptr;
  bool m_bMouseTracking = false;
  bool m_bUpdateNeeded = false;
  bool m_bInPaint = false;
  POINT m_ptLastMousePos{-1, -1};
  SIZE m_szInitWindowSize{0, 0}, m_szMinWindow{0, 0}, m_szMaxWindow{0, 0};
  RECT m_rcCaption{0, 0, 0, 0}, m_rcSizeBox{0, 0, 0, 0};
  DWORD m_dwDefaultTextColor = 0xFF000000, m_dwDefaultDisabledColor = 0xFFA7A6AA, m_dwWindowBkColor = 0xFFFFFFFF;

  // Off-screen buffer of the client's size, kept between paints.
  HDC m_hDcOffscreen = nullptr;
  HBITMAP m_hbmpOffscreen = nullptr, m_hbmpOffscreenOld = nullptr;
  SIZE m_szOffscreen{0, 0};

  std::multimap<std::wstring, CControlUI*> m_mNameHash;
  std::map<std::wstring, std::wstring> m_mDefaultAttrHash;
  std::map<int, HFONT> m_mFonts;
  HFONT m_hDefaultFont = nullptr;
  bool m_bOwnDefaultFont = false;
  std::map<std::wstring, std::shared_ptr<TImageInfo>> m_mImageHash;
  std::vector<INotifyUI*> m_aNotifiers;
  std::vector<IMessageFilterUI*> m_aMessageFilters;
  std::vector<IMessageFilterUI*> m_aPreMessageFilters;
};

}  // namespace DuiLib
