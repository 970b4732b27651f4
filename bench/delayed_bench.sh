#!/usr/bin/env bash
# Delayed-rendering figure of one build, side by side in one run on this
# machine: the time from a paste on computer B to the data in hand for a
# placeholder of <MB> (64 by default) copied on computer A, as MB/s, against
# the keystream-only rate (XOR through the connection generator) of the same
# build. Each round is a new copy on A, so every paste crosses the wire.
# Usage: bench/delayed_bench.sh <build dir> [MB] [rounds]
set -u
build=$(cd "${1:?build dir}" && pwd)
mb=${2:-64}
rounds=${3:-3}
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/wine-lib.sh"

program="$build/Varnel3.exe"
tool="$build/bench/delayed_tool.exe"
clipboard="$build/tools/clipboard.exe"
netconfig="$build/tools/netconfig.exe"
window="$build/tools/window.exe"
for f in "$program" "$tool" "$clipboard" "$netconfig" "$window"; do
  [ -f "$f" ] || { echo "missing $f (build it first)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/varnel-bench-delayed.XXXXXX")
A="$work/A"
B="$work/B"
trap 'computer_stop "$A"; computer_stop "$B"; rm -rf "$work"' EXIT INT TERM
computer_start "$A" & pa=$!
computer_start "$B" & pb=$!
wait $pa && wait $pb || { echo "could not start the computers"; exit 1; }
on() { local c=$1; shift; computer_wine "$c" "$@"; }
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port_A=$(free_port)
port_B=$(free_port)
name="Varnel Bench Block"
on "$A" "$netconfig" --port "$port_A" --destination "1,\"127.0.0.1\",$port_B,0" --password bench \
  --onstart 2 >/dev/null
on "$A" reg add 'HKCU\Software\Tamberlow\Varnel3\Settings' /v Formats3 /t REG_SZ /d "\"$name\"" /f >/dev/null 2>&1
on "$B" "$netconfig" --port "$port_B" --password bench --onstart 2 >/dev/null
on "$A" "$program" >/dev/null 2>&1 &
on "$B" "$program" >/dev/null 2>&1 &
for c in "$A" "$B"; do
  on "$c" "$window" wait "Varnel3 (IPv4" 30000 >/dev/null || { echo "a program did not start"; exit 1; }
done
sleep 2

log_B() { on "$B" "$window" text "Varnel3 (IPv4" Edit 2>/dev/null | tr -d '\r'; }
head -c "$((mb * 1024 * 1024))" /dev/urandom >"$work/record.bin"
times=()
for ((r = 1; r <= rounds; r++)); do
  before=$(log_B | grep -c "【受信可能】")
  on "$A" "$clipboard" set "$name" "file:Z:$work/record.bin" >/dev/null 2>&1 || { echo "clipboard on A"; exit 1; }
  ok=
  for ((i = 0; i < 150; i++)); do
    [ "$(log_B | grep -c "【受信可能】")" -gt "$before" ] && { ok=1; break; }
    sleep 0.2
  done
  [ -n "$ok" ] || { echo "round $r: the placeholder did not reach B"; exit 1; }
  out=$(on "$B" "$tool" paste "$name" "Z:$work/got.bin" 2>/dev/null | tr -d '\r') || { echo "round $r: no data"; exit 1; }
  cmp -s "$work/record.bin" "$work/got.bin" || { echo "round $r: the data differs"; exit 1; }
  times+=("${out%% *}")
  rm -f "$work/got.bin"
done
ks=()
for ((r = 1; r <= 3; r++)); do ks+=("$(on "$A" "$tool" keystream "$mb" | tr -d '\r')"); done

# What the platform's clipboard costs alone, on the same data: A's sender
# reads the block from its clipboard, B's receiver hands it to the clipboard,
# the pasting program takes it from there. Best of 3 each.
best_of() { printf '%s\n' "$@" | sort -g | head -1; }
get_A=(); put_B=(); get_B=()
for ((r = 1; r <= 3; r++)); do
  o=$(on "$A" "$tool" paste "$name" 2>/dev/null | tr -d '\r'); get_A+=("${o%% *}")
  put_B+=("$(on "$B" "$tool" put "$name" "Z:$work/record.bin" 2>/dev/null | tr -d '\r')")
  o=$(on "$B" "$tool" paste "$name" 2>/dev/null | tr -d '\r'); get_B+=("${o%% *}")
done
platform="$(best_of "${get_A[@]}") $(best_of "${put_B[@]}") $(best_of "${get_B[@]}")"

python3 - "$mb" "${times[*]}" "${ks[*]}" "$platform" <<'PY'
import statistics, sys
mb = int(sys.argv[1])
times = [float(t) for t in sys.argv[2].split()]
ks = max(float(k) for k in sys.argv[3].split())
best = min(times)
med = statistics.median(times)
print("%-52s %10s" % ("figure", "value"))
print("%-52s %10s" % ("paste on B to data in hand, %d MB placeholder, s" % mb,
                       " ".join("%.2f" % t for t in times)))
print("%-52s %10.1f" % ("  as MB/s, best of %d" % len(times), mb / best))
print("%-52s %10.1f" % ("  as MB/s, median", mb / med))
print("%-52s %10.1f" % ("keystream only, same build, MB/s (best of 3)", ks))
print("%-52s %9.0f%%" % ("paste rate / keystream rate, best (aim: >= 80%)", 100 * mb / best / ks))
print("%-52s %9.0f%%" % ("paste rate / keystream rate, median", 100 * mb / med / ks))
get_a, put_b, get_b = (float(x) for x in sys.argv[4].split())
clip = get_a + put_b + get_b
print("%-52s %10.2f" % ("clipboard alone: A's read, B's hand-over, paste, s", clip))
print("%-52s %10s" % ("  (each, s)", "%.2f %.2f %.2f" % (get_a, put_b, get_b)))
rest = best - clip
print("%-52s %10.2f" % ("the rest (request, wire, both keystreams), best, s", rest))
if rest > 0:
    print("%-52s %10.1f" % ("  as MB/s", mb / rest))
    print("%-52s %9.0f%%" % ("  / keystream rate", 100 * mb / rest / ks))
PY
