# Sourced by the Cadrorpt tests that drive the real program on an X server of their own: the
# skip rule, a throwaway work folder that goes with the script, the X server and the wait for a
# window. Defines work, xvfb_pid and app_pid; whatever is in app_pid is ended on exit.

# Exits 77 (skipped); under CI=true a skip is a failure, as CI has every tool installed.
skip() {
  if [ "${CI:-}" = true ]; then echo "FAILED (a skip is a failure under CI): $*"; exit 1; fi
  echo "SKIPPED: $*"
  exit 77
}

need_x_tools() {
  command -v Xvfb >/dev/null || skip "Xvfb is not installed"
  command -v xdotool >/dev/null || skip "xdotool is not installed"
}

open_work() {
  work=$(mktemp -d)
  xvfb_pid="" app_pid=""
  trap close_work EXIT
  trap "exit 1" INT TERM HUP
}
close_work() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}

# A display of our own: Xvfb picks a free number and writes it once it accepts clients. The
# program is then started on it with QT_QPA_PLATFORM=xcb, whatever the caller's environment says.
start_xvfb() {
  local fd n=""
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 15 -u "$fd" n || true
  [ -n "$n" ] || skip "Xvfb did not start"
  export DISPLAY=":$n"
  unset QT_QPA_PLATFORM
}

# find_window <title> [bound in seconds, 15]: the id of the visible window of exactly this title
# (a regular expression), waiting for it to be mapped; empty when none came within the bound.
find_window() {
  timeout "${2:-15}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1
}
