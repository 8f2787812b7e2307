# shellcheck shell=bash
# Sourced by the scripts that make the README's pictures after a build (BUILD=build by
# default): the project folder, the built programs, the pictures' folder, and a work folder
# that is also the runtime folder and is removed on exit.
# shellcheck disable=SC2034 # bin, images and suffix are for the scripts that source this file
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=${BUILD:-$here/build}/bin
images=$here/docs/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work

# SCALE=2 takes the pictures at a scale factor of 2 on a 1920 x 1080 screen, into files
# named with "-scale2"; without it, at 1 on 1024 x 768.
scale=${SCALE:-1}
if [ "$scale" = 1 ]; then
    screen=1024x768
    suffix=
else
    screen=1920x1080
    suffix=-scale$scale
fi

# Runs a window of the program: on a real X server under Xvfb when xvfb-run is there, on
# Qt's offscreen platform otherwise.
run_on_display() {
    if command -v xvfb-run >/dev/null; then
        env -u QT_QPA_PLATFORM QT_SCALE_FACTOR="$scale" \
            xvfb-run -a -s "-screen 0 ${screen}x24" "$@"
    else
        QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$scale" "$@"
    fi
}
