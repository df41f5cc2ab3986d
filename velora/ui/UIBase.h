// CWindowWnd: a native window owned by a C++ object. The object is stored
// with the window at WM_NCCREATE and forgotten at WM_NCDESTROY; after that
// OnFinalMessage runs (deferred until every handler of the window that is
// still on the stack has returned, so an object that deletes itself there
// is never used afterwards).
#pragma once

#include "UIDefine.h"

namespace DuiLib {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd() = default;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  bool RegisterWindowClass();
  // The native window, or null. When creation fails (the class cannot be
  // registered, or the window refuses in WM_CREATE, for example because its
  // skin cannot be read), OnFinalMessage is not called: the caller still
  // owns the object.
  HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
  HWND Create(HWND hwndParent, LPCTSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT& rc,
              HMENU hMenu = nullptr);

  void ShowWindow(bool bShow = true, bool bTakeFocus = true);
  // Shows the window and runs a nested message loop until it is destroyed.
  // The owner is disabled meanwhile (and enabled again only if this call
  // disabled it). Returns the value given to Close, 0 when the window went
  // away otherwise. A WM_QUIT ends the loop and is posted again.
  UINT ShowModal();
  // Asks the window to close (posts WM_CLOSE with the result as wParam).
  void Close(UINT nRet = IDOK);
  // Centres over the owner when it is visible, else on the work area of
  // the nearest monitor; always kept inside that work area.
  void CenterWindow();
  // The program's icon resource, large and small.
  void SetIcon(UINT nRes);

  LRESULT SendMessageW(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT PostMessageW(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
  void ResizeClient(int cx = -1, int cy = -1);

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  virtual UINT GetClassStyle() const { return CS_DBLCLKS; }
  // Default handling: the platform's (DefWindowProc).
  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  virtual void OnFinalMessage(HWND hWnd) {}

  static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

 private:
  int m_nDispatchDepth = 0;
  bool m_bFinalPending = false;
  bool m_bCreating = false;
  bool m_bCreated = false;
  UINT* m_pModalResult = nullptr;  // ShowModal's result while it runs
};

}  // namespace DuiLib
