#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What OpenAL Soft's period layouts cost on the sound server: for each "frames periods" layout, the
# latency the device reports and the processor time and wake-ups of a program holding the device
# open and mixing (bench_floor awake: no sound playing) and of the sound server, over a few seconds. Runs on
# a private Xvfb and sound server (bench/private_servers.sh). Prints Markdown table rows.
#
# usage: measure_period_layouts.sh <veltro-lander> <bench_floor> <folder> <seconds> "frames periods"...
set -u
program=${1:?usage: measure_period_layouts.sh <veltro-lander> <bench_floor> <folder> <seconds> "frames periods"...}
floor=${2:?} folder=${3:?} seconds=${4:?}
shift 4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private_servers.sh"
use_private_servers layouts || exit 1

cpu_us() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {printf "%d", n / 1000}'; }
wakes() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {n += $2} END {print n}'; }
echo "Sound server: $server_name; load average $(cut -d' ' -f1-3 /proc/loadavg) at the start."
echo
echo "| frames × periods | reported latency | program | server | wakes a second (program + server) |"
echo "|---|---|---|---|---|"
for layout in "$@"; do
  read -r frames periods <<<"$layout"
  conf=$work/$frames-$periods.conf
  printf '[general]\nfrequency = 48000\nperiod_size = %s\nperiods = %s\n' "$frames" "$periods" >"$conf"
  latency=$(ALSOFT_CONF=$conf "$program" --audio-info | awk '/^latency:/ {print $2, $3}')
  ALSOFT_CONF=$conf "$floor" "$folder" awake 2>/dev/null &
  pid=$!
  sleep 2.5  # past the floor's first word and its voice device's rest
  a=$(cpu_us "$pid") b=$(server_cpu_us) wa=$(wakes "$pid") wb=$(wakes "$pulse_pid")
  sleep "$seconds"
  a2=$(cpu_us "$pid") b2=$(server_cpu_us) wa2=$(wakes "$pid") wb2=$(wakes "$pulse_pid")
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=""
  awk -v l="$frames × $periods" -v lat="$latency" -v p=$((a2 - a)) -v s=$((b2 - b)) \
    -v w=$((wa2 - wa + ${wb2:-0} - ${wb:-0})) -v t="$seconds" \
    'BEGIN {printf "| %s | %s | %.2f %% | %.2f %% | %.0f |\n", l, lat, p / t / 1e4, s / t / 1e4, w / t}'
done
