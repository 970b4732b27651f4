#!/usr/bin/env bash
# RSA on at the receiver: the session key exchange runs, every line carries
# "#", and the copy still arrives.
. "$(dirname "$0")/net-lib.bash"

configure A --port "$port_A" --destination "$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --password "pw" --rsa 1 --testkey --onstart 0
start A
start B
clip A settext "over RSA" >/dev/null || fail "clipboard on A"
wait_clip B CF_UNICODETEXT "over RSA" 15 || fail "the text did not arrive"
wait_text A "【正常送信#】127.0.0.1 : $port_B  (1 KB) フォーマット: CF_UNICODETEXT" 10 || fail "A's line has no #"
wait_text B "【正常受信#】" 10 || fail "B's line has no #"
[ "$(count A "【送信エラー")" = 0 ] || fail "A logged an error"
stop A
stop B
echo "net_rsa: ok"
