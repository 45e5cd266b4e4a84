# A private sound server whose only output is a silent 5.1 sink, and a recorder of what reaches
# that sink. Source this file; the pieces are separate so that any player can be put between
# them:
#
#   audio_pulse_start          start the server; exports PULSE_SERVER and friends, so that
#                              every client started afterwards (Wine's winepulse included)
#                              plays into the sink
#   audio_record_start FILE    record the sink's monitor into FILE: raw s16le, 48 kHz, six
#                              channels in the order FL FR FC LFE RL RR
#   audio_record_stop          stop the recorder (the file keeps what it got)
#   audio_pulse_stop           stop the recorder and the server, remove the private folder
#
# Every process is ended by its own PID. Runs as root: the server is a per-user instance, not a
# system one, living in a private folder under /tmp with its own runtime, config and cookie.

AUDIO_SINK=quendal51
AUDIO_RATE=48000
AUDIO_CHANNELS=6
# The order of the six samples in a frame of the test tones (channel mask 0x3F), spelled the
# way the sound server names the positions. The sink and the recorder use the same order, so a
# sample's index in a recorded frame is its index in a played frame.
AUDIO_CHANNEL_MAP=front-left,front-right,front-center,lfe,rear-left,rear-right

audio_log() { printf '[audio %s] %s\n' "$(date +%T)" "$*" >&2; }

# Reports a failure of the sound server with the end of its log, which goes with its folder.
audio_server_failed() {
  audio_log "FAILED: $*"
  tail -n 20 "$AUDIO_DIR/pulse.log" >&2 2>/dev/null
  return 1
}

# Seconds since the epoch with microseconds, on the same clock as Wine's system time.
audio_now() { date +%s.%6N; }

audio_pulse_start() {
  AUDIO_DIR=$(mktemp -d /tmp/quendal-audio.XXXXXX) || return 1
  mkdir -p "$AUDIO_DIR/runtime" "$AUDIO_DIR/config" || return 1
  chmod 700 "$AUDIO_DIR/runtime"

  # No resampling, no remixing, no upmixing into channels the stream does not have: a sample
  # played on one channel must arrive on that channel alone.
  cat >"$AUDIO_DIR/daemon.conf" <<EOF
daemonize = yes
system-instance = no
allow-exit = no
exit-idle-time = -1
high-priority = no
realtime-scheduling = no
flat-volumes = no
enable-remixing = no
remixing-use-all-sink-channels = no
remixing-produce-lfe = no
remixing-consume-lfe = no
avoid-resampling = yes
default-sample-format = s16le
default-sample-rate = $AUDIO_RATE
alternate-sample-rate = $AUDIO_RATE
EOF
  printf 'autospawn = no\n' >"$AUDIO_DIR/client.conf"

  export XDG_RUNTIME_DIR=$AUDIO_DIR/runtime
  export PULSE_SERVER=unix:$AUDIO_DIR/runtime/pulse/native
  export PULSE_CLIENTCONFIG=$AUDIO_DIR/client.conf
  export PULSE_COOKIE=$AUDIO_DIR/cookie

  local sink="sink_name=$AUDIO_SINK rate=$AUDIO_RATE format=s16le channels=$AUDIO_CHANNELS"
  sink+=" channel_map=$AUDIO_CHANNEL_MAP sink_properties=device.description=Quendal51Test"
  # The server gets its own home, config folder and no bus: it must not reach a session bus
  # or the desktop's sound server, nor write into root's home.
  env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$AUDIO_DIR" XDG_CONFIG_HOME="$AUDIO_DIR/config" \
    PULSE_CONFIG="$AUDIO_DIR/daemon.conf" \
    timeout 20 pulseaudio -D --system=false --disallow-exit --exit-idle-time=-1 -n \
    --use-pid-file=yes --log-target="file:$AUDIO_DIR/pulse.log" \
    -L "module-null-sink $sink" \
    -L "module-native-protocol-unix auth-anonymous=1" ||
    audio_server_failed "the sound server did not start" || return

  AUDIO_PULSE_PID=$(cat "$AUDIO_DIR/runtime/pulse/pid" 2>/dev/null)
  if [ -z "$AUDIO_PULSE_PID" ] || ! kill -0 "$AUDIO_PULSE_PID" 2>/dev/null; then
    audio_server_failed "the sound server left no live process" || return
  fi
  for _ in $(seq 50); do
    timeout 5 pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  timeout 5 pactl set-default-sink "$AUDIO_SINK" ||
    audio_server_failed "the sound server does not answer on $PULSE_SERVER" || return
  audio_log "sound server $AUDIO_PULSE_PID on $PULSE_SERVER, sink $AUDIO_SINK ($AUDIO_CHANNEL_MAP)"
}

# Starts recording the sink's monitor into $1 and returns once frames arrive. The null sink
# hands its monitor the first frames only after the block it was rendering while idle (up to
# 2 s) is over, so this takes about two seconds; it gives up after five.
audio_record_start() {
  AUDIO_RECORDING=$1
  : >"$AUDIO_RECORDING"
  parec --device="$AUDIO_SINK.monitor" --raw --format=s16le --rate="$AUDIO_RATE" \
    --channels="$AUDIO_CHANNELS" --channel-map="$AUDIO_CHANNEL_MAP" --no-remix --no-remap \
    --latency-msec=10 --client-name=quendal-recorder "$AUDIO_RECORDING" \
    2>"$AUDIO_DIR/parec.log" &
  AUDIO_PAREC_PID=$!
  for _ in $(seq 100); do
    [ -s "$AUDIO_RECORDING" ] && return 0
    kill -0 "$AUDIO_PAREC_PID" 2>/dev/null || break
    sleep 0.05
  done
  audio_log "FAILED: the recorder got nothing from $AUDIO_SINK.monitor:" \
    "$(cat "$AUDIO_DIR/parec.log")"
  return 1
}

# Stops the recorder; AUDIO_RECORD_END is the time it was told to stop, the time of the last
# recorded frame to within the recorder's latency.
audio_record_stop() {
  [ -n "${AUDIO_PAREC_PID:-}" ] || return 0
  AUDIO_RECORD_END=$(audio_now)
  kill -INT "$AUDIO_PAREC_PID" 2>/dev/null
  for _ in $(seq 50); do
    kill -0 "$AUDIO_PAREC_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$AUDIO_PAREC_PID" 2>/dev/null
  wait "$AUDIO_PAREC_PID" 2>/dev/null
  AUDIO_PAREC_PID=
}

audio_pulse_stop() {
  audio_record_stop
  if [ -n "${AUDIO_PULSE_PID:-}" ]; then
    kill -TERM "$AUDIO_PULSE_PID" 2>/dev/null
    for _ in $(seq 50); do
      kill -0 "$AUDIO_PULSE_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$AUDIO_PULSE_PID" 2>/dev/null
    AUDIO_PULSE_PID=
  fi
  [ -n "${AUDIO_DIR:-}" ] && rm -rf "$AUDIO_DIR"
  AUDIO_DIR=
}
