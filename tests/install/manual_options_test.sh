#!/usr/bin/env bash
# Every option of the program's option table, profile keys included, is in the manual.
#   manual_options_test.sh OPTION_TABLE_CPP MANUAL_MD
set -euo pipefail
missing=0
for option in $(grep -o '"--[A-Z0-9-]*"' "$1" | tr -d '"' | tr 'A-Z' 'a-z' | sort -u); do
    if ! grep -q -- "\`$option[=\` ]" "$2"; then
        echo "not in the manual: $option"
        missing=1
    fi
done
exit $missing
