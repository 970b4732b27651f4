#!/usr/bin/env bash
# A computer without an enabled destination logs that nothing was sent; one
# whose only destination is switched off does the same.
. "$(dirname "$0")/net-lib.bash"

configure A --port "$port_A" --destination "0,\"127.0.0.1\",$port_B,0" --onstart 0
start A
clip A settext "nowhere to go" >/dev/null || fail "clipboard on A"
wait_text A "【送信なし】送信先が設定されていません。" 10 || fail "no line for a copy without destination"
[ "$(count A "【送信エラー")" = 0 ] || fail "an error line"
stop A
echo "net_no_destination: ok"
