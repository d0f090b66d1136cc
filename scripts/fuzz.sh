#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (in build-fuzz/, apart from the main build) and
# runs each for SECONDS (default 20), starting from its committed seeds.
# Prints one line per target (executions, coverage, corpus) and exits
# non-zero when any target finds a crash, a sanitizer report, a leak, a
# timeout or runs out of memory; the input that did it is kept in
# build-fuzz/findings/<target>/ and its path printed.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Adding a target: drop fuzz/<name>_fuzz.cc (a LLVMFuzzerTestOneInput that
# aborts when an invariant fails) and a folder fuzz/seeds/<name>_fuzz/ with
# a handful of small inputs. Nothing else changes: fuzz/CMakeLists.txt finds
# the file and the sources it needs by its includes, and this script runs
# every target it built. Run one target alone by naming it.
#
# The inputs the runs discover go to build-fuzz/corpus/<target>/, kept
# between runs; the committed seeds never change.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true

bash scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
mkdir -p build-fuzz
if ! { cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=None \
         -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
         "${launcher[@]}" &&
       cmake --build build-fuzz -j"$(nproc)"; } >build-fuzz/build.log 2>&1; then
  grep -E -A5 'error|Error' build-fuzz/build.log | head -40
  echo "fuzz targets: build failed, see build-fuzz/build.log" >&2
  exit 1
fi

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in fuzz/*_fuzz.cc; do targets+=("$(basename "$f" .cc)"); done
fi

# Leaks are findings too; the sanitizers stop at the first report.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  findings=build-fuzz/findings/$t
  log=build-fuzz/logs/$t.log
  mkdir -p "$corpus" "$findings" build-fuzz/logs
  seeds=fuzz/seeds/$t
  [ -d "$seeds" ] || seeds=
  status=ok
  # New inputs go to the first folder; the seeds are only read.
  if ! build-fuzz/"$t" -max_total_time="$seconds" -print_final_stats=1 \
      -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" \
      "$corpus" ${seeds:+"$seeds"} >"$log" 2>&1; then
    status=FAILED
    failed=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<<"$last")
  printf '%-24s %s  %s s  execs %s  cov %s  ft %s  corpus %s\n' "$t" \
    "$status" "$seconds" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}"
  if [ "$status" != ok ]; then
    # The sanitizer's or libFuzzer's report and the input that caused it.
    grep -E -m1 -A12 'check failed|runtime error|==ERROR|== ERROR' "$log" ||
      tail -20 "$log"
    echo "  full log: $log"
    grep -E -m1 -o 'Test unit written to .*' "$log" || true
  fi
done
exit $failed
