#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real desktop program under six keyboard layouts on a private X server, played with real key
# presses of the keys marked A, V, F, Q, N and Control-1/3 (xdotool presses the key that types
# what is marked on it). From the speech log, and from a private speech-dispatcher's log: A
# speaks the altitude, V the velocity, F the fuel, Control-3 moves the speech to the built-in
# voice and Control-1 back to the screen reader, Q aborts the flight and N returns to the worlds.
#
# usage: desktop_layouts.sh <veltro-lander>    (VELTRO_E2E_KEEP=1 keeps the logs)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../support/private_xvfb.sh"

program=${1:?usage: desktop_layouts.sh <veltro-lander>}
work=$(mktemp -d -t veltro-layouts.XXXXXX)
xvfb_pid=""
game_pid=""
speechd_pid=""

cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$speechd_pid" ] && kill -- "-$speechd_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if [ -n "${VELTRO_E2E_KEEP:-}" ]; then echo "logs kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

speech_log=""
fail() {
  echo "FAIL ($layout): $*"
  [ -f "$speech_log" ] && { echo "--- speech log"; tail -n 30 "$speech_log"; }
  exit 1
}

# The number of lines of the speech log, and a wait for a line after the first `from` lines.
lines() { wc -l <"$speech_log"; }
wait_for() {
  local from=$1 pattern=$2 deadline=$((SECONDS + ${3:-10}))
  while [ $SECONDS -le $deadline ]; do
    tail -n +"$((from + 1))" "$speech_log" 2>/dev/null | grep -Eq -- "$pattern" && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the program ended while waiting for \"$pattern\""
    sleep 0.05
  done
  fail "waited for \"$pattern\""
}
# Presses a key (xdotool's name) and waits for what it must make the program say.
press_and_hear() {
  local from
  from=$(lines)
  xdotool key "$1"
  wait_for "$from" "$2"
}
# Whether the screen reader (the private speech-dispatcher) was given the text in this run, within
# a second.
speechd_log=$work/speechd/speech-dispatcher.log
queued() {
  for _ in $(seq 20); do
    tail -n +"$((speechd_from + 1))" "$speechd_log" | grep -qF "Queueing message |$1|" && return 0
    sleep 0.05
  done
  return 1
}
last_said() { grep -E "$1" "$speech_log" | tail -n 1 | cut -d' ' -f2-; }

layout=setup
# -noreset: the server would forget the layout each time its last client (setxkbmap) leaves.
start_private_xvfb -noreset || fail "no private X server"

# A private speech-dispatcher that logs every text it queues: the screen reader's channel.
mkdir -p "$work/speechd"
cat >"$work/speechd/speechd.conf" <<'EOF'
LogLevel 5
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
EOF
setsid speech-dispatcher -s -t 120 -C "$work/speechd" -L "$work/speechd" -c unix_socket \
  -S "$work/speechd/sock" -P "$work/speechd/pid" >"$work/speechd/output" 2>&1 &
speechd_pid=$!
for _ in $(seq 100); do [ -S "$work/speechd/sock" ] && break; sleep 0.1; done
[ -S "$work/speechd/sock" ] || fail "speech-dispatcher did not start"

export ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy SPEECHD_CMD=/bin/false
export SPEECHD_ADDRESS="unix_socket:$work/speechd/sock"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# Layout (setxkbmap's arguments), then the keys marked A V F Q N 1 3 as xdotool names them.
layouts=(
  "us|a v f q n 1 3"
  "fr|a v f q n ampersand quotedbl"
  "de|a v f q n 1 3"
  "ru|Cyrillic_ef Cyrillic_em Cyrillic_a Cyrillic_shorti Cyrillic_te 1 3"
  "gr|Greek_alpha Greek_omega Greek_phi semicolon Greek_nu 1 3"
  "us -variant dvorak|a v f q n 1 3"
)
for entry in "${layouts[@]}"; do
  layout=${entry%%|*}
  read -r key_a key_v key_f key_q key_n key_1 key_3 <<<"${entry#*|}"
  # shellcheck disable=SC2086
  setxkbmap -display "$DISPLAY" $layout || fail "setxkbmap $layout"
  speech_log="$work/speech-${layout// /-}.log"
  speechd_from=$(wc -l <"$speechd_log")
  "$program" --speech-log "$speech_log" 2>"$work/stderr-${layout// /-}.log" &
  game_pid=$!

  wait_for 0 ' Moon$' 20
  press_and_hear Return ' Easy$'
  press_and_hear Return ' Repeat$'
  press_and_hear Down ' Continue$'
  press_and_hear Return ' Press and hold spacebar to fire thrusters$'
  press_and_hear "$key_a" ' [0-9]+$'
  press_and_hear "$key_f" ' Fuel: [0-9]+$'
  queued "$(last_said ' Fuel: ')" || fail "the fuel did not reach the screen reader"
  xdotool key "ctrl+$key_3"
  sleep 0.5
  press_and_hear "$key_v" ' v-?[0-9]+$'
  velocity=$(last_said ' v-?[0-9]+$')
  sleep 0.5
  queued "$velocity" && fail "Control-3 did not move the speech to the voice ($velocity)"
  xdotool key "ctrl+$key_1"
  sleep 0.5
  press_and_hear "$key_v" ' v-?[0-9]+$'
  sleep 0.5
  queued "$(last_said ' v-?[0-9]+$')" || fail "Control-1 did not bring the screen reader back"
  press_and_hear "$key_q" ' Press Escape to exit, N to select a new planet'
  press_and_hear "$key_n" ' Where would you like to land\?$'
  grep -q 'Final Fuel' "$speech_log" && fail "the flight was not aborted but flown to its end"
  xdotool key Escape
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "the program did not end after Escape"
  wait "$game_pid"
  status=$?
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
  game_pid=""
  echo "ok: $layout"
done
echo "PASS: A, V, F, Q, N and Control-1/3 on us, fr, de, ru, gr and us dvorak"
