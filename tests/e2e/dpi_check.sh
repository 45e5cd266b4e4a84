#!/usr/bin/env bash
# The windows at 96, 120, 144 and 192 DPI under Wine (the prefix's LogPixels): every visible
# control of each window lies inside its client area, no two overlap (group boxes and what they
# frame aside), the Close button lies below the sheet, and the pictures the program places have
# their size at that DPI. Screenshots of every window at each DPI go to build/e2e/dpi-DPI-*.png.
# Usage: tests/e2e/dpi_check.sh [DPI...]   (after the Windows build)
set -u
source "$(dirname "$0")/lib.sh"

readonly ABOUT_BOX="關於 Quendal"
readonly SPEAKER_PICTURES="$IDC_SPEAKER_FRONT_LEFT $IDC_SPEAKER_CENTER $IDC_SPEAKER_FRONT_RIGHT \
$IDC_SPEAKER_REAR_LEFT $IDC_SPEAKER_SUBWOOFER $IDC_SPEAKER_REAR_RIGHT $IDC_LISTENER"

# 96-DPI pixels at DPI $2, rounded as the program rounds them.
scaled() { echo $((($1 * $2 + 48) / 96)); }

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
  local dpi=$1 sheet_bottom close_top size
  export E2E_DPI=$dpi
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
  e2e_do command "$ID_TRAY_CLOSE_SETTINGS"

  e2e_do command "$ID_TRAY_SPEAKER_TEST"
  e2e_ctl shown "$SPEAKER_TEST" 5000 >/dev/null
  e2e_screenshot "dpi-$dpi-speaker-test"
  check_window "$dpi" "the speaker test" "$SPEAKER_TEST"
  local picture
  for picture in $SPEAKER_PICTURES; do
    size=$(control_size "$LAYOUT" "$picture")
    check "speaker picture $picture at $dpi DPI" "$(scaled 48 "$dpi") $(scaled 48 "$dpi")" "$size"
  done
  e2e_do clickin "$SPEAKER_TEST" "$IDC_LEAVE_TEST"

  e2e_do command "$ID_TRAY_ABOUT"
  e2e_ctl shown "$ABOUT_BOX" 5000 >/dev/null
  e2e_screenshot "dpi-$dpi-about"
  check_window "$dpi" "the About box" "$ABOUT_BOX"

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
