#!/usr/bin/env bash
# Behaviour snapshot of velmoracmd
# ================================
#
# Records what a velmoracmd binary observably does, so that two binaries (say, one built
# before a refactor and one after) can be compared case by case:
#
#   tools/behaviour/snapshot.sh BINARY OUTDIR     # record, e.g. build/bin/velmoracmd
#   tools/behaviour/compare.sh  DIR_A DIR_B       # report, exit 0 when they behave alike
#
# A snapshot runs about 410 cases one after another (4 to 6 minutes on two busy cores):
#   sweep-*   every file of the shared samples folder and its bad/ folder, in every
#             --raw-load-as mode (auto 24 48 48hs 8 16), plain TIFF output, and once
#             with -d in auto mode;
#   chains    rotation, resizing, tone mapping, flips, colour adjustment, greyscale,
#             threshold, dithering, frame, text and picture watermarks, bit depths,
#             compressions, colour modes, file-name masks, file dates, profiles, on a
#             small DNG made by make-sample-dng and on the smallest real sample;
#   debug-*   -d listings for a spread of option sets;
#   err-*     refused values and bad command lines;
#   misc      --help, --version, the window without a display, the single-instance lock.
#
# Each case is a folder OUTDIR/cases/NNN-name holding
#   cmd     the command line (scratch, samples and program folders shown as @SCRATCH@,
#           @SAMPLES@ and @BINDIR@, so two snapshots made in different places agree)
#   stdout, stderr, status
#   files   one line per file the run wrote or changed below its work folder:
#           path  size  mode  raw-sha256  normalised-sha256  mtime-class  mtime
#
# The program runs in a scratch folder with a clean environment (env -i): fresh HOME,
# XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_RUNTIME_DIR (so the single-instance lock is private
# to the snapshot) and TMPDIR; LC_ALL=C, TZ=UTC, umask 022; VELMORA_PARALLEL, VELMORA_THREADS
# and any display variables unset. Inputs the snapshot makes get a fixed modification time.
#
# What is normalised, because it changes from run to run of the same binary:
#   * the TIFF DateTime (tag 306) when it holds the time of the run;
#   * in the XMP packet: date-times of the run (xmp:ModifyDate, MetadataDate, the new
#     history step's stEvt:when) and newly made IDs (xmpMM:DocumentID, InstanceID, the new
#     step's instanceID): uuid-like or 32-hex-digit tokens that do not occur in the input;
#   * file modification times inside the run's window are recorded as "now";
#   * the values of %rnd% and of the date/time placeholders in file names (only in the
#     cases that use them);
#   * the pixel data of three damaged samples the decoder fills from memory it never wrote
#     (stub_nikon_d70, stub_panasonic_lx3, stub_canon_eos350d_converted, decoding modes
#     only): their strips are zeroed before the normalised hash, so size, structure and
#     metadata are still compared.
# Normalisation overwrites bytes in place with placeholders of the same length (see
# hashfiles.py); the raw hash is kept as well. compare.sh tolerates a raw-hash difference
# only when the normalised hash is the same.
#
# Environment knobs:
#   VELMORA_SAMPLES=DIR      samples folder (default ../shared/samples beside the checkout)
#   MAKE_SAMPLE_DNG=FILE     the DNG maker (default build/bin/make-sample-dng of the checkout);
#                            use the same one for both snapshots: the inputs are hashed into
#                            OUTDIR/inputs.sha256 and compare.sh checks that they agree
#   SNAPSHOT_FONTS=0         skip the cases that draw text with a system font (the
#                            repository holds no font file; DejaVu Sans and Liberation Sans
#                            are used as installed, and their hashes go into OUTDIR/meta)
#   SNAPSHOT_ONLY=REGEX      run only the cases whose id matches (for debugging the script)
#   SNAPSHOT_KEEP=1          keep the scratch folder
set -uo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 BINARY OUTDIR" >&2
    exit 64
fi
BIN=$(readlink -f -- "$1") || { echo "no binary: $1" >&2; exit 64; }
[[ -x $BIN ]] || { echo "not an executable: $1" >&2; exit 64; }
OUTDIR=$2
HERE=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
HASHER=$HERE/hashfiles.py
CHECKOUT=$(cd -- "$HERE/../.." && pwd)
SAMPLES=$(readlink -f -- "${VELMORA_SAMPLES:-$CHECKOUT/../shared/samples}")
MAKE_DNG=${MAKE_SAMPLE_DNG:-$CHECKOUT/build/bin/make-sample-dng}
FONTS=${SNAPSHOT_FONTS:-1}
ONLY=${SNAPSHOT_ONLY:-}
BINDIR=$(dirname -- "$BIN")

for tool in python3 perl timeout mkfifo sha256sum; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 69; }
done
[[ -x $MAKE_DNG ]] || { echo "missing make-sample-dng: $MAKE_DNG" >&2; exit 69; }
[[ -d $SAMPLES ]] || { echo "missing samples folder: $SAMPLES" >&2; exit 69; }

if [[ -e $OUTDIR ]]; then
    if [[ -f $OUTDIR/.behaviour-snapshot ]]; then
        rm -rf -- "$OUTDIR/cases" "$OUTDIR/meta" "$OUTDIR/inputs.sha256"
    elif [[ -n $(ls -A -- "$OUTDIR") ]]; then
        echo "$OUTDIR exists and is not an earlier snapshot; refusing to write into it" >&2
        exit 73
    fi
fi
mkdir -p -- "$OUTDIR/cases" || exit 73
OUTDIR=$(readlink -f -- "$OUTDIR")
touch "$OUTDIR/.behaviour-snapshot"

