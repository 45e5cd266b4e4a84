#!/usr/bin/env bash
# The installers. Both packages are checked for what they hold; the x64 one, which this machine
# can run, is then installed silently into a fresh prefix with the simulated device, the prefix
# is restarted so that the logon entry starts the panel, a newer package is installed over it
# and the whole is uninstalled, keeping the user's settings.
# Usage: tests/e2e/install_check.sh   (builds the packages with scripts/package)
set -u
source "$(dirname "$0")/lib.sh"

FAILURES=0
# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" = "$3" ]; then
    e2e_log "ok: $1"
  else
    e2e_log "FAILED: $1: expected '$2', got '$3'"
    FAILURES=$((FAILURES + 1))
  fi
}

readonly RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
readonly UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
readonly INSTALLED_EXE='"C:\Program Files\Quendal5.1RIR\QuendalPanel.exe"'
readonly UPGRADE_CODE='{CB2F5655-0EF8-47FA-AC45-55BEE6CC419A}'
readonly INSTALLED_FILE='drive_c/Program Files/Quendal5.1RIR/QuendalPanel.exe'

VERSION=$("$E2E_ROOT/scripts/package" --print-version)
NEWER=${VERSION%.*}.$((${VERSION##*.} + 1))
PACKAGES=$E2E_ROOT/build/package
NEWER_PACKAGES=$E2E_ROOT/build/e2e-package

# The rows of an installer table, without its three lines of heading, columns split by '|'.
msi_table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4 | tr '\t' '|'; }
msi_rows() { msi_table "$1" "$2" | wc -l; }
# One row, found by its first column.
msi_row() { msi_table "$1" "$2" | awk -F'|' -v key="$3" '$1 == key'; }
msi_property() { msi_row "$1" Property "$2" | cut -d'|' -f2; }

# platform  build folder  Program Files folder  component attributes (256: 64-bit)
readonly PLATFORMS="x86 windows32 ProgramFilesFolder 0
x64 windows ProgramFiles64Folder 256"

check_contents() {
  local platform build program_files attributes msi extracted
  while read -r platform build program_files attributes; do
    msi=$PACKAGES/QuendalPanel-$VERSION-$platform.msi
    e2e_log "== the contents of $(basename "$msi")"
    check "$platform: the platform" "$([ "$platform" = x86 ] && echo Intel || echo x64)" \
      "$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p')"
    check "$platform: the version" "$VERSION" "$(msi_property "$msi" ProductVersion)"
    check "$platform: the upgrade code" "$UPGRADE_CODE" "$(msi_property "$msi" UpgradeCode)"
    check "$platform: per machine" 1 "$(msi_property "$msi" ALLUSERS)"
    check "$platform: the folder" "INSTALLDIR|$program_files|Quendal5.1RIR" \
      "$(msi_row "$msi" Directory INSTALLDIR)"
    check "$platform: one component, with the program as its key" \
      "1 QuendalPanel|INSTALLDIR|$attributes||QuendalPanel.exe" \
      "$(msi_rows "$msi" Component) $(msi_row "$msi" Component QuendalPanel | cut -d'|' -f1,3-)"
    check "$platform: one file, the program" "1 QuendalPanel.exe|QuendalPanel|QuendalPanel.exe" \
      "$(msi_rows "$msi" File) $(msi_row "$msi" File QuendalPanel.exe | cut -d'|' -f1-3)"
    check "$platform: the Start-menu shortcut" \
      "1 StartMenuShortcut|ProgramMenuFolder|Quendal5.1RIR|QuendalPanel|[#QuendalPanel.exe]" \
      "$(msi_rows "$msi" Shortcut) $(msi_row "$msi" Shortcut StartMenuShortcut | cut -d'|' -f1-5)"
    check "$platform: the registry values: the logon entry and the folder" \
      '2|Software\HALVORIN\Quendal5.1RIR|InstallDir|[INSTALLDIR]|QuendalPanel
2|Software\Microsoft\Windows\CurrentVersion\Run|QuendalPanel|"[#QuendalPanel.exe]"|QuendalPanel' \
      "$(msi_table "$msi" Registry | cut -d'|' -f2- | LC_ALL=C sort)"
    check "$platform: the folder is looked up again in the view it was written to" \
      "RememberedInstallDir|2|Software\HALVORIN\Quendal5.1RIR|InstallDir|$((2 + attributes / 16))" \
      "$(msi_table "$msi" RegLocator)"
    check "$platform: older versions are replaced, newer ones refuse the install" \
      "$UPGRADE_CODE||$VERSION||1||WIX_UPGRADE_DETECTED
$UPGRADE_CODE|$VERSION|||2||WIX_DOWNGRADE_DETECTED" \
      "$(msi_table "$msi" Upgrade)"
    extracted=$E2E_TMP/extract-$platform
    mkdir -p "$extracted"
    msiextract -C "$extracted" "$msi" >/dev/null
    check "$platform: the program packed is the $build build" same \
      "$(cmp -s "$(find "$extracted" -name QuendalPanel.exe)" \
        "$E2E_ROOT/build/$build/QuendalPanel.exe" && echo same || echo different)"
    check "$platform: the zip holds the program and the README" "QuendalPanel.exe README.md" \
      "$(unzip -Z1 "$PACKAGES/QuendalPanel-$VERSION-$platform.zip" | sort | xargs)"
  done <<<"$PLATFORMS"
  check "each platform is its own product" 2 "$(for platform in x86 x64; do
    msi_property "$PACKAGES/QuendalPanel-$VERSION-$platform.msi" ProductCode
  done | sort -u | wc -l)"
}

msiexec() {
  timeout 120 wine msiexec "$@" /qn </dev/null >/dev/null 2>&1
}

# The data of every value of the Run key that starts the panel, one a line.
logon_entries() {
  timeout 20 wine reg query "$RUN_KEY" 2>/dev/null | tr -d '\r' | grep -i 'QuendalPanel\.exe' |
    sed 's/^ *\([^ ]*\) *REG_SZ *\(.*\)$/\1=\2/'
}

# The version of every installed product of the panel, one a line.
installed_versions() {
  timeout 30 wine reg query "$UNINSTALL_KEY" /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { mine = 0 } $1 == "DisplayName" && $3 == "Quendal5.1RIR" { mine = 1 }
         mine && $1 == "DisplayVersion" { print $3 }'
}

installed_files() { find "$WINEPREFIX/drive_c" -iname QuendalPanel.exe | sed "s|$WINEPREFIX/||"; }

# The Start-menu shortcuts of the panel. Windows puts a per-machine package's shortcut into
# the menu of all users; Wine's installer takes the installing user's menu even then.
shortcuts() {
  find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Quendal5.1RIR.lnk' | wc -l
}

settings() { timeout 20 wine reg query "$E2E_SETTINGS_KEY" 2>/dev/null | tr -d '\r' | sort; }

wait_ping() {
  local i
  for i in $(seq 60); do
    [ "$(e2e_ctl ping)" = "$1" ] && return 0
    sleep 0.5
  done
  return 1
}

# A restart of the prefix: everything ends, then the boot runs the logon entries.
restart_prefix() {
  timeout 30 wineserver -k >/dev/null 2>&1
  timeout 30 wineserver -w >/dev/null 2>&1
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 wine wineboot </dev/null >/dev/null 2>&1
}

check_install() {
  e2e_log "== a silent install of the x64 package"
  msiexec /i "C:\\packages\\QuendalPanel-$VERSION-x64.msi"
  check "the install succeeds" 0 $?
  check "the program is in Program Files, alone" "$INSTALLED_FILE" "$(installed_files)"
  check "and is the x64 build" same \
    "$(cmp -s "$WINEPREFIX/$INSTALLED_FILE" "$E2E_BUILD/QuendalPanel.exe" && echo same ||
      echo different)"
  check "the logon entry starts it, quoted" "QuendalPanel=$INSTALLED_EXE" "$(logon_entries)"
  check "one Start-menu shortcut" 1 "$(shortcuts)"
  check "one product installed" "$VERSION" "$(installed_versions)"
  check "the panel is not started by the install" no \
    "$(e2e_ctl ping >/dev/null && echo yes || echo no)"
}

