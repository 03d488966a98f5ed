#!/usr/bin/env bash
# Checks every catalog as msgfmt does before compiling it (the header, format strings, and an
# access key in each translation whose English has one), and that it translates every text
# of the template, none left fuzzy or missing.
#   check-catalogs.sh TEMPLATE PO...
set -euo pipefail
template=$1
shift
failures=0
for po in "$@"; do
    if ! msgfmt --check --check-accelerators='&' --output-file=/dev/null "$po"; then
        echo "FAIL: msgfmt rejects $po" >&2
        failures=$((failures + 1))
    fi
    if ! msgcmp "$po" "$template"; then
        echo "FAIL: $po does not translate every text of the template (msgmerge it)" >&2
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ]
