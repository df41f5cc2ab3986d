#include "drop_target_win.h"

#include <shellapi.h>

namespace velora_engine {

namespace {

bool ReadText(IDataObject* data, CLIPFORMAT format, std::wstring* out) {
  FORMATETC fe = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(data->GetData(&fe, &medium))) return false;
  bool ok = false;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
    if (const wchar_t* p = static_cast<const wchar_t*>(::GlobalLock(medium.hGlobal))) {
      const size_t max = ::GlobalSize(medium.hGlobal) / sizeof(wchar_t);
      size_t n = 0;
      while (n < max && p[n]) ++n;
      out->assign(p, n);
      ::GlobalUnlock(medium.hGlobal);
      ok = true;
    }
  }
  ::ReleaseStgMedium(&medium);
  return ok;
}

}  // namespace

bool ReadDroppedData(IDataObject* data, DroppedData* out) {
  if (!data) return false;
  FORMATETC fe = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (SUCCEEDED(data->GetData(&fe, &medium))) {
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
      HDROP drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal));
      if (drop) {
        const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
          const UINT len = ::DragQueryFileW(drop, i, nullptr, 0);
          std::wstring path(len + 1, L'\0');
          ::DragQueryFileW(drop, i, &path[0], len + 1);
          path.resize(len);
          if (!path.empty()) out->files.push_back(path);
        }
        ::GlobalUnlock(medium.hGlobal);
      }
    }
    ::ReleaseStgMedium(&medium);
  }
  static const CLIPFORMAT url_format = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"UniformResourceLocatorW"));
  ReadText(data, url_format, &out->url);
  ReadText(data, CF_UNICODETEXT, &out->text);
  return !out->files.empty() || !out->url.empty() || !out->text.empty();
}

DropTarget::DropTarget(HWND hwnd, DropTargetDelegate* delegate,
                       std::function<void(const std::function<void()>&)> run_on_window_thread)
    : hwnd_(hwnd), delegate_(delegate), run_(std::move(run_on_window_thread)) {}

HRESULT DropTarget::Register() {
  const HRESULT hr = ::RegisterDragDrop(hwnd_, this);
  registered_ = SUCCEEDED(hr);
  return hr;
}

void DropTarget::Revoke() {
  if (registered_) ::RevokeDragDrop(hwnd_);
  registered_ = false;
  delegate_ = nullptr;
  Release();  // the window's own reference
}

HRESULT DropTarget::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDropTarget) {
    *out = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG DropTarget::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG DropTarget::Release() {
  const LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

POINT DropTarget::ClientPoint(POINTL pt) const {
  POINT p = {pt.x, pt.y};
  ::ScreenToClient(hwnd_, &p);
  return p;
}

void DropTarget::OnWindowThread(const std::function<void()>& fn) {
  if (::GetWindowThreadProcessId(hwnd_, nullptr) == ::GetCurrentThreadId() || !run_) fn();
  else run_(fn);
}

HRESULT DropTarget::DragEnter(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  DroppedData dropped;
  ReadDroppedData(data, &dropped);
  const POINT p = ClientPoint(pt);
  const DWORD offered = *effect;
  DWORD result = DROPEFFECT_NONE;
  OnWindowThread([&] {
    if (delegate_) result = delegate_->OnDropEnter(dropped, p, offered, key_state);
  });
  *effect = result;
  return S_OK;
}

HRESULT DropTarget::DragOver(DWORD key_state, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  const POINT p = ClientPoint(pt);
  const DWORD offered = *effect;
  DWORD result = DROPEFFECT_NONE;
  OnWindowThread([&] {
    if (delegate_) result = delegate_->OnDropOver(p, offered, key_state);
  });
  *effect = result;
  return S_OK;
}

HRESULT DropTarget::DragLeave() {
  OnWindowThread([&] {
    if (delegate_) delegate_->OnDropLeave();
  });
  return S_OK;
}

HRESULT DropTarget::Drop(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  const POINT p = ClientPoint(pt);
  const DWORD offered = *effect;
  DWORD result = DROPEFFECT_NONE;
  OnWindowThread([&] {
    if (delegate_) result = delegate_->OnDrop(p, offered, key_state);
  });
  *effect = result;
  return S_OK;
}

}  // namespace velora_engine
