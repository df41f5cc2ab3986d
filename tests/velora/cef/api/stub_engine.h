// The engine functions the support code calls, supplied by the test in
// place of the back-end: posted tasks are kept per thread for the test to
// run, and the "current" engine thread is whatever the test sets.
#pragma once

#include <vector>

#include "include/cef_task.h"

namespace stub_engine {

struct PostedTask {
  CefThreadId thread;
  CefRefPtr<CefTask> task;
  long long delay_ms;  // -1 for CefPostTask.
};

// Every task accepted so far, in posting order.
std::vector<PostedTask>& Posted();

// Forgets posted tasks and resets the current thread and refusals.
void Reset();

// CefCurrentlyOn answers true for this thread only; -1 for none.
void SetCurrentThread(int thread);

// CefPostTask and CefPostDelayedTask refuse tasks for this thread (as the
// engine does for a thread that does not exist); -1 for none.
void RefuseThread(int thread);

}  // namespace stub_engine
