#!/usr/bin/env bash
# Runs the real Cadrocts on an X server (Xvfb) and reads the titles its windows carry on the
# desktop: the station dialog and the list window must show their captions and nothing else.
#
#   window_titles_xvfb.sh <Cadrocts binary>
#
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
bin=$1
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"

# The program folder as installed, with a complete station so that the dialog's OK succeeds.
mkdir -p "$work/Cadro/msg.d" "$work/Cadro/logs"
cp "$bin" "$work/Cadro/Cadrocts"
printf '[GENERAL OPTIONS]\r\nNam=Ann Lee\r\nUid=K1ABC\r\nLoc=EOC\r\nCty=Springfield\r\nLid=XYZ\r\nEno=100\r\n' \
  >"$work/Cadro/Cadrocts.ini"

"$work/Cadro/Cadrocts" &
app_pid=$!

dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Cadro Station ID' | head -n1) ||
  fail "no station dialog"
title=$(xdotool getwindowname "$dialog")
[ "$title" = "Cadro Station ID" ] || fail "station dialog is titled '$title'"

main=$(timeout 20 xdotool search --sync --name '^Cadro Call Taking System v' | head -n1) || fail "no list window"
title=$(xdotool getwindowname "$main")
[[ "$title" =~ ^Cadro\ Call\ Taking\ System\ v[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "list window is titled '$title'"

# Escape confirms the station dialog; the list window stays and keeps its title.
xdotool windowfocus --sync "$dialog" key Escape
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Cadro Station ID' >/dev/null 2>&1 || break
  sleep 0.05
done
xdotool search --onlyvisible --name '^Cadro Station ID' >/dev/null 2>&1 && fail "station dialog did not close"
title=$(xdotool getwindowname "$main")
[[ "$title" =~ ^Cadro\ Call\ Taking\ System\ v[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "list window is titled '$title'"
echo "Cadrocts under $DISPLAY: station dialog and list window carry their captions alone"
