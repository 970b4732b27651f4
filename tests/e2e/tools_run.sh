#!/usr/bin/env bash
# tools/run.sh from a caller with another locale and no display: it builds the
# program and no test program, and the program it starts on a display of its
# own shows its tray balloon in Japanese, in the Wine desktop's corner.
set -u
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/tools/wine-lib.sh"
window="$build/tools/window.exe"
[ -f "$window" ] || { echo "missing $window (build it first)"; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-e2e-run.XXXXXX")
run_pid=""
cleanup() {
  if [ -n "$run_pid" ]; then
    kill "$run_pid" 2>/dev/null
    wait "$run_pid" 2>/dev/null
  fi
  WINEPREFIX="$dir/build/wine" wineserver -k >/dev/null 2>&1
  rm -rf "$dir"
}
trap cleanup EXIT INT TERM
fail() {
  echo "FAIL: $*"
  [ -s "$dir/run.log" ] && { echo "--- run.sh printed:"; tail -n 20 "$dir/run.log"; }
  exit 1
}
unset DISPLAY WINEPREFIX
export LANG=C LC_ALL=C

VARNEL_RUN_NO_START=1 "$top/tools/run.sh" "$dir/build" >"$dir/run.log" 2>&1 || fail "the build step failed"
[ -f "$dir/build/Varnel3.exe" ] || fail "no Varnel3.exe after the build step"
others=$(cd "$dir/build" && find . -name '*.exe' ! -path ./Varnel3.exe ! -path './wine/*' ! -path '*/CMakeFiles/*')
[ -z "$others" ] || fail "the build step built more than the program: $(echo $others)"

# Settings as after a first run, and a balloon at start. The prefix is the
# run's own; asked in its locale, so that this asking changes nothing of it.
display=""
W() { env WINEPREFIX="$dir/build/wine" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ${display:+DISPLAY=$display} wine "$@"; }
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
key='HKCU\Software\Tamberlow\Varnel3'
W reg add "$key\\Network" /v SettingInitialized /t REG_DWORD /d 1 /f >/dev/null 2>&1 || fail "reg add"
W reg add "$key\\Network" /v Port /t REG_DWORD /d "$port" /f >/dev/null 2>&1 || fail "reg add"
W reg add "$key\\Settings" /v OnStart /t REG_DWORD /d 1 /f >/dev/null 2>&1 || fail "reg add"

# Not on :77, which belongs to a person's run.
VARNEL_RUN_DISPLAY= "$top/tools/run.sh" "$dir/build" >>"$dir/run.log" 2>&1 &
run_pid=$!
started() { grep -q 'started Xvfb on :' "$dir/run.log"; }
wait_until 120 started || fail "run.sh started no display"
display=$(sed -n 's/.*started Xvfb on \(:[0-9]*\).*/\1/p' "$dir/run.log" | tail -n 1)
W "$window" wait "Varnel3 (IPv4" 60000 >/dev/null || fail "the main frame did not appear"

# The balloon sits above the tray, in the bottom right corner of the desktop.
# Its two lines hold some 40 Japanese characters: drawn, their columns of ink
# are of more than a hundred shapes; boxes in their place repeat three, and
# the Latin letters beside them give a few dozen more.
ink_columns() {
  DISPLAY=$display import -window root "$dir/shot.png" 2>/dev/null || return 1
  convert "$dir/shot.png" -crop 640x236+640+766 ppm:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
head, pos = [], 0
while len(head) < 4:  # P6, width, height, maxval, each after white space
    while data[pos:pos + 1].isspace():
        pos += 1
    start = pos
    while not data[pos:pos + 1].isspace():
        pos += 1
    head.append(data[start:pos])
px, w, h = data[pos + 1:], int(head[1]), int(head[2])
shapes = set()
for x in range(w):
    # Ink: dark grey or black; not the blue desktop, nor the grey edge.
    col = tuple(y for y in range(h)
                if max(px[3 * (y * w + x):3 * (y * w + x) + 3]) < 128
                and max(px[3 * (y * w + x):3 * (y * w + x) + 3]) - min(px[3 * (y * w + x):3 * (y * w + x) + 3]) < 40)
    if col:
        shapes.add(col)
print(len(shapes))'
}
shapes=0
balloon_drawn() {
  shapes=$(ink_columns) || return 1
  [ "$shapes" -ge 100 ]
}
wait_until 10 balloon_drawn || fail "no Japanese balloon in the desktop's corner ($shapes shapes of ink columns)"

# The tray menu's exit: the program ends, run.sh with it, and its display too.
W "$window" post "Varnel3 (IPv4" 0x8006 1 0 || fail "no frame to end"
wait_until 30 ended "$run_pid" || fail "run.sh did not end within 30 s of the program"
wait "$run_pid"
status=$?
run_pid=""
[ "$status" = 0 ] || fail "run.sh ended with $status"
[ ! -e "/tmp/.X${display#:}-lock" ] || fail "the display $display is left after run.sh"
echo "tools_run: ok (the balloon: $shapes shapes of ink columns)"
