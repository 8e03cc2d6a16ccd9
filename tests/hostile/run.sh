#!/usr/bin/env bash
# Opt-in: runs the programs of a build (default build/release) against hostile inputs too
# large for the unit tests — 100 MB lines, endless devices, 50 MB settings files — and
# prints for each: exit status, first line of the message, seconds, peak memory and whether
# the user's files are intact. Exits 1 when a case ends otherwise than expected.
#   bash tests/hostile/run.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
bash scripts/setup-debian.sh time  # /usr/bin/time measures the peak memory
tarvo="$PWD/$build/conic/Tarvo_L"
check="$PWD/$build/tools/check/tarvo-check"
import="$PWD/$build/tools/import/tarvo-import"
for exe in "$tarvo" "$check" "$import"; do
  [ -x "$exe" ] || { echo "missing $exe: build first (cmake --build $build)" >&2; exit 2; }
done
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
work=$(mktemp -d)
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

map="$OLDPWD/data/三面図全国.mdt"
printf 'Fagus\r\n35.0,136.0,1200\r\n53394611\r\n' > data.grd
cp data.grd data.keep
printf 'old figure' > out.png
printf '[Map]\r\nSheetSize=0\r\n' > s.ini
head -c 100000000 /dev/zero | tr '\0' '5' > longline.grd
{ printf '[DataFile]\r\nTitle='; head -c 10000000 /dev/zero | tr '\0' 'x'; printf '\r\n'; } > title10m.ini
{ for _ in $(seq 1 500000); do printf '[Map]\r\nLandColor=1234567890123456789012345678901234567890123456789012345678901234567890123456789012\r\n'; done; } > big50m.ini
printf 'Fagus\r\n35,135,-1e12\r\n35,135,1e300\r\n53.5,139.7\r\n139.7,35.6\r\n' > far.grd
printf '[PMark1]\r\nSize=1073741824\r\n[Font]\r\nFontSize=100000\r\nScaleFactorHeader=1e300\r\n' > hostile.ini
printf '\xff\xfeF\x00a\x00\r\x00\n\x00' > utf16.grd
printf 'Fagus\r\n35.6\0x,139.7\r\n' > nul.grd
printf '[Map]\r\nMapsType=1\r\n' > maps1.ini
printf '; no sections\r\n139,37\r\n' > nosection.mdt
{ printf 'name,lat,lon\n'; head -c 100000000 /dev/zero | tr '\0' '5'; printf '\nA,35,139\n"open,35,139\n'; } > longrow.csv
printf 'name,lat,lon\r\nFagus,35.5,139.2\r\n' > table.csv
cp table.csv table.keep
mkfifo pipe.png
ln -s /dev/full full.png
truncate -s 2G sparse.csv
{ printf 'name,lat,lon\n'; } > shrinking.csv
truncate -s 200G shrinking.csv
cp "$OLDPWD/tests/data/import/stray-byte.csv" stray.csv
{ printf 'name,lat,lon\nA,35.5,139.25\nB,35.5,139.5\n'; for i in $(seq 100 999); do printf 'C,35.%d,139.75\n' "$i"; done; } > split.csv
mkdir planted
printf 'victim' > victim.txt
ln -s ../victim.txt planted/Fagus.grd

