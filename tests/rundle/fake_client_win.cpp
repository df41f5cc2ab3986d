// Stand-in for a cafe client process (Tallowview.exe, ovplay.exe): it only
// has to exist in the process list until the test ends it. It gives up by
// itself after two minutes so that a failed test leaves nothing behind.
#include "win_include.h"

int wmain() {
  Sleep(2 * 60 * 1000);
  return 0;
}
