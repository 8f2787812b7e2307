#!/usr/bin/env bash
# Runs every harness for the given seconds on its corpus in <work folder> (the repository's
# seeds are copied in, never written), printing executions and any crash file. Exits 1 when
# a harness reported a crash, a sanitizer finding, a leak, a timeout or running out of memory.
# usage: run-fuzzers.sh <fuzz build folder> <seconds per harness> <work folder> [names...]
set -uo pipefail
build=$(realpath "$1")
seconds=$2
work=$(realpath -m "$3")
seeds=$(dirname "$(realpath "$0")")/corpus
shift 3
names=("$@")
[ ${#names[@]} -gt 0 ] || names=($(ls "$seeds"))

failed=0
for name in "${names[@]}"; do
    run="$work/$name"
    mkdir -p "$run/corpus" "$run/crashes" "$run/tmp"
    cp -n "$seeds/$name"/* "$run/corpus/"
    # A unit that takes longer than this is a finding of its own, not just a slow input.
    TMPDIR="$run/tmp" UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/bin/${name}_fuzz" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$run/crashes/" "$run/corpus" >"$run/log" 2>&1
    status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$run/log" | grep -o '[0-9]*$')
    printf 'fuzz %-10s %9s executions in %ss, corpus %s\n' "$name" "${runs:-?}" "$seconds" \
        "$(ls "$run/corpus" | wc -l)"
    if [ "$status" -ne 0 ]; then
        failed=1
        echo "fuzz $name FAILED (status $status), log $run/log:"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$run/log" | head -5
        ls "$run/crashes"/* 2>/dev/null
    fi
done
exit $failed
