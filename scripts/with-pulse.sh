#!/usr/bin/env bash
# Runs a command with a PulseAudio server to talk to. A server that already
# offers the test sink is used as it is; otherwise a private server with that
# null sink is started for the command and stopped after, so the tests never
# play through (or record from) the desktop's own sound server.
set -euo pipefail

if pactl list short sinks 2>/dev/null | grep -q $'\tvarnel_null\t'; then
  exec "$@"
fi

dir=$(mktemp -d /tmp/varnel-pulse.XXXXXX)
chmod 700 "$dir"
socket="$dir/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes \
  --use-pid-file=no --system=no --log-target=file:"$dir/log" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" \
  -L "module-null-sink sink_name=varnel_null rate=22050 channels=1 format=s16le" \
  -L "module-always-sink" \
  >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT

export PULSE_SERVER="unix:$socket"
for _ in $(seq 1 100); do
  pactl info >/dev/null 2>&1 && break
  kill -0 "$server" 2>/dev/null || { echo "PulseAudio did not start:" >&2; cat "$dir/log" >&2; exit 1; }
  sleep 0.05
done
pactl set-default-sink varnel_null >/dev/null
"$@"
