#!/usr/bin/env bash
# The first start copies the previous release's Frame, Network and Settings,
# without "SettingInitialized" (and any Network value whose name is part of
# it), and without values over 1 MB; the first-run step then stores
# "SettingInitialized" = 1.
. "$(dirname "$0")/app-lib.bash"
old='Software\Tamberlow\Varnel2'
new='Software\Tamberlow\Varnel3'

regadd "$old\\Frame" Left REG_DWORD 33
regadd "$old\\Network" Port REG_DWORD "$port"
regadd "$old\\Network" SettingInitialized REG_DWORD 1
regadd "$old\\Network" Init REG_DWORD 5
regadd "$old\\Network" Setting REG_SZ part
regadd "$old\\Network" Destination REG_SZ '1,"peer",60125,0'
regadd "$old\\Settings" OnStart REG_DWORD 2
regadd "$old\\Settings" Formats3 REG_SZ '"PNG"'
# Two large values (exactly 1 MB, and one byte more) need a .reg file: a
# command line can't carry them.
python3 - "$dir/large.reg" <<'PY'
import sys
def hexbytes(n, b):
    return ",".join([b] * n)
with open(sys.argv[1], "w") as f:
    f.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tamberlow\\Varnel2\\Settings]\n")
    f.write('"ExactlyOneMB"=hex:' + hexbytes(1048576, "11") + "\n")
    f.write('"OverOneMB"=hex:' + hexbytes(1048577, "22") + "\n")
    f.write('"Zafter"=dword:00000007\n')
PY
W regedit /S "$(W winepath -w "$dir/large.reg" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
[ "$(regbytes "$old\\Settings" ExactlyOneMB)" = 1048576 ] &&
  [ "$(regbytes "$old\\Settings" OverOneMB)" = 1048577 ] ||
  fail "could not store the large test values: $(regnames "$old\\Settings")"

start_program sheet
[ "$(regget "$new\\Frame" Left)" = 0x21 ] || fail "Frame\\Left not migrated"
[ "$(regget "$new\\Network" Port)" = "$(printf '0x%x' "$port")" ] || fail "Network\\Port not migrated"
[ "$(regget "$new\\Network" Destination)" = '1,"peer",60125,0' ] || fail "Destination not migrated"
[ -z "$(regget "$new\\Network" Init)" ] || fail "Init was migrated"
[ -z "$(regget "$new\\Network" Setting)" ] || fail "Setting was migrated"
[ "$(regget "$new\\Settings" OnStart)" = 0x2 ] || fail "Settings\\OnStart not migrated"
[ "$(regget "$new\\Settings" Formats3)" = '"PNG"' ] || fail "Formats3 not migrated"
[ "$(regbytes "$new\\Settings" ExactlyOneMB)" = 1048576 ] ||
  fail "a value of exactly 1 MB was not migrated whole; the new Settings hold: $(regnames "$new\\Settings")"
[ -z "$(regbytes "$new\\Settings" OverOneMB)" ] || fail "a value over 1 MB was migrated"
[ "$(regget "$new\\Settings" Zafter)" = 0x7 ] || fail "the value after the large one was not migrated"
# Not copied, so this was a first run: the first-run step stored it.
[ "$(regget "$new\\Network" SettingInitialized)" = 0x1 ] || fail "SettingInitialized not stored"
# The migrated OnStart 2 was loaded: the program starts hidden.
sleep 1
[ "$(frame_state)" = hidden ] || fail "the migrated OnStart was not used"
end_program

# Later starts don't migrate again. (A name that no settings page writes.)
regadd "$old\\Settings" AddedLater REG_DWORD 0
start_program
[ -z "$(regget "$new\\Settings" AddedLater)" ] || fail "migrated on a later start"
end_program
echo "app_migration: ok"
