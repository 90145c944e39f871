#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real desktop program from start to end, played with real key presses on a private X server:
# the screen reader is unreachable (a message box in the window says so aloud and is closed with a
# key; another run shows that SIGTERM ends the program while the box waits), the built-in
# voice speaks the menus (and the window shows them, and the flight's readouts), the player picks Moon and Easy, continues past the briefing, holds the
# space bar for a while, abandons the flight and leaves with Escape. The speech and sound logs must
# show all of that.
#
# usage: desktop_flight.sh <veltro-lander>    (VELTRO_E2E_KEEP=1 keeps the logs)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../support/private_xvfb.sh"

program=${1:?usage: desktop_flight.sh <veltro-lander>}
work=$(mktemp -d -t veltro-e2e.XXXXXX)
speech_log=$work/speech.log
sound_log=$work/sound.log
errors=$work/stderr.log
xvfb_pid=""
game_pid=""

cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if [ -n "${VELTRO_E2E_KEEP:-}" ]; then echo "logs kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for log in "$speech_log" "$sound_log" "$errors"; do
    [ -f "$log" ] && { echo "--- $(basename "$log")"; tail -n 40 "$log"; }
  done
  exit 1
}

# Waits until a file holds a line matching the pattern (grep -E) or the seconds run out.
wait_for() {
  local file=$1 pattern=$2 seconds=${3:-10}
  local deadline=$((SECONDS + seconds))
  while [ $SECONDS -le $deadline ]; do
    grep -Eq -- "$pattern" "$file" 2>/dev/null && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the program ended while waiting for \"$pattern\""
    sleep 0.1
  done
  fail "waited ${seconds}s for \"$pattern\" in $(basename "$file")"
}

# What a sighted helper reads on the screen: a screenshot read back by OCR.
screen_text() {
  xwd -root -silent | xwdtopnm 2>/dev/null | tesseract stdin stdout 2>/dev/null
}

# The top-level windows other than the game's own: the message boxes.
dialog_windows() {
  xwininfo -root -tree 2>/dev/null |
    awk '/^ +0x[0-9a-f]+ "/ && !/"Veltro Lander"/ {print $1}'
}

# --- a private X server on a free display number
start_private_xvfb || fail "no private X server"

# --- the machine's services kept out of the way: no sound card, no screen reader, no buses
export ALSOFT_DRIVERS=null
export SDL_AUDIODRIVER=dummy  # the built-in voice plays through SDL's audio
export SPEECHD_ADDRESS="unix_socket:$work/no-speech-dispatcher.sock"
export SPEECHD_CMD=/bin/false  # and none started on demand
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

"$program" --speech-log "$speech_log" --sound-log "$sound_log" 2>"$errors" &
game_pid=$!

# --- the screen reader cannot be reached: one message box in the game's window, heard in the
# built-in voice with the keys that answer it, shown on screen, and closed with Return
wait_for "$speech_log" '\[message box "Error! ": Error initializing screen reader or MS SAPI\.\]$' 15
wait_for "$speech_log" ' Error initializing screen reader or MS SAPI\.$'
wait_for "$speech_log" ' Press Enter or Escape to close this message\.$'
[ -z "$(dialog_windows)" ] || fail "the message box opened a window of its own"
screen_text | grep -q 'Enter or Escape' || fail "the window does not show the box: $(screen_text)"
grep -q 'Error initializing' "$errors" || fail "the message box text was not printed on stderr"
xdotool key Return
wait_for "$speech_log" '\[answered OK\]$'

# --- the built-in voice speaks the menus; choose Moon, Easy, Continue
wait_for "$speech_log" ' Where would you like to land\?$' 20
wait_for "$speech_log" ' Moon$' 5
sleep 0.2
screen_text | grep -q '^Moon$' || fail "the window does not show the menu item: $(screen_text)"
xdotool key Return
wait_for "$speech_log" ' Difficulty Level\?$'
wait_for "$speech_log" ' Easy$'
xdotool key Return
wait_for "$speech_log" ' Gravity is 5 feet per second squared\.$'
wait_for "$speech_log" ' There is no terminal velocity\.$'
wait_for "$speech_log" ' Repeat$'
xdotool key Down
wait_for "$speech_log" ' Continue$'
xdotool key Return
wait_for "$speech_log" ' Press and hold spacebar to fire thrusters$'

