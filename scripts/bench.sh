#!/usr/bin/env bash
# Runs every benchmark driver and prints its figures. Large data is generated once into
# <build>/bench/data and reused.
set -euo pipefail
build=${1:-build}
for bench in "$build"/bench/*_bench "$build"/src/ui/list_search_bench; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench"
    echo
done
