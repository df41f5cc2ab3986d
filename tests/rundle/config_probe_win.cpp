// Writes what CStartConfig sees of this Windows and of a settings file:
//   rundle_config_probe <out file> [<module path whose settings to read>]
// One line: os=<code> win10=<0|1> is64=<0|1> mask=<mask> run=<option>|<before>|<game>|<param>
// The version that Wine reports is chosen per process, so the tests start
// this program after changing it.
#include <cstdio>
#include <string>

#include "start_config.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  CStartConfig& config = CStartConfig::Instance();
  if (argc > 2)
    config.LoadForModule(argv[2]);
  else
    config.Load();
  const RunInfo run = config.GetRunInfo(0);
  std::FILE* out = _wfopen(argv[1], L"wb");
  if (!out) return 3;
  std::fprintf(out, "os=%d win10=%d is64=%d mask=%d run=%d|%ls|%ls|%ls", config.GetOsCode(),
               CStartConfig::IsWindows10OrLater() ? 1 : 0, config.Is64BitSystem() ? 1 : 0,
               config.GetLogLevelMask(), run.runOption, run.beforePath.c_str(), run.gameExe.c_str(),
               run.param.c_str());
  std::fclose(out);
  return 0;
}
