#!/usr/bin/env bash
# Checks the speaker test tones by ear, so to speak: plays them under Wine into a private 5.1
# sound server, records what reaches the sink and checks the recording.
#
#   1. the automatic tour: the six tones one second each, front left, centre, front right, rear
#      right, subwoofer, rear left, each on its own channel at its own note, then silence;
#   2. a manual press: the front-left tone for 700 ms, and nothing before or after.
#
# The player is tests/e2e/audio/tonetour.exe, which plays the generated WAVE files exactly as
# the speaker test plays its resources (looped PlaySound, then a purge). Run as root; prints a
# PASS/FAIL line per check and exits non-zero on any failure. The recordings and logs stay in
# build/e2e/audio for a look afterwards. Takes about 40 s.
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
BUILD=$ROOT/build/windows
OUT=$ROOT/build/e2e/audio
PYTHON=/usr/bin/python3 # Debian's interpreter: python3-numpy is installed for it alone
# shellcheck source=pulse.sh
source "$HERE/pulse.sh"

# Resource, channel and note of each tone, in the order of the automatic tour.
TOUR=(177:FL:261.6 181:FC:293.7 180:FR:329.6 178:BR:349.2 182:LFE:392.0 179:BL:440.0)
TOUR_STEP_SECONDS=1.0
PRESS_TONE=177:FL:261.6

declare -a RESULTS=()
FAILED=0

result() {
  RESULTS+=("$1: $2")
  [ "$2" = PASS ] || FAILED=1
}

finish() {
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k >/dev/null 2>&1
  audio_pulse_stop
  [ -n "${CHECK_TMP:-}" ] && rm -rf "$CHECK_TMP"
  echo "== sound check summary"
  local line
  for line in "${RESULTS[@]}"; do echo "  $line"; done
  if [ "$FAILED" = 0 ] && [ ${#RESULTS[@]} -gt 0 ]; then
    echo "== sound check PASS ($SECONDS s)"
    exit 0
  fi
  echo "== sound check FAIL ($SECONDS s)"
  exit 1
}

# Fails the whole check at once: the rest of the chain cannot work without this link.
broken_link() {
  result "$1" "FAIL ($2)"
  exit 1
}

build() {
  cd "$ROOT" || return 1
  [ -f "$BUILD/build.ninja" ] || timeout 300 cmake --preset windows >/dev/null || return 1
  timeout 600 cmake --build --preset windows -j2 --target panel_assets tonetour >/dev/null
}

make_prefix() {
  CHECK_TMP=$(mktemp -d /tmp/quendal-tones.XXXXXX) || return 1
  export WINEPREFIX=$CHECK_TMP/prefix WINEDEBUG=-all WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY # PlaySound needs no display, and Wine then starts no X driver
  timeout 180 wineboot -i >/dev/null 2>&1 && timeout 60 wineserver -w || return 1
  mkdir -p "$WINEPREFIX/drive_c/tones" &&
    cp "$BUILD"/assets/tone_*.wav "$BUILD/e2e/tonetour.exe" "$WINEPREFIX/drive_c/tones/"
}

tonetour() { timeout 30 wine 'C:\tones\tonetour.exe' "$@" 2>>"$OUT/wine.log" | tr -d '\r'; }

# Records while tonetour plays, then checks the recording:
#   listen NAME LABEL ANALYZE-MODE ANALYZE-OPTION... -- TONETOUR-ARGUMENT...
# The recording, the player's calls and the checker's report stay in $OUT/NAME.*.
listen() {
  local name=$1 label=$2 checks=()
  shift 2
  while [ "$1" != -- ]; do
    checks+=("$1")
    shift
  done
  shift
  if ! audio_record_start "$OUT/$name.raw"; then
    result "$label" "FAIL (the recorder got nothing from the sink's monitor)"
    return
  fi
  tonetour "$@" >"$OUT/$name.calls"
  local status=$?
  sleep 1 # the silence after the last sound belongs on the recording
  audio_record_stop
  if [ "$status" != 0 ]; then
    result "$label" "FAIL (tonetour $1 ended with $status)"
    return
  fi
  echo "== $label"
  if timeout 60 "$PYTHON" -B "$HERE/analyze.py" "${checks[0]}" "$OUT/$name.raw" "${checks[@]:1}" \
    --wall-end "$AUDIO_RECORD_END" --calls "$OUT/$name.calls" | tee "$OUT/$name.txt"; then
    result "$label" PASS
  else
    result "$label" "FAIL (see $OUT/$name.txt)"
  fi
}

check_tour() {
  local files=() segments=() tone resource channel hertz
  for tone in "${TOUR[@]}"; do
    IFS=: read -r resource channel hertz <<<"$tone"
    files+=("C:\\tones\\tone_$resource.wav")
    segments+=(--segment "$channel:$hertz:$TOUR_STEP_SECONDS")
  done
  listen tour "automatic tour" tour "${segments[@]}" --silence-after -- tour "${files[@]}"
}

check_press() {
  local resource channel hertz
  IFS=: read -r resource channel hertz <<<"$PRESS_TONE"
  listen press "manual press" window --channel "$channel" --frequency "$hertz" -- \
    press "C:\\tones\\tone_$resource.wav"
}

# The checker must be able to fail before its pass means anything.
check_checker() {
  if timeout 120 "$PYTHON" -B "$HERE/test_analyze.py" >"$OUT/test_analyze.txt" 2>&1; then
    result "recording checker's own tests" PASS
  else
    cat "$OUT/test_analyze.txt"
    broken_link "recording checker's own tests" "see $OUT/test_analyze.txt"
  fi
}

main() {
  trap finish EXIT
  mkdir -p "$OUT"
  : >"$OUT/wine.log"
  check_checker
  build || broken_link build "the Windows build of panel_assets and tonetour failed"
  audio_pulse_start || broken_link "sound server" "see the messages above"
  make_prefix || broken_link "Wine prefix" "wineboot failed"
  tonetour devices >"$OUT/devices.txt"
  grep -q Quendal51Test "$OUT/devices.txt" || broken_link "Wine sees the sink" \
    "winmm lists no Quendal51Test device: $(tr '\n' ' ' <"$OUT/devices.txt")"
  result "Wine sees the sink" PASS
  check_tour
  check_press
}

main "$@"
