// What a run of Rundle does, worked out in full before anything is done:
// each copy with its resolved source and destination, each preload with its
// command line, and the game start with its option and command line. Rundle
// computes these steps and carries them out one by one; a read-only caller
// (the staff tool) computes the same steps and only reports them.
#pragma once

#include <string>
#include <vector>

#include "process_mgr.h"
#include "start_rules.h"

// One entry of the copy plan.
struct CopyStep {
  CopyEntry entry;
  // SkipOS equals the OS code, or Src or Dst is empty: passed over without
  // a log line, nothing else below is filled.
  bool skipped = false;
  // File-system redirection is switched off around this copy.
  bool redirectionOff = false;
  // Always below Rundle's directory.
  std::wstring source;
  // Empty when Dst cannot be resolved ("param is wrong"): nothing is copied.
  std::wstring destination;
};

// One preload section of the detected environment.
struct PreloadStep {
  PreloadEntry entry;
  // No Exe: the section is passed over without a log line.
  bool skipped = false;
  // Empty when the path climbs above the drive: the start fails.
  std::wstring path;
  std::wstring commandLine;
};

// The game start of one environment section.
struct GameStep {
  int envCode = 0;
  // The section names a game (GameExe for this Windows is not empty).
  bool named = false;
  RunInfo info;
  // Resolved below Rundle's directory; empty when it climbs above the drive.
  std::wstring fullPath;
  std::wstring commandLine;
  // Working directory of a start by process creation (run option 0 and any
  // option other than 1, 2, 3).
  std::wstring directory;
};

// How the detection treats the platform's mutex: Rundle creates it and
// holds it for its whole run; a caller that only looks opens an existing one
// and leaves no mutex behind.
enum class PlatformMutexUse { kCreateAndHold, kProbeOnly };

struct RunPlan {
  bool clientRunning = false;
  int envCode = 0;
  StartPlan start{0, 0, false};
  std::vector<PreloadStep> preloads;
  // The game of start.gameCode, then, when that names none and the plan
  // falls back, the game of DefSoft (0). The first named one is started.
  std::vector<GameStep> games;
  // The step that is carried out, or nullptr when no section names a game.
  const GameStep* StartedGame() const {
    for (const GameStep& g : games)
      if (g.named) return &g;
    return nullptr;
  }
};
