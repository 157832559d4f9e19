#!/usr/bin/env bash
# One print through the real Print dialog: Cadrorpt runs under Xvfb, File > Print... is opened
# and the dialog confirmed with key presses (xdotool), and the page must come out of the test
# queue with the "Printing --> " line in the session log. Exits 77 (skipped) without Xvfb,
# xdotool or the CUPS fixture's queue.
#
#   print_dialog_xvfb.sh <Cadrorpt> <forms-folder> <cups-state-file>
set -uo pipefail
exe=$1 forms=$2 state=$3
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

read -r status queue pdf <"$state" 2>/dev/null || skip "the CUPS fixture did not run"
[ "$status" = READY ] || skip "CUPS is not available: $(cut -d' ' -f2- "$state")"
command -v Xvfb >/dev/null || skip "Xvfb is not installed"
command -v xdotool >/dev/null || skip "xdotool is not installed"

work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, the first free one from :193 on.
for n in $(seq 193 213); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  break
done
[ -n "$xvfb_pid" ] || skip "no free X display number"
ready=0
for _ in $(seq 1 100); do
  if xdotool getmouselocation >/dev/null 2>&1; then ready=1; break; fi
  sleep 0.1
done
[ $ready -eq 1 ] || skip "Xvfb did not start on $DISPLAY"

cp "$exe" "$work/Cadrorpt" && mkdir "$work/logs"
rm -f "$pdf"
unset QT_QPA_PLATFORM
QT_QPA_PLATFORM=xcb "$work/Cadrorpt" -fdf "$forms/IncidentMessage.fdf" -ddf "$forms/IncidentMessage.ddf" \
  -ptr "$queue" >"$work/out.txt" 2>&1 &
app_pid=$!

# Finds a window by exact title within 15 s.
find_window() {
  local id
  for _ in $(seq 1 75); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}
main=$(find_window "Cadrorpt v3.4.5") || fail "the main window did not appear"
sleep 0.5
xdotool windowfocus --sync "$main" key --delay 150 alt+f p
dialog=$(find_window "Print") || fail "the Print dialog did not appear"
echo "Print dialog window $dialog is up"
sleep 0.5
xdotool windowfocus --sync "$dialog" key Return

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
