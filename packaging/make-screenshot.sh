#!/bin/sh
# Renders the main window with the render tool into packaging/screenshots/hovedvindu.png
# (the screenshot the metainfo file names). Needs a build in build/ (or $QV_BUILD_DIR).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QV_BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cmake --build "$build" --target qv_render_windows
QT_QPA_PLATFORM=offscreen "$build/tests/render/qv_render_windows" "$out" >/dev/null
cp "$out/windows_frmBackup.png" "$root/packaging/screenshots/hovedvindu.png"
