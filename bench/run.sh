#!/bin/bash
# Builds what the benchmarks need (when it is missing or out of date), runs
# them through the Wine harness, one Wine world each, and prints a summary of
# their RESULT lines.
#
#   bash bench/run.sh                 all benchmarks
#   bash bench/run.sh intake          only bench/bench_intake.py
#   bash bench/run.sh debugout        only bench/bench_debugout.py
#
# The build directory is $ORLIX_BUILD_DIR, by default build/ (as scripts/);
# the programs are those of build/win32 or build/win64 (ORLIX_ARCH picks).
# BENCH_ROWS, BENCH_REPS, BENCH_LINES, BENCH_SENDERS, BENCH_SAVE_LINES and
# BENCH_VIEWER change what is measured, BENCH_CPUS where it runs
# (bench/README.md).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
bash "$ROOT/scripts/setup.sh"

# ------------------------------------------------------------------ build ---
# The benchmarks measure the programs of the first architecture this machine
# runs (the 32-bit ones where it can), or ORLIX_ARCH.
ARCH="${ORLIX_ARCH:-$(runnable_arches | head -n1)}"
build_all
TREE="$BUILD/$ARCH"
LOGS="$BUILD/bench-logs"
echo "bench: $ARCH programs ($TREE)"

# -------------------------------------------------------------------- run ---
benches=("$@")
if [ ${#benches[@]} -eq 0 ]; then
  benches=(intake debugout views follow)
fi
mkdir -p "$LOGS"
# Pinned to one processor: a synchronous send between two
# processes on different processors waits for a cross-processor wake-up,
# whose cost under this virtual machine swings with where the scheduler put
# each process, by more than the differences being measured. On one
# processor both sides of every ratio pay the same, and everything the
# viewer does (painting, the window server's share) competes with its own
# intake. BENCH_CPUS=all runs unpinned; BENCH_CPUS=LIST picks the processors.
# BENCH_CPUS=both (the default) runs every benchmark twice: pinned to the
# last processor, then unpinned (what a writer feels on two processors).
CPUS="${BENCH_CPUS:-both}"
modes=("$CPUS")
if [ "$CPUS" = both ]; then
  modes=("$(( $(nproc) - 1 ))" all)
fi
failed=0
logs=()
for mode in "${modes[@]}"; do
  pin=()
  tag=unpinned
  if [ "$mode" != all ]; then
    pin=(taskset -c "$mode")
    tag="cpu$mode"
  fi
  for b in "${benches[@]}"; do
    script="$ROOT/bench/bench_$b.py"
    if [ ! -f "$script" ]; then
      echo "bench: no benchmark '$b' (bench/bench_$b.py)" >&2
      exit 2
    fi
    log="$LOGS/$b-$tag.log"
    logs+=("$log")
    echo "=== $b, processors: $mode ($(date +%T)), log: $log"
    start=$(date +%s)
    if ! "${pin[@]}" python3 "$ROOT/tests/system/harness.py" run --build "$TREE" "$script" 2>&1 \
         | tee "$log"; then
      failed=1
    fi
    grep -q " passed, 0 failed$" "$log" || failed=1
    echo "=== $b took $(( $(date +%s) - start )) s"
  done
done

# ---------------------------------------------------------------- summary ---
echo
echo "=== summary ($ARCH; $(date '+%F %T'); processors: $CPUS of $(nproc); load $(cut -d' ' -f1-3 /proc/loadavg))"
total_met=0
total_missed=0
for log in "${logs[@]}"; do
  echo "--- $(basename "$log" .log)"
  grep -h '^RESULT' "$log" | sed 's/^RESULT //' || echo "no results"
  total_met=$(( total_met + $(grep -c '^RESULT.*: MET$' "$log" || true) ))
  total_missed=$(( total_missed + $(grep -c '^RESULT.*: MISSED$' "$log" || true) ))
done
echo "targets: $total_met met, $total_missed missed"
if [ "$failed" != 0 ]; then
  echo "bench: a benchmark did not run to its end (see the logs above)" >&2
  exit 1
fi
