#!/usr/bin/env bash
# Two computers, delayed sending on: a large text and a registered format of
# several MB copied on A travel as placeholders and are pasted on B byte for
# byte, each with its lines on both sides; a second paste costs no traffic; an
# idle connection still serves a paste; ending A ends B's receiver and its
# window, after which a never-fetched format gives nothing while what was
# fetched stays, and B's program keeps running.
. "$(dirname "$0")/delayed-lib.bash"

configure A --port "$port_A" --destination "$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --destination "$(dest "$port_A")" --password "pw" --onstart 0
sendlist A "\"$block_name\""

# Text of about 160 KB (well over the 4 KB that travel at once), UTF-16LE
# with its terminator; a block of 6 MB; a small format never pasted.
python3 - "$work" <<'PY'
import os, sys
w = sys.argv[1]
line = "遅延レンダリングの試験 delayed rendering line %05d ☃\r\n"
text = "".join(line % i for i in range(3000))
open(os.path.join(w, "text.bin"), "wb").write(text.encode("utf-16-le") + b"\0\0")
open(os.path.join(w, "block.bin"), "wb").write(os.urandom(6 * 1024 * 1024 + 123))
open(os.path.join(w, "riff.bin"), "wb").write(b"RIFF\x04\0\0\0WAVE")
PY
text_size=$(stat -c %s "$work/text.bin")
block_size=$(stat -c %s "$work/block.bin")

start A
start B
clip A set CF_UNICODETEXT "file:Z:$work/text.bin" "$block_name" "file:Z:$work/block.bin" \
  CF_RIFF "file:Z:$work/riff.bin" >/dev/null || fail "clipboard on A"
wait_text A "【送信可能】127.0.0.1 : $port_B フォーマット: " 15 || fail "A has no offer line"
for name in CF_UNICODETEXT "$block_name" CF_RIFF; do
  log A | grep "【送信可能】" | grep -q -F -- "$name" || fail "A's offer line lacks $name"
done
wait_text B "【受信可能】" 15 || fail "B has no offer line"
[ "$(count A "【正常送信")" = 0 ] || fail "A sent data before any paste"
formats B | grep -qx -- "$block_name" || fail "the placeholder is not on B's clipboard: $(formats B)"
formats B | grep -qx LarkspireBrinmoor2Internal || fail "no internal marker on B"
[ "$(owner B)" = window ] || fail "B's clipboard has no owner window"

# 1. The text, fetched on the paste.
paste_to B CF_UNICODETEXT "$work/b_text.bin" >/dev/null || fail "the text did not come on B"
cmp -s "$work/text.bin" "$work/b_text.bin" || fail "the text on B differs"
wait_text A "【正常送信】127.0.0.1 : $port_B  ($(kb "$text_size") KB) フォーマット: CF_UNICODETEXT" 10 ||
  fail "A has no transfer line for the text"
wait_text B "  ($(kb "$text_size") KB) フォーマット: CF_UNICODETEXT" 10 || fail "B has no reception line for the text"
log B | grep -F "  ($(kb "$text_size") KB) フォーマット: CF_UNICODETEXT" | grep -q "【正常受信】" ||
  fail "B's reception line"

# 2. The same paste again: served by the clipboard, nothing on the wire.
paste_to B CF_UNICODETEXT "$work/b_text2.bin" >/dev/null || fail "the second paste got nothing"
cmp -s "$work/text.bin" "$work/b_text2.bin" || fail "the second paste differs"
sleep 1
[ "$(count A "【正常送信")" = 1 ] || fail "the second paste was fetched again (A)"
[ "$(count B "【正常受信")" = 1 ] || fail "the second paste was fetched again (B)"

# 3. Idle for longer than 10 s: keep-alives hold the connection.
sleep 11
[ "$(links "$port_B")" -eq 1 ] || fail "the connection did not survive the idle time"
paste_to B "$block_name" "$work/b_block.bin" >/dev/null || fail "the block did not come on B"
cmp -s "$work/block.bin" "$work/b_block.bin" || fail "the block on B differs"
wait_text A "【正常送信】127.0.0.1 : $port_B  ($(kb "$block_size") KB) フォーマット: $block_name" 10 ||
  fail "A has no transfer line for the block"
wait_text B "  ($(kb "$block_size") KB) フォーマット: $block_name" 10 || fail "B has no reception line for the block"

# 4. A ends: B's receiver notices at a keep-alive and ends without a line,
#    its window, the clipboard owner, with it.
stop A
wait_until 10 links_are "$port_B" 0 || fail "B's receiver still holds the connection"
wait_until 10 owner_is B none || fail "B's server window is still there"
if out=$(paste_to B CF_RIFF "$work/b_riff.bin"); then fail "a never-fetched format gave data after A ended"; fi
secs=${out%% *}
python3 -c "import sys; sys.exit(0 if float('${secs:-99}') < 2 else 1)" || fail "the paste after A ended took ${secs}s"
paste_to B CF_UNICODETEXT "$work/b_text3.bin" >/dev/null || fail "the fetched text went with the receiver"
cmp -s "$work/text.bin" "$work/b_text3.bin" || fail "the fetched text changed"
[ "$(count B "【受信エラー")" = 0 ] || fail "B logged an error when A ended"
[ "$(count B "【エラー】")" = 0 ] || fail "B logged a hand-over error"
on B "$window" wait "$frame_title" 1000 >/dev/null || fail "B's program has gone"

stop B
echo "delayed_paste: ok"
