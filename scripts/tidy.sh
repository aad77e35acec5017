#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over the sources under the given folders
# or files, default src/, with the compile database of build-tidy/ (configured here; no
# build needed). Any finding fails the script.
#   scripts/tidy.sh [PATH ...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${QV_TIDY_BUILD_DIR:-build-tidy}
paths=("$@")
[ ${#paths[@]} -gt 0 ] || paths=(src)
command -v clang-tidy >/dev/null || { echo "tidy: clang-tidy is missing (apt-get install clang-tidy)" >&2; exit 2; }
cmake -S . -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DQV_BUILD_BENCH=OFF >/dev/null
mapfile -t files < <(git ls-files -- "${paths[@]}" | grep -E '\.cpp$' || true)
[ ${#files[@]} -gt 0 ] || { echo "tidy: no sources under ${paths[*]}" >&2; exit 2; }
echo "tidy: ${#files[@]} files"
# One process per file, two at a time; clang-tidy exits non-zero on a finding here.
printf '%s\0' "${files[@]}" |
  xargs -0 -n1 -P"${QV_TIDY_JOBS:-2}" clang-tidy -p "$dir" --quiet --warnings-as-errors='*' \
    2> >(grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' >&2) ||
  { echo "tidy: findings (above)" >&2; exit 1; }
echo "tidy: clean"
