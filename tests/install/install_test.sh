#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built game into a scratch DESTDIR as `make install` does, plays the installed
# program headless from there, validates what the desktop reads (launcher, metainfo, man page),
# builds the .deb and checks it with lintian, and uninstalls as `make uninstall` does.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root prefix=/usr/local
id=net.veltrolander.VeltroLander
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix $prefix > /dev/null
installed=(games/veltro-lander lib/games/veltro-lander/veltro-lander-desktop.so
  share/veltro-lander/help.html share/veltro-lander/intro.wav
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg share/man/man6/veltro-lander.6.gz
  share/doc/veltro-lander/copyright share/doc/veltro-lander/changelog.gz)
for file in "${installed[@]}"; do [ -f "$root$prefix/$file" ] || fail "$file not installed"; done
[ "$(ls "$root$prefix/share/veltro-lander"/*.wav | wc -l)" -eq 12 ] || fail "not 12 sounds"

# The installed program finds its sounds (the introduction plays) and its help page (F1), away
# from the build tree and from any sounds.ini.
cd "$scratch"
"$root$prefix/games/veltro-lander" --headless --keys "$source/tests/program/scripts/key_help.keys" \
  --speech-log speech.log --sound-log sound.log || fail "headless run ended with status $?"
grep -q 'PlaySound("intro.wav".* -> [1-9]' sound.log || fail "no introduction: $(head -3 sound.log)"
grep -q '\[help opened\]' speech.log || fail "no help page: $(grep help speech.log)"
# The installed program finds its desktop part (loaded only for the desktop and --audio-info).
ALSOFT_DRIVERS=null "$root$prefix/games/veltro-lander" --audio-info > audio.info ||
  fail "no desktop part: $(cat audio.info)"
grep -q '^settings: .*/share/veltro-lander/openal-soft.conf' audio.info || fail "$(cat audio.info)"

desktop-file-validate "$root$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --strict "$root$prefix/share/metainfo/$id.metainfo.xml" > /dev/null
page=$(MANWIDTH=80 man --warnings -l "$root$prefix/share/man/man6/veltro-lander.6.gz" 2> man.err)
[ ! -s man.err ] || fail "man page warnings: $(cat man.err)"
grep -q -- '--speech-log=FILE' <<< "$page" || fail "man page did not render"

# The package holds the same files under /usr and depends on the libraries the program links.
cpack --config "$build/CPackConfig.cmake" -B "$scratch/package" > cpack.log || fail "$(cat cpack.log)"
deb=$(ls "$scratch"/package/*.deb)
contents=$(dpkg-deb -c "$deb")
for file in "${installed[@]}"; do
  grep -q " \./usr/${file}$" <<< "$contents" || fail "$file not in the package"
done
# Debian's own checks of the package, pedantic ones too: no error and no warning may remain.
lint=$(timeout 120 lintian -I --pedantic "$deb" 2>&1 | grep -v '^running with root privileges') ||
  true
! grep -E '^[EW]: ' <<< "$lint" || fail "lintian: $lint"
grep -qE '^[EWIPNX]: |^$' <<< "${lint:-}" || fail "lintian did not run: $lint"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl2 libopenal1 libsndfile1 libspeechd2 libespeak-ng1; do
  grep -q "$library" <<< "$depends" || fail "$library missing from Depends: $depends"
done

# The uninstall removes every file and every folder the install created.
DESTDIR=$root cmake -DPREFIX=$prefix -P "$build/uninstall.cmake" > /dev/null
left=$(find "$root$prefix" -mindepth 1)
[ -z "$left" ] || fail "left after uninstall: $left"
echo "installed, played, validated, packaged and uninstalled"
