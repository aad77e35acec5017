#!/usr/bin/env bash
# Starts the program (its main window). Without a display (or with --demo) it runs a
# short scripted demonstration through the headless driver instead: a small folder
# tree on a temporary drive table, a saved template, a scan, a copy backup and a
# zip backup.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/tools/script/qvbackup-script ] && [ -x build/src/app/qvbackup ] || { scripts/setup.sh && scripts/build.sh; }
if [ "${1:-}" != "--demo" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/src/app/qvbackup
fi
[ "${1:-}" = "--demo" ] || echo "(no display: running the scripted demonstration; the window needs X11 or Wayland)"

demo=$(mktemp -d /tmp/qvbackup-demo-XXXXXX)
mkdir -p "$demo/c/Program/Backup" "$demo/c/Data/Dokumenter/Brev" "$demo/d"
printf 'Hei!\r\n' > "$demo/c/Data/Dokumenter/hilsen.txt"
printf 'Kjære deg,\r\n' > "$demo/c/Data/Dokumenter/Brev/brev 2026.txt"
head -c 20000 /dev/urandom > "$demo/c/Data/Dokumenter/bilde.jpg"
printf 'midlertidig' > "$demo/c/Data/Dokumenter/kladd.tmp"

export QVBACKUP_DRIVES="C=$demo/c;D=$demo/d"
export QVBACKUP_PROGRAM_DIR='C:\Program\Backup'
export XDG_CONFIG_HOME="$demo/config"
export XDG_RUNTIME_DIR="$demo/runtime"; mkdir -p -m 700 "$XDG_RUNTIME_DIR"
export QVBACKUP_TEXT_VIEWER=/bin/true
qvscript() { LC_ALL=nb_NO.UTF-8 build/tools/script/qvbackup-script "$@"; }

qvscript - <<'SCRIPT'
startup
exclude tmp
source C:\Data\Dokumenter\
dest D:\Sikring\
text Dokumenter
save
scan
print files
# Start: confirm, then decline the log viewer
answer Yes No
start
print file BackupLoggEnkel.txt
# Only new and changed files, into a dated zip archive
option endrede
check zip on
answer Yes
text Dokumenter
save
print templates
close
SCRIPT

# Later: one new file, and a zip run that takes only what is new or changed.
printf 'Ny fil\r\n' > "$demo/c/Data/Dokumenter/ny.txt"
qvscript - <<'SCRIPT'
startup
print state
answer Yes No
start
print file BackupLoggEnkel.txt
SCRIPT

echo
echo "Demo tree: $demo  (the copy is under $demo/d/Sikring)"
find "$demo/d" -type f | sed "s|$demo/||"
for z in "$demo"/d/Sikring/*.zip; do unzip -l "$z"; unzip -tq "$z"; done
