#!/usr/bin/env bash
# Runs every benchmark driver and prints its figures. Large data is generated once into
# <build>/bench/data and reused.
set -euo pipefail
build=${1:-build}
for bench in "$build"/bench/*_bench; do
    echo "== $(basename "$bench")"
    "$bench"
    echo
done
