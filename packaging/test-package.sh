#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a throwaway root and checks it as a station would
# receive it: the layout under /opt/cadro, the desktop entries and their icons, every program's
# libraries, and one start of each program offscreen from the unpacked tree.
#
#   packaging/test-package.sh            build with ./dev package, then test
#   packaging/test-package.sh FILE.deb   test an existing package
#
# KEEP=1 keeps the unpacked tree and the programs' output (the path is printed at the end).
#
# Exit status 0 when every check passed; the failures are listed otherwise.
set -uo pipefail
cd "$(dirname "$(readlink -f "$0")")/.." || exit 1
PREFIX=/opt/cadro

failures=0
pass() { printf '  ok    %s\n' "$*"; }
fail() { printf '  FAIL  %s\n' "$*"; failures=$((failures + 1)); }
say() { printf '\033[1m==> %s\033[0m\n' "$*"; }

if [ $# -ge 1 ]; then
  deb=$1
else
  say "building the package (./dev package)"
  ./dev package || { echo "./dev package failed" >&2; exit 1; }
  deb=$(ls -t build-release/cadro-station_*.deb 2>/dev/null | head -n 1)
fi
[ -n "${deb:-}" ] && [ -f "$deb" ] || { echo "no package found (build-release/cadro-station_*.deb)" >&2; exit 1; }
deb=$(readlink -f "$deb")

work=$(mktemp -d /tmp/cadro-package-test.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  if [ "${KEEP:-0}" = 1 ]; then echo "kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
root=$work/root
opt=$root$PREFIX

say "unpacking $(basename "$deb")"
dpkg-deb -x "$deb" "$root" || { echo "dpkg-deb -x failed" >&2; exit 1; }
dpkg-deb -e "$deb" "$work/control" || { echo "dpkg-deb -e failed" >&2; exit 1; }

say "package metadata"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = cadro-station ] && pass "Package: cadro-station" || fail "package name is '$(field Package)'"
deps=$(field Depends)
for d in libqt6widgets6 libqt6printsupport6 libqt6network6 fonts-liberation2 fonts-crosextra-carlito fonts-dejavu-core \
  fonts-dejavu-extra; do
  case "$deps" in *"$d"*) pass "depends on $d" ;; *) fail "Depends lacks $d: $deps" ;; esac
done
for s in postinst prerm; do
  [ -x "$work/control/$s" ] && pass "maintainer script $s" || fail "maintainer script $s missing or not executable"
done

say "layout under $PREFIX"
for f in Cadro/Cadrocts Cadro/Cadrorpt Vtnote/Vtnote Addlaunch/Addlaunch; do
  [ -f "$opt/$f" ] && [ -x "$opt/$f" ] && pass "program $f" || fail "program $f missing or not executable"
done
for d in Cadro/msg.d Cadro/logs Cadro/docs Addlaunch/logs; do
  [ -d "$opt/$d" ] && pass "folder $d" || fail "folder $d missing"
done
[ -s "$opt/Cadro/docs/CadroUG-QuickStart.pdf" ] && pass "quick-start guide in Cadro/docs" ||
  fail "Cadro/docs/CadroUG-QuickStart.pdf missing"
for f in Cadro/IncidentMessage.fdf Cadro/IncidentMessage.ddf Vtnote/Vantrel.conf; do
  [ -f "$opt/$f" ] && pass "file $f" || fail "file $f missing"
done
# Nothing outside the prefix: the maintainer scripts link the menu entries into place.
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name opt)
[ -z "$outside" ] && pass "nothing installed outside /opt" || fail "files outside /opt: $outside"

