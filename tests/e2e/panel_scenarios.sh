#!/usr/bin/env bash
# The real program under Wine beside the simulated device, driven from outside through its
# window messages, its controls, the tray callback and real pointer input; what reaches the
# driver and the registry is checked, and screenshots of each window go to build/e2e/.
# Usage: tests/e2e/panel_scenarios.sh   (after the Windows build)
set -u
source "$(dirname "$0")/lib.sh"

E2E_FAILURES=0
# check NAME EXPECTED ACTUAL
check() { e2e_expect "$1" "$3" "$2" || E2E_FAILURES=$((E2E_FAILURES + 1)); }

# The requests the driver saw since the last call, without the periodic source polls.
requests() { e2e_sim log --clear | grep -v '^0x223034 ' | awk '{ print $1, $2, $3 }'; }

# Waits up to $2 seconds for a shown window titled $1; prints its text when it is a box.
wait_box() {
  local i
  for i in $(seq $((${2:-5} * 4))); do
    e2e_ctl box "$1" && return 0
    sleep 0.25
  done
  return 1
}

no_box() { sleep "${2:-1}"; ! e2e_ctl box "$1" >/dev/null; }

visible_windows() { e2e_ctl windows | awk '$1 == "visible"' | cut -d' ' -f3- | sort; }

readonly PANEL_TITLE="Quendal5.1RIR: 控制台"
readonly WARNING="Quendal5.1RIR: 警告"
readonly ERROR="Quendal5.1RIR: 錯誤"
readonly IO_ERROR="IO 控制錯誤"
readonly UNITY=0000803F
readonly RESTORE_DEFAULTS="0x223000 - ok
0x223008 - ok
0x223030 C8000000640000002C010000 ok"
readonly GAINS_AT_START="0x22301C $UNITY ok
0x223020 $UNITY ok
0x223024 $UNITY ok
0x223018 $UNITY ok
0x223028 $UNITY ok
0x22302C $UNITY ok"

