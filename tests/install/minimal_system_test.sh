#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The .deb on a minimal Debian system that has nothing but the package's own Depends: installed
# with apt, the installed game started on a private X server (its window must show the menu it
# speaks, read back by OCR) and left with Escape, then the package removed and purged, leaving no
# file and no "rc" state behind.
#
# The minimal system (debootstrap --variant=minbase) is made once and kept outside the build tree,
# in VELTRO_ROOT_CACHE (default ~/.cache/veltro-lander), with the packages apt downloaded for it;
# each run works on a throw-away layer over it, so a rerun takes about a minute. Needs root (for
# debootstrap, chroot and mounts) and the Debian mirror.
# Usage: minimal_system_test.sh BUILD_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/private_xvfb.sh"
build=$1
cache=${VELTRO_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veltro-lander}
base=$cache/bookworm-minbase
archives=$cache/apt-archives
mirror=http://deb.debian.org/debian
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root for debootstrap, chroot and mounts"; exit 77; }

scratch=$(mktemp -d -t veltro-minimal.XXXXXX)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  # Every mount lived in the private namespace of the run below and ended with it; a folder still
  # mounted is left alone rather than deleted through.
  if ! grep -q " $scratch/" /proc/mounts; then rm -rf "$scratch"; fi
}
trap cleanup EXIT

# --- the minimal system, made once (one run at a time: other checkouts share the cache)
mkdir -p "$cache" "$archives/partial"
exec 9> "$cache/lock"
flock -w 900 9 || fail "another run held $cache/lock for 15 minutes"
if [ ! -f "$base/.complete" ]; then
  echo "Making the minimal system in $base (once)"
  rm -rf "$base"
  timeout 900 debootstrap --variant=minbase bookworm "$base" "$mirror" > "$cache/debootstrap.log" 2>&1 ||
    fail "debootstrap failed: $(tail -5 "$cache/debootstrap.log")"
  # The package's Depends are computed against an up-to-date bookworm: its updates and security.
  rm -f "$base/etc/apt/sources.list"
  cat > "$base/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
EOF
  touch "$base/.complete"
fi
# The package lists, fetched again once a day.
if [ ! -f "$base/.updated" ] || [ -n "$(find "$base/.updated" -mmin +1440)" ]; then
  timeout 300 chroot "$base" apt-get -qq update > "$scratch/update.log" 2>&1 ||
    fail "apt-get update in the minimal system failed: $(tail -5 "$scratch/update.log")"
  touch "$base/.updated"
fi

# --- the package, as `make package` builds it
cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" > "$scratch/cpack.log" 2>&1 ||
  fail "$(cat "$scratch/cpack.log")"
deb=$(ls "$scratch"/package/*.deb)

# --- a private X server on a free display number
start_private_xvfb || fail "no private X server"

# --- everything in the throw-away system, in a mount namespace of its own: its mounts end with it
mkdir -p "$scratch/upper" "$scratch/work" "$scratch/root"
export base archives scratch deb
timeout 600 unshare --mount --propagation private --fork bash -euo pipefail <<'IN_ROOT'
root=$scratch/root
fail() { echo "FAIL: $*" >&2; exit 1; }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin:/usr/games HOME=/root "$@"; }
mount -t overlay overlay -o "lowerdir=$base,upperdir=$scratch/upper,workdir=$scratch/work" "$root" ||
  cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
mount --bind "$archives" "$root/var/cache/apt/archives"
cp "$deb" "$root/tmp/veltro-lander.deb"

# Only what the package depends on: no recommended packages, so no speech-dispatcher.
in_root env DEBIAN_FRONTEND=noninteractive timeout 400 apt-get install -y -qq \
  --no-install-recommends /tmp/veltro-lander.deb > "$scratch/install.log" 2>&1 ||
  fail "apt-get install failed: $(tail -20 "$scratch/install.log")"
in_root dpkg -s speech-dispatcher > /dev/null 2>&1 && fail "speech-dispatcher came with the Depends"

# The installed game, from the desktop's point of view: its own voice (no screen reader here), no
# sound card. It shows what it says in its window.
in_root env DISPLAY="$DISPLAY" ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy \
  timeout 60 veltro-lander 3 --speech-log /tmp/speech.log 2> "$scratch/game.err" &
game=$!
for _ in $(seq 150); do
  grep -q ' Moon$' "$root/tmp/speech.log" 2>/dev/null && break
  kill -0 $game 2>/dev/null || break
  sleep 0.1
done
grep -q ' Moon$' "$root/tmp/speech.log" 2>/dev/null ||
  fail "the game did not reach its menu: $(cat "$scratch/game.err" "$root/tmp/speech.log" 2>&1)"
sleep 0.5  # the window repaints on its next tick
text=$(xwd -root -silent | xwdtopnm 2>/dev/null | tesseract stdin stdout 2>/dev/null)
grep -q "land" <<< "$text" || fail "the window does not show the menu; OCR read: $text"
# Escape in the first menu ends the game at once.
xdotool key Escape
status=0
wait $game || status=$?
[ $status -eq 0 ] || fail "the game ended with status $status: $(cat "$scratch/game.err")"

# Removed, the package leaves nothing: no file, no folder of its own, no "rc" state to purge.
files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -E 'veltro|VeltroLander')
in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq veltro-lander > /dev/null 2>&1 ||
  fail "apt-get remove failed"
state=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' veltro-lander 2>/dev/null || true)
[ -z "${state// /}" ] || [ "${state:0:2}" = "un" ] || fail "after remove the package is in state \"$state\""
in_root dpkg --purge veltro-lander > /dev/null 2>&1 || fail "dpkg --purge failed"
for file in $files; do
  [ ! -e "$root$file" ] || fail "$file is left after remove and purge"
done
echo "installed with its Depends alone, drew its menu, left with Escape, removed without a trace"
IN_ROOT
