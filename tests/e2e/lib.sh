# Shared helpers of the end-to-end scenarios: a private X display and Wine prefix with CJK
# fonts linked and a Traditional Chinese locale, the simulated device, the running panel, and
# screenshots. Source it; call e2e_begin first and rely on its trap to clean up. E2E_DESKTOP, when
# set before e2e_begin, is the size of the screen and of Wine's virtual desktop (WIDTHxHEIGHT,
# 1024x768 otherwise).

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_BUILD=$E2E_ROOT/build/windows
E2E_SHOTS=$E2E_ROOT/build/e2e
E2E_PANELCTL=$E2E_BUILD/e2e/panelctl.exe
E2E_PANEL_DIR='C:\Quendal'
E2E_SETTINGS_KEY='HKLM\Software\HALVORIN\Quendal5.1RIR\Filter'

# The program's commands, controls, messages and menus (IDC_…, ID_TRAY_…, IDR_…, WM_…) and the
# driver's control codes (IOCTL_…), as the build writes them from the headers.
if [ -f "$E2E_BUILD/e2e/names.sh" ]; then
  # shellcheck source=/dev/null
  source "$E2E_BUILD/e2e/names.sh"
else
  printf 'no %s: build the Windows preset first\n' "$E2E_BUILD/e2e/names.sh" >&2
fi
# The buttons of a message box and the tray's mouse message, as the system numbers them.
readonly IDOK=1 IDYES=6 IDNO=7 WM_RBUTTONDOWN=0x0204
# The pages of the settings' sheet, by their place.
readonly VOLUME_TAB=0 EFFECTS_TAB=1 ABOUT_TAB=2
# How long panelctl's waiting verbs wait for the panel to finish one action.
E2E_WAIT_MS=8000

e2e_log() { printf '[e2e %s] %s\n' "$(date +%T)" "$*" >&2; }

# A display number nobody else uses on this machine.
e2e_free_display() {
  local n
  for n in $(seq 140 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo ":$n"; return; }
  done
  return 1
}

# The Traditional Chinese locale, generated into a private folder.
e2e_locale() {
  local dir=$E2E_ROOT/build/e2e-locale
  if [ ! -d "$dir/zh_TW.UTF-8" ]; then
    mkdir -p "$dir"
    localedef -i zh_TW -f UTF-8 "$dir/zh_TW.UTF-8" >/dev/null 2>&1 || true
  fi
  export LOCPATH=$dir
  export LC_ALL=zh_TW.UTF-8
}

e2e_begin() {
  E2E_TMP=$(mktemp -d /tmp/quendal-e2e.XXXXXX)
  export WINEPREFIX=$E2E_TMP/prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$E2E_SHOTS" "$WINEPREFIX"
  e2e_locale
  # Windows can only be made in a prefix that was booted with a display.
  DISPLAY=$(e2e_free_display) || { e2e_log "no free display"; return 1; }
  export DISPLAY
  Xvfb "$DISPLAY" -screen 0 "${E2E_DESKTOP:-1024x768}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
  E2E_XVFB=$!
  trap e2e_end EXIT
  local i
  for i in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
  # The server keeps the simulated driver and its state for the whole scenario. The prefix's
  # first processes keep their output open, so it is booted with its output elsewhere.
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
  e2e_prefix_settings
  # The desktop settings take effect when the prefix's desktop process starts anew.
  timeout 30 wineserver -k >/dev/null 2>&1
  timeout 30 wineserver -w >/dev/null 2>&1
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
  mkdir -p "$WINEPREFIX/drive_c/Quendal"
  cp "$E2E_BUILD/QuendalPanel.exe" "$E2E_PANELCTL" "$E2E_BUILD/sim/Zanfilter.dll" \
    "$E2E_BUILD/sim/simctl.exe" "$E2E_BUILD/sim/QuendalSim.sys" "$WINEPREFIX/drive_c/Quendal/"
}

e2e_end() {
  local status=$?
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k >/dev/null 2>&1
  [ -n "${E2E_XVFB:-}" ] && kill "$E2E_XVFB" 2>/dev/null && wait "$E2E_XVFB" 2>/dev/null
  [ -n "${E2E_TMP:-}" ] && rm -rf "$E2E_TMP"
  exit $status
}

