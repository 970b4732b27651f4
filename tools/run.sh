#!/usr/bin/env bash
# Builds the program and starts it under Wine, on $DISPLAY or, without one, on
# a virtual display started here (its screen can be saved with tools/screenshot.sh).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
"$top/tools/build.sh" x86_64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:77
  echo "no \$DISPLAY: started Xvfb on :77" >&2
  sleep 1
fi
# The dialogs name Windows' Japanese UI fonts; point them at BIZ UDPGothic
# (as tools/wine-lib.sh does), in the Wine prefix in use.
subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
if ! wine reg query "$subst" /v "MS UI Gothic" 2>/dev/null | grep -q "BIZ UDPGothic"; then
  for f in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2"; do
    wine reg add "$subst" /v "$f" /d "BIZ UDPGothic" /f >/dev/null 2>&1 || true
  done
fi
exec wine "$top/build-x86_64/Varnel3.exe"
