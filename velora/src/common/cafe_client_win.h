// RunCafeTest: asks Veyra.dll beside the program whether this PC is in a
// managed internet cafe. Loads the library, authenticates with the
// handshake token (SSOSign), asks (Veyra) and writes its diagnostic lines
// to standard output. True only for the answer 1; the library then stays
// loaded for the rest of the process, as it does when an export is missing.
#pragma once

bool RunCafeTest();
