#!/usr/bin/env bash
# A print scheduler of the test run's own: cupsd with its own configuration, spool, logs and
# state under <root> (in the build tree), listening only on the local socket <socket>, with the
# test queues on it. The machine's own scheduler is never started, stopped, reconfigured or asked
# anything, and its printer list stays as it was: every test reaches this one through CUPS_SERVER.
#
#   private_cups.sh setup <root> <socket> <queue>  start the scheduler, create the queues
#   private_cups.sh cleanup <root>                 stop it
#   private_cups.sh watch ...                      (internal) the watchdog, see start_watchdog
#
# <queue> prints on A4 into <root>/out/page.pdf, <queue>-Letter on Letter into letter.pdf, and
# <queue>-Refusing rejects every job. <root>/state tells the tests what happened: "READY <queue>
# <pdf>", "LETTER <queue> <pdf>", "REFUSING <queue>", "SERVER <socket>" on separate lines, or
# "UNAVAILABLE <reason>". Without CUPS the tests are then skipped with that reason; under CI=true
# setup fails instead, as CI must print.
#
# The scheduler outlives this script (the tests between setup and cleanup use it), so it is
# stopped three ways: by cleanup; by a watchdog that ends it once the process that ran setup
# (ctest) is gone, so an interrupted or killed run leaves nothing behind; and by the next setup
# in the same build tree, which ends one left over from a run that ended without either.
set -uo pipefail
action=${1:-}
self=$(readlink -f "${BASH_SOURCE[0]}")

# The start time of a process in clock ticks since boot (field 22 of its stat), empty when there
# is no such process: a pid alone may have been given to another process since.
start_time() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  stat=${stat##*) }
  set -- $stat
  echo "${20}"
}

# True when <pid> is a scheduler started for <root> (its command line names our configuration).
is_ours() {
  local pid=$1 root=$2
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "-c $root/conf/cupsd.conf"
}
is_our_watchdog() {
  local pid=$1 root=$2
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "private_cups.sh watch $root "
}

# Ends the scheduler of <root> whose pid is <pid>: TERM, then KILL after 10 s.
stop_daemon() {
  local pid=$1 root=$2
  is_ours "$pid" "$root" || return 0
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 1 100); do
    is_ours "$pid" "$root" || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  for _ in $(seq 1 50); do
    is_ours "$pid" "$root" || return 0
    sleep 0.1
  done
}

# Everything a run in this build tree left running: its watchdog first, so that it does not race
# us, then the scheduler. Each pid is checked against its command line before it is signalled.
stop_all() {
  local root=$1 pid
  pid=$(cat "$root/run/watchdog.pid" 2>/dev/null)
  is_our_watchdog "$pid" "$root" && kill -TERM "$pid" 2>/dev/null
  pid=$(cat "$root/run/cupsd.pid" 2>/dev/null)
  stop_daemon "$pid" "$root"
  rm -f "$root/run/cupsd.pid" "$root/run/watchdog.pid"
  local socket
  socket=$(cat "$root/run/socket" 2>/dev/null)
  [ -n "$socket" ] && rm -f "$socket"
}

if [ "$action" = watch ]; then
  # watch <root> <daemon-pid> <owner-pid> <owner-start>; runs in a session of its own and holds
  # the build tree's lock (fd 9) for as long as the scheduler lives.
  root=$2 daemon=$3 owner=$4 owner_start=$5
  trap 'exit 0' TERM
  while is_ours "$daemon" "$root"; do
    if [ "$(start_time "$owner")" != "$owner_start" ]; then
      echo "$(date '+%F %T') the run that started the scheduler (pid $owner) is gone: stopping it" \
        >>"$root/log/watchdog.log"
      stop_daemon "$daemon" "$root"
      rm -f "$(cat "$root/run/socket" 2>/dev/null)" "$root/run/cupsd.pid"
      exit 0
    fi
    sleep 1
  done
  exit 0
