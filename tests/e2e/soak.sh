#!/usr/bin/env bash
# The panel under a long run of what a user and the device do to it, with the driver refusing
# about a tenth of the requests. Each cycle:
#
#   unplug and plug the device (the plug makes the panel restore the effects and the six gains),
#   open the settings, switch the effects on or off on the effects page, drag one channel slider
#   of the volume page with the X pointer, open the speaker test and leave it, close the settings.
#
# After every plug the simulated device, which powers up fresh, must hold the stored settings
# (effects, output mode, crossover, six gains) wherever the restore's request was accepted, and
# its power-on value where the request was refused or not sent (output mode and crossover with
# the effects off).
#
# Before each step a seeded coin picks, among the requests that step is going to send, at most
# one for the driver to refuse; the panel then shows its "IO 控制錯誤" box, which is closed with
# OK. Every cycle checks the requests the driver saw against the ones expected (codes, inputs,
# refusals), the boxes shown against the refusals that must show one, and the thirteen stored
# settings against the last values the driver accepted.
#
# While the box of a refused effects switch or slider release is open, the program only notes
# what arrives for its control-panel window, and acts on it once the box is closed. Planned from
# the seed, in about one cycle in ten each and in at least one cycle of a run, that step's
# request is refused and, under its box:
#   - the device is unplugged (also, by a seeded coin, 1 in 3, under any other such box): the box
#     and the settings must stay shown until the box is answered; then the removal is handled
#     (the settings hidden, the not-connected tray icon), and the device is plugged in again,
#     checked as above, and the settings reopened.
#   - Exit is chosen from the tray menu (in runs of five cycles or more), and the box answered:
#     the program must end by itself within a few seconds, with exit code 0 and no crash in its
#     output, the device reset (effects off, unity gain on the six channels, after the box's own
#     request), nothing stored but what the box's request stored. The panel is then started
#     again; its start-up sends the stored gains and effects, which the device must then hold,
#     and the cycles go on with the new process.
#
# The first cycle of every panel process refuses the first request of each step; the handle, GDI
# and user object counts after it are that process's baseline. Before a process ends, and after
# the cycles, its counts must be within 5 of its baseline. After the cycles the panel must still
# answer, and Exit must switch the effects off and send unity gain to the six channels, without
# storing anything, and end the program. Every step is bounded in time.
#
# Usage: tests/e2e/soak.sh [CYCLES]   (default 30)
#   SOAK_SEED picks another series of refusals, slider positions, unplugs and exits under a box;
#   SOAK_TRACE=1 logs every step with its time and the panel's resource counts after it.
set -uo pipefail

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

