#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every quit request ends the real desktop program promptly and cleanly, in every state it waits
# in: the window closed (as a window manager's close button asks), SIGTERM, SIGINT and SIGHUP, in
# the main menu, in flight, after a flight, while a message box waits and while the introduction
# plays to its end; and the window destroyed or its connection killed from outside. Each run must
# end with the expected status within a few seconds and leave no process of its own behind.
# A settings file that is a pipe or of 1 GB is passed over; where one the program cannot check holds it up
# (OpenAL Soft's own, in XDG_CONFIG_HOME), the first SIGTERM waits and a second ends it at once.
# F1 with a session bus that never answers leaves the game responding to keys and to quitting.
#
# usage: desktop_quit.sh <veltro-lander> <close_window>    (VELTRO_E2E_KEEP=1 keeps the logs)
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../support/private_xvfb.sh"

program=${1:?usage: desktop_quit.sh <veltro-lander> <close_window>}
close_window=${2:?usage: desktop_quit.sh <veltro-lander> <close_window>}
work=$(mktemp -d -t veltro-quit.XXXXXX)
xvfb_pid=""
game_pid=""
bus_pid=""
limit_ms=3000  # a functional bound, not a measurement: an ignored request takes tens of seconds

cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$bus_pid" ] && kill -CONT "$bus_pid" 2>/dev/null && kill "$bus_pid" 2>/dev/null
  wait 2>/dev/null
  if [ -n "${VELTRO_E2E_KEEP:-}" ]; then echo "logs kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for log in "$work"/speech.log "$work"/stderr.log; do
    [ -f "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
  done
  exit 1
}

wait_for() {
  local pattern=$1 seconds=${2:-20}
  local deadline=$((SECONDS + seconds))
  while [ $SECONDS -le $deadline ]; do
    grep -Eq -- "$pattern" "$work/speech.log" "$work/sound.log" 2>/dev/null && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the program ended while waiting for \"$pattern\""
    sleep 0.05
  done
  fail "waited ${seconds}s for \"$pattern\""
}

start_private_xvfb || fail "no private X server"
export ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy
export SPEECHD_ADDRESS="unix_socket:$work/no-speech-dispatcher.sock" SPEECHD_CMD=/bin/false
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
mkfifo "$work/pipe" "$work/alsoft.conf"
truncate -s 1G "$work/huge.conf"
# A session bus of the test's own, which stops answering once the game has started, and a viewer
# for web pages registered as a desktop registers one, so that opening the help page goes as far
# as the bus.
dbus-daemon --session --address="unix:path=$work/bus" --nofork --nopidfile 2>/dev/null &
bus_pid=$!
for _ in $(seq 100); do [ -S "$work/bus" ] && break; sleep 0.05; done
[ -S "$work/bus" ] || fail "the session bus did not start"
mkdir -p "$work/data/applications" "$work/config"
printf '[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %%u\nMimeType=text/html;\n' \
  >"$work/data/applications/veltro-test-viewer.desktop"
printf '[Default Applications]\ntext/html=veltro-test-viewer.desktop\n' >"$work/config/mimeapps.list"

