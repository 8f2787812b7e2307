#!/usr/bin/env bash
# Makes the README's picture of the Preferences dialog from the real dialog
# (preferences-picture, built with the tests), at its Watermark page: on a real X server
# under Xvfb when xvfb-run is there, on Qt's offscreen platform otherwise. Run after a build
# (BUILD=build by default).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD:-$here/build}/bin
images=$here/docs/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh runtime and settings folder: the picture shows the defaults, not this user's.
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config
watermark_page=7

mkdir -p "$images"
if command -v xvfb-run >/dev/null; then
    env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" \
        "$bin/preferences-picture" "$images/preferences.png" $watermark_page
else
    QT_QPA_PLATFORM=offscreen "$bin/preferences-picture" "$images/preferences.png" $watermark_page
fi
ls -l "$images/preferences.png"
