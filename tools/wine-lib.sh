# Shell functions for running our Windows programs under Wine, each "computer"
# being a private Wine prefix on a private Xvfb display (its own clipboard and
# registry). Source this file; nothing here touches the user's own prefix.

: "${VARNEL_WINE_TEMPLATE:=${TMPDIR:-/tmp}/varnel-wine-template-$(id -u)}"
export WINEDEBUG=${WINEDEBUG:--all}
# No offer to install Mono or Gecko: that dialog would wait forever. No
# debugger either: a crashing test must fail at once, not wait in winedbg.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# wait_until SECONDS COMMAND...: runs the command until it succeeds, 5 tries
# a second; status 1 once SECONDS worth of tries have failed. The tries are
# counted, not the clock, so a slow command on a busy machine gets them all.
wait_until() {
  local wait_tries=$(($1 * 5)) wait_try; shift
  for ((wait_try = 0; wait_try < wait_tries; wait_try++)); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
# ended PID: that process (a child of this shell) has ended.
ended() { ! kill -0 "$1" 2>/dev/null; }

# A fresh prefix takes ~10 s, a copy ~2 s: make one template, copy it per computer.
# Bump when the template's contents change, so an old one is made anew.
VARNEL_TEMPLATE_VERSION=4
wine_template() {
  (
    flock 9
    if [ "$(cat "$VARNEL_WINE_TEMPLATE/.ready" 2>/dev/null)" != "$VARNEL_TEMPLATE_VERSION" ]; then
      rm -rf "$VARNEL_WINE_TEMPLATE"
      mkdir -p "$VARNEL_WINE_TEMPLATE"
      export WINEPREFIX="$VARNEL_WINE_TEMPLATE" LANG=ja_JP.UTF-8
      wine wineboot -i >/dev/null 2>&1
      # Japanese dialogs draw only once the UI fonts map to an installed Japanese
      # font. BIZ UDPGothic's kana are narrow enough for the labels sized for
      # the UI fonts; the IPA and VL fonts' full-width kana cut them.
      for f in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2"; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
          /v "$f" /d "BIZ UDPGothic" /f >/dev/null 2>&1
      done
      # There is no window manager on these displays: unmanaged windows are
      # hidden and closed at once, instead of after Wine's 2 s wait for one.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      wineserver -w
      echo "$VARNEL_TEMPLATE_VERSION" >"$VARNEL_WINE_TEMPLATE/.ready"
    fi
  ) 9>"$VARNEL_WINE_TEMPLATE.lock"
}

# computer_start DIR: a prefix copied from the template and an Xvfb display, in DIR.
computer_start() {
  local dir=$1
  wine_template || return 1
  mkdir -p "$dir"
  # A shared lock: the template is not made anew while it is being copied.
  ( flock -s 9 && cp -a "$VARNEL_WINE_TEMPLATE" "$dir/prefix" ) 9>"$VARNEL_WINE_TEMPLATE.lock" || return 1
  rm -f "$dir/prefix/.ready"
  local fifo="$dir/displayfd"
  rm -f "$fifo"; mkfifo "$fifo"
  Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fifo" >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  local num
  read -r -t 30 num <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  echo ":$num" >"$dir/display"
  # A session program runs as long as the computer: under Wine the clipboard
  # goes with the desktop once no program runs, which a real computer's
  # clipboard doesn't. It is a console waiting on a pipe that nobody writes.
  mkfifo "$dir/session"
  sleep 2147483647 >"$dir/session" &
  echo $! >"$dir/session.pid"
  env $(computer_env "$dir") wine cmd.exe <"$dir/session" >"$dir/session.out" 2>&1 &
  # The computer is ready once that console answers: a program started while
  # the prefix's first one is still coming up can hang for good. The caret
  # keeps the awaited text out of what the console echoes of its input.
  echo 'echo session-rea^dy' >"$dir/session"
  wait_until 60 grep -qs '>session-ready' "$dir/session.out" && return 0
  echo "the session program of $dir did not answer within 60 s" >&2
  return 1
}

# computer_env DIR: the environment of that computer, for `env $(computer_env DIR) wine ...`.
computer_env() {
  echo "WINEPREFIX=$1/prefix DISPLAY=$(cat "$1/display") LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8"
}

# computer_wine DIR PROGRAM ARGS...: run a program on that computer.
computer_wine() {
  local dir=$1; shift
  env $(computer_env "$dir") wine "$@"
}

# computer_stop DIR: end everything on that computer and remove it.
computer_stop() {
  local dir=$1
  [ -d "$dir" ] || return 0
  if [ -d "$dir/prefix" ]; then
    # Both fail when no server runs any more: nothing to end then.
    WINEPREFIX="$dir/prefix" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$dir/prefix" wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -f "$dir/session.pid" ]; then
    kill "$(cat "$dir/session.pid")" 2>/dev/null || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    wait "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
  fi
  rm -rf "$dir"
  return 0
}

# wine_desktop PREFIX: the programs of that prefix open in one Wine desktop
# window, which draws the frames (title bar, close box) and the taskbar with
# the tray that no window manager draws on our displays. The caption buttons
# are glyphs of Wine's Marlett, which this Wine doesn't find by itself.
wine_desktop() {
  local key='HKCU\Software\Wine\Explorer'
  cp /usr/share/wine/fonts/marlett.ttf "$1/drive_c/windows/Fonts/" 2>/dev/null || true
  env WINEPREFIX="$1" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine reg add "$key" /v Desktop /d Varnel /f >/dev/null 2>&1 &&
    env WINEPREFIX="$1" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
      wine reg add "$key\\Desktops" /v Varnel /d 1280x1024 /f >/dev/null 2>&1
}
