#!/usr/bin/env bash
# Network figures of one build, side by side, in one run on this machine
# (MB = 2^20 bytes throughout):
#   (a) end to end: a 256 MB record copied on computer A (delayed sending
#       off) until a program on computer B holds it from B's clipboard, MB/s,
#       beside the design's lower bound, measured in the same run: the
#       capture's debounce + A's clipboard read + A's copy of the block into
#       its record + the data at the keystream rate + B's clipboard set + B's
#       read (A's copy also beside a plain memcpy into fresh memory);
#   (b) the keystream alone (XOR through the connection generator), MB/s;
#   (c) plain loopback TCP between two threads, MB/s;
#   the receiving program's peak memory during (a); and the median time from
#   a small text copied on A to the text on B's clipboard (the capture's
#   100 ms debounce included).
# Usage: bench/net_bench.sh <build dir> [MB] [latency rounds]
set -u
mb=${2:-256}
rounds=${3:-15}
top=$(cd "$(dirname "$0")/.." && pwd)
# The two computers, their programs and the helpers of the network tests.
. "$top/tests/e2e/net-lib.bash" "${1:?build dir}"
tool="$build/bench/net_bench_tool.exe"
dtool="$build/tools/delayed_tool.exe"
for f in "$tool" "$dtool"; do [ -f "$f" ] || fail "missing $f (build it first)"; done
relay_pid=
trap '[ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null; cleanup' EXIT INT TERM
port_R=$(free_port)
# A relay between the two programs times the connection itself: from A's
# connect to B's last reply (the wire part of (a), without the clipboards).
python3 - "$port_R" "$port_B" "$work/relay.out" <<'PY' &
import socket, sys, threading, time
lport, bport, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", lport))
srv.listen(8)
while True:
    a, _ = srv.accept()
    t0 = time.monotonic()
    b = socket.create_connection(("127.0.0.1", bport))
    for s in (a, b):
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    last = [t0, 0]
    def pump(src, dst, back):
        buf = bytearray(1 << 20)
        view = memoryview(buf)
        while True:
            try:
                n = src.recv_into(buf)
            except OSError:
                n = 0
            if n == 0:
                break
            dst.sendall(view[:n])
            if back:
                last[0] = time.monotonic()
            else:
                last[1] += n
        try:
            dst.shutdown(socket.SHUT_WR)
        except OSError:
            pass
    ta = threading.Thread(target=pump, args=(a, b, False))
    tb = threading.Thread(target=pump, args=(b, a, True))
    ta.start(); tb.start(); ta.join(); tb.join()
    with open(out, "a") as f:
        f.write("%d %.6f\n" % (last[1], last[0] - t0))
    a.close(); b.close()
PY
relay_pid=$!
configure A --port "$port_A" --destination "$(dest "$port_R")" --password bench --delay 0 --onstart 2
configure B --port "$port_B" --password bench --onstart 2
start A
start B

# The Linux process of the program on computer B.
receiver_pid() {
  local p
  for p in $(pgrep -f 'Varnel3.exe'); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$B/prefix" && { echo "$p"; return; }
  done
}
rpid=$(receiver_pid)
[ -n "$rpid" ] || fail "can't find the receiving program"
rss_before=$(awk '/^VmRSS/ {print $2}' "/proc/$rpid/status")

# (a): B waits for the marker with CF_WAVE; A puts the record on its clipboard.
head -c "$((mb * 1024 * 1024))" /dev/urandom >"$work/record.bin"
on B "$tool" wait CF_WAVE 300000 >"$work/wait.out" 2>/dev/null &
wp=$!
wait_until 10 grep -qs ready "$work/wait.out"
t0=$(on A "$tool" set CF_WAVE "Z:$work/record.bin" | tr -d '\r')
wait $wp || fail "the record did not arrive"
read -r t1 got_bytes < <(tail -1 "$work/wait.out" | tr -d '\r')
[ "$got_bytes" = "$((mb * 1024 * 1024))" ] || fail "B holds $got_bytes bytes, not $((mb * 1024 * 1024))"
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$rpid/status")
# The connection of the big record: the relay's first line.
wait_until 10 test -s "$work/relay.out"
wire_s=$(awk 'NR == 1 {print $2}' "$work/relay.out")

# (b) and (c), the same build on the same machine.
ks=$(on A "$tool" keystream "$mb" | tr -d '\r')
tcp=$(on A "$tool" tcp "$mb" | tr -d '\r')

