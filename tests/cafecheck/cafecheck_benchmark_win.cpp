// Not a test: times full runs of CafeCheck.exe (every check, the report and
// the zip) and prints each run and the median in milliseconds.
//   cafecheck_benchmark <CafeCheck.exe> [runs] [CafeCheck arguments...]
#include "win_include.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fputs("usage: cafecheck_benchmark <CafeCheck.exe> [runs] [arguments...]\n", stderr);
    return 2;
  }
  const int runs = argc > 2 ? _wtoi(argv[2]) : 5;
  std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
  for (int i = 3; i < argc; ++i) line += L" \"" + std::wstring(argv[i]) + L"\"";

  // The output goes nowhere: the benchmark measures the checks, not a console.
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  int exit_code = -1;
  for (int i = 0; i < runs; ++i) {
    std::wstring copy = line;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(argv[1], &copy[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
      fprintf(stderr, "cannot start: %lu\n", GetLastError());
      return 2;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    exit_code = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ms.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    printf("run %d: %.0f ms (exit code %d)\n", i + 1, ms.back(), exit_code);
  }
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  std::vector<double> sorted = ms;
  std::sort(sorted.begin(), sorted.end());
  if (!sorted.empty()) printf("median of %d runs: %.0f ms, slowest %.0f ms\n", runs, sorted[sorted.size() / 2], sorted.back());
  return 0;
}
