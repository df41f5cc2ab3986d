# The handshake token this PC proves itself with to the cafe library.
set -euo pipefail
win "$BUILD/common/handshake/handshake_info.exe" | tr -d '\r' | tee "$OUT/handshake.txt"
