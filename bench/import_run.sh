#!/usr/bin/env bash
# Times tarvo-import against Python's csv module reading the same occurrence table, side by
# side in one run, and writes the ratios with the machine's description to
# bench/IMPORT_RESULTS.md.
#   bash bench/import_run.sh [--quick] [--reps N]
# Builds build/release, generates GBIF-shaped tables of 100 000, 1 000 000 and 10 000 000 rows
# (build/bench/import, bench/make_table.py, fixed seeds), then for each size runs the two in
# turn, repetition after repetition, so that a change in the machine's load falls on both
# alike. tarvo-import takes the path of a GBIF download to maps: --split-by scientificName
# --out-dir (50 files). Each run is one whole process timed by /usr/bin/time (elapsed seconds,
# peak resident memory). Ten million rows are run once (--quick: not at all); --quick makes
# one repetition instead of five.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

reps=5
quick=0
while [ $# -gt 0 ]; do
  case $1 in
    --quick) reps=1 quick=1 ;;
    --reps) reps=${2:?--reps needs a number}; shift ;;
    *) echo "usage: bash bench/import_run.sh [--quick] [--reps N]" >&2; exit 2 ;;
  esac
  shift
done
[[ $reps =~ ^[1-9][0-9]*$ ]] || { echo "--reps must be a positive number" >&2; exit 2; }

bash scripts/setup-debian.sh python3-numpy time
# Debian's interpreter, the one python3-numpy is installed for, whatever is on PATH.
py=/usr/bin/python3

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/release --target tarvo-import
commit=$(git rev-parse --short HEAD 2> /dev/null || echo unknown)
git diff --quiet HEAD 2> /dev/null || commit="$commit with uncommitted changes"