# The platform's clipboard on the same data, best of 3 each: a program on A
# reads the record that is still on A's clipboard; on B a program puts it on
# the clipboard and another one reads it from there.
best_of() { printf '%s\n' "$@" | sort -g | head -1; }
get_A=(); copy_A=(); plain_A=(); put_B=(); get_B=()
for ((r = 1; r <= 3; r++)); do
  o=$(on A "$dtool" paste CF_WAVE 2>/dev/null | tr -d '\r'); get_A+=("${o%% *}")
  o=$(on A "$tool" record CF_WAVE 2>/dev/null | tr -d '\r'); copy_A+=("${o%% *}"); plain_A+=("${o##* }")
  o=$(on B "$dtool" put CF_WAVE "Z:$work/record.bin" 2>/dev/null | tr -d '\r'); put_B+=("${o%% *}")
  o=$(on B "$dtool" paste CF_WAVE 2>/dev/null | tr -d '\r'); get_B+=("${o%% *}")
done
read_A=$(best_of "${get_A[@]}")
rec_A=$(best_of "${copy_A[@]}")
memcpy_A=$(best_of "${plain_A[@]}")
set_B=$(best_of "${put_B[@]}")
read_B=$(best_of "${get_B[@]}")
debounce=0.100

# Latency of a small text.
lat=()
for ((r = 1; r <= rounds; r++)); do
  text="latency round $r"
  on B "$tool" wait CF_UNICODETEXT "$text" 20000 >"$work/lat.out" 2>/dev/null &
  wp=$!
  wait_until 10 grep -qs ready "$work/lat.out"
  s0=$(on A "$tool" settext "$text" | tr -d '\r')
  wait $wp || fail "round $r did not arrive"
  s1=$(tail -1 "$work/lat.out" | tr -d '\r'); s1=${s1%% *}
  lat+=("$(python3 -c "print(($s1 - $s0) * 1000)")")
done
median=$(printf '%s\n' "${lat[@]}" | sort -g | awk '{a[NR] = $1} END {printf "%.0f", (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}')

data_kb=$((mb * 1024))
limit_kb=$((data_kb * 12 / 10 + 32 * 1024))
figures=$(python3 - "$mb" "$t0" "$t1" "$wire_s" "$ks" "$debounce" "$read_A" "$rec_A" "$memcpy_A" "$set_B" "$read_B" <<'PY'
import sys
mb = int(sys.argv[1])
t0, t1, wire_s, ks, debounce, read_a, rec_a, memcpy_a, set_b, read_b = (float(x) for x in sys.argv[2:])
e2e = t1 - t0
data = mb / ks
bound = debounce + read_a + rec_a + data + set_b + read_b
row = lambda k, v: print("%-64s %10s" % (k, v))
row("(a) end to end, %d MB record, MB/s" % mb, "%.1f" % (mb / e2e))
row("    seconds, copy on A to B's program holding it", "%.2f" % e2e)
row("    bound, s: debounce + A read + A copy + data + B set + B read", "%.2f" % bound)
row("      (each, s)", "%.2f %.2f %.2f %.2f %.2f %.2f" % (debounce, read_a, rec_a, data, set_b, read_b))
row("    A copy into its record, MB/s", "%.0f" % (mb / rec_a))
row("      plain memcpy into fresh memory, MB/s", "%.0f" % (mb / memcpy_a))
row("    over the bound (aim: at most 15%)", "%.0f%%" % (100 * (e2e / bound - 1)))
row("(a') the connection alone, MB/s", "%.1f" % (mb / wire_s))
row("    seconds, connect to last reply", "%.2f" % wire_s)
row("    bound, s: the data at the keystream rate", "%.2f" % data)
row("    over the bound", "%.0f%%" % (100 * (wire_s / data - 1)))
row("(b) keystream only, MB/s", "%.1f" % ks)
row("(a') / (b) (aim: at least 90%)", "%.0f%%" % (100 * data / wire_s))
PY
)
printf '%-64s %10s\n' "figure" "value"
echo "$figures"
printf '%-64s %10s\n' "(c) plain loopback TCP, MB/s" "$tcp"
printf '%-64s %10s\n' "receiver peak memory, MB" "$((hwm / 1024))"
printf '%-64s %10s\n' "    (before the transfer, MB)" "$((rss_before / 1024))"
printf '%-64s %10s\n' "    (aim: at most 1.2 x data + 32 MB, MB)" "$((limit_kb / 1024))"
printf '%-64s %10s\n' "small text A to B, median of $rounds, ms (aim ~105)" "$median"
