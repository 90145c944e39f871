#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long the real program takes from launch until its window is up, until its first sound
# (the introduction) is started and until its first word (the main menu, spoken when the
# introduction ends) is said. Nothing polls while it starts: the window's arrival comes from the
# X server itself (xev watching the root window), the first sound and word from the program's
# logs, written into pipes and read as they come. Runs on a private Xvfb and sound server
# (bench/private_servers.sh). Prints one Markdown table row per program: the median of the runs
# (and the largest) of each, in ms; the runs of the programs alternate.
#
# usage: measure_desktop_launch.sh [runs] <veltro-lander>...
set -u
runs=${1:?usage: measure_desktop_launch.sh [runs] <veltro-lander>...}
shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private_servers.sh"
use_private_servers launch || exit 1

now_us() { echo "${EPOCHREALTIME/./}"; }
# The median and largest of the numbers on stdin, and how many runs never got there ("-").
spread() {
  sort -n | awk '$1 == "-" {missed++; next} {v[++n] = $1}
    END {printf "%d ms (max %d)%s", v[int((n + 1) / 2)], v[n], missed ? ", " missed " runs never" : ""}'
}

# One launch: "window sound word" in ms from the launch, "-" for what never came.
launch() {
  local program=$1 run=$2 start xev reader limit
  rm -f "$work"/*.pipe "$work"/t.*
  mkfifo "$work/xev.pipe" "$work/speech.pipe" "$work/sound.pipe"
  # The window's arrival, as the X server tells it.
  xev -root -event substructure >"$work/xev.pipe" 2>/dev/null &
  xev=$!
  { while IFS= read -r line; do [[ $line == MapNotify* ]] && now_us >"$work/t.window"; done; } \
    <"$work/xev.pipe" &
  { until IFS= read -r line && [[ $line == *PlaySound\(* ]]; do :; done && now_us >"$work/t.sound"
    cat >/dev/null; } <"$work/sound.pipe" &
  # Ends at the first word (the program is stopped right after).
  { IFS= read -r _ && now_us >"$work/t.speech"; } <"$work/speech.pipe" &
  reader=$!
  sleep 0.3  # xev is listening
  start=$(now_us)
  "$program" 3 --speech-log "$work/speech.pipe" --sound-log "$work/sound.pipe" >/dev/null 2>"$work/stderr" &
  pid=$!
  # Sleeps until the first word (or 20 s), without looking in between.
  (sleep 20; kill "$reader" 2>/dev/null) >/dev/null 2>&1 &
  limit=$!
  until [ -s "$work/t.speech" ] || ! kill -0 "$reader" 2>/dev/null; do wait -n "$reader" "$limit"; done
  kill "$limit" "$pid" "$xev" 2>/dev/null
  wait 2>/dev/null
  pid=""
  [ -s "$work/t.speech" ] || echo "launch run $run did not speak in 20 s: $(tail -3 "$work/stderr")" >&2
  for event in window sound speech; do
    if [ -s "$work/t.$event" ]; then echo -n "$((($(head -1 "$work/t.$event") - start) / 1000)) "; else echo -n "- "; fi
  done
  echo
}

for run in $(seq "$runs"); do
  for index in $(seq $#); do
    echo "$index $(launch "${!index}" "$run")"
  done
done >"$work/times"

for index in $(seq $#); do
  times=$(awk -v i="$index" '$1 == i {print $2, $3, $4}' "$work/times")
  echo "| $(cut -d' ' -f1 <<<"$times" | spread) | $(cut -d' ' -f2 <<<"$times" | spread)" \
    "| $(cut -d' ' -f3 <<<"$times" | spread) |"
done
