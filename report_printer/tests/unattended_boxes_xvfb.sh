#!/usr/bin/env bash
# Unattended runs (-apt -cwd) that cannot print, as an operator meets them: Cadrorpt runs under
# Xvfb, shows the box that says what is wrong, and once the box is dismissed (Return, through
# xdotool) ends with the status that names the problem and a "Printing failed --> " line in the
# session log. Also: started with no arguments, it opens the chooser for the message first.
# The queue that rejects jobs is the CUPS fixture's, on the test run's own scheduler. Exits 77
# (skipped) without Xvfb or xdotool; under CI=true a skip is a failure.
#
#   unattended_boxes_xvfb.sh <Cadrorpt> <forms-folder> <cups-state-file>
set -uo pipefail
exe=$1 forms=$2 state=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

need_x_tools
open_work
start_xvfb

cp "$exe" "$work/Cadrorpt" && mkdir "$work/logs"
printf '\x7fELF\x02\x01\x01 not a form at all\r\n' >"$work/garbage.fdf"
mkfifo "$work/pipe.ddf"
export HOME="$work"  # the choosers' remembered folders stay in here

# run_case <name> <expected status> <window title> <env...> -- <args...>: starts Cadrorpt, waits
# for a window of that title (bound 20 s), dismisses it ($dismiss_key), and checks how the run ends.
run_case() {
  local name=$1 want=$2 title=$3
  shift 3
  local envs=()
  while [ "$1" != -- ]; do envs+=("$1"); shift; done
  shift
  : >"$work/logs/run.log"
  rm -f "$work"/logs/Cadro_*.log
  env "${envs[@]}" QT_QPA_PLATFORM=xcb "$work/Cadrorpt" "$@" >"$work/out.txt" 2>&1 &
  app_pid=$!
  local win
  win=$(find_window "$title" 20)
  if [ -z "$win" ]; then
    fail "$name: no window \"$title\" appeared"
    kill "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
    app_pid=""
    return
  fi
  # Every box of that title is dismissed until the program ends (with no printer installed a
  # form problem shows "No Printer Installed" first); a key that arrived before the box could
  # take it is sent again. Bounded: at most eight keys, each followed by a wait of up to 5 s.
  for _ in 1 2 3 4 5 6 7 8; do
    [ -n "$win" ] && xdotool windowfocus --sync "$win" key "$dismiss_key" 2>/dev/null
    # Until the program ends or that box is gone.
    for _ in $(seq 1 50); do
      kill -0 "$app_pid" 2>/dev/null || break
      xdotool getwindowname "$win" >/dev/null 2>&1 || break
      sleep 0.1
    done
    kill -0 "$app_pid" 2>/dev/null || break
    win=$(find_window "$title" 5)
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    fail "$name: still running after its box was dismissed"
    kill "$app_pid" 2>/dev/null
  fi
  wait "$app_pid"
  local rc=$?
  app_pid=""
  [ "$rc" -eq "$want" ] && echo "ok: $name ended with status $rc" || fail "$name: status $rc, expected $want"
}

dismiss_key=Return
fdf="$forms/IncidentMessage.fdf" ddf="$forms/IncidentMessage.ddf"
run_case "no printer" 3 Cadrorpt CUPS_SERVER="$work/no-cupsd.sock" -- -fdf "$fdf" -ddf "$ddf" -apt -cwd
grep -q ': Printing failed --> XYZ26341.100 | MED+LAW | 100 Main St, Springfield; No Printer Installed' \
  "$work"/logs/Cadro_*.log 2>/dev/null || fail "no printer: no 'Printing failed' line in the session log"
run_case "garbage form" 1 Cadrorpt -- -fdf "$work/garbage.fdf" -ddf "$ddf" -apt -cwd
grep -q 'Printing failed --> .*; Forms file holds no items' "$work"/logs/Cadro_*.log 2>/dev/null ||
  fail "garbage form: no 'Printing failed' line in the session log"
run_case "folder as form" 1 Cadrorpt -- -fdf "$work" -ddf "$ddf" -apt -cwd
grep -q 'Printing failed --> .*; Forms file is not a plain file' "$work"/logs/Cadro_*.log 2>/dev/null ||
  fail "folder as form: no 'Printing failed --> ...; Forms file is not a plain file' line in the session log"
run_case "pipe as data" 2 Cadrorpt -- -fdf "$fdf" -ddf "$work/pipe.ddf" -apt -cwd
grep -q 'Printing failed --> .*; Data file is not a plain file' "$work"/logs/Cadro_*.log 2>/dev/null ||
  fail "pipe as data: no 'Printing failed' line in the session log"
refusing=$(sed -n 's/^REFUSING //p' "$state" 2>/dev/null)
if [ -n "$refusing" ]; then
  run_case "queue rejects jobs" 4 Cadrorpt -- -fdf "$fdf" -ddf "$ddf" -ptr "$refusing" -apt -cwd
  # The log says that the print failed and why (the scheduler's own words), never that it printed.
  grep -q "Printing failed --> XYZ26341.100 | MED+LAW | 100 Main St, Springfield; $refusing: the printer refused the page (.*not accepting jobs" \
    "$work"/logs/Cadro_*.log 2>/dev/null || fail "queue rejects jobs: no 'Printing failed' line in the session log"
  grep -q "Printing -->" "$work"/logs/Cadro_*.log 2>/dev/null && fail "queue rejects jobs: logged as printed"
elif [ "${CI:-}" = true ]; then
  fail "queue rejects jobs: the CUPS fixture has no such queue ($(head -1 "$state" 2>/dev/null))"
else
  echo "skipped: queue rejects jobs: the CUPS fixture has no such queue ($(head -1 "$state" 2>/dev/null))"
fi
# From the desktop menu: the message is asked for first; cancelling it ends the program.
dismiss_key=Escape
run_case "no arguments" 0 "Open the message \\(data definition file\\)" --

[ $failures -eq 0 ] || exit 1
echo "every unattended failure ended with its status"
