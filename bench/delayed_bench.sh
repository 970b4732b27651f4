#!/usr/bin/env bash
# Delayed-rendering figure of one build, side by side in one run on this
# machine (MB = 2^20 bytes): the time from a paste on computer B to the data
# in hand for a placeholder of <MB> (64 by default) copied on computer A, as
# MB/s, against the keystream-only rate (XOR through the connection
# generator) of the same build, and beside the design's lower bound measured
# in the same run: A's clipboard read + the data at the keystream rate + B's
# clipboard set + B's read. Each round is a new copy on A, so every paste
# crosses the wire.
# Usage: bench/delayed_bench.sh <build dir> [MB] [rounds]
set -u
mb=${2:-64}
rounds=${3:-3}
top=$(cd "$(dirname "$0")/.." && pwd)
# The two computers, their programs and the helpers of the network tests.
. "$top/tests/e2e/net-lib.bash" "${1:?build dir}"
tool="$build/tools/delayed_tool.exe"
[ -f "$tool" ] || fail "missing $tool (build it first)"

name="Varnel Bench Block"
configure A --port "$port_A" --destination "$(dest "$port_B")" --password bench --onstart 2
on A reg add 'HKCU\Software\Tamberlow\Varnel3\Settings' /v Formats3 /t REG_SZ /d "\"$name\"" /f >/dev/null 2>&1
configure B --port "$port_B" --password bench --onstart 2
start A
start B

head -c "$((mb * 1024 * 1024))" /dev/urandom >"$work/record.bin"
times=()
for ((r = 1; r <= rounds; r++)); do
  before=$(count B "【受信可能】")
  on A "$clipboard" set "$name" "file:Z:$work/record.bin" >/dev/null 2>&1 || fail "clipboard on A"
  wait_count B "【受信可能】" $((before + 1)) 30 || fail "round $r: the placeholder did not reach B"
  out=$(on B "$tool" paste "$name" "Z:$work/got.bin" 2>/dev/null | tr -d '\r') || fail "round $r: no data"
  cmp -s "$work/record.bin" "$work/got.bin" || fail "round $r: the data differs"
  times+=("${out%% *}")
  rm -f "$work/got.bin"
done
ks=()
for ((r = 1; r <= 3; r++)); do ks+=("$(on A "$tool" keystream "$mb" | tr -d '\r')"); done

# What the platform's clipboard costs alone, on the same data: A's sender
# reads the block from its clipboard, B's receiver hands it to the clipboard,
# the pasting program takes it from there. Best of 3 each.
best_of() { printf '%s\n' "$@" | sort -g | head -1; }
get_A=(); put_B=(); get_B=()
for ((r = 1; r <= 3; r++)); do
  o=$(on A "$tool" paste "$name" 2>/dev/null | tr -d '\r'); get_A+=("${o%% *}")
  # A render hands its block over with SetClipboardData alone.
  o=$(on B "$tool" put "$name" "Z:$work/record.bin" 2>/dev/null | tr -d '\r'); put_B+=("${o##* }")
  o=$(on B "$tool" paste "$name" 2>/dev/null | tr -d '\r'); get_B+=("${o%% *}")
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
print("%-52s %9.0f%%" % ("paste rate / keystream rate, best", 100 * mb / best / ks))
print("%-52s %9.0f%%" % ("paste rate / keystream rate, median", 100 * mb / med / ks))
get_a, put_b, get_b = (float(x) for x in sys.argv[4].split())
clip = get_a + put_b + get_b
print("%-52s %10.2f" % ("clipboard alone: A's read, B's hand-over, paste, s", clip))
print("%-52s %10s" % ("  (each, s)", "%.2f %.2f %.2f" % (get_a, put_b, get_b)))
bound = clip + mb / ks
print("%-52s %10.2f" % ("bound: A read + data at keystream rate + B set + read, s", bound))
print("%-52s %9.0f%%" % ("  best over the bound (aim: at most 15%)", 100 * (best / bound - 1)))
print("%-52s %9.0f%%" % ("  median over the bound", 100 * (med / bound - 1)))
rest = best - clip
print("%-52s %10.2f" % ("the rest (request, wire, both keystreams), best, s", rest))
if rest > 0:
    print("%-52s %10.1f" % ("  as MB/s", mb / rest))
    print("%-52s %9.0f%%" % ("  / keystream rate", 100 * mb / rest / ks))
PY
