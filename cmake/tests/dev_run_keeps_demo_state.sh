#!/usr/bin/env bash
# `./dev run` rebuilds the staged program folders around what an operator typed into the demo.
# An install that fails or is killed half-way must leave the reports, Cadrocts.ini, the logs and
# the received envelopes where they were; a complete one replaces only the program files.
# cmake, the package check and the program itself are stand-ins, so this runs in seconds.
#
#   dev_run_keeps_demo_state.sh <source-tree>
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# A stand-in cmake: configure and build do nothing; --install lays out a program folder under
# $DESTDIR<prefix> and then behaves as $INSTALL_MODE says: ok, fail (an error half-way) or kill
# (the run interrupted half-way, as by Ctrl+C or a closed terminal).
mkdir -p "$work/bin"
cat >"$work/bin/cmake" <<'EOF'
#!/usr/bin/env bash
[ "${1:-}" = "--install" ] || exit 0
prefix=
while [ $# -gt 0 ]; do
  [ "$1" = "--prefix" ] && prefix=$2
  shift
done
root="${DESTDIR:-}$prefix"
mkdir -p "$root/Cadro/msg.d" "$root/Cadro/logs" "$root/Cadro/docs" "$root/host"
printf '#!/bin/sh\necho new program > "$(dirname "$0")/ran"\n' >"$root/Cadro/Cadrocts"
chmod +x "$root/Cadro/Cadrocts"
echo "DATADIR=$prefix/host/VData" >"$root/host/Vantrel.conf"
case "${INSTALL_MODE:-ok}" in
  fail) echo "install: disk full" >&2; exit 1 ;;
  kill) kill -TERM "$PPID"; exit 143 ;;
esac
exit 0
EOF
printf '#!/bin/sh\necho "install ok installed"\n' >"$work/bin/dpkg-query"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/rsyslogd"
chmod +x "$work/bin/"*

# A demo the operator has worked in, with last run's program files.
tree=$work/tree
make_demo() {
  rm -rf "$tree"
  mkdir -p "$tree/build" "$tree/stage/Cadro/msg.d" "$tree/stage/Cadro/logs" "$tree/stage/host/received"
  cp "$src/dev" "$tree/"
  touch "$tree/build/build.ninja"
  printf 'TYP=FIRE\r\nEID=FS326342.100\r\n' >"$tree/stage/Cadro/msg.d/FS326342.100.911"
  printf '[GENERAL OPTIONS]\r\nEno=101\r\n' >"$tree/stage/Cadro/Cadrocts.ini"
  printf 'a day of calls\r\n' >"$tree/stage/Cadro/logs/Cadrocts_261208.log"
  printf 'envelope\r\n' >"$tree/stage/host/received/0001.txt"
  printf 'old program\n' >"$tree/stage/Cadro/Cadrocts"
  printf 'gone from the build\n' >"$tree/stage/Cadro/stale.bin"
}
demo_files=(Cadro/msg.d/FS326342.100.911 Cadro/Cadrocts.ini Cadro/logs/Cadrocts_261208.log
  host/received/0001.txt)
snapshot() { (cd "$tree/stage" && cat "${demo_files[@]}" 2>/dev/null | md5sum); }

run_dev() {
  (cd "$tree" && PATH="$work/bin:$PATH" DISPLAY=:99 INSTALL_MODE=$1 timeout 30 ./dev run "${@:2}") \
    >"$work/out" 2>&1
}

for mode in fail kill; do
  make_demo
  before=$(snapshot)
  if run_dev "$mode"; then fail "./dev run passed over an install that ended with '$mode'"; fi
  for f in "${demo_files[@]}"; do
    [ -f "$tree/stage/$f" ] || fail "install '$mode': stage/$f is no longer in its place"
  done
  [ "$(snapshot)" = "$before" ] || fail "install '$mode': the demo's data changed"
  grep -q 'old program' "$tree/stage/Cadro/Cadrocts" ||
    fail "install '$mode': the old program was replaced by a half-installed one"
done

# A complete install: new program files, nothing stale, the data untouched.
make_demo
before=$(snapshot)
run_dev ok || { fail "./dev run failed with a working install:"; cat "$work/out"; }
[ "$(snapshot)" = "$before" ] || fail "complete install: the demo's data changed"
[ -f "$tree/stage/Cadro/ran" ] || fail "complete install: the new Cadrocts did not run"
[ -e "$tree/stage/Cadro/stale.bin" ] && fail "complete install: a program file the build no longer has stayed"
grep -qx "DATADIR=$tree/stage/host/VData" "$tree/stage/host/Vantrel.conf" ||
  fail "complete install: the installed files name the staging folder, not stage/"
[ -e "$tree/.stage-install" ] && fail "complete install: the staging folder was left behind"

# --fresh starts the demo over: the data goes, the install's empty folders take its place.
make_demo
run_dev ok --fresh || { fail "./dev run --fresh failed:"; cat "$work/out"; }
[ -e "$tree/stage/Cadro/Cadrocts.ini" ] && fail "--fresh kept Cadrocts.ini"
[ -e "$tree/stage/host/received/0001.txt" ] && fail "--fresh kept the received envelopes"
[ -d "$tree/stage/Cadro/msg.d" ] || fail "--fresh left no message folder"

[ "$failures" -eq 0 ] || exit 1
echo "./dev run keeps the demo's data through failed, interrupted and complete installs"
