#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each one for SECONDS (default 60) on a copy of its seed
# corpus; the committed seeds are never changed. Prints the executions per target and exits
# non-zero when any target found a crash, a leak or a timeout (the input is kept under
# $BUILD/fuzz-artifacts/).
#   scripts/fuzz.sh [SECONDS]        BUILD=build-fuzz by default
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${BUILD:-build-fuzz}
targets=(attributed_body typedstream_decoder vcard_reader clean_text safe_file_name phone_key key_bag file_key binary_plist xml_plist
    manifest_mbdb)

TOVIK_WITH_FUZZ=1 bash scripts/setup.sh

# Only the core libraries and the targets; the libraries get the sanitizers and the coverage
# instrumentation the fuzzer steers by.
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DTOVIK_FUZZ=ON -DTOVIK_BUILD_GUI=OFF -DTOVIK_BUILD_BENCHMARKS=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]/%/_fuzz}"

work="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
failed=0
printf '%-22s %14s %8s  %s\n' TARGET EXECUTIONS CORPUS RESULT
for target in "${targets[@]}"; do
    rm -rf "${work:?}/$target"
    mkdir -p "$work/$target"
    cp tests/fuzz/corpus/"$target"/* "$work/$target/"
    log="$build/fuzz-$target.log"
    status=0
    "$build/tests/fuzz/${target}_fuzz" "$work/$target" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=131072 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    units=$(find "$work/$target" -type f | wc -l)
    if [ "$status" -eq 0 ]; then
        result=ok
    else
        result="FAILED (status $status, see $log)"
        failed=1
    fi
    printf '%-22s %14s %8s  %s\n' "$target" "${runs:-?}" "$units" "$result"
done
exit "$failed"
