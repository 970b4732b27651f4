#!/usr/bin/env bash
# Two computers, B holding placeholders of A's copy, and the ways B's
# receiver is stopped without a line on either side: a new connection (a
# second copy on A) replaces it; a new copy on B stops it while B's copy
# travels to A; the end of B's program stops it and the program ends at once.
. "$(dirname "$0")/delayed-lib.bash"

configure A --port "$port_A" --destination "$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --destination "$(dest "$port_A")" --password "pw" --onstart 0
sendlist A "\"$block_name\""
head -c $((1024 * 1024)) /dev/urandom >"$work/block.bin"
# peer B: the sender's end of the connection B's receiver holds.
peer() { ss -Htn state established "( sport = :$port_B )" | awk '{print $4}'; }
no_errors() {
  [ "$(count A "【送信エラー")" = 0 ] || fail "A logged a sending error"
  [ "$(count B "【受信エラー")" = 0 ] || fail "B logged a receiving error"
  [ "$(count B "【エラー】")" = 0 ] || fail "B logged an error"
}

start A
start B
clip A set "$block_name" "file:Z:$work/block.bin" >/dev/null || fail "clipboard on A"
wait_count B "【受信可能】" 1 15 || fail "B has no offer line"
[ "$(links "$port_B")" -eq 1 ] || fail "B's receiver holds no connection"
[ "$(owner B)" = window ] || fail "B's clipboard has no owner window"
first=$(peer)

# 1. A new connection: the older receiver goes, the newer one holds.
clip A set "$block_name" "file:Z:$work/block.bin" CF_RIFF "hex:52494646" >/dev/null || fail "clipboard on A"
wait_count B "【受信可能】" 2 15 || fail "B has no second offer line"
wait_until 10 eval '[ "$(links "$port_B")" -eq 1 ] && [ "$(peer)" != "$first" ]' ||
  fail "the first connection is still held: $(peer)"
log B | grep "【受信可能】" | tail -1 | grep -q CF_RIFF || fail "the second offer is not the second copy's"
[ "$(owner B)" = window ] || fail "the new receiver has no window"
no_errors

# 2. A new copy on B.
clip B settext "a new copy on B" >/dev/null || fail "clipboard on B"
wait_until 10 links_are "$port_B" 0 || fail "B's receiver still holds the connection"
wait_clip A CF_UNICODETEXT "a new copy on B" 15 || fail "B's copy did not reach A"
wait_text A "【正常受信】" 10 || fail "A has no reception line"
no_errors

# 3. The end of B's program while it holds placeholders.
clip A set "$block_name" "file:Z:$work/block.bin" >/dev/null || fail "clipboard on A"
wait_count B "【受信可能】" 3 15 || fail "B has no third offer line"
wait_until 10 links_are "$port_B" 1 || fail "B's receiver holds no connection"
t0=$(date +%s.%N)
stop B
# Well under the 20 s a silent peer is given, with room for a busy Wine.
python3 -c "import sys; t = $(date +%s.%N) - $t0; print('B ended in %.1f s' % t); sys.exit(0 if t < 15 else 1)" ||
  fail "B took long to end"
wait_until 10 links_are "$port_B" 0 || fail "the connection outlived B's program"
sleep 1
[ "$(count A "【送信エラー")" = 0 ] || fail "A's waiting sender logged an error"

stop A
echo "delayed_stops: ok"
