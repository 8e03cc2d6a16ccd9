#!/usr/bin/env bash
# Times Tarvo_L's PNG export against GMT and matplotlib drawing the comparable figure, side
# by side in one run, and writes the table with the machine's description to
# bench/RESULTS.md.
#   bash bench/run.sh [--quick] [--reps N]
# Builds build/release, installs GMT and matplotlib when missing, generates the records
# (build/bench/data), then for every sheet (800 px window width, A4, A3) and record count
# (0, 10 000, 1 000 000) runs the three tools in turn, repetition after repetition, so that
# a change in the machine's load falls on all of them alike. Each run is one whole process
# timed by /usr/bin/time (elapsed seconds, peak resident memory). Last comes --export-dir
# over 200 files of 500 records at A4. --quick makes one repetition instead of five.
# The figures of the last repetition stay in build/bench/out for a look.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

reps=5
while [ $# -gt 0 ]; do
  case $1 in
    --quick) reps=1 ;;
    --reps) reps=${2:?--reps needs a number}; shift ;;
    *) echo "usage: bash bench/run.sh [--quick] [--reps N]" >&2; exit 2 ;;
  esac
  shift
done
[[ $reps =~ ^[1-9][0-9]*$ ]] || { echo "--reps must be a positive number" >&2; exit 2; }
# GMT needs one to two minutes per million-record figure; three of them give a median
# while keeping the full run near half an hour.
gmt_million_reps=$((reps < 3 ? reps : 3))

bash scripts/setup-debian.sh gmt gmt-gshhg-high python3-matplotlib time bc
# Debian's interpreter, the one python3-matplotlib is installed for, whatever is on PATH.
py=/usr/bin/python3

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/release --target Tarvo_L
commit=$(git rev-parse --short HEAD 2> /dev/null || echo unknown)
git diff --quiet HEAD 2> /dev/null || commit="$commit with uncommitted changes"

map=$root/data/三面図全国.mdt
work=$root/build/bench
rm -rf "$work/out" "$work/times" "$work/data/dir"
mkdir -p "$work/bin" "$work/data/dir" "$work/out" "$work/times"
# A copy, so that another build of build/release during the run cannot swap or remove the
# program under test; the map is named since the copy has no data folder beside it.
tarvo=$work/bin/Tarvo_L
cp build/release/conic/Tarvo_L "$tarvo"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}

# Other work on the machine skews the timings, so the results tell how much there was:
# /proc/stat splits the cores' time into niced and normal work, and the CPU time of this
# shell's children, taken from the normal work, leaves the other programs' share.
cpu_ticks() {  # normal-priority busy, niced busy and total ticks of all cores
  awk '/^cpu / {print $2 + $4 + $7 + $8, $3, $2 + $3 + $4 + $5 + $6 + $7 + $8 + $9}' /proc/stat
}
own_seconds() {  # sets own to the CPU seconds of this shell's children so far
  # `times` must run in this shell: a subshell counts only its own children.
  times > "$work/times/own"
  own=$(awk 'NR == 2 {n = split($0, f, /[ms ]+/); t = 0
    for (i = 1; i + 1 <= n; i += 2) t += f[i] * 60 + f[i + 1]; print t}' "$work/times/own")
}
read -r busy_start nice_start total_start <<< "$(cpu_ticks)"
own_seconds
own_start=$own
started=$(date -u '+%Y-%m-%d %H:%M UTC')

echo "Generating records"
printf 'Bench\r\n' > "$work/data/r0.grd"
"$py" bench/make_records.py --map "$map" --count 10000 --seed 1 "$work/data/r10000.grd"
"$py" bench/make_records.py --map "$map" --count 1000000 --seed 2 "$work/data/r1000000.grd"
dir_files=()
for i in $(seq -w 1 200); do dir_files+=("$work/data/dir/map$i.grd"); done
"$py" bench/make_records.py --map "$map" --count 500 --seed 3 "${dir_files[@]}"

# The records are placed as written, not snapped to mesh cells, so that all three figures
# show the same points.
tarvo_set=(--set Map.GridSize=0 --set "DataFile.MapFile=$map")
sheets=(0 3 4)
sheet_name=([0]="window" [3]="A4" [4]="A3")
counts=(0 10000 1000000)
count_name=([0]="0" [10000]="10 000" [1000000]="1 000 000")
declare -A width height
for s in "${sheets[@]}"; do
  # Also a warm-up: the first run after a build pays for loading the libraries.
  line=$("$tarvo" "${tarvo_set[@]}" --set Map.SheetSize="$s" \
    --export "$work/out/size$s.png" "$work/data/r0.grd" 2> /dev/null)
  width[$s]=$(sed -n 's/.* width=\([0-9]*\).*/\1/p' <<< "$line")
  height[$s]=$(sed -n 's/.* height=\([0-9]*\).*/\1/p' <<< "$line")
  echo "Sheet ${sheet_name[$s]}: ${width[$s]} x ${height[$s]} px"
