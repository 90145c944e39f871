#!/usr/bin/env bash
# How long the real program takes from launch until its window is up (the introduction starts
# right after it is shown) and until it speaks the main menu, and how much processor time it uses
# while it sits in the menu. Runs on a private Xvfb with OpenAL Soft's null output and the
# built-in voice on SDL's dummy audio.
#
# usage: measure_desktop_launch.sh <veltro-lander> [runs]
set -u
program=${1:?usage: measure_desktop_launch.sh <veltro-lander> [runs]}
runs=${2:-5}
work=$(mktemp -d -t veltro-launch.XXXXXX)
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 10 _ xvfb_pid <&3 || { echo "Xvfb did not start"; exit 1; }
read -r -t 10 display <&3 || { echo "Xvfb did not report its display"; exit 1; }
export DISPLAY=":$display" ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
ticks_per_second=$(getconf CLK_TCK)

for run in $(seq "$runs"); do
  log=$work/speech-$run.log
  start=$(now_ms)
  "$program" 3 --speech-log "$log" 2>/dev/null &
  pid=$!
  window="" menu=""
  while [ -z "$menu" ] && [ $(($(now_ms) - start)) -lt 20000 ]; do
    if [ -z "$window" ] &&
      xwininfo -name "Veltro Lander" 2>/dev/null | grep -q "IsViewable"; then
      window=$(($(now_ms) - start))
    fi
    grep -q "Where would you like to land" "$log" 2>/dev/null && menu=$(($(now_ms) - start))
    sleep 0.005
  done
  # Processor time while the menu waits for a key: ten seconds of idling.
  read -r -a before <"/proc/$pid/stat"
  sleep 10
  read -r -a after <"/proc/$pid/stat"
  cpu_ticks=$((after[13] + after[14] - before[13] - before[14]))
  idle_cpu=$(awk -v t="$cpu_ticks" -v hz="$ticks_per_second" 'BEGIN {printf "%.1f", 100 * t / hz / 10}')
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo "run $run: window shown ${window:-?} ms, main menu spoken ${menu:-?} ms after launch" \
    "(the introduction plays in between); idle in the menu: ${idle_cpu}% of one core"
done
