// The engine's named threads and the API's task functions over them.
//
// The main process has a UI thread (its own, with the multi-threaded
// message loop, or the thread that runs CefRunMessageLoop) and one worker
// that serves the IO, file and process-launcher thread ids. The renderer
// sub-process has its renderer thread (the process's main thread, running
// the channel's messages) and the same worker. CefPostTask to a thread id
// that has no thread in this process fails, as in the engine.
#pragma once

#include "include/cef_task.h"
#include "task_runner_win.h"

namespace velora_engine {

// Makes the runner serve the given thread id (nullptr: none). The runner
// must outlive its registration.
void RegisterEngineThread(cef_thread_id_t id, TaskRunner* runner);
TaskRunner* EngineThread(cef_thread_id_t id);

}  // namespace velora_engine
