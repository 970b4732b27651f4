#!/usr/bin/env bash
# A stored receive port that is no port (0, or above 65535) is reported as a
# port that can't be opened: the status line, the message box, and nothing of
# the computer listens. Port 0 would otherwise listen on a port the system
# picks, and one above 65535 on its lower 16 bits.
. "$(dirname "$0")/app-lib.bash"
key='Software\Tamberlow\Varnel3'
regadd "$key\\Network" SettingInitialized REG_DWORD 1
regadd "$key\\Settings" OnStart REG_DWORD 2

# listening: the TCP ports that a process of this computer listens on.
listening() {
  local pids p
  pids=$(grep -lxsF "WINEPREFIX=$dir/prefix" --null-data /proc/[0-9]*/environ | cut -d/ -f3)
  for p in $pids; do
    ss -ltnpH 2>/dev/null | grep -F "pid=$p," | awk '{print $4}'
  done | sort -u
}
# status_text: the server-status line once it has left "未起動" and "起動中";
# nothing before.
status_text() { W "$window" text "$frame_title" Static 2>/dev/null | tr -d '\r' | grep -E '^(稼働中|停止：)'; }
status_line() { wait_until 20 status_text; }

for stored in 0 $((port + 65536)); do
  regadd "$key\\Network" Port REG_DWORD "$stored"
  start_program
  expected="受信用ポート($stored)を開けません(WinSockエラー 10022)"
  status=$(status_line) || fail "port $stored: the listener showed no outcome"
  [ "$status" = "停止：$expected" ] || fail "port $stored: status line: $status"
  ports=$(listening)
  [ -z "$ports" ] || fail "port $stored: listening on $ports"
  text=$(W "$window" msgbox Varnel3 1 30000) || fail "port $stored: no message box"
  [ "$text" = "$expected" ] || fail "port $stored: box text: $text"
  end_program
done
echo "app_receive_port: ok"
