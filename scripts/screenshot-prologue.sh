# shellcheck shell=bash
# Sourced by the scripts that make the README's pictures after a build (BUILD=build by
# default): the project folder, the built programs, the pictures' folder, and a work folder
# that is also the runtime folder and is removed on exit.
# shellcheck disable=SC2034 # bin and images are for the scripts that source this file
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=${BUILD:-$here/build}/bin
images=$here/docs/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work

# Runs a window of the program: on a real X server under Xvfb when xvfb-run is there, on
# Qt's offscreen platform otherwise.
run_on_display() {
    if command -v xvfb-run >/dev/null; then
        env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" "$@"
    else
        QT_QPA_PLATFORM=offscreen "$@"
    fi
}
