// Closures as engine tasks: wrap a base::OnceClosure (or RepeatingClosure)
// in a CefTask, or post it to an engine thread in one step.
//
//   if (!CefCurrentlyOn(TID_UI)) {
//     CefPostTask(TID_UI, base::BindOnce(&CCefBaseUI::CreateBrowserSync,
//                                        base::Unretained(this), ...));
//     return;
//   }
//
// These are implemented over the engine's
// CefPostTask(CefThreadId, CefRefPtr<CefTask>) (include/cef_task.h).
#ifndef CEF_INCLUDE_WRAPPER_CEF_CLOSURE_TASK_H_
#define CEF_INCLUDE_WRAPPER_CEF_CLOSURE_TASK_H_
#pragma once

#include "include/base/cef_callback_forward.h"
#include "include/cef_task.h"

// A task whose Execute() runs the closure. A once closure runs on the first
// Execute() only; the closure (and what it has bound) is destroyed with the
// task. A null closure gives a null task.
CefRefPtr<CefTask> CefCreateClosureTask(base::OnceClosure closure);
CefRefPtr<CefTask> CefCreateClosureTask(const base::RepeatingClosure& closure);

// Posts the closure to `threadId`. Returns false (and drops the closure)
// when the closure is null or the engine does not accept the task.
bool CefPostTask(CefThreadId threadId, base::OnceClosure closure);
bool CefPostTask(CefThreadId threadId, const base::RepeatingClosure& closure);
bool CefPostDelayedTask(CefThreadId threadId,
                        base::OnceClosure closure,
                        int64 delay_ms);
bool CefPostDelayedTask(CefThreadId threadId,
                        const base::RepeatingClosure& closure,
                        int64 delay_ms);

#endif  // CEF_INCLUDE_WRAPPER_CEF_CLOSURE_TASK_H_
