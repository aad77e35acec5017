#!/usr/bin/env bash
# Configures and builds into build/ (or $QV_BUILD_DIR), two cores; ccache when present.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${QV_BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$dir" -j2 "$@"
