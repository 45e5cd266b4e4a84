#!/usr/bin/env bash
# Exit and a removal of the device that arrive while one of the panel's message boxes, or the
# speaker test, is open: the box stays until it is answered, then the program finishes what the
# box was for and ends cleanly (for Exit), leaving the device reset, or goes on without the
# device (for the removal; the script then ends the program). Each Exit scenario starts the
# panel on stored settings that are not the reset's, so that a reset left out shows in the
# device's state.
# Usage: tests/e2e/reentrancy_scenarios.sh   (after the Windows build)
set -u
source "$(dirname "$0")/lib.sh"

readonly TRANSFER_ERROR="USB 資料傳輸錯誤, 再試一次."

start_panel_on_stored_settings() {
  e2e_store_settings "$STORED_SETTINGS"
  e2e_start_panel || return 1
  e2e_settle
}

# Waits up to $1 seconds for the panel's process to end; PANEL_END then says how: "exit STATUS",
# or "running". Not to be run in a subshell, which could not wait for the shell's own child.
await_panel_end() {
  PANEL_END=running
  [ "$(e2e_process_state "$E2E_PANEL" "$1")" = gone ] || return 0
  wait "$E2E_PANEL"
  PANEL_END="exit $?"
}

# Exit from the tray menu, with the request log emptied first.
send_exit() {
  requests >/dev/null
  e2e_ctl command "$ID_TRAY_EXIT"
}

# exit_under_box CAPTION NAME: Exit while the box titled CAPTION is open; the box stays and the
# program waits for the answer. A fixed wait: nothing tells when an Exit that should wait has not
# ended anything.
exit_under_box() {
  send_exit
  sleep 1
  check "$2: the box stays open after Exit" yes "$(e2e_ctl box "$1" >/dev/null && echo yes || echo no)"
  check "$2: the program waits for the answer" yes \
    "$(kill -0 "$E2E_PANEL" 2>/dev/null && echo yes || echo no)"
}

# answer_and_expect_exit CAPTION BUTTON NAME: answers the box; then the program ends by itself.
answer_and_expect_exit() {
  e2e_ctl press "$1" "$2"
  expect_clean_exit "$3"
}

# expect_clean_exit NAME: the program has ended with status 0 after one exit sequence, leaving the
# device reset and no speaker test running; EXIT_REQUESTS holds what the driver saw since Exit.
expect_clean_exit() {
  await_panel_end 10
  check "$1: the program ended cleanly" "exit 0" "$PANEL_END"
  EXIT_REQUESTS=$(requests)
  check "$1: the exit sequence ran once" 1 "$(grep -c "^$IOCTL_SET_VOLUME_L " <<<"$EXIT_REQUESTS")"
  check "$1: the device ends reset" "$RESET_STATE" "$(device_reset_state)"
  check "$1: no speaker test runs" "speaker test: stopped" \
    "$(e2e_sim state | grep '^speaker test:')"
}

scenario_exit_under_the_multichannel_question() {
  e2e_log "== Exit while the 5.1 question is open, answered No"
  start_panel_on_stored_settings || return 1
  e2e_sim source 5.1 >/dev/null
  wait_box "$WARNING" 5 >/dev/null
  exit_under_box "$WARNING" "the 5.1 question"
  answer_and_expect_exit "$WARNING" "$IDNO" "the 5.1 question"
  check "the answer No is carried out before the exit: effects stored off" 0 \
    "$(e2e_setting EnableFilter)"
  e2e_sim source none >/dev/null
}

scenario_exit_under_a_transfer_error() {
  e2e_log "== Exit while the effects page's transfer error is open"
  start_panel_on_stored_settings || return 1
  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  e2e_do tab "$EFFECTS_TAB"
  e2e_sim fail "${IOCTL_FILTER_DISABLE#0x}" 1 >/dev/null
  e2e_ctl click "$IDC_ENABLE_EFFECTS"
  check "the transfer error" "$TRANSFER_ERROR" "$(wait_box "$IO_ERROR" 5)"
  exit_under_box "$IO_ERROR" "the transfer error"
  answer_and_expect_exit "$IO_ERROR" "$IDOK" "the transfer error"
}