work=$root/build/bench/import
mkdir -p "$work/bin" "$work/times"
rm -f "$work"/times/*
# A copy, so that another build of build/release during the run cannot swap the program
# under test; the bundled map is named by its path since the copy has none beside it.
import=$work/bin/tarvo-import
cp build/release/tools/import/tarvo-import "$import"
map=$root/data/三面図全国.mdt
export LC_ALL=C.UTF-8 TMPDIR="$work"

sizes=(100000 1000000)
[ "$quick" -eq 1 ] || sizes+=(10000000)
declare -A size_name=([100000]="100 000" [1000000]="1 000 000" [10000000]="10 000 000")
for n in "${sizes[@]}"; do
  table=$work/table$n.txt
  if [ ! -s "$table" ]; then
    echo "Generating $n rows"
    (cd bench && "$py" make_table.py --map "$map" --rows "$n" --seed "$n" "$table")
  fi
done

timed() {  # tool size command...: one timed run, added to times/tool.size
  local tool=$1 n=$2
  shift 2
  # tarvo-import exits 1 when rows were refused, as the tables' few faulty rows are.
  /usr/bin/time -f '%e %M' -o "$work/times/last" "$@" > "$work/times/log" 2>&1 || true
  if ! grep -q . "$work/times/last" || grep -q 'Command terminated\|exited with non-zero status 2' \
    "$work/times/last"; then
    echo "$tool failed on $n rows:" >&2
    cat "$work/times/log" "$work/times/last" >&2
    exit 1
  fi
  tail -n 1 "$work/times/last" >> "$work/times/$tool.$n"
  printf '  %-14s %-10s %s\n' "$tool" "$n" "$(tail -n 1 "$work/times/last")"
}

run_size() {  # size repetitions
  local n=$1 r=$2 table=$work/table$1.txt
  for ((rep = 1; rep <= r; rep++)); do
    echo "$n rows, repetition $rep of $r"
    timed python "$n" "$py" bench/csv_read.py "$table"
    rm -rf "$work/out"
    timed tarvo "$n" "$import" "$table" --split-by scientificName --out-dir "$work/out"
  done
}
# Warm-up: the first run after a build pays for loading the libraries and the table's pages.
"$py" bench/csv_read.py "$work/table100000.txt" > /dev/null
for n in 100000 1000000; do run_size "$n" "$reps"; done
[ "$quick" -eq 1 ] || run_size 10000000 1
files=$(find "$work/out" -name '*.grd' | wc -l)
[ "$files" -eq 50 ] || { echo "tarvo-import wrote $files files, not 50" >&2; exit 1; }

median() {  # file: the median of its first column
  sort -g "$1" | awk '{v[NR] = $1} END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
peak_mb() {  # file: the largest peak resident memory in its second column, MB
  awk '$2 > m {m = $2} END {printf "%.0f", m / 1024}' "$1"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }

table_md=$work/table.md
{
  echo "| rows | table MB | Python csv s | tarvo-import s | tarvo-import / csv | Python csv MB |" \
    "tarvo-import MB |"
  echo "|---:|---:|---:|---:|---:|---:|---:|"
  for n in "${sizes[@]}"; do
    p=$(median "$work/times/python.$n")
    t=$(median "$work/times/tarvo.$n")
    mb=$(awk -v b="$(stat -c %s "$work/table$n.txt")" 'BEGIN {printf "%.0f", b / 1e6}')
    printf '| %s | %s | %.2f | %.2f | %s | %s | %s |\n' "${size_name[$n]}" "$mb" "$p" "$t" \
      "$(ratio "$t" "$p")" "$(peak_mb "$work/times/python.$n")" "$(peak_mb "$work/times/tarvo.$n")"
  done
  if [ "$quick" -eq 0 ]; then
    echo
    printf 'From 1 000 000 to 10 000 000 rows: tarvo-import %.1f times the time, Python csv %.1f' \
      "$(ratio "$(median "$work/times/tarvo.10000000")" "$(median "$work/times/tarvo.1000000")")" \
      "$(ratio "$(median "$work/times/python.10000000")" "$(median "$work/times/python.1000000")")"
    echo " times (10 for linear)."
  fi
} > "$table_md"

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
mem=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
{
  echo "# Benchmark: tarvo-import against Python's csv module"
  echo
  echo "Made by \`bash bench/import_run.sh\` ($reps repetitions) from $(date -u '+%Y-%m-%d %H:%M UTC')."
  echo
  echo "## Machine"
  echo
  echo "- $(nproc) cores: $cpu; $mem memory; load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "- Debian $(cat /etc/debian_version), Linux $(uname -r)"
  echo "- tarvo-import at $commit (build/release, GCC $(dpkg-query -W -f='${Version}' g++-12 2> /dev/null || echo unknown))"
  echo "- Python $("$py" -c 'import platform; print(platform.python_version())')"
  echo
  echo "## Results"
  echo
  echo "Medians of the interleaved runs (ten million rows: one run), whole processes, elapsed"
  echo "seconds; peak memory is the largest resident set of a run. Targets: at most 1.5 times"
  echo "Python csv's time and at most 64 MB at a million rows, and linear growth to ten million."
  echo
  cat "$table_md"
  echo
  echo "## What is run"
  echo
  echo "- Tables: bench/make_table.py, a GBIF simple download's shape (tab-separated, UTF-8, 10"
  echo "  columns, about 100 bytes a row): 50 taxa, positions uniform on Japan's land in the bundled"
  echo "  map, one row in a hundred from abroad, a fossil, without coordinates or with a no-data"
  echo "  elevation."
  echo "- Python csv (bench/csv_read.py): \`csv.reader\` over the file, counting rows, nothing more."
  echo "- tarvo-import: \`tarvo-import TABLE --split-by scientificName --out-dir OUT\`: reads every"
  echo "  row, parses coordinates and elevations, checks the map region at every precision and the"
  echo "  sea on the bundled map, applies the default filters, tells every refused row, and writes"
  echo "  50 distribution data files."
  echo "- Memory: the rows, reports and records are streamed (records wait in an unnamed"
  echo "  temporary file, at most 8 MB of them in memory); what grows is the index of records"
  echo "  written, for telling duplicates, about 20 bytes per distinct record (a million"
  echo "  distinct records here, ten million at the largest size), and the bundled map's land."
} > bench/IMPORT_RESULTS.md

echo
cat "$table_md"
echo
echo "Written to bench/IMPORT_RESULTS.md"
