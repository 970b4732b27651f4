#!/usr/bin/env bash
# Two computers: B holds placeholders of A's copy; a new copy on B stops B's
# receiver (the connection and the server window go, without a line on
# either side) while B's copy itself travels to A.
. "$(dirname "$0")/delayed-lib.bash"

configure A --port "$port_A" --destination "$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --destination "$(dest "$port_A")" --password "pw" --onstart 0
sendlist A "\"$block_name\""
head -c $((1024 * 1024)) /dev/urandom >"$work/block.bin"

start A
start B
clip A set "$block_name" "file:Z:$work/block.bin" >/dev/null || fail "clipboard on A"
wait_text B "【受信可能】" 15 || fail "B has no offer line"
[ "$(links "$port_B")" -eq 1 ] || fail "B's receiver holds no connection"
[ "$(owner B)" = window ] || fail "B's clipboard has no owner window"

clip B settext "a new copy on B" >/dev/null || fail "clipboard on B"
wait_until 10 links_are "$port_B" 0 || fail "B's receiver still holds the connection"
wait_clip A CF_UNICODETEXT "a new copy on B" 15 || fail "B's copy did not reach A"
wait_text A "【正常受信】" 10 || fail "A has no reception line"
[ "$(count A "【送信エラー")" = 0 ] || fail "A's waiting sender logged an error"
[ "$(count B "【受信エラー")" = 0 ] || fail "B's stopped receiver logged an error"
[ "$(count B "【エラー】")" = 0 ] || fail "B logged an error"
# The server window went with the receiver: the clipboard's owner is now
# whoever copied on B (the tool, which has no window).
[ "$(owner B)" = none ] || fail "an owner window is still there on B"

stop A
stop B
echo "delayed_new_copy: ok"