done
bash bench/gmt_figure.sh "$work/data/r0.grd" "$map" "$work/out/warm-gmt.png" 800 1131
"$py" bench/mpl_figure.py "$work/data/r0.grd" "$map" "$work/out/warm-mpl.png" 800 1131

png_width() {  # the width in a PNG's header
  od -An -tu1 -j16 -N4 "$1" | awk '{print (($1 * 256 + $2) * 256 + $3) * 256 + $4}'
}

timed() {  # tool case output width command...: one timed figure, added to times/tool.case
  local tool=$1 name=$2 out=$3 want=$4
  shift 4
  rm -f "$out"
  if ! /usr/bin/time -f '%e %M' -o "$work/times/last" "$@" > "$work/times/log" 2>&1; then
    echo "$tool failed on $name:" >&2
    cat "$work/times/log" >&2
    exit 1
  fi
  if [ -n "$want" ] && [ "$(png_width "$out")" != "$want" ]; then
    echo "$tool drew $name $(png_width "$out") px wide, not $want" >&2
    exit 1
  fi
  tail -n 1 "$work/times/last" >> "$work/times/$tool.$name"
  printf '  %-6s %-14s %s\n' "$tool" "$name" "$(tail -n 1 "$work/times/last")"
}

for ((rep = 1; rep <= reps; rep++)); do
  echo "Repetition $rep of $reps"
  for s in "${sheets[@]}"; do
    w=${width[$s]} h=${height[$s]}
    for n in "${counts[@]}"; do
      name=s$s.n$n
      data=$work/data/r$n.grd
      out=$work/out/$name
      timed tarvo "$name" "$out.tarvo.png" "$w" \
        "$tarvo" "${tarvo_set[@]}" --set Map.SheetSize="$s" --export "$out.tarvo.png" "$data"
      if [ "$n" -lt 1000000 ] || [ "$rep" -le "$gmt_million_reps" ]; then
        timed gmt "$name" "$out.gmt.png" "$w" \
          bash bench/gmt_figure.sh "$data" "$map" "$out.gmt.png" "$w" "$h"
      fi
      timed mpl "$name" "$out.mpl.png" "$w" \
        "$py" bench/mpl_figure.py "$data" "$map" "$out.mpl.png" "$w" "$h"
    done
  done
done

echo "Export of 200 files of 500 records at A4 (--export-dir)"
for ((rep = 1; rep <= reps; rep++)); do
  rm -rf "$work/out/dir"
  mkdir -p "$work/out/dir"
  timed tarvo dir "$work/out/dir/map001.png" "${width[3]}" \
    "$tarvo" "${tarvo_set[@]}" --set Map.SheetSize=3 --export-dir "$work/out/dir" "${dir_files[@]}"
  made=$(find "$work/out/dir" -name '*.png' | wc -l)
  [ "$made" -eq 200 ] || { echo "--export-dir made $made figures, not 200" >&2; exit 1; }
done

read -r busy_end nice_end total_end <<< "$(cpu_ticks)"
own_seconds
own_end=$own

