#!/usr/bin/env bash
# Makes the README's picture of the converter window with the program's own screenshot mode
# ("velmoracmd -T FOLDER"): on a real X server under Xvfb when xvfb-run is there, on Qt's
# offscreen platform otherwise. Run after a build (BUILD=build by default).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD:-$here/build}/bin
images=$here/docs/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A fresh runtime and settings folder: the picture shows the defaults, not this user's.
export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config

if command -v xvfb-run >/dev/null; then
    env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" "$bin/velmoracmd" -T "$work"
else
    QT_QPA_PLATFORM=offscreen "$bin/velmoracmd" -T "$work"
fi
mkdir -p "$images"
cp "$work/velmora1.jpg" "$images/window.jpg"
ls -l "$images/window.jpg"
