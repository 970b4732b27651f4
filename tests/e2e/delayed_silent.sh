#!/usr/bin/env bash
# Two computers, the connection through a relay that goes silent in the
# middle of a paste's data: the paste on B gives up after about 20 s without
# data, B logs its error line, its receiver ends, and its program keeps
# running.
. "$(dirname "$0")/delayed-lib.bash"

port_R=$(free_port)
relay_pid=
trap '[ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null; cleanup' EXIT INT TERM
# Forwards A's connection to B both ways; once the file "stall" exists, lets
# 256 KB more of A's bytes through and then none, keeping both ends open.
python3 - "$port_R" "$port_B" "$work/stall" <<'PY' &
import os, socket, sys, threading
lport, bport, stall = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", lport))
srv.listen(4)
def pump(src, dst, stalls):
    allowance = None
    while True:
        try:
            data = src.recv(65536)
        except OSError:
            data = b""
        if not data:
            break
        if stalls and allowance is None and os.path.exists(stall):
            allowance = 256 * 1024
        if allowance is not None:
            data = data[:allowance]
            allowance -= len(data)
        if data:
            try:
                dst.sendall(data)
            except OSError:
                break
        if allowance == 0:
            threading.Event().wait()   # silent from here on
    for s in (src, dst):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
while True:
    a, _ = srv.accept()
    b = socket.create_connection(("127.0.0.1", bport))
    threading.Thread(target=pump, args=(a, b, True), daemon=True).start()
    threading.Thread(target=pump, args=(b, a, False), daemon=True).start()
PY
relay_pid=$!

configure A --port "$port_A" --destination "$(dest "$port_R")" --password "pw" --onstart 0
configure B --port "$port_B" --destination "$(dest "$port_A")" --password "pw" --onstart 0
sendlist A "\"$block_name\""
head -c $((4 * 1024 * 1024)) /dev/urandom >"$work/block.bin"

start A
start B
clip A set "$block_name" "file:Z:$work/block.bin" >/dev/null || fail "clipboard on A"
wait_text B "【受信可能】" 15 || fail "B has no offer line"

touch "$work/stall"
if out=$(paste_to B "$block_name" "$work/b_block.bin"); then fail "the stalled paste gave data"; fi
# The paste's own time, inside GetClipboardData: the tool's start under a
# busy Wine is not part of it.
t=${out%% *}
python3 -c "import sys; t = float('$t'); print('paste gave up after %.1f s' % t); sys.exit(0 if 19 <= t <= 29 else 1)" ||
  fail "the paste did not give up within the limit (tool said: $out)"
wait_text B "送信元から20秒間応答がないため受信を中止しました。フォーマット: $block_name" 5 ||
  fail "B has no error line for the silent sender"
log B | grep -F "応答がないため受信を中止しました" | grep -q "^.*【受信エラー】" || fail "B's error line has no tag"
[ "$(count B "【正常受信")" = 0 ] || fail "B logged a reception"
wait_until 10 links_are "$port_B" 0 || fail "B's receiver still holds the connection"
wait_until 10 owner_is B none || fail "B's server window is still there"
on B "$window" wait "$frame_title" 1000 >/dev/null || fail "B's program has gone"

stop B
stop A
echo "delayed_silent: ok"
