#!/usr/bin/env bash
# One print through the real Print dialog: Cadrorpt runs under Xvfb, File > Print... is opened
# and the dialog confirmed with key presses (xdotool), and the page must come out of the test
# queue with the "Printing --> " line in the session log. Exits 77 (skipped) without Xvfb,
# xdotool or the CUPS fixture's queue; under CI=true a skip is a failure, as CI must print.
# Every wait is for a window event, each with its own bound; none is a fixed pause.
#
#   print_dialog_xvfb.sh <Cadrorpt> <forms-folder> <cups-state-file>
set -uo pipefail
exe=$1 forms=$2 state=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"
fail() { echo "FAILED: $*"; exit 1; }

read -r status queue pdf <"$state" 2>/dev/null || skip "the CUPS fixture did not run"
[ "$status" = READY ] || skip "CUPS is not available: $(cut -d' ' -f2- "$state")"
need_x_tools
open_work
start_xvfb

cp "$exe" "$work/Cadrorpt" && mkdir "$work/logs"
rm -f "$pdf"
QT_QPA_PLATFORM=xcb "$work/Cadrorpt" -fdf "$forms/IncidentMessage.fdf" -ddf "$forms/IncidentMessage.ddf" \
  -ptr "$queue" >"$work/out.txt" 2>&1 &
app_pid=$!

# True once no visible window of this title is left (bound 10 s).
gone() {
  for _ in $(seq 1 100); do
    [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

main=$(find_window "Cadrorpt v3.4.5")
[ -n "$main" ] || fail "the main window did not appear"
# Keys reach a window only once it has the focus; --sync waits for the focus event. A key press
# that still arrived before Qt was ready is sent again (Escape first closes a menu left open).
dialog=""
for attempt in 1 2 3; do
  xdotool windowfocus --sync "$main" key --delay 150 alt+f p
  dialog=$(find_window "Print")
  [ -n "$dialog" ] && break
  echo "attempt $attempt: no Print dialog yet"
  xdotool key Escape Escape
done
[ -n "$dialog" ] || fail "the Print dialog did not appear"
echo "Print dialog window $dialog is up"
for attempt in 1 2 3; do
  xdotool windowfocus --sync "$dialog" key Return
  gone "Print" && break
  echo "attempt $attempt: the Print dialog is still open"
done

for _ in $(seq 1 150); do
  [ -s "$pdf" ] && grep -q '%%EOF' "$pdf" 2>/dev/null && break
  sleep 0.2
done
[ -s "$pdf" ] || fail "no page came out of $queue after confirming the dialog"
grep -q ': Printing --> XYZ26341.100 | MED+LAW | ' "$work"/logs/Cadro_*.log || fail "no Printing line in the session log"
pdftotext "$pdf" - | grep -q "CADRO INCIDENT MESSAGE" || fail "the printed page does not hold the form"

# File > Exit ends the program.
xdotool windowfocus --sync "$main" key --delay 150 alt+f x
for _ in $(seq 1 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$app_pid" 2>/dev/null && fail "File > Exit did not end the program"
wait "$app_pid"
rc=$?
app_pid=""
[ $rc -eq 0 ] || fail "Cadrorpt exited with $rc"
echo "printed through the real Print dialog to $queue"
