#include "cef3/browser/main_message_loop.h"

#include "UIManager.h"
#include "include/base/cef_logging.h"

namespace {

const wchar_t kMessageWindowClass[] = L"Client_MessageWindow";
CMainMessageLoopWin* g_main_message_loop = nullptr;

}  // namespace

CMainMessageLoopWin::CMainMessageLoopWin()
    : task_message_(RegisterWindowMessageW(L"Client_CustomTask")), owning_thread_(GetCurrentThreadId()) {
  g_main_message_loop = this;
}

CMainMessageLoopWin::~CMainMessageLoopWin() {
  g_main_message_loop = nullptr;
  // Whatever is still queued is released here without running, outside the
  // lock (a task's destructor may post again; that one is dropped with it).
  std::deque<CefRefPtr<CefTask>> left;
  {
    std::lock_guard<std::mutex> guard(lock_);
    left.swap(pending_);
  }
  left.clear();
  std::lock_guard<std::mutex> guard(lock_);
  pending_.clear();
}

CMainMessageLoopWin* CMainMessageLoopWin::GetMainMessageLoop() { return g_main_message_loop; }

bool CMainMessageLoopWin::RunsTasksOnCurrentThread() const { return owning_thread_ == GetCurrentThreadId(); }

void CMainMessageLoopWin::PostTaskToWindow(CefRefPtr<CefTask> task) {
  // The window message carries one reference; MessageWndProc releases it.
  task->AddRef();
  if (!PostMessageW(message_hwnd_, task_message_, reinterpret_cast<WPARAM>(task.get()), 0)) task->Release();
}

void CMainMessageLoopWin::PostTask(CefRefPtr<CefTask> task) {
  if (!task) return;
  std::lock_guard<std::mutex> guard(lock_);
  if (message_hwnd_)
    PostTaskToWindow(task);
  else
    pending_.push_back(task);
}

int CMainMessageLoopWin::Run() {
  DCHECK(RunsTasksOnCurrentThread());
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  {
    std::lock_guard<std::mutex> guard(lock_);
    // The structure's own size: 48 bytes in the 32-bit build.
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MessageWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kMessageWindowClass;
    RegisterClassExW(&wc);

    message_hwnd_ = CreateWindowExW(0, kMessageWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    instance, nullptr);
    const HWND _message_hwnd_ = message_hwnd_;
    CHECK(_message_hwnd_);
    SetWindowLongPtrW(message_hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    // Queued tasks go first, in the order they were posted.
    while (!pending_.empty()) {
      PostTaskToWindow(pending_.front());
      pending_.pop_front();
    }
  }

  MSG msg;
  WPARAM exitCode = 0;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      exitCode = msg.wParam;
      break;
    }
    if (got < 0) break;
    if (!DuiLib::CPaintManagerUI::TranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  // Tasks posted but not yet run when WM_QUIT came would lose their
  // reference with the window: take them back, to be released unrun.
  std::deque<CefTask*> unrun;
  {
    std::lock_guard<std::mutex> guard(lock_);
    MSG left;
    while (PeekMessageW(&left, message_hwnd_, task_message_, task_message_, PM_REMOVE))
      unrun.push_back(reinterpret_cast<CefTask*>(left.wParam));
    DestroyWindow(message_hwnd_);
    message_hwnd_ = nullptr;
  }
  // Outside the lock: a task's destructor may post again.
  for (CefTask* task : unrun) task->Release();
  return static_cast<int>(exitCode);
}

LRESULT CALLBACK CMainMessageLoopWin::MessageWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CMainMessageLoopWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && message == self->task_message_) {
    CefTask* task = reinterpret_cast<CefTask*>(wParam);
    task->Execute();
    task->Release();
  } else if (message == WM_DESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}
