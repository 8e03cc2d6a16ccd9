#!/usr/bin/env bash
# Makes the manual's figures in docs/figures/ with the programs themselves, from the bundled
# sample data and map: scripted exports for the figures, and window screenshots taken on a
# virtual X display of its own. Run it again whenever the figures change.
#
#   bash scripts/make-manual-figures.sh [BUILD_DIR]     (default build/release)
#
# The programs are not built here: BUILD_DIR must hold conic/Tarvo_L and chart/Tarvo.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/release}
case $build in /*) ;; *) build=$root/$build ;; esac
conic=$build/conic/Tarvo_L
chart=$build/chart/Tarvo
for program in "$conic" "$chart"; do
  [ -x "$program" ] || {
    echo "make-manual-figures: $program is missing; build first (bash scripts/build-and-run.sh)" >&2
    exit 2
  }
done

bash scripts/setup-debian.sh xvfb xdotool imagemagick pngquant fonts-noto-cjk

out=$root/docs/figures
mkdir -p "$out"
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The programs would otherwise leave their run-time files in the user's folders; a window
# killed here saves no settings anyway, but nothing of the user's must change.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config HOME=$work/home
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

sample=$root/data/ZoSample.grd
presets=$root/data/presets

# Committed figures stay small: a palette of 64 colours holds maps, charts and window
# chrome without visible loss.
shrink() { # shrink SRC DEST [WIDTH]
  local src=$1 dest=$2 width=${3:-}
  if [ -n "$width" ]; then
    convert "$src" -resize "${width}x" -strip "$work/resized.png"
    src=$work/resized.png
  fi
  pngquant --force --strip --speed 1 64 --output "$dest" -- "$src"
  echo "  $(basename "$dest")"
}

export_chart() { # export_chart OUT.png DATA --set ... (three-view unless told otherwise)
  local png=$1 data=$2
  shift 2
  "$chart" "$@" --set 'DataFile.MapFile=三面図全国.mdt' --export "$png" "$data" >/dev/null
}

# The programs run in a folder that holds the sample data and the map, so that this
# checkout's map is drawn (a file name without a folder is looked for in the current folder
# first) and the windows' panels show the bare names.
cp "$sample" "$root/data/三面図全国.mdt" "$work/"
cd "$work"

echo "Figures from the scripted export:"
"$conic" "$presets/Tarvo_L-screen.ini" --export "$work/conic.png" "$sample" >/dev/null
shrink "$work/conic.png" "$out/conic-sample.png"

"$conic" "$presets/Tarvo_L-A4.ini" --export "$work/conic-a4.png" "$sample" >/dev/null
shrink "$work/conic-a4.png" "$out/conic-a4.png" 620
# One legend at print resolution, to show how large the preset's labels and markers come out.
convert "$work/conic-a4.png" -crop 600x320+270+1310 +repage "$work/a4-legend.png"
shrink "$work/a4-legend.png" "$out/conic-a4-legend.png"

export_chart "$work/chart.png" "$sample" "$presets/Tarvo-screen.ini"
shrink "$work/chart.png" "$out/chart-sample.png" 900

# Mesh lines and plotting precision: a few records around one secondary mesh cell
# (533946, 35°40′–35°45′ N, 139°45′–139°52′30″ E), the horizontal map alone.
printf '%s\r\n' '見本の記録' 35.6789,139.7654 35.7012,139.7901 35.6695,139.8321 \
  35.7321,139.7612 35.7203,139.8555 35.6902,139.8702 | iconv -f UTF-8 -t CP932 >"$work/points.grd"
horizon=(--set Draw.ProfileMap=0 --set Mark1.Size=7 --set Mark1.bcol=255 --set Mark1.pcol=0)
export_chart "$work/level1.png" "$work/points.grd" "${horizon[@]}" --set 'DataFile.Title=一次区画線' \
  --set Map.GY1=34.00 --set Map.GY2=38.00 --set Map.GX1=136.00 --set Map.GX2=142.00 \
  --set Map.MeshSize=1 --set Map.GridSize=0
export_chart "$work/level2.png" "$work/points.grd" "${horizon[@]}" --set 'DataFile.Title=二次区画線' \
  --set Map.GY1=35.20 --set Map.GY2=36.00 --set Map.GX1=139.00 --set Map.GX2=140.00 \
  --set Map.MeshSize=2 --set Map.GridSize=0
cell=(--set Map.GY1=35.40 --set Map.GY2=35.45 --set Map.GX1=139.45 --set Map.GX2=139.5230
  --set Map.MeshSize=3)
for precision in 0 1 5 10; do
  export_chart "$work/precision$precision.png" "$work/points.grd" "${horizon[@]}" "${cell[@]}" \
    --set "Map.GridSize=$precision" --set "DataFile.Title=GridSize=$precision"
done
convert "$work/level1.png" "$work/level2.png" "$work/precision0.png" -resize 600x \
  -bordercolor '#999999' -border 1 +append "$work/levels.png"
shrink "$work/levels.png" "$out/mesh-levels.png" 1200
convert \( "$work/precision0.png" "$work/precision1.png" -resize 600x -bordercolor '#999999' \
  -border 1 +append \) \( "$work/precision5.png" "$work/precision10.png" -resize 600x \
  -bordercolor '#999999' -border 1 +append \) -append "$work/precisions.png"
shrink "$work/precisions.png" "$out/mesh-precision.png" 1000

# The scale bar of each program, cut out at full size: Tarvo_L's lower-right corner of the
# map, and the lower-left corner of Tarvo's map of Kyushu.
"$conic" "$presets/Tarvo_L-screen.ini" --set Map.ScaleBar=1 --export "$work/conic-scale.png" \
  "$sample" >/dev/null
convert "$work/conic-scale.png" -crop 400x300+400+831 +repage "$work/conic-scale-corner.png"
export_chart "$work/chart-scale.png" "$sample" "${horizon[@]}" --set Map.ScaleBar=1 \
  --set Map.ScaleBarCorner=1 --set 'DataFile.Title=九州' \
  --set Map.GY1=31.00 --set Map.GY2=34.00 --set Map.GX1=129.00 --set Map.GX2=133.00
convert "$work/chart-scale.png" -crop 480x300+40+1110 +repage "$work/chart-scale-corner.png"
convert "$work/conic-scale-corner.png" "$work/chart-scale-corner.png" -bordercolor '#999999' \
  -border 1 +append "$work/scale-bars.png"
shrink "$work/scale-bars.png" "$out/scale-bars.png"

echo "Window screenshots:"
display=
for n in $(seq 91 199); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=:$n
    break
  fi
done
[ -n "$display" ] || { echo "make-manual-figures: no free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1100x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done

# start_window TITLE PROGRAM ARGS...: starts a program and waits for a window whose title
# holds TITLE.
start_window() {
  local name=$1
  shift
  "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "$name" | head -1)
  [ -n "$window" ] || { echo "make-manual-figures: no window '$name'" >&2; exit 1; }
  xdotool windowmove "$window" 0 0 windowsize "$window" 1000 820
  sleep 1.5
}
stop_window() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  sleep 0.5
}
# shot DEST [GEOMETRY]: the screen, cut to the main window (or to the geometry given).
shot() {
  sleep "${pause:-1}"
  import -silent -window root -crop "${2:-1000x820+0+0}" +repage "$work/shot.png"
  shrink "$work/shot.png" "$1"
}
click() { xdotool mousemove "$1" "$2" click 1; }

start_window "Tarvo_L" "$conic" "$presets/Tarvo_L-screen.ini"
shot "$out/conic-settings.png" 600x380+0+0
click 513 346 # 分布図作成
pause=4 shot "$out/conic-window.png"
xdotool key alt+p # 表示精度
shot "$out/conic-menu.png" 700x380+0+0
xdotool key Escape
stop_window

{
  cat "$presets/Tarvo-screen.ini"
  printf '[DataFile]\nMapFile=三面図全国.mdt\nGrdFile=ZoSample.grd\n'
} >"$work/Tarvo.ini"
start_window "Tarvo for" "$chart" "$work/Tarvo.ini"
shot "$out/chart-settings.png"
click 674 596 # 分布図を作成する
sleep 4
click 640 600 # the read-out of one point of the map in the status bar
shot "$out/chart-window.png"
xdotool key alt+e Down Down Return # 編集 → 分布データを編集
editor=$(timeout 10 xdotool search --sync --onlyvisible --name '^Tarvo Data Editor$' | head -1)
xdotool windowmove "$editor" 0 0 windowsize "$editor" 640 480
shot "$out/chart-editor.png" 640x480+0+0
stop_window

echo "Done: $out"
