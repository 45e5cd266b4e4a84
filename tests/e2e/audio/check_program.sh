#!/usr/bin/env bash
# What a user hears from the control panel itself, and what its master slider does to it. The
# real program runs under Wine with the simulated device plugged in and plays into a private 5.1
# sound server; it is driven by its tray commands, button clicks and real pointer input, and the
# sink's monitor is recorded and checked.
#
#   1. automatic speaker test: Start, one cycle and a bit, Stop. The six tones one second each,
#      front left, centre, front right, rear right, subwoofer, rear left, each on its own channel
#      at its own note with the others silent; the front left again; silence after Stop.
#   2. manual speaker test: the left button held 0.7 s on two speaker pictures. Each tone
#      sounds only while the button is held, at full level.
#   3. master volume: opening the settings shows the mixers' volume on the master slider (the
#      two capture mixers, which have no speakers line, are passed over); a drag of the slider
#      stores its step as "SystemVolume" and sets the mixers by the narrow scale; the page reads
#      the same step back; the speaker test's tones come out that much quieter. Wine's mixers
#      set the volume of the program's own streams, not the sink's: the sink's volume is only
#      shown. Wine's render endpoints refuse every level, so the panel takes the mixers' way;
#      the device listing makes sure of that first.
#
# Run as root. Prints PASS/FAIL per check and exits non-zero on any failure. Recordings, calls,
# reports stay in build/e2e/program, screenshots in build/e2e. Every wait is bounded; takes
# about a minute once the program is built.
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
BUILD=$ROOT/build/windows
OUT=$ROOT/build/e2e/program
PYTHON=/usr/bin/python3 # Debian's interpreter: python3-numpy is installed for it alone
# shellcheck source=tests/e2e/audio/pulse.sh
source "$HERE/pulse.sh"
# shellcheck source=tests/e2e/lib.sh
source "$HERE/../lib.sh"

# Channel and note of each tone, in the order of the automatic tour.
TOUR=(FL:261.6 FC:293.7 FR:329.6 BR:349.2 LFE:392.0 BL:440.0)
# The cycle begins again this long after Start: the first tone comes with the first 100 ms tick.
TOUR_RESTART_SECONDS=6.1
# When Stop is pressed, after Start: within the second round's front left.
TOUR_STOP_SECONDS=6.85
# Picture, channel and note of the speakers pressed in the manual test.
PRESSES=("$IDC_SPEAKER_FRONT_LEFT:FL:261.6" "$IDC_SPEAKER_REAR_RIGHT:BR:349.2")
PRESS_SECONDS=0.7
# Longest time from the release of the button to silence: the release goes through the X
# server and Wine's input before the program stops the sound, 10 to 110 ms on a busy machine.
RELEASE_SECONDS=0.2
# RMS level of a tone played at full volume: a full-scale rising sawtooth over the positive
# half, 1/sqrt(3) of full scale.
TONE_DBFS=-4.77
# Where the master slider is dragged: a position within the range, and the bottom.
DRAG_TARGETS=(10 40)
TOP_STEP=40

declare -a RESULTS=()
declare -a SINK_VOLUMES=()
FAILED=0

result() {
  RESULTS+=("$1: $2")
  [ "$2" = PASS ] || FAILED=1
  e2e_log "$1: $2"
}

# expect NAME EXPECTED ACTUAL
expect() {
  if [ "$3" = "$2" ]; then result "$1" PASS; else result "$1" "FAIL (got '$3', expected '$2')"; fi
}

