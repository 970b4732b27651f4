#!/usr/bin/env bash
# "SettingInitialized" and the damaged-settings message at start-up. The
# message box is answered by the window tool, which also reads its text.
. "$(dirname "$0")/app-lib.bash"
key='Software\Tamberlow\Varnel3'
head='以下の設定が破損しています。お手数ですが再設定してください。'
# 64 bytes that are no blob of this computer: the digest can't match.
garbage=$(printf '5a%.0s' $(seq 64))

# start_with_box EXPECTED: starts, answers the box, compares its text.
start_with_box() {
  W "$program" >"$dir/program.log" 2>&1 &
  app_pid=$!
  local text
  text=$(W "$window" msgbox Varnel3 1 30000) || fail "no damaged-settings box"
  [ "$text" = "$1" ] || fail "box text: $text"
  answer_sheet
  W "$window" wait "$frame_title" 30000 >/dev/null || fail "no main frame after the box"
}

regadd "$key\\Network" Port REG_DWORD "$port"

# First run cancelled: the program ends without a window and stores nothing.
regadd "$key\\Settings" OnStart REG_DWORD 2
W "$program" >"$dir/program.log" 2>&1 &
app_pid=$!
answer_sheet 2
wait_until 20 ended "$app_pid" || fail "the program went on after the first-run sheet was cancelled"
[ -z "$(regget "$key\\Network" SettingInitialized)" ] || fail "a cancelled first run stored SettingInitialized"

# First run: the sheet, no box, and "SettingInitialized" is stored.
start_program sheet
[ "$(regget "$key\\Network" SettingInitialized)" = 0x1 ] || fail "first run did not store SettingInitialized"
end_program

# A password that can't be decoded. A second start while the box is up ends
# at once; the first copy has no window yet, so the signal is dropped and its
# window stays hidden (OnStart 2) once the box is answered.
regadd "$key\\Network" Password REG_BINARY "$garbage"
W "$program" >"$dir/program.log" 2>&1 &
app_pid=$!
W "$window" wait Varnel3 30000 >/dev/null || fail "no damaged-settings box"
timeout 30 env $(computer_env "$dir") wine "$program"
[ $? -ne 124 ] || fail "the second copy did not end at once"
text=$(W "$window" msgbox Varnel3 1 30000) || fail "the box went away"
[ "$text" = "$head"$'\r\n'"・パスワード" ] || fail "box text: $text"
answer_sheet
W "$window" wait "$frame_title" 30000 >/dev/null || fail "no main frame after the box"
sleep 1
[ "$(frame_state)" = hidden ] || fail "a start signal sent before the frame existed opened it"
end_program

# Both, and RSA on without a key: RSA stays stored as it was. (The repair
# sheet's OK stored a sound password, so it is damaged here once more.)
regadd "$key\\Network" Password REG_BINARY "$garbage"
regadd "$key\\Network" RSA REG_DWORD 1
start_with_box "$head"$'\r\n'"・パスワード"$'\r\n'"・RSA暗号化"
# The damaged key turned the mode off, and the repair sheet's OK stored that.
[ "$(regget "$key\\Network" RSA)" = 0x0 ] || fail "the repair sheet did not store RSA off"
end_program

# RSA on without a key alone, with "SettingInitialized" still 0 before.
W reg delete "HKCU\\$key\\Network" /v Password /f >/dev/null 2>&1
regadd "$key\\Network" SettingInitialized REG_DWORD 0
regadd "$key\\Network" RSA REG_DWORD 1
start_with_box "$head"$'\r\n'"・RSA暗号化"
[ "$(regget "$key\\Network" SettingInitialized)" = 0x1 ] || fail "SettingInitialized not stored after the box"
end_program

# A password of another type than binary is damaged too, not absent.
regadd "$key\\Network" Password REG_SZ secret
start_with_box "$head"$'\r\n'"・パスワード"
[ "$(regbytes "$key\\Network" Password)" -ge 64 ] || fail "the repair sheet did not store a password blob"
end_program

# Nothing damaged and set up: no box at all.
W reg delete "HKCU\\$key\\Network" /v RSA /f >/dev/null 2>&1
start_program
if W "$window" msgbox Varnel3 1 1500 >/dev/null 2>&1; then fail "a box came without damage"; fi
end_program
echo "app_settings: ok"
