#!/usr/bin/env bash
# Runs the real Addlaunch on an X server (Xvfb) against a throwaway Wine prefix laid out from
# host_standin/addon: an install whose integration question is answered with the keyboard, then
# an uninstall that asks nothing. Checks Launch.local, the log and the exit statuses.
#
#   run_under_xvfb.sh <Addlaunch binary> <host_standin/addon> [screenshot.png]
#
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
bin=$1
samples=$2
shot=${3:-}
source "$(dirname "${BASH_SOURCE[0]}")/addlaunch_session.sh"
need_x_tools

open_work
fail() { echo "FAIL: $*" >&2; exit 1; }
start_xvfb

make_host_prefix
cp "$samples/Vantrel.conf" "$conf_dir/"
cp "$samples/Launch.local" "$launch"
install_addlaunch "$bin"

# 1. Install: Return answers the question with its default button, Yes.
"$work/Addlaunch/Addlaunch" "install,$samples/Sample.local" &
app_pid=$!
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Integrate with Vantrel$' | head -n1) || fail "no question box"
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 200); do grep -q 'Update outcome' "$log" 2>/dev/null && break; sleep 0.05; done
if [ -n "$shot" ]; then
  sleep 0.5
  win=$(xdotool search --onlyvisible --name '^Launch\.Local Loader v' | head -n1) || fail "no loader window"
  import -display "$DISPLAY" -window "$win" "$shot"
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "install ended with status $status"
grep -q '^\[Sample-1.3\]' "$launch" || fail "Sample 1.3 not registered"
grep -q '^\[Sample-1.2\]' "$launch" && fail "Sample 1.2 still registered"
grep -q '^\[SampleViewer-0.9\]' "$launch" || fail "another add-on's block was lost"
grep -q 'Update outcome: Updating Launch.Local with the latest Addon setting' "$log" || fail "log: $(cat "$log")"

# 2. Uninstall: no questions; the window ends by itself after its pause.
status=0
timeout 30 "$work/Addlaunch/Addlaunch" "remove,$samples/Sample.local" || status=$?
[ "$status" -eq 0 ] || fail "uninstall ended with status $status"
grep -q '^\[Sample-' "$launch" && fail "Sample still registered"
grep -q 'Update outcome: Addon settings removed from Launch.Local' "$log" || fail "log: $(cat "$log")"
[ "$(grep -c "^-\{51\}"$'\r'"\$" "$log")" -eq 4 ] || fail "two start-up blocks expected"

# 3. A wrong command line is a failure for the installer (the help box is closed with Return).
"$work/Addlaunch/Addlaunch" "install" &
app_pid=$!
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Addlaunch$' | head -n1) || fail "no help box"
xdotool windowfocus --sync "$box" key Return
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 1 ] || fail "wrong command line ended with status $status"
echo "Addlaunch ran under $DISPLAY: install, uninstall and a wrong command line behaved"