SCR=$(mktemp -d "${TMPDIR:-/tmp}/velmora-snapshot.XXXXXX")
cleanup() {
    [[ -n ${LOCK_PID:-} ]] && kill "$LOCK_PID" 2>/dev/null
    [[ ${SNAPSHOT_KEEP:-0} == 1 ]] || rm -rf -- "$SCR"
}
trap cleanup EXIT
mkdir -p "$SCR"/{home,config,cache,data,tmp,in,w}
mkdir -m 700 "$SCR/runtime"
IN=$SCR/in
umask 022

RUNENV=(env -i "PATH=/usr/local/bin:/usr/bin:/bin" "HOME=$SCR/home" "XDG_CONFIG_HOME=$SCR/config"
        "XDG_CACHE_HOME=$SCR/cache" "XDG_DATA_HOME=$SCR/data" "XDG_RUNTIME_DIR=$SCR/runtime"
        "TMPDIR=$SCR/tmp" "LC_ALL=C" "TZ=UTC")

# ---------------------------------------------------------------------------------------
# Inputs, all made here, with a fixed modification time
# ---------------------------------------------------------------------------------------
FIXED_TIME=@1600000000
"$MAKE_DNG" --width=128 --height=96 --seed=7 "$IN/small.dng" >/dev/null || exit 70
"$MAKE_DNG" --width=64 --height=48 --seed=3 --no-preview "$IN/nopreview.dng" >/dev/null || exit 70
cp -- "$SAMPLES/kodak_dc50.kdc" "$IN/kodak_dc50.kdc"
cp -- "$IN/small.dng" "$IN/noextension"
cp -- "$IN/small.dng" "$IN/Mixed.Case.Name.DNG"
cp -- "$IN/small.dng" "$IN/back\\slash.dng"
cp -- "$IN/small.dng" "$IN/with space.dng"
: > "$IN/empty.nef"
printf 'small.dng\n' > "$IN/list.txt"
printf 'small.dng\n' > "$IN/list.lst"
printf 'not a picture at all\n' > "$IN/text.nef"
mkdir "$IN/folder.dng"
printf 'not a picture\n' > "$IN/notapicture.png"
python3 - "$IN" <<'EOF' || exit 70
import struct, sys, zlib
d = sys.argv[1]
def png(path, w, h, pixel):
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    def chunk(t, b):
        return struct.pack(">I", len(b)) + t + b + struct.pack(">I", zlib.crc32(t + b) & 0xffffffff)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
# 40 x 24 RGBA: colour gradient, a transparent border and a half-transparent band
png(d + "/mark.png", 40, 24, lambda x, y: (x * 6, 255 - y * 10, (x * y) % 256,
    0 if x < 2 or y < 2 or x > 37 or y > 21 else (128 if 10 <= y <= 13 else 255)))
# Bare 16-bit pixels, 64 x 48, for --raw-width/--raw-height
with open(d + "/bare.raw", "wb") as f:
    f.write(b"".join(struct.pack("<H", (x * 1024 + y * 700) & 0xffff) for y in range(48) for x in range(64)))
with open(d + "/bare.bin", "wb") as f:
    f.write(b"".join(struct.pack("<H", (x * 900 + y * 1300) & 0xffff) for y in range(48) for x in range(64)))
# 8-bit grey bare pixels with a 16-byte header
with open(d + "/header.raw", "wb") as f:
    f.write(b"HEADER-16-BYTES!" + bytes((x * 5 + y * 3) % 256 for y in range(40) for x in range(40)))
