#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures what a speech service that stops answering costs the flight: the real desktop program
# on a private X server speaks through a speech-dispatcher of its own, which is stopped (SIGSTOP)
# just after the first altitude mark. Prints the spacing of the flight's ticks (from the sound
# log's per-tick SetPan lines of the altitude tone) before and after the stop, and where the voice took over.
#
# usage: speech_service_hang.sh <veltro-lander>
set -u
program=${1:?usage: speech_service_hang.sh <veltro-lander>}
work=$(mktemp -d -t veltro-hang.XXXXXX)
pids=()
cleanup() {
  [ -n "${speechd:-}" ] && kill -CONT -- "-$speechd" 2>/dev/null && kill -- "-$speechd" 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
wait_for() {  # file, pattern (grep -E), seconds
  local deadline=$((SECONDS + ${3:-20}))
  until grep -Eq -- "$2" "$1" 2>/dev/null; do
    [ $SECONDS -gt $deadline ] && { echo "timed out waiting for $2"; exit 1; }
    sleep 0.05
  done
}

exec 3< <(Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 10 _ xvfb <&3 && read -r -t 10 display <&3 || { echo "no Xvfb"; exit 1; }
pids+=("$xvfb")
export DISPLAY=":$display" ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy SPEECHD_CMD=/bin/false

printf '%s\n' 'AudioOutputMethod "alsa"' 'AudioALSADevice "null"' \
  'AddModule "dummy" "sd_dummy" ""' 'DefaultModule dummy' >"$work/speechd.conf"
setsid speech-dispatcher -s -C "$work" -L "$work" -c unix_socket -S "$work/sock" \
  -P "$work/pid" -t 60 >/dev/null 2>&1 &
speechd=$!
for _ in $(seq 100); do [ -S "$work/sock" ] && break; sleep 0.1; done
export SPEECHD_ADDRESS="unix_socket:$work/sock"

"$program" --speech-log "$work/speech.log" --sound-log "$work/sound.log" 2>"$work/stderr" &
pids+=($!)
wait_for "$work/speech.log" ' Moon$'
xdotool key Return
wait_for "$work/speech.log" ' Easy$'
xdotool key Return
wait_for "$work/speech.log" ' Repeat$'
xdotool key Down
wait_for "$work/speech.log" ' Continue$'
xdotool key Return
wait_for "$work/speech.log" ' 900$'
[ -z "${VELTRO_NO_STOP:-}" ] && kill -STOP -- "-$speechd"
stopped=$(tail -n 1 "$work/sound.log" | cut -d' ' -f1)
echo "stopped at $stopped"
wait_for "$work/speech.log" ' Final Fuel' 60
kill -CONT -- "-$speechd"

notice=$(grep -m1 'screen reader cannot be reached' "$work/speech.log" | cut -d' ' -f1)
awk -v stop="$stopped" -v notice="${notice:-0}" '
  / SetPan\([1-9][0-9]*, / { t = $1 * 1000; if (last != "") { gap = t - last;
      if (t >= notice * 1000 - 100 && t <= notice * 1000 + 200 && gap > mn) mn = gap
      if (t <= stop * 1000) { nb++; sb += gap; if (gap > mb) mb = gap } else { na++; sa += gap; if (gap > ma) { ma = gap; at = t / 1000 } } }
    last = t }
  END { printf "ticks before the stop: %d, mean %.1f ms, longest %d ms\n", nb, sb / nb, mb;
        printf "ticks after the stop:  %d, mean %.1f ms, longest %d ms (ending at %.3f s)\n", na, sa / na, ma, at;
        printf "longest tick around the voice taking over: %d ms\n", mn }
' "$work/sound.log"
grep -E 'screen reader cannot be reached|  *(900|800|700)$' "$work/speech.log"