check_logon() {
  e2e_log "== a restart runs the logon entry"
  # As from the device's driver package.
  cp "$E2E_BUILD/sim/Zanfilter.dll" "$(dirname "$WINEPREFIX/$INSTALLED_FILE")/"
  restart_prefix
  check "the panel answers after the restart" yes "$(wait_ping 1 && echo yes || echo no)"
  sleep 2
  check "it attached the device and restored the effects" yes \
    "$(e2e_sim log | grep -q '^0x223000 ' && echo yes || echo no)"
  xdotool mousemove 1012 757 click 1
  sleep 1
  check "its tray icon is there and opens the tray menu" yes \
    "$(e2e_ctl menurect >/dev/null && echo yes || echo no)"
  e2e_screenshot install-tray-menu
  xdotool key Escape
  check "the settings key is written" yes "$([ -n "$(settings)" ] && echo yes || echo no)"
}

check_upgrade() {
  e2e_log "== a newer package over the installed one ($NEWER over $VERSION)"
  e2e_ctl command 32771 >/dev/null
  check "the panel exits before the upgrade" yes "$(wait_ping '' && echo yes || echo no)"
  msiexec /i "C:\\packages\\QuendalPanel-$NEWER-x64.msi"
  check "the upgrade succeeds" 0 $?
  check "one program file" "$INSTALLED_FILE" "$(installed_files)"
  check "one logon entry" "QuendalPanel=$INSTALLED_EXE" "$(logon_entries)"
  check "one Start-menu shortcut" 1 "$(shortcuts)"
  check "the newer product replaced the older" "$NEWER" "$(installed_versions)"
}