failed=0
printf '| case | exit | message | s | peak MB | data intact |\n|---|---|---|---|---|---|\n'
run() {  # expected-exit name command...
  local want=$1 name=$2
  shift 2
  local start end status
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o rss.txt "$@" > stdout.txt 2> stderr.txt
  status=$?
  end=$(date +%s.%N)
  local message
  message=$(grep -v -e '^QStandardPaths' -e '^使い方' -e '^ ' stderr.txt | head -n 1)
  message=${message:0:80}  # characters, in the UTF-8 locale set above
  local intact=yes
  cmp -s data.grd data.keep || intact=NO
  cmp -s table.csv table.keep || intact=NO
  [ "$(cat out.png)" = "old figure" ] || intact=NO
  printf '| %s | %s | %s | %.2f | %d | %s |\n' "$name" "$status" "${message//|/\\|}" \
    "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$(( $(tail -n 1 rss.txt) / 1024 ))" "$intact"
  if [ "$status" != "$want" ] || [ "$intact" != yes ]; then
    echo "  ^ expected exit $want with the data intact" >&2
    failed=1
  fi
}
M=(--set "DataFile.MapFile=$map")
run 2 "swapped arguments" "$tarvo" "${M[@]}" --export data.grd out.png
run 2 "empty output" "$tarvo" "${M[@]}" --export "" data.grd
run 2 "output is the data file" "$tarvo" "${M[@]}" --export-dir . data.grd data.png
run 0 "output through a pipe" sh -c "cat pipe.png > piped.bin & exec \"$tarvo\" --set 'DataFile.MapFile=$map' --export pipe.png data.grd"
run 1 "full disk" "$tarvo" "${M[@]}" --export full.png data.grd
run 1 "100 MB line of data" "$tarvo" "${M[@]}" --export f.png longline.grd
run 1 "endless data (/dev/zero)" "$tarvo" "${M[@]}" --export f.png /dev/zero
run 1 "10 MB title in settings" "$tarvo" title10m.ini "${M[@]}" --export f.png data.grd
run 1 "50 MB settings file" "$tarvo" big50m.ini "${M[@]}" --export f.png data.grd
run 0 "huge marker, font and scale" "$tarvo" hostile.ini "${M[@]}" --export f.png data.grd
run 0 "altitude -1e12, 1e300, far coordinates" "$tarvo" "${M[@]}" --export f.png far.grd
run 1 "UTF-16 data" "$tarvo" "${M[@]}" --export f.png utf16.grd
run 1 "NUL in a record" "$tarvo" "${M[@]}" --export f.png nul.grd
run 1 "figure type 1" "$tarvo" maps1.ini "${M[@]}" --export f.png data.grd
run 1 "map without sections" "$tarvo" --set DataFile.MapFile=nosection.mdt --export f.png data.grd
run 2 "checker: 100 MB line" "$check" longline.grd
run 2 "checker: /dev/zero" "$check" /dev/zero
run 2 "checker: output to a full disk" sh -c "exec \"$check\" data.grd > /dev/full"
run 1 "checker: NUL in a record" "$check" nul.grd
run 1 "import: 100 MB row, quote left open" sh -c "exec \"$import\" longrow.csv -o rows.grd"
run 2 "import: /dev/zero" "$import" /dev/zero
run 2 "import: 100 MB heading" "$import" longline.grd
run 2 "import: output to a full disk" "$import" table.csv -o /dev/full
run 2 "import: output over its own table" "$import" table.csv -o ./table.csv
run 2 "import: UTF-16 table" "$import" utf16.grd
run 2 "import: 2 GB sparse table" "$import" sparse.csv
run 2 "import: table cut short while read" sh -c "( sleep 1; truncate -s 100 shrinking.csv ) & exec \"$import\" shrinking.csv -o shrunk.grd"
run 2 "import: standard input is the output" sh -c "exec \"$import\" - -o table.csv < table.csv"
run 2 "import: empty output name" "$import" table.csv -o ""
run 1 "import: one stray byte in a UTF-8 table" "$import" stray.csv --split-by 和名 --out-dir stray
expect() {  # what the last case must have left
  if ! eval "$1"; then
    echo "  ^ expected: $1" >&2
    failed=1
  fi
}
expect '[ -f stray/ハイマツ.grd ] && [ "$(ls stray | wc -l)" = 3 ]'
run 2 "import: link planted in --out-dir" "$import" table.csv --split-by name --out-dir planted
expect '[ "$(cat victim.txt)" = victim ] && [ -L planted/Fagus.grd ]'

# A split that cannot be written whole leaves the old files as they were and no temporaries.
old_split() {  # folder: two old files in it
  printf 'old A' > "$1/A.grd"
  printf 'old B' > "$1/B.grd"
}
split_intact='[ "$(cat "$d/A.grd")" = "old A" ] && [ "$(cat "$d/B.grd")" = "old B" ] && [ "$(ls -A "$d" | wc -l)" = $n ]'
d=inway n=3
mkdir -p "$d/C.grd" && old_split "$d"
run 2 "import: a folder in the way of a split file" "$import" split.csv --split-by name --out-dir "$d"
expect "$split_intact"
for space in "size=16k" "nr_inodes=4"; do
  d=full-$space n=2
  mkdir -p "$d"
  if [ "$(id -u)" = 0 ] && mount -t tmpfs -o "$space" tmpfs "$d" 2>/dev/null; then
    mounts+=("$PWD/$d")
    old_split "$d"
    run 2 "import: split onto a full disk ($space)" "$import" split.csv --split-by name --out-dir "$d"
    expect "$split_intact"
  else
    printf '| import: split onto a full disk (%s) | skipped: mounting a small tmpfs needs root |  |  |  |  |\n' "$space"
  fi
done
exit $failed