scenario_exit_under_the_speaker_tests_error() {
  e2e_log "== Exit while the speaker test's transfer error is open"
  start_panel_on_stored_settings || return 1
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_sim fail "${IOCTL_FILTER_DISABLE#0x}" 1 >/dev/null
  e2e_ctl clickin "$SPEAKER_TEST" "$IDC_MODE_AUTOMATIC"
  check "the speaker test's transfer error" "$TRANSFER_ERROR" "$(wait_box "$IO_ERROR" 5)"
  exit_under_box "$IO_ERROR" "the speaker test's error"
  answer_and_expect_exit "$IO_ERROR" "$IDOK" "the speaker test's error"
}

scenario_exit_with_the_speaker_test_open() {
  e2e_log "== Exit with the speaker test open"
  start_panel_on_stored_settings || return 1
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  send_exit
  expect_clean_exit "the speaker test open"
}

scenario_exit_during_a_surround_test() {
  e2e_log "== Exit with a surround test running"
  start_panel_on_stored_settings || return 1
  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_do clickin "$SPEAKER_TEST" "$IDC_MODE_SURROUND"
  e2e_do clickin "$SPEAKER_TEST" "$IDC_START_STOP"
  check "the surround test runs" "speaker test: running" "$(e2e_sim state | grep '^speaker test:')"
  send_exit
  expect_clean_exit "the surround test"
  check "the filter is switched off last" "$IOCTL_FILTER_DISABLE" \
    "$(awk '{ print $1 }' <<<"$EXIT_REQUESTS" | grep -E "^($IOCTL_FILTER_ENABLE|$IOCTL_FILTER_DISABLE)\$" | tail -1)"
  check "the stored test button is not left running" yes \
    "$([ "$(e2e_setting TestBtnStatus)" != 2 ] && echo yes || echo no)"
}

scenario_unplug_under_the_multichannel_question() {
  e2e_log "== the device unplugged while the 5.1 question is open, answered afterwards"
  start_panel_on_stored_settings || return 1
  e2e_sim source 5.1 >/dev/null
  wait_box "$WARNING" 5 >/dev/null
  e2e_sim unplug >/dev/null
  # Yes asks nothing of the device: what follows is the removal's doing alone.
  e2e_ctl dismiss "$E2E_WAIT_MS" "$WARNING" "$IDYES" >/dev/null
  e2e_settle
  check "the program goes on" 1 "$(e2e_ctl ping)"
  local caption
  for caption in "$WARNING" "$IO_ERROR" "$ERROR"; do
    check "no box '$caption' is left" yes "$(no_box "$caption" && echo yes || echo no)"
  done
  # The icon and menu of a panel without its device: only that menu's id opens a menu.
  e2e_do tray "$IDR_MENU_CONNECTED" "$WM_RBUTTONDOWN"
  check "the connected icon is gone" no "$(e2e_ctl menurect >/dev/null && echo yes || echo no)"
  e2e_ctl tray "$IDR_MENU_NOT_CONNECTED" "$WM_RBUTTONDOWN"
  check "the not-connected icon is shown" yes \
    "$(e2e_ctl menurect 5000 >/dev/null && echo yes || echo no)"
  # A click beside the menu closes it; settle waits for the menu to let the pointer go.
  xdotool mousemove 600 300 click 1
  e2e_settle
  check "and still runs" 1 "$(e2e_ctl ping)"
  e2e_sim source none >/dev/null
}

started=$SECONDS
e2e_begin
e2e_install_device
for scenario in scenario_exit_under_the_multichannel_question \
  scenario_exit_under_a_transfer_error scenario_exit_under_the_speaker_tests_error \
  scenario_exit_with_the_speaker_test_open scenario_exit_during_a_surround_test \
  scenario_unplug_under_the_multichannel_question; do
  if ! $scenario; then
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_log "FAILED: $scenario did not complete"
  fi
  # A program that did not end is ended here, so that the next scenario starts its own.
  if kill -0 "${E2E_PANEL:-0}" 2>/dev/null; then
    kill "$E2E_PANEL"
    wait "$E2E_PANEL"
  fi
done
e2e_log "reentrancy scenarios: $E2E_FAILURES failed checks in $((SECONDS - started)) s"
[ "$E2E_FAILURES" -eq 0 ]
