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
# the effects off). With SOAK_UNPLUG_UNDER_BOX=1, while the box of a refused effects switch or
# slider release is open, a seeded coin may unplug the device; once the box is closed the device
# is plugged in again and checked the same way, and the settings are opened again. (Off by
# default for now: the removal hides the panel's owned pop-ups, the open box among them, and the
# box then waits unseen.)
#
# Before each step a seeded coin picks, among the requests that step is going to send, at most
# one for the driver to refuse; the panel then shows its "IO 控制錯誤" box, which is closed with
# OK. Every cycle checks the requests the driver saw against the ones expected (codes, inputs,
# refusals), the boxes shown against the refusals that must show one, and the thirteen stored
# settings against the last values the driver accepted. After the cycles the panel must still
# answer, its handle, GDI and user object counts must be within 5 of those after the first cycle,
# and Exit must switch the effects off and send unity gain to the six channels, without storing
# anything, and end the program. Every step is bounded in time.
#
# Usage: tests/e2e/soak.sh [CYCLES]   (default 30)
#   SOAK_SEED picks another series of refusals and slider positions; SOAK_TRACE=1 logs every step
#   with its time and the panel's resource counts after it; SOAK_UNPLUG_UNDER_BOX=1 also unplugs
#   the device at random while a box is open.
set -uo pipefail

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

