#!/usr/bin/env bash
# Makes the README's pictures from the tool's real output: the project's own sample DNG
# converted plain, with a frame, with a text watermark and with a picture watermark,
# each reduced to a small PNG in docs/images/. Run after a build (BUILD=build by default).
set -euo pipefail
# shellcheck source=scripts/screenshot-prologue.sh
source "$(dirname "$0")/screenshot-prologue.sh"

"$bin/make-sample-dng" --width=960 --height=640 "$work/sample.dng"
"$bin/picture-tool" logo "$work/logo.png"

convert() {
    local name=$1
    shift
    "$bin/velmoracmd" -q -i "$work/sample.dng" -o "$work" --raw-load-as=24 \
        --filename-mask="$name.%ext%" "$@"
    "$bin/picture-tool" thumbnail "$work/$name.tiff" "$images/$name.png" 320
}

mkdir -p "$images"
convert plain
convert frame --fr-solid-left=24 --fr-solid-right=24 --fr-solid-top=24 --fr-solid-bottom=24 \
    --fr-solid-left-color=7A4B2A --fr-solid-right-color=5C3820 --fr-solid-top-color=8E5A34 \
    --fr-solid-bottom-color=4A2D19
convert text-watermark --wm-text="Velmora%eol%%yyyy%" --wm-font="DejaVu Sans" \
    --wm-font-size=28 --wm-font-style=bold --wm-font-color=FFFFFF --wm-back-color=000000 \
    --wm-back-opacity=110 --wm-text-padding=8 --wm-text-alignment=right --wm-text-antialiasing
convert picture-watermark --wm-image="$work/logo.png" --wm-image-position=topright \
    --wm-image-x-offset=16 --wm-image-y-offset=16
ls -l "$images"
