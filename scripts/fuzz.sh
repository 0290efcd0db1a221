#!/usr/bin/env bash
# The fuzz step: builds the libFuzzer targets of tests/fuzz/ with clang (a build directory of its own), then
# runs each for a bounded time on a copy of its committed seed corpus, so a run never changes the repository.
# Fails when any target reports a crash, a sanitizer finding, a leak or a time-out; prints one summary line per
# target (and the end of the log of a target that failed).
# Usage: bash scripts/fuzz.sh [target ...]     (default: every target)
# Environment: FUZZ_SECONDS (default 20) per target; TEV_FUZZ_BUILD_DIR (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${TEV_FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
jobs=$(nproc)

# target name and the largest input it is given
declare -A max_len=(
  [terminal_input]=4096
  [router_reply]=8192
  [xml_readers]=16384
  [rpc_frame]=8192
  [label_definition]=8192
)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(terminal_input router_reply xml_readers rpc_frame label_definition)
for t in "${targets[@]}"; do
  [ -n "${max_len[$t]:-}" ] || { echo "fuzz: unknown target $t" >&2; exit 2; }
done

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/tev-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTEV_FUZZ=ON -DTEV_BENCH=OFF \
  "${launcher[@]}" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
if ! ninja -C "$build" -j "$jobs" $(printf '%s_fuzz ' "${targets[@]}") >"$work/build.log" 2>&1; then
  tail -n 80 "$work/build.log"
  exit 1
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
for t in "${targets[@]}"; do
  corpus="$work/$t"
  mkdir -p "$corpus"
  cp -R "tests/fuzz/corpus/$t/." "$corpus/"
  log="$work/$t.log"
  status=0
  "$build/tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -max_len="${max_len[$t]}" -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$work/$t-" -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  if [ "$status" -eq 0 ] && ! grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
    echo "fuzz $t: ok, ${runs:-?} runs in ${seconds} s, coverage ${cov:-?}"
  else
    failed=1
    finding=$(grep -oE 'SUMMARY: .*|runtime error: .*' "$log" | head -1 || true)
    echo "fuzz $t: FAILED (exit $status) ${finding:-}"
    echo "---- last lines of the $t log"
    tail -n 60 "$log"
    for a in "$work/$t"-*; do
      [ -e "$a" ] || continue
      echo "---- input $(basename "$a") (base64):"
      head -c 4096 "$a" | base64
    done
  fi
done
exit "$failed"