CYCLES=${1:-30}
SEED=${SOAK_SEED:-2}
[[ $CYCLES =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [CYCLES]" >&2; exit 2; }

STEP_LIMIT_S=20         # the longest any one step may take, the plug with its one-second wait included
WAIT_MS=$E2E_WAIT_MS    # how long panelctl waits for the panel to finish one action
RESOURCE_TOLERANCE=5

# Control codes and their inputs as the driver's log shows them.
ENABLE=$IOCTL_FILTER_ENABLE
DISABLE=$IOCTL_FILTER_DISABLE
OUTPUT_51=$IOCTL_OUTPUT_5_1
CROSSOVER=$IOCTL_SET_BASS_OUTPUT
CROSSOVER_120=C8000000640000002C010000 # 200, 100, 300: crossover index 0
SOURCE_POLL=$IOCTL_GET_SOURCE_CHANNELS
UNITY=0000803F
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

IO_ERROR_CAPTION="IO 控制錯誤"
IO_ERROR_BOX="box $IO_ERROR_CAPTION: USB 資料傳輸錯誤, 再試一次."
SPEAKER_TEST_CAPTION="Quendal5.1RIR: 喇叭測試"

declare -A EXPECTED  # setting -> the value it must hold (decimal)
declare -A STORED    # setting -> the value read from the settings key
declare -a GAIN_INPUT # slider position -> the four bytes of its gain, as the log shows them
declare -A STEP_MS    # step -> milliseconds spent in it over all cycles
declare -A REFUSED    # "step: code" -> requests refused there
declare -A RESTORED   # device field -> 1 when the restore's request for it was accepted
STEP_ORDER=(unplug "plug and restore" "open settings" "toggle effects" "drag a channel slider"
  "open the speaker test" "leave the speaker test" "close settings" "check the driver log"
  "check the settings" "unplug under a box")
EXPECTED_LOG=""      # the requests expected in this cycle, poll excluded
ARMED=""             # the code the driver refuses next, empty when none
BOXES=0              # refused-request boxes closed in this cycle
CHECK_BOX=1          # the effects page's check box
CYCLE=0
STEP=start
STEP_STARTED=$SECONDS
STEP_STARTED_MS=0
TOTAL_REFUSED=0
TOTAL_REQUESTS=0
RESOURCE_SERIES=()
TOTAL_BOXES=0
UNPLUG_UNDER_BOX=""  # set by the steps whose box may be left open while the device is unplugged
UNPLUGGED=0          # the device was unplugged while a box was open
TOTAL_UNDER_BOX=0

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
  if [ -n "${SOAK_TRACE:-}" ]; then
    resources
    e2e_log "cycle $CYCLE, $STEP: $(($(now_ms) - STEP_STARTED_MS)) ms, handles gdi user $RESOURCES"
  fi
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
# for the driver to refuse. The first cycle refuses the first request of every step, so that
# whatever the system builds once and keeps when a box first shows (Wine keeps a few more cached
# device contexts after the first box over the open settings) is there before the resource
# counts of the first cycle are taken as the baseline.
arm() {
  local code
  ARMED=""
  for code in "$@"; do
    if ((CYCLE == 1 || RANDOM % 10 == 0)); then
      ARMED=$code
      [ -n "${SOAK_TRACE:-}" ] && e2e_log "cycle $CYCLE, $STEP: the driver refuses the next $code"
      e2e_sim fail "${code#0x}" 1 >/dev/null || die "cannot plan the refusal of $code"
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
# which is closed with OK until the panel is idle again.
handle_boxes() {
  local output=$1 status=$2
  while ((status == 3)); do
    [ "${output##*$'\n'}" = "$IO_ERROR_BOX" ] || die "unexpected box: ${output##*$'\n'}"
    BOXES=$((BOXES + 1))
    if [ -n "${SOAK_UNPLUG_UNDER_BOX:-}" ] && [ -n "$UNPLUG_UNDER_BOX" ] &&
      ((!UNPLUGGED && RANDOM % 3 == 0)); then
      [ -n "${SOAK_TRACE:-}" ] && e2e_log "cycle $CYCLE, $STEP: unplugged under the box"
      e2e_sim unplug >/dev/null || die "simctl unplug failed"
      UNPLUGGED=1
    fi
    ctl dismiss "$WAIT_MS" "$IO_ERROR_CAPTION" "$IDOK"
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

# The device's own state after a plug: each field as stored where the restore's request for it
# was accepted, at its power-on value elsewhere.
check_device_state() {
  local name expected="" actual
  read_settings
  for name in "${DEVICE_FIELDS[@]}"; do
    if [ -n "${RESTORED[$name]:-}" ]; then
      expected+=" $name=${STORED[$name]}"
    else
      expected+=" $name=${POWER_ON[$name]}"
    fi
  done
  actual=$(e2e_sim state --settings) || die "cannot read the device's state"
  [ "$actual" = "${expected# }" ] || die "the device holds '$actual', expected '${expected# }'"
}

plug_and_restore() {
  expect_restore
  e2e_sim plug >/dev/null || die "simctl plug failed"
  settle
  check_device_state
}

replug() {
  step unplug
  e2e_sim unplug >/dev/null || die "simctl unplug failed"
  settle
  step_done

  step "plug and restore"
  plug_and_restore
  step_done
}

# After a box under which the device was unplugged: the removal has closed the settings; the
# device comes back, is checked, and the settings are opened again for the steps that follow.
replug_after_box() {
  ((UNPLUGGED)) || return 0
  UNPLUGGED=0
  TOTAL_UNDER_BOX=$((TOTAL_UNDER_BOX + 1))
  local interrupted=$STEP
  step_done
  step "unplug under a box"
  settle
  plug_and_restore
  act do "$WAIT_MS" command "$ID_TRAY_OPEN_SETTINGS"
  step_done
  step "$interrupted"
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
  UNPLUG_UNDER_BOX=1
  act do "$WAIT_MS" click "$IDC_ENABLE_EFFECTS"
  UNPLUG_UNDER_BOX=""
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
  UNPLUG_UNDER_BOX=1
  xdotool mouseup 1 || die "xdotool failed"
  settle
  UNPLUG_UNDER_BOX=""
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
  act do "$WAIT_MS" press "$SPEAKER_TEST_CAPTION" "$IDC_LEAVE_TEST"
  step_done
}

close_settings() {
  step "close settings"
  act do "$WAIT_MS" command "$ID_TRAY_CLOSE_SETTINGS"
  step_done
}

# The driver's log of the cycle against the expected requests; the source poll, which runs on
# its own, is left out.
check_cycle_log() {
  step "check the driver log"
  local log actual
  log=$(e2e_sim log --clear) || die "cannot read the driver log"
  grep -q 'dropped' <<<"$log" && die "the driver log overflowed"
  actual=$(grep -v "^$SOURCE_POLL " <<<"$log")
  [ "$actual" = "${EXPECTED_LOG%$'\n'}" ] ||
    die "requests differ from the expected ones:"$'\n'"$(diff <(echo "${EXPECTED_LOG%$'\n'}") <(echo "$actual"))"
  ((BOXES == EXPECTED_BOXES)) || die "$BOXES boxes shown, $EXPECTED_BOXES refusals that must show one"
  step_done
}

# RESOURCES: the panel's handles, GDI objects and user objects.
resources() {
  ctl resources || die "cannot count the panel's resources: $CTL_OUT"
  [[ $CTL_OUT =~ ^handles=([0-9]+)\ gdi=([0-9]+)\ user=([0-9]+)$ ]] || die "resources: $CTL_OUT"
  RESOURCES="${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]}"
}

run_cycle() {
  EXPECTED_LOG=""
  EXPECTED_BOXES=0
  BOXES=0
  replug
  open_settings
  toggle_effects
  drag_slider
  speaker_test
  close_settings
  check_cycle_log
  step "check the settings"
  check_settings
  step_done
  TOTAL_BOXES=$((TOTAL_BOXES + BOXES))
}

# After start-up every setting holds its default, and the panel has restored the effects and
# pushed the six stored gains.
check_start() {
  local name
  EXPECTED=([EnableFilter]=1 [OutputMode]=1 [BassOutputMode]=0 [FilterVolume]=1 [TestMode]=2
    [TestBtnStatus]=0)
  for name in VolumeL VolumeR VolumeLFE VolumeC VolumeRL VolumeRR; do
    EXPECTED[$name]=$(le_to_decimal "$UNITY")
  done
  read_settings
  [ -n "${STORED[SystemVolume]:-}" ] || die "SystemVolume was not written"
  EXPECTED[SystemVolume]=${STORED[SystemVolume]}
  check_settings
  # The volume page pushes the gains when the sheet is made, L, R, C, LFE, RL, RR; the restore
  # follows.
  local code actual expected_start=""
  for code in "$IOCTL_SET_VOLUME_L" "$IOCTL_SET_VOLUME_R" "$IOCTL_SET_VOLUME_C" \
    "$IOCTL_SET_VOLUME_LFE" "$IOCTL_SET_VOLUME_RL" "$IOCTL_SET_VOLUME_RR"; do
    expected_start+="$code $UNITY ok"$'\n'
  done
  expected_start+="$ENABLE - ok"$'\n'"$OUTPUT_51 - ok"$'\n'"$CROSSOVER $CROSSOVER_120 ok"
  actual=$(e2e_sim log --clear | grep -v "^$SOURCE_POLL ")
  [ "$actual" = "$expected_start" ] ||
    die "start-up requests:"$'\n'"$(diff <(echo "$expected_start") <(echo "$actual"))"
}

check_resources() {
  local baseline=($1) now=($2) names=(handles gdi user) i
  for i in 0 1 2; do
    local drift=$((now[i] - baseline[i]))
    ((drift < 0)) && drift=$((-drift))
    ((drift <= RESOURCE_TOLERANCE)) ||
      die "${names[i]}: ${now[i]} now, ${baseline[i]} after the first cycle;" \
        "handles gdi user after each cycle: ${RESOURCE_SERIES[*]}"
  done
}

# Exit switches the effects off and sends unity gain to the six channels, stores nothing, and
# the program ends.
check_exit() {
  step exit
  e2e_sim log --clear >/dev/null
  act do "$WAIT_MS" command "$ID_TRAY_EXIT"
  local deadline=$((SECONDS + 15))
  while kill -0 "$E2E_PANEL" 2>/dev/null; do
    ((SECONDS < deadline)) || die "the program did not end after Exit"
    sleep 0.2
  done
  local expected="$DISABLE - ok" code actual
  for code in "${RESET_GAINS[@]}"; do expected+=$'\n'"$code $UNITY ok"; done
  actual=$(e2e_sim log | grep -v "^$SOURCE_POLL ")
  [ "$actual" = "$expected" ] || die "exit requests:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
  check_settings
  step_done
}

main() {
  local started=$SECONDS
  gain_table
  e2e_begin || die "no Wine prefix"
  e2e_install_device
  e2e_start_panel || die "the panel did not start"
  start_panelctl
  e2e_log "soak: $CYCLES cycles, seed $SEED, display $DISPLAY"
  check_start
  RANDOM=$SEED

  local first_resources="" cycle_started fastest=999999 slowest=0 loop_started=$SECONDS elapsed
  for ((CYCLE = 1; CYCLE <= CYCLES; CYCLE++)); do
    cycle_started=$SECONDS
    run_cycle
    elapsed=$((SECONDS - cycle_started))
    ((elapsed < fastest)) && fastest=$elapsed
    ((elapsed > slowest)) && slowest=$elapsed
    resources
    RESOURCE_SERIES+=("$CYCLE: $RESOURCES")
    if ((CYCLE == 1)); then
      first_resources=$RESOURCES
      e2e_log "after cycle 1: handles gdi user = $first_resources"
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
  check_resources "$first_resources" "$last_resources"
  e2e_log "handles gdi user: $first_resources after cycle 1, $last_resources after cycle $CYCLES"
  check_exit

  e2e_log "soak passed: $CYCLES cycles in $loop_seconds s ($((loop_seconds * 1000 / CYCLES)) ms a cycle," \
    "fastest $fastest s, slowest $slowest s), $((SECONDS - started)) s in all;" \
    "$TOTAL_REFUSED of $TOTAL_REQUESTS requests refused, $TOTAL_BOXES boxes closed," \
    "$TOTAL_UNDER_BOX unplugs under a box"
  e2e_log "time per cycle, by step:"
  report_steps
  e2e_log "requests refused, by step and code:"
  local refusal
  for refusal in "${!REFUSED[@]}"; do e2e_log "  $refusal: ${REFUSED[$refusal]}"; done
}

main
