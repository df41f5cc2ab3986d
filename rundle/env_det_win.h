// Registry side of the detection, for callers that hold an open key.
#pragma once

#include "win_include.h"

// Where the cafe software leaves its environment codes (HKEY_LOCAL_MACHINE).
#define RUNDLE_GAME_CLICK_KEY L"Software\\Pavlix8\\GameClickOrigin"

// First REG_SZ value with text: its first comma-separated field as an integer;
// -1 when no value qualifies.
int ReadRegistryEnvCode(HKEY key);
