# Shared steps of the two-computer network drivers (net_*.sh) and the
# network benchmarks: computers A and B (each its own prefix, display,
# clipboard and registry), the program on each, configured through its
# registry, and polling checks with deadlines.
# Sourced; not named .sh, so that it is no test of its own.
set -u
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$top/tools/wine-lib.sh"

program="$build/Varnel3.exe"
clipboard="$build/tools/clipboard.exe"
window="$build/tools/window.exe"
netconfig="$build/tools/netconfig.exe"
for f in "$program" "$clipboard" "$window" "$netconfig"; do
  [ -f "$f" ] || { echo "missing $f (build it first)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/varnel-e2e-net.XXXXXX")
A="$work/A"
B="$work/B"
declare -A app_pid=()
cleanup() {
  local c
  for c in "$A" "$B"; do computer_stop "$c"; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

fail() {
  echo "FAIL: $*"
  local c
  for c in A B; do
    [ -d "$work/$c/prefix" ] && { echo "--- log of $c:"; log "$c" 2>/dev/null; }
  done
  exit 1
}
# on A|B PROGRAM ARGS...: run a program on that computer.
on() { local c=$1; shift; computer_wine "$work/$c" "$@"; }

computer_start "$A" & pa=$!
computer_start "$B" & pb=$!
wait $pa || fail "could not start computer A"
wait $pb || fail "could not start computer B"

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port_A=$(free_port)
port_B=$(free_port)
frame_title="Varnel3 (IPv4"

# configure A|B ARGS...: netconfig on that computer (SettingInitialized too).
configure() { local c=$1; shift; on "$c" "$netconfig" "$@" >/dev/null 2>&1 || fail "netconfig on $c"; }
# dest PORT: a destination text for the other computer on loopback.
dest() { echo "1,\"127.0.0.1\",$1,0"; }

# start A|B: the program, in the background; waits for its frame and for its
# listener to run.
start() {
  local c=$1
  on "$c" "$program" >"$work/$c.out" 2>&1 &
  app_pid[$c]=$!
  on "$c" "$window" wait "$frame_title" 30000 >/dev/null || fail "no main frame on $c"
  wait_text "$c" "稼働中" 20 || fail "the listener of $c is not running"
}
# stop A|B: ends the program through the tray menu's exit; waits for it.
stop() {
  local c=$1
  on "$c" "$window" post "$frame_title" 0x8006 1 0 >/dev/null 2>&1
  wait_until 20 ended "${app_pid[$c]}" || fail "the program on $c did not end"
  wait "${app_pid[$c]}"
  return 0
}
# log A|B: the main window's event log and its status lines.
log() {
  on "$1" "$window" text "$frame_title" Edit 2>/dev/null | tr -d '\r'
  on "$1" "$window" text "$frame_title" Static 2>/dev/null | tr -d '\r'
}
count() { log "$1" | grep -c -F -- "$2"; }
has_text() { log "$1" | grep -q -F -- "$2"; }
has_count() { [ "$(count "$1" "$2")" -ge "$3" ]; }
# wait_text A|B TEXT SECONDS: until some line holds TEXT.
wait_text() { wait_until "$3" has_text "$1" "$2"; }
# wait_count A|B TEXT N SECONDS: until N lines hold TEXT.
wait_count() { wait_until "$4" has_count "$1" "$2" "$3"; }
# clip A|B ARGS...: the clipboard tool there.
clip() { local c=$1; shift; on "$c" "$clipboard" "$@" 2>/dev/null | tr -d '\r'; }
clip_is() { [ "$(clip "$1" get "$2")" = "$3" ]; }
# wait_clip A|B FORMAT TEXT SECONDS: until the format's text on the clipboard is TEXT.
wait_clip() { wait_until "$4" clip_is "$1" "$2" "$3"; }
has_format() { clip "$1" list | awk -F'\t' '{print $2}' | grep -qx -- "$2"; }
