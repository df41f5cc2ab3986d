// The OLE drop target of a browser window: what other programs drag onto
// it (files, text, links) is read from their data object and handed to the
// window's delegate, on the window's own thread.
#pragma once

#include "win_include.h"

#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

namespace velora_engine {

struct DroppedData {
  std::vector<std::wstring> files;  // Windows paths
  std::wstring text, url;
};

// Reads the formats a browser takes: CF_HDROP, CF_UNICODETEXT and the
// shell's URL format. False when none is there.
bool ReadDroppedData(IDataObject* data, DroppedData* out);

class DropTargetDelegate {
 public:
  virtual ~DropTargetDelegate() = default;
  // Points are in the window's client coordinates; effects are DROPEFFECT_*.
  // Each answers the effect the drop would have.
  virtual DWORD OnDropEnter(const DroppedData& data, POINT point, DWORD effects, DWORD key_state) = 0;
  virtual DWORD OnDropOver(POINT point, DWORD effects, DWORD key_state) = 0;
  virtual void OnDropLeave() = 0;
  virtual DWORD OnDrop(POINT point, DWORD effects, DWORD key_state) = 0;
};

class DropTarget : public IDropTarget {
 public:
  // `run_on_window_thread` runs a closure on the window's thread and
  // returns when it has run (OLE may call from another thread).
  DropTarget(HWND hwnd, DropTargetDelegate* delegate,
             std::function<void(const std::function<void()>&)> run_on_window_thread);

  // RegisterDragDrop for the window (the thread must be in OLE); the
  // target is revoked and let go with Revoke, before the window goes.
  HRESULT Register();
  void Revoke();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD key_state, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD key_state, POINTL pt, DWORD* effect) override;

 private:
  virtual ~DropTarget() = default;
  POINT ClientPoint(POINTL pt) const;
  void OnWindowThread(const std::function<void()>& fn);

  LONG refs_ = 1;
  HWND hwnd_;
  DropTargetDelegate* delegate_;  // null once revoked
  std::function<void(const std::function<void()>&)> run_;
  bool registered_ = false;
};

}  // namespace velora_engine
