#!/usr/bin/env bash
# A second start ends at once and brings the first copy's window up, also from
# the tray; "OnStart" decides how the first copy shows itself.
. "$(dirname "$0")/app-lib.bash"
key='Software\Tamberlow\Varnel3'
regadd "$key\\Network" SettingInitialized REG_DWORD 1
regadd "$key\\Network" Port REG_DWORD "$port"

# Silent start: only the tray icon, the window hidden.
regadd "$key\\Settings" OnStart REG_DWORD 2
start_program
sleep 1
[ "$(frame_state)" = hidden ] || fail "OnStart 2: the window is $(frame_state), not hidden"

timeout 30 env $(computer_env "$dir") wine "$program"
[ $? -ne 124 ] || fail "the second copy did not end at once"
kill -0 "$app_pid" 2>/dev/null || fail "the first copy ended with the second"
wait_frame_state visible 10 || fail "the second start did not bring the window up"

end_program "(after the second start)" || fail "the program ended with exit code $?"
[ "$(frame_state)" = none ] || fail "a frame is left after the end"

# Window on start.
regadd "$key\\Settings" OnStart REG_DWORD 0
start_program
wait_frame_state visible 10 || fail "OnStart 0: the window is not shown"
end_program "(OnStart 0)"

# Balloon start: the window stays hidden; any other value is silent too.
for v in 1 7; do
  regadd "$key\\Settings" OnStart REG_DWORD $v
  start_program
  sleep 1
  [ "$(frame_state)" = hidden ] || fail "OnStart $v: the window is $(frame_state)"
  end_program "(OnStart $v)"
done
echo "app_single_instance: ok"
