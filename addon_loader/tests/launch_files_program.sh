#!/usr/bin/env bash
# Runs the real Addlaunch on real files in a throwaway Wine prefix and checks what it leaves in
# Launch.local, its log and its exit status, for Launch.local and loader files as editors and
# older installers leave them.
#
#   launch_files_program.sh <Addlaunch binary> offscreen   uninstalls (no box to answer)
#   launch_files_program.sh <Addlaunch binary> xvfb        installs (the question is answered
#                                                          with the keyboard; 77 without Xvfb)
set -euo pipefail
bin=$1
mode=$2
source "$(dirname "${BASH_SOURCE[0]}")/addlaunch_session.sh"

open_work
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

if [ "$mode" = xvfb ]; then
  need_x_tools
  start_xvfb
else
  export QT_QPA_PLATFORM=offscreen
fi

make_host_prefix
printf '[Vantrel]\r\nDATADIR=C:\\VData\r\n' >"$conf_dir/Vantrel.conf"
loader="$work/Sample.local"
install_addlaunch "$bin"

other=$'[Other-1.0]\r\nExe=other.exe\r\n/ [EOA]\r\n'
last=$'[Last-3.1]\r\nExe=last.exe\r\n/ [EOA]\r\n'
sample12=$'[Sample-1.2]\r\nExe=sample.exe\r\n/ [EOA]\r\n'
sample13=$'[Sample-1.3]\r\nExe=sample2.exe\r\n/ [EOA]\r\n'
lf() { printf '%s' "${1//$'\r\n'/$'\n'}"; }
cr() { printf '%s' "${1//$'\r\n'/$'\r'}"; }

# Runs one case: the action, then the outcome the log must end with and the status expected.
status=0
run() {
  local action=$1
  : >"$log"
  status=0
  if [ "$mode" = xvfb ] && [ "$action" = install ]; then
    "$work/Addlaunch/Addlaunch" "install,$loader" &
    app_pid=$!
    local box
    box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Integrate with Vantrel$' | head -n1) || {
      fail "no question box"
      kill "$app_pid"
    }
    [ -n "${box:-}" ] && xdotool windowfocus --sync "$box" key Return
    wait "$app_pid" || status=$?
    app_pid=""
  else
    timeout 30 "$work/Addlaunch/Addlaunch" "$action,$loader" || status=$?
  fi
}
expect_file() {  # name, expected bytes
  if ! cmp -s "$launch" <(printf '%s' "$2"); then
    fail "$1: Launch.local is"
    od -c "$launch" | head -20 >&2
  fi
}
expect_note() {  # name, the note the log must hold
  grep -qF "$2" "$log" || fail "$1: the log lacks the note: $2"
}
expect_outcome() {  # name, outcome text
  grep -qF "Update outcome: $2" "$log" || fail "$1: log says $(grep -a 'Update outcome' "$log" || echo nothing)"
  [ "$status" -eq 0 ] || fail "$1: exit status $status"
}

if [ "$mode" = offscreen ]; then
  # Launch.local with LF line ends: only the add-on's block goes, not the whole file.
  lf "$other$sample12$last" >"$launch"
  printf '%s' "$sample12" >"$loader"
  run remove
  expect_outcome "LF Launch.local" "Addon settings removed from Launch.Local"
  expect_file "LF Launch.local" "$other$last"

  # An old block without its terminator, then another add-on's block: the other block stays,
  # byte for byte, and the log says where the old block was ended.
  printf '%s' "[Sample-1.2]"$'\r\n'"Exe=sample.exe"$'\r\n'"$other$last" >"$launch"
  printf '%s' "$sample12" >"$loader"
  run remove
  expect_outcome "unterminated block" "Addon settings removed from Launch.Local"
  expect_file "unterminated block" "$other$last"
  expect_note "unterminated block" 'The old block [Sample-1.2] on line 1 had no "/ [EOA]" line of its own: it was ended at line 3, where [Other-1.0] begins'

  # A header-shaped line inside a block may be another add-on's header: it stays, with its lines.
  opts=$'[Run-Opts]\r\nMode=2\r\n/ [EOA]\r\n'
  printf '%s' "$other"$'[Sample-1.2]\r\nExe=sample.exe\r\n'"$opts$last" >"$launch"
  run remove
  expect_outcome "header-shaped setting" "Addon settings removed from Launch.Local"
  expect_file "header-shaped setting" "$other$opts$last"
else
  # A loader with LF line ends is a header and its settings, written with CR LF.
  printf '%s' "$other" >"$launch"
  lf "$sample13" >"$loader"
  run install
  expect_outcome "LF loader" "Added this Addon to Launch.Local"
  expect_file "LF loader" "$other"$'\r\n'"$sample13"$'\r\n'

  # Launch.local with LF line ends that holds the revision already: no second registration.
  lf "$other$sample13$last" >"$launch"
  printf '%s' "$sample13" >"$loader"
  run install
  expect_outcome "LF Launch.local" "Addon already correctly configured on Launch.Local"
  [ "$(grep -c 'Sample-' "$launch")" -eq 1 ] || fail "LF Launch.local: registered twice"

  # A CR-only loader replacing an older block: CR LF only in the result.
  printf '%s' "$other$sample12$last" >"$launch"
  cr "$sample13" >"$loader"
  run install
  expect_outcome "CR loader" "Updating Launch.Local with the latest Addon setting"
  expect_file "CR loader" "$other$sample13$last"

  # An old block without its terminator before another add-on's block: the new block takes its
  # place and the other block stays, byte for byte.
  printf '%s' "[Sample-1.2]"$'\r\n'"Exe=sample.exe"$'\r\n'"$other$last" >"$launch"
  printf '%s' "$sample13" >"$loader"
  run install
  expect_outcome "unterminated block" "Updating Launch.Local with the latest Addon setting"
  expect_file "unterminated block" "$sample13$other$last"
  expect_note "unterminated block" 'The old block [Sample-1.2] on line 1 had no "/ [EOA]" line of its own: it was ended at line 3, where [Other-1.0] begins'

  # The registered revision plus a stale older block: the host must start the add-on once.
  printf '%s' "$sample12$other$sample13$last" >"$launch"
  printf '%s' "$sample13" >"$loader"
  run install
  expect_outcome "stale block" "Updating Launch.Local with the latest Addon setting"
  expect_file "stale block" "$sample13$other$last"
fi

[ "$failures" -eq 0 ] || exit 1
echo "Addlaunch ($mode): every Launch.local case came out as the host needs it"