check_uninstall() {
  e2e_log "== the uninstall"
  local before
  before=$(settings)
  msiexec /x "C:\\packages\\QuendalPanel-$NEWER-x64.msi"
  check "the uninstall succeeds" 0 $?
  check "the program is gone" "" "$(installed_files)"
  check "the logon entry is gone" "" "$(logon_entries)"
  check "the Start-menu shortcut is gone" 0 "$(shortcuts)"
  check "no product is left" "" "$(installed_versions)"
  check "the settings key is kept" "$before" "$(settings)"
}

# For a user whose driver package keeps Zanfilter.dll in a folder of its own: the folder given
# at the install holds for the upgrade and the uninstall, which are not told it again.
check_install_dir() {
  e2e_log "== an install into another folder, its upgrade and its uninstall"
  local exe='drive_c/Drivers/Quendal/QuendalPanel.exe'
  local entry='QuendalPanel="C:\Drivers\Quendal\QuendalPanel.exe"'
  msiexec /i "C:\\packages\\QuendalPanel-$VERSION-x64.msi" 'INSTALLDIR=C:\Drivers\Quendal'
  check "the install succeeds" 0 $?
  check "the program is in that folder" "$exe" "$(installed_files)"
  check "the logon entry starts it there" "$entry" "$(logon_entries)"
  msiexec /i "C:\\packages\\QuendalPanel-$NEWER-x64.msi"
  check "the upgrade succeeds" 0 $?
  check "the upgrade stays in that folder" "$exe $entry" "$(installed_files) $(logon_entries)"
  msiexec /x "C:\\packages\\QuendalPanel-$NEWER-x64.msi"
  check "the uninstall succeeds" 0 $?
  check "and removes it there" "" "$(installed_files)$(logon_entries)"
}

"$E2E_ROOT/scripts/package" >/dev/null || exit 1
"$E2E_ROOT/scripts/package" --version "$NEWER" --output "$NEWER_PACKAGES" >/dev/null || exit 1
e2e_begin || exit 1
check_contents
# Only the installed program may answer.
rm "$WINEPREFIX/drive_c/Quendal/QuendalPanel.exe"
e2e_install_device
mkdir -p "$WINEPREFIX/drive_c/packages"
cp "$PACKAGES/QuendalPanel-$VERSION-x64.msi" "$NEWER_PACKAGES/QuendalPanel-$NEWER-x64.msi" \
  "$WINEPREFIX/drive_c/packages/"
check_install
check_logon
check_upgrade
check_uninstall
check_install_dir

e2e_log "$FAILURES failed"
[ "$FAILURES" -eq 0 ]
