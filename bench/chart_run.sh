#!/usr/bin/env bash
# Times a repaint of the chart program's biggest chart against matplotlib repainting the
# same figure, side by side in one run, and writes the table to bench/CHART_RESULTS.md.
#   bash bench/chart_run.sh [--reps N]
# The chart: six point series of 64 000 records (one per marker shape) over a line series
# of 200 000 points, at the size of a window's map (1200 x 1100) and of the map enlarged
# four times (4800 x 4400). Each process draws its figure REPAINTS times after loading the
# data; the median repaint of a process is one sample, and the processes of the two tools
# alternate, so that a change in the machine's load falls on both alike.
# Then the chart program itself with a three-view of 6 categories x 64 000 records at mesh
# level 3 (standard mesh lines): the build from "分布図を作成する" to the charts ready and a
# repaint of the window (chart_window_bench), and the scripted export as EMF, SVG, PDF and
# PNG, each a whole process timed with its peak memory, against matplotlib saving the
# same points in the same formats.
set -euo pipefail
cd "$(dirname "$0")/.."

reps=5
while [ $# -gt 0 ]; do
  case $1 in
    --reps) reps=${2:?--reps needs a number}; shift ;;
    *) echo "usage: bash bench/chart_run.sh [--reps N]" >&2; exit 2 ;;
  esac
  shift
done
[[ $reps =~ ^[1-9][0-9]*$ ]] || { echo "--reps must be a positive number" >&2; exit 2; }

bash scripts/setup-debian.sh python3-matplotlib libbenchmark-dev
py=/usr/bin/python3
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_BENCH=ON > /dev/null
cmake --build build/release --target chart_repaint_bench chart_window_bench Tarvo
work=build/bench/chart
mkdir -p "$work"
cp build/release/bench/chart_repaint_bench build/release/bench/chart_window_bench \
  build/release/chart/Tarvo "$work/"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
commit=$(git rev-parse --short HEAD 2> /dev/null || echo unknown)
git diff --quiet HEAD 2> /dev/null || commit="$commit with uncommitted changes"
started=$(date -u '+%Y-%m-%d %H:%M UTC')
repaints=5

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
sample() { sed -n 's/^median=\([0-9.]*\).*/\1/p'; }

rows=()
for size in "1200 1100" "4800 4400"; do
  read -r w h <<< "$size"
  : > "$work/ours" && : > "$work/mpl"
  for rep in $(seq 1 "$reps"); do
    echo "chart ${w}x$h, repetition $rep of $reps"
    "$work/chart_repaint_bench" "$w" "$h" "$repaints" "$work/data.bin" 2> /dev/null |
      sample >> "$work/ours"
    "$py" bench/mpl_chart.py "$w" "$h" "$repaints" "$work/data.bin" | sample >> "$work/mpl"
  done
  ours=$(median < "$work/ours")
  mpl=$(median < "$work/mpl")
  rows+=("| $w x $h | $ours | $mpl | $(awk -v a="$ours" -v b="$mpl" 'BEGIN {printf "%.3f", a / b}') |")
done

# The three-view of 6 x 64 000 records, as a data file.
"$py" - "$work/r6x64k.grd" << 'EOF_PY'
import random, sys
random.seed(7)
with open(sys.argv[1], "w", newline="") as f:
    for c in range(6):
        f.write(f"Category {c + 1}\r\n")
        for _ in range(64000):
            f.write(f"{31 + random.random() * 13:.4f},{130 + random.random() * 14:.4f},"
                    f"{int(random.random() * 3000)}\r\n")
EOF_PY
: > "$work/build" && : > "$work/repaint"
for rep in $(seq 1 "$reps"); do
  echo "window, repetition $rep of $reps"
  line=$("$work/chart_window_bench" "$work/r6x64k.grd" 3 3 2> /dev/null)
  sed -n 's/^build=\([0-9.]*\).*/\1/p' <<< "$line" >> "$work/build"
  sed -n 's/.*repaint=\([0-9.]*\).*/\1/p' <<< "$line" >> "$work/repaint"
done
export_rows=()
for format in emf svg pdf png; do
  : > "$work/ours" && : > "$work/ours-mb" && : > "$work/mpl"
  for rep in $(seq 1 "$reps"); do
    echo "export $format, repetition $rep of $reps"
    /usr/bin/time -f '%e %M' -o "$work/t" "$work/Tarvo" --set Map.MeshSize=3 \
      --set "DataFile.MapFile=$PWD/data/三面図全国.mdt" --export "$work/big.$format" \
      "$work/r6x64k.grd" > /dev/null 2>&1 || true
    read -r secs kb < "$work/t"
    echo "$secs" >> "$work/ours"
    echo $((kb / 1024)) >> "$work/ours-mb"
    /usr/bin/time -f '%e %M' -o "$work/t" "$py" bench/mpl_chart.py --grd "$work/r6x64k.grd" \
      "$work/mpl.$format" > /dev/null 2>&1 || true
    read -r secs kb < "$work/t"
    echo "$secs" >> "$work/mpl"
  done
  ours=$(median < "$work/ours")
  mpl=$(median < "$work/mpl")
  export_rows+=("| $format | $ours | $(median < "$work/ours-mb") | $mpl | $(awk -v a="$ours" -v b="$mpl" 'BEGIN {printf "%.3f", a / b}') |")
done

version() { dpkg-query -W -f='${Version}' "$1" 2> /dev/null || echo unknown; }
{
  echo "# Benchmark: repainting a big chart against matplotlib"
  echo
  echo "Made by \`bash bench/chart_run.sh\` ($reps repetitions) from $started."
  echo
  echo "- $(nproc) cores: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
  echo "- Debian $(cat /etc/debian_version); chart component at $commit (build/release, Qt" \
    "$(version qt6-base-dev)); matplotlib $("$py" -c 'import matplotlib; print(matplotlib.__version__)') (Agg)"
  echo
  echo "Six point series of 64 000 records each (square, circle, two triangles, diamond, cross;"
  echo "7 pixels across, blue with a black rim) over a line series of 200 000 points broken every"
  echo "500 points, with the axes and labels, drawn into an image (bench/ChartRepaint.cpp) and"
  echo "by matplotlib's canvas.draw() (bench/mpl_chart.py) from the same data. Seconds per"
  echo "repaint: the median over $reps processes of each process's median of $repaints repaints;"
  echo "ratios below 1 mean the chart component is faster."
  echo
  echo "| size (pixels) | chart s | matplotlib s | chart/matplotlib |"
  echo "|---|---:|---:|---:|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "## The chart program with a big three-view"
  echo
  echo "6 categories x 64 000 records (uniform over 130-144 E, 31-44 N, 0-3000 m) on the bundled"
  echo "map at mesh level 3, over the default range. In the window (1280 x 960, offscreen):"
  echo "build (from \"分布図を作成する\" to the charts ready) $(median < "$work/build") s, repaint of the"
  echo "whole drawing area $(median < "$work/repaint") s (targets: under 1 s and 0.1 s)."
  echo
  echo "Scripted export, whole processes, medians of $reps (targets: EMF under 2 s, SVG and PNG"
  echo "under 1 s, peak memory under 300 MB); matplotlib saves the same points, as markers of"
  echo "the same size, in the same format (bench/mpl_chart.py --grd)."
  echo
  echo "| format | Tarvo s | Tarvo MB | matplotlib s | Tarvo/matplotlib |"
  echo "|---|---:|---:|---:|---:|"
  printf '%s\n' "${export_rows[@]}"
} > bench/CHART_RESULTS.md
cat bench/CHART_RESULTS.md
