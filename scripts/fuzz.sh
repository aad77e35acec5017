#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address and undefined-behaviour
# sanitizers) in their own build folder and runs each for a fixed time on its seed
# corpus. A finding (crash, sanitizer report, broken property, hang) fails the script.
#   scripts/fuzz.sh [SECONDS per target, default 30] [TARGET ...]
# Targets: templates exclusions settings drives mounttable script. See docs/fuzzing.md.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${QV_FUZZ_SECONDS:-30}}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(templates exclusions settings drives mounttable script)
dir=${QV_FUZZ_BUILD_DIR:-build-fuzz}

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CXX=clang++ CC=clang cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON \
  -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")

work="$dir/fuzz-run"
rm -rf "$work/findings"
mkdir -p "$work/findings"
python3 fuzz/seeds.py "$work/generated"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for t in "${targets[@]}"; do
  corpus="$work/corpus/$t"
  mkdir -p "$corpus" "$work/generated/$t"
  echo "== fuzz_$t: ${seconds}s"
  # The large seeds run whole once; the fuzzing itself works on smaller inputs.
  large=("$work/generated/$t"/*)
  if [ -e "${large[0]}" ] && ! "$dir/fuzz/fuzz_$t" -timeout=120 -rss_limit_mb=2560 \
      -artifact_prefix="$work/findings/$t-" "${large[@]}" >"$work/$t-large.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "$work/$t-large.log"
    continue
  fi
  # New inputs go to the first folder; the seeds in the repository are only read.
  if ! "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/findings/$t-" \
      "$corpus" "fuzz/corpus/$t" >"$work/$t.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "$work/$t.log"
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$work/$t.log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]}" >&2
  ls -l "$work/findings" >&2
  echo "Fix the fault, then copy each input into fuzz/corpus/<target>/ as a regression case." >&2
  exit 1
fi
echo "fuzz: no findings"
