#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the program against its floors and writes docs/performance.md.
#   bench/performance.sh [BUILD_DIR] [EARLIER]   (default: build; `make performance` builds and
#                                                 runs it)
# EARLIER, an earlier build's veltro-lander, is measured beside the program where the figures
# compare (waiting, start-up), in alternating rounds. No sound card is needed: the waiting and the
# start-up run on a private PulseAudio server with a null sink when PulseAudio is installed, the
# rest on OpenAL Soft's null or loopback devices.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
bin=$build/bin
bench=$build/bench/bench_floor
benchmarks=$build/bench
out=$source_dir/docs/performance.md
earlier=${2:-}
export ALSOFT_DRIVERS=null
first_presses=15
rounds=3

# One field of --audio-info ("latency", "period", ...).
info() { grep "^$2: " <<<"$1" | cut -d' ' -f2-; }
# The median and largest of the numbers on stdin.
spread() { sort -n | awk '{v[NR]=$1} END {printf "%d µs (max %d)", v[int((NR+1)/2)], v[NR]}'; }
first() { for _ in $(seq $first_presses); do "$bench" "$bin" first "$1"; done | spread; }
# Key → first sound at the mixer's output, game and floor alternating: "game|floor" rows of
# "median max" per round, then the range of the medians and the largest of each.
to_sound() {
  for _ in $(seq $rounds); do
    for kind in game floor; do echo "$kind $("$bench" "$bin" sound $kind 40)"; done
  done | awk '{n[$1]++; if (!($1 in lo) || $2 < lo[$1]) lo[$1] = $2; if ($2 > hi[$1]) hi[$1] = $2
      if ($3 > top[$1]) top[$1] = $3}
    END {printf "| %.2f–%.2f ms (max %.1f) | %.2f–%.2f ms (max %.1f) |", lo["game"] / 1000,
      hi["game"] / 1000, top["game"] / 1000, lo["floor"] / 1000, hi["floor"] / 1000, top["floor"] / 1000}'
}
# Memory of a `bench_floor voice` run ("resident largest", in kB) as "12.3 MB | 12.4 MB".
megabytes() { awk '{printf "%.1f MB | %.1f MB", $1/1024, $2/1024}'; }
# The shared libraries a command loads, as the dynamic loader reports them.
libraries() { LD_DEBUG=files "$@" 2>&1 >/dev/null | grep -c 'generating link map'; }
# What starting a command costs, over 100 runs: wall time and processor time per run.
start_cost() {
  local runs=100 TIMEFORMAT='%R %U %S'
  { time (for _ in $(seq $runs); do "$@" >/dev/null 2>&1; done); } 2>&1 |
    awk -v n=$runs '{printf "%.1f ms | %.1f ms", $1 * 1000 / n, ($2 + $3) * 1000 / n}'
}
short_script=$source_dir/tests/program/scripts/escape_from_menu.keys
# Processor time per call of the benchmarks that FILTER picks from a Google Benchmark program, as
# "name nanoseconds" lines.
per_call() {
  "$benchmarks/$1" --benchmark_filter="$2" --benchmark_min_time=0.5 --benchmark_format=csv 2>/dev/null |
    awk -F, '$1 ~ /^"BM_/ {
      scale = $5 == "us" ? 1e3 : $5 == "ms" ? 1e6 : 1
      gsub(/"/, "", $1); print $1, $4 * scale }'
}
# The figure of one benchmark from per_call's lines, in ns or µs.
per_call_of() {
  awk -v n="$2" '$1 == n {if ($2 < 1000) printf "%.0f ns", $2; else printf "%.1f µs", $2 / 1000}' <<<"$1"
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
later_and_lag=$("$bench" "$bin")
waiting=$("$source_dir/bench/measure_wakes.sh" "$bin/veltro-lander" "$bench" "$bin" 8 $rounds $earlier)
layouts=$("$source_dir/bench/measure_period_layouts.sh" "$bin/veltro-lander" "$bench" "$bin" 5 \
  "256 3" "256 4" "240 4" "320 3" "480 2" "1024 3")
key_to_sound=$(to_sound)
ticks=$(per_call bench_game BM_FlightTick)
sounds=$(per_call bench_sound 'BM_PlaySound|BM_TickCueUpdates')
launch=$("$source_dir/bench/measure_desktop_launch.sh" 5 "$bin/veltro-lander" $earlier)
streaming=$("$benchmarks/measure_stream_memory" || true)  # its status says whether it grew by 2 MB; the table shows it
# How long the introduction plays before the menu speaks: the first word's time in a headless run.
intro_seconds=$("$bin/veltro-lander" --headless --keys "$short_script" --speech-log - | awk 'NR == 1 {print $1}')
game=$("$bin/veltro-lander" --audio-info)
audio_info_cost=$(start_cost "$bin/veltro-lander" --audio-info)
floor=$(ALSOFT_CONF= "$bin/veltro-lander" --audio-info)
{
  echo "# Performance"
  echo
  echo "Measured by \`bench/performance.sh\` (\`make performance\` builds and runs it) on"
  echo "$(date -u +%Y-%m-%d), $(nproc) cores, load average $load at the start$(
    awk -v n="$(nproc)" '$1 > n {printf ": a shared machine\nunder load (other builds and tests running), so the times are upper bounds"}' <<<"$load")."
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
  echo "## Period layouts on PulseAudio"
  echo
  echo "What keeping the output device mixing costs, with no sound playing, for several layouts of"
  echo "OpenAL Soft's mixing periods at 48 kHz (\`bench/measure_period_layouts.sh\`, 5 s each,"
  echo "\`bench_floor awake\` as the program). The game uses 4 × 256: the same 5.3 ms wait for the"
  echo "next mix as 3 × 256, within 20 ms of reported latency, and the server wakes less to keep it"
  echo "fed; two periods make the server wake far more, longer periods exceed 20 ms."
  echo
  echo "$layouts"
  echo
  echo "## Key → first sound at the mixer's output"
  echo
  echo "The thruster started at a random moment, until the first block with its sound leaves the"
  echo "mixer: OpenAL Soft's loopback device, mixed in real time one period (256 frames at 48 kHz)"
  echo "at a time by a thread that stands in for the sound card. The game's figure starts with its"
  echo "engine's \`PlaySound\`; the floor's, a bare OpenAL program's \`alSourcePlay\` on a source"
  echo "made ahead. $rounds rounds of 40 presses, alternating: the range of the rounds' medians, and"
  echo "the largest single press (the machine is shared)."
  echo
  echo "| the game | the floor |"
  echo "|---|---|"
  echo "$key_to_sound"
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
  echo "## The game's tick and \`PlaySound\`"
  echo
  echo "Processor time per call (Google Benchmark, \`bench/bench_game.cpp\` and"
  echo "\`bench/bench_sound.cpp\`). A flight tick is the game's own work with every cue and"
  echo "announcement active and the speech and sound ports doing nothing; its floor is the tick's"
  echo "period. The sound engine's calls run on OpenAL Soft's loopback device; a cached play's floor"
  echo "is \`alSourcePlay\` alone (the later presses above). A new file is read, decoded and"
  echo "buffered (a 0.1 s WAV); the game's own sounds are read ahead at start, so only a file"
  echo "outside them pays this."
  echo
  echo "| | per call | the floor |"
  echo "|---|---|---|"
  for world in 0 1 2 3; do
    echo "| flight tick, world $world (\`BM_FlightTick\`) | $(per_call_of "$ticks" "BM_FlightTick/world:$world") | 20 ms (one tick) |"
  done
  echo "| a tick's cue updates: two pitches, a pan, a volume (\`BM_TickCueUpdates\`) | $(per_call_of "$sounds" BM_TickCueUpdates) | 20 ms (one tick) |"
  echo "| \`PlaySound\`, a sound already loaded (\`BM_PlaySoundCached\`) | $(per_call_of "$sounds" BM_PlaySoundCached) |$(sed -n '1p' <<<"$later_and_lag" | cut -d'|' -f4)|"
  echo "| \`PlaySound\`, a file not loaded yet (\`BM_PlaySoundNewFile\`) | $(per_call_of "$sounds" BM_PlaySoundNewFile) | — |"
  echo
  echo "## Does the mixer keep up with its short periods?"
  echo
  echo "Every 2 ms the device's clock (\`ALC_DEVICE_CLOCK_SOFT\`, the frames mixed) is compared"
  echo "with the wall clock. A mixer later than its queued periods (the reported latency) would"
  echo "be an underrun on a sound card."
  echo
  sed -n '3,$p' <<<"$later_and_lag"
  echo
  echo "## Memory after quick retries with the built-in voice"
  echo
  echo "The game with argument \"3\" (espeak-ng on SDL's dummy output) flies the Moon and"
  echo "abandons each flight as soon as it starts, faster than the briefing can be heard, so each"
  echo "briefing queues behind the last. Taken once the memory has stood still for two seconds."
  echo "The floor is the voice alone, saying one briefing."
  echo
  echo "| | resident | largest resident (as the kernel last counted it) |"
  echo "|---|---|---|"
  echo "| the floor | $("$bench" "$bin" voice floor | megabytes) |"
  one=$("$bench" "$bin" voice 1)
  fifty=$("$bench" "$bin" voice 50)
  echo "| one flight | $(megabytes <<<"$one") |"
  echo "| 50 quick retries | $(megabytes <<<"$fifty") |"
  echo "| growth from one flight to 50 | $(paste -d' ' <(echo "$one") <(echo "$fifty") |
    awk '{printf "%.1f MB | %.1f MB", ($3 - $1) / 1024, ($4 - $2) / 1024}') |"
  echo
  echo "Before the voice paced its synthesis (it turned every queued text into sound at once,"
  echo "measured 2026-12-06): 14.4 MB after one flight, 54.2 MB after 50 quick retries."
  echo
  echo "## Memory of a stream"
  echo
  echo "\`bench/measure_stream_memory.cpp\` streams a 10-minute stereo 44.1 kHz OGG file from start to"
  echo "end on OpenAL Soft's loopback device, pumped every 10 ms of mixing, and reads the resident"
  echo "size before it starts (the floor) and the largest while it plays; decoded whole it would"
  echo "take about 100 MB."
  echo
  echo "| resident before the stream (the floor) | largest while it plays | added by the stream |"
  echo "|---|---|---|"
  sed -E 's/.*before ([0-9]+) KiB.* ([0-9]+) KiB:.*/\1 \2/' <<<"$streaming" |
    awk '{printf "| %.1f MB | %.1f MB | %d KiB |\n", $1 / 1024, $2 / 1024, $2 - $1}'
  echo
  echo "## Waiting: processor time and wake-ups"
  echo
  echo "The program (argument \"3\", the built-in voice) watched in each state on a private Xvfb"
  echo "and sound server: processor time of the whole process plus the sound server's (the"
  echo "scheduler's own counts, \`/proc/PID/task/TID/schedstat\`), and context switches a second of"
  echo "its main thread (\"main\") and of all its threads (\"all\"; each a wake-up or a preemption)."
  echo "Each state is watched once the voice has said what it says on entering it (its sound"
  echo "device's thread gone; at most 15 s). The server suspends its sink a second after the last"
  echo "stream stops, as desktops do (\`module-suspend-on-idle\`)."
  echo "In flight the craft falls freely. The floor (\`bench_floor idle|flight\`) does the same work"
  echo "as cheaply as it can: the same sound device, a voice device that opens for a word and"
  echo "closes after it, a window with text, and in flight three looping sources retuned every"
  echo "20 ms, a click a few times a second, readouts drawn twice a second and a word every few"
  [ -n "$earlier" ] && before_note=' "Before" is the build this work started from.'
  echo "seconds.${before_note:-}"
  echo
  echo "$waiting"
  echo
  echo "## Start-up to the first sound and the first word"
  echo
  echo "The program with argument \"3\" launched 5 times on a private Xvfb and sound server"
  echo "${earlier:+(alternating with the build this work started from, the second row); }times from launch:"
  echo "the median and the largest. Nothing polls meanwhile: the window's arrival comes from the X"
  echo "server (\`xev\` on the root window), the first sound and word from the program's logs"
  echo "written into pipes. The first sound is the introduction; the first word, the main menu, is"
  echo "said when it ends (${intro_seconds} s later in a headless run). The floor is"
  echo "\`veltro-lander --audio-info\`, which loads the same libraries, opens the same device,"
  echo "prints and ends."
  echo
  echo "| window shown | first sound started | first word said | the floor |"
  echo "|---|---|---|---|"
  while IFS= read -r row; do echo "$row ${audio_info_cost%% |*} |"; done <<<"$launch"
  echo
  echo "## Headless cost"
  echo
  echo "| | without the sound log | with \`--sound-log\` |"
  echo "|---|---|---|"
  "$bench" "$bin" headless "$source_dir/tests/program/scripts/moon_free_fall.keys"
  echo
  echo "Starting the program, 100 runs of each; the floor is \`/bin/true\`. The desktop's libraries"
  echo "(SDL, OpenAL Soft, espeak-ng, speech-dispatcher and theirs) are loaded only for a desktop"
  echo "run, with the module \`veltro-lander-desktop.so\`; \`--audio-info\` shows what that costs."
  echo
  echo "| | shared libraries loaded | wall time per start | processor time per start |"
  echo "|---|---|---|---|"
  echo "| \`veltro-lander --help\` | $(libraries "$bin/veltro-lander" --help) | $(start_cost "$bin/veltro-lander" --help) |"
  echo "| \`veltro-lander --headless\` (\`escape_from_menu.keys\`) | $(libraries "$bin/veltro-lander" --headless --keys "$short_script") | $(start_cost "$bin/veltro-lander" --headless --keys "$short_script") |"
  echo "| \`veltro-lander --audio-info\` | $(libraries "$bin/veltro-lander" --audio-info) | $audio_info_cost |"
  echo "| the floor | $(libraries /bin/true) | $(start_cost /bin/true) |"
  echo
  echo "Before the desktop part was a module (measured 2026-12-06 beside the module build, on a"
  echo "machine loaded with other work): 75 shared libraries for \`--help\` and for a headless run;"
  echo "processor time per start 36–44 ms for \`--help\` and 39–41 ms headless, where the module"
  echo "build took 13–14 ms and 16–17 ms and \`/bin/true\` 6–7 ms."
  # The soak's figures come from \`make soak\`, which takes long: they are kept as they are.
  if grep -q '^## Soak' "$out" 2>/dev/null; then
    echo
    sed -n '/^## Soak/,$p' "$out"
  fi
} >"$out.new"
mv "$out.new" "$out"
echo "wrote $out"
