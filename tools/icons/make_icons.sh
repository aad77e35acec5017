#!/bin/sh
# Rebuilds the tool button pictures in res/ and the program's icons in
# packaging/icons/hicolor/ from make_icons.cpp.
set -e
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
g++ -std=c++20 -O1 -fPIC -o "$out/make_icons" "$here/make_icons.cpp" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$out/make_icons" "$here/../../res"
QT_QPA_PLATFORM=offscreen "$out/make_icons" --app "$here/../../packaging/icons/hicolor"
