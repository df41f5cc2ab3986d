# The frame's main skin in the skin viewer: the window as the library builds
# it from Skin\GameFrame.xml, a screenshot of the screen, then it closes.
set -euo pipefail
viewer="$BUILD/velora/ui/skin_viewer.exe"
win "$viewer" "$BIN/Skin/GameFrame.xml" --shot "$OUT/GameFrame-window.png" --quit-after 4000 \
  >"$OUT/viewer.log" 2>&1 &
pid=$!
# The viewer saves its own picture of the window once it is on screen (a
# fresh Wine prefix takes a while); the screen is taken right after that.
for _ in $(seq 1 600); do
  [ -s "$OUT/GameFrame-window.png" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
sleep 0.3
screenshot "$OUT/screen.png"
rc=0
wait "$pid" || rc=$?
echo "skin viewer exit code: $rc (log: viewer.log, window: GameFrame-window.png, screen: screen.png)"
exit "$rc"
