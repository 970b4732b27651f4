#!/usr/bin/env bash
# Two computers: a text copied on A lands on B's clipboard with the internal
# marker and is not sent back; both logs have their lines; a new copy on A
# stops A's senders that still wait for requests (and B's receiver with them).
. "$(dirname "$0")/net-lib.bash"

configure A --port "$port_A" --destination "$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --destination "$(dest "$port_A")" --password "pw" --onstart 0
clip B settext "B's own text" >/dev/null || fail "clipboard on B"
start A
start B

# 1. Unicode text, sent at once.
clip A settext "hello from A" >/dev/null || fail "clipboard on A"
wait_clip B CF_UNICODETEXT "hello from A" 15 || fail "the text did not arrive on B: $(clip B list)"
has_format B LarkspireBrinmoor2Internal || fail "no internal marker on B: $(clip B list)"
wait_text A "【正常送信】127.0.0.1 : $port_B  (1 KB) フォーマット: CF_UNICODETEXT" 10 ||
  fail "A has no transfer line"
wait_text B "【正常受信】" 10 || fail "B has no reception line"
log B | grep -q -F "  (1 KB) フォーマット: CF_UNICODETEXT" || fail "B's reception line"
# Not sent back: B's capture sees the marker and sends nothing.
sleep 1
[ "$(count B "【正常送信")" = 0 ] || fail "B sent the received text back"
[ "$(count B "【送信なし】")" = 0 ] || fail "B logged a capture of the received text"
[ "$(count A "【正常受信")" = 0 ] || fail "A received its own text back"

# 2. A format that waits for a request (delayed sending is on): A's sender
#    stays, B's receiver holds it.
clip A set CF_WAVE hex:52494646 >/dev/null || fail "clipboard on A"
wait_text A "【送信可能】127.0.0.1 : $port_B フォーマット: CF_WAVE" 10 || fail "A has no offer line"
wait_text B "【受信可能】" 10 || fail "B has no offer line"

# 3. A new copy on A stops that sender without a line, and the new connection
#    replaces B's receiver.
clip A settext "second copy" >/dev/null || fail "clipboard on A"
wait_clip B CF_UNICODETEXT "second copy" 15 || fail "the second copy did not arrive on B"
wait_count A "【正常送信】" 2 10 || fail "A has no second transfer line"
[ "$(count A "【送信エラー")" = 0 ] || fail "stopping the waiting sender logged an error"
[ "$(count B "【受信エラー")" = 0 ] || fail "replacing the receiver logged an error"

stop A
stop B
echo "net_transfer: ok"
