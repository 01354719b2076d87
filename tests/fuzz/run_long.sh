#!/usr/bin/env bash
# Builds the fuzz targets in a native clang build and runs each of them for
# a longer time than CTest does, one after another, then prints what every
# target did.
#
#   tests/fuzz/run_long.sh [seconds-per-target] [name...]
#
# seconds-per-target  default 60
# name...             targets to run (e.g. ini_text datagram); default all
#
# Environment:
#   ORLIX_FUZZ_BUILD   build folder (default: <checkout>/build/fuzz)
#   ORLIX_FUZZ_SOURCE  source tree to configure (default: this checkout)
#   ORLIX_FUZZ_JOBS    parallel compile jobs (default: nproc)
#
# Each target keeps its corpus in <build>/fuzz-long/<name>/corpus (reused by
# the next run) and writes failing inputs to <build>/fuzz-long/<name>/
# artifacts; its full output is in <build>/fuzz-long/<name>.log. The
# hand-made inputs in tests/fuzz/corpus are only read. Exits 1 when any
# target found something.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
checkout=$(cd "$here/../.." && pwd)
source_dir=${ORLIX_FUZZ_SOURCE:-$checkout}
build=${ORLIX_FUZZ_BUILD:-$checkout/build/fuzz}
jobs=${ORLIX_FUZZ_JOBS:-$(nproc)}

seconds=60
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi

names=("$@")
if [[ ${#names[@]} -eq 0 ]]; then
    for f in "$here"/fuzz_*.cpp; do
        n=$(basename "$f" .cpp)
        names+=("${n#fuzz_}")
    done
fi

echo "== configuring $build"
cmake -S "$source_dir" -B "$build" -DORLIX_NATIVE_LOGIC=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
targets=()
for n in "${names[@]}"; do
    targets+=("fuzz_$n")
done
echo "== building ${targets[*]}"
if ! cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$build/fuzz-build.log" 2>&1; then
    tail -n 30 "$build/fuzz-build.log"
    echo "build failed (is tests/fuzz added from the native section of CMakeLists.txt?)" >&2
    exit 2
fi

out=$build/fuzz-long
mkdir -p "$out"
summary=()
failed=0
for n in "${names[@]}"; do
    exe=$build/fuzz_$n
    seeds=$here/corpus/$n
    dir=$out/$n
    log=$out/$n.log
    mkdir -p "$dir/corpus" "$dir/artifacts"
    args=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
          -artifact_prefix="$dir/artifacts/")
    [[ -f $here/$n.dict ]] && args+=(-dict="$here/$n.dict")
    before=$(find "$dir/artifacts" -type f | wc -l)

    echo "== fuzz_$n for ${seconds}s"
    rc=0
    "$exe" "${args[@]}" "$dir/corpus" "$seeds" >"$log" 2>&1 || rc=$?

    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
    runs=$(stat number_of_executed_units)
    speed=$(stat average_exec_per_sec)
    added=$(stat new_units_added)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    found=$(( $(find "$dir/artifacts" -type f | wc -l) - before ))
    if [[ $rc -ne 0 ]]; then
        failed=1
        what=$(grep -m1 -E 'check failed|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' "$log" || true)
        echo "   FOUND (exit $rc): ${what:-see $log}"
        grep -E '^(artifact_prefix|Test unit written to)' "$log" | sed 's/^/   /' || true
    fi
    summary+=("$(printf '%-20s %12s %10s %8s %8s %9s' "$n" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${added:-?}" "$found")")
done

echo
printf '%-20s %12s %10s %8s %8s %9s\n' target executions exec/s cov new findings
for line in "${summary[@]}"; do
    echo "$line"
done
exit $failed
