# Sourced by the tests that run the real Addlaunch from the outside: a throwaway work folder that
# goes with the script, an X server of its own, the host's Wine prefix and the program folder as
# installed. Defines work, xvfb_pid and app_pid; whatever is in app_pid is ended on exit.

# Exits 77 (skipped) when a tool the X server run needs is missing.
need_x_tools() {
  for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
}

open_work() {
  work=$(mktemp -d)
  xvfb_pid=""
  app_pid=""
  trap close_work EXIT
}
close_work() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}

# An X server on a display nobody else uses; the program is started on it through xcb.
start_xvfb() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
}

# The host under Wine: its program folder on drive C (conf_dir, for the caller's Vantrel.conf)
# and its data folder C:\VData, which holds Launch.local (launch).
make_host_prefix() {
  prefix="$work/wine"
  conf_dir="$prefix/drive_c/Program Files/Vantrel"
  mkdir -p "$prefix/dosdevices" "$conf_dir" "$prefix/drive_c/VData"
  ln -s ../drive_c "$prefix/dosdevices/c:"
  export WINEPREFIX="$prefix"
  launch="$prefix/drive_c/VData/Launch.local"
}

# install_addlaunch <binary>: the program folder as installed, the program and an empty logs
# folder; the program runs as "$work/Addlaunch/Addlaunch" and logs to $log.
install_addlaunch() {
  mkdir -p "$work/Addlaunch/logs"
  cp "$1" "$work/Addlaunch/Addlaunch"
  log="$work/Addlaunch/logs/Addlaunch.log"
}
