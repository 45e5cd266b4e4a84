#!/usr/bin/env bash
# The device brought back to the user's settings whenever it comes (a re-plug, a plug after a
# start without it, a resume from sleep), and left reset when the session ends or the program is
# told to quit. The simulated device powers up fresh at every plug, so what is checked is the
# device's own state (simctl state --settings) against the settings key.
# Usage: tests/e2e/attach_scenarios.sh   (after the Windows build)
set -u
source "$(dirname "$0")/lib.sh"

readonly WM_QUERYENDSESSION=0x0011 WM_ENDSESSION=0x0016 WM_QUIT=0x0012
readonly WM_POWERBROADCAST=0x0218 PBT_APMRESUMEAUTOMATIC=0x12 PBT_APMRESUMESUSPEND=7
# The settings key's effects and gains, in the terms and order of simctl state --settings. One
# panelctl reads the whole key: a `reg query` for each value would cost seconds each.
stored_state() {
  local -A stored
  local line name
  while IFS= read -r line; do stored[${line%%=*}]=${line#*=}; done \
    < <(e2e_ctl settings "${E2E_SETTINGS_KEY#HKLM\\}")
  line=""
  for name in EnableFilter OutputMode BassOutputMode $GAIN_VALUES; do
    line+=" $name=${stored[$name]:-missing}"
  done
  echo "${line# }"
}

expect_device_restored() { check "$1: the device holds the stored settings" "$(stored_state)" "$(device_state)"; }

# Sends the device-change events of a plug one at a time: the second attaches.
plug_with_two_events() {
  e2e_sim plug --quiet >/dev/null
  e2e_sim devchange 1 >/dev/null
  e2e_settle
  check "$1: the first event leaves the device at power-on" "EnableFilter=0" \
    "$(device_state | cut -d' ' -f1)"
  e2e_sim devchange 1 >/dev/null
  e2e_settle
}

stop_panel() {
  e2e_ctl command "$ID_TRAY_EXIT"
  e2e_process_state "$E2E_PANEL" 10 >/dev/null
}

scenario_start() {
  e2e_log "== start-up on stored settings"
  e2e_store_settings "$STORED_SETTINGS"
  e2e_start_panel || return 1
  e2e_settle
  expect_device_restored "start-up"
}

scenario_unplug_and_replug() {
  e2e_log "== unplug and re-plug"
  e2e_sim unplug >/dev/null
  e2e_settle
  plug_with_two_events "re-plug"
  expect_device_restored "re-plug"
}

# The device goes away and comes back while the system sleeps: no device change reaches the
# panel, and the handle of the effects page, open on the shown settings, is dead.
scenario_resume() {
  e2e_log "== resume from sleep"
  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  e2e_do tab "$EFFECTS_TAB"
  e2e_sim unplug --quiet >/dev/null
  e2e_sim plug --quiet >/dev/null
  check "asleep: the device is at power-on" "EnableFilter=0" "$(device_state | cut -d' ' -f1)"
  e2e_do message "$WM_POWERBROADCAST" "$PBT_APMRESUMEAUTOMATIC" 0
  expect_device_restored "resume"
  check "the effects page is still selected" 1 \
    "$(e2e_ctl state "$IDC_ENABLE_EFFECTS" | grep -c '^checked=1')"
  requests >/dev/null
  e2e_do click "$IDC_ENABLE_EFFECTS"
  check "the effects page's new handle carries the switch" "$IOCTL_FILTER_DISABLE - ok" \
    "$(requests)"
  e2e_do click "$IDC_ENABLE_EFFECTS"
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"
  # Unplugged for good during the sleep: the resume finds it gone.
  e2e_sim unplug --quiet >/dev/null
  e2e_do message "$WM_POWERBROADCAST" "$PBT_APMRESUMESUSPEND" 0
  e2e_sim plug --quiet >/dev/null
  e2e_do message "$WM_POWERBROADCAST" "$PBT_APMRESUMESUSPEND" 0
  expect_device_restored "resume after an unplugged one"
}

scenario_session_end() {
  e2e_log "== the session ends during an automatic speaker test"
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_do clickin "$SPEAKER_TEST" "$IDC_MODE_AUTOMATIC"
  e2e_do press "$SPEAKER_TEST" "$IDC_START_STOP"
  check "the test runs" 2 "$(e2e_setting TestBtnStatus)"
  e2e_do message "$WM_QUERYENDSESSION" 0 0
  e2e_do message "$WM_ENDSESSION" 1 0
  check "the device ends reset" "$RESET_STATE" "$(device_reset_state)"
  check "the test has ended" 1 "$(e2e_setting TestBtnStatus)"
  check "no box is shown" no "$(e2e_ctl box "$IO_ERROR" >/dev/null && echo yes || echo no)"
  stop_panel
}

scenario_start_without_the_device() {
  e2e_log "== plugged in after a start without the device"
  e2e_sim unplug >/dev/null
  e2e_start_panel || return 1
  e2e_settle
  plug_with_two_events "plug after start"
  expect_device_restored "plug after start"
}

scenario_quit() {
  e2e_log "== a quit message in the program's own loop"
  e2e_ctl message "$WM_QUIT" 0 0 >/dev/null
  check "the program ended" gone "$(e2e_process_state "$E2E_PANEL" 10)"
  check "the device ends reset" "$RESET_STATE" "$(device_reset_state)"
}

# The filter library refuses to put its filter in place although the device is there: a warning
# with the library's reason, then the program goes on as with the filter in place.
scenario_filter_refused_at_start() {
  e2e_log "== the audio filter refused at start-up"
  e2e_sim fail add-filter 1 >/dev/null
  e2e_store_settings "$STORED_SETTINGS"
  # A box of its start-up holds it: it is not asked to answer.
  e2e_launch_panel
  check "the library's reason is shown" "找不到 HALVORIN audio 設備 (設備未插入系統)" \
    "$(wait_box "$WARNING" 20)"
  e2e_ctl dismiss "$E2E_WAIT_MS" "$WARNING" "$IDOK" >/dev/null
  check "the panel runs on" 1 "$(e2e_ctl ping)"
  expect_device_restored "after the refused filter"
  stop_panel
}

# A library without AddUSBAudioFilter: the program says so, and once that is answered it runs its
# exit sequence from inside its window's initialisation and ends by itself, leaving its name free.
scenario_library_without_the_filter_call() {
  e2e_log "== a library that cannot add the filter"
  mkdir -p "$WINEPREFIX/drive_c/NoFilterCall"
  cp "$WINEPREFIX/drive_c/Quendal/QuendalPanel.exe" "$WINEPREFIX/drive_c/NoFilterCall/"
  cp "$E2E_BUILD/sim/ZanfilterWithoutAdd.dll" "$WINEPREFIX/drive_c/NoFilterCall/Zanfilter.dll"
  e2e_launch_panel NoFilterCall
  check "the missing library is named" "$(printf '找不到 DLL 驅動程式.\n請重新安裝驅動程式!')" \
    "$(wait_box "$WARNING" 20)"
  check "the program waits for the answer" running "$(e2e_process_state "$E2E_PANEL" 1)"
  e2e_ctl dismiss "$E2E_WAIT_MS" "$WARNING" "$IDOK" >/dev/null
  check "the program ended by itself" gone "$(e2e_process_state "$E2E_PANEL" 20)"
  local status=0
  wait "$E2E_PANEL" || status=$?
  check "its exit status" 0 "$status"
  check "the device ends reset" "$RESET_STATE" "$(device_reset_state)"
  e2e_start_panel || return 1
  check "a later start runs" 1 "$(e2e_ctl ping)"
  stop_panel
}

started=$SECONDS
e2e_begin
e2e_install_device
for scenario in scenario_start scenario_unplug_and_replug scenario_resume scenario_session_end \
  scenario_start_without_the_device scenario_quit scenario_filter_refused_at_start \
  scenario_library_without_the_filter_call; do
  if ! $scenario; then
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_log "FAILED: $scenario did not complete"
  fi
done
e2e_log "attach scenarios: $E2E_FAILURES failed checks in $((SECONDS - started)) s"
[ "$E2E_FAILURES" -eq 0 ]
