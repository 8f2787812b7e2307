#!/usr/bin/env bash
# Makes the README's picture of the converter window with the program's own screenshot mode
# ("velmoracmd -T FOLDER"): on a real X server under Xvfb when xvfb-run is there, on Qt's
# offscreen platform otherwise. Run after a build (BUILD=build by default); SCALE=2 takes it at
# a scale factor of 2 (window-scale2.jpg).
set -euo pipefail
# shellcheck source=scripts/screenshot-prologue.sh
source "$(dirname "$0")/screenshot-prologue.sh"
# A fresh settings folder: the picture shows the defaults, not this user's.
export XDG_CONFIG_HOME=$work/config

run_on_display "$bin/velmoracmd" -T "$work"
mkdir -p "$images"
cp "$work/velmora1.jpg" "$images/window$suffix.jpg"
ls -l "$images/window$suffix.jpg"
