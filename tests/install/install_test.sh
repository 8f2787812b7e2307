#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed program as a user would:
# the help, a plain conversion, a framed one (which opens libvelmora-drawing.so from
# lib/velmoracmd/) and, with the window built, the face (opened from lib/velmoracmd/, where it
# must find the drawing library too).
#   install_test.sh CMAKE BUILD_DIR MAKE_SAMPLE_DNG GUI
set -euo pipefail
cmake=$1 build=$2 sample_writer=$3 gui=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export XDG_RUNTIME_DIR=$work

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
is_tiff() {
    local magic
    magic=$(head -c 4 "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n')
    [ "$magic" = 49492a00 ] || [ "$magic" = 4d4d002a ] || fail "$1 is not a TIFF"
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for file in bin/velmoracmd lib/velmoracmd/libvelmora-drawing.so \
    share/doc/velmoracmd/velmora-manual.html share/man/man1/velmoracmd.1.gz; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
program=$prefix/bin/velmoracmd

"$program" -h | grep -q "^Usage: velmoracmd -i" || fail "-h prints no usage"

"$sample_writer" --width=96 --height=64 "$work/sample.dng"
mkdir "$work/out"
"$program" -q -i "$work/sample.dng" -o "$work/out" || fail "plain conversion, status $?"
is_tiff "$work/out/sample.tiff"
"$program" -q -i "$work/sample.dng" -o "$work/out" --filename-mask=framed.%ext% \
    --fr-solid-left=4 --fr-solid-top=4 || fail "framed conversion, status $?"
is_tiff "$work/out/framed.tiff"

if [ "$gui" = ON ]; then
    for file in lib/velmoracmd/libvelmora-face.so share/velmoracmd/gfx/handdrawn.zip \
        share/velmoracmd/gfx/flat.zip; do
        [ -f "$prefix/$file" ] || fail "$file is not installed"
    done
    # A face that loads says it has no display; one that does not load says why.
    message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1 >/dev/null) &&
        fail "no display, yet status 0"
    [[ $message == *"(no display)"* ]] || fail "the face did not load: $message"
fi
