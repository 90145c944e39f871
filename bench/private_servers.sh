# SPDX-License-Identifier: GPL-3.0-or-later
# The benchmarks' own display and sound server, sourced by the measuring scripts:
#   use_private_servers NAME       makes the script's folder `work`, starts the servers in it, and
#                                  at the script's end stops them and the program in `pid`
#   start_private_servers FOLDER   starts Xvfb and, when installed, PulseAudio with a null sink,
#                                  and points the programs started afterwards at them
#   server_cpu_us                  the sound server's processor time so far, in µs (0 without one)
#   stop_private_servers           stops both, by their process ids
# Sets `server` (pulseaudio or none) and `server_name` (what the tables say).
xvfb_pid="" pulse_pid="" server=none server_name=""

start_private_servers() {
  local folder=$1 display
  exec 3< <(Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & echo "pid $!")
  read -r -t 10 _ xvfb_pid <&3 || { echo "Xvfb did not start" >&2; return 1; }
  read -r -t 10 display <&3 || { echo "Xvfb did not report its display" >&2; return 1; }
  export DISPLAY=":$display"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$folder/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/no-bus"
  if command -v pulseaudio >/dev/null; then
    mkdir -p "$folder/pulse"
    # As on a desktop, the sink stops mixing once no stream plays to it (here after a second).
    printf '%s\n' "load-module module-null-sink sink_name=null rate=48000" \
      "load-module module-suspend-on-idle timeout=1" \
      "load-module module-native-protocol-unix socket=$folder/pulse/native auth-anonymous=1" \
      "set-default-sink null" >"$folder/pulse/default.pa"
    HOME="$folder/pulse" XDG_RUNTIME_DIR="$folder/pulse" XDG_CONFIG_HOME="$folder/pulse" \
      pulseaudio -n -F "$folder/pulse/default.pa" --daemonize=no --exit-idle-time=-1 \
      --use-pid-file=no --log-target=file:"$folder/pulse/log" >/dev/null 2>&1 &
    pulse_pid=$!
    local deadline=$((SECONDS + 10))
    until [ -S "$folder/pulse/native" ]; do
      [ $SECONDS -gt $deadline ] && { echo "PulseAudio did not start" >&2; return 1; }
      sleep 0.05
    done
    export PULSE_SERVER="unix:$folder/pulse/native" ALSOFT_DRIVERS=pulse SDL_AUDIODRIVER=pulseaudio
    server=pulseaudio
    server_name="a private PulseAudio $(pulseaudio --version | awk '{print $2}') with a null sink"
  else
    export ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
    server_name="none (OpenAL Soft's null device, SDL's dummy audio: PulseAudio is not installed)"
  fi
}

server_cpu_us() {
  if [ -z "$pulse_pid" ]; then echo 0; return; fi
  cat /proc/"$pulse_pid"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {printf "%d", n / 1000}'
}

stop_private_servers() {
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  pulse_pid="" xvfb_pid=""
}

use_private_servers() {
  work=$(mktemp -d -t "veltro-$1.XXXXXX")
  pid=""
  trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; stop_private_servers; wait 2>/dev/null; rm -rf "$work"' EXIT
  start_private_servers "$work"
}
