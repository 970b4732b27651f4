#!/usr/bin/env bash
# screenshot.sh [OUT.png] [PROGRAM.exe]: starts the program on a private
# computer (own prefix and display, in a Wine desktop) with its window open,
# and saves the screen.
# screenshot.sh --display :77 [OUT.png]: only saves that display's screen (the
# one tools/run.sh starts when there is no $DISPLAY).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = --display ]; then
  out=${3:-$PWD/screenshot.png}
  DISPLAY=${2:?display} import -window root "$out" || { echo "import failed" >&2; exit 1; }
  echo "saved $out"
  exit 0
fi
out=${1:-$PWD/screenshot.png}
exe=${2:-$top/build-x86_64/Varnel3.exe}
. "$top/tools/wine-lib.sh"
[ -f "$exe" ] || { echo "no program at $exe (build it first: tools/build.sh)" >&2; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-shot.XXXXXX")
trap 'computer_stop "$dir"' EXIT INT TERM
computer_start "$dir" || { echo "could not start a Wine computer" >&2; exit 1; }
# Frames and the taskbar as on Windows: no window manager draws them here.
wine_desktop "$dir/prefix"

# Settings as after a first run: no first-run sheet, and the window opens at start.
key='HKCU\Software\Tamberlow\Varnel3'
computer_wine "$dir" reg add "$key\\Network" /v SettingInitialized /t REG_DWORD /d 1 /f >/dev/null 2>&1
computer_wine "$dir" reg add "$key\\Settings" /v OnStart /t REG_DWORD /d 0 /f >/dev/null 2>&1

computer_wine "$dir" "$exe" >"$dir/program.log" 2>&1 &
# A second start asks the running copy to open its window, as a user would.
sleep "${VARNEL_SHOT_WAIT:-6}"
computer_wine "$dir" "$exe" >/dev/null 2>&1
# One copy, so that the event log has a line to show (no destination is set).
clip=$(dirname "$exe")/tools/clipboard.exe
if [ -f "$clip" ]; then
  computer_wine "$dir" "$clip" settext "スクリーンショット" >/dev/null 2>&1
fi
sleep 2

DISPLAY=$(cat "$dir/display") import -window root "$out" || { echo "import failed" >&2; exit 1; }
echo "saved $out"
