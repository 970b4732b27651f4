#!/usr/bin/env bash
# Ending through the exit dialog: cancel keeps the program; "設定を削除"
# deletes the product key at exit, and the maker's key too once nothing else
# is under it. The next start then migrates the previous release's key again.
. "$(dirname "$0")/app-lib.bash"
old='Software\Tamberlow\Varnel2'
new='Software\Tamberlow\Varnel3'
exit_caption=Varnel          # the exit dialog (137)
delete_box=1028              # its check box "設定を削除"

key_exists() { W reg query "HKCU\\$1" >/dev/null 2>&1; }
# end_with_dialog DELETE: the main window's end request (wParam 0) and the
# exit dialog answered with OK, the check box ticked when DELETE is 1.
end_with_dialog() {
  W "$window" post "$frame_title" 0x8006 0 0 || fail "no frame to end"
  if [ "$1" = 1 ]; then
    W "$window" click "$exit_caption" $delete_box || fail "no exit dialog"
  fi
  W "$window" click "$exit_caption" 1 || fail "no exit dialog"
  wait_until 20 ended "$app_pid" || fail "the program did not end after the exit dialog"
  wait "$app_pid"
}

regadd "$old\\Network" Port REG_DWORD "$port"
regadd "$old\\Network" SettingInitialized REG_DWORD 1
regadd "$old\\Settings" OnStart REG_DWORD 2

start_program sheet
[ "$(regget "$new\\Settings" OnStart)" = 0x2 ] || fail "not migrated on the first start"

# Cancel: the program stays.
W "$window" post "$frame_title" 0x8006 0 0 || fail "no frame"
W "$window" click "$exit_caption" 2 || fail "no exit dialog"
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "the program ended although the dialog was cancelled"

# OK without the check box: the settings stay.
end_with_dialog 0
key_exists "$new" || fail "the settings were deleted without the check box"

# OK with the check box: the product key goes, the maker's key stays for the
# previous release.
start_program
end_with_dialog 1
key_exists "$new" && fail "the product key is still there"
key_exists "$old" || fail "the previous release's key went too"

# The next start migrates again, now with the value added since.
regadd "$old\\Network" Server REG_DWORD 0
regdel "$old\\Settings"
start_program sheet
[ "$(regget "$new\\Network" Server)" = 0x0 ] || fail "not migrated again after the deletion"
[ -z "$(regget "$new\\Settings" OnStart)" ] || fail "a deleted old value came back"

# Without the previous release's key, the maker's key goes as well.
regdel "$old"
end_with_dialog 1
key_exists 'Software\Tamberlow' && fail "the maker's key is still there"
echo "app_delete_settings: ok"