# --- falling: the first altitude mark, then the thrusters held for a second and a half
wait_for "$speech_log" ' 900$' 10
shown=$(screen_text)
for readout in 'Altitude [0-9]+ ft' 'Velocity -?[0-9]+ ft/s' 'Fuel [0-9]+'; do
  grep -Eq "$readout" <<<"$shown" || fail "the window does not show \"$readout\": $shown"
done
xdotool keydown space
sleep 1.5
xdotool keyup space
sleep 0.3
# V speaks the velocity: the burst must have slowed the fall (falling freely the craft would be
# past 30 ft/s by now), and a second later gravity must be winning again (the thrusters stopped).
spoken_velocity() {
  local before
  before=$(grep -c ' v-\?[0-9]*$' "$speech_log")
  xdotool key v
  wait_for "$speech_log" ' v-?[0-9]+$' 5
  local deadline=$((SECONDS + 5))
  while [ "$(grep -c ' v-\?[0-9]*$' "$speech_log")" -le "$before" ] && [ $SECONDS -le $deadline ]; do
    sleep 0.05
  done
  grep ' v-\?[0-9]*$' "$speech_log" | tail -n 1 | sed 's/.* v//'
}
after_burst=$(spoken_velocity)
sleep 1
a_second_later=$(spoken_velocity)
[ -n "$after_burst" ] && [ "$after_burst" -lt 15 ] ||
  fail "the thrusters did not slow the craft (velocity $after_burst after the burst)"
[ "$a_second_later" -gt "$after_burst" ] ||
  fail "the thrusters did not stop at the release (velocity $after_burst, then $a_second_later)"

# --- abandon the flight (Escape), then leave (Escape again at the closing prompt)
xdotool key Escape
wait_for "$speech_log" ' Press Escape to exit, N to select a new planet, or  any other key to try again\.$'
xdotool key Escape
deadline=$((SECONDS + 10))
while kill -0 "$game_pid" 2>/dev/null && [ $SECONDS -le $deadline ]; do sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "the program did not end after Escape"
wait "$game_pid"
status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"

# --- one message box (the screen reader), and no failure reported by any handler
[ "$(grep -c 'Error initializing screen reader or MS SAPI\.' "$errors")" -eq 1 ] ||
  fail "expected exactly one message box about the screen reader"
grep -q 'the game goes on' "$errors" && fail "a handler failed during the game"

# --- the abandoned flight has no outcome: no final statistics were spoken
grep -q 'Final Fuel' "$speech_log" && fail "an abandoned flight reported final statistics"

# --- the introduction played; the thrusters started once and stopped
grep -q 'PlaySound("intro.wav"' "$sound_log" || fail "the introduction was not played"
start=$(grep -n 'PlaySound("retrojet.wav"' "$sound_log" | head -n 1)
[ -n "$start" ] || fail "the thrusters never started"
handle=${start##*-> }
tail -n +"${start%%:*}" "$sound_log" | grep -q "StopPlay($handle)" ||
  fail "the thrusters (handle $handle) never stopped"
[ "$(grep -c 'PlaySound("retrojet.wav"' "$sound_log")" -eq 1 ] ||
  fail "holding the space bar started the thrusters more than once"

# --- a quit request (SIGTERM) while a message box waits ends the program at once
"$program" --speech-log "$work/box.log" 2>/dev/null &
game_pid=$!
wait_for "$work/box.log" '\[message box' 15
kill -TERM "$game_pid"
deadline=$((SECONDS + 5))
while kill -0 "$game_pid" 2>/dev/null && [ $SECONDS -le $deadline ]; do sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "SIGTERM did not end the program while its box was open"
game_pid=""

echo "PASS: $(wc -l <"$speech_log") utterances logged; velocity $after_burst after the burst, $a_second_later a second later"
cat "$speech_log"
