#!/usr/bin/env bash
# Draws with GMT the figure Tarvo_L exports, for timing the two side by side: the Lambert
# conic map of 122-149 E, 24-46 N with land and sea fill and a 5-degree graticule, the
# west-east and south-north altitude profiles above it, and every record as a circle in
# all three views, on a sheet of the same pixel size and the same layout fractions.
#   bash bench/gmt_figure.sh DATA.grd MAP.mdt OUT.png WIDTH_PX HEIGHT_PX
# DATA.grd holds a header line and "lat,lon,alt" records; MAP.mdt gives the profile
# outlines (GMT has its own coastlines, GSHHG at high resolution).
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 DATA.grd MAP.mdt OUT.png WIDTH_PX HEIGHT_PX" >&2; exit 2; }
data=$(realpath "$1")
map=$(realpath "$2")
out=$(realpath "$3")
wpx=$4
hpx=$5
case $out in *.png) ;; *) echo "$0: OUT must end in .png" >&2; exit 2 ;; esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Each run its own session and no user gmt.conf, so parallel or earlier runs cannot leak in.
export GMT_SESSION_NAME=$$ GMT_TMPDIR=$work HOME=$work

# An 8-inch sheet rendered at WIDTH_PX / 8 dpi gives exactly WIDTH_PX pixels; sizes that
# are pixels in Tarvo_L (8-pixel markers, 1-pixel lines) are converted at that dpi.
dpi=$(echo "scale=6; $wpx / 8" | bc)
h=$(echo "scale=6; $hpx / $dpi" | bc)
f() { echo "scale=6; $1" | bc; }
marker=$(f "8 / $dpi")i
pen=$(f "72 / $dpi")p
land=255/250/217   # Tarvo_L's default land colour
sea=219/250/255    # and ocean colour, which is also the sheet's background
grat=$(f "72 / $dpi")p,0/255/255
thin=(--MAP_GRID_PEN_PRIMARY="$grat" "--MAP_FRAME_PEN=$pen,black" --MAP_FRAME_TYPE=plain)

awk -F, '/^\*WE-PROF/{s=1; next} /^\*/{s=0} s && $1 != 0 {print $1, $2}' "$map" > we.txt
awk -F, '/^\*SN-PROF/{s=1; next} /^\*/{s=0} s && $1 != 0 {print $1, $2}' "$map" > sn.txt

gmt begin fig png "E$dpi,A+r"
  # The sheet: with the crop rounding to the nearest pixel, this box fixes the PNG's size.
  printf '0 0\n8 0\n8 %s\n0 %s\n' "$h" "$h" |
    gmt plot -R0/8/0/"$h" -JX8i/"$h"i -Xa0i -Ya0i -G"$sea" -L
  echo "4 $(f "$h - 0.32") Bench" |
    gmt text -R0/8/0/"$h" -JX8i/"$h"i -Xa0i -Ya0i -F+f14p,Helvetica-Bold+jCM

  # The map: 0.92 of the sheet wide, 0.04 from its left and bottom edges.
  gmt coast -R122/149/24/46 -JL135/24/24/46/7.36i -Xa0.32i -Ya0.32i -Dh \
    -G"$land" -S"$sea" -W"$pen",black -Bg5 "${thin[@]}"
  gmt plot "$data" -R122/149/24/46 -JL135/24/24/46/7.36i -Xa0.32i -Ya0.32i -h1 -i1,0 \
    -Sc"$marker" -Gmagenta -W"$pen",black

  # The profiles: 0.8 of the sheet wide, 0.16 high, bases 0.234 and 0.434 of the width
  # below the top edge.
  for view in we sn; do
    if [ $view = we ]; then
      region=122/149/0/3800 cols=1,2 base=$(f "$h - 1.872")
    else
      region=24/46/0/3800 cols=0,2 base=$(f "$h - 3.472")
    fi
    gmt plot $view.txt -R$region -JX6.4i/1.28i -Xa1.12i -Ya"$base"i -G"$land" -W"$pen",black \
      -Bxa5g5 -Bya1000g1000 -BWS "${thin[@]}" --FONT_ANNOT_PRIMARY=6p
    gmt plot "$data" -R$region -JX6.4i/1.28i -Xa1.12i -Ya"$base"i -h1 -i$cols \
      -Sc"$marker" -Gmagenta -W"$pen",black
  done
gmt end
mv fig.png "$out"
