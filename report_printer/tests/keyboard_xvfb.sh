#!/usr/bin/env bash
# Cadrorpt driven by the keyboard alone, as an operator does: the program runs under Xvfb and
# gets real key presses (xdotool). File > Print... opens the real Print dialog and Return
# confirms it; Alt+P (the Print button's access key) and Ctrl+P each print; Alt+R opens the
# preview and Escape closes it; File > Exit ends the program. Each print must come out of the
# test queue and add a "Printing --> " line to the session log. Exits 77 (skipped) without Xvfb,
# xdotool or the CUPS fixture's queue; under CI=true a skip is a failure, as CI must print.
# Every wait is for a window event or a file, each with its own bound; none is a fixed pause.
#
#   keyboard_xvfb.sh <Cadrorpt> <forms-folder> <cups-state-file>
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

# printed <what>: a whole page came out of the queue (bound 30 s), holding the form, and the
# session log has one more "Printing --> " line; the page is then taken away for the next one.
prints=0
printed() {
  for _ in $(seq 1 150); do
    [ -s "$pdf" ] && grep -q '%%EOF' "$pdf" 2>/dev/null && break
    sleep 0.2
  done
  [ -s "$pdf" ] || fail "no page came out of $queue after $1"
  pdftotext "$pdf" - | grep -q "CADRO INCIDENT MESSAGE" || fail "the page printed by $1 does not hold the form"
  prints=$((prints + 1))
  local logged
  logged=$(grep -c ': Printing --> XYZ26341.100 | MED+LAW | ' "$work"/logs/Cadro_*.log 2>/dev/null)
  [ "$logged" = "$prints" ] || fail "$1: $logged Printing lines in the session log, expected $prints"
  rm -f "$pdf"
  echo "ok: $1 printed"
}
printed "confirming the Print dialog"

xdotool windowfocus --sync "$main" key alt+p
printed "Alt+P"
xdotool windowfocus --sync "$main" key ctrl+p
printed "Ctrl+P"

# Alt+R opens the preview; Escape closes it, and the main window stays.
preview=""
for attempt in 1 2 3; do
  xdotool windowfocus --sync "$main" key alt+r
  preview=$(find_window "Preview" 10)
  [ -n "$preview" ] && break
  echo "attempt $attempt: no preview yet"
done
[ -n "$preview" ] || fail "Alt+R opened no preview"
xdotool windowfocus --sync "$preview" key Escape
gone "Preview" || fail "Escape did not close the preview"
[ -n "$(find_window "Cadrorpt v3.4.5" 5)" ] || fail "the main window went with the preview"
echo "ok: Alt+R opened the preview and Escape closed it"

# File > Exit ends the program.
xdotool windowfocus --sync "$main" key --delay 150 alt+f x
for _ in $(seq 1 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$app_pid" 2>/dev/null && fail "File > Exit did not end the program"
wait "$app_pid"
rc=$?
app_pid=""
[ $rc -eq 0 ] || fail "Cadrorpt exited with $rc"
echo "printed through the real Print dialog, Alt+P and Ctrl+P to $queue; the preview came and went"