say "desktop entries"
for program in Cadrocts Cadrorpt Vtnote; do
  entry=$opt/share/applications/$program.desktop
  if [ ! -f "$entry" ]; then
    fail "$program.desktop missing"
    continue
  fi
  get() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
  exec_path=$(get Exec | cut -d' ' -f1)
  icon=$(get Icon)
  [ "$(get Type)" = Application ] && [ "$(get Name)" = "$program" ] && pass "$program.desktop names $program" ||
    fail "$program.desktop: Type/Name wrong"
  [ -x "$root$exec_path" ] && pass "$program.desktop Exec=$exec_path is in the package" ||
    fail "$program.desktop Exec=$exec_path is not a program in the package"
  case "$icon" in
    /*) [ -s "$root$icon" ] && pass "$program.desktop Icon=$icon is in the package" ||
      fail "$program.desktop Icon=$icon is not in the package" ;;
    *) fail "$program.desktop Icon=$icon is not an absolute path into the package" ;;
  esac
  if command -v desktop-file-validate >/dev/null 2>&1; then
    out=$(desktop-file-validate "$entry" 2>&1) && pass "$program.desktop validates" ||
      fail "$program.desktop does not validate: $out"
  fi
done
case "$(sed -n 's/^Exec=//p' "$opt/share/applications/Cadrorpt.desktop" | head -n 1)" in
  *" %f") pass "Cadrorpt.desktop passes an opened file on (%f)" ;;
  *) fail "Cadrorpt.desktop does not pass an opened file on (%f)" ;;
esac

say "shared libraries"
for f in Cadro/Cadrocts Cadro/Cadrorpt Vtnote/Vtnote Addlaunch/Addlaunch; do
  missing=$(ldd "$opt/$f" 2>&1 | grep 'not found')
  [ -z "$missing" ] && pass "$f finds every library" || fail "$f: $missing"
done

say "one start of each program, offscreen, from the unpacked tree"
home=$work/home
mkdir -p "$home" "$work/wine/dosdevices" "$work/runtime"
chmod 700 "$work/runtime"
# A host installed under Wine: drive C with the host's program folder and its data folder.
drive_c=$work/wine/drive_c
mkdir -p "$drive_c/Program Files/Vantrel" "$drive_c/VData"
ln -s "$drive_c" "$work/wine/dosdevices/c:"
printf '[Main]\r\nINSTANCE=1\r\nDATADIR=C:\\VData\r\n' >"$drive_c/Program Files/Vantrel/Vantrel.conf"
# The unpacked tree stands where the package would be installed: the viewer's demonstration
# Vantrel.conf names the host data folder under the installed prefix, so it is pointed into the
# tree here.
printf '[Main]\r\nINSTANCE=1\r\nDATADIR=%s\r\n' "$opt/host/VData" >"$opt/Vtnote/Vantrel.conf"
mkdir -p "$opt/host/VData"
# A loader file for Addlaunch to register.
printf '[Smoke-1.0]\r\nPath=C:\\Smoke\\Smoke.exe\r\n/ [EOA]\r\n' >"$work/Smoke.local"

# smoke <name> <folder> <program> [args...]: passes when the program is still running after 3 s
# and ends on SIGTERM within 5 s, or when it ended by itself with status 0.
smoke() {
  local name=$1 folder=$2
  shift 2
  local log=$work/$name.log
  (cd "$folder" && exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" WINEPREFIX="$work/wine" \
    QT_QPA_PLATFORM=offscreen CUPS_SERVER="$work/no-cups.sock" "$@") >"$log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  sleep 3
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    local status=$?
    if [ $status -eq 0 ]; then
      pass "$name ran and ended by itself with status 0"
    else
      fail "$name ended within 3 s with status $status: $(tail -n 5 "$log")"
    fi
    return
  fi
  kill -TERM "$pid"
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 50 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null
    fail "$name did not end within 5 s of SIGTERM"
    return
  fi
  wait "$pid"
  local status=$?
  # 143 is the death by SIGTERM itself; anything else (a crash on the way out, an abort) fails.
  if [ $status -eq 143 ] || [ $status -eq 0 ]; then
    pass "$name running after 3 s, ended on SIGTERM (status $status)"
  else
    fail "$name ended with status $status after SIGTERM: $(tail -n 5 "$log")"
  fi
  if grep -qiE 'AddressSanitizer|runtime error|Segmentation|QFATAL|cannot open shared' "$log"; then
    fail "$name printed: $(grep -iE 'AddressSanitizer|runtime error|Segmentation|QFATAL|cannot open shared' "$log" | head -n 3)"
  fi
}

smoke Cadrocts "$opt/Cadro" "$opt/Cadro/Cadrocts"
[ -f "$opt/Cadro/Cadrocts.ini" ] && pass "Cadrocts created Cadrocts.ini in its program folder" ||
  fail "Cadrocts did not create Cadro/Cadrocts.ini"
smoke Cadrorpt "$opt/Cadro" "$opt/Cadro/Cadrorpt" -fdf "$opt/Cadro/IncidentMessage.fdf" \
  -ddf "$opt/Cadro/IncidentMessage.ddf" -apt -cwd
smoke Vtnote "$opt/Vtnote" "$opt/Vtnote/Vtnote"

# Addlaunch first asks the operator whether to register the add-on, so it waits on that box.
smoke Addlaunch "$opt/Addlaunch" "$opt/Addlaunch/Addlaunch" "install,$work/Smoke.local"
grep -q 'Found loader file' "$opt/Addlaunch/logs/Addlaunch.log" 2>/dev/null &&
  pass "Addlaunch logged its start in Addlaunch/logs" || fail "Addlaunch/logs/Addlaunch.log lacks its start"

echo
if [ $failures -eq 0 ]; then
  say "package test passed"
  exit 0
fi
say "package test: $failures check(s) failed"
exit 1
