#!/usr/bin/env bash
# A's destinations name A itself (loopback and A's own port) before B. A's
# copy goes to B only; A says once why it skips itself, its own receiver
# never takes the copy, and A's clipboard and the sender behind B's
# placeholder stay: both pastes get the data.
. "$(dirname "$0")/delayed-lib.bash"

configure A --port "$port_A" --destination "1,\"127.0.0.1\",$port_A,0;$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --password "pw" --onstart 0
sendlist A "\"$block_name\""
head -c $((200 * 1024 + 3)) /dev/urandom >"$work/block.bin"
skip="【送信なし】127.0.0.1 : $port_A 送信先はこのコンピュータ自身の受信ポートのため送信しません。"

start A
start B
clip A set "$block_name" "file:Z:$work/block.bin" >/dev/null || fail "clipboard on A"
wait_text B "【受信可能】" 15 || fail "B has no offer line"
wait_text A "$skip" 10 || fail "A has no line for skipping itself"
sleep 2
[ "$(count A "$skip")" = 1 ] || fail "A's skip line is not alone"
[ "$(count A "【受信")" = 0 ] || fail "A's own receiver took the copy"
has_format A LarkspireBrinmoor2Internal && fail "A's clipboard has the marker"
[ "$(count A "【送信可能】127.0.0.1 : $port_B ")" = 1 ] || fail "A has no offer line for B"

paste_to B "$block_name" "$work/b.bin" >/dev/null || fail "B's paste got nothing"
cmp -s "$work/block.bin" "$work/b.bin" || fail "B's paste differs"
paste_to A "$block_name" "$work/a.bin" >/dev/null || fail "A's own clipboard lost the copy"
cmp -s "$work/block.bin" "$work/a.bin" || fail "A's clipboard differs"
[ "$(count A "【送信エラー")" = 0 ] || fail "A logged a sending error"

stop A
stop B
echo "net_self: ok"
