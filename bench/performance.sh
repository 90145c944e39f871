#!/bin/bash
# Measures the sound output against its floor and writes docs/performance.md.
#   bench/performance.sh [BUILD_DIR]      (default: build; `make performance` builds and runs it)
# Everything runs on OpenAL Soft's null device: no sound card is needed.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
bin=$build/bin
bench=$build/bench/bench_floor
out=$source_dir/docs/performance.md
export ALSOFT_DRIVERS=null
first_presses=15

# One field of --audio-info ("latency", "period", ...).
info() { grep "^$2: " <<<"$1" | cut -d' ' -f2-; }
# The median and largest of the numbers on stdin.
spread() { sort -n | awk '{v[NR]=$1} END {printf "%d µs (max %d)", v[int((NR+1)/2)], v[NR]}'; }
first() { for _ in $(seq $first_presses); do "$bench" "$bin" first "$1"; done | spread; }

later_and_lag=$("$bench" "$bin")
waiting=$("$source_dir/bench/measure_wakes.sh" "$bin/veltro-lander" "$bench" "$bin" 10)
game=$("$bin/veltro-lander" --audio-info)
floor=$(ALSOFT_CONF= "$bin/veltro-lander" --audio-info)
{
  echo "# Performance"
  echo
  echo "Measured by \`bench/performance.sh\` (\`make performance\` builds and runs it) on"
  echo "$(date -u +%Y-%m-%d), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start."
  echo "The floor is a bare OpenAL Soft program on the same library: its default settings, one"
  echo "buffer of the same sound and three sources playing. The sound card is OpenAL Soft's null"
  echo "device, which mixes on the same timer as a real one but discards the mix."
  echo
  echo "## Output latency, as the device reports it (\`ALC_DEVICE_LATENCY_SOFT\`)"
  echo
  echo "| | the game | the floor |"
  echo "|---|---|---|"
  echo "| rate | $(info "$game" rate) | $(info "$floor" rate) |"
  echo "| mixing period | $(info "$game" period) | $(info "$floor" period) |"
  echo "| reported latency | $(info "$game" latency) | $(info "$floor" latency) |"
  echo
  echo "A new play is picked up at the next period, so up to one period more is heard on top."
  echo
  echo "## Space → \`alSourcePlay\`"
  echo
  echo "The first press is each time a fresh process ($first_presses of them) that has started a"
  echo "flight's altitude and fuel tones, as the game has when Space can first be pressed; later"
  echo "presses are 300 in one process. The game's figure is the engine's whole PlaySound call for"
  echo "the thruster (finding the file, the buffer, the source), which ends in \`alSourcePlay\`;"
  echo "the floor's is \`alSourcePlay\` alone on a source made ahead."
  echo
  echo "| | the game | the floor |"
  echo "|---|---|---|"
  echo "| first press of a session | $(first game) | $(first floor) |"
  echo "| first press, sound read on first use (before) | $(first before) | $(first floor) |"
  sed -n '1p' <<<"$later_and_lag"
  echo
  echo "## Does the mixer keep up with its short periods?"
  echo
  echo "Every 2 ms the device's clock (\`ALC_DEVICE_CLOCK_SOFT\`, the frames mixed) is compared"
  echo "with the wall clock. A mixer later than its queued periods (the reported latency) would"
  echo "be an underrun on a sound card."
  echo
  sed -n '3,$p' <<<"$later_and_lag"
  echo
  echo "## Waiting: processor time and main-thread wake-ups"
  echo
  echo "The program on a private Xvfb (OpenAL Soft's null device, the built-in voice on SDL's"
  echo "dummy audio), watched for 10 s in each state: processor time of the whole process and of"
  echo "its main thread (the scheduler's own count, \`/proc/PID/task/TID/schedstat\`), and the main"
  echo "thread's context switches a second. In flight the craft falls freely. The floor is"
  echo "\`bench_floor idle\` (the same window and sound device waiting for an event) beside the"
  echo "menus, and \`bench_floor flight\` (a 20 ms loop retuning three playing sources) beside the"
  echo "flight. Most of either is OpenAL Soft's mixing thread."
  echo
  echo "$waiting"
  echo
  echo "## Headless cost"
  echo
  echo "| | without the sound log | with \`--sound-log\` |"
  echo "|---|---|---|"
  "$bench" "$bin" headless "$source_dir/tests/program/scripts/moon_free_fall.keys"
  echo
  echo "Starting \`veltro-lander --help\`: $(ldd "$bin/veltro-lander" | wc -l) shared libraries."
} >"$out.new"
mv "$out.new" "$out"
echo "wrote $out"