finish() {
  local status=0
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k >/dev/null 2>&1
  audio_pulse_stop
  echo "== program sound check summary"
  local line
  for line in "${RESULTS[@]}"; do echo "  $line"; done
  # Wine's mixers set the volume of the program's own streams, so the sink is not expected to
  # follow the slider; its volume is shown for whoever runs this elsewhere.
  for line in "${SINK_VOLUMES[@]}"; do echo "  note: sink volume after a drag: $line"; done
  if [ "$FAILED" = 0 ] && [ ${#RESULTS[@]} -gt 0 ]; then
    echo "== program sound check PASS ($SECONDS s)"
  else
    echo "== program sound check FAIL ($SECONDS s)"
    status=1
  fi
  # The harness's own end stops the display and removes the prefix, then exits with $?.
  (exit $status)
  e2e_end
}

# Fails the whole check at once: the rest of the chain cannot work without this link.
broken_link() {
  result "$1" "FAIL ($2)"
  exit 1
}

seconds() { awk "BEGIN { printf \"%.3f\", $1 }"; }

# Sleeps until the system time $1.
sleep_until() {
  local left
  left=$(seconds "$1 - $(audio_now)")
  awk "BEGIN { exit !($left > 0) }" && sleep "$left"
}

# The narrow scale of the master volume: the mixer value written for a step, and the step a
# value reads as (the step whose written value is nearest).
narrow_value() { echo $((26214 + 983 * $1)); }
narrow_step() {
  local step=$((($1 - 26214 + 491) / 983))
  ((step < 0)) && step=0
  ((step > TOP_STEP)) && step=$TOP_STEP
  echo "$step"
}

# The level of a tone played with the mixer at value $1.
tone_level() { awk "BEGIN { printf \"%.2f\", $TONE_DBFS + 20 * log($1 / 65535) / log(10) }"; }

# panelctl in the prefix, like e2e_ctl, with what it says on failure kept in panelctl.log.
ctl() {
  echo "$(date +%T) panelctl $*" >>"$OUT/panelctl.log"
  timeout 20 wine 'C:\Quendal\panelctl.exe' "$@" </dev/null 2>>"$OUT/panelctl.log" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Where a pointer has to go: a lookup that changes nothing, tried up to three times. Once in
# about fifteen runs a lookup of the speaker-test window came back empty at once; what panelctl
# said then is in panelctl.log.
locate() {
  for _ in 1 2 3; do
    ctl "$@" && return 0
    sleep 0.3
  done
  return 1
}

# A click on a control of the speaker-test window, handled before this returns.
click_in_test() { ctl do "$E2E_WAIT_MS" clickin "$SPEAKER_TEST" "$1"; }

# The master slider's position; empty when the volume page does not show it.
master_position() { e2e_parse_slider "$(ctl slider "$IDC_SLIDER_MASTER")" && echo "$SLIDER_POS"; }

build() {
  cd "$ROOT" || return 1
  [ -f "$BUILD/build.ninja" ] || timeout 300 cmake --preset windows >/dev/null || return 1
  timeout 900 cmake --build --preset windows -j2 >/dev/null
}

check_checker() {
  if timeout 120 "$PYTHON" -B "$HERE/test_analyze.py" >"$OUT/test_analyze.txt" 2>&1; then
    result "recording checker's own tests" PASS
  else
    cat "$OUT/test_analyze.txt"
    broken_link "recording checker's own tests" "see $OUT/test_analyze.txt"
  fi
}

# Wine's view of the sound devices from a process of its own: the sink must be there, and
# its mixers must be the two playback ones with a speakers volume and two capture ones without.
check_devices() {
  cp "$BUILD/e2e/tonetour.exe" "$WINEPREFIX/drive_c/Quendal/"
  timeout 30 wine 'C:\Quendal\tonetour.exe' devices </dev/null 2>/dev/null | tr -d '\r' \
    >"$OUT/devices.txt"
  sed 's/^/  /' "$OUT/devices.txt"
  grep -q Quendal51Test "$OUT/devices.txt" || broken_link "Wine sees the sink" \
    "winmm lists no Quendal51Test device: $(tr '\n' ' ' <"$OUT/devices.txt")"
  result "Wine sees the sink" PASS
  expect "mixers with a speakers volume" 2 "$(grep -c 'speakers volume [0-9]' "$OUT/devices.txt")"
  expect "capture mixers without a speakers line" 2 \
    "$(grep -c 'no speakers line' "$OUT/devices.txt")"
  # The master volume checks below prove the mixers' way only while no render endpoint takes a
  # level; where one does, the panel sets the endpoints instead.
  expect "render endpoints taking a level" 0 "$(grep -c 'takes a level' "$OUT/devices.txt")"
  MIXER_VALUE=$(sed -n 's/.*speakers volume \([0-9]*\)$/\1/p' "$OUT/devices.txt" | head -n 1)
}

start_panel() {
  e2e_install_device
  # A stored step the mixers' volume must replace: it stays only if the read stops at the
  # capture mixers.
  timeout 30 wine reg add "$E2E_SETTINGS_KEY" /v SystemVolume /t REG_DWORD /d 5 /f \
    </dev/null >/dev/null 2>&1
  e2e_start_panel
}

open_speaker_test() {
  ctl command "$ID_TRAY_SPEAKER_TEST" >/dev/null
  for _ in $(seq 20); do
    [ -n "$(ctl rectin "$SPEAKER_TEST" "$IDC_START_STOP")" ] && return 0
    sleep 0.25
  done
  return 1
}

open_settings() {
  ctl command "$ID_TRAY_OPEN_SETTINGS" >/dev/null
  for _ in $(seq 20); do
    [ -n "$(master_position)" ] && return 0
    sleep 0.25
  done
  return 1
}

# Records while the automatic tour runs from Start to Stop, then checks the recording. Start
# and Stop are real clicks: a native tool is there within milliseconds, where a Windows one
# takes 0.3 s to a second to start under Wine.
check_tour() {
  local name=tour left top right bottom
  click_in_test "$IDC_MODE_AUTOMATIC" >/dev/null
  read -r left top right bottom <<<"$(locate rectin "$SPEAKER_TEST" "$IDC_START_STOP")"
  if [ -z "$bottom" ]; then
    result "automatic tour" "FAIL (no Start button in the speaker-test window)"
    return
  fi
  timeout 5 xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2))
  sleep 0.2
  if ! audio_record_start "$OUT/$name.raw"; then
    result "automatic tour" "FAIL (the recorder got nothing from the sink's monitor)"
    return
  fi
  local started stopped
  started=$(audio_now)
  timeout 5 xdotool click 1
  sleep_until "$(seconds "$started + $TOUR_STOP_SECONDS")"
  stopped=$(audio_now)
  timeout 5 xdotool click 1
  sleep 1 # the silence after Stop belongs on the recording
  audio_record_stop
  printf 'play %s start\nstop %s\n' "$started" "$stopped" >"$OUT/$name.calls"
  local ran second_round segments=() tone
  ran=$(seconds "$stopped - $started")
  second_round=$(seconds "$ran - $TOUR_RESTART_SECONDS")
  e2e_log "Stop came $ran s after Start"
  if ! awk "BEGIN { exit !($second_round > 0.5 && $second_round < 0.95) }"; then
    result "automatic tour" "FAIL (Stop came $ran s after Start, not within the second front left)"
    return
  fi
  for tone in "${TOUR[@]}"; do segments+=(--segment "$tone:1"); done
  segments+=(--segment "${TOUR[0]}:$second_round")
  echo "== automatic tour: one cycle, the front left again for $second_round s, Stop"
  if timeout 60 "$PYTHON" -B "$HERE/analyze.py" tour "$OUT/$name.raw" "${segments[@]}" \
    --silence-after --wall-end "$AUDIO_RECORD_END" --calls "$OUT/$name.calls" |
    tee "$OUT/$name.txt"; then
    result "automatic tour" PASS
  else
    result "automatic tour" "FAIL (see $OUT/$name.txt)"
  fi
}

# Holds the left button on a speaker picture and checks that its tone, at the given level,
# sounds only while it is held:
#   press_speaker LABEL NAME PICTURE CHANNEL HERTZ LEVEL
press_speaker() {
  local label=$1 name=$2 picture=$3 channel=$4 hertz=$5 level=$6
  local left top right bottom
  read -r left top right bottom <<<"$(locate rectin "$SPEAKER_TEST" "$picture")"
  if [ -z "$bottom" ]; then
    result "$label" "FAIL (no picture $picture in the speaker-test window)"
    return
  fi
  timeout 5 xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2))
  sleep 0.3
  if ! audio_record_start "$OUT/$name.raw"; then
    result "$label" "FAIL (the recorder got nothing from the sink's monitor)"
    return
  fi
  sleep 0.5 # the silence before the press belongs on the recording
  echo "play $(audio_now) $channel" >"$OUT/$name.calls"
  timeout 5 xdotool mousedown 1
  sleep "$PRESS_SECONDS"
  echo "stop $(audio_now)" >>"$OUT/$name.calls"
  timeout 5 xdotool mouseup 1
  sleep 1
  audio_record_stop
  echo "== $label, picture $picture, expected at $level dBFS"
  if timeout 60 "$PYTHON" -B "$HERE/analyze.py" window "$OUT/$name.raw" --channel "$channel" \
    --frequency "$hertz" --level "$level" --stop-latency "$RELEASE_SECONDS" \
    --wall-end "$AUDIO_RECORD_END" --calls "$OUT/$name.calls" | tee "$OUT/$name.txt"; then
    result "$label" PASS
  else
    result "$label" "FAIL (see $OUT/$name.txt)"
  fi
}

