#!/usr/bin/env bash
# B holds placeholders of A's copy. Connections to B's port that bring no
# copy (closed at once, closed after the greeting, garbage that B takes for a
# wrong password) leave them alone: the connection to A stays and B's paste
# still gets A's data, with one error line for the garbage and none on A.
. "$(dirname "$0")/delayed-lib.bash"

configure A --port "$port_A" --destination "$(dest "$port_B")" --password "pw" --onstart 0
configure B --port "$port_B" --destination "$(dest "$port_A")" --password "pw" --onstart 0
sendlist A "\"$block_name\""
head -c $((300 * 1024 + 7)) /dev/urandom >"$work/block.bin"

# stranger MODE: one connection to B's port. at-once: closed at once;
# greeting: closed once B's greeting is in; garbage: 64 bytes after the
# greeting, then waits for B to close.
stranger() {
  python3 - "$port_B" "$1" <<'PY' || fail "stranger $1"
import socket, sys
port, mode = int(sys.argv[1]), sys.argv[2]
s = socket.create_connection(("127.0.0.1", port), timeout=15)
if mode != "at-once":
    greeting = b""
    while len(greeting) < 44:
        chunk = s.recv(44 - len(greeting))
        if not chunk:
            break
        greeting += chunk
    if greeting[:4] != b"C\x003\x00":
        sys.exit("no greeting: %r" % greeting)
    if mode == "garbage":
        s.sendall(bytes(range(64)))
        try:
            while s.recv(100):
                pass
        except ConnectionResetError:
            pass
s.close()
PY
}

start A
start B
clip A set "$block_name" "file:Z:$work/block.bin" >/dev/null || fail "clipboard on A"
wait_count B "【受信可能】" 1 15 || fail "B has no offer line"
wait_until 10 links_are "$port_B" 1 || fail "B's receiver holds no connection"

stranger at-once
# Connections are taken in order: once this one has its greeting, the one
# before it has been taken too.
stranger greeting
stranger garbage
wait_text B "パスワードが一致していない可能性があります。" 10 || fail "B has no password report for the garbage"
sleep 1

[ "$(links "$port_B")" -eq 1 ] || fail "B's receiver let its connection go"
[ "$(owner B)" = window ] || fail "B's clipboard has no owner window"
paste_to B "$block_name" "$work/b.bin" >/dev/null || fail "the placeholder gave nothing after the strangers"
cmp -s "$work/block.bin" "$work/b.bin" || fail "the pasted block differs"
wait_text B "【正常受信】" 10 || fail "B has no reception line"
[ "$(count B "【受信可能】")" = 1 ] || fail "B offered again"
[ "$(count B "【受信エラー")" = 1 ] || fail "B has other error lines"
[ "$(count B "【エラー】")" = 0 ] || fail "B logged an error"
[ "$(count A "【送信エラー")" = 0 ] || fail "A logged a sending error"

stop A
stop B
echo "delayed_strangers: ok"
