#!/usr/bin/env bash
# The before/after check of the machine's print scheduler must see what the old test fixture did
# to it: FileDevice switched on in cups-files.conf, a test queue among the printers, a file added
# to its configuration folder, and a test scheduler of ours left running. Run on a configuration
# folder of its own, never on /etc/cups.
#
#   system_cups_state_selftest.sh <system_cups_state.sh>
set -uo pipefail
check=$1
work=$(mktemp -d)
fake_pid=""
trap '[ -n "$fake_pid" ] && kill "$fake_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
export CADRO_SYSTEM_CUPS_ETC=$work/etc
root=$work/build/cadrorpt-cups

reset() {
  rm -rf "$work/etc"
  mkdir -p "$work/etc/ppd"
  printf 'SystemGroup lpadmin\n' >"$work/etc/cups-files.conf"
  printf 'Listen /run/cups/cups.sock\n' >"$work/etc/cupsd.conf"
  printf '<DefaultPrinter Office>\nDeviceURI ipp://office/\n</Printer>\n' >"$work/etc/printers.conf"
  "$check" before "$work/snapshot" >/dev/null
}
# expect_change <name>: the check must fail and name what changed.
expect_change() {
  local out
  if out=$("$check" after "$work/snapshot" "$root" 2>&1); then
    fail "$1: not noticed"
  else
    echo "ok: $1 noticed: $(grep -E '^[<>]|still running' <<<"$out" | tr '\n' ' ')"
  fi
}

reset
"$check" after "$work/snapshot" "$root" >/dev/null || fail "an untouched scheduler was reported as changed"

echo "FileDevice Yes" >>"$work/etc/cups-files.conf"
expect_change "FileDevice switched on"

reset
printf '<Printer CadrorptTest-1>\nDeviceURI file:///tmp/x.pdf\n</Printer>\n' >>"$work/etc/printers.conf"
: >"$work/etc/ppd/CadrorptTest-1.ppd"
expect_change "a test queue added"

reset
: >"$work/etc/lpoptions"
expect_change "a default printer set"

# A test scheduler left running: a stand-in process named cupsd whose command line names this
# tree's configuration (the real check ignores every other tree's).
reset
mkdir -p "$work/bin" && cp "$(command -v bash)" "$work/bin/cupsd"
"$work/bin/cupsd" -c 'while :; do sleep 0.2; done' cupsd -c "$root/conf/cupsd.conf" </dev/null >/dev/null 2>&1 &
fake_pid=$!
for _ in $(seq 1 50); do [ "$(cat "/proc/$fake_pid/comm" 2>/dev/null)" = cupsd ] && break; sleep 0.1; done
expect_change "a test scheduler left running"

[ $failures -eq 0 ] || exit 1
echo "every change to the machine's print scheduler was noticed"
