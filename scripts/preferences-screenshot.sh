#!/usr/bin/env bash
# Makes the README's picture of the Preferences dialog from the real dialog
# (preferences-picture, built with the tests), at its Watermark page: on a real X server
# under Xvfb when xvfb-run is there, on Qt's offscreen platform otherwise. Run after a build
# (BUILD=build by default); SCALE=2 takes it at a scale factor of 2 (preferences-scale2.png).
set -euo pipefail
# shellcheck source=scripts/screenshot-prologue.sh
source "$(dirname "$0")/screenshot-prologue.sh"
# A fresh settings folder: the picture shows the defaults, not this user's.
export XDG_CONFIG_HOME=$work/config
watermark_page=7

mkdir -p "$images"
run_on_display "$bin/preferences-picture" "$images/preferences$suffix.png" $watermark_page
ls -l "$images/preferences$suffix.png"