CYCLES=${1:-30}
SEED=${SOAK_SEED:-2}
[[ $CYCLES =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [CYCLES]" >&2; exit 2; }

STEP_LIMIT_S=20         # the longest any one step may take, the plug with its one-second wait included
WAIT_MS=$E2E_WAIT_MS    # how long panelctl waits for the panel to finish one action
RESOURCE_TOLERANCE=5
EXIT_LIMIT_S=10         # how long the program may take to end once its exit may run
# What Wine writes when a program crashes ("wine: Unhandled page fault ... starting debugger...",
# then its debugger's report and backtrace). The debugger's crash dialog then holds the process.
CRASH_SIGNS='Unhandled|[Bb]acktrace|winedbg|starting debugger|stack overflow|[Aa]ssertion'

# Control codes and their inputs as the driver's log shows them.
ENABLE=$IOCTL_FILTER_ENABLE
DISABLE=$IOCTL_FILTER_DISABLE
OUTPUT_51=$IOCTL_OUTPUT_5_1
CROSSOVER=$IOCTL_SET_BASS_OUTPUT
CROSSOVER_120=C8000000640000002C010000 # 200, 100, 300: crossover index 0
SOURCE_POLL=$IOCTL_GET_SOURCE_CHANNELS
UNITY=0000803F
UNITY_DECIMAL=$((0x3F800000))
# The simulated device at power-up, in the terms of `simctl state --settings`.
declare -A POWER_ON=([EnableFilter]=0 [OutputMode]=0 [BassOutputMode]=none)
for name in VolumeL VolumeR VolumeLFE VolumeC VolumeRL VolumeRR; do POWER_ON[$name]=$((0x3F000000)); done
DEVICE_FIELDS=(EnableFilter OutputMode BassOutputMode VolumeL VolumeR VolumeLFE VolumeC VolumeRL
  VolumeRR)

# The six channel sliders: slider id, gain code, stored value.
CHANNELS=("$IDC_SLIDER_FRONT_LEFT $IOCTL_SET_VOLUME_L VolumeL"
  "$IDC_SLIDER_FRONT_RIGHT $IOCTL_SET_VOLUME_R VolumeR"
  "$IDC_SLIDER_LFE $IOCTL_SET_VOLUME_LFE VolumeLFE"
  "$IDC_SLIDER_CENTER $IOCTL_SET_VOLUME_C VolumeC"
  "$IDC_SLIDER_REAR_LEFT $IOCTL_SET_VOLUME_RL VolumeRL"
  "$IDC_SLIDER_REAR_RIGHT $IOCTL_SET_VOLUME_RR VolumeRR")
# The order of the gains in the restore after a plug (and the push at start-up): L, R, C, LFE,
# RL, RR.
RESTORE_GAINS=("$IOCTL_SET_VOLUME_L VolumeL" "$IOCTL_SET_VOLUME_R VolumeR" "$IOCTL_SET_VOLUME_C VolumeC"
  "$IOCTL_SET_VOLUME_LFE VolumeLFE" "$IOCTL_SET_VOLUME_RL VolumeRL" "$IOCTL_SET_VOLUME_RR VolumeRR")
# The order of the gains in the reset at exit: LFE, C, R, L, RR, RL.
RESET_GAINS=("$IOCTL_SET_VOLUME_LFE" "$IOCTL_SET_VOLUME_C" "$IOCTL_SET_VOLUME_R"
  "$IOCTL_SET_VOLUME_L" "$IOCTL_SET_VOLUME_RR" "$IOCTL_SET_VOLUME_RL")
# What each stored value must hold, "accepted" meaning that the driver's log shows the request ok:
#   EnableFilter    the state of the last effects switch from the effects page that was accepted:
#                   the restore after a plug (which sends the check box's state) or a click on
#                   the check box. The speaker test's switches and the reset at exit are never
#                   stored.
#   OutputMode      the mode of the last output request accepted, sent only by a restore with
#                   effects on; the radios are never clicked, so it stays 1 (5.1).
#   BassOutputMode  the index of the last crossover accepted, likewise only from a restore: 0.
#   Volume*         the gain of the last slider release on that channel that was accepted. The
#                   push of the stored gains at start-up, their restore after a plug and the
#                   unity gains at exit store nothing.
#   SystemVolume    what the volume page stored at start-up from the mixer: no master slider moves.
#   FilterVolume, TestMode, TestBtnStatus  their defaults 1, 2 and 0: nothing in a cycle writes them.
SETTINGS=(EnableFilter OutputMode BassOutputMode SystemVolume FilterVolume VolumeL VolumeR
  VolumeLFE VolumeC VolumeRL VolumeRR TestMode TestBtnStatus)

IO_ERROR_BOX="box $IO_ERROR: USB 資料傳輸錯誤, 再試一次."
# The steps whose box may be left open while the device is unplugged or Exit is chosen.
BOX_STEPS=("toggle effects" "drag a channel slider")

declare -A EXPECTED  # setting -> the value it must hold (decimal)
declare -A STORED    # setting -> the value read from the settings key
declare -a GAIN_INPUT # slider position -> the four bytes of its gain, as the log shows them
declare -A STEP_MS    # step -> milliseconds spent in it over all cycles
declare -A REFUSED    # "step: code" -> requests refused there
declare -A RESTORED   # device field -> 1 when the restore's request for it was accepted
declare -A DEVICE     # device field -> its value, as `simctl state --settings` last showed it
declare -A AFTER_EXIT=() # device field -> its value once the program had ended
declare -A EXIT_AT=() # cycle -> the step whose box gets the Exit
declare -A UNPLUG_AT=() # cycle -> a step under whose box the device is unplugged
STEP_ORDER=(unplug "plug and restore" "open settings" "toggle effects" "drag a channel slider"
  "open the speaker test" "leave the speaker test" "close settings" "check the driver log"
  "check the settings" "unplug under a box" "exit under a box" "start again")
EXPECTED_LOG=""      # the requests expected since the driver's log was last read, poll excluded
ARMED=""             # the code the driver refuses next, empty when none
BOXES=0              # refused-request boxes closed in this cycle
CHECK_BOX=1          # the effects page's check box
CYCLE=0
STEP=start
STEP_STARTED=$SECONDS
STEP_STARTED_MS=0
TOTAL_REFUSED=0
TOTAL_REQUESTS=0
RESOURCE_SERIES=()   # "cycle: handles gdi user" after each cycle, and where a process ended
TOTAL_BOXES=0
UNDER_BOX=""         # set by the steps whose box may be left open (BOX_STEPS)
UNPLUGGED=0          # the device was unplugged while a box was open
TOTAL_UNDER_BOX=0
EXITS=()             # the cycles in which the program ended by an Exit under a box
PANEL_RUNNING=0
PANEL_STARTS=0
WARMUP=1             # the cycle is the first of its panel process
BASELINE=""          # the counts after the first cycle of the running process
BASELINE_CYCLE=0
LAST_RESOURCES=""    # the counts after the last cycle that the running process completed

die() {
  e2e_log "FAILED: cycle $CYCLE, step $STEP: $*"
  if [ -n "${WINEPREFIX:-}" ]; then
    e2e_log "panel windows:"
    e2e_ctl windows >&2
    e2e_log "driver log since the cycle began (poll excluded):"
    e2e_sim log | grep -v "^$SOURCE_POLL " >&2
    e2e_screenshot soak-failure 0
  fi
  exit 1
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

step() {
  STEP=$1
  STEP_STARTED=$SECONDS
  STEP_STARTED_MS=$(now_ms)
}

# A step that took too long is a hang even when it ended.
step_done() {
  ((SECONDS - STEP_STARTED <= STEP_LIMIT_S)) || die "took $((SECONDS - STEP_STARTED)) s"
  STEP_MS[$STEP]=$((${STEP_MS[$STEP]:-0} + $(now_ms) - STEP_STARTED_MS))
  [ -n "${SOAK_TRACE:-}" ] || return 0
  local counts="the program has ended"
  if ((PANEL_RUNNING)); then
    resources
    counts="handles gdi user $RESOURCES"
  fi
  e2e_log "cycle $CYCLE, $STEP: $(($(now_ms) - STEP_STARTED_MS)) ms, $counts"
}

# Where the time of a cycle goes, averaged over the cycles.
report_steps() {
  local name
  for name in "${STEP_ORDER[@]}"; do
    e2e_log "  $(printf '%-24s %6d ms' "$name" $((${STEP_MS[$name]:-0} / CYCLES)))"
  done
}

# The gain of every slider position as four little-endian bytes: 10^((20 - p) / 20), formed in
# double precision and rounded to single precision.
gain_table() {
  read -r -a GAIN_INPUT < <(python3 -c '
import math, struct
print(" ".join(struct.pack("<f", math.pow(10.0, (20 - p) * 0.05)).hex().upper() for p in range(41)))')
  ((${#GAIN_INPUT[@]} == 41)) || die "cannot compute the gain table"
}

le_to_decimal() { echo $((16#${1:6:2}${1:4:2}${1:2:2}${1:0:2})); }

# One panelctl for the whole run, fed a verb a line, its fields separated by tabs: a Windows
# process for each of the many questions would cost more than the cycles themselves.
start_panelctl() {
  coproc PANELCTL { exec wine 'C:\Quendal\panelctl.exe' serve 2>&1; }
}

# ctl VERB ARGS...: the answer in CTL_OUT, panelctl's status as the status.
ctl() {
  local IFS=$'\t' line
  printf '%s\n' "$*" >&"${PANELCTL[1]}" || die "panelctl is gone"
  CTL_OUT=""
  while IFS= read -r -t 60 -u "${PANELCTL[0]}" line; do
    line=${line%$'\r'}
    if [[ $line == "@@ "* ]]; then return "${line#@@ }"; fi
    CTL_OUT+="${CTL_OUT:+$'\n'}$line"
  done
  die "panelctl did not answer '$*'"
}

read_settings() {
  local line
  STORED=()
  ctl settings "${E2E_SETTINGS_KEY#HKLM\\}" || die "cannot read the settings: $CTL_OUT"
  while IFS= read -r line; do STORED[${line%%=*}]=${line#*=}; done <<<"$CTL_OUT"
}

check_settings() {
  local name
  read_settings
  for name in "${SETTINGS[@]}"; do
    [ "${STORED[$name]:-missing}" = "${EXPECTED[$name]}" ] ||
      die "setting $name is ${STORED[$name]:-missing}, the last accepted value is ${EXPECTED[$name]}"
  done
}

# Before a step: the seeded coin may pick one of the codes the step is going to send, in order,
# for the driver to refuse. The first cycle of a panel process refuses the first request of
# every step, so that whatever the system builds once and keeps when a box first shows (Wine
# keeps a few more cached device contexts after the first box over the open settings) is there
# before the resource counts of that cycle are taken as the baseline. The step that Exit is
# or an unplug is planned for refuses its request, so that its box shows.
arm() {
  local code answer planned=0
  [ "${EXIT_AT[$CYCLE]:-}" = "$STEP" ] || [ "${UNPLUG_AT[$CYCLE]:-}" = "$STEP" ] && planned=1
  ARMED=""
  for code in "$@"; do
    if ((WARMUP || planned || RANDOM % 10 == 0)); then
      ARMED=$code
      [ -n "${SOAK_TRACE:-}" ] && e2e_log "cycle $CYCLE, $STEP: the driver refuses the next $code"
      answer=$(e2e_sim fail "${code#0x}" 1) || die "cannot plan the refusal of $code: $answer"
      return
    fi
  done
}

# One request the step makes, appended to the expected log and refused when it was picked.
# A refusal shows the box unless the request is "silent". Returns non-zero when refused.
expect_request() {
  local code=$1 input=$2 silent=${3:-}
  TOTAL_REQUESTS=$((TOTAL_REQUESTS + 1))
  if [ "$code" = "$ARMED" ]; then
    ARMED=""
    EXPECTED_LOG+="$code $input refused injected"$'\n'
    REFUSED["$STEP: $code"]=$((${REFUSED["$STEP: $code"]:-0} + 1))
    TOTAL_REFUSED=$((TOTAL_REFUSED + 1))
    [ -n "$silent" ] || EXPECTED_BOXES=$((EXPECTED_BOXES + 1))
    return 1
  fi
  EXPECTED_LOG+="$code $input ok"$'\n'
}

# The outcome of a panelctl verb that waits for the panel: idle, or the refused-request box,
# which is closed with OK until the panel is idle again. In the steps of BOX_STEPS the program
# may first be told to exit under the box, which then ends it, or the device may be unplugged:
# where planned, or at any other of their boxes by a seeded coin, 1 in 3.
handle_boxes() {
  local output=$1 status=$2
  while ((status == 3)); do
    [ "${output##*$'\n'}" = "$IO_ERROR_BOX" ] || die "unexpected box: ${output##*$'\n'}"
    BOXES=$((BOXES + 1))
    if [ -n "$UNDER_BOX" ] && [ "${EXIT_AT[$CYCLE]:-}" = "$STEP" ]; then
      exit_under_box
      return
    fi
    if [ -n "$UNDER_BOX" ] && ((!UNPLUGGED)) &&
      { [ "${UNPLUG_AT[$CYCLE]:-}" = "$STEP" ] || ((RANDOM % 3 == 0)); }; then
      unplug_under_box
    fi
    ctl dismiss "$WAIT_MS" "$IO_ERROR" "$IDOK"
    status=$?
    output=$CTL_OUT
  done
  ((status == 0)) || die "the panel is stuck (${output//$'\n'/; })"
}

act() {
  ctl "$@"
  handle_boxes "$CTL_OUT" $?
}

settle() { act settle "$WAIT_MS"; }

# The decimal value of a gain as four little-endian bytes, the driver log's form.
decimal_to_le() {
  printf '%02X%02X%02X%02X' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24))
}

# The restore after an arrival: the effects as the check box shows them, and with effects on the
# output mode and the crossover (a refused switch stops these, a refused crossover shows
# nothing); then the six stored gains, silently.
expect_restore() {
  local gain code value gain_codes=()
  for gain in "${RESTORE_GAINS[@]}"; do gain_codes+=("${gain% *}"); done
  RESTORED=()
  if ((CHECK_BOX)); then
    arm "$ENABLE" "$OUTPUT_51" "$CROSSOVER" "${gain_codes[@]}"
    if expect_request "$ENABLE" -; then
      EXPECTED[EnableFilter]=1 RESTORED[EnableFilter]=1
      expect_request "$OUTPUT_51" - && EXPECTED[OutputMode]=1 RESTORED[OutputMode]=1
      expect_request "$CROSSOVER" "$CROSSOVER_120" silent &&
        EXPECTED[BassOutputMode]=0 RESTORED[BassOutputMode]=1
    fi
  else
    arm "$DISABLE" "${gain_codes[@]}"
    expect_request "$DISABLE" - && EXPECTED[EnableFilter]=0 RESTORED[EnableFilter]=1
  fi
  for gain in "${RESTORE_GAINS[@]}"; do
    read -r code value <<<"$gain"
    expect_request "$code" "$(decimal_to_le "${EXPECTED[$value]}")" silent && RESTORED[$value]=1
  done
  return 0
}

# DEVICE and DEVICE_LINE: the device's own state.
read_device_state() {
  local field
  DEVICE_LINE=$(e2e_sim state --settings) || die "cannot read the device's state: $DEVICE_LINE"
  DEVICE=()
  for field in $DEVICE_LINE; do DEVICE[${field%%=*}]=${field#*=}; done
}

# check_device_state BASE: the device's own state after a plug or a start: each field as stored
# where the restore's request for it was accepted, elsewhere as in the array named BASE (the
# power-on state after a plug, what the device held when the program started).
check_device_state() {
  local -n base=$1
  local name expected=""
  read_settings
  for name in "${DEVICE_FIELDS[@]}"; do
    if [ -n "${RESTORED[$name]:-}" ]; then
      expected+=" $name=${STORED[$name]}"
    else
      expected+=" $name=${base[$name]}"
    fi
  done
  read_device_state
  [ "$DEVICE_LINE" = "${expected# }" ] || die "the device holds '$DEVICE_LINE', expected '${expected# }'"
}

# plug_change VERB: simctl's plug or unplug. Under load the simulated device's control request
# has been seen to fail now and then (twice in some dozen runs), which says nothing of the panel:
# the device's own state tells whether the change was made. Made but not told, its device-node
# changes are broadcast; not made, it is asked once more.
plug_change() {
  local want=yes output
  [ "$1" = unplug ] && want=no
  output=$(e2e_sim "$1") && return
  e2e_log "cycle $CYCLE, $STEP: simctl $1 failed once: $output"
  if e2e_sim state | grep -qx "plugged: $want"; then
    output=$(e2e_sim devchange 2) || die "simctl devchange failed: $output"
  else
    output=$(e2e_sim "$1") || die "simctl $1 failed twice: $output"
  fi
}

plug_and_restore() {
  expect_restore
  plug_change plug
  settle
  check_device_state POWER_ON
}

replug() {
  step unplug
  plug_change unplug
  settle
  step_done

  step "plug and restore"
  plug_and_restore
  step_done
}

# window_state TITLE: WINDOW_STATE, "visible" or "hidden" for the panel's window TITLE (a box is
# listed with its owner; empty for none, two lines for two), from `ctl windows` in CTL_OUT.
window_state() {
  ctl windows || die "cannot list the panel's windows: $CTL_OUT"
  WINDOW_STATE=$(awk -v title="$1" '$3 == "#32770" && (substr($0, index($0, "#32770 ") + 7) == title ||
    index($0, "#32770 " title " (owner: ") > 0) { print $1 }' <<<"$CTL_OUT")
}

# expect_window TITLE STATE WHAT: the panel's window TITLE is in STATE, or the soak fails with WHAT.
expect_window() {
  window_state "$1"
  [ "$WINDOW_STATE" = "$2" ] || die "$3:"$'\n'"$CTL_OUT"
}

# The device is pulled out while the box is open: the program only notes the removal (the
# broadcast of simctl has reached it when simctl returns), and the box and the settings stay
# shown until the box is answered.
unplug_under_box() {
  [ -n "${SOAK_TRACE:-}" ] && e2e_log "cycle $CYCLE, $STEP: unplugged under the box"
  plug_change unplug
  UNPLUGGED=1
  ctl settle "$WAIT_MS"
  (($? == 3)) || die "the box did not stay open after the unplug: ${CTL_OUT//$'\n'/; }"
  expect_window "$IO_ERROR" visible "the box is not shown after the unplug under it"
  expect_window "$PANEL_TITLE" visible "the settings were hidden under the box"
}

# Once the box is answered the removal runs: the settings are hidden (the last thing the removal
# does), and the tray icon is the not-connected one.
wait_for_removal() {
  local deadline=$((SECONDS + 5))
  until window_state "$PANEL_TITLE"; [ "$WINDOW_STATE" = hidden ]; do
    ((SECONDS < deadline)) || die "the settings are still shown after the box:"$'\n'"$CTL_OUT"
    sleep 0.1
  done
  check_tray_menu "$IDR_MENU_NOT_CONNECTED"
  # A click beside the menu closes it; settle waits for the menu to let the pointer go.
  xdotool mousemove 600 300 click 1 || die "xdotool failed"
  settle
}

# check_tray_menu ICON: the tray icon's callback for ICON opens its menu, as only the icon
# shown now does; the menu opens at the pointer, put where the menu fits. MENU_RECT: where
# the menu is. A click reaches the menu only once its tracking holds the mouse: a click before
# that goes past the menu and leaves it open.
check_tray_menu() {
  xdotool mousemove 300 200 || die "xdotool failed"
  ctl tray "$1" "$WM_RBUTTONDOWN" || die "cannot send the tray icon's callback: $CTL_OUT"
  ctl menurect 5000 || die "the tray icon is not icon $1: its callback opens no menu"
  MENU_RECT=$CTL_OUT
  ctl capture "$WAIT_MS" || die "the tray menu does not take the mouse: $CTL_OUT"
}

# After a box under which the device was unplugged: the removal has been handled; the device
# comes back, is checked, and the settings are opened again for the steps that follow.
replug_after_box() {
  ((UNPLUGGED)) || return 0
  UNPLUGGED=0
  TOTAL_UNDER_BOX=$((TOTAL_UNDER_BOX + 1))
  local interrupted=$STEP
  step_done
  step "unplug under a box"
  wait_for_removal
  plug_and_restore
  act do "$WAIT_MS" command "$ID_TRAY_OPEN_SETTINGS"
  step_done
  step "$interrupted"
}

# Exit chosen from the tray menu while the box is open (the settings are open, so it is their
# menu; Exit is its last item): the program must only note it, with the box and the settings
# still shown and nothing sent, and run the exit once the box is answered.
exit_under_box() {
  local interrupted=$STEP left bottom deadline
  step_done
  step "exit under a box"
  [ -n "${SOAK_TRACE:-}" ] && e2e_log "cycle $CYCLE, $interrupted: Exit under the box"
  check_tray_menu "$IDR_MENU_SETTINGS_OPEN"
  read -r left _ _ bottom <<<"$MENU_RECT"
  xdotool mousemove $((left + 30)) $((bottom - 10)) click 1 || die "xdotool failed"
  # Wine's menu posts its command as the item is chosen, before the menu closes: the answer to
  # the box, posted once the menu has gone, comes after the Exit.
  deadline=$((SECONDS + 5))
  while ctl menurect; do
    ((SECONDS < deadline)) || die "the tray menu stays open after the click on Exit"
    sleep 0.1
  done
  ctl settle "$WAIT_MS"
  (($? == 3)) || die "the box did not stay open after Exit: ${CTL_OUT//$'\n'/; }"
  expect_window "$IO_ERROR" visible "the box is not shown after Exit under it"
  expect_window "$PANEL_TITLE" visible "the settings were hidden under the box after Exit"
  kill -0 "$E2E_PANEL" 2>/dev/null || die "the program ended under the box"
  check_log "requests under the box, after Exit" keep
  expect_exit_reset
  ctl press "$IO_ERROR" "$IDOK" || die "cannot answer the box: $CTL_OUT"
  check_panel_ended "the box was answered"
  EXITS+=("$CYCLE")
  step_done
  step "$interrupted"
}

# The exit's reset: the effects off, then unity gain on the six channels, LFE, C, R, L, RR, RL.
expect_exit_reset() {
  local code
  EXPECTED_LOG+="$DISABLE - ok"$'\n'
  for code in "${RESET_GAINS[@]}"; do EXPECTED_LOG+="$code $UNITY ok"$'\n'; done
}

# check_panel_ended WHEN: the program must end by itself within EXIT_LIMIT_S seconds of WHEN,
# with exit code 0 and no crash in its output, and the device must hold the reset: effects off,
# unity gain on the six channels. AFTER_EXIT keeps the device's state for the next start.
check_panel_ended() {
  local state status=0 name output
  state=$(e2e_process_state "$E2E_PANEL" "$EXIT_LIMIT_S")
  if [ "$state" = gone ]; then
    wait "$E2E_PANEL"
    status=$?
    PANEL_RUNNING=0
  fi
  output=$(cat "$E2E_PANEL_OUTPUT")
  ! grep -Eq "$CRASH_SIGNS" <<<"$output" || die "the program crashed; its output:"$'\n'"$output"
  [ "$state" = gone ] ||
    die "the program has not ended $EXIT_LIMIT_S s after $1; its output:"$'\n'"$output"
  ((status == 0)) || die "the program ended with exit code $status; its output:"$'\n'"$output"
  read_device_state
  ((DEVICE[EnableFilter] == 0)) || die "the effects are on after the exit: $DEVICE_LINE"
  for name in VolumeL VolumeR VolumeLFE VolumeC VolumeRL VolumeRR; do
    ((DEVICE[$name] == UNITY_DECIMAL)) || die "$name is not at unity after the exit: $DEVICE_LINE"
  done
  AFTER_EXIT=()
  for name in "${!DEVICE[@]}"; do AFTER_EXIT[$name]=${DEVICE[$name]}; done
}

open_settings() {
  step "open settings"
  act do "$WAIT_MS" command "$ID_TRAY_OPEN_SETTINGS"
  step_done
}

toggle_effects() {
  step "toggle effects"
  act do "$WAIT_MS" tab "$EFFECTS_TAB"
  CHECK_BOX=$((1 - CHECK_BOX))
  local code=$DISABLE
  ((CHECK_BOX)) && code=$ENABLE
  arm "$code"
  expect_request "$code" - && EXPECTED[EnableFilter]=$CHECK_BOX
  UNDER_BOX=1
  act do "$WAIT_MS" click "$IDC_ENABLE_EFFECTS"
  UNDER_BOX=""
  replug_after_box
  step_done
}

# slider ID: sets POS, CAPTURED and the pointer geometry: THUMB_X, THUMB_Y and TRACK_TOP,
# TRACK_LENGTH. The range must be 0 to 40.
read_slider() {
  ctl slider "$1" || die "cannot read slider $1: $CTL_OUT"
  e2e_parse_slider "$CTL_OUT" && ((SLIDER_MIN == 0 && SLIDER_MAX == 40)) ||
    die "slider $1: $CTL_OUT"
  POS=$SLIDER_POS
  CAPTURED=$SLIDER_CAPTURED
}

drag_slider() {
  step "drag a channel slider"
  local id code value target y deadline
  read -r id code value <<<"${CHANNELS[$(((CYCLE - 1) % ${#CHANNELS[@]}))]}"
  act do "$WAIT_MS" tab "$VOLUME_TAB"
  read_slider "$id"
  target=$((RANDOM % 41))
  ((target == POS)) && target=$(((target + 17) % 41))
  y=$((TRACK_TOP + (2 * target * TRACK_LENGTH + 40) / 80))
  [ -n "${SOAK_TRACE:-}" ] && e2e_log "cycle $CYCLE: slider $id from $POS to $target (y $THUMB_Y to $y)"
  arm "$code"
  expect_request "$code" "${GAIN_INPUT[$target]}" &&
    EXPECTED[$value]=$(le_to_decimal "${GAIN_INPUT[$target]}")
  xdotool mousemove "$THUMB_X" "$THUMB_Y" mousedown 1 mousemove "$THUMB_X" $(((THUMB_Y + y) / 2)) \
    mousemove "$THUMB_X" "$y" || die "xdotool failed"
  # The release must find the slider holding the pointer at the target.
  deadline=$((SECONDS + 10))
  while read_slider "$id"; ((POS != target || CAPTURED == 0)); do
    ((SECONDS < deadline)) || { xdotool mouseup 1; die "slider $id at $POS, captured $CAPTURED; wanted $target"; }
    sleep 0.1
  done
  UNDER_BOX=1
  xdotool mouseup 1 || die "xdotool failed"
  settle
  UNDER_BOX=""
  replug_after_box
  step_done
}

speaker_test() {
  step "open the speaker test"
  local enabled_at_open=${EXPECTED[EnableFilter]} code=$DISABLE
  arm "$DISABLE"
  expect_request "$DISABLE" -
  act do "$WAIT_MS" command "$ID_TRAY_SPEAKER_TEST"
  step_done

  step "leave the speaker test"
  ((enabled_at_open)) && code=$ENABLE
  arm "$code"
  expect_request "$code" -
  act do "$WAIT_MS" press "$SPEAKER_TEST" "$IDC_LEAVE_TEST"
  step_done
}

close_settings() {
  step "close settings"
  act do "$WAIT_MS" command "$ID_TRAY_CLOSE_SETTINGS"
  step_done
}

# check_log WHAT [keep]: the driver's log since it was last cleared against EXPECTED_LOG; the
# source poll, which runs on its own, is left out. The log is cleared unless "keep" is given.
check_log() {
  local log actual option=--clear
  [ "${2:-}" = keep ] && option=""
  log=$(e2e_sim log $option) || die "cannot read the driver log"
  grep -q 'dropped' <<<"$log" && die "the driver log overflowed"
  actual=$(grep -v "^$SOURCE_POLL " <<<"$log")
  [ "$actual" = "${EXPECTED_LOG%$'\n'}" ] ||
    die "$1 differ from the expected ones:"$'\n'"$(diff <(echo "${EXPECTED_LOG%$'\n'}") <(echo "$actual"))"
}

# The driver's log of the cycle against the expected requests, the boxes against the refusals.
check_cycle_log() {
  step "check the driver log"
  check_log requests
  ((BOXES == EXPECTED_BOXES)) || die "$BOXES boxes shown, $EXPECTED_BOXES refusals that must show one"
  step_done
}

# RESOURCES: the panel's handles, GDI objects and user objects.
resources() {
  ctl resources || die "cannot count the panel's resources: $CTL_OUT"
  [[ $CTL_OUT =~ ^handles=([0-9]+)\ gdi=([0-9]+)\ user=([0-9]+)$ ]] || die "resources: $CTL_OUT"
  RESOURCES="${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]}"
}

# A cycle's steps; one that ends the program (Exit under a box) ends the cycle's steps. The
# requests, the boxes and the settings are checked either way.
run_cycle() {
  local action
  EXPECTED_LOG=""
  EXPECTED_BOXES=0
  BOXES=0
  for action in replug open_settings toggle_effects drag_slider speaker_test close_settings; do
    "$action"
    ((PANEL_RUNNING)) || break
  done
  check_cycle_log
  step "check the settings"
  check_settings
  step_done
  TOTAL_BOXES=$((TOTAL_BOXES + BOXES))
}

# Before the first start every setting holds its default.
expect_defaults() {
  local name
  EXPECTED=([EnableFilter]=1 [OutputMode]=1 [BassOutputMode]=0 [FilterVolume]=1 [TestMode]=2
    [TestBtnStatus]=0)
  for name in VolumeL VolumeR VolumeLFE VolumeC VolumeRL VolumeRR; do
    EXPECTED[$name]=$(le_to_decimal "$UNITY")
  done
}

# start_panel BASE: starts the panel, its output kept for the check at its end, and checks its
# start-up: the volume page pushes the six stored gains as the sheet is made, L, R, C, LFE, RL,
# RR; the effects' restore follows, as the check box (the stored value) shows them; nothing is
# stored but SystemVolume, which the first start takes from the mixer. The device then holds
# what was sent, and elsewhere what it held before, as in the array named BASE.
start_panel() {
  local gain code value
  PANEL_STARTS=$((PANEL_STARTS + 1))
  E2E_PANEL_OUTPUT=$E2E_TMP/panel-$PANEL_STARTS.out
  e2e_start_panel || die "the panel did not start"
  PANEL_RUNNING=1
  WARMUP=1
  CHECK_BOX=${EXPECTED[EnableFilter]}
  EXPECTED_LOG=""
  RESTORED=()
  for gain in "${RESTORE_GAINS[@]}"; do
    read -r code value <<<"$gain"
    EXPECTED_LOG+="$code $(decimal_to_le "${EXPECTED[$value]}") ok"$'\n'
    RESTORED[$value]=1
  done
  if ((CHECK_BOX)); then
    EXPECTED_LOG+="$ENABLE - ok"$'\n'"$OUTPUT_51 - ok"$'\n'"$CROSSOVER $CROSSOVER_120 ok"$'\n'
    RESTORED[EnableFilter]=1 RESTORED[OutputMode]=1 RESTORED[BassOutputMode]=1
  else
    EXPECTED_LOG+="$DISABLE - ok"$'\n'
    RESTORED[EnableFilter]=1
  fi
  wait_for_start_up
  check_log "start-up requests"
  if [ -z "${EXPECTED[SystemVolume]:-}" ]; then
    read_settings
    [ -n "${STORED[SystemVolume]:-}" ] || die "SystemVolume was not written"
    EXPECTED[SystemVolume]=${STORED[SystemVolume]}
  fi
  check_settings
  check_device_state "$1"
}

# The panel answers as soon as it reads its messages, which it also does in the middle of its
# start-up: the start-up is over once the driver has seen as many requests as EXPECTED_LOG holds
# (each value is stored as its request returns, before the next one).
wait_for_start_up() {
  local expected log deadline=$((SECONDS + 10))
  expected=$(grep -c . <<<"${EXPECTED_LOG%$'\n'}")
  until log=$(e2e_sim log) && (($(grep -vc "^$SOURCE_POLL " <<<"$log") >= expected)); do
    ((SECONDS < deadline)) || die "the start-up's requests have not all come:"$'\n'"$log"
    sleep 0.1
  done
}

# The ended program's counts after its last cycle against those after its first; a program that
# ends right after its first cycle is measured by that cycle alone.
restart_panel() {
  check_resources "$BASELINE" "$LAST_RESOURCES"
  RESOURCE_SERIES+=("$CYCLE: the program ended")
  step "start again"
  start_panel AFTER_EXIT
  step_done
}

check_resources() {
  local baseline=($1) now=($2) names=(handles gdi user) i
  for i in 0 1 2; do
    local drift=$((now[i] - baseline[i]))
    ((drift < 0)) && drift=$((-drift))
    ((drift <= RESOURCE_TOLERANCE)) ||
      die "${names[i]}: ${now[i]} now, ${baseline[i]} after cycle $BASELINE_CYCLE, the first of" \
        "this process; handles gdi user after each cycle: ${RESOURCE_SERIES[*]}"
  done
}

# Exit switches the effects off and sends unity gain to the six channels, stores nothing, and
# the program ends.
check_exit() {
  step exit
  e2e_sim log --clear >/dev/null
  EXPECTED_LOG=""
  expect_exit_reset
  act do "$WAIT_MS" command "$ID_TRAY_EXIT"
  check_panel_ended Exit
  check_log "exit requests"
  check_settings
  step_done
}

# BOX_STEP: one of BOX_STEPS, by the seeded coin (set here: a subshell would draw from a new seed).
draw_box_step() { BOX_STEP=${BOX_STEPS[RANDOM % ${#BOX_STEPS[@]}]}; }

# Which cycles get an Exit under a box, and in which step: a seeded coin, 1 in 10, and one
# cycle drawn when the coin has picked none. Every process completes two cycles before it is
# told to exit, its first (the baseline of its counts) and one to compare with it; so does the
# last one.
plan_exits() {
  local cycle first=1
  for ((cycle = 3; cycle <= CYCLES - 2; cycle++)); do
    ((cycle >= first + 2 && RANDOM % 10 == 0)) || continue
    draw_box_step
    EXIT_AT[$cycle]=$BOX_STEP
    first=$((cycle + 1))
  done
  if ((${#EXIT_AT[@]} == 0 && CYCLES >= 5)); then
    cycle=$((3 + RANDOM % (CYCLES - 4)))
    draw_box_step
    EXIT_AT[$cycle]=$BOX_STEP
  fi
}

# Where the device is unplugged under a box besides the coin's picks at other boxes: a seeded
# coin, 1 in 10, and one cycle drawn when the coin has picked none; never at the step of an
# Exit (the first cycle has none).
plan_unplugs() {
  local cycle
  for ((cycle = 1; cycle <= CYCLES; cycle++)); do
    ((RANDOM % 10 == 0)) || continue
    draw_box_step
    [ "${EXIT_AT[$cycle]:-}" = "$BOX_STEP" ] || UNPLUG_AT[$cycle]=$BOX_STEP
  done
  if ((${#UNPLUG_AT[@]} == 0)); then
    cycle=$((1 + RANDOM % CYCLES))
    draw_box_step
    [ "${EXIT_AT[$cycle]:-}" = "$BOX_STEP" ] && cycle=1
    UNPLUG_AT[$cycle]=$BOX_STEP
  fi
}

main() {
  local started=$SECONDS
  gain_table
  e2e_begin || die "no Wine prefix"
  e2e_install_device
  start_panelctl
  e2e_log "soak: $CYCLES cycles, seed $SEED, display $DISPLAY"
  expect_defaults
  e2e_sim log --clear >/dev/null
  start_panel POWER_ON
  RANDOM=$SEED
  plan_exits
  plan_unplugs
  [ -n "${SOAK_TRACE:-}" ] && e2e_log "planned under a box: Exit in cycles ${!EXIT_AT[*]};" \
    "an unplug in cycles ${!UNPLUG_AT[*]}"

  local cycle_started fastest=999999 slowest=0 loop_started=$SECONDS elapsed
  for ((CYCLE = 1; CYCLE <= CYCLES; CYCLE++)); do
    cycle_started=$SECONDS
    run_cycle
    elapsed=$((SECONDS - cycle_started))
    ((elapsed < fastest)) && fastest=$elapsed
    ((elapsed > slowest)) && slowest=$elapsed
    if ((!PANEL_RUNNING)); then
      e2e_log "cycle $CYCLE: Exit under the box of '${EXIT_AT[$CYCLE]}'; the program ended, started again"
      restart_panel
      continue
    fi
    resources
    LAST_RESOURCES=$RESOURCES
    RESOURCE_SERIES+=("$CYCLE: $RESOURCES")
    if ((WARMUP)); then
      WARMUP=0
      BASELINE=$RESOURCES
      BASELINE_CYCLE=$CYCLE
      e2e_log "after cycle $CYCLE, the first of panel process $PANEL_STARTS: handles gdi user = $BASELINE"
    elif ((CYCLE % 10 == 0)); then
      e2e_log "cycle $CYCLE: handles gdi user = $RESOURCES; $TOTAL_REFUSED of $TOTAL_REQUESTS" \
        "requests refused, $TOTAL_BOXES boxes"
    fi
  done
  CYCLE=end
  local loop_seconds=$((SECONDS - loop_started))

  step "after the cycles"
  ctl ping && [ "$CTL_OUT" = 1 ] || die "the panel does not answer message $WM_PANEL_PING: $CTL_OUT"
  resources
  local last_resources=$RESOURCES
  check_resources "$BASELINE" "$last_resources"
  e2e_log "handles gdi user: $BASELINE after cycle $BASELINE_CYCLE, $last_resources after cycle $CYCLES"
  check_exit

  e2e_log "soak passed: $CYCLES cycles in $loop_seconds s ($((loop_seconds * 1000 / CYCLES)) ms a cycle," \
    "fastest $fastest s, slowest $slowest s), $((SECONDS - started)) s in all;" \
    "$TOTAL_REFUSED of $TOTAL_REQUESTS requests refused, $TOTAL_BOXES boxes closed," \
    "under a box: unplugs $TOTAL_UNDER_BOX, exits ${#EXITS[@]} (cycles ${EXITS[*]:-none});" \
    "panel starts $PANEL_STARTS"
  e2e_log "time per cycle, by step:"
  report_steps
  e2e_log "requests refused, by step and code:"
  local refusal
  for refusal in "${!REFUSED[@]}"; do e2e_log "  $refusal: ${REFUSED[$refusal]}"; done
}

main
