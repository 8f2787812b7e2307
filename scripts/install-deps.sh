#!/usr/bin/env bash
# Installs the Debian 12 packages velmoracmd needs to build, test and benchmark.
# Safe to run again: it does nothing when every package is already present.
set -euo pipefail

packages=(
    # toolchain
    build-essential cmake pkg-config
    # decoding, encoding and pixel work (FreeImage on LibRaw); libtiff to read results back in tests
    libfreeimage-dev libtiff-dev
    # camera RAW decoding with LibRaw itself (the library FreeImage's RAW loader uses)
    libraw-dev
    # the source's EXIF, XMP and IPTC written into the TIFF (FreeImage writes none there)
    libexiv2-dev
    # the ICC profile of every output and the RGB to CMYK separation
    liblcms2-dev
    # drawing of frames and watermarks, fonts, watermark pictures and the PNG hand-over
    libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-liberation2 fonts-dejavu-core
    libpng-dev libjpeg-dev
    # the graphical face (Qt 6 Widgets, offscreen tests, Xvfb for a real window) and its
    # theme archives (ZIP)
    qt6-base-dev qt6-qpa-plugins libarchive-dev xvfb xauth
    # fuzzing harnesses: libFuzzer and the sanitizers' runtime come with clang only
    clang libclang-rt-14-dev
    # the HTML manual (pictures inside) and the man page, both from docs/manual.md
    pandoc
    # the Debian package: dpkg-shlibdeps and the changelog's version, the camera RAW types
    # of the shared MIME database for the desktop entry; the package test's checkers and
    # the shells whose completions it runs
    dpkg-dev shared-mime-info file man-db lintian desktop-file-utils appstream xdg-utils fish
    # unit tests and micro-benchmarks
    googletest libgtest-dev libbenchmark-dev
    # an independent reader of the metadata in sources and written files, for the tests
    libimage-exiftool-perl
    # lcms2's own tools (tificc) to check the embedded profiles by hand and in the benchmark
    liblcms2-utils
    # benchmarks: LibRaw's own command-line tools as the peer; strace times the flushes to the
    # disk; libtiff's tiffcp compresses the peer's TIFFs, tiffdump reads strip sizes
    libraw-bin strace libtiff-tools
    # the peer script of the preview benchmark (simple_dcraw -e, then convert to TIFF)
    imagemagick
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
