#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Processor time and wake-ups of the real program while it waits: in the main menu, in flight
# (falling freely) and after a flight, beside its floor (bench_floor idle|flight: a program doing
# the same work as cheaply as it can) and, when given, an earlier build of the program. The
# rounds alternate the programs, so that a machine that others share weighs on all of them alike;
# each figure is the range over the rounds.
#
# Runs on a private Xvfb and, when PulseAudio is installed, a private PulseAudio server with a null
# sink (OpenAL Soft and the built-in voice play to it; the server's processor time counts with the
# program's); otherwise on OpenAL Soft's null device and SDL's dummy audio. Prints Markdown.
#
# usage: measure_wakes.sh <veltro-lander> <bench_floor> <folder> [seconds] [rounds] [earlier]
set -u
program=${1:?usage: measure_wakes.sh <veltro-lander> <bench_floor> <folder> [seconds] [rounds] [earlier]}
floor=${2:?} folder=${3:?} seconds=${4:-8} rounds=${5:-3} earlier=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private_servers.sh"
use_private_servers wakes || exit 1
export SPEECHD_ADDRESS="unix_socket:$work/none.sock" SPEECHD_CMD=/bin/false

wait_for() {
  local deadline=$((SECONDS + 30))
  until grep -Eq -- "$1" "$work/speech.log" 2>/dev/null; do
    [ $SECONDS -gt $deadline ] && { echo "waited in vain for \"$1\"" >&2; exit 1; }
    sleep 0.05
  done
}

# Waits until the program's voice has said everything (its sound device's thread is gone, the
# device rests), for at most 15 s: a program whose voice never rests is watched after that.
wait_said() {
  local deadline=$((SECONDS + 15))
  while grep -qs '^SDLAudio' /proc/"$pid"/task/*/comm && [ $SECONDS -lt $deadline ]; do
    sleep 0.2
  done
  sleep 1
}

# One line per thread of a process: "tid switches" (its context switches so far, each a wake-up
# or a preemption); then "cpu µs" of the whole process, exited threads included.
sample() {
  local task
  for task in /proc/"$1"/task/*; do
    awk -v t="${task##*/}" '/ctxt_switches/ {n += $2} END {print t, n}' "$task/status" 2>/dev/null
  done
  awk '{printf "cpu %d\n", ($14 + $15) * 1e6 / '"$(getconf CLK_TCK)"'}' "/proc/$1/stat"
}

# Watches the process (and the sound server) for the given seconds:
# "cpu% server-cpu% main-wakes/s all-wakes/s"; a thread born meanwhile counts from 0.
measure() {
  local s1 s2
  sample "$pid" >"$work/before"
  s1=$(server_cpu_us)
  sleep "$seconds"
  sample "$pid" >"$work/after"
  s2=$(server_cpu_us)
  awk -v d="$((s2 - s1))" -v s="$seconds" -v main="$pid" '
    FNR == NR {then[$1] = $2; next}
    $1 == "cpu" {cpu = $2 - then["cpu"]; next}
    {w = $2 - ($1 in then ? then[$1] : 0); all += w; if ($1 == main) m = w}
    END {printf "%.2f %.2f %.0f %.0f", (cpu + d) / s / 1e4, d / s / 1e4, m / s, all / s}' \
    "$work/before" "$work/after"
}

# The game in the menu, in flight and after it: "menu|flight|after figures" lines.
game_figures() {
  rm -f "$work/speech.log"
  "$1" 3 --speech-log "$work/speech.log" 2>/dev/null &
  pid=$!
  # Each state is watched once the program has said what it says on entering it.
  wait_for ' Moon$'
  wait_said
  echo "menu $(measure)"
  xdotool key Return
  wait_for ' Easy$'
  xdotool key Return
  wait_for ' Repeat$'
  xdotool key Down Return
  wait_for ' Press and hold spacebar to fire thrusters$'
  sleep 0.5
  echo "flight $(measure)"
  xdotool key Escape
  wait_for ' any other key to try again\.$'
  wait_said
  echo "after $(measure)"
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=""
}

floor_figures() {
  "$floor" "$folder" "$1" 2>/dev/null &
  pid=$!
  sleep 3
  echo "$(measure)"
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=""
}

for round in $(seq "$rounds"); do
  game_figures "$program" | sed 's/^/game /'
  [ -n "$earlier" ] && game_figures "$earlier" | sed 's/^/before /'
  echo "floor menu $(floor_figures idle)"
  echo "floor flight $(floor_figures flight)"
done >"$work/figures"
sed 's/^floor menu \(.*\)/&\nfloor after \1/' -i "$work/figures"

# "low–high" of one field over the rounds.
range() {
  awk -v who="$1" -v state="$2" -v f="$3" -v d="$4" '$1 == who && $2 == state {
      v = $(f + 2); if (n++ == 0 || v < lo) lo = v; if (n == 1 || v > hi) hi = v }
    END { if (!n) exit; fmt = "%." d "f"; if (sprintf(fmt, lo) == sprintf(fmt, hi)) printf fmt, lo;
          else printf fmt "–" fmt, lo, hi }' "$work/figures"
}
cell() {
  local cpu
  cpu="$(range "$1" "$2" 1 2) %"
  [ "$server" != none ] && cpu+=" (server $(range "$1" "$2" 2 2) %)"
  echo "$cpu; main $(range "$1" "$2" 3 0), all $(range "$1" "$2" 4 0)"
}
echo "Sound server: $server_name. $rounds rounds of ${seconds} s; load average $(cut -d' ' -f1-3 /proc/loadavg) at the end."
echo
echo "| state | the game | ${earlier:+before | }the floor |"
echo "|---|---|${earlier:+---|}---|"
for state in menu flight after; do
  row="| $state | $(cell game $state) |"
  [ -n "$earlier" ] && row+=" $(cell before $state) |"
  echo "$row $(cell floor $state) |"
done
