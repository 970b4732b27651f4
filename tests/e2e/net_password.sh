#!/usr/bin/env bash
# A wrong password leaves B's clipboard alone and both sides log it: without
# RSA A loses the connection after its directory, with RSA A sees the check
# words fail; B always gives its password report.
. "$(dirname "$0")/net-lib.bash"

report='受信データのフォーマットが異常です。パスワードが一致していない可能性があります。'
configure A --port "$port_A" --destination "$(dest "$port_B")" --password "right" --onstart 0
configure B --port "$port_B" --password "wrong" --rsa 0 --onstart 0
clip B settext "B keeps this" >/dev/null || fail "clipboard on B"
start A
start B

clip A settext "secret text" >/dev/null || fail "clipboard on A"
wait_text B "【受信エラー】" 15 || fail "B has no error line"
log B | grep -q -F "$report" || fail "B's line is not the password report"
wait_text A "【送信エラー】127.0.0.1 : $port_B " 10 || fail "A has no error line"
sleep 1
# Read again for a while: on a loaded machine one read of the tool can come
# back empty although the clipboard holds the text.
wait_clip B CF_UNICODETEXT "B keeps this" 3 || fail "B's clipboard changed: [$(clip B get CF_UNICODETEXT)] $(clip B list)"
has_format B LarkspireBrinmoor2Internal && fail "B's clipboard has the marker"

# With RSA on at B: the check words tell A.
stop B
configure B --port "$port_B" --password "wrong" --rsa 1 --testkey --onstart 0
start B
clip A settext "secret text 2" >/dev/null || fail "clipboard on A"
wait_text A "【送信エラー】127.0.0.1 : $port_B 応答を受信できません。" 15 || fail "A has no protocol line"
wait_text B "【受信エラー#】" 10 || fail "B has no error line with #"
log B | grep -F "【受信エラー#】" | grep -q -F "$report" || fail "B's RSA line is not the password report"
wait_clip B CF_UNICODETEXT "B keeps this" 3 || fail "B's clipboard changed: [$(clip B get CF_UNICODETEXT)] $(clip B list)"

stop A
stop B
echo "net_password: ok"
