#!/usr/bin/env bash
# Makes the pictures of docs/user-guide.md again: runs korvance under Xvfb
# with a temporary HOME (no settings of yours are read or written), drives it
# with its own command-line options, maps and files made by korvance-cli, and
# keys sent by xdotool, and writes small PNGs into docs/images/.
#
#   tools/screenshots.sh [BUILD_DIR [SCENE...]]   (default: build, scenes 1 2 3 4)
#
# Needs the Debian packages xvfb, imagemagick and xdotool, and a built tree
# (./setup.sh). Takes about three minutes: the demo tour runs in real time.
# Not part of the tests or CI; run it when the windows change and look at
# every picture before committing it.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
scenes=" ${*:2} "
[ "$scenes" = "  " ] && scenes=" 1 2 3 4 "
want() { [[ $scenes == *" $1 "* ]]; }
out=$repo/docs/images
gui=$build/src/gui/korvance
cli=$build/src/cli/korvance-cli

missing=()
for tool in Xvfb:xvfb import:imagemagick convert:imagemagick xdotool:xdotool; do
    command -v "${tool%%:*}" > /dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "screenshots.sh needs: apt-get install ${missing[*]}" >&2
    exit 2
fi
for program in "$gui" "$cli"; do
    [ -x "$program" ] || { echo "screenshots.sh: $program is not built (./setup.sh)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/korvance-shots.XXXXXX)
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
unset KORVANCE_SETTINGS_FILE KORVANCE_DEMO_MAPS
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$out"
chmod 700 "$XDG_RUNTIME_DIR"

# A display of our own: the first number without a lock file.
display=90
while [ -e /tmp/.X$display-lock ] || [ -e /tmp/.X11-unix/X$display ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1280x800x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=:$display
korvance=""
cleanup() {
    [ -n "$korvance" ] && kill "$korvance" 2> /dev/null || true
    [ -n "${simulator:-}" ] && kill "$simulator" 2> /dev/null || true
    [ -n "${gpsfake:-}" ] && kill -- -"$gpsfake" 2> /dev/null || true
    kill "$xvfb" 2> /dev/null || true
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done

# The window whose title matches (a regular expression), waited for.
window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2> /dev/null | tail -1) && [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "screenshots.sh: no window \"$1\" appeared" >&2
    return 1
}

# x y w h of a window.
geometry() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# shot NAME TITLE...: the screen cut to the smallest box around the windows
# named, in few colours so that the file stays small.
shot() {
    local name=$1 x0=100000 y0=100000 x1=0 y1=0 x y w h
    shift
    sleep 0.7
    for title in "$@"; do
        read -r x y w h < <(geometry "$(window "$title")")
        ((x < x0)) && x0=$x; ((y < y0)) && y0=$y
        ((x + w > x1)) && x1=$((x + w)); ((y + h > y1)) && y1=$((y + h))
    done
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop $((x1 - x0))x$((y1 - y0))+$x0+$y0 +repage \
        -dither None -colors 96 -strip "PNG8:$out/$name.png"
    echo "  $name.png $((x1 - x0))x$((y1 - y0)) $(($(stat -c %s "$out/$name.png") / 1024)) KB"
}

# keys TITLE KEY...: keys to a window (without a window manager no window
# gets the focus by itself): the main window, or a dialog while it is open.
keys() {
    xdotool windowfocus --sync "$(window "$1")"
    shift
    for k in "$@"; do xdotool key --delay 150 "$k"; sleep 0.4; done
}

# A click into the map at x y of the main window, with modifiers held if given.
click() {
    local id x y w h
    id=$(window ' - korvance$')
    read -r x y w h < <(geometry "$id")
    xdotool mousemove $((x + $1)) $((y + $2))
    if [ $# -gt 2 ]; then xdotool keydown "$3"; fi
    xdotool click 1
    if [ $# -gt 2 ]; then xdotool keyup "$3"; fi
}

start() {
    "$gui" "$@" > "$work/korvance.out" 2>&1 &
    korvance=$!
    window ' - korvance$' > /dev/null
    sleep 1.5
}

stop() {
    kill "$korvance" 2> /dev/null || true
    wait "$korvance" 2> /dev/null || true
    korvance=""
    sleep 0.5
}

maps=$("$cli" map demo)
echo "pictures into $out"

# 1. A first start: no map, no data, and the GPS Setting dialog.
if want 1; then
start
shot first-start ' - korvance$'
keys ' - korvance$' alt+o g
shot gps-setting ' - korvance$' '^GPS Setting$'
keys '^GPS Setting$' Escape
stop
fi

# 2. The demo: the tour on the detailed map, the GPS menu, the overview after
#    the automatic map change; then stopped, a track from the simulated
#    Garmin receiver, the editors and the dialogs of the map.
if want 2; then
start --demo
sleep 20
shot demo ' - korvance$'
keys ' - korvance$' alt+g
shot gps-menu ' - korvance$'
keys ' - korvance$' Escape Escape
sleep 60
shot demo-overview ' - korvance$'
keys ' - korvance$' ctrl+m alt+g t
sleep 6
shot download-track ' - korvance$'
keys ' - korvance$' alt+v e
shot waypoint-editor '^Edit Waypoint$'
keys '^Edit Waypoint$' Escape
keys ' - korvance$' alt+v i
shot route-editor '^Edit Route$'
keys '^Edit Route$' Escape
keys ' - korvance$' alt+g o alt+g o
shot route-navigation ' - korvance$' '^Select Route'
keys '^Select Route' Escape
click 400 300 ctrl
shot input-waypoint ' - korvance$' '^Input Waypoint$'
keys '^Input Waypoint$' Escape
xdotool keydown shift
click 400 300 ctrl
xdotool keyup shift
shot calibrate-map ' - korvance$' '^Calibrate Map$'
keys '^Calibrate Map$' Escape
stop
fi

# 3. A map of one's own: the detailed demo map's tiles put together as a
#    scan would come, made into a map set by korvance-cli from two known
#    points, opened with a track downloaded from the simulated receiver and
#    drawn with a wider pen.
if want 3; then
mkdir -p "$work/own"
rows=()
for row in 0 1 2 3; do
    rows+=('(' "$maps/centre/$((4 * row)).bmp" "$maps/centre/$((4 * row + 1)).bmp" \
          "$maps/centre/$((4 * row + 2)).bmp" "$maps/centre/$((4 * row + 3)).bmp" +append ')')
done
convert "${rows[@]}" -append "$work/own/scan.png"
"$cli" map make "$work/own/scan.png" -o "$work/own/maps/area" --tile 512 --list "$work/own/maps/maps.lst" \
    --point 0 0 52.54 13.30 --point 2048 2048 52.46 13.46 > /dev/null
mkdir -p "$XDG_CONFIG_HOME/korvance"
printf '[SOFTWARE/Ostrel/Korvance]\nPenWidth=3\n' > "$XDG_CONFIG_HOME/korvance/korvance.ini"
coproc SIM { exec "$cli" simulate-receiver; }
simulator=$SIM_PID
read -r port <&"${SIM[0]}"
"$cli" receiver download track --port "$port" -o "$work/own/walk.kvn" > /dev/null 2>&1
kill "$simulator"; wait "$simulator" 2> /dev/null || true; simulator=""
"$cli" render -o "$work/render.png" --size 640x400 --data "$work/own/walk.kvn" --map "$maps/demo.lst" > /dev/null 2>&1
convert "$work/render.png" -dither None -colors 96 -strip "PNG8:$out/render.png"
echo "  render.png"
start "$work/own/maps/maps.lst"
keys ' - korvance$' ctrl+o
window '^Open' > /dev/null
sleep 0.5
xdotool type --delay 20 "$work/own/walk.kvn"
xdotool key Return
sleep 2
shot own-map ' - korvance$'
stop
fi

# 4. gpsd: a receiver's log replayed by gpsfake (Debian's gpsd-clients), read
#    by korvance-gpsd-monitor, started with "&Run NMEA Monitor" (Right arrow).
if want 4; then
if ! command -v gpsfake > /dev/null; then
    echo "  gpsd.png left as it is: gpsfake is missing (apt-get install gpsd gpsd-clients)"
else
coproc NMEA { exec "$cli" simulate-nmea --rate 50 --lat 52.515 --lon 13.395 --speed 50 --points 300 --once; }
simulator=$NMEA_PID
read -r port <&"${NMEA[0]}"
"$cli" nmea --port "$port" --log "$work/drive.nme" --sentences "" --save-invalid --seconds 8 > /dev/null 2>&1
kill "$simulator" 2> /dev/null || true; wait "$simulator" 2> /dev/null || true; simulator=""
gpsd_port=$((29000 + display))
setsid gpsfake -q -P $gpsd_port -n -c 0.05 "$work/drive.nme" > "$work/gpsfake.log" 2>&1 &
gpsfake=$!
mkdir -p "$XDG_CONFIG_HOME/korvance"
printf '[SOFTWARE/Ostrel/Korvance]\nPenWidth=3\nGpsdServer=localhost:%s\nNMEAMonitorPath=%s\n' \
    $gpsd_port "$build/src/gpsd/korvance-gpsd-monitor" > "$XDG_CONFIG_HOME/korvance/korvance.ini"
start "$maps/demo.lst"
keys ' - korvance$' Right
sleep 12
shot gpsd ' - korvance$'
stop
kill -- -$gpsfake 2> /dev/null || true
wait "$gpsfake" 2> /dev/null || true
fi
fi

echo "done: look at every picture in $out before you commit them"
