#!/usr/bin/env bash
# Makes the Debian package of the finished build in a temporary folder, unpacks it with
# dpkg-deb -x and uses it as an installed program: its file list, its version, a framed
# conversion (libraries from usr/lib/velmoracmd), the man page and, with the window built,
# the face; then desktop-file-validate, appstreamcli, lintian and the file manager's
# association where those are installed.
#   package_test.sh CPACK BUILD_DIR MAKE_SAMPLE_DNG GUI
set -euo pipefail
cpack=$1 build=$2 sample_writer=$3 gui=$4
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
installed() {
    command -v "$1" >/dev/null && return 0
    echo "SKIP: $1 is not installed"
    return 1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
deb=$(echo "$work"/out/*.deb)
version=$(dpkg-deb -f "$deb" Version)
[ "${deb##*/}" = "$(dpkg-deb -f "$deb" Package)_${version}_$(dpkg-deb -f "$deb" Architecture).deb" ] ||
    fail "the package is named ${deb##*/}"
root=$work/root
dpkg-deb -x "$deb" "$root"

app=com.corvanta.velmoracmd
expected=(usr/bin/velmoracmd usr/lib/velmoracmd/libvelmora-{drawing,metadata}.so
    usr/share/doc/velmoracmd/{copyright,changelog.Debian.gz,velmora-manual.html}
    usr/share/man/man1/velmoracmd.1.gz usr/share/bash-completion/completions/velmoracmd
    usr/share/zsh/vendor-completions/_velmoracmd usr/share/fish/vendor_completions.d/velmoracmd.fish)
sizes=(16 32 48 64 128 256)
if [ "$gui" = ON ]; then
    expected+=(usr/lib/velmoracmd/libvelmora-face.so usr/share/velmoracmd/gfx/{flat,handdrawn}.zip
        usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml
        usr/share/icons/hicolor/scalable/apps/$app.svg)
    for size in "${sizes[@]}"; do
        icon=usr/share/icons/hicolor/${size}x$size/apps/$app.png
        expected+=("$icon")
        [[ $(file -b "$root/$icon") == "PNG image data, $size x $size,"* ]] || fail "$icon: $(file -b "$root/$icon")"
    done
fi
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) ||
    fail "the package's files differ from the expected ones (<) in those shown (>)"

program=$root/usr/bin/velmoracmd
[ "$("$program" -v)" = "${version%-*}" ] || fail "-v prints $("$program" -v), the package is $version"
"$sample_writer" --width=96 --height=64 "$work/sample.dng"
mkdir "$work/tiff"
"$program" -q -i "$work/sample.dng" -o "$work/tiff" --fr-solid-left=4 || fail "conversion, status $?"
[ "$(head -c 4 "$work/tiff/sample.tiff" | od -An -tx1 | tr -d ' \n')" = 49492a00 ] ||
    fail "no TIFF written"
if installed man; then
    MANWIDTH=100 man -l "$root/usr/share/man/man1/velmoracmd.1.gz" 2>/dev/null | grep -qF -- "--window=FILE" ||
        fail "man -l shows no --window=FILE"
fi

if [ "$gui" = ON ]; then
    message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1 >/dev/null) &&
        fail "no display, yet status 0"
    [[ $message == *"(no display)"* ]] || fail "the face did not load: $message"
    desktop=$root/usr/share/applications/$app.desktop
    if installed desktop-file-validate; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    fi
    if installed appstreamcli; then
        appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml" >/dev/null ||
            fail "appstreamcli validate: $(appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml")"
    fi
    # What a file manager offers for a DNG file, with only this package's entries installed.
    dng_type=$(awk -F: '$3 == "*.dng" { print $2; exit }' /usr/share/mime/globs2 2>/dev/null || true)
    if installed update-desktop-database && installed xdg-mime && [ -n "$dng_type" ]; then
        update-desktop-database "$root/usr/share/applications"
        handler=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_DIRS="$root/usr/share" \
            XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config" \
            xdg-mime query default "$dng_type")
        [ "$handler" = "$app.desktop" ] || fail "$dng_type opens with '$handler'"
    fi
fi

if installed lintian; then
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
    grep -v "root privileges" "$work/lintian.log" || true
fi
