// CafeCheck.exe's entry: see cafecheck_win.h.
#include "cafecheck_win.h"

int wmain(int argc, wchar_t** argv) { return cafecheck::RunCafeCheck(argc, argv); }