scenario_start_on_a_fresh_registry() {
  e2e_log "== start-up on a fresh registry"
  e2e_start_panel || return 1
  sleep 1
  check "the stored gains, then the effects restore" "$GAINS_AT_START
$RESTORE_DEFAULTS" "$(requests)"
  local name expected
  for pair in EnableFilter=1 OutputMode=1 BassOutputMode=0 FilterVolume=1 VolumeL=1065353216 \
    VolumeR=1065353216 VolumeLFE=1065353216 VolumeC=1065353216 VolumeRL=1065353216 \
    VolumeRR=1065353216 TestMode=2 TestBtnStatus=0; do
    name=${pair%=*} expected=${pair#*=}
    check "default $name" "$expected" "$(e2e_setting "$name")"
  done
  check "message 1035 is answered with 1" 1 "$(e2e_ctl ping)"
  check "only the tray shows after start-up" "" "$(visible_windows)"
}

scenario_second_instance() {
  e2e_log "== a second start"
  (cd "$WINEPREFIX/drive_c/Quendal" && exec timeout 60 wine 'C:\Quendal\QuendalPanel.exe' \
    </dev/null >/dev/null 2>&1) &
  local second=$!
  check "the second start shows the error" "程式已執行中!" "$(wait_box "$ERROR" 20)"
  e2e_screenshot second-instance
  e2e_ctl press "$ERROR" 1
  local i
  for i in $(seq 40); do kill -0 "$second" 2>/dev/null || break; sleep 0.25; done
  check "the second process ended" gone "$(kill -0 "$second" 2>/dev/null && echo running || echo gone)"
  check "the first one still answers" 1 "$(e2e_ctl ping)"
}

scenario_no_to_the_multichannel_question() {
  e2e_log "== 5.1 material with the settings closed, answered No"
  requests >/dev/null
  e2e_sim source 5.1 >/dev/null
  check "the question" "$(printf '音訊資料為 5.1-聲道.\n確定要啟動音效功能嗎?\n\n啟動音效功能將會破壞原來 5.1-聲道音訊資料.\n\n(建議: CD 音樂 -> Click Yes, DVD ->No)')" \
    "$(wait_box "$WARNING" 5)"
  e2e_screenshot question
  e2e_ctl press "$WARNING" 7
  sleep 1
  check "No switches the filter off" "0x223004 - ok" "$(requests)"
  check "No stores the effects off" 0 "$(e2e_setting EnableFilter)"
  check "the settings stay closed" "" "$(visible_windows)"
  e2e_sim source none >/dev/null
}

scenario_yes_is_asked_once() {
  e2e_log "== effects switched on in the settings, then 5.1 material answered Yes"
  e2e_ctl command 32774
  sleep 1
  e2e_ctl tab 1
  sleep 0.5
  requests >/dev/null
  e2e_ctl click 1048
  sleep 1
  check "the check box sends only the filter" "0x223000 - ok" "$(requests)"
  check "effects on stored" 1 "$(e2e_setting EnableFilter)"
  e2e_sim source 5.1 >/dev/null
  wait_box "$WARNING" 5 >/dev/null
  check "the question is asked again once the effects are on" 0 $?
  e2e_ctl press "$WARNING" 6
  no_box "$WARNING" 2
  check "Yes: not asked again" 0 $?
  check "the source shows on the effects page" "5.1-聲道 音訊資料" \
    "$(e2e_ctl state 1073 | sed -n 's/.*text=//p')"
  e2e_screenshot effects-with-5.1-source
  e2e_sim source none >/dev/null
}

scenario_refused_request() {
  e2e_log "== the driver refuses the effects switch"
  requests >/dev/null
  e2e_sim fail 223004 1 >/dev/null
  e2e_ctl click 1048
  check "the transfer error under caption 4" "USB 資料傳輸錯誤, 再試一次." "$(wait_box "$IO_ERROR" 5)"
  e2e_screenshot transfer-error
  e2e_ctl press "$IO_ERROR" 1
  sleep 0.5
  check "the refused request" "0x223004 - refused" "$(requests)"
  check "the store keeps the old value" 1 "$(e2e_setting EnableFilter)"
  check "the check box keeps the user's change" "checked=0" \
    "$(e2e_ctl state 1048 | cut -d' ' -f1)"
  e2e_ctl click 1048
  sleep 0.5
  check "a second click goes through" "0x223000 - ok" "$(requests)"
  e2e_ctl command 32777
  sleep 0.5
}

scenario_unplug_and_replug() {
  e2e_log "== unplug, then a re-plug that attaches on the second device-change event"
  e2e_sim unplug >/dev/null
  sleep 1
  requests >/dev/null
  sleep 1
  check "no poll while unplugged" "" "$(e2e_sim log --clear)"
  e2e_sim plug --quiet >/dev/null
  e2e_sim devchange 1 >/dev/null
  sleep 2
  check "the first event only counts" "" "$(requests)"
  e2e_sim devchange 1 >/dev/null
  sleep 2
  check "the second event restores the stored effects" "$RESTORE_DEFAULTS" "$(requests)"
  check "and the poll runs again" yes \
    "$(sleep 1; e2e_sim log --clear | grep -q '^0x223034 ' && echo yes || echo no)"
}

# As a person would: the pointer on the tray icon, the menu, the tabs and a check box.
scenario_by_pointer() {
  e2e_log "== by pointer: tray menu, Open settings, the Effects tab, the check box"
  xdotool mousemove 1012 757 click 1
  sleep 1
  local left top right bottom
  read -r left top right bottom <<<"$(e2e_ctl menurect)"
  check "the tray menu opens at the pointer" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  e2e_screenshot tray-menu
  xdotool mousemove $((left + 30)) $((top + 10)) click 1
  sleep 1.5
  check "Open settings shows the window" 1 "$(visible_windows | grep -cF "$PANEL_TITLE")"
  e2e_screenshot settings-volume
  read -r left top right bottom <<<"$(e2e_ctl rect 1016)"
  # The tab row lies above the page; the Effects tab is the second, right of the first.
  xdotool mousemove 97 40 click 1
  sleep 1
  e2e_screenshot settings-effects
  read -r left top right bottom <<<"$(e2e_ctl rect 1048)"
  check "the Effects tab is shown" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  requests >/dev/null
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  sleep 1
  check "the click on the check box switches the effects off" "0x223004 - ok" "$(requests)"
  check "and stores them off" 0 "$(e2e_setting EnableFilter)"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  sleep 1
  requests >/dev/null
  xdotool mousemove 165 40 click 1
  sleep 1
  e2e_screenshot settings-about
  e2e_ctl command 32777
  sleep 0.5
}

# The gain a slider position sends: 10^((20 - p) / 20) as a single, its bytes in log order.
gain_bytes() {
  /usr/bin/python3 -c 'import struct,sys; print(struct.pack("<f", 10.0 ** ((20 - int(sys.argv[1])) * 0.05)).hex().upper())' "$1"
}

scenario_channel_slider() {
  e2e_log "== a channel slider released by pointer, then its default button"
  e2e_ctl command 32774
  sleep 1
  local left top right bottom _rest
  read -r left top right bottom _rest <<<"$(e2e_ctl thumb 1018)"
  check "the front-left slider's thumb" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  requests >/dev/null
  local x=$(((left + right) / 2)) y=$(((top + bottom) / 2))
  xdotool mousemove "$x" "$y" && sleep 0.2 && xdotool mousedown 1
  for step in 1 2 3 4; do xdotool mousemove "$x" $((y - step * 12)); sleep 0.1; done
  xdotool mouseup 1
  sleep 1
  local position bytes
  position=$(e2e_ctl slider 1018)
  check "the slider moved up" yes "$([ -n "$position" ] && [ "$position" -lt 20 ] && echo yes || echo no)"
  bytes=$(gain_bytes "${position:-20}")
  check "the release sends the position's gain" "0x22301C $bytes ok" "$(requests)"
  check "and stores its bits" "$((16#${bytes:6:2}${bytes:4:2}${bytes:2:2}${bytes:0:2}))" \
    "$(e2e_setting VolumeL)"
  e2e_ctl click 1080
  sleep 1
  check "the default button sends unity gain" "0x22301C $UNITY ok" "$(requests)"
  check "and stores it" 1065353216 "$(e2e_setting VolumeL)"
  check "and puts the slider at 0 dB" 20 "$(e2e_ctl slider 1018)"
  e2e_ctl command 32777
  sleep 0.5
}

scenario_surround_test() {
  e2e_log "== the surround test started and stopped"
  local window="Quendal5.1RIR: 喇叭測試"
  e2e_ctl command 32775
  sleep 1.5
  e2e_ctl clickin "$window" 1042
  sleep 0.5
  requests >/dev/null
  e2e_ctl clickin "$window" 1022
  sleep 1.5
  e2e_screenshot surround-running
  e2e_ctl clickin "$window" 1022
  sleep 1
  check "start and stop at the driver" "0x223000 0x223010 0x223004 0x223014" \
    "$(requests | awk '{ print $1 }' | uniq | paste -sd' ')"
  e2e_ctl clickin "$window" 1076
  sleep 1
  check "Leave hides the speaker test" 0 "$(visible_windows | grep -c '喇叭測試')"
}

scenario_windows_to_look_at() {
  e2e_log "== the speaker test and the About box"
  e2e_ctl command 32775
  sleep 1.5
  e2e_screenshot speaker-test
  check "the speaker test is shown" 1 "$(visible_windows | grep -c '喇叭測試')"
  e2e_ctl command 32776
  e2e_ctl command 32776
  sleep 1
  e2e_screenshot about
  check "one About box however often it is chosen" 1 "$(visible_windows | grep -c '關於 Quendal')"
  e2e_ctl press "關於 Quendal" 1
  e2e_ctl command 32774
  sleep 1
  check "Open settings closes the speaker test" 0 "$(visible_windows | grep -c '喇叭測試')"
  e2e_ctl command 32777
  sleep 0.5
}

scenario_exit() {
  e2e_log "== Exit"
  local before
  before=$(timeout 20 wine reg query "$E2E_SETTINGS_KEY" </dev/null 2>/dev/null | tr -d '\r')
  requests >/dev/null
  e2e_ctl command 32771
  local i
  for i in $(seq 40); do kill -0 "$E2E_PANEL" 2>/dev/null || break; sleep 0.25; done
  check "the program ended" gone "$(kill -0 "$E2E_PANEL" 2>/dev/null && echo running || echo gone)"
  check "Exit resets the device" "0x223004 - ok
0x223018 $UNITY ok
0x223024 $UNITY ok
0x223020 $UNITY ok
0x22301C $UNITY ok
0x22302C $UNITY ok
0x223028 $UNITY ok" "$(requests)"
  check "Exit leaves the settings alone" "$before" \
    "$(timeout 20 wine reg query "$E2E_SETTINGS_KEY" </dev/null 2>/dev/null | tr -d '\r')"
}

scenario_start_on_a_filled_registry() {
  e2e_log "== start-up on a filled registry"
  local pair
  for pair in EnableFilter=1 OutputMode=0 BassOutputMode=2 VolumeL=0x41200000 \
    VolumeR=0x3F642905 VolumeC=0x3EA1E89B VolumeLFE=0x3DCCCCCD VolumeRL=0x404A62C2 \
    VolumeRR=0x3F800000; do
    timeout 20 wine reg add "$E2E_SETTINGS_KEY" /v "${pair%=*}" /t REG_DWORD /d "${pair#*=}" /f \
      </dev/null >/dev/null 2>&1
  done
  requests >/dev/null
  e2e_start_panel || return 1
  sleep 1
  check "the stored gains in order, then the stored effects" "0x22301C 00002041 ok
0x223020 0529643F ok
0x223024 9BE8A13E ok
0x223018 CDCCCC3D ok
0x223028 C2624A40 ok
0x22302C $UNITY ok
0x223000 - ok
0x22300C - ok
0x223030 280000001B00000043000000 ok" "$(requests)"
  check "the stored values stay" 0 "$(e2e_setting OutputMode)"
  e2e_ctl command 32771
  sleep 2
}

scenario_start_without_the_device() {
  e2e_log "== start-up with the device unplugged"
  e2e_sim unplug >/dev/null
  requests >/dev/null
  e2e_start_panel || return 1
  sleep 1
  check "nothing is sent" "" "$(requests)"
  # Icon 131 with menu 146: only its own id opens a menu, and Open settings is greyed.
  e2e_ctl tray 139 0x0204
  sleep 1
  check "the connected menu's id opens nothing" no "$(e2e_ctl menurect >/dev/null && echo yes || echo no)"
  e2e_ctl tray 146 0x0204
  sleep 1
  local left top right bottom
  read -r left top right bottom <<<"$(e2e_ctl menurect)"
  check "menu 146 opens" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  e2e_screenshot tray-menu-not-connected
  xdotool mousemove $((left + 30)) $((top + 10)) click 1
  sleep 1
  check "its greyed Open settings shows nothing" "" "$(visible_windows | grep -v '^#32768 ')"
  xdotool mousemove 600 300 click 1
  sleep 0.5
  e2e_ctl command 32771
  sleep 2
  e2e_sim plug --quiet >/dev/null
}

# The maker's library beside the program is found although the folder's name is outside the
# ANSI code page (950 here): only a program that keeps the path wide can build the library's.
scenario_start_from_a_folder_outside_the_code_page() {
  e2e_log "== start-up from a folder named outside the code page"
  local folder='音效 เสียง'
  mkdir -p "$WINEPREFIX/drive_c/$folder"
  cp "$WINEPREFIX/drive_c/Quendal/QuendalPanel.exe" "$WINEPREFIX/drive_c/Quendal/Zanfilter.dll" \
    "$WINEPREFIX/drive_c/$folder/"
  requests >/dev/null
  e2e_start_panel "$folder" || return 1
  sleep 1
  check "no warning of a missing library" yes "$(no_box "$WARNING" && echo yes || echo no)"
  check "the device is attached: its effects are restored" 1 \
    "$(requests | grep -cE '^0x22300[04] ')"
  e2e_ctl command 32771
  sleep 2
}

started=$SECONDS
e2e_begin
e2e_install_device
for scenario in scenario_start_on_a_fresh_registry scenario_second_instance \
  scenario_no_to_the_multichannel_question scenario_yes_is_asked_once scenario_refused_request \
  scenario_unplug_and_replug scenario_by_pointer scenario_channel_slider scenario_surround_test \
  scenario_windows_to_look_at scenario_exit \
  scenario_start_on_a_filled_registry scenario_start_without_the_device \
  scenario_start_from_a_folder_outside_the_code_page; do
  if ! $scenario; then
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_log "FAILED: $scenario did not complete"
  fi
done
e2e_log "end-to-end scenarios: $E2E_FAILURES failed checks in $((SECONDS - started)) s"
[ "$E2E_FAILURES" -eq 0 ]
