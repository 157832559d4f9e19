#!/usr/bin/env bash
# Started with the message alone (as from a file manager), Cadrorpt asks for its form in the
# folder last used, which the user's settings keep (~/.config/Cadro/Cadrorpt.conf). With a
# folder whose name has accents, under Xvfb with real key presses: the chooser opens in that
# folder whether the settings file holds the name as written or as older versions wrote it
# (the name's bytes taken for Windows-1252 characters, "FormulÃ¡rios"), so typing the bare file
# name finds the form; and afterwards the file holds the name as written. Exits 77 (skipped)
# without Xvfb or xdotool; under CI=true a skip is a failure.
#
#   chooser_folders_xvfb.sh <Cadrorpt> <forms-folder>
set -uo pipefail
exe=$1 forms=$2
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

need_x_tools
command -v iconv >/dev/null || skip "iconv is not installed"
open_work
start_xvfb

cp "$exe" "$work/Cadrorpt" && mkdir "$work/logs" "$work/msgs" "$work/elsewhere"
folder="$work/Formulários"
mkdir "$folder"
cp "$forms/IncidentMessage.fdf" "$folder/Form.fdf"
cp "$forms/IncidentMessage.ddf" "$work/msgs/msg.ddf"
export HOME="$work"
unset XDG_CONFIG_HOME
conf="$work/.config/Cadro/Cadrorpt.conf"
mkdir -p "$(dirname "$conf")"
as_older_versions_wrote=$(printf '%s' "$folder" | iconv -f CP1252 -t UTF-8)

# run_case <name> <FormFolder as stored>: the form chooser must open in $folder.
run_case() {
  printf '[Open]\nFormFolder=%s\n' "$2" >"$conf"
  (cd "$work/elsewhere" && exec env QT_QPA_PLATFORM=xcb "$work/Cadrorpt" "$work/msgs/msg.ddf") >"$work/out.txt" 2>&1 &
  app_pid=$!
  local chooser
  chooser=$(find_window "Open its form \\(form definition file\\)" 20)
  if [ -z "$chooser" ]; then
    fail "$1: the form chooser did not appear"
  else
    # The bare name is found only in the folder the chooser opened in. Keys that arrive before
    # the chooser takes them are typed again (bounded); a "not found" box a partial name
    # brought up is dismissed first. A chooser in the wrong folder fails every time.
    local main="" attempt
    for attempt in 1 2 3; do
      xdotool windowfocus --sync "$chooser" key ctrl+a type --delay 50 "Form.fdf"
      xdotool windowfocus --sync "$chooser" key Return
      main=$(find_window "Cadrorpt v3.4.5" 10)
      [ -n "$main" ] && break
      echo "attempt $attempt: no main window yet"
      xdotool key Return  # the box that says the typed name is not there, if one came
      chooser=$(find_window "Open its form \\(form definition file\\)" 5)
      if [ -z "$chooser" ]; then
        # The chooser took the name: on a loaded machine the window may take longer.
        main=$(find_window "Cadrorpt v3.4.5" 30)
        break
      fi
    done
    if [ -z "$main" ]; then
      fail "$1: the chooser did not open in $folder (typing Form.fdf found no form)"
      echo "windows: $(xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | tr '\n' '|')"
      kill -0 "$app_pid" 2>/dev/null || echo "the program had ended"
      sed 's/^/  program: /' "$work/out.txt" | tail -5
    else
      echo "ok: $1: the chooser opened in $folder"
      xdotool windowfocus --sync "$main" key --delay 150 alt+f x
      for _ in $(seq 1 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
      # The file now holds the folder as it is written, never as older versions wrote it.
      grep -qxF "FormFolder=$folder" "$conf" || fail "$1: the settings hold $(grep FormFolder "$conf")"
    fi
  fi
  kill "$app_pid" 2>/dev/null
  wait "$app_pid" 2>/dev/null
  app_pid=""
}

run_case "a settings file written by older versions" "$as_older_versions_wrote"
run_case "a settings file holding the name as written" "$folder"

[ $failures -eq 0 ] || exit 1
echo "the chooser opened in the folder last used, whichever way the settings file holds it"
