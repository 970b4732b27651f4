#!/usr/bin/env bash
# The capture on a real clipboard, seen through the event log of the main
# window: start-up contents are not sent, a burst of changes is one capture,
# the receiver's own contents (the internal format) are not sent back.
# With no destination set, every capture that made records logs one
# "【送信なし】" line, and one without records the send-error line.
. "$(dirname "$0")/app-lib.bash"
key='Software\Tamberlow\Varnel3'
regadd "$key\\Network" SettingInitialized REG_DWORD 1
regadd "$key\\Network" Port REG_DWORD "$port"
regadd "$key\\Settings" OnStart REG_DWORD 0

nothing_sent='【送信なし】'
no_format='【送信エラー】クリップボードに転送可能なフォーマットのデータがありません。'
log() { W "$window" text "$frame_title" Edit | tr -d '\r'; }
count() { log | grep -c -- "$1"; }
has_count() { [ "$(count "$1")" -ge "$2" ]; }
# wait_count TEXT N: until the log holds N lines with TEXT (10 s at most).
wait_count() { wait_until 10 has_count "$1" "$2"; }

W "$clipboard" settext "there before the start" || fail "clipboard tool"
start_program
wait_frame_state visible 10 || fail "no window"
sleep 1
[ "$(count "$nothing_sent")" = 0 ] || fail "the start-up contents were sent"

W "$clipboard" burst 10 50 "burst" || fail "clipboard burst"
wait_count "$nothing_sent" 1 || fail "no capture after the burst: $(log)"
sleep 1
[ "$(count "$nothing_sent")" = 1 ] || fail "a burst of 10 changes gave $(count "$nothing_sent") captures"

# The receiver's own contents: nothing is sent and nothing logged.
W "$clipboard" set LarkspireBrinmoor2Internal hex:01 CF_UNICODETEXT "from a peer" || fail "clipboard set"
sleep 1
[ "$(count "$nothing_sent")" = 1 ] || fail "the internal format's contents were sent"
[ "$(count "$no_format")" = 0 ] || fail "the internal format's contents were logged"

# A copy of nothing that travels: the send-error line.
W "$clipboard" set "Private Stuff" "not in the send list" CF_HDROP hex:00 || fail "clipboard set"
wait_count "$no_format" 1 || fail "no send-error line for a clipboard with nothing to send"

W "$clipboard" settext "again" || fail "clipboard settext"
wait_count "$nothing_sent" 2 || fail "no capture after the echo"
end_program
echo "app_capture: ok"
