#!/usr/bin/env bash
# A plug-in library's dynamic symbol table defines exactly the symbols named.
# Usage: check_exports.sh LIBRARY SYMBOL...
set -euo pipefail
library=$1
shift
defined=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort | tr '\n' ' ')
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
if [[ "$defined" != "$expected" ]]; then
    echo "defined dynamic symbols: $defined (expected $expected)" >&2
    exit 1
fi
echo "exports: $defined"