check_manual() {
  click_in_test "$IDC_MODE_MANUAL" >/dev/null
  local press picture channel hertz
  for press in "${PRESSES[@]}"; do
    IFS=: read -r picture channel hertz <<<"$press"
    press_speaker "manual press on $channel" "press-$channel" "$picture" "$channel" "$hertz" \
      "$TONE_DBFS"
  done
}

# The master slider and "SystemVolume" as the page shows and stores them:
#   check_master LABEL POSITION
check_master() {
  expect "$1: master slider position" "$2" "$(master_position)"
  expect "$1: stored SystemVolume" "$((TOP_STEP - $2))" "$(e2e_setting SystemVolume)"
}

check_master_reads_mixers() {
  local step
  step=$(narrow_step "$MIXER_VALUE")
  e2e_log "the mixers hold $MIXER_VALUE: step $step on the narrow scale"
  check_master "settings opened, mixers at $MIXER_VALUE" "$((TOP_STEP - step))"
}

# Drags the master slider's thumb with the pointer towards a position and releases it there;
# prints the position it ends at.
drag_master() {
  local target=$1
  e2e_parse_slider "$(locate slider "$IDC_SLIDER_MASTER")" || return 1
  local x=$THUMB_X from=$THUMB_Y to
  to=$((TRACK_TOP + target * TRACK_LENGTH / TOP_STEP))
  ((target == TOP_STEP)) && to=$((CHANNEL_BOTTOM + 20))
  timeout 5 xdotool mousemove "$x" "$from"
  sleep 0.2
  timeout 5 xdotool mousedown 1
  local step
  for step in 1 2 3 4; do
    timeout 5 xdotool mousemove "$x" $((from + (to - from) * step / 4))
    sleep 0.1
  done
  timeout 5 xdotool mouseup 1
  sleep 0.5
  master_position
}

