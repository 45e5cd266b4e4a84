#!/usr/bin/env bash
# The windows at 96, 120, 144 and 192 DPI under Wine (the prefix's LogPixels), on a desktop that
# grows with the DPI as the windows do: every visible control of each window lies inside its
# client area, no two overlap (group boxes and what they frame aside), the Close button lies below
# the sheet, the pictures the program places have their size at that DPI, and each picture shown
# is the build's own picture of the scale nearest that DPI, pixel for pixel (drawn at that size,
# not stretched from another). Screenshots of every window at each DPI go to
# build/e2e/dpi-DPI-*.png.
# Usage: tests/e2e/dpi_check.sh [DPI...]   (after the Windows build)
set -u
source "$(dirname "$0")/lib.sh"

readonly ABOUT_BOX="關於 Quendal"
readonly SPEAKER_PICTURES="$IDC_SPEAKER_FRONT_LEFT $IDC_SPEAKER_CENTER $IDC_SPEAKER_FRONT_RIGHT \
$IDC_SPEAKER_REAR_LEFT $IDC_SPEAKER_SUBWOOFER $IDC_SPEAKER_REAR_RIGHT $IDC_LISTENER"
# The picture each of them shows when the window opens: its resource and the prefix of its file.
readonly OPENING_PICTURES="IDC_SPEAKER_FRONT_LEFT IDB_FRONT_LEFT speaker
IDC_SPEAKER_CENTER IDB_CENTER speaker
IDC_SPEAKER_FRONT_RIGHT IDB_FRONT_RIGHT speaker
IDC_SPEAKER_REAR_LEFT IDB_REAR_LEFT speaker
IDC_SPEAKER_SUBWOOFER IDB_SUBWOOFER speaker
IDC_SPEAKER_REAR_RIGHT IDB_REAR_RIGHT speaker
IDC_LISTENER IDB_LISTENER listener"
readonly ASSETS=$E2E_BUILD/assets
readonly PICTURE_SHOWN=$E2E_ROOT/tests/e2e/tools/picture_shown.py

# 96-DPI pixels at DPI $2, rounded as the program rounds them.
scaled() { echo $((($1 * $2 + 48) / 96)); }

# The suffix of the pictures the program picks at DPI $1 ("", _125, _150, _200): those drawn for
# the nearest of 96, 120, 144 and 192 DPI, the larger one halfway between two.
picture_suffix() {
  local dpi=$1 best=96 drawn
  for drawn in 120 144 192; do
    [ $((dpi > drawn ? dpi - drawn : drawn - dpi)) -le $((dpi > best ? dpi - best : best - dpi)) ] &&
      best=$drawn
  done
  case $best in
    96) echo "" ;;
    *) echo "_$((best * 100 / 96))" ;;
  esac
}

# The build's file of numbered picture $2 (IDB_…, IDI_…) at suffix $3: PREFIX_ID.EXTENSION.
picture_file() {
  local name=$2$3
  echo "$ASSETS/$1_${!name}.${4:-bmp}"
}

# check_picture WHAT SCREENSHOT FILE CONTROL [EDGE]: control CONTROL of the last layout shows FILE
# in the screenshot, inside an edge of EDGE pixels (0 unless given).
check_picture() {
  local rect
  rect=$(awk -v id="$4" -v edge="${5:-0}" \
    '$1 == id { print $4 + edge, $5 + edge, $6 - edge, $7 - edge }' <<<"$LAYOUT")
  # shellcheck disable=SC2086 # the rectangle's four numbers
  check "$1" shown "$(/usr/bin/python3 "$PICTURE_SHOWN" "$2" "$3" $rect 2>&1)"
}

# Reads `panelctl layout` from standard input and prints one line per fault: a control outside
# the client area, or two controls (neither a group box) that overlap.
layout_faults() {
  awk '
    $1 == "client" { cl = $2; ct = $3; cr = $4; cb = $5; next }
    {
      n++; id[n] = $1; kind[n] = $3; l[n] = $4; t[n] = $5; r[n] = $6; b[n] = $7
      if ($4 < cl || $5 < ct || $6 > cr || $7 > cb)
        printf "control %s (%s %s %s %s) outside the client area (%s %s %s %s)\n", $1, $4, $5, $6, $7, cl, ct, cr, cb
    }
    END {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) {
        if (kind[i] == "group" || kind[j] == "group") continue
        if (l[i] < r[j] && l[j] < r[i] && t[i] < b[j] && t[j] < b[i])
          printf "controls %s and %s overlap\n", id[i], id[j]
      }
    }'
}

# The size "WIDTH HEIGHT" of control $2 in a layout $1; empty when it is not shown.
control_size() { awk -v id="$2" '$1 == id { print $6 - $4, $7 - $5 }' <<<"$1"; }

# check_window DPI NAME CAPTION: the window's layout faults, each a failed check.
check_window() {
  local layout faults
  layout=$(e2e_ctl layout "$3") || {
    check "$2 at $1 DPI is shown" shown "not found"
    return
  }
  faults=$(layout_faults <<<"$layout")
  check "$2 at $1 DPI: controls inside the client area, none overlapping" "" "$faults"
  LAYOUT=$layout
}

