#!/usr/bin/env bash
# The bundle's Turtle files against the LV2 vocabularies (lv2_validate, with
# sord_validate): no error; every port symbol of the plug-in unique; a minor
# version above 0.
set -euo pipefail
bundle=$1
report=$(lv2_validate "$bundle"/manifest.ttl "$bundle"/vocoder.ttl "$bundle"/presets.ttl 2>&1 | grep -v '^Skipping')
echo "$report"
grep -q '^Found 0 errors' <<<"$report"
# The plug-in's description ends where the UI's begins (which names a port again).
duplicates=$(sed '/a ui:X11UI/,$d' "$bundle"/vocoder.ttl | grep -o 'lv2:symbol "[a-z0-9_]*"' | sort | uniq -d)
if [[ -n "$duplicates" ]]; then
    echo "port symbols used twice: $duplicates" >&2
    exit 1
fi
# Hosts hide a plug-in of minor version 0 (unstable) by default.
minor=$(grep -o 'lv2:minorVersion [0-9]*' "$bundle"/vocoder.ttl | grep -o '[0-9]*$')
if [[ -z "$minor" || "$minor" -eq 0 ]]; then
    echo "lv2:minorVersion is ${minor:-missing}; it must be above 0" >&2
    exit 1
fi
