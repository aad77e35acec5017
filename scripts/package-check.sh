#!/usr/bin/env bash
# Builds the Debian package from build/ (scripts/build.sh first), checks it with
# lintian (no error, no warning) and the manual page with man; as root, installs it,
# runs it as root, purges it, and checks that nothing of it is left below /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${QV_BUILD_DIR:-build}
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls -t "$dir"/qvbackup_*.deb | head -n1)
echo "package: $deb"
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# The manual page renders without a warning.
MANWIDTH=80 man --warnings -l "$unpacked/usr/share/man/man1/qvbackup.1.gz" 2>&1 >/dev/null | tee "$unpacked/man.err"
[ ! -s "$unpacked/man.err" ]

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  echo "install check skipped (needs root and apt-get)"
  exit 0
fi
apt() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" >/dev/null; }
apt install "$(realpath "$deb")"
home=$unpacked/home
mkdir -p "$home/.config/qvbackup" "$home/Data" "$home/Sikring"
echo innhold >"$home/Data/a.txt"
printf '"Data","C:%s\\","C:%s\\",-1,0,"",0\r\n' "${home//\//\\}\\Data" "${home//\//\\}\\Sikring" \
  >"$home/.config/qvbackup/BackupMal.txt"
status=0
env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QVBACKUP_DRIVES=C=/ qvbackup --all || status=$?
man -w qvbackup >/dev/null
# The completion offers the installed program's options and the saved template.
completed=$(HOME="$home" XDG_CONFIG_HOME="$home/.config" bash -c '
  source /usr/share/bash-completion/bash_completion
  source /usr/share/bash-completion/completions/qvbackup
  ask() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
         COMPREPLY=(); _qvbackup; echo "${COMPREPLY[*]}"; }
  ask qvbackup --
  ask qvbackup --run D')
grep -q -- "--schedule" <<<"$completed" && grep -qx "Data" <<<"$completed" ||
  { echo "completion: $completed"; status=9; }
[ -f "$home/Sikring/Backup av Data/a.txt" ] || { echo "the installed program copied nothing"; status=9; }
[ -f "$home/.local/state/qvbackup/BackupLoggAlle.txt" ] || { echo "no log in the state folder"; status=9; }
extra=$(find /usr/lib/qvbackup -newer "$deb" -type f ! -path '*/Res/*' ! -name qvbackup)
[ -z "$extra" ] || { echo "written into the program folder: $extra"; status=9; }
apt purge qvbackup
left=$(find /usr -path '*qvbackup*' 2>/dev/null | head)
[ -z "$left" ] || { echo "left below /usr after purge: $left"; status=9; }
exit $status
