#!/usr/bin/env bash
# The simulated device under Wine, in a fresh prefix of its own: installs the driver, then checks
# the control path and its fourteen codes with right and wrong sizes, the state the requests
# leave, planned failures, the request log, the source layouts, the USB bus walk in each
# topology, the filter-support library, unplugging and re-plugging, stale handles, stopping and
# reinstalling the driver, and the device-change broadcast reaching a hidden top-level window.
# Usage: tests/e2e/sim_smoke.sh [build/windows/sim]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "${1:-$root/build/windows/sim}" && pwd)
for file in QuendalSim.sys Zanfilter.dll simctl.exe simprobe.exe; do
  [[ -f $bin/$file ]] || { echo "sim_smoke: $bin/$file is missing; build the windows preset" >&2; exit 2; }
done

WINEPREFIX=$(mktemp -d /tmp/sim-prefix-XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""

cleanup() {
  wineserver -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# Each Wine command is bounded; Wine ends its lines with CR LF.
sim() { timeout 60 wine "$bin/simctl.exe" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
probe() { timeout 60 wine "$bin/simprobe.exe" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }

failures=0
pass() { echo "  ok: $1"; }
fail() {
  echo "  FAILED: $1" >&2
  failures=$((failures + 1))
}

# check NAME EXPECTED ACTUAL: the whole text must match.
check() {
  if [[ $2 == "$3" ]]; then
    pass "$1"
  else
    fail "$1"
    diff <(echo "$2") <(echo "$3") >&2 || true
  fi
}

# check_has NAME LINE TEXT: one line of the text must be exactly LINE.
check_has() {
  if grep -qxF -- "$2" <<<"$3"; then pass "$1"; else fail "$1: no line '$2' in:"; echo "$3" >&2; fi
}

# check_status NAME EXPECTED COMMAND...: the command's exit status.
check_status() {
  local name=$1 expected=$2 status=0
  shift 2
  "$@" >/dev/null || status=$?
  if [[ $status == "$expected" ]]; then pass "$name"; else fail "$name: exit $status, want $expected"; fi
}

state_line() { sim state | sed -n "s/^$1: //p"; }

started=$SECONDS

# A display of its own from the start: the prefix's desktop only makes windows when the
# prefix was started with one.
display=""
for n in $(seq 90 140); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { display=$n; break; }
done
Xvfb ":$display" -screen 0 640x480x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done

echo "== install in a fresh prefix"
# The server is kept alive for the whole run: when it exits, the prefix's driver goes with it
# and comes back with fresh state at the next start. The server and the prefix's own processes
# outlive the command that starts them and keep its output open, so they are started here with
# their output elsewhere, never inside a command substitution.
install_started=$SECONDS
wineserver -p </dev/null >/dev/null 2>&1
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
echo "  prefix created in $((SECONDS - install_started)) s"
install_started=$SECONDS
install_output=$(sim install)
echo "  $install_output (simctl install took $((SECONDS - install_started)) s)"
check_has "driver installed and started" "QuendalSim started in" "$(sed -E 's/ [0-9]+ ms$//' <<<"$install_output")"
check "install again is fine" "QuendalSim is already running" "$(sim install)"
check "control path opens" "open ok" "$(probe open)"
# The settings as the settings key holds them: decimal numbers, gains as their single bits.
power_on="EnableFilter=0 OutputMode=0 BassOutputMode=none VolumeL=1056964608 VolumeR=1056964608 \
VolumeLFE=1056964608 VolumeC=1056964608 VolumeRL=1056964608 VolumeRR=1056964608"
check "a started driver holds the power-on settings" "$power_on" "$(sim state --settings)"
check_status "state takes no other argument" 1 sim state now

echo "== the fourteen codes: right sizes accepted, wrong sizes refused"
# code, input bytes with the right size ("-": none), output size
codes=(
  "223000 - 0" "223004 - 0" "223008 - 0" "22300C - 0" "223010 - 0" "223014 - 0"
  "223018 0000803F 0" "22301C 0000803F 0" "223020 0000803F 0" "223024 0000803F 0"
  "223028 0000803F 0" "22302C 0000803F 0" "223030 C8000000640000002C010000 0" "223034 - 4"
)
requests=()
expected=""
for row in "${codes[@]}"; do
  read -r code input output <<<"$row"
  wrong_input=$([[ $input == - ]] && echo 00 || echo "${input:2}")
  right_result="ok $output"
  [[ $output == 4 ]] && right_result="ok 4 00000000"
  requests+=("$code:$input:$output" "$code:$wrong_input:$output" "$code:$input:$((output + 4))")
  expected+="0x$code $right_result"$'\n'"0x$code refused 87"$'\n'"0x$code refused 87"$'\n'
done
requests+=("222FFC:-:0" "223038:-:0")
expected+="0x222FFC refused 1"$'\n'"0x223038 refused 1"
check "sizes and unknown codes" "$expected" "$(probe ioctl "${requests[@]}")"
check_has "the log names a wrong size" "0x223000 00 refused wrong-size" "$(sim log)"
check_has "the log names an unknown code" "0x223038 - refused unknown-code" "$(sim log --clear)"
check "the log is empty after --clear" "" "$(sim log)"
check "output size too small for the source layout" "0x223034 refused 87" "$(probe ioctl 223034:-:3)"

echo "== the state follows the requests"
sim log --clear >/dev/null
probe ioctl 223000:-:0 223008:-:0 223030:280000001B00000043000000:0 22301C:00000040:0 \
  22302C:CDCCCC3D:0 223010:-:0 >/dev/null
state=$(sim state)
for line in "filter: on" "output: 5.1" "crossover: 40 27 67" "gain L: 0x40000000 2" \
  "gain RR: 0x3DCCCCCD 0.1" "gain C: 0x3F800000 1" "speaker test: running"; do
  check_has "state $line" "$line" "$state"
done
check "the settings in the settings key's terms" "EnableFilter=1 OutputMode=1 BassOutputMode=2 \
VolumeL=1073741824 VolumeR=1065353216 VolumeLFE=1065353216 VolumeC=1065353216 VolumeRL=1065353216 \
VolumeRR=1036831949" "$(sim state --settings)"
check "the log holds each request with its input" "0x223000 - ok
0x223008 - ok
0x223030 280000001B00000043000000 ok
0x22301C 00000040 ok
0x22302C CDCCCC3D ok
0x223010 - ok" "$(sim log --clear)"

echo "== planned failures"
sim fail 22301C 2
check "the next two gain requests fail, the third passes" "0x22301C refused 1117
0x22301C refused 1117
0x22301C ok 0" "$(probe ioctl 22301C:0000803F:0 22301C:0000803F:0 22301C:0000803F:0)"
check "the log records them" "0x22301C 0000803F refused injected
0x22301C 0000803F refused injected
0x22301C 0000803F ok" "$(sim log --clear)"
check "a wrong size does not use up a planned failure" "0x223000 refused 87
0x223000 refused 1117
0x223000 ok 0" "$(sim fail 223000 1 && probe ioctl 223000:00:0 223000:-:0 223000:-:0)"
check_status "a bad code for fail is refused" 1 sim fail zz 1
check_status "extra arguments are refused" 2 sim plug now

echo "== the source layout"
for row in "5.1 01000000" "2 00010000" "none 00000000"; do
  read -r source bytes <<<"$row"
  sim source "$source"
  check "source $source" "0x223034 ok 4 $bytes" "$(probe ioctl 223034:-:4)"
done
check_status "an unknown layout is refused" 1 sim source 7.1

echo "== the USB bus in each topology"
walk=$(probe walk)
check_has "HCD0 walked" "HCD0 -> QuendalSimHub0 (2 ports)" "$walk"
check_has "the device behind the external hub" "found 3A7E:1701 behind QuendalSimHub2 port 2" "$walk"
check_has "right vendor, other product is not the device" "  port 1: 3A7E:1234" "$walk"
for row in "root|found 3A7E:1701 behind QuendalSimHub1 port 2|0" "absent|device not found|1" \
  "external|found 3A7E:1701 behind QuendalSimHub2 port 2|0"; do
  IFS='|' read -r topology line status <<<"$row"
  sim topology "$topology"
  check_has "topology $topology" "$line" "$(probe walk || true)"
  check_status "topology $topology walk status" "$status" probe walk
done
sim fail 220408 1
walk=$(probe walk)
check_has "a planned failure on the bus skips that controller" "HCD0: root hub name refused 1117" "$walk"
check_has "and the walk goes on" "found 3A7E:1701 behind QuendalSimHub2 port 2" "$walk"

echo "== the filter-support library"
library=$(winepath -w "$bin/Zanfilter.dll")
check "plugged: installed and the filter added" "IsDeviceInstalled 1
AddUSBAudioFilter 1 lasterror 0" "$(probe dll "$library")"
check "the driver counts the filter" "1" "$(state_line "audio filter adds")"

echo "== unplug and plug, with the broadcast seen by a hidden top-level window"
listen_output=$(mktemp)
probe listen 4 30 >"$listen_output" &
listener=$!
for _ in $(seq 100); do grep -q listening "$listen_output" && break; sleep 0.2; done

check "unplug" "" "$(sim unplug)"
check "unplugged: the control path does not open" "open refused 2" "$(probe open || true)"
check "unplugged: installed, but the filter cannot be added" "IsDeviceInstalled 1
AddUSBAudioFilter 0 lasterror 65335" "$(probe dll "$library")"
check "unplugged: gone from the bus" "device not found" "$(probe walk | tail -1)"
check "unplugged: state" "no" "$(state_line plugged)"
check "plug" "" "$(sim plug)"
listen_status=0
wait "$listener" || listen_status=$?
check "four device-node changes reached the window" "listening
devnodes changed 1
devnodes changed 2
devnodes changed 3
devnodes changed 4" "$(tr -d '\r' <"$listen_output")"
check "listener status" 0 "$listen_status"
rm -f "$listen_output"

state=$(sim state)
for line in "plugged: yes" "filter: off" "output: 2.1" "crossover: 0 0 0" "gain L: 0x3F000000 0.5" \
  "speaker test: stopped"; do
  check_has "re-plugged with a fresh filter: $line" "$line" "$state"
done
check "re-plugged: the power-on settings" "$power_on" "$(sim state --settings)"
check "a handle held across unplug stays dead" "plugged: ok
unplugged: refused
replugged: refused
new handle: ok" "$(probe held-handle)"
sim log --clear >/dev/null
probe ioctl 223034:-:4 >/dev/null
check "every handle was closed" "0" "$(state_line "open handles")"

echo "== the driver stopped, and installed again"
timeout 60 wine sc stop QuendalSim >/dev/null
check "stopped: not installed for the library" "IsDeviceInstalled 0
AddUSBAudioFilter 0 lasterror 65336" "$(probe dll "$library")"
check_status "stopped: simctl state fails" 1 sim state
check_has "install starts it again" "QuendalSim started in" "$(sim install | sed -E 's/ [0-9]+ ms$//')"
check "and it answers" "open ok" "$(probe open)"

echo "sim_smoke: $failures failed, $((SECONDS - started)) s"
((failures == 0))
