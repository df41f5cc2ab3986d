# Shared by scripts/test and scripts/demo: a private X display and the
# clean-up of everything the scripts start. Source it; do not run it.

XVFB_PID=""
DISPLAY_STARTED=""

# Starts Xvfb on the first free display from :90 and exports DISPLAY.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 </dev/null &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      DISPLAY_STARTED=1
      return 0
    fi
  done
  echo "cannot start Xvfb" >&2
  return 1
}

# Ends every wineserver of the Wine prefixes under the given build folders,
# then Xvfb.
stop_services() {
  local prefix
  for prefix in "$@"; do
    [ -d "$prefix" ] || continue
    for p in "$prefix"/* "$prefix"/.template; do
      [ -f "$p/system.reg" ] || continue
      WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true
    done
  done
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