# Every program of the prefix runs in one virtual desktop with a task bar and notification
# area, so the tools reach the panel's windows and its broadcasts. Wine links fonts only under
# a double-byte ANSI code page (the zh_TW locale gives 950); the dialog fonts then fall back to
# a CJK font for the characters they lack.
e2e_prefix_settings() {
  local reg=$E2E_TMP/prefix.reg font='wqy-microhei.ttc,WenQuanYi Micro Hei' face
  {
    printf 'REGEDIT4\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Default"\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="%s"\n\n' \
      "${E2E_DESKTOP:-1024x768}"
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n'
    for face in Arial Tahoma System "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
      printf '"%s"="%s"\n' "$face" "$font"
    done
    # The screen's DPI, when a scenario asks for one other than 96.
    if [ -n "${E2E_DPI:-}" ]; then
      printf '\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$E2E_DPI"
    fi
  } >"$reg"
  timeout 60 wine regedit "$reg" </dev/null >/dev/null 2>&1
}

# The simulated device, installed and plugged in.
e2e_install_device() {
  local output
  output=$(timeout 120 wine 'C:\Quendal\simctl.exe' install </dev/null 2>&1 | tr -d '\r')
  e2e_log "$output"
}

e2e_sim() {
  timeout 60 wine 'C:\Quendal\simctl.exe' "$@" </dev/null 2>&1 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Runs panelctl inside the prefix; prints its output and returns its status.
e2e_ctl() {
  timeout 20 wine 'C:\Quendal\panelctl.exe' "$@" </dev/null 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Sends an action to the panel and waits until it has handled it (panelctl do): 0 when the panel
# is idle again, 3 when one of its message boxes shows.
e2e_do() { e2e_ctl do "$E2E_WAIT_MS" "$@" >/dev/null; }

# Waits until the panel has handled what was queued for it, the pointer's input included.
e2e_settle() { e2e_ctl settle "$E2E_WAIT_MS" >/dev/null; }

# The fields of a line of `panelctl slider`: SLIDER_POS, SLIDER_MIN, SLIDER_MAX, SLIDER_CAPTURED,
# the thumb's centre THUMB_X, THUMB_Y, its height THUMB_HEIGHT, and where the pointer maps onto
# the positions: TRACK_TOP and TRACK_LENGTH, the channel less half a thumb at each end, as the
# trackbar maps it, and CHANNEL_BOTTOM, the channel's end. Fails when the line is not one.
e2e_parse_slider() {
  [[ $1 =~ pos=([0-9-]+)\ min=([0-9-]+)\ max=([0-9-]+)\ captured=([01])\ thumb=([0-9-]+),([0-9-]+),([0-9-]+),([0-9-]+)\ channel=([0-9-]+),([0-9-]+),([0-9-]+),([0-9-]+) ]] ||
    return 1
  SLIDER_POS=${BASH_REMATCH[1]} SLIDER_MIN=${BASH_REMATCH[2]} SLIDER_MAX=${BASH_REMATCH[3]}
  SLIDER_CAPTURED=${BASH_REMATCH[4]}
  local thumb_top=${BASH_REMATCH[6]} thumb_bottom=${BASH_REMATCH[8]}
  local channel_top=${BASH_REMATCH[10]} channel_bottom=${BASH_REMATCH[12]}
  THUMB_X=$(((BASH_REMATCH[5] + BASH_REMATCH[7]) / 2))
  THUMB_Y=$(((thumb_top + thumb_bottom) / 2))
  THUMB_HEIGHT=$((thumb_bottom - thumb_top))
  local half=$((THUMB_HEIGHT / 2))
  TRACK_TOP=$((channel_top + half))
  TRACK_LENGTH=$((channel_bottom - channel_top - 2 * half - 1))
  CHANNEL_BOTTOM=$channel_bottom
}

# The position of a slider of the current page; empty when there is none.
e2e_slider_position() { e2e_ctl slider "$1" | sed -n 's/^pos=\([0-9-]*\) .*/\1/p'; }

# The centre of a rectangle printed by panelctl (left top right bottom) as "x y"; fails when the
# line is not one.
e2e_centre() {
  local left top right bottom
  read -r left top right bottom <<<"$1"
  [ -n "${bottom:-}" ] || return 1
  echo "$(((left + right) / 2)) $(((top + bottom) / 2))"
}

# Starts the panel in a virtual desktop from the folder C:\FOLDER when one is given, else from
# C:\Quendal, and leaves its process in E2E_PANEL. Its output and Wine's messages about it go to
# the file E2E_PANEL_OUTPUT when that is set, so that a scenario can look there for a crash.
e2e_launch_panel() {
  local folder=${1:-Quendal}
  (cd "$WINEPREFIX/drive_c/$folder" &&
    exec wine "C:\\$folder\\QuendalPanel.exe" </dev/null >"${E2E_PANEL_OUTPUT:-/dev/null}" 2>&1) &
  E2E_PANEL=$!
}

# Starts the panel as e2e_launch_panel does and waits until it answers message 1035.
e2e_start_panel() {
  e2e_launch_panel "$@"
  local i
  for i in $(seq 60); do
    [ "$(e2e_ctl ping)" = 1 ] && return 0
    sleep 0.5
  done
  e2e_log "the panel did not answer"
  return 1
}

# Waits up to $2 seconds for the process $1 to end; prints "gone" or "running".
e2e_process_state() {
  if timeout "$2" tail --pid="$1" -f /dev/null; then echo gone; else echo running; fi
}

# A REG_DWORD of the settings key, as a decimal number; empty when missing.
e2e_setting() {
  local line
  line=$(timeout 20 wine reg query "$E2E_SETTINGS_KEY" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { print $3 }')
  [ -n "$line" ] && printf '%d\n' "$line"
}

e2e_screenshot() {
  sleep "${2:-0.5}"
  import -window root "$E2E_SHOTS/$1.png"
  e2e_log "screenshot $E2E_SHOTS/$1.png"
}

# e2e_expect NAME EXPECTED ACTUAL: fails the scenario with a message when the two differ.
e2e_expect() {
  if [ "$3" != "$2" ]; then
    e2e_log "FAILED: $1: expected '$2', got '$3'"
    return 1
  fi
  e2e_log "ok: $1"
}

# ---- What the scenario scripts share

# The captions of the panel's windows and message boxes.
readonly PANEL_TITLE="Quendal5.1RIR: 控制台"
readonly WARNING="Quendal5.1RIR: 警告"
readonly ERROR="Quendal5.1RIR: 錯誤"
readonly IO_ERROR="IO 控制錯誤"
readonly SPEAKER_TEST="Quendal5.1RIR: 喇叭測試"

E2E_FAILURES=0
# check NAME EXPECTED ACTUAL: counts a failed check in E2E_FAILURES.
check() { e2e_expect "$@" || E2E_FAILURES=$((E2E_FAILURES + 1)); }

# The requests the driver saw since the last call, without the periodic source polls.
requests() { e2e_sim log --clear | grep -v "^$IOCTL_GET_SOURCE_CHANNELS " | awk '{ print $1, $2, $3 }'; }

# Waits up to $2 seconds for a shown window titled $1; prints its text when it is a box.
wait_box() { e2e_ctl box "$1" $((${2:-5} * 1000)); }

# No box titled $1 within $2 seconds. A fixed wait: nothing would tell when a box that should not
# come has not come.
no_box() { sleep "${2:-1}"; ! e2e_ctl box "$1" >/dev/null; }

# The device's effects and gains in the settings key's names (simctl state --settings).
readonly GAIN_VALUES="VolumeL VolumeR VolumeLFE VolumeC VolumeRL VolumeRR"
readonly UNITY_BITS=1065353216
device_state() { e2e_sim state --settings; }

# What the reset at exit leaves: the filter off and every gain at unity; output mode and
# crossover stay as they were.
readonly RESET_STATE="EnableFilter=0 $(for name in $GAIN_VALUES; do printf '%s=%s ' "$name" "$UNITY_BITS"; done)"
device_reset_state() {
  device_state | sed 's/ OutputMode=[^ ]* BassOutputMode=[^ ]*//; s/$/ /'
}

# Effects on with 2.1 output and the 450 Hz crossover, and six gains none of which is the
# device's power-on gain or unity, so that no value can match by chance.
readonly STORED_SETTINGS="EnableFilter=00000001 OutputMode=00000000 BassOutputMode=00000002
VolumeL=41200000 VolumeR=3F642905 VolumeC=3EA1E89B VolumeLFE=3DCCCCCD VolumeRL=404A62C2
VolumeRR=3FC00000"

# Writes NAME=HEX pairs ($1) into the settings key as REG_DWORDs, all in one run of regedit.
e2e_store_settings() {
  local pair reg=$E2E_TMP/stored.reg
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\%s]\n' "${E2E_SETTINGS_KEY#HKLM\\}"
    for pair in $1; do printf '"%s"=dword:%s\n' "${pair%=*}" "${pair#*=}"; done
  } >"$reg"
  timeout 60 wine regedit "$reg" </dev/null >/dev/null 2>&1
}