check_dpi() {
  local dpi=$1 sheet_bottom close_top size suffix shot
  suffix=$(picture_suffix "$dpi")
  export E2E_DPI=$dpi
  # At 192 DPI the settings are taller than a 1024 x 768 screen.
  E2E_DESKTOP="$(scaled 1024 "$dpi")x$(scaled 768 "$dpi")"
  export E2E_DESKTOP
  e2e_log "== $dpi DPI"
  e2e_begin
  e2e_install_device
  e2e_start_panel || return 1
  e2e_settle

  e2e_do command "$ID_TRAY_OPEN_SETTINGS"
  local tab
  for tab in "$VOLUME_TAB" "$EFFECTS_TAB" "$ABOUT_TAB"; do
    e2e_do tab "$tab"
    e2e_screenshot "dpi-$dpi-settings-$tab"
  done
  check_window "$dpi" "the settings" "$PANEL_TITLE"
  sheet_bottom=$(awk '$2 == "#32770" { print $7 }' <<<"$LAYOUT")
  close_top=$(awk -v id="$IDC_CLOSE" '$1 == id { print $5 }' <<<"$LAYOUT")
  check "the Close button at $dpi DPI lies below the sheet" yes \
    "$([ -n "$sheet_bottom" ] && [ -n "$close_top" ] && [ "$close_top" -ge "$sheet_bottom" ] &&
      echo yes || echo "no: sheet bottom $sheet_bottom, button top $close_top")"
  check "the banner at $dpi DPI" "$(scaled 168 "$dpi") $(scaled 32 "$dpi")" \
    "$(control_size "$LAYOUT" "$IDC_PANEL_ICON")"
  check_picture "the banner's picture at $dpi DPI" "$E2E_SHOTS/dpi-$dpi-settings-$ABOUT_TAB.png" \
    "$(picture_file icon IDI_PANEL "$suffix" ico)" "$IDC_PANEL_ICON"
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"

  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_ctl shown "$SPEAKER_TEST" 5000 >/dev/null
  e2e_screenshot "dpi-$dpi-speaker-test"
  shot=$E2E_SHOTS/dpi-$dpi-speaker-test.png
  check_window "$dpi" "the speaker test" "$SPEAKER_TEST"
  local picture control resource prefix
  for picture in $SPEAKER_PICTURES; do
    size=$(control_size "$LAYOUT" "$picture")
    check "speaker picture $picture at $dpi DPI" "$(scaled 48 "$dpi") $(scaled 48 "$dpi")" "$size"
  done
  while read -r control resource prefix; do
    check_picture "the picture of $control at $dpi DPI" "$shot" \
      "$(picture_file "$prefix" "$resource" "$suffix")" "${!control}"
  done <<<"$OPENING_PICTURES"
  # The pad's static sizes itself, edge included, to its picture, which its one-pixel edge
  # squeezes; at 96 DPI that stays as it was, a scaled picture is given the room inside the edge.
  if [ -z "$suffix" ]; then
    check "the pad at $dpi DPI" "65 65" "$(control_size "$LAYOUT" "$IDC_SURROUND_PAD")"
  else
    size=$(($(scaled 65 "$dpi") + 2))
    check "the pad at $dpi DPI" "$size $size" "$(control_size "$LAYOUT" "$IDC_SURROUND_PAD")"
    check_picture "the pad's picture at $dpi DPI" "$shot" \
      "$(picture_file pad IDB_SURROUND_PAD "$suffix")" "$IDC_SURROUND_PAD" 1
  fi
  # Manual mode, the first start's: the Start button's disabled face.
  check_picture "the Start button's picture at $dpi DPI" "$shot" "$ASSETS/testx$suffix.bmp" \
    "$IDC_START_STOP"
  check_picture "the speaker test's banner at $dpi DPI" "$shot" \
    "$(picture_file icon IDI_PANEL "$suffix" ico)" "$IDC_PANEL_ICON"
  e2e_do clickin "$SPEAKER_TEST" "$IDC_LEAVE_TEST"

  e2e_do command "$ID_TRAY_ABOUT"
  e2e_ctl shown "$ABOUT_BOX" 5000 >/dev/null
  e2e_screenshot "dpi-$dpi-about"
  check_window "$dpi" "the About box" "$ABOUT_BOX"
  check_picture "the About box's picture at $dpi DPI" "$E2E_SHOTS/dpi-$dpi-about.png" \
    "$(picture_file icon IDI_ABOUT "$suffix" ico)" "$IDC_ABOUT_PICTURE"

  e2e_ctl command "$ID_TRAY_EXIT"
  timeout 10 tail --pid="$E2E_PANEL" -f /dev/null
  [ "$E2E_FAILURES" -eq 0 ]
}

dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(96 120 144 192)
failed=0
for dpi in "${dpis[@]}"; do
  # Each DPI in a prefix of its own: the system reads LogPixels when its desktop starts.
  (check_dpi "$dpi") || failed=$((failed + 1))
done
e2e_log "DPI check: $failed of the DPIs failed"
[ "$failed" -eq 0 ]
