#!/usr/bin/env bash
# tools/run.sh from a caller with another locale: it builds the program and no
# test program, and the program it starts shows its tray balloon in Japanese,
# both on a display of its own (in the Wine desktop's corner, the display gone
# with the program) and on the caller's display (beside Wine's tray window).
set -u
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/tools/wine-lib.sh"
window="$build/tools/window.exe"
[ -f "$window" ] || { echo "missing $window (build it first)"; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-e2e-run.XXXXXX")
run_pid=""
xvfb_pid=""
own_xvfb=""
cleanup() {
  if [ -n "$run_pid" ]; then
    kill "$run_pid" 2>/dev/null
    wait "$run_pid" 2>/dev/null
  fi
  WINEPREFIX="$dir/build/wine" wineserver -k >/dev/null 2>&1
  for pid in $xvfb_pid $own_xvfb; do kill "$pid" 2>/dev/null; done
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
# Its Wine ends first: while it runs, the programs of the prefix would share
# the desktop that reg.exe opened without a display.
WINEPREFIX="$dir/build/wine" wineserver -w

# ink_shapes GEOMETRY: how many shapes the columns of ink take in the white
# part (the balloon) of that part of the screen. The balloon's two lines hold
# some 40 Japanese characters: drawn, their columns take more than a hundred
# shapes; boxes in their place repeat a few, and with the Latin letters beside
# them they came to 42 in the desktop and 71 beside the tray window.
ink_shapes() {
  DISPLAY=$display import -window root "$dir/shot.png" 2>/dev/null || return 1
  convert "$dir/shot.png" -crop "$1" ppm:- | python3 -c '
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
white = [i for i in range(w * h) if min(px[3 * i:3 * i + 3]) >= 250]
if not white:
    print(0)
    sys.exit()
x0, x1 = min(i % w for i in white), max(i % w for i in white)
y0, y1 = min(i // w for i in white), max(i // w for i in white)
shapes = set()
for x in range(x0, x1 + 1):
    # Ink: black or dark grey; not the blue of the desktop.
    col = tuple(y for y in range(y0, y1 + 1)
                if max(px[3 * (y * w + x):3 * (y * w + x) + 3]) < 128
                and max(px[3 * (y * w + x):3 * (y * w + x) + 3]) - min(px[3 * (y * w + x):3 * (y * w + x) + 3]) < 40)
    if col:
        shapes.add(col)
print(len(shapes))'
}
shapes=0
balloon_in() {
  shapes=$(ink_shapes "$1") || return 1
  [ "$shapes" -ge 100 ]
}
frame_up() { W "$window" wait "Varnel3 (IPv4" 60000 >/dev/null || fail "the main frame did not appear ($1)"; }
# end_run WHEN: the tray menu's exit; the program ends and run.sh with it.
end_run() {
  W "$window" post "Varnel3 (IPv4" 0x8006 1 0 || fail "no frame to end ($1)"
  wait_until 30 ended "$run_pid" || fail "run.sh did not end within 30 s of the program ($1)"
  wait "$run_pid"
  local status=$?
  run_pid=""
  [ "$status" = 0 ] || fail "run.sh ended with $status ($1)"
}

# No display: run.sh starts one, not on :77, which belongs to a person's run.
VARNEL_RUN_DISPLAY= "$top/tools/run.sh" "$dir/build" >>"$dir/run.log" 2>&1 &
run_pid=$!
started() { grep -q 'started Xvfb on :' "$dir/run.log"; }
wait_until 120 started || fail "run.sh started no display"
display=$(sed -n 's/.*started Xvfb on \(:[0-9]*\).*/\1/p' "$dir/run.log" | tail -n 1)
frame_up "own display"
xvfb_pid=$(pgrep -P "$run_pid" -x Xvfb)
[ -n "$xvfb_pid" ] || fail "run.sh runs no Xvfb of its own"
# Above the tray, in the bottom right corner of the desktop.
wait_until 10 balloon_in 640x236+640+766 ||
  fail "no Japanese balloon in the desktop's corner ($shapes shapes of ink columns)"
shapes_own=$shapes
end_run "own display"
wait_until 10 ended "$xvfb_pid" || fail "the display $display is left after run.sh"
xvfb_pid=""

# The caller's display, standing for a person's: no desktop of Wine's there.
fifo="$dir/displayfd"
mkfifo "$fifo"
Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
own_xvfb=$!
read -r -t 30 num <"$fifo" || fail "the test's Xvfb did not start"
display=:$num
DISPLAY=$display "$top/tools/run.sh" "$dir/build" >>"$dir/run.log" 2>&1 &
run_pid=$!
# Not asked before run.sh has become the program: until then the prefix may
# still name the desktop, and a program started then would open it.
became_program() { tr '\0' ' ' <"/proc/$run_pid/cmdline" 2>/dev/null | grep -q 'Varnel3\.exe'; }
wait_until 120 became_program || fail "run.sh did not start the program on the caller's display"
frame_up "caller's display"
# Under Wine's tray window, in the top left corner of the screen.
wait_until 10 balloon_in 640x256+0+0 ||
  fail "no Japanese balloon under Wine's tray window ($shapes shapes of ink columns)"
end_run "caller's display"
echo "tools_run: ok (the balloon's ink columns take $shapes_own shapes in the desktop, $shapes on the caller's display)"
