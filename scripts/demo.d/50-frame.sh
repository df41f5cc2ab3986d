# The frame as a player sees it: Velora.exe with the sample skin and the
# demo's settings file, showing the demo's own game (demo/game), then the
# close button twice over against the real Veyra.dll:
#   outside a cafe     the "closeWnd.xml" box; Cancel keeps the game
#   inside a cafe      (a signed bar client running, the test bar-client
#                      server registered) the game names its close page
#                      (demo/close); "返回游戏" goes back to the game, and in
#                      a second run "退出游戏" closes the frame
# Every step leaves a screenshot NN-*.png; the frame's logs are copied to
# OUT/logs-*.
set -euo pipefail
winpath() { printf 'Z:%s' "${1//\//\\}"; }
driver="$BUILD/tests/velora/frame/window_driver.exe"
# True when the driver says "ok" (its exit code can be lost under Wine).
drive() {
  local out
  out=$(win "$driver" "$@" 2>/dev/null || true)
  [[ "${out//$'\r'/}" == *ok* ]]
}
step() { sleep "${2:-1.5}"; screenshot "$OUT/$1.png"; echo "  $1.png"; }

# An installation of the frame: the program, Veyra.dll, the sample skin
# with the demo game as its home page, and the settings file.
inst="$OUT/install"
rm -rf "$inst"
mkdir -p "$inst"
cp "$BIN/Velora.exe" "$BIN/Veyra.dll" "$inst/"
cp -r "$BIN/Skin" "$inst/Skin"
game="file://$ROOT/demo/game/index.html"
sed -i "s|<Default name=\"home_page\" value=\"[^\"]*\"/>|<Default name=\"home_page\" value=\"$game\"/>|" \
  "$inst/Skin/GameFrame.xml"
cp "$ROOT/demo/settings.ini" "$inst/settings.ini"
settings=$(winpath "$inst/settings.ini")

frame_pid=""
start_frame() {
  win "$inst/Velora.exe" "config:$settings" >"$OUT/velora-$1.txt" 2>&1 &
  frame_pid=$!
  drive wait OVWebGameFrame 60000 || { echo "demo: no frame window"; exit 1; }
}
frame_ended() {
  for _ in $(seq 1 200); do kill -0 "$frame_pid" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
end_frame() {
  kill -0 "$frame_pid" 2>/dev/null || return 0
  # Alt+F4 ends the frame without the close flow.
  drive close OVWebGameFrame >/dev/null 2>&1 || true
  frame_ended || kill "$frame_pid" 2>/dev/null || true
  wait "$frame_pid" 2>/dev/null || true
}
keep_logs() { mkdir -p "$OUT/logs-$1"; cp -r "$inst/Log/." "$OUT/logs-$1/" 2>/dev/null || true; rm -rf "$inst/Log"; }

# The close button sits at the right end of the caption bar, the message
# box's Cancel right of its OK, the close page's buttons below its text.
close_button=(-24 22)
box_cancel=(-65 -31)
back_button=(137 183)
quit_button=(137 233)

echo "outside a cafe:"
start_frame outside
step 01-game-loaded 4
drive click OVWebGameFrame 680 420   # the banner: the game starts
drive keys OVWebGameFrame 680 420 " "
step 02-game-paused 2
drive click OVWebGameFrame "${close_button[@]}"
drive wait MsgBox 20000 && step 03-close-box-outside-a-cafe 1
drive click MsgBox "${box_cancel[@]}"
drive gone MsgBox 10000 && step 04-cancel-back-in-the-game 1
end_frame
keep_logs outside

echo "inside a cafe:"
# The test bar-client server, registered as the cafe's own, and a signed
# bar client running: Veyra.dll answers "in a cafe".
server=$(find "$BUILD/tests" -name 'bc_test_server.dll' | head -n 1)
client="$BUILD/tests/veyra/signers/orvane/client_stub.exe"
clsid='HKLM\Software\Classes\CLSID\{DBCB78F8-B3EA-4C44-B2E9-6AD202ACBB35}\InprocServer32'
win reg add "$clsid" /ve /d "$(winpath "$server")" /f >/dev/null 2>&1
win reg add "$clsid" /v ThreadingModel /d Both /f >/dev/null 2>&1
mkdir -p "$OUT/client"
cp "$client" "$OUT/client/Tallowview.exe"
win "$OUT/client/Tallowview.exe" >/dev/null 2>&1 &
client_pid=$!
sleep 2

start_frame inside
step 05-game-in-a-cafe 4
drive click OVWebGameFrame "${close_button[@]}"
drive wait CloseQRcode 20000 && step 06-close-page 3
drive click CloseQRcode "${back_button[@]}"
drive gone CloseQRcode 10000 && step 07-returned-to-the-game 1
end_frame
keep_logs inside-return

start_frame inside-quit
step 08-game-again 4
drive click OVWebGameFrame "${close_button[@]}"
drive wait CloseQRcode 20000 && step 09-close-page-again 3
drive click CloseQRcode "${quit_button[@]}"
if frame_ended; then
  echo "  the close page closed the frame"
  step 10-frame-closed 0.5
else
  echo "demo: the frame did not close from the close page"
  end_frame
fi
keep_logs inside-quit

kill "$client_pid" 2>/dev/null || true
win reg delete "${clsid%\\InprocServer32}" /f >/dev/null 2>&1 || true
wait "$client_pid" 2>/dev/null || true
