#!/usr/bin/env bash
# run.sh [build dir]: builds the program (nothing else) and starts it under Wine
# in its own prefix, <build dir>/wine, as the test computers have it: made and
# run with the Japanese locale, the UI fonts mapped to an installed Japanese one.
# On $DISPLAY, or, without one, on a virtual display started here (:77 when it
# is free; its screen can be saved with tools/screenshot.sh --display), where
# the programs open in a Wine desktop that draws their frames.
#   VARNEL_RUN_DISPLAY=:N  the display to start instead of :77 (empty: any free one)
#   VARNEL_RUN_NO_START=1  build and make the prefix, then stop
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-x86_64}
"$top/tools/setup.sh"
"$top/tools/build.sh" x86_64 "$build" Varnel3

. "$top/tools/wine-lib.sh"
# Every Wine start takes its code page from the locale, and one under another
# locale rewrites the prefix's font settings for that code page.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEPREFIX=$build/wine
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # A copy of the test computers' prefix. A prefix made under another locale
  # can keep Western fonts for the tray's balloons: Japanese shows as boxes there.
  wine_template
  rm -rf "$WINEPREFIX.new"
  (flock -s 9 && cp -a "$VARNEL_WINE_TEMPLATE" "$WINEPREFIX.new") 9>"$VARNEL_WINE_TEMPLATE.lock"
  rm -f "$WINEPREFIX.new/.ready"
  # The test displays have no window manager; a user's display has one.
  WINEPREFIX=$WINEPREFIX.new wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  WINEPREFIX=$WINEPREFIX.new wineserver -w
  mv "$WINEPREFIX.new" "$WINEPREFIX"
fi
[ -z "${VARNEL_RUN_NO_START:-}" ] || exit 0

if [ -n "${DISPLAY:-}" ]; then
  # A virtual desktop left from a run on a display of our own.
  wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
  exec wine "$build/Varnel3.exe"
fi

xvfb_pid=""
stop_own_display() {
  [ -n "$xvfb_pid" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
# start_xvfb [:N]: that display, or the first free one; sets DISPLAY and xvfb_pid.
start_xvfb() {
  local fifo num
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/varnel-run.XXXXXX")
  mkfifo "$fifo"
  Xvfb "$@" -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  if read -r -t 30 num <"$fifo"; then
    rm -f "$fifo"
    export DISPLAY=:$num
    return 0
  fi
  rm -f "$fifo"
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
  return 1
}
trap stop_own_display EXIT
trap 'exit 130' INT TERM
want=${VARNEL_RUN_DISPLAY-:77}
{ [ -n "$want" ] && start_xvfb "$want"; } || start_xvfb || { echo "Xvfb did not start" >&2; exit 1; }
wine_desktop "$WINEPREFIX"
# Said once the desktop is set: a program started on the display before that
# would open the prefix's desktop without frames.
echo "no \$DISPLAY: started Xvfb on $DISPLAY" >&2
# In the background, so that an interrupt ends the program and the display at once.
wine "$build/Varnel3.exe" &
wait $!
