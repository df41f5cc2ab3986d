# Rundle, the game starter, in a sample cafe folder:
#   OUT/cafe/                 Rundle.exe with its Rundle.ini, the game, a preload
#                             program and the files the copy plan places
#   OUT/cafe/log/             Rundle's log of the run
#   OUT/copied/appdata/...    what the copy plan placed in %APPDATA% (one file)
#   OUT/copied/localappdata/  ... and in %LOCALAPPDATA% (a small tree)
#   OUT/started.txt           how the preload and the game were started
# The preload and the game are a small program that records its command
# line and working directory beside itself (<program>.rec).
set -euo pipefail
cafe="$OUT/cafe"
probe="$BUILD/tests/rundle/rundle_start_probe.exe"
mkdir -p "$cafe/config" "$cafe/data/maps" "$cafe/tools" "$cafe/game"
cp "$BIN/Rundle.exe" "$cafe/"
cp "$probe" "$cafe/tools/preload.exe"
cp "$probe" "$cafe/game/SampleGame.exe"
printf 'volume=80\r\nresolution=1280x720\r\n' >"$cafe/config/settings.cfg"
printf 'level one\r\n' >"$cafe/data/maps/level1.map"
printf 'level two\r\n' >"$cafe/data/maps/level2.map"
printf 'SampleGame data\r\n' >"$cafe/data/readme.txt"

# The game keys come in three sets (32-bit Windows, 64-bit, 64-bit
# Windows 10); Rundle picks the one that fits the PC.
cat >"$cafe/Rundle.ini" <<'INI'
[General]
logLevel=2

[Copy]
Num=2

[Copy0]
IsFile=1
Src=config\settings.cfg
Dst=$CSIDL_APPDATA$\SampleGame\settings.cfg

[Copy1]
IsFile=0
Src=data
Dst=$CSIDL_LOCAL_APPDATA$\SampleGame\data

[DefSoft]
Num=1
RunOption=0
BeforeExePath=game
GameExe=SampleGame.exe
Param=-mode windowed
BeforeExePath64=game
GameExe64=SampleGame.exe
Param64=-mode windowed

[DefSoft_PreLoad0]
Wait=1
Exe=tools\preload.exe
Param=--prepare
INI
sed -i 's/$/\r/' "$cafe/Rundle.ini"

# Start from clean user folders in the demo's Wine prefix.
users="$BUILD/wine/demo/drive_c/users"
rm -rf "$users"/*/AppData/Roaming/SampleGame "$users"/*/AppData/Local/SampleGame
win "$cafe/Rundle.exe" >/dev/null
# The game is not waited for: give it a moment to record its start.
for _ in $(seq 1 100); do [ -f "$cafe/game/SampleGame.exe.rec" ] && break; sleep 0.1; done

# Bring what landed in the prefix's user folders next to the cafe folder.
mkdir -p "$OUT/copied/appdata" "$OUT/copied/localappdata"
cp -r "$users"/*/AppData/Roaming/SampleGame "$OUT/copied/appdata/"
cp -r "$users"/*/AppData/Local/SampleGame "$OUT/copied/localappdata/"
{
  echo "preload (waited for):"
  sed 's/^/  /' "$cafe/tools/preload.exe.rec"
  echo "game:"
  sed 's/^/  /' "$cafe/game/SampleGame.exe.rec"
} | tr -d '\r' | tee "$OUT/started.txt"
echo "log:"
# Chinese lines are in GBK; show them readably.
iconv -f GBK -t UTF-8 "$cafe"/log/*.log | tr -d '\r' | sed 's/^/  /'
(cd "$OUT/copied" && find . -type f | sort | sed 's/^/copied: /')
