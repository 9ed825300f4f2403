#!/usr/bin/env bash
# The bundle's Turtle files against the LV2 vocabularies (lv2_validate, with
# sord_validate): no error. And every port symbol of the plug-in unique.
set -euo pipefail
bundle=$1
report=$(lv2_validate "$bundle"/manifest.ttl "$bundle"/vocoder.ttl "$bundle"/presets.ttl 2>&1 | grep -v '^Skipping')
echo "$report"
grep -q '^Found 0 errors' <<<"$report"
duplicates=$(grep -o 'lv2:symbol "[a-z0-9_]*"' "$bundle"/vocoder.ttl | sort | uniq -d)
if [[ -n "$duplicates" ]]; then
    echo "port symbols used twice: $duplicates" >&2
    exit 1
fi
