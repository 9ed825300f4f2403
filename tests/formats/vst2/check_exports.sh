#!/usr/bin/env bash
# The plug-in's dynamic symbol table defines exactly VSTPluginMain and main.
set -euo pipefail
defined=$(nm -D --defined-only "$1" | awk '{print $NF}' | sort | tr '\n' ' ')
if [[ "$defined" != "VSTPluginMain main " ]]; then
    echo "defined dynamic symbols: $defined" >&2
    exit 1
fi
echo "exports: $defined"
