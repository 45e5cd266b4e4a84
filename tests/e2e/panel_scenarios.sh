#!/usr/bin/env bash
# The real program under Wine beside the simulated device, driven from outside through its
# window messages, its controls, the tray callback and real pointer input; what reaches the
# driver and the registry is checked, and screenshots of each window go to build/e2e/.
# Usage: tests/e2e/panel_scenarios.sh   (after the Windows build)
set -u
source "$(dirname "$0")/lib.sh"

# A pointer click at the centre of the rectangle panelctl prints for its arguments; fails when
# panelctl finds nothing there.
click_at() {
  local centre
  centre=$(e2e_centre "$(e2e_ctl "$@")") || return 1
  # shellcheck disable=SC2086 # "x y"
  xdotool mousemove $centre click 1
}

visible_windows() { e2e_ctl windows | awk '$1 == "visible"' | cut -d' ' -f3- | sort; }

readonly ABOUT="關於 Quendal"
readonly TRAY_TIP=Quendal5.1RIR
# The tray callback's keyboard selection (WM_USER + 1) of an icon of version 3.
readonly NIN_KEYSELECT=0x0401
readonly UNITY=0000803F
readonly RESTORE_DEFAULTS="$IOCTL_FILTER_ENABLE - ok
$IOCTL_OUTPUT_5_1 - ok
$IOCTL_SET_BASS_OUTPUT C8000000640000002C010000 ok"
readonly GAINS_AT_START="$IOCTL_SET_VOLUME_L $UNITY ok
$IOCTL_SET_VOLUME_R $UNITY ok
$IOCTL_SET_VOLUME_C $UNITY ok
$IOCTL_SET_VOLUME_LFE $UNITY ok
$IOCTL_SET_VOLUME_RL $UNITY ok
$IOCTL_SET_VOLUME_RR $UNITY ok"