# One drag of the master slider and what follows from it: the stored step, the step read back
# from the mixers, and the level of the tones.
check_drag() {
  local target=$1 position value label picture channel hertz
  if ! open_settings; then
    result "drag of the master slider towards $target" "FAIL (the settings did not open)"
    return
  fi
  position=$(drag_master "$target")
  label="slider dragged to $position"
  if [ -z "$position" ] || ((position < target - 1 || position > target + 1)); then
    result "drag of the master slider towards $target" "FAIL (it ended at '$position')"
    return
  fi
  result "drag of the master slider towards $target" PASS
  e2e_screenshot "program-master-$position" 0.2
  value=$(narrow_value $((TOP_STEP - position)))
  e2e_log "$label: the mixers get $value"
  expect "$label: stored SystemVolume" "$((TOP_STEP - position))" "$(e2e_setting SystemVolume)"
  ctl do "$E2E_WAIT_MS" tab "$EFFECTS_TAB" >/dev/null
  ctl do "$E2E_WAIT_MS" tab "$VOLUME_TAB" >/dev/null
  check_master "$label, page shown again (mixers read back)" "$position"
  SINK_VOLUMES+=("$(timeout 5 pactl get-sink-volume "$AUDIO_SINK" | head -n 1 | cut -d, -f1)")
  if ! open_speaker_test; then
    result "$label: tone level" "FAIL (the speaker test did not open)"
    return
  fi
  IFS=: read -r picture channel hertz <<<"${PRESSES[0]}"
  press_speaker "$label: $channel tone level" "press-$channel-at-$position" "$picture" \
    "$channel" "$hertz" "$(tone_level "$value")"
}

main() {
  trap finish EXIT
  trap 'exit 1' INT TERM
  mkdir -p "$OUT"
  rm -f "$OUT"/*.raw "$OUT"/*.calls "$OUT"/*.txt "$OUT"/*.log
  check_checker
  build || broken_link build "the Windows build failed"
  audio_pulse_start || broken_link "sound server" "see the messages above"
  # The prefix boots with the sound server's address in its environment: winepulse uses it.
  e2e_begin || broken_link "Wine prefix" "the prefix or the display did not start"
  trap finish EXIT
  # On cores shared with builds, a starved player or sound server is heard as a dropout. They
  # need little CPU: the sound server, this script and what it starts from now on (the panel,
  # the recorder) go before the builds.
  renice -n -10 -p "$AUDIO_PULSE_PID" $$ >/dev/null
  check_devices
  start_panel || broken_link "panel" "QuendalPanel.exe did not answer"
  open_speaker_test || broken_link "speaker test" "the speaker-test window did not open"
  e2e_screenshot program-speaker-test 0.2
  # The first sound of a process waits for Wine's sound driver to load, 0.1 s to 0.7 s: longer
  # than a tone's margin. Leaving the speaker test plays its silence, which loads the driver.
  click_in_test "$IDC_LEAVE_TEST" >/dev/null
  open_speaker_test || broken_link "speaker test" "the speaker-test window did not open again"
  check_tour
  check_manual
  open_settings || broken_link "settings" "the volume page did not show"
  e2e_screenshot program-settings 0.2
  check_master_reads_mixers
  local target
  for target in "${DRAG_TARGETS[@]}"; do check_drag "$target"; done
}

main "$@"