median() {  # file: the median of its first column
  sort -g "$1" | awk '{v[NR] = $1} END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
peak_mb() {  # file: the largest peak resident memory in its second column, MB
  awk '$2 > m {m = $2} END {printf "%.0f", m / 1024}' "$1"
}
times_of() { echo "$work/times/$1.s$2.n$3"; }  # tool sheet count
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.3f", a / b; else print "-"}'; }

table=$work/table.md
{
  echo "| sheet | records | Tarvo_L s | GMT s | matplotlib s | Tarvo_L/GMT | Tarvo_L/mpl" \
    "| Tarvo_L MB | GMT MB | matplotlib MB |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
  for s in "${sheets[@]}"; do
    for n in "${counts[@]}"; do
      t=$(median "$(times_of tarvo "$s" "$n")")
      g=$(median "$(times_of gmt "$s" "$n")")
      m=$(median "$(times_of mpl "$s" "$n")")
      printf '| %s (%s px) | %s | %.2f | %.2f | %.2f | %s | %s | %s | %s | %s |\n' \
        "${sheet_name[$s]}" "${width[$s]}" "${count_name[$n]}" "$t" "$g" "$m" \
        "$(ratio "$t" "$g")" "$(ratio "$t" "$m")" "$(peak_mb "$(times_of tarvo "$s" "$n")")" \
        "$(peak_mb "$(times_of gmt "$s" "$n")")" "$(peak_mb "$(times_of mpl "$s" "$n")")"
    done
  done
  d=$(median "$work/times/tarvo.dir")
  echo
  printf -- '--export-dir, 200 files of 500 records at A4: median %.2f s, %.1f maps per second,' \
    "$d" "$(awk -v d="$d" 'BEGIN {print 200 / d}')"
  printf ' peak memory %s MB.\n' "$(peak_mb "$work/times/tarvo.dir")"
} > "$table"

load=$(awk -v hz="$(getconf CLK_TCK)" -v b=$((busy_end - busy_start)) \
  -v n=$((nice_end - nice_start)) -v t=$((total_end - total_start)) \
  -v o="$(awk -v a="$own_start" -v b="$own_end" 'BEGIN {print b - a}')" \
  'BEGIN {o *= hz; if (o > b) o = b
    printf "%.0f %% ran the benchmark, %.0f %% other work at normal priority, %.0f %% niced work",
      100 * o / t, 100 * (b - o) / t, 100 * n / t}')
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
mem=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
version() { dpkg-query -W -f='${Version}' "$1" 2> /dev/null || echo unknown; }
pyversion() { "$py" -c "import $1; print($1.$2)"; }
{
  echo "# Benchmark: Tarvo_L export against GMT and matplotlib"
  echo
  echo "Made by \`bash bench/run.sh\` ($reps repetitions) from $started."
  echo
  echo "## Machine"
  echo
  echo "- $(nproc) cores: $cpu; $mem memory"
  echo "- Debian $(cat /etc/debian_version), Linux $(uname -r)"
  echo "- Tarvo_L at $commit (build/release, GCC $(version g++-12), Qt $(version qt6-base-dev))"
  echo "- GMT $(gmt --version), GSHHG $(version gmt-gshhg-high) (high resolution)," \
    "Ghostscript $(version ghostscript)"
  echo "- matplotlib $(pyversion matplotlib __version__) (Agg), numpy" \
    "$(pyversion numpy __version__), Python $(pyversion platform 'python_version()')"
  echo "- Load: of all cores' time during the run, $load" \
    "(niced work, such as background fuzzers at nice 19, yields to the benchmark; other" \
    "normal-priority work competes with it)."
  echo
  echo "## Results"
  echo
  echo "Medians of $reps interleaved runs (GMT with 1 000 000 records: $gmt_million_reps), whole"
  echo "processes, elapsed seconds; ratios below 1 mean Tarvo_L is faster. Peak memory is the"
  echo "largest resident set of a run's processes (for GMT, its largest module or Ghostscript)."
  echo
  cat "$table"
  echo
  echo "## What is drawn"
  echo
  echo "- Records: bench/make_records.py, fixed seeds, uniform on the Japanese land of the"
  echo "  bundled map's coastlines, altitudes 0-3000 m; one category. Tarvo_L places them"
  echo "  as written (Map.GridSize=0), so that the three figures show the same points."
  echo "- Tarvo_L: \`Tarvo_L --set Map.GridSize=0 --set Map.SheetSize=S --export OUT.png"
  echo "  DATA.grd\` with S = 0 (window width), 3 (A4), 4 (A3), QT_QPA_PLATFORM=offscreen."
  echo "- GMT (bench/gmt_figure.sh): modern mode, -R122/149/24/46 -JL135/24/24/46, coast with"
  echo "  land and sea fill from GSHHG high resolution (-Dh), 5-degree graticule, the profile"
  echo "  outlines from the map file, every record as an 8-pixel circle in the map and in both"
  echo "  profiles; PNG at the dpi that gives Tarvo_L's pixel width and height."
  echo "- matplotlib (bench/mpl_figure.py): the map file's coastlines and profile outlines in"
  echo "  the same Lambert conic, the same records as 8-pixel circles, a figure of Tarvo_L's"
  echo "  pixel size."
  echo "- Every figure's pixel width is checked against Tarvo_L's."
} > bench/RESULTS.md

echo
cat "$table"
echo
echo "Written to bench/RESULTS.md"
