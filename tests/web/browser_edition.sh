#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the browser edition and plays it in headless Chromium (web_edition_test.js).
# usage: browser_edition.sh SOUNDS_DIR WEB_BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sounds=${1:?usage: browser_edition.sh SOUNDS_DIR WEB_BUILD_DIR}
out=${2:?usage: browser_edition.sh SOUNDS_DIR WEB_BUILD_DIR}
start=$SECONDS
"$here/../../scripts/build-web" "$sounds" "$out" >"$out.build.log" 2>&1 || {
  tail -n 40 "$out.build.log"
  echo "FAIL: the browser edition did not build"
  exit 1
}
echo "web build: $((SECONDS - start)) s"
node "$here/web_edition_test.js" "$out/site"
