#!/usr/bin/env bash
# The generated completions at work: bash's loaded in an interactive bash, fish's in fish
# where it is installed. Each case is the command line as the shell splits it and the
# replies expected, sorted.
#   completion_test.sh BASH_COMPLETION FISH_COMPLETION
set -euo pipefail
bash_script=$1 fish_script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/sub"
touch "$work/sum.dng"
failures=0

# Readline splits "--name=value" into "--name", "=" and "value".
bash_replies() {
    bash --norc --noprofile -i -c '
        source "$0"
        function=$(complete -p velmoracmd | sed -E "s/.*-F ([^ ]+) .*/\1/")
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        "$function"
        printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd" "' "$bash_script" "$@" 2>/dev/null
}
fish_replies() {
    fish --no-config -c 'source $argv[1]; complete -C"$argv[2]"' "$fish_script" "$*" |
        cut -f1 | sort | paste -sd" "
}
check() { # shell, expected replies, words of the line
    local shell=$1 expected=$2 got
    shift 2
    got=$("${shell}_replies" "$@")
    if [ "$got" != "$expected" ]; then
        echo "FAIL: $shell completes '$*' to '$got', not '$expected'" >&2
        failures=$((failures + 1))
    fi
}

check bash "--tiff-compression=" velmoracmd --tiff-comp
check bash "logluv lzw" velmoracmd --tiff-compression = l
check bash "lzw" velmoracmd --TIFF-Compression = lz
check bash "--height-unit= --height= --help" velmoracmd --he
check bash "--height-unit= --height=" velmoracmd -q --he
check bash "$work/sub $work/sum.dng" velmoracmd -i "$work/su"
check bash "$work/sub" velmoracmd -o "$work/su"
check bash "$work/sub" velmoracmd --output = "$work/su"
if command -v fish >/dev/null; then
    check fish "--tiff-compression=logluv --tiff-compression=lzw" velmoracmd --tiff-compression=l
    check fish "--output=$work/sub/" velmoracmd "--output=$work/su"
else
    echo "SKIP: fish is not installed"
fi
exit $((failures > 0))