EOF
cat > "$IN/studio.ini" <<'EOF'
; a profile with most kinds of values
[CLI]
--raw-load-as = 24
--tiff-compression = lzw
--width = 100
--height = 100
--keep-aspect-ratio
--fr-solid-bottom = 6
--wm-solid-opacity = 200
--brightness = 10
--filename-mask = "%filename%-print.%ext%"
[Other]
--invert
EOF
printf '\xef\xbb\xbf[cli]\r\n--INVERT = 0\r\n--Tiff-Bpp=8\r\n;--flip-vertical\r\n\r\n--fr-solid-opacity = 10\r\n--input = elsewhere.dng\r\n' > "$IN/bom.ini"
printf '[NOTCLI]\n--invert\n' > "$IN/nocli.ini"
printf '[CLI]\n--filename-mask = caf\xe9-%%filename%%.%%ext%%\n' > "$IN/latin1.ini"
cp "$SAMPLES/kodak_dc50.kdc" "$IN/kodak_dc50.kdc"
touch -d "$FIXED_TIME" "$IN"/* "$IN/folder.dng"

D=$IN/small.dng
DN=$IN/nopreview.dng
K=$IN/kodak_dc50.kdc
MARK=$IN/mark.png

# ---------------------------------------------------------------------------------------
# Recording
# ---------------------------------------------------------------------------------------
N=0
CASES_RUN=0
T0=$(date +%s.%N)

# Replaces the places that differ between snapshots by fixed names; $1 = extra perl code.
normpaths() {
    SCR="$SCR" SAMPLES="$SAMPLES" BINDIR="$BINDIR" EXTRA="${1:-}" perl -pe '
        BEGIN { $extra = $ENV{EXTRA}; }
        s/\Q$ENV{SCR}\E/\@SCRATCH\@/g;
        s/\Q$ENV{SAMPLES}\E/\@SAMPLES\@/g;
        s/\Q$ENV{BINDIR}\E/\@BINDIR\@/g;
        eval $extra if length $extra;'
}

# record ID WORKDIR STATUS START END STDOUT STDERR EXTRA_ENV ARG...
record() {
    local id=$1 work=$2 status=$3 start=$4 end=$5 out=$6 err=$7 extra_env=$8
    shift 8
    local dir=$OUTDIR/cases/$id inputs=() a v
    mkdir -p "$dir"
    for a in "$@"; do
        v=${a#*=}
        [[ -f $a ]] && inputs+=("$a")
        [[ $v != "$a" && -f $v ]] && inputs+=("$v")
    done
    {
        [[ -n $extra_env ]] && printf '%s ' "$extra_env"
        printf 'velmoracmd'
        [[ $# -gt 0 ]] && printf ' %q' "$@"
        printf '\n'
    } | normpaths "${CASE_NORM:-}" > "$dir/cmd"
    echo "$status" > "$dir/status"
    normpaths "${CASE_NORM:-}" < "$out" > "$dir/stdout"
    normpaths "${CASE_NORM:-}" < "$err" > "$dir/stderr"
    HASH_BLANK_PIXELS=${CASE_UNSTABLE_PIXELS:-0} python3 "$HASHER" "$work" "$work.before" "$start" "$end" "${inputs[@]}" |
        normpaths "${CASE_NORM:-}" > "$dir/files"
}

# c NAME ARG...   runs one case. @OUT@ and @W@ in arguments are the case's output and work
# folders. Per-case settings, given as temporary variables before the call:
#   CASE_NORM   perl code applied to stdout, stderr, command and file names
#   CASE_SETUP  shell code run in the work folder before the run
#   CASE_ENV    extra VAR=value words for the environment
#   CASE_STDIN  file for standard input (default /dev/null)
#   CASE_UNSTABLE_PIXELS=1  the normalised hash leaves out the pixel data
c() {
    local name=$1
    shift
    N=$((N + 1))
    local id
    id=$(printf '%03d-%s' "$N" "$name")
    if [[ -n $ONLY && ! $id =~ $ONLY ]]; then
        return 0
    fi
    local work=$SCR/w/$id args=() a
    mkdir -p "$work/out"
    if [[ -n ${CASE_SETUP:-} ]]; then
        (cd "$work" && eval "$CASE_SETUP") || echo "setup of $id failed" >&2
    fi
    for a in "$@"; do
        a=${a//@OUT@/$work/out}
        a=${a//@W@/$work}
        args+=("$a")
    done
    if [[ -n ${CASE_SETUP:-} ]]; then
        python3 "$HASHER" --list "$work" > "$work.before"
    else
        : > "$work.before"
    fi
    local extra_env=()
    [[ -n ${CASE_ENV:-} ]] && read -r -a extra_env <<< "$CASE_ENV"
    local start end status
    start=$(date +%s.%N)
    (cd "$work" && exec timeout -k 5 120 "${RUNENV[@]}" "${extra_env[@]}" "$BIN" "${args[@]}" \
        < "${CASE_STDIN:-/dev/null}" > "$SCR/stdout" 2> "$SCR/stderr")
    status=$?
    end=$(date +%s.%N)
    record "$id" "$work" "$status" "$start" "$end" "$SCR/stdout" "$SCR/stderr" "${CASE_ENV:-}" "${args[@]}"
    rm -rf -- "$work" "$work.before"
    CASES_RUN=$((CASES_RUN + 1))
}

# Tokens that differ from run to run in names the cases give.
NORM_RND='s/rnd[0-9]{5}/rnd#####/g;'
NORM_TIME='s/t[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{2}\.[0-9]{2}\.[0-9]{2}/tYYYY-MM-DD_hh.ii.ss/g;'

# ---------------------------------------------------------------------------------------
# Cases
# ---------------------------------------------------------------------------------------

# --- information -------------------------------------------------------------------------
c help-long --help
c help-short -h
c help-question '-?'
c help-upper --HELP
c version-long --version
c version-short -v
c help-not-first -i "$D" -o @OUT@ -q --help
c version-not-first -i "$D" -o @OUT@ -q -v
c no-arguments
c window-no-display "--window=$D"
c window-empty --window
c window-then-input "--window=$D" -i "$D" -o @OUT@ -q
c input-then-window -i "$D" -o @OUT@ "--window=$D"
c capture-no-display -T @OUT@
c uninstall-no-display -U

# --- every sample in every load mode -----------------------------------------------------
sample_files=()
while IFS= read -r f; do sample_files+=("$f"); done < <(
    cd "$SAMPLES" && LC_ALL=C find . -maxdepth 2 -type f ! -name 'README*' | sed 's|^\./||' | LC_ALL=C sort)
# Files the decoder turns into garbage from memory it never wrote (see the samples' README):
# their pixels differ from run to run of the same binary, so for the decoding modes only
# the TIFF's structure and metadata are compared (pixel strips blanked, "pixels-blanked").
UNSTABLE_DECODES='^bad/(stub_nikon_d70\.nef|stub_panasonic_lx3\.rw2|stub_canon_eos350d_converted\.dng)$'
for f in "${sample_files[@]}"; do
    tag=${f//\//-}
    for mode in auto 24 48 48hs 8 16; do
        unstable=0
        [[ $f =~ $UNSTABLE_DECODES && $mode != 8 && $mode != 16 ]] && unstable=1
        CASE_UNSTABLE_PIXELS=$unstable c "sweep-$tag-$mode" -i "$SAMPLES/$f" -o @OUT@ "--raw-load-as=$mode"
    done
    unstable=0
    [[ $f =~ $UNSTABLE_DECODES ]] && unstable=1
    CASE_UNSTABLE_PIXELS=$unstable c "sweep-$tag-debug" -d -i "$SAMPLES/$f" -o @OUT@
done

# --- reading -----------------------------------------------------------------------------
c read-dng-modes-48-none -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none
c read-nopreview-auto -i "$DN" -o @OUT@
c read-nopreview-48hs -i "$DN" -o @OUT@ --raw-load-as=48hs --raw-tone-mapping=linear
c read-bare-raw-square -i "$IN/bare.raw" -o @OUT@
c read-bare-raw-sized -i "$IN/bare.raw" -o @OUT@ --raw-width=64 --raw-height=48
c read-bare-raw-16 -i "$IN/bare.raw" -o @OUT@ --raw-load-as=16 --raw-width=64 --raw-height=48
c read-bare-header-8 -i "$IN/header.raw" -o @OUT@ --raw-load-as=8 --raw-header-size=16 --raw-width=40 --raw-height=40
c read-bare-short-rows -i "$IN/bare.raw" -o @OUT@ --raw-width=64 --raw-height=80
c read-bare-other-ext -i "$IN/bare.bin" -o @OUT@ --raw-width=64 --raw-height=48
c read-text-as-nef -i "$IN/text.nef" -o @OUT@
c read-kodak-48-tone-drr -i "$K" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=drr --tiff-bpp=24
c read-kodak-48hs-gd -i "$K" -o @OUT@ --raw-load-as=48hs --raw-tone-mapping=gd
c read-mixed-case-name -i "$IN/Mixed.Case.Name.DNG" -o @OUT@
c read-space-name -i "$IN/with space.dng" -o @OUT@ -d

# --- rotation ----------------------------------------------------------------------------
c rot-90 -i "$D" -o @OUT@ --rotation=90
c rot-45-simple -i "$D" -o @OUT@ --rotation=45
c rot-30-backcolor -i "$D" -o @OUT@ --rotation=30 --rotation-back-color=FF8000
c rot-30-advanced -i "$D" -o @OUT@ --rotation=30 --rotation-type=advanced
c rot-270-advanced -i "$D" -o @OUT@ --rotation=270 --rotation-type=ADVANCED
c rot-negative -i "$D" -o @OUT@ --rotation=-90
c rot-360 -i "$D" -o @OUT@ --rotation=360
c rot-45-48bit -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --rotation=45
c rot-badcolor -i "$D" -o @OUT@ --rotation=20 '--rotation-back-color=#FF8000'

# --- resizing ----------------------------------------------------------------------------
c resize-default -i "$D" -o @OUT@ --width=50 --height=40
for alg in box bilinear bspline bicubic catmullrom lanczos; do
    c "resize-$alg" -i "$D" -o @OUT@ --width=50 --height=40 "--resize-algorithm=$alg"
done
c resize-percent -i "$D" -o @OUT@ --width=50 --width-unit=percent --height=25 --height-unit=percent
c resize-keep-aspect -i "$D" -o @OUT@ --width=60 --height=60 --keep-aspect-ratio
c resize-keep-aspect-portrait -i "$D" -o @OUT@ --rotation=90 --width=60 --height=30 --keep-aspect-ratio
c resize-large-only -i "$D" -o @OUT@ --width=1000 --height=1000 --resize-type=largeimages
c resize-up -i "$D" -o @OUT@ --width=300 --height=200 --resize-type=allimages
c resize-negative -i "$D" -o @OUT@ --width=-5 --height=10
c resize-48bit -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --width=40 --height=30 --resize-algorithm=lanczos
c resize-number-suffix -i "$D" -o @OUT@ --width=12px --height='$20'

# --- tone mapping ------------------------------------------------------------------------
for tm in none linear al drr gd; do
    c "tone-48-$tm" -i "$D" -o @OUT@ --raw-load-as=48 "--raw-tone-mapping=$tm"
done
c tone-48-gd-24 -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=gd --tiff-bpp=24

# --- flips -------------------------------------------------------------------------------
c flip-h -i "$D" -o @OUT@ --flip-horizontal
c flip-v -i "$D" -o @OUT@ --flip-vertical
c flip-both-rot -i "$D" -o @OUT@ --flip-horizontal --flip-vertical --rotation=90
c flip-switch-value -i "$D" -o @OUT@ --flip-horizontal=no

# --- colour adjustment -------------------------------------------------------------------
c adj-brightness -i "$D" -o @OUT@ --brightness=40
c adj-contrast -i "$D" -o @OUT@ --contrast=-30
c adj-gamma -i "$D" -o @OUT@ --gamma=2.2
c adj-invert -i "$D" -o @OUT@ --invert
c adj-all -i "$D" -o @OUT@ --brightness=-20 --contrast=25 --gamma=0.8 --invert
c adj-48bit -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --brightness=15 --gamma=1.5
c adj-bounds -i "$D" -o @OUT@ --brightness=100 --contrast=-100 --gamma=9.99
c greyscale -i "$D" -o @OUT@ --greyscale
c greyscale-8 -i "$D" -o @OUT@ --greyscale --tiff-bpp=8
c greyscale-48bit -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --greyscale
c threshold-128 -i "$D" -o @OUT@ --threshold=128 --tiff-bpp=1
c threshold-300 -i "$D" -o @OUT@ --threshold=300
for dith in fs bayer4 bayer8 bayer16 cluster6 cluster8 cluster16; do
    c "dither-$dith" -i "$D" -o @OUT@ "--dither=$dith" --tiff-bpp=1
done
c dither-fs-depth0 -i "$D" -o @OUT@ --dither=fs
c dither-unknown-word -i "$D" -o @OUT@ --dither=sierra --tiff-bpp=1

# --- frame -------------------------------------------------------------------------------
c frame-two -i "$D" -o @OUT@ --fr-solid-left=5 --fr-solid-top=8 --fr-solid-left-color=FF0000 --fr-solid-top-color=00FF00
c frame-four-opacity -i "$D" -o @OUT@ --fr-solid-left=4 --fr-solid-right=9 --fr-solid-top=6 --fr-solid-bottom=12 \
    --fr-solid-right-color=0000FF --fr-solid-bottom-color=FFFF00 --fr-solid-opacity=128
c frame-zero -i "$D" -o @OUT@ --fr-solid-bottom=0
c frame-after-resize -i "$D" -o @OUT@ --width=64 --height=48 --fr-solid-left=3 --fr-solid-right=3
c frame-on-1bit -i "$D" -o @OUT@ --dither=bayer8 --fr-solid-top=5 --fr-solid-top-color=ABCDEF

# --- picture watermark -------------------------------------------------------------------
c wmimg-default -i "$D" -o @OUT@ "--wm-image=$MARK"
c wmimg-topleft-opacity -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-image-opacity=128 --wm-image-position=topleft \
    --wm-image-x-offset=3 --wm-image-y-offset=4
c wmimg-grey-rot-prop -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-image-greyscale --wm-image-rotation=30 --wm-image-size=proportional
c wmimg-fit-frame -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-image-size=fit --wm-image-boundary=frame \
    --fr-solid-left=10 --fr-solid-top=10 --wm-image-position=middlecenter
c wmimg-fill -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-image-size=fill --wm-image-position=bottomcenter
c wmimg-too-large -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-image-x-offset=110 --wm-image-position=topleft
c wmimg-on-48bit -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none "--wm-image=$MARK" --wm-image-position=middleright
c wmimg-tiff-from-dng -i "$D" -o @OUT@ "--wm-image=$D"
c wmimg-missing -i "$D" -o @OUT@ "--wm-image=$IN/missing.png"
c wmimg-not-picture -i "$D" -o @OUT@ "--wm-image=$IN/notapicture.png"
c wmimg-empty -i "$D" -o @OUT@ "--wm-image=$IN/empty.nef"

# --- text watermark (system fonts) -------------------------------------------------------
if [[ $FONTS == 1 ]]; then
    c wmtxt-plain -i "$D" -o @OUT@ --wm-text=Velmora "--wm-font=DejaVu Sans" --wm-font-size=12
    c wmtxt-styled -i "$D" -o @OUT@ '--wm-text=Two%eol%lines here' "--wm-font=DejaVu Sans" --wm-font-size=10 \
        --wm-font-style=bold --wm-font-effect=underline --wm-text-antialiasing --wm-text-alignment=center \
        --wm-text-padding=4 --wm-back-color=000080 --wm-back-opacity=160 --wm-font-color=FFFF00 \
        --wm-text-position=middlecenter --wm-font-leading=3
    c wmtxt-placeholders -i "$D" -o @OUT@ '--wm-text=%filename% %width%x%height% %ext[u]% %n%' \
        "--wm-font=DejaVu Sans" --wm-font-size=8 --wm-text-rotation=20 --wm-text-size=fit --wm-text-position=topleft
    c wmtxt-proportional -i "$D" -o @OUT@ --wm-text=Prop "--wm-font=Liberation Sans" --wm-text-size=proportional \
        --wm-font-style=italic --wm-font-effect=strikethrought --wm-text-opacity=100
    c wmtxt-fill-frame -i "$D" -o @OUT@ --wm-text=Fill "--wm-font=DejaVu Sans" --wm-text-size=fill \
        --wm-text-boundary=frame --fr-solid-left=8 --fr-solid-bottom=8 --wm-font-style=bolditalic
    c wmtxt-default-font -i "$D" -o @OUT@ --wm-text=Default --wm-text-x-offset=2 --wm-text-y-offset=2 \
        --wm-text-alignment=right --wm-text-position=bottomleft
    c wmtxt-quoted-split -i "$D" -o @OUT@ '--wm-text="two' 'words"' "--wm-font=DejaVu Sans"
    c wmtxt-then-image -i "$D" -o @OUT@ --wm-text=Text "--wm-font=DejaVu Sans" "--wm-image=$MARK"
    c wmimg-then-text -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-text=Text "--wm-font=DejaVu Sans"
    c wmtxt-on-48bit -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --wm-text=Deep "--wm-font=DejaVu Sans"
    c wmtxt-no-font -i "$D" -o @OUT@ --wm-text=x "--wm-font=NoSuchFace Zq"
    c debug-text-watermark -d -i "$D" -o @OUT@ --wm-text=Dbg "--wm-font=DejaVu Sans" --wm-font-size=9 \
        --wm-text-position=topright --wm-text-size=fit
fi

# --- bit depths, compressions, colour modes ----------------------------------------------
for bpp in 0 1 4 8 24 32 48 96; do
    c "bpp-$bpp" -i "$D" -o @OUT@ "--tiff-bpp=$bpp"
done
for bpp in 8 24 96; do
    c "bpp-$bpp-from-48" -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=linear "--tiff-bpp=$bpp"
done
for comp in none packbits deflate adobedeflate lzw jpeg ccittfax3 ccittfax4 logluv; do
    c "comp-$comp-24" -i "$D" -o @OUT@ "--tiff-compression=$comp"
done
c comp-ccittfax3-1 -i "$D" -o @OUT@ --tiff-compression=ccittfax3 --tiff-bpp=1
c comp-ccittfax4-1 -i "$D" -o @OUT@ --tiff-compression=ccittfax4 --dither=fs --tiff-bpp=1
c comp-jpeg-grey8 -i "$D" -o @OUT@ --tiff-compression=jpeg --greyscale --tiff-bpp=8
c comp-logluv-96 -i "$D" -o @OUT@ --tiff-compression=logluv --tiff-bpp=96
c comp-lzw-48 -i "$K" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --tiff-compression=lzw
c comp-deflate-48 -i "$D" -o @OUT@ --raw-load-as=48 --raw-tone-mapping=none --tiff-compression=deflate
c comp-adobedeflate-grey -i "$D" -o @OUT@ --tiff-compression=adobedeflate --greyscale --tiff-bpp=8
c comp-packbits-4 -i "$D" -o @OUT@ --tiff-compression=packbits --tiff-bpp=4
c comp-unknown-word -i "$D" -o @OUT@ --tiff-compression=lzw2
c comp-upper-word -i "$D" -o @OUT@ --TIFF-COMPRESSION=LZW
c color-lab -i "$D" -o @OUT@ --tiff-color-mode=lab
c color-cmyk-32 -i "$D" -o @OUT@ --tiff-color-mode=cmyk --tiff-bpp=32
c color-cmyk-24 -i "$D" -o @OUT@ --tiff-color-mode=cmyk --tiff-bpp=24
c color-cmyk-32-lzw -i "$K" -o @OUT@ --tiff-color-mode=cmyk --tiff-bpp=32 --tiff-compression=lzw --raw-load-as=24
c color-cmyk-bad-profile -i "$D" -o @OUT@ --tiff-color-mode=cmyk --tiff-bpp=32 "--tiff-cmyk-profile=$IN/list.txt"
c color-cmyk-missing-profile -i "$D" -o @OUT@ --tiff-color-mode=cmyk --tiff-bpp=32 "--tiff-cmyk-profile=$IN/none.icc"
c threads-1 -i "$K" -o @OUT@ --raw-load-as=24 --tiff-compression=deflate --threads=1
c threads-2 -i "$K" -o @OUT@ --raw-load-as=24 --tiff-compression=deflate --threads=2
CASE_ENV=VELMORA_THREADS=1 c threads-env-1 -i "$K" -o @OUT@ --raw-load-as=24 --tiff-compression=lzw
c other-format-options -i "$D" -o @OUT@ --jpg-quality=50 --png-bpp=8 --bmp-compression=rle --webp-quality=3 \
    --png-interlaced --psd-color-mode=cmyk --exr-compression=piz --tiff-frame-loading=random

# --- file names --------------------------------------------------------------------------
c mask-cases -i "$IN/Mixed.Case.Name.DNG" -o @OUT@ '--filename-mask=%filename[u]%-%filename[l]%-%filename[t]%.%ext%'
c mask-ext-cases -i "$D" -o @OUT@ '--filename-mask=X_%ext[u]%_%ext[t]%.%ext%'
c mask-upper-literal -i "$D" -o @OUT@ '--filename-mask=Photo-%FILENAME[U]%-%n%.%EXT%'
c mask-sizes -i "$D" -o @OUT@ --rotation=90 --width=50 --width-unit=percent --height=50 --height-unit=percent \
    '--filename-mask=%bpp%_%width%x%height%_%frame%_%n%.%ext%'
c mask-sizes-1bit -i "$D" -o @OUT@ --dither=fs --tiff-bpp=1 '--filename-mask=%filename%-%bpp%.%ext%'
CASE_NORM=$NORM_RND c mask-rnd -i "$D" -o @OUT@ '--filename-mask=rnd%rnd%.%ext%'
CASE_NORM=$NORM_TIME c mask-time -i "$D" -o @OUT@ '--filename-mask=t%yyyy%-%mm%-%dd%_%hh%.%ii%.%ss%.%ext%' -d
c mask-unknown-token -i "$D" -o @OUT@ '--filename-mask=%foo%-%ext[l]%-%filename%.%ext%'
c mask-no-ext -i "$D" -o @OUT@ '--filename-mask=%filename%'
CASE_SETUP='mkdir -p out/sub' c mask-subfolder -i "$D" -o @OUT@ '--filename-mask=sub/%filename%.%ext%'
c mask-missing-subfolder -i "$D" -o @OUT@ '--filename-mask=nosuch/%filename%.%ext%'
c mask-backslash -i "$IN/back\\slash.dng" -o @OUT@
c mask-dots -i "$IN/Mixed.Case.Name.DNG" -o @OUT@ '--filename-mask=%filename%.v2.%ext%'
c mask-quoted -i "$D" -o @OUT@ '--filename-mask="q-%filename%.%ext%"'
CASE_SETUP='cp "$D" in.dng' D="$D" c no-output-folder -i @W@/in.dng
CASE_SETUP='cp "$D" in.dng' D="$D" c mask-replaces-input -i @W@/in.dng '--filename-mask=%filename%.dng' -d
CASE_SETUP='printf old > out/small.tiff; chmod 600 out/small.tiff' c overwrite-keeps-mode -i "$D" -o @OUT@
CASE_SETUP='ln -s target.tiff out/small.tiff' c output-through-dangling-link -i "$D" -o @OUT@
CASE_SETUP='printf old > out/target.tiff; ln -s target.tiff out/small.tiff' c output-through-link -i "$D" -o @OUT@
c ts-current -i "$D" -o @OUT@ --file-timestamp=current
c ts-original -i "$D" -o @OUT@ --file-timestamp=original
c ts-custom -i "$D" -o @OUT@ --file-timestamp=custom --file-timestamp-custom=1000000000
c ts-custom-unset -i "$D" -o @OUT@ --file-timestamp=custom
c ts-custom-hex -i "$D" -o @OUT@ --file-timestamp=custom '--file-timestamp-custom=$3B9ACA00'
c ts-unknown-word -i "$D" -o @OUT@ --file-timestamp=tomorrow
c no-subfolders -i "$D" -o @OUT@ --no-subfolders

# --- profiles ----------------------------------------------------------------------------
c profile-studio -i "$D" -o @OUT@ "--profile=$IN/studio.ini"
c profile-then-override -i "$D" -o @OUT@ "--profile=$IN/studio.ini" --width=40 --height=40 --tiff-compression=none
c profile-overridden -i "$D" -o @OUT@ --tiff-compression=deflate "--profile=$IN/studio.ini"
c profile-bom -d -i "$D" -o @OUT@ "--profile=$IN/bom.ini"
c profile-nocli -i "$D" -o @OUT@ "--profile=$IN/nocli.ini"
c profile-latin1 -i "$D" -o @OUT@ "--profile=$IN/latin1.ini"
c profile-missing -i "$D" -o @OUT@ "--profile=$IN/none.ini"

# --- debug listings ----------------------------------------------------------------------
c debug-defaults -d -i "$D" -o @OUT@
c debug-long -i "$D" -o @OUT@ --debug
c debug-resize-adjust -d -i "$D" -o @OUT@ --width=80 --height=60 --keep-aspect-ratio --resize-algorithm=lanczos \
    --brightness=5 --contrast=6 --gamma=1.2 --invert --greyscale
c debug-rotation -d -i "$D" -o @OUT@ --rotation=33 --rotation-type=advanced --rotation-back-color=123456 --flip-vertical
c debug-frame -d -i "$D" -o @OUT@ --fr-solid-left=3 --fr-solid-right-color=FF00FF --fr-solid-opacity=77
c debug-image-watermark -d -i "$D" -o @OUT@ "--wm-image=$MARK" --wm-image-opacity=99 --wm-image-size=fit
c debug-threshold -d -i "$D" -o @OUT@ --threshold=99 --tiff-bpp=1
c debug-dither -d -i "$D" -o @OUT@ --dither=cluster8
c debug-cmyk -d -i "$D" -o @OUT@ --tiff-color-mode=cmyk --tiff-bpp=32 --tiff-compression=packbits
c debug-raw -d -i "$IN/bare.raw" -o @OUT@ --raw-load-as=16 --raw-header-size=4 --raw-width=64 --raw-height=47 --raw-tone-mapping=gd
c debug-mask-ts -d -i "$D" -o @OUT@ '--filename-mask=%filename%-%n%' --file-timestamp=custom --file-timestamp-custom=12345 --no-subfolders
c debug-quiet -d -q -i "$D" -o @OUT@
c debug-failing-file -d -i "$SAMPLES/bad/stub_sigma_dp2.x3f" -o @OUT@
c debug-other-formats -d -i "$D" -o @OUT@ --jpg-quality=77 --gif-frame-loading=last --dds-load-as=rgba

# --- console switches --------------------------------------------------------------------
c quiet -q -i "$D" -o @OUT@
c quiet-long -i "$D" -o @OUT@ --quiet
c quiet-failing -q -i "$SAMPLES/bad/trunc_nikon_d7100.nef" -o @OUT@ --raw-load-as=24
c pause-stdin-eof -p -i "$D" -o @OUT@
printf 'x' > "$SCR/onebyte"
CASE_STDIN=$SCR/onebyte c pause-one-byte -i "$D" -o @OUT@ --pause
c pause-after-error -p -i "$D" -o @OUT@ --width=0 --height=5
c combined-switches -qp -i "$D" -o @OUT@
c stray-words -i "$D" stray -o @OUT@ --no-such-option=3 word
c long-input-output "--input=$D" "--output=@OUT@"
c conversion-tiff -i "$D" -o @OUT@ -c tiff
c conversion-long-tiff -i "$D" -o @OUT@ --conversion=tiff

# --- refused values and bad command lines ------------------------------------------------
c err-width-zero -i "$D" -o @OUT@ --width=0 --height=10
c err-height-missing -i "$D" -o @OUT@ --width=10
c err-width-missing -i "$D" -o @OUT@ --height=10
c err-width-word -i "$D" -o @OUT@ --width=abc --height=10
c err-brightness-101 -i "$D" -o @OUT@ --brightness=101
c err-brightness-neg -i "$D" -o @OUT@ --brightness=-101
c err-contrast-101 -i "$D" -o @OUT@ --contrast=101
c err-gamma-10 -i "$D" -o @OUT@ --gamma=10
c err-gamma-zero -i "$D" -o @OUT@ --gamma=0
c err-gamma-word -i "$D" -o @OUT@ --gamma=abc
c err-gamma-comma -i "$D" -o @OUT@ --gamma=1,5
c err-tiff-bpp-16 -i "$D" -o @OUT@ --tiff-bpp=16
c err-tiff-bpp-neg -i "$D" -o @OUT@ --tiff-bpp=-24
c err-threads-neg -i "$D" -o @OUT@ --threads=-1
c err-threads-word -i "$D" -o @OUT@ --threads=many
c err-bad-keywords -i "$D" -o @OUT@ --raw-load-as=96 --rotation-type=wobbly --resize-algorithm=nearest \
    --tiff-color-mode=xyz --wm-image-position=nowhere
c err-conversion-jpg -i "$D" -o @OUT@ -c jpg
c err-conversion-upper -i "$D" -o @OUT@ -c TIFF
c err-output-missing -i "$D" -o /nonexistent/velmora-snapshot-out
c err-output-dotdot -i "$D" -o ../up
c err-output-relative -i "$D" -o ./velmora-snapshot-no-such-folder
c err-output-file -i "$D" -o "$IN/list.txt"
c err-input-missing -i "$IN/missing.dng" -o @OUT@
c err-input-no-ext -i "$IN/noextension" -o @OUT@
c err-input-empty -i "$IN/empty.nef" -o @OUT@
c err-input-folder -i "$IN/folder.dng" -o @OUT@
c err-input-txt -i "$IN/list.txt" -o @OUT@
c err-input-lst -i "$IN/list.lst" -o @OUT@
c err-input-other-ext -i "$MARK" -o @OUT@
c err-input-no-value -o @OUT@ -i
c err-input-dash-value -i -q -o @OUT@
c err-output-no-value -i "$D" -o
c err-long-no-equals -i "$D" -o @OUT@ --width
c err-order-first-fault -i "$IN/missing.dng" -o @OUT@ --tiff-bpp=16 --brightness=101
c err-order-bpp-before-width -i "$D" -o @OUT@ --width=0 --tiff-bpp=3
c err-no-input-options -o @OUT@ --tiff-bpp=16

# --- single-instance lock ----------------------------------------------------------------
# A first run waits at its -p pause on a pipe while second runs start.
lock_cases() {
    N=$((N + 1))
    local id
    id=$(printf '%03d-%s' "$N" lock-holder)
    if [[ -n $ONLY && ! $id =~ $ONLY ]]; then
        N=$((N + 2))
        return 0
    fi
    local work=$SCR/w/$id fifo=$SCR/lock.fifo start end status i
    mkdir -p "$work/out"
    python3 "$HASHER" --list "$work" > "$work.before"
    mkfifo "$fifo"
    start=$(date +%s.%N)
    (cd "$work" && exec timeout -k 5 120 "${RUNENV[@]}" "$BIN" -p -i "$D" -o "$work/out" \
        < "$fifo" > "$SCR/lock.stdout" 2> "$SCR/lock.stderr") &
    LOCK_PID=$!
    exec 7> "$fifo"
    for ((i = 0; i < 300; i++)); do
        grep -q 'Press any key' "$SCR/lock.stdout" 2>/dev/null && break
        sleep 0.1
    done
    c lock-second -q -i "$D" -o @OUT@
    CASE_ENV=VELMORA_PARALLEL=1 c lock-second-parallel -q -i "$D" -o @OUT@
    printf 'x' >&7
    exec 7>&-
    wait "$LOCK_PID"
    status=$?
    LOCK_PID=
    end=$(date +%s.%N)
    record "$id" "$work" "$status" "$start" "$end" "$SCR/lock.stdout" "$SCR/lock.stderr" "" -p -i "$D" -o "$work/out"
    rm -rf -- "$work" "$work.before" "$fifo"
    CASES_RUN=$((CASES_RUN + 1))
}
lock_cases
CASE_ENV=VELMORA_PARALLEL=0 c parallel-zero -q -i "$D" -o @OUT@
CASE_ENV=VELMORA_PARALLEL=1 c parallel-one -q -i "$D" -o @OUT@

# --- what the runs left in the environment -----------------------------------------------
mkdir -p "$OUTDIR/cases/999-environment-after"
(
    cd "$SCR" && LC_ALL=C find home config data runtime tmp -mindepth 1 -printf '%y %m %P\n' | LC_ALL=C sort
) > "$OUTDIR/cases/999-environment-after/files"
for f in cmd stdout stderr; do : > "$OUTDIR/cases/999-environment-after/$f"; done
echo 0 > "$OUTDIR/cases/999-environment-after/status"

# ---------------------------------------------------------------------------------------
# Meta data (informational; compare.sh shows differences but does not fail on them)
# ---------------------------------------------------------------------------------------
T1=$(date +%s.%N)
(cd "$IN" && LC_ALL=C find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum) > "$OUTDIR/inputs.sha256"
(cd "$SAMPLES" && LC_ALL=C find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum) >> "$OUTDIR/inputs.sha256"
{
    echo "binary: $BIN"
    echo "binary-sha256: $(sha256sum < "$BIN" | cut -d' ' -f1)"
    echo "version: $("${RUNENV[@]}" "$BIN" --version 2>&1 | head -1)"
    echo "make-sample-dng: $MAKE_DNG"
    echo "samples: $SAMPLES"
    echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
    echo "host: $(uname -srm)"
    echo "cases: $CASES_RUN"
    python3 -c "print('seconds: %.1f' % ($T1 - $T0))"
    if command -v fc-match >/dev/null; then
        for font in "DejaVu Sans" "Liberation Sans" Arial; do
            file=$(fc-match -f '%{file}' "$font" 2>/dev/null)
            echo "font $font: $file $( [[ -f $file ]] && sha256sum < "$file" | cut -d' ' -f1)"
        done
    fi
} > "$OUTDIR/meta"
printf 'snapshot: %d cases in %.0f s -> %s\n' "$CASES_RUN" "$(python3 -c "print($T1-$T0)")" "$OUTDIR"
