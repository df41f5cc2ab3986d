// Engine threads and tasks. The engine implements the three functions.
#ifndef CEF_INCLUDE_CEF_TASK_H_
#define CEF_INCLUDE_CEF_TASK_H_
#pragma once

#include "include/cef_base.h"

typedef cef_thread_id_t CefThreadId;

// A unit of work posted to an engine thread. The engine keeps a reference
// until Execute() has returned (or the task is dropped at shutdown).
class CefTask : public virtual CefBaseRefCounted {
 public:
  virtual void Execute() = 0;
};

// True when called on the given engine thread.
bool CefCurrentlyOn(CefThreadId threadId);

// Queues `task` for `threadId`; false when that thread does not exist (yet
// or any more). Callable from any thread.
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);

// As CefPostTask, running no earlier than `delay_ms` milliseconds from now.
bool CefPostDelayedTask(CefThreadId threadId,
                        CefRefPtr<CefTask> task,
                        int64 delay_ms);

#endif  // CEF_INCLUDE_CEF_TASK_H_