# Starts the program and brings it to a state.
reach() {
  local state=$1 arguments=3
  [ "$state" = box ] && arguments=""  # the screen reader is unreachable: a box says so
  rm -f "$work"/*.log
  local settings=()
  case $state in
    pipe-conf) settings=(ALSOFT_CONF="$work/pipe") ;;
    huge-conf) settings=(ALSOFT_CONF="$work/huge.conf") ;;
    blocked) settings=(XDG_CONFIG_HOME="$work") ;;
    help)
      settings=(DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" XDG_DATA_HOME="$work/data"
        XDG_CONFIG_HOME="$work/config")
      ;;
  esac
  # Every process the program starts inherits the mark, so any left over can be found.
  env "${settings[@]}" VELTRO_QUIT_TEST_MARK="$work" "$program" $arguments --speech-log "$work/speech.log" \
    --sound-log "$work/sound.log" 2>"$work/stderr.log" &
  game_pid=$!
  case $state in
    intro) wait_for 'PlaySound\("intro\.wav"' ;;
    box) wait_for '\[message box' ;;
    menu) wait_for ' Moon$' ;;
    pipe-conf | huge-conf)
      wait_for ' Moon$'
      grep -q 'is not used' "$work/stderr.log" || fail "$state: the settings file was used"
      ;;
    help)
      wait_for ' Moon$'
      kill -STOP "$bus_pid"
      xdotool key F1
      wait_for ' No program opens the help page here\.' 10
      xdotool key Down
      wait_for ' Earth$' 5
      ;;
    blocked)
      sleep 1
      kill -TERM "$game_pid"
      sleep 0.5
      kill -0 "$game_pid" 2>/dev/null || fail "blocked: the program was not held up"
      ;;
    flight | after)
      wait_for ' Moon$'
      xdotool key Return
      wait_for ' Easy$'
      xdotool key Return
      wait_for ' Repeat$'
      xdotool key Down Return
      wait_for ' Press and hold spacebar to fire thrusters$'
      if [ "$state" = after ]; then
        xdotool key Escape
        wait_for ' Press Escape to exit, N to select a new planet, or  any other key to try again\.$'
      fi
      ;;
  esac
}

window_id() { xwininfo -root -tree | awk '/"Veltro Lander"/ {print $1; exit}'; }

request() {
  case $1 in
    close) "$close_window" "Veltro Lander" || fail "no window to close" ;;
    destroy) xdotool windowclose "$(window_id)" ;;
    disconnect) xkill -id "$(window_id)" >/dev/null ;;
    *) kill -"$1" "$game_pid" ;;
  esac
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# state request expected-status
runs=(
  "intro close 0" "intro TERM 143" "intro INT 130" "intro HUP 129"
  "box close 0" "box TERM 143" "box INT 130" "box HUP 129"
  "menu close 0" "menu TERM 143" "menu INT 130" "menu HUP 129"
  "flight close 0" "flight TERM 143" "flight INT 130" "flight HUP 129"
  "after close 0" "after TERM 143" "after INT 130" "after HUP 129"
  "menu destroy 1" "flight disconnect 1" "pipe-conf TERM 143" "huge-conf TERM 143"
  "blocked TERM 143"
  "help TERM 143"
)
printf '%-7s %-11s %6s %8s\n' state request status ms
for run in "${runs[@]}"; do
  read -r state how expected <<<"$run"
  reach "$state"
  start=$(now_ms)
  request "$how"
  while kill -0 "$game_pid" 2>/dev/null && [ $(($(now_ms) - start)) -le $limit_ms ]; do
    sleep 0.01
  done
  kill -0 "$game_pid" 2>/dev/null && fail "$state/$how: still running after ${limit_ms} ms"
  wait "$game_pid"
  status=$?
  took=$(($(now_ms) - start))
  game_pid=""
  printf '%-7s %-11s %6s %8s\n' "$state" "$how" "$status" "$took"
  [ "$status" -eq "$expected" ] || fail "$state/$how: status $status, expected $expected"
  [ "$state" = blocked ] && [ "$took" -gt 1000 ] && fail "blocked: the second SIGTERM took $took ms"
  left=$(grep -lsz "VELTRO_QUIT_TEST_MARK=$work" /proc/[0-9]*/environ | cut -d/ -f3 | tr '\n' ' ')
  [ -z "$left" ] || fail "$state/$how: processes left behind: $left"
  # The end is clean: no handler failed, and an interrupted introduction never reached the menu.
  grep -q 'the game goes on' "$work/stderr.log" && fail "$state/$how: a handler failed"
  if [ "$state" = intro ] && grep -q 'Where would you like to land' "$work/speech.log"; then
    fail "intro/$how: the program waited for the introduction to end"
  fi
done
echo "PASS"
