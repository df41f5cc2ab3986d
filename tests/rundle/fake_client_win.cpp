// Stand-in for a cafe client process (Tallowview.exe, ovplay.exe): it only
// has to exist in the process list until the test ends it. A GUI-subsystem
// program, so that no console host is started beside it, and it gives up by
// itself after two minutes so that a failed test leaves nothing behind.
#include "win_include.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Sleep(2 * 60 * 1000);
  return 0;
}
