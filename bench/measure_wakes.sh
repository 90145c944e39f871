#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Processor time and main-thread wake-ups of the real program while it waits: in the main menu,
# in flight (falling freely) and after a flight, each beside its floor (bench_floor idle|flight:
# the same window and sound device doing nothing, or an efficient 20 ms loop with three sources
# playing). Runs on a private Xvfb with OpenAL Soft's null device and the built-in voice on SDL's
# dummy audio. Prints Markdown table rows.
#
# usage: measure_wakes.sh <veltro-lander> <bench_floor> <folder> [seconds] [earlier veltro-lander]
set -u
program=${1:?usage: measure_wakes.sh <veltro-lander> <bench_floor> <folder> [seconds] [earlier]}
floor=${2:?} folder=${3:?} seconds=${4:-8} earlier=${5:-}
work=$(mktemp -d -t veltro-wakes.XXXXXX)
xvfb_pid="" pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

exec 3< <(Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 10 _ xvfb_pid <&3 || { echo "Xvfb did not start" >&2; exit 1; }
read -r -t 10 display <&3 || { echo "Xvfb did not report its display" >&2; exit 1; }
export DISPLAY=":$display" ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
export SPEECHD_ADDRESS="unix_socket:$work/none.sock" SPEECHD_CMD=/bin/false
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"

wait_for() {
  local deadline=$((SECONDS + 30))
  until grep -Eq -- "$1" "$work/speech.log" 2>/dev/null; do
    [ $SECONDS -gt $deadline ] && { echo "waited in vain for \"$1\"" >&2; exit 1; }
    sleep 0.05
  done
}

# Processor time of the whole process and of its main thread (ns), and the main thread's
# context switches (each one a wake-up or a preemption), from the scheduler's own counts.
sample() {
  local total=0 task run
  for task in /proc/"$pid"/task/*; do
    read -r run _ <"$task/schedstat" && total=$((total + run))
  done
  read -r run _ <"/proc/$pid/task/$pid/schedstat"
  local switches
  switches=$(awk '/ctxt_switches/ {n += $2} END {print n}' "/proc/$pid/task/$pid/status")
  echo "$total $run $switches"
}

# Watches the process for the given seconds: "cpu% main-thread-cpu% wakes/s".
measure() {
  local a b
  read -r -a a <<<"$(sample)"
  sleep "$seconds"
  read -r -a b <<<"$(sample)"
  awk -v t="$((b[0] - a[0]))" -v m="$((b[1] - a[1]))" -v w="$((b[2] - a[2]))" -v s="$seconds" \
    'BEGIN {printf "%.2f %% (main %.2f %%), %.0f wakes/s", t / s / 1e7, m / s / 1e7, w / s}'
}

# The game in the menu, in flight and after it: "menu|flight|after" lines for one binary.
game_figures() {
  local binary=$1
  rm -f "$work/speech.log"
  "$binary" 3 --speech-log "$work/speech.log" 2>/dev/null &
  pid=$!
  wait_for ' Moon$'
  sleep 1
  echo "menu|$(measure)"
  xdotool key Return
  wait_for ' Easy$'
  xdotool key Return
  wait_for ' Repeat$'
  xdotool key Down Return
  wait_for ' Press and hold spacebar to fire thrusters$'
  sleep 0.5
  echo "flight|$(measure)"
  xdotool key Escape
  wait_for ' any other key to try again\.$'
  sleep 1
  echo "after|$(measure)"
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=""
}

floor_figures() {
  "$floor" "$folder" "$1" 2>/dev/null &
  pid=$!
  sleep 1
  measure
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=""
}

game=$(game_figures "$program")
[ -n "$earlier" ] && before=$(game_figures "$earlier")
idle=$(floor_figures idle)
flying=$(floor_figures flight)
echo "| state | the game | ${earlier:+before | }the floor |"
echo "|---|---|${earlier:+---|}---|"
for state in menu flight after; do
  row="| $state | $(grep "^$state|" <<<"$game" | cut -d'|' -f2) |"
  [ -n "$earlier" ] && row+=" $(grep "^$state|" <<<"$before" | cut -d'|' -f2) |"
  if [ "$state" = flight ]; then row+=" $flying |"; else row+=" $idle |"; fi
  echo "$row"
done
