# Shared steps of the delayed-rendering drivers (delayed_*.sh), on top of the
# two-computer steps of net-lib.bash. Sourced; not named .sh, so that it is no
# test of its own.
. "$(dirname "${BASH_SOURCE[0]}")/net-lib.bash"

dtool="$build/tools/delayed_tool.exe"
[ -f "$dtool" ] || fail "missing $dtool (build it first)"
block_name="Varnel E2E Block"

# sendlist A|B NAMES: the registered formats that computer sends ("Formats3").
sendlist() {
  on "$1" reg add 'HKCU\Software\Tamberlow\Varnel3\Settings' /v Formats3 /t REG_SZ /d "$2" /f \
    >/dev/null 2>&1 || fail "Formats3 on $1"
}
# paste B FORMAT FILE: takes the format on that computer as a pasting program
# does, into FILE (a host path); prints "seconds size"; status 1 without data.
paste_to() {
  local c=$1 fmt=$2 file=$3
  on "$c" "$dtool" paste "$fmt" "Z:$file" 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
# formats B: the names on the clipboard, without fetching any data.
formats() { on "$1" "$dtool" formats 2>/dev/null | tr -d '\r'; }
owner() { on "$1" "$dtool" owner 2>/dev/null | tr -d '\r'; }
# links PORT: established connections whose local end is PORT (a receiver's).
links() { ss -Htn state established "( sport = :$1 )" | wc -l; }
owner_is() { [ "$(owner "$1")" = "$2" ]; }
links_are() { [ "$(links "$1")" -eq "$2" ]; }
# kb BYTES: the size as the log lines show it, rounded up.
kb() { echo $((($1 + 1023) / 1024)); }