fi

if [ "$action" = cleanup ]; then
  root=$2
  stop_all "$root"
  [ -f "$root/state" ] && echo "STOPPED" >"$root/state"
  spool=$(cat "$root/run/spool" 2>/dev/null)
  # A spool outside the tree (see setup) goes with the run.
  case "$spool" in /tmp/cadrorpt-spool.*) rm -rf "$spool" ;; esac
  echo "private print scheduler of $root stopped"
  exit 0
fi

[ "$action" = setup ] || { echo "usage: $0 setup <root> <socket> <queue> | cleanup <root>" >&2; exit 2; }
root=$2 socket=$3 queue=$4
state=$root/state

unavailable() {
  echo "UNAVAILABLE $*" >"$state"
  if [ "${CI:-}" = true ]; then
    echo "FAILED (CI must print): the private print scheduler is unavailable: $*"
    exit 1
  fi
  echo "private print scheduler unavailable: $*"
  exit 0
}

mkdir -p "$root" || { echo "cannot create $root"; exit 1; }
rm -f "$state"

# One run at a time per build tree: a second ctest in the same tree waits here until the first
# one's scheduler has ended (its watchdog holds the lock), rather than pulling it from under it.
exec 9>"$root/lock"
if ! flock -n 9; then
  echo "another test run in this build tree uses its print scheduler; waiting for it (up to 4 minutes)"
  flock -w 240 9 || unavailable "another test run in this build tree kept the print scheduler"
fi
stop_all "$root"  # left over from a run that ended without cleanup or watchdog

command -v lpadmin >/dev/null && command -v lpstat >/dev/null || unavailable "cups-client is not installed"
[ -x /usr/sbin/cupsd ] || unavailable "cups-daemon is not installed"
ppd=lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd
[ -f /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd ] || unavailable "cups-filters is not installed"

rm -rf "$root/conf" "$root/state.d" "$root/cache" "$root/spool" "$root/out" "$root/sbin"
mkdir -p "$root/conf/ppd" "$root/conf/ssl" "$root/state.d" "$root/cache" "$root/log" "$root/run" "$root/out" \
  "$root/sbin" || unavailable "cannot lay out $root"
