#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long the real program takes from launch until its window is up, until its first sound
# (the introduction) is started and until its first word (the main menu, spoken when the
# introduction ends) is said. Runs on a private Xvfb with OpenAL Soft's null output and the
# built-in voice on SDL's dummy audio. Prints one Markdown table row: the median of the runs (and
# the largest) of each, in ms.
#
# usage: measure_desktop_launch.sh <veltro-lander> [runs]
set -u
program=${1:?usage: measure_desktop_launch.sh <veltro-lander> [runs]}
runs=${2:-5}
work=$(mktemp -d -t veltro-launch.XXXXXX)
xvfb_pid="" pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 10 _ xvfb_pid <&3 || { echo "Xvfb did not start" >&2; exit 1; }
read -r -t 10 display <&3 || { echo "Xvfb did not report its display" >&2; exit 1; }
export DISPLAY=":$display" ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The median and largest of the numbers on stdin, and how many runs never got there ("-").
spread() {
  sort -n | awk '$1 == "-" {missed++; next} {v[++n] = $1}
    END {printf "%d ms (max %d)%s", v[int((n + 1) / 2)], v[n], missed ? ", " missed " runs never" : ""}'
}

for run in $(seq "$runs"); do
  speech=$work/speech-$run.log sound=$work/sound-$run.log
  start=$(now_ms)
  "$program" 3 --speech-log "$speech" --sound-log "$sound" 2>"$work/stderr" &
  pid=$!
  window="" first_sound="" first_word=""
  while [ -z "$first_word" ] && [ $(($(now_ms) - start)) -lt 20000 ]; do
    if [ -z "$window" ] && xwininfo -name "Veltro Lander" 2>/dev/null | grep -q "IsViewable"; then
      window=$(($(now_ms) - start))
    fi
    [ -z "$first_sound" ] && grep -q "PlaySound(" "$sound" 2>/dev/null && first_sound=$(($(now_ms) - start))
    [ -s "$speech" ] && first_word=$(($(now_ms) - start))
    sleep 0.005
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  pid=""
  # A run that never spoke is shown, with what the program said about it.
  [ -z "$first_word" ] && echo "launch run $run did not speak in 20 s: $(tail -3 "$work/stderr")" >&2
  echo "${window:--} ${first_sound:--} ${first_word:--}"
done >"$work/times"

echo "| $(cut -d' ' -f1 "$work/times" | spread) | $(cut -d' ' -f2 "$work/times" | spread)" \
  "| $(cut -d' ' -f3 "$work/times" | spread) |"