scenario_start_on_a_fresh_registry() {
  e2e_log "== start-up on a fresh registry"
  e2e_start_panel || return 1
  e2e_settle
  check "the stored gains, then the effects restore" "$GAINS_AT_START
$RESTORE_DEFAULTS" "$(requests)"
  local name expected
  for pair in EnableFilter=1 OutputMode=1 BassOutputMode=0 FilterVolume=1 VolumeL=1065353216 \
    VolumeR=1065353216 VolumeLFE=1065353216 VolumeC=1065353216 VolumeRL=1065353216 \
    VolumeRR=1065353216 TestMode=2 TestBtnStatus=0; do
    name=${pair%=*} expected=${pair#*=}
    check "default $name" "$expected" "$(e2e_setting "$name")"
  done
  check "message $WM_PANEL_PING is answered with 1" 1 "$(e2e_ctl ping)"
  check "only the tray shows after start-up" "" "$(visible_windows)"
}

scenario_second_instance() {
  e2e_log "== a second start"
  (cd "$WINEPREFIX/drive_c/Quendal" && exec timeout 60 wine 'C:\Quendal\QuendalPanel.exe' \
    </dev/null >/dev/null 2>&1) &
  local second=$!
  check "the second start shows the error" "程式已執行中!" "$(wait_box "$ERROR" 20)"
  e2e_screenshot second-instance
  e2e_ctl press "$ERROR" "$IDOK"
  check "the second process ended" gone "$(e2e_process_state "$second" 10)"
  check "the first one still answers" 1 "$(e2e_ctl ping)"
}

scenario_no_to_the_multichannel_question() {
  e2e_log "== 5.1 material with the settings closed, answered No"
  requests >/dev/null
  e2e_sim source 5.1 >/dev/null
  check "the question" "$(printf '音訊資料為 5.1-聲道.\n確定要啟動音效功能嗎?\n\n啟動音效功能將會破壞原來 5.1-聲道音訊資料.\n\n(建議: CD 音樂 -> Click Yes, DVD ->No)')" \
    "$(wait_box "$WARNING" 5)"
  e2e_screenshot question
  e2e_ctl dismiss "$E2E_WAIT_MS" "$WARNING" "$IDNO" >/dev/null
  check "No switches the filter off" "$IOCTL_FILTER_DISABLE - ok" "$(requests)"
  check "No stores the effects off" 0 "$(e2e_setting EnableFilter)"
  check "the settings stay closed" "" "$(visible_windows)"
  e2e_sim source none >/dev/null
}

scenario_yes_is_asked_once() {
  e2e_log "== effects switched on in the settings, then 5.1 material answered Yes"
  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  e2e_do tab "$EFFECTS_TAB"
  requests >/dev/null
  e2e_do click "$IDC_ENABLE_EFFECTS"
  check "the check box sends only the filter" "$IOCTL_FILTER_ENABLE - ok" "$(requests)"
  check "effects on stored" 1 "$(e2e_setting EnableFilter)"
  e2e_sim source 5.1 >/dev/null
  wait_box "$WARNING" 5 >/dev/null
  check "the question is asked again once the effects are on" 0 $?
  e2e_ctl dismiss "$E2E_WAIT_MS" "$WARNING" "$IDYES" >/dev/null
  no_box "$WARNING" 2
  check "Yes: not asked again" 0 $?
  check "the source shows on the effects page" "5.1-聲道 音訊資料" \
    "$(e2e_ctl state "$IDC_SOURCE_LAYOUT" | sed -n 's/.*text=//p')"
  e2e_screenshot effects-with-5.1-source
  e2e_sim source none >/dev/null
}

scenario_refused_request() {
  e2e_log "== the driver refuses the effects switch"
  requests >/dev/null
  e2e_sim fail "${IOCTL_FILTER_DISABLE#0x}" 1 >/dev/null
  e2e_ctl click "$IDC_ENABLE_EFFECTS"
  check "the transfer error under caption 4" "USB 資料傳輸錯誤, 再試一次." "$(wait_box "$IO_ERROR" 5)"
  e2e_screenshot transfer-error
  e2e_ctl dismiss "$E2E_WAIT_MS" "$IO_ERROR" "$IDOK" >/dev/null
  check "the refused request" "$IOCTL_FILTER_DISABLE - refused" "$(requests)"
  check "the store keeps the old value" 1 "$(e2e_setting EnableFilter)"
  check "the check box keeps the user's change" "checked=0" \
    "$(e2e_ctl state "$IDC_ENABLE_EFFECTS" | cut -d' ' -f1)"
  e2e_do click "$IDC_ENABLE_EFFECTS"
  check "a second click goes through" "$IOCTL_FILTER_ENABLE - ok" "$(requests)"
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"
}

scenario_unplug_and_replug() {
  e2e_log "== unplug, then a re-plug that attaches on the second device-change event"
  e2e_sim unplug >/dev/null
  e2e_settle
  requests >/dev/null
  # A fixed wait: five periods of the source poll, in which a poll would show.
  sleep 1
  check "no poll while unplugged" "" "$(e2e_sim log --clear)"
  e2e_sim plug --quiet >/dev/null
  e2e_sim devchange 1 >/dev/null
  e2e_settle
  check "the first event only counts" "" "$(requests)"
  e2e_sim devchange 1 >/dev/null
  e2e_settle
  check "the second event restores the stored effects and gains" "$RESTORE_DEFAULTS
$GAINS_AT_START" "$(requests)"
  # A fixed wait: five periods of the source poll, in which it must have run.
  check "and the poll runs again" yes \
    "$(sleep 1; e2e_sim log --clear | grep -q "^$IOCTL_GET_SOURCE_CHANNELS " && echo yes || echo no)"
}

# A click of the left button at x y on a control that captures the pointer while the button is
# down (a check box, a slider's thumb), waited for until the panel has handled the release.
pointer_click() {
  xdotool mousemove "$1" "$2" mousedown 1
  e2e_ctl capture "$E2E_WAIT_MS" >/dev/null
  xdotool mouseup 1
  e2e_settle
}

# As a person would: the pointer on the tray icon, the menu, the tabs and a check box.
scenario_by_pointer() {
  e2e_log "== by pointer: tray menu, Open settings, the Effects tab, the check box"
  click_at trayicon "$TRAY_TIP"
  local left top right bottom
  read -r left top right bottom <<<"$(e2e_ctl menurect 5000)"
  check "the tray menu opens at the pointer" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  e2e_screenshot tray-menu
  # Open settings is the menu's first item, at its top. Wine keeps a menu's items in the process
  # that shows it, where another process cannot ask for their places.
  xdotool mousemove $((left + 30)) $((top + 10)) click 1
  e2e_ctl shown "$PANEL_TITLE" 5000 >/dev/null
  check "Open settings shows the window" 1 "$(visible_windows | grep -cF "$PANEL_TITLE")"
  e2e_screenshot settings-volume
  click_at tabrect "$EFFECTS_TAB"
  read -r left top right bottom <<<"$(e2e_ctl rect "$IDC_ENABLE_EFFECTS" 5000)"
  e2e_screenshot settings-effects
  check "the Effects tab is shown" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  requests >/dev/null
  pointer_click $(((left + right) / 2)) $(((top + bottom) / 2))
  check "the click on the check box switches the effects off" "$IOCTL_FILTER_DISABLE - ok" "$(requests)"
  check "and stores them off" 0 "$(e2e_setting EnableFilter)"
  pointer_click $(((left + right) / 2)) $(((top + bottom) / 2))
  requests >/dev/null
  click_at tabrect "$ABOUT_TAB"
  e2e_settle
  e2e_screenshot settings-about
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"
}

# The gain a slider position sends: 10^((20 - p) / 20) as a single, its bytes in log order.
gain_bytes() {
  /usr/bin/python3 -c 'import struct,sys; print(struct.pack("<f", 10.0 ** ((20 - int(sys.argv[1])) * 0.05)).hex().upper())' "$1"
}

scenario_channel_slider() {
  e2e_log "== a channel slider released by pointer, then its default button"
  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  local found=no
  e2e_parse_slider "$(e2e_ctl slider "$IDC_SLIDER_FRONT_LEFT")" && found=yes
  check "the front-left slider's thumb" yes "$found"
  requests >/dev/null
  local x=${THUMB_X:-0} y=${THUMB_Y:-0}
  xdotool mousemove "$x" "$y" mousedown 1
  e2e_ctl capture "$E2E_WAIT_MS" >/dev/null
  xdotool mousemove "$x" $((y - 12)) mousemove "$x" $((y - 24)) mousemove "$x" $((y - 36)) \
    mousemove "$x" $((y - 48)) mouseup 1
  e2e_settle
  local position bytes
  position=$(e2e_slider_position "$IDC_SLIDER_FRONT_LEFT")
  check "the slider moved up" yes "$([ -n "$position" ] && [ "$position" -lt 20 ] && echo yes || echo no)"
  bytes=$(gain_bytes "${position:-20}")
  check "the release sends the position's gain" "$IOCTL_SET_VOLUME_L $bytes ok" "$(requests)"
  check "and stores its bits" "$((16#${bytes:6:2}${bytes:4:2}${bytes:2:2}${bytes:0:2}))" \
    "$(e2e_setting VolumeL)"
  e2e_do click "$IDC_DEFAULT_FRONT_LEFT"
  check "the default button sends unity gain" "$IOCTL_SET_VOLUME_L $UNITY ok" "$(requests)"
  check "and stores it" 1065353216 "$(e2e_setting VolumeL)"
  check "and puts the slider at 0 dB" 20 "$(e2e_slider_position "$IDC_SLIDER_FRONT_LEFT")"
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"
}

scenario_surround_test() {
  e2e_log "== the surround test started and stopped"
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_do clickin "$SPEAKER_TEST" "$IDC_MODE_SURROUND"
  requests >/dev/null
  e2e_do clickin "$SPEAKER_TEST" "$IDC_START_STOP"
  e2e_screenshot surround-running
  e2e_do clickin "$SPEAKER_TEST" "$IDC_START_STOP"
  check "start and stop at the driver" \
    "$IOCTL_FILTER_ENABLE $IOCTL_SPEAKER_TEST_START $IOCTL_FILTER_DISABLE $IOCTL_SPEAKER_TEST_STOP" \
    "$(requests | awk '{ print $1 }' | uniq | paste -sd' ')"
  e2e_do clickin "$SPEAKER_TEST" "$IDC_LEAVE_TEST"
  check "Leave hides the speaker test" 0 "$(visible_windows | grep -c '喇叭測試')"
}

scenario_windows_to_look_at() {
  e2e_log "== the speaker test and the About box"
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_screenshot speaker-test
  check "the speaker test is shown" 1 "$(visible_windows | grep -c '喇叭測試')"
  e2e_do command "$ID_TRAY_ABOUT"
  e2e_do command "$ID_TRAY_ABOUT"
  e2e_screenshot about
  check "one About box however often it is chosen" 1 "$(visible_windows | grep -c '關於 Quendal')"
  e2e_ctl dismiss "$E2E_WAIT_MS" "$ABOUT" "$IDOK" >/dev/null
  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  check "Open settings closes the speaker test" 0 "$(visible_windows | grep -c '喇叭測試')"
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"
}

# Messages of the system that carry a record, and another program's values for their lParam:
# none, and an address of that program's (16 is memory in no process).
readonly WM_DRAWITEM=0x002B WM_NOTIFY=0x004E WM_INITDIALOG=0x0110 WM_DPICHANGED=0x02E0
readonly FORGED_RECORDS="$WM_NOTIFY $WM_DRAWITEM $WM_DPICHANGED $WM_INITDIALOG"
readonly FOREIGN_ADDRESS=16

# forge_records TARGET...: each of those messages posted with either value and sent without a
# record to the window that panelctl's message action TARGET names (message, sheetmessage,
# pagemessage, messagein CAPTION); then the panel still answers. Wine posts no WM_DRAWITEM, nor
# carries a sent WM_NOTIFY to another process; what it refuses is simply not delivered.
forge_records() {
  local message
  for message in $FORGED_RECORDS; do
    e2e_ctl "$@" "$message" 0 0 >/dev/null
    e2e_ctl "$@" "$message" 0 "$FOREIGN_ADDRESS" >/dev/null
    e2e_ctl do "$E2E_WAIT_MS" "$@" "$message" 0 0 >/dev/null
  done
  e2e_settle
  check "forged records to '$*': the panel still answers" 1 "$(e2e_ctl ping)"
}

scenario_forged_records() {
  e2e_log "== other programs' notifications, owner-draw items, DPI changes and dialog starts"
  forge_records message
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  forge_records messagein "$SPEAKER_TEST"
  # A message box runs a loop of the system's own, which dispatches to the same windows. (With a
  # box open, panelctl's do sends nothing: only the posted ones go.)
  e2e_sim fail "${IOCTL_FILTER_DISABLE#0x}" 1 >/dev/null
  e2e_ctl clickin "$SPEAKER_TEST" "$IDC_MODE_AUTOMATIC"
  wait_box "$IO_ERROR" 5 >/dev/null
  forge_records message
  forge_records messagein "$SPEAKER_TEST"
  e2e_ctl dismiss "$E2E_WAIT_MS" "$IO_ERROR" "$IDOK" >/dev/null
  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  e2e_do tab "$EFFECTS_TAB"
  forge_records sheetmessage
  forge_records pagemessage
  local expected=$IOCTL_FILTER_ENABLE
  e2e_ctl state "$IDC_ENABLE_EFFECTS" | grep -q '^checked=1' && expected=$IOCTL_FILTER_DISABLE
  requests >/dev/null
  e2e_do click "$IDC_ENABLE_EFFECTS"
  check "the effects page still switches the filter" "$expected - ok" "$(requests)"
  e2e_do click "$IDC_ENABLE_EFFECTS"
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"
}

scenario_exit() {
  e2e_log "== Exit"
  local before
  before=$(timeout 20 wine reg query "$E2E_SETTINGS_KEY" </dev/null 2>/dev/null | tr -d '\r')
  requests >/dev/null
  e2e_ctl command "$ID_TRAY_EXIT"
  check "the program ended" gone "$(e2e_process_state "$E2E_PANEL" 10)"
  check "Exit resets the device" "$IOCTL_FILTER_DISABLE - ok
$IOCTL_SET_VOLUME_LFE $UNITY ok
$IOCTL_SET_VOLUME_C $UNITY ok
$IOCTL_SET_VOLUME_R $UNITY ok
$IOCTL_SET_VOLUME_L $UNITY ok
$IOCTL_SET_VOLUME_RR $UNITY ok
$IOCTL_SET_VOLUME_RL $UNITY ok" "$(requests)"
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
  e2e_settle
  check "the stored gains in order, then the stored effects" "$IOCTL_SET_VOLUME_L 00002041 ok
$IOCTL_SET_VOLUME_R 0529643F ok
$IOCTL_SET_VOLUME_C 9BE8A13E ok
$IOCTL_SET_VOLUME_LFE CDCCCC3D ok
$IOCTL_SET_VOLUME_RL C2624A40 ok
$IOCTL_SET_VOLUME_RR $UNITY ok
$IOCTL_FILTER_ENABLE - ok
$IOCTL_OUTPUT_2_1 - ok
$IOCTL_SET_BASS_OUTPUT 280000001B00000043000000 ok" "$(requests)"
  check "the stored values stay" 0 "$(e2e_setting OutputMode)"
  e2e_ctl command "$ID_TRAY_EXIT"
  e2e_process_state "$E2E_PANEL" 10 >/dev/null
}

scenario_start_without_the_device() {
  e2e_log "== start-up with the device unplugged"
  e2e_sim unplug >/dev/null
  requests >/dev/null
  e2e_start_panel || return 1
  e2e_settle
  check "nothing is sent" "" "$(requests)"
  # The not-connected icon with its menu: only the menu's own id opens it, and Open settings is
  # greyed. Sent and waited for: a menu that opened would keep the handler from returning.
  e2e_do tray "$IDR_MENU_CONNECTED" "$WM_RBUTTONDOWN"
  check "the connected menu's id opens nothing" no "$(e2e_ctl menurect >/dev/null && echo yes || echo no)"
  e2e_ctl tray "$IDR_MENU_NOT_CONNECTED" "$WM_RBUTTONDOWN"
  local left top right bottom
  read -r left top right bottom <<<"$(e2e_ctl menurect 5000)"
  check "menu $IDR_MENU_NOT_CONNECTED opens" yes "$([ -n "${bottom:-}" ] && echo yes || echo no)"
  e2e_screenshot tray-menu-not-connected
  xdotool mousemove $((left + 30)) $((top + 10)) click 1
  # A fixed wait: nothing tells when a greyed item has done nothing.
  sleep 1
  check "its greyed Open settings shows nothing" "" "$(visible_windows | grep -v '^#32768 ')"
  # A click beside the menu closes it; settle waits for the menu to let the pointer go.
  xdotool mousemove 600 300 click 1
  e2e_settle
  # Enter on the icon reached from the keyboard (Win+B and the arrows) opens the same menu.
  # Wine cannot tell an icon's place, so the menu opens at the pointer.
  xdotool mousemove 300 200
  e2e_ctl tray "$IDR_MENU_NOT_CONNECTED" "$NIN_KEYSELECT"
  read -r left top right bottom <<<"$(e2e_ctl menurect 5000)"
  check "Enter on the icon opens menu $IDR_MENU_NOT_CONNECTED at the pointer" "300 200" "$left $top"
  e2e_screenshot tray-menu-keyboard
  xdotool mousemove 600 300 click 1
  e2e_settle
  e2e_ctl command "$ID_TRAY_EXIT"
  e2e_process_state "$E2E_PANEL" 10 >/dev/null
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
  e2e_settle
  check "no warning of a missing library" yes "$(no_box "$WARNING" && echo yes || echo no)"
  check "the device is attached: its effects are restored" 1 \
    "$(requests | grep -cE "^($IOCTL_FILTER_ENABLE|$IOCTL_FILTER_DISABLE) ")"
  e2e_ctl command "$ID_TRAY_EXIT"
  e2e_process_state "$E2E_PANEL" 10 >/dev/null
}

started=$SECONDS
e2e_begin
e2e_install_device
for scenario in scenario_start_on_a_fresh_registry scenario_second_instance \
  scenario_no_to_the_multichannel_question scenario_yes_is_asked_once scenario_refused_request \
  scenario_unplug_and_replug scenario_by_pointer scenario_channel_slider scenario_surround_test \
  scenario_windows_to_look_at scenario_forged_records scenario_exit \
  scenario_start_on_a_filled_registry scenario_start_without_the_device \
  scenario_start_from_a_folder_outside_the_code_page; do
  if ! $scenario; then
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_log "FAILED: $scenario did not complete"
  fi
done
e2e_log "end-to-end scenarios: $E2E_FAILURES failed checks in $((SECONDS - started)) s"
[ "$E2E_FAILURES" -eq 0 ]
