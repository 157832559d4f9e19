#!/usr/bin/env bash
# Usage: docs/tools/vtnote-alerts-screenshots.sh STAGE OUT.png  (STAGE: a `cmake --install` prefix;
# needs xvfb, imagemagick, dbus-daemon, trayer and dunst; writes OUT.png and OUT-tray.png)
# Screenshots of Vtnote's tray icon and a desktop notification under Xvfb, with trayer as the
# system tray and dunst as the notification service on a private session bus.
set -euo pipefail
stage=$1 out=$2
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 900x250x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | { read -r a; read -r p; echo "export DBUS_SESSION_BUS_ADDRESS='$a'; buspid=$p"; })"
pids+=("$buspid")
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run HOME=$work/home
mkdir -p "$XDG_CONFIG_HOME/dunst" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/dunst/dunstrc" <<'RC'
[global]
    origin = top-right
    offset = 10x50
    width = 330
    font = Liberation Sans 10
    frame_width = 2
    icon_position = left
    max_icon_size = 48
    format = "<b>%s</b>\n%b"
[urgency_normal]
    background = "#f4f4f4"
    foreground = "#202020"
    frame_color = "#2c7a3f"
    timeout = 0
[urgency_critical]
    background = "#fff4f4"
    foreground = "#202020"
    frame_color = "#d01c1c"
    timeout = 0
RC

trayer --edge top --align right --widthtype request --height 32 --tint 0x303030 --transparent true --alpha 0 --SetDockType true >/dev/null 2>&1 &
pids+=($!)
sleep 1
dunst >/dev/null 2>&1 &
pids+=($!)
sleep 1
rm -f "$stage/host/VData/logs/Vtnote.dat" "$stage/host/VData/Srnote.tmp"
"$stage/Vtnote/Vtnote" &
pids+=($!)
sleep 2
w=$stage/host/VData/logs
"$stage/host/vtnote-writer" "$w" 1 "Check-in: EOC1 on the county net"
sleep 0.3
"$stage/host/vtnote-writer" "$w" 1 "Message 6DM-112P received from K6ABC"
"$stage/host/vtnote-writer" "$w" 2 "Priority message 6DM-113P received: shelter status"
sleep 2
import -display "$DISPLAY" -window root "$out"
# The tray alone, enlarged, beside the full picture.
tray=${out%.png}-tray.png
convert "$out" -gravity NorthEast -crop 40x32+0+0 +repage -scale 400% "$tray"
