#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the project's clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format missing (scripts/setup.sh installs it)"; exit 1; }
bad=()
while IFS= read -r f; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted: %s\n' "${bad[@]}"
  echo "run: git ls-files '*.cpp' '*.h' | xargs clang-format -i"
  exit 1
fi