rm -f "$root"/log/*_log "$root/log/cupsd.out"

# The socket's folder admits only this user: the scheduler takes every request from it.
socket_dir=$(dirname "$socket")
if [ ! -d "$socket_dir" ]; then
  mkdir -m 0700 -p "$socket_dir" || unavailable "cannot create $socket_dir"
fi
[ -O "$socket_dir" ] && [ ! -L "$socket_dir" ] || unavailable "$socket_dir belongs to someone else"
chmod 0700 "$socket_dir"
rm -f "$socket"
echo "$socket" >"$root/run/socket"

# As root the scheduler runs its filters as the unprivileged lp user, which must reach the spool;
# a build tree under a private home folder is out of its reach, so the spool then lies in /tmp.
spool=$root/spool
if [ "$(id -u)" -eq 0 ]; then
  dir=$root
  while [ "$dir" != / ]; do
    perms=$(stat -c '%A' "$dir")
    [ "${perms:9:1}" = x ] || [ "${perms:9:1}" = t ] || { spool=""; break; }
    dir=$(dirname "$dir")
  done
  [ -n "$spool" ] || spool=$(mktemp -d /tmp/cadrorpt-spool.XXXXXX) || unavailable "cannot create a spool"
fi
mkdir -p "$spool/tmp" && chmod 0755 "$spool" || unavailable "cannot create the spool $spool"
echo "$spool" >"$root/run/spool"

{
  echo "ServerRoot $root/conf"
  echo "StateDir $root/state.d"
  echo "CacheDir $root/cache"
  echo "RequestRoot $spool"
  echo "TempDir $spool/tmp"
  echo "ServerKeychain $root/conf/ssl"
  echo "AccessLog $root/log/access_log"
  echo "ErrorLog $root/log/error_log"
  echo "PageLog $root/log/page_log"
  echo "Printcap $root/run/printcap"
  echo "FileDevice Yes"
  [ "$(id -u)" -eq 0 ] && echo "SystemGroup root"
} >"$root/conf/cups-files.conf"
# Nothing is shared, browsed or served over the network; the one listener is the socket, whose
# folder only this user can enter, so every request on it may administer the test queues.
cat >"$root/conf/cupsd.conf" <<EOF
LogLevel info
Listen $socket
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
DefaultAuthType None
PreserveJobFiles No
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# Run from a copy: a confinement profile bound to the system scheduler's path lets it read only
# the system's folders, not this configuration. A build tree on a file system that runs nothing
# (noexec) runs the system's binary instead.
daemon_exe=$root/sbin/cupsd
cp /usr/sbin/cupsd "$daemon_exe" || unavailable "cannot copy cupsd"
"$daemon_exe" -h </dev/null >/dev/null 2>&1
[ $? -eq 126 ] && daemon_exe=/usr/sbin/cupsd
# Its own session (neither ctest's timeout nor an interrupt of the run reaches it: the watchdog
# ends it), no terminal, no lock fd, and no system bus, so that desktop applets hear nothing of
# the test queues.
DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/cadrorpt setsid "$daemon_exe" -f \
  -c "$root/conf/cupsd.conf" -s "$root/conf/cups-files.conf" </dev/null >>"$root/log/cupsd.out" 2>&1 9>&- &
daemon=$!
echo "$daemon" >"$root/run/cupsd.pid"

owner=$PPID
setsid "$self" watch "$root" "$daemon" "$owner" "$(start_time "$owner")" </dev/null >/dev/null 2>&1 &
echo $! >"$root/run/watchdog.pid"
exec 9>&-  # the watchdog holds the lock from here on

export CUPS_SERVER=$socket CUPS_SERVERROOT=$root/conf
up=0
for _ in $(seq 1 100); do
  if ! is_ours "$daemon" "$root"; then break; fi
  if [ -S "$socket" ] && lpstat -r 2>/dev/null | grep -q 'is running'; then up=1; break; fi
  sleep 0.1
done
if [ $up -eq 0 ]; then
  why=$(tail -n 3 "$root/log/error_log" "$root/log/cupsd.out" 2>/dev/null | grep -v '^==>' | tr '\n' ' ')
  stop_all "$root"
  unavailable "cupsd did not come up within 10 s: $why"
fi

pdf=$root/out/page.pdf letter_pdf=$root/out/letter.pdf
# make_queue <name> <pdf> <paper>: the paper is set explicitly, as the driver's own default
# depends on how it was installed.
make_queue() {
  local out
  out=$(lpadmin -p "$1" -E -v "file://$2" -m "$ppd" -o PageSize="$3" 2>&1 | grep -v 'drivers are deprecated')
  lpstat -v "$1" >/dev/null 2>&1 || { stop_all "$root"; unavailable "lpadmin could not create $1: $out"; }
}
make_queue "$queue" "$pdf" A4
make_queue "$queue-Letter" "$letter_pdf" Letter
make_queue "$queue-Refusing" "$root/out/refused.pdf" A4
cupsreject -r "closed for the test" "$queue-Refusing" >/dev/null 2>&1 ||
  { stop_all "$root"; unavailable "cupsreject failed"; }
printf 'READY %s %s\nLETTER %s %s\nREFUSING %s\nSERVER %s\n' "$queue" "$pdf" "$queue-Letter" "$letter_pdf" \
  "$queue-Refusing" "$socket" >"$state"
echo "private print scheduler (pid $daemon) on $socket: $queue (A4) and $queue-Letter write into $root/out;" \
  "$queue-Refusing rejects jobs; ended when pid $owner is"
