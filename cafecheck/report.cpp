#include "report.h"

#include <cstdio>

#include "start_rules.h"

namespace cafecheck {

namespace {

class Lines {
 public:
  void Add(const std::string& line) { text_ += line + "\r\n"; }
  void Head(const std::string& title) {
    if (!text_.empty()) text_ += "\r\n";
    Add("== " + title + " ==");
  }
  void Item(const std::string& key, const std::string& value) { Add("  " + key + ": " + value); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

std::string YesNo(bool v) { return v ? "yes" : "no"; }

std::string AdapterTypeName(unsigned type) {
  switch (type) {
    case 6: return "Ethernet";
    case 71: return "wireless";
    case 24: return "loopback";
    default: return "type " + std::to_string(type);
  }
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

const char* CafeAnswerName(int answer) {
  switch (answer) {
    case 0: return "not a managed cafe";
    case 1: return "managed cafe";
    case 2: return "Ombra environment";
    default: return "unknown";
  }
}

std::string EnvSectionText(int env_code) {
  const wchar_t* section = rundle::EnvSectionName(env_code);
  return section ? ToUtf8(section) : std::string("(none)");
}

const char* RunOptionName(int option) {
  switch (option) {
    case 1: return "shell open";
    case 2: return "WinExec";
    case 3: return "open as address (web browser)";
    default: return "process creation";
  }
}

std::vector<std::string> FindProblems(const CheckResults& r) {
  std::vector<std::string> problems;
  for (const ProgramInfo& p : r.programs)
    if (p.needed && !p.present) problems.push_back(p.name + " is missing");

  const CafeInfo& c = r.cafe;
  if (c.library_present && !c.library_loaded) problems.push_back("Veyra.dll does not load");
  for (const std::string& e : c.missing_exports) problems.push_back("Veyra.dll lacks the export " + e);
  if (c.library_loaded && c.missing_exports.empty() && !c.token_accepted)
    problems.push_back("Veyra.dll refuses this PC's handshake token");

  if (!r.browser.found) problems.push_back("no browser engine (Chromium) found");
  else if (!r.browser.started) problems.push_back("the browser engine does not start");

  for (const SkinFileResult& f : r.skin.files) {
    if (f.Ok()) continue;
    if (!f.present) {
      problems.push_back("skin file " + f.file + " is missing");
    } else if (!f.error.empty()) {
      problems.push_back("skin file " + f.file + ": " + f.error);
    } else {
      std::string names;
      for (const std::string& m : f.missing) names += (names.empty() ? "" : ", ") + m;
      problems.push_back("skin file " + f.file + " lacks " + names);
    }
  }

  const RundleInfo& ru = r.rundle;
  if (ru.checked) {
    if (!ru.settings_present) {
      problems.push_back("Rundle settings file " + ToUtf8(ru.settings_path) + " is missing");
    } else {
      for (size_t i = 0; i < ru.copies.size(); ++i) {
        const CopyStep& s = ru.copies[i];
        if (s.skipped) continue;
        const std::string name = "Copy" + std::to_string(s.entry.index);
        if (s.destination.empty()) problems.push_back(name + ": destination cannot be resolved");
        else if (i < ru.copy_source_present.size() && !ru.copy_source_present[i])
          problems.push_back(name + ": source " + ToUtf8(s.source) + " is missing");
      }
      for (size_t i = 0; i < ru.plan.preloads.size(); ++i) {
        const PreloadStep& p = ru.plan.preloads[i];
        if (p.skipped) continue;
        if (p.path.empty() || (i < ru.preload_present.size() && !ru.preload_present[i]))
          problems.push_back("preload " + std::to_string(p.entry.index) + ": program " +
                             (p.path.empty() ? ToUtf8(p.entry.exe) : ToUtf8(p.path)) + " is missing");
      }
      const GameStep* game = ru.plan.StartedGame();
      if (!game) {
        problems.push_back("no game program configured for this PC");
      } else if (game->info.runOption != 3 && (game->fullPath.empty() || !ru.game_present)) {
        problems.push_back("game program " + ToUtf8(game->fullPath.empty() ? game->info.gameExe : game->fullPath) +
                           " is missing");
      }
    }
  }
  return problems;
}

int ExitCodeFor(const CheckResults& results) {
  return FindProblems(results).empty() ? kExitComplete : kExitIncomplete;
}

std::string FormatReport(const CheckResults& r) {
  Lines out;
  out.Add("CafeCheck " + r.tool_version + " - installation report");
  out.Add("Time: " + r.time);
  out.Add("Folder: " + ToUtf8(r.folder));

  const std::vector<std::string> problems = FindProblems(r);
  out.Head("Result");
  if (problems.empty()) {
    out.Add("  COMPLETE: everything needed is there.");
  } else {
    out.Add("  INCOMPLETE: " + std::to_string(problems.size()) + " problem(s):");
    for (const std::string& p : problems) out.Add("  - " + p);
  }

  out.Head("Programs");
  for (const ProgramInfo& p : r.programs) {
    std::string state = !p.present ? "MISSING" : (p.version.empty() ? "present, no version resource" : "version " + p.version);
    if (!p.present && !p.needed) state = "not installed";
    out.Item(p.name, state + " (" + ToUtf8(p.path) + ")");
  }

  out.Head("Cafe environment (Veyra.dll)");
  const CafeInfo& c = r.cafe;
  if (!c.library_present) {
    out.Item("library", "MISSING");
  } else if (!c.library_loaded) {
    out.Item("library", "does not load (error " + std::to_string(c.load_error) + ")");
  } else {
    std::string missing;
    for (const std::string& e : c.missing_exports) missing += " " + e;
    out.Item("library", missing.empty() ? "loaded, exports SSOSign, Veyra, GetOVBarId found"
                                        : "loaded, exports missing:" + missing);
  }
  out.Item("handshake token", c.token + (c.library_loaded && c.missing_exports.empty()
                                             ? (c.token_accepted ? " (accepted)" : " (REFUSED)")
                                             : ""));
  if (c.asked) {
    out.Item("cafe answer", std::to_string(c.answer) + " (" + CafeAnswerName(c.answer) + ")");
    out.Item("bar id", c.bar_id_found ? c.bar_id : "none");
  }

  out.Head("Network adapter for the machine identity");
  out.Item("computer name", ToUtf8(r.network.computer_name));
  out.Item("machine identity", ToUtf8(r.network.identity));
  bool any_chosen = false;
  for (const AdapterInfo& a : r.network.adapters) {
    any_chosen = any_chosen || a.chosen;
    out.Add(std::string(a.chosen ? "  * " : "    ") + a.address + "  " + AdapterTypeName(a.type) + "  " +
            a.description + (a.chosen ? "  (chosen)" : ""));
  }
  if (!any_chosen) out.Add("  no usable adapter: the identity is all zero");

  out.Head("Browser engine");
  const BrowserInfo& b = r.browser;
  if (b.found) {
    out.Item("Chromium", ToUtf8(b.path));
    out.Item("headless start", b.started ? "ok, DevTools port " + std::to_string(b.port) : "FAILED: " + b.error);
    if (b.started) out.Item("stopped", YesNo(b.stopped));
  } else {
    out.Item("Chromium", "NOT FOUND");
    for (const std::wstring& p : b.looked_at) out.Add("    looked at " + ToUtf8(p));
  }

  out.Head("Skin folder");
  out.Item("folder", ToUtf8(r.skin_folder));
  out.Item("main skin (config.xml)", r.skin.main_skin);
  for (const SkinFileResult& f : r.skin.files) {
    std::string state;
    if (!f.present) state = f.needed ? "MISSING" : "not present (not used)";
    else if (!f.error.empty()) state = "BROKEN: " + f.error;
    else if (!f.missing.empty()) {
      state = "MISSING";
      for (const std::string& m : f.missing) state += " " + m;
    } else state = "ok";
    out.Item(f.file, state);
  }

  const RundleInfo& ru = r.rundle;
  out.Head("Rundle plan (nothing copied or started)");
  if (!ru.checked) {
    out.Add("  no Rundle settings file given or found beside the tool");
  } else {
    out.Item("settings", ToUtf8(ru.settings_path) + (ru.settings_present ? "" : " (MISSING)"));
    out.Item("Windows", "OS code " + std::to_string(ru.os_code) + (ru.is64 ? ", 64-bit" : ", 32-bit") +
                            (ru.windows10 ? ", Windows 10 or later" : ""));
    const std::string env = std::to_string(ru.plan.envCode) + " (" + EnvSectionText(ru.plan.envCode) + ")";
    out.Item("environment", ru.plan.clientRunning ? env : env + ", no cafe client running");
    for (size_t i = 0; i < ru.copies.size(); ++i) {
      const CopyStep& s = ru.copies[i];
      const std::string name = "Copy" + std::to_string(s.entry.index);
      if (s.skipped) {
        out.Item(name, "skipped (SkipOS or an empty Src/Dst)");
        continue;
      }
      const bool present = i < ru.copy_source_present.size() && ru.copy_source_present[i];
      out.Item(name, std::string(s.entry.isFile ? "file " : "folder ") + ToUtf8(s.source) +
                         (present ? "" : " (MISSING)") + " --> " +
                         (s.destination.empty() ? "(cannot be resolved: " + ToUtf8(s.entry.dst) + ")"
                                                : ToUtf8(s.destination)) +
                         (s.redirectionOff ? "  [redirection off]" : ""));
    }
    out.Item("preload section", EnvSectionText(ru.plan.start.preloadCode));
    for (size_t i = 0; i < ru.plan.preloads.size(); ++i) {
      const PreloadStep& p = ru.plan.preloads[i];
      const std::string name = "preload " + std::to_string(p.entry.index);
      if (p.skipped) {
        out.Item(name, "skipped (no Exe)");
        continue;
      }
      const bool present = i < ru.preload_present.size() && ru.preload_present[i];
      out.Item(name, (p.path.empty() ? "(path above the drive)" : ToUtf8(p.commandLine)) +
                         (present ? "" : " (MISSING)") + (p.entry.wait ? "  [waited for]" : ""));
    }
    const GameStep* game = ru.plan.StartedGame();
    if (!game) {
      out.Item("game", "none configured");
    } else {
      out.Item("game section", EnvSectionText(game->envCode));
      out.Item("game", game->info.runOption == 3 ? ToUtf8(game->info.gameExe)
                                                 : ToUtf8(game->fullPath) + (ru.game_present ? "" : " (MISSING)"));
      out.Item("command line", ToUtf8(game->commandLine));
      out.Item("run option", std::to_string(game->info.runOption) + " (" + RunOptionName(game->info.runOption) + ")");
      out.Item("working folder", ToUtf8(game->directory));
    }
    out.Item("log folder", ToUtf8(ru.log_folder));
  }

  if (!r.zip_entries.empty()) {
    out.Head("Bundle");
    for (const std::string& e : r.zip_entries) out.Add("  " + e);
  }
  return out.text();
}

}  // namespace cafecheck
