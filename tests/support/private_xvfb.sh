# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the shell tests that need a display of their own.
#
# start_private_xvfb [Xvfb option...] starts an X server (640x480, no TCP) on a display number
# it picks itself (-displayfd), sets xvfb_pid for the caller's cleanup to stop it by, and exports
# DISPLAY. It fails when the server does not start or report its display within 10 seconds.
# Extra options go to Xvfb, for example -noreset to keep settings when the last client leaves.
# shellcheck disable=SC2034,SC2120 # xvfb_pid is the caller's; options are optional
start_private_xvfb() {
  local display
  exec 3< <(Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp "$@" 2>/dev/null & echo "pid $!")
  read -r -t 10 _ xvfb_pid <&3 || { echo "Xvfb did not start" >&2; return 1; }
  read -r -t 10 display <&3 || { echo "Xvfb did not report its display" >&2; return 1; }
  export DISPLAY=":$display"
}
