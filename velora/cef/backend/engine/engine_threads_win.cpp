#include "engine_threads_win.h"

#include <mutex>

namespace velora_engine {
namespace {

std::mutex g_lock;
TaskRunner* g_threads[TID_RENDERER + 1] = {};

bool Valid(cef_thread_id_t id) { return id >= TID_UI && id <= TID_RENDERER; }

}  // namespace

void RegisterEngineThread(cef_thread_id_t id, TaskRunner* runner) {
  if (!Valid(id)) return;
  std::lock_guard<std::mutex> g(g_lock);
  g_threads[id] = runner;
}

TaskRunner* EngineThread(cef_thread_id_t id) {
  if (!Valid(id)) return nullptr;
  std::lock_guard<std::mutex> g(g_lock);
  return g_threads[id];
}

}  // namespace velora_engine

bool CefCurrentlyOn(CefThreadId id) {
  velora_engine::TaskRunner* runner = velora_engine::EngineThread(id);
  return runner && runner->RunsOnCurrentThread();
}

bool CefPostDelayedTask(CefThreadId id, CefRefPtr<CefTask> task, int64 delay_ms) {
  if (!task) return false;
  velora_engine::TaskRunner* runner = velora_engine::EngineThread(id);
  if (!runner) return false;
  // The closure holds the task's reference until it has run (or until the
  // runner drops it at shutdown).
  return runner->Post([task] { task->Execute(); }, delay_ms);
}

bool CefPostTask(CefThreadId id, CefRefPtr<CefTask> task) {
  return CefPostDelayedTask(id, task, 0);
}
