#!/usr/bin/env bash
# Test fixture: CUPS queues of this build's own that write Qt's PDF to a file.
#
#   cups_queue.sh setup <state-file> <queue> <pdf-path>   start cupsd when needed, create the queues
#   cups_queue.sh cleanup <state-file> <queue>            remove the queues again
#
# <queue> prints on A4, <queue>-Letter on Letter (its PDF beside the first, letter.pdf), and
# <queue>-Refusing is a queue that rejects every job. The state file tells the tests what
# happened: "READY <queue> <pdf-path>" with "LETTER <queue> <pdf-path>" and
# "REFUSING <queue>" on the next lines, or "UNAVAILABLE <reason>". The script itself always succeeds, so that a machine without CUPS
# skips the printing tests with that reason instead of failing them. cupsd is shared by every
# session on the machine: it is started when it is not running, and left running afterwards;
# only this build's queue is added and removed.
set -uo pipefail
action=$1 state=$2 queue=$3
unavailable() { echo "UNAVAILABLE $*" >"$state"; echo "CUPS unavailable: $*"; exit 0; }

if [ "$action" = cleanup ]; then
  for q in "$queue" "$queue-Letter" "$queue-Refusing"; do lpadmin -x "$q" >/dev/null 2>&1 || true; done
  exit 0
fi
pdf=$4
rm -f "$state"

command -v lpadmin >/dev/null && [ -x /usr/sbin/cupsd ] || unavailable "cups-daemon/cups-client are not installed"
ppd=lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd

# file: device URIs need FileDevice; cups-files.conf is read at start only.
files_conf=/etc/cups/cups-files.conf
need_restart=0
if ! grep -Eq '^[[:space:]]*FileDevice[[:space:]]+Yes' "$files_conf" 2>/dev/null; then
  [ -w "$files_conf" ] || unavailable "FileDevice is off in $files_conf and this user cannot enable it"
  sed -i -E 's/^[[:space:]]*#?[[:space:]]*FileDevice[[:space:]].*$//' "$files_conf"
  echo "FileDevice Yes" >>"$files_conf"
  need_restart=1
fi

running() { lpstat -r 2>/dev/null | grep -q 'is running'; }
wait_running() {
  for _ in $(seq 1 50); do running && return 0; sleep 0.2; done
  return 1
}
if running && [ $need_restart -eq 1 ]; then
  pid=$(cat /run/cups/cupsd.pid 2>/dev/null || true)
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  for _ in $(seq 1 50); do running || break; sleep 0.2; done
fi
if ! running; then
  [ "$(id -u)" -eq 0 ] || unavailable "cupsd is not running and only root can start it"
  /usr/sbin/cupsd >/dev/null 2>&1 || unavailable "cupsd would not start"
  wait_running || unavailable "cupsd did not come up within 10 s"
fi

mkdir -p "$(dirname "$pdf")"
chmod 0777 "$(dirname "$pdf")" 2>/dev/null || true
letter_pdf="$(dirname "$pdf")/letter.pdf"
rm -f "$pdf" "$letter_pdf"
# make_queue <name> <pdf> <paper>: the paper is set explicitly, as the driver's own default
# depends on how it was installed.
make_queue() {
  if ! lpstat -v "$1" >/dev/null 2>&1; then
    lpadmin -p "$1" -E -v "file://$2" -m "$ppd" -o PageSize="$3" >/dev/null 2>&1 ||
      unavailable "lpadmin could not create $1 (is printer-driver-cups-pdf/cups-filters installed?)"
  else
    lpadmin -p "$1" -E -v "file://$2" -o PageSize="$3" >/dev/null 2>&1 || unavailable "lpadmin could not update $1"
  fi
  cupsenable "$1" >/dev/null 2>&1 || true
  cupsaccept "$1" >/dev/null 2>&1 || true
}
make_queue "$queue" "$pdf" A4
make_queue "$queue-Letter" "$letter_pdf" Letter
make_queue "$queue-Refusing" "$(dirname "$pdf")/refused.pdf" A4
cupsreject -r "closed for the test" "$queue-Refusing" >/dev/null 2>&1 || unavailable "cupsreject failed"
printf 'READY %s %s\nLETTER %s %s\nREFUSING %s\n' "$queue" "$pdf" "$queue-Letter" "$letter_pdf" \
  "$queue-Refusing" >"$state"
echo "CUPS queues $queue (A4) and $queue-Letter write $pdf and $letter_pdf; $queue-Refusing rejects jobs"
