# Shared steps of the start-up and capture drivers (app_*.sh): one computer,
# the program and the two helper tools, and small polling checks. Sourced;
# not named .sh, so that it is no test of its own.
set -u
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$top/tools/wine-lib.sh"

program="$build/Varnel3.exe"
clipboard="$build/tools/clipboard.exe"
window="$build/tools/window.exe"
for f in "$program" "$clipboard" "$window"; do
  [ -f "$f" ] || { echo "missing $f (build it first)"; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-e2e-app.XXXXXX")
trap 'computer_stop "$dir"' EXIT INT TERM
computer_start "$dir" || { echo "could not start a Wine computer"; exit 1; }

# A failure shows what the program printed (a Wine fault would be there).
fail() {
  echo "FAIL: $*"
  if [ -s "$dir/program.log" ]; then
    echo "--- the program's output:"
    tail -n 20 "$dir/program.log"
  fi
  exit 1
}
W() { computer_wine "$dir" "$@"; }
# A receive port of its own: runs in parallel must not meet on 60125, where
# the second listener's "port can't be opened" box would hold its program.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
# The frame's title starts with this (the rest is Japanese).
frame_title="Varnel3 (IPv4"

regadd() {  # regadd KEY NAME TYPE DATA
  local out
  out=$(W reg add "HKCU\\$1" /v "$2" /t "$3" /d "$4" /f 2>&1) ||
    fail "reg add $1 $2 (exit $?): $(printf '%s' "$out" | tr -d '\r' | tail -n 3)"
}
# regget KEY NAME: the value's data as reg query prints it, empty when absent.
regget() {
  W reg query "HKCU\\$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" '$1 == n && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^  */, ""); print; exit }'
}
# regbytes KEY NAME: the size in bytes of a binary value, empty when absent.
# Asked twice before it counts as absent, saying so: a lost answer of reg.exe
# must not pass for a value the program didn't write.
regbytes() {
  local n try
  for try in 1 2; do
    n=$(W reg query "HKCU\\$1" /v "$2" 2>/dev/null | tr -d '\r' |
      awk -v n="$2" '$1 == n && $2 == "REG_BINARY" { print length($3) / 2; exit }')
    [ -n "$n" ] && { echo "$n"; return 0; }
    [ "$try" = 1 ] && echo "note: reg query found no $1\\$2; asking again" >&2
  done
  return 0
}
# regnames KEY: each value's name, type and size of its data as reg prints it.
regnames() {
  W reg query "HKCU\\$1" 2>/dev/null | tr -d '\r' |
    awk '$2 ~ /^REG_/ { print $1, $2, length($3) }'
}
regdel() { W reg delete "HKCU\\$1" /f >/dev/null 2>&1; }

# answer_sheet [BUTTON]: presses a button (default OK) of the first-run or
# repair settings sheet "設定".
answer_sheet() {
  W "$window" click "設定" "${1:-1}" 30000 >/dev/null || fail "no settings sheet"
}
# start_program [sheet]: the first copy, in the background ($app_pid); with
# "sheet", a first run: its settings sheet is answered with OK. Waits for the frame.
start_program() {
  W "$program" >"$dir/program.log" 2>&1 &
  app_pid=$!
  [ "${1:-}" = sheet ] && answer_sheet
  W "$window" wait "$frame_title" 30000 >/dev/null || fail "the main frame did not appear"
}
# frame_state: visible / hidden / none.
frame_state() { W "$window" state "$frame_title" | tr -d '\r'; }
frame_state_is() { [ "$(frame_state)" = "$1" ]; }
# wait_frame_state STATE SECONDS
wait_frame_state() { wait_until "$2" frame_state_is "$1"; }
# end_program [WHEN]: the tray menu's exit (UWM_ENDRESIDENT, wParam 1); waits
# for the end and returns the program's exit code.
end_program() {
  W "$window" post "$frame_title" 0x8006 1 0 || fail "no frame to end ${1:-}"
  wait_until 20 ended "$app_pid" || fail "the program did not end within 20 s ${1:-}"
  wait "$app_pid"
}
