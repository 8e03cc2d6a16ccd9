#!/usr/bin/env bash
# Builds the Release programs, makes the Debian package, and checks it the way a user's
# machine sees it: unpacked into a throwaway root, the files where a desktop looks for them,
# the desktop entries and file types valid, lintian without errors, and both programs'
# scripted export run from the unpacked copy on the bundled map and sample data. The
# package's programs cannot fall back on this source tree, so the export proves that the
# installed layout is found.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

build=${TARVO_PACKAGE_BUILD:-build/package}  # a Release build folder of its own
# Not -Werror here: GCC 12 at -O3 warns falsely about std::string concatenation (-Wrestrict);
# the test build holds the code to warnings as errors.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_BUILD_TESTS=OFF \
  -DTARVO_SOURCE_TREE_LOOKUP=OFF
cmake --build "$build"
rm -f "$build"/tarvo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/tarvo_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one package, found: ${debs[*]}" >&2; exit 1; }
deb=$(realpath "${debs[0]}")
echo "package: $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Control fields.
[ "$(dpkg-deb -f "$deb" Package)" = tarvo ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "section"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 fonts-ipafont libgdal libproj proj-data; do
  grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

# Every file belongs to root; no directory is writable by others.
if dpkg-deb -c "$deb" | awk '$2 != "root/root"' | grep -q .; then
  fail "files not owned by root"
fi

# Programs: stripped, no run path, and no trace of this build tree.
for program in Tarvo Tarvo_L tarvo-check tarvo-import; do
  binary="$root/usr/bin/$program"
  [ -x "$binary" ] || { fail "usr/bin/$program missing"; continue; }
  file "$binary" | grep -q ', stripped' || fail "$program is not stripped"
  if readelf -d "$binary" | grep -qE 'RPATH|RUNPATH'; then fail "$program has a run path"; fi
  if grep -qaF "$PWD" "$binary"; then fail "$program names the build tree $PWD"; fi
done

# The bundled data and the manual, whole and unchanged.
while IFS= read -r -d '' file; do
  cmp -s "data/$file" "$root/usr/share/tarvo/data/$file" || fail "share/tarvo/data/$file"
done < <(cd data && find . -type f -printf '%P\0')
while IFS= read -r -d '' file; do
  cmp -s "docs/$file" "$root/usr/share/doc/tarvo/$file" || fail "share/doc/tarvo/$file"
done < <(cd docs && find . -type f ! -name '*.sh' ! -name '*.py' ! -name '*.R' -printf '%P\0')
for file in index.html copyright changelog.Debian.gz; do
  [ -f "$root/usr/share/doc/tarvo/$file" ] || fail "share/doc/tarvo/$file missing"
done

# Desktop entries: valid, their program and icon in the package.
for entry in tarvo tarvo-l; do
  desktop="$root/usr/share/applications/$entry.desktop"
  [ -f "$desktop" ] || { fail "$entry.desktop missing"; continue; }
  desktop-file-validate "$desktop" || fail "$entry.desktop does not validate"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_program" ] || fail "$entry.desktop runs $exec_program, not installed"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon missing"
done

# File types register, with our own names for both extensions.
mime="$work/mime"
mkdir -p "$mime/packages"
cp "$root"/usr/share/mime/packages/*.xml "$mime/packages/"
# (It notes that the folder is not one a desktop searches: said once, not a failure.)
update-mime-database "$mime" >"$work/mime.log" 2>&1 || { cat "$work/mime.log"; fail "update-mime-database"; }
grep -q '^application/x-tarvo-grd:\*\.grd$' "$mime/globs" || fail "*.grd not registered"
grep -q '^application/x-tarvo-mdt:\*\.mdt$' "$mime/globs" || fail "*.mdt not registered"
for type in grd mdt; do
  [ -f "$root/usr/share/icons/hicolor/scalable/mimetypes/application-x-tarvo-$type.svg" ] ||
    fail "icon of the $type type missing"
done

# Lintian: errors fail, warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

# The installed programs draw the sample on the bundled map, found by bare names from a
# folder that holds neither; each figure equals one drawn from the files named outright.
export QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$work/run" "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
source_map="$PWD/data/三面図全国.mdt"
source_sample="$PWD/data/ZoSample.grd"
cd "$work/run"
# Tarvo's default range leaves out some of the sample: the secondary mesh takes it all.
declare -A options=([Tarvo_L]="" [Tarvo]="--set Map.MeshSize=2 --set Map.GridSize=10")
for program in Tarvo_L Tarvo; do
  read -r -a extra <<<"${options[$program]}"
  "$root/usr/bin/$program" "${extra[@]}" --set DataFile.MapFile=三面図全国.mdt \
    --export "$program-installed.png" ZoSample.grd >"$program.out" ||
    fail "$program --export from the installed copy"
  cat "$program.out"
  grep -Eq 'records=[1-9][0-9]* categories=[1-9]' "$program.out" ||
    fail "$program plotted nothing"
  pngcheck -q "$program-installed.png" || fail "$program wrote no valid PNG"
  "$root/usr/bin/$program" "${extra[@]}" --set "DataFile.MapFile=$source_map" \
    --export "$program-source.png" "$source_sample" >/dev/null ||
    fail "$program --export from the source files"
  cmp -s "$program-installed.png" "$program-source.png" ||
    fail "$program drew another figure from the installed data"
done

# The installed importer turns a table into one data file per taxon, which the installed
# Tarvo_L draws as one map each.
printf 'scientificName\tdecimalLatitude\tdecimalLongitude\televation\n%s\n%s\n' \
  $'Fagus crenata\t35.36\t138.73\t1500' $'Pinus pumila\t36.29\t137.65\t2800' >table.tsv
"$root/usr/bin/tarvo-import" table.tsv --split-by scientificName --out-dir grd ||
  fail "tarvo-import from the installed copy"
"$root/usr/bin/Tarvo_L" --set DataFile.MapFile=三面図全国.mdt --export-dir maps grd/*.grd ||
  fail "Tarvo_L --export-dir of the imported files"
for taxon in "Fagus crenata" "Pinus pumila"; do
  pngcheck -q "maps/$taxon.png" || fail "no map of $taxon"
done

# Started from its desktop entry with a data file, each program stays up with its window.
for entry in tarvo tarvo-l; do
  exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$entry.desktop")
  command_line=${exec_line//%f/$root/usr/share/tarvo/data/ZoSample.grd}
  read -r -a words <<<"$command_line"
  words[0]="$root/usr/bin/${words[0]}"
  status=0
  timeout 4 "${words[@]}" >/dev/null 2>&1 || status=$?
  [ "$status" -eq 124 ] || fail "$entry.desktop: program ended with status $status"
done
cd - >/dev/null

if [ "$failures" -ne 0 ]; then
  echo "$failures package checks failed" >&2
  exit 1
fi
echo "package checks passed"
