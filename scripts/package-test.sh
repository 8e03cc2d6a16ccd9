#!/usr/bin/env bash
# Builds the Debian package twice — with CPack, and from the source package in
# packaging/debian/ with the Debian tools — and checks it the way a user's machine and a
# Debian archive see it: the same package both ways, built with Debian's hardening;
# unpacked into a throwaway root, the files where a desktop looks for them; the desktop
# entries, file types and software-centre metadata valid; the manual pages complete; lintian
# with nothing to say beyond the first upload; the programs' exit statuses as their manual
# pages give them, and both programs' scripted export run from the unpacked copy on the
# bundled map and sample data. The package's programs cannot fall back on this source tree,
# so the export proves that the installed layout is found.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

build=${TARVO_PACKAGE_BUILD:-build/package}  # a build folder of its own
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
upstream=${version%-*}

# Debian's build flags as packaging/debian/rules asks for them (hardening in full: bind-now
# on top of fortify, the stack protector, read-only relocations and PIE). CMake never reads
# CPPFLAGS, and the build type None leaves the optimisation to the flags, as the Debian tools
# do. Not -Werror here: the test build holds the code to warnings as errors.
flag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DTARVO_BUILD_TESTS=OFF \
  -DTARVO_SOURCE_TREE_LOOKUP=OFF -DCMAKE_CXX_FLAGS="$(flag CXXFLAGS) $(flag CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flag LDFLAGS)"
cmake --build "$build"
rm -f "$build"/tarvo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/tarvo_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one package, found: ${debs[*]}" >&2; exit 1; }
deb=$(realpath "${debs[0]}")
echo "package: $deb"

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Control fields.
[ "$(dpkg-deb -f "$deb" Package)" = tarvo ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not the changelog's $version"
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "section"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 fonts-ipafont libgdal libproj proj-data; do
  grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

# Every file belongs to root; no directory is writable by others.
if [ -n "$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')" ]; then
  fail "files not owned by root"
fi

# Programs: stripped, no run path, no trace of this build tree, and hardened.
# hardening_gaps BINARY: names each hardening feature the binary lacks. Fortification is not
# read from the binary: the C++ code's copies have sizes known only at run time, so the
# compiler has no checked variant to call; unfortified_compiles checks the flags instead.
# (readelf's output is kept whole: grep -q would end the pipe early, failing it.)
hardening_gaps() {
  local header segments dynamic symbols
  header=$(readelf -hW "$1") segments=$(readelf -lW "$1") dynamic=$(readelf -dW "$1")
  symbols=$(readelf --dyn-syms -W "$1")
  grep -q 'Type: *DYN' <<<"$header" || echo "position-independent executable"
  grep -q GNU_RELRO <<<"$segments" || echo "read-only relocations"
  grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW' <<<"$dynamic" || echo "bind-now"
  grep -q '__stack_chk_fail' <<<"$symbols" || echo "stack protector"
}
# unfortified_compiles: of the compiler commands on standard input, those that lack
# _FORTIFY_SOURCE or the optimisation it needs to work.
unfortified_compiles() {
  awk '/ -c / && !(/ -D_FORTIFY_SOURCE=[1-9] / && / -O[1-3s] /)'
}
compiles=$(grep -F '"command":' "$build/compile_commands.json")
[ -n "$compiles" ] || fail "no compiler commands in $build/compile_commands.json"
unfortified=$(unfortified_compiles <<<"$compiles")
[ -z "$unfortified" ] || fail "compiled without fortification: $(head -c 300 <<<"$unfortified")"
for program in Tarvo Tarvo_L tarvo-check tarvo-import; do
  binary="$root/usr/bin/$program"
  [ -x "$binary" ] || { fail "usr/bin/$program missing"; continue; }
  grep -q ', stripped' <<<"$(file "$binary")" || fail "$program is not stripped"
  if grep -qE 'RPATH|RUNPATH' <<<"$(readelf -d "$binary")"; then fail "$program has a run path"; fi
  if grep -qaF "$PWD" "$binary"; then fail "$program names the build tree $PWD"; fi
  gaps=$(hardening_gaps "$binary")
  [ -z "$gaps" ] || fail "$program is built without: $(tr '\n' ' ' <<<"$gaps")"
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

# Desktop entries: valid, their program and icon in the package, and the window class the
# running program really has (checked below) named, so that docks match its windows.
for entry in tarvo tarvo-l; do
  desktop="$root/usr/share/applications/$entry.desktop"
  [ -f "$desktop" ] || { fail "$entry.desktop missing"; continue; }
  desktop-file-validate "$desktop" || fail "$entry.desktop does not validate"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/usr/bin/$exec_program" ] || fail "$entry.desktop runs $exec_program, not installed"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon missing"
  grep -q '^StartupWMClass=.' "$desktop" || fail "$entry.desktop names no window class"
  # Both programs open both kinds of file.
  grep -qx 'MimeType=application/x-tarvo-grd;application/x-tarvo-mdt;' "$desktop" ||
    fail "$entry.desktop does not offer to open .grd and .mdt files"
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

# Software-centre metadata: valid (the network is left out: whether the web address serves
# the screenshots is the publisher's business), one component per desktop entry, offering
# the same file types, at the package's version. Every web address points into one
# published copy of the manual: the screenshots are its figures of the windows.
metainfo_dir="$root/usr/share/metainfo"
appstreamcli validate --no-net --pedantic --strict "$metainfo_dir"/*.metainfo.xml ||
  fail "metainfo does not validate"
appstreamcli validate-tree --no-net --pedantic "$root" >"$work/tree.log" 2>&1 ||
  { cat "$work/tree.log"; fail "the installed tree's metainfo and desktop entries do not agree"; }
metainfo_count=0
for metainfo in "$metainfo_dir"/*.metainfo.xml; do
  metainfo_count=$((metainfo_count + 1))
  name=$(basename "$metainfo")
  id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo")
  [ "$name" = "$id.metainfo.xml" ] || fail "$name holds the component $id"
  desktop=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
  [ -f "$root/usr/share/applications/$desktop" ] || { fail "$name launches $desktop, not installed"; continue; }
  types=$(sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1;|p' "$metainfo" | tr -d '\n')
  grep -qx "MimeType=$types" "$root/usr/share/applications/$desktop" ||
    fail "$name offers the types $types, $desktop others"
  binary=$(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo")
  grep -q "^Exec=$binary " "$root/usr/share/applications/$desktop" || fail "$name: binary $binary"
  release=$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
  [ "$release" = "$upstream" ] || fail "$name: newest release $release, the package $upstream"
  home=$(sed -n 's|.*<url type="homepage">\(.*\)/index\.html</url>.*|\1|p' "$metainfo")
  [ -n "$home" ] || { fail "$name: the home page is not the manual's index.html"; continue; }
  screenshots=0
  while IFS= read -r url; do
    case $url in
      "$home"/*) page=${url#"$home"/} ;;
      *) fail "$name: $url is not in the manual at $home"; continue ;;
    esac
    [ -f "$root/usr/share/doc/tarvo/$page" ] || fail "$name: $url, but the manual has no $page"
    case $page in figures/*.png) screenshots=$((screenshots + 1)) ;; esac
  done < <(sed -n 's|.*<url type="[a-z]*">\(.*\)</url>.*|\1|p; s|.*<image[^>]*>\(.*\)</image>.*|\1|p' "$metainfo")
  [ "$screenshots" -ge 1 ] || fail "$name shows no figure of the manual"
done
[ "$metainfo_count" -eq 2 ] || fail "expected metainfo of both programs, found $metainfo_count"

# Manual pages: every section a reader looks for, no roff mistakes or escapes shown as
# text, and every option that the program's --help names given an entry of its own under
# OPTIONS (named in an entry's tag, not merely in another entry's text).
for page in Tarvo Tarvo_L tarvo-check tarvo-import; do
  man_file="$root/usr/share/man/man1/$page.1.gz"
  [ -f "$man_file" ] || { fail "manual page of $page missing"; continue; }
  if zcat "$man_file" | LC_ALL=C.UTF-8 groff -man -ww -z -k -Tutf8 2>&1 | grep .; then
    fail "manual page of $page: roff warnings"
  fi
  text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_file" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' ENVIRONMENT FILES; do
    grep -qx "$section" <<<"$text" || fail "manual page of $page lacks $section"
  done
  if grep -F '\' <<<"$text"; then fail "manual page of $page shows roff escapes"; fi
  tags=$(zcat "$man_file" | awk '/^\.SH/ { in_options = ($2 == "OPTIONS") }
    in_options && tag { print } { tag = in_options && /^\.TP/ }' | sed 's/\\-/-/g')
  while IFS= read -r option; do
    grep -Eq -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$tags" ||
      fail "manual page of $page: OPTIONS has no entry for $option"
  done < <("$root/usr/bin/$page" --help |
    LC_ALL=C.UTF-8 grep -oE '(^|[[:space:](（、])--?[a-z][a-z-]*' | sed 's/^[^-]*//' | sort -u)
done

# Lintian: nothing beyond the note that a first upload closes no bug.
lintian_clean() {
  lintian --pedantic --tag-display-limit 0 "$@" >"$work/lintian.log" 2>&1 || true
  if grep -v 'initial-upload-closes-no-bugs' "$work/lintian.log" | grep -E '^[EWPIX]:'; then
    return 1
  fi
}
lintian_clean "$deb" || fail "lintian --pedantic on the package"

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
    --export "$program-installed.png" ZoSample.grd >"$program.out" 2>"$program.err" ||
    fail "$program --export from the installed copy"
  cat "$program.out"
  [ ! -s "$program.err" ] || { cat "$program.err"; fail "$program --export said more than its report"; }
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

# Exit statuses as the manual pages give them. A record off the map (latitude and longitude
# swapped) is not drawn; an altitude of 9999 is a no-data code, drawn with a note.
printf 'Fagus\n35.36,138.73,1500\n' >good.grd
printf 'Fagus\n35.36,138.73,1500\n139.7,35.6,100\n' >off.grd
printf 'Fagus\n35.36,138.73,9999\n' >note.grd
printf 'scientificName\tdecimalLatitude\tdecimalLongitude\n%s\n%s\n' \
  $'Fagus crenata\t35.36\t138.73' $'Fagus crenata\t5.36\t138.73' >off.tsv
# status | standard error: "empty" or a text it holds | command (@map: the bundled map)
cases=(
  "0|empty|Tarvo_L --version"
  "0|empty|Tarvo --help"
  "2|--no-such-option|Tarvo_L --no-such-option"
  "2|DISPLAY|env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM Tarvo_L"
  "2|DISPLAY|env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM Tarvo good.grd"
  "1|tarvo-check --program conic|Tarvo_L @map --export off.png off.grd"
  "1|missing.grd|Tarvo @map --export missing.svg missing.grd"
  "0|empty|tarvo-check good.grd"
  "1|empty|tarvo-check off.grd"
  "0|empty|tarvo-check note.grd"
  "1|empty|tarvo-check --strict note.grd"
  "2|missing.grd|tarvo-check missing.grd"
  "1|5.36|tarvo-import off.tsv -o off-import.grd"
  "2|missing.tsv|tarvo-import missing.tsv -o missing-import.grd"
)
for case in "${cases[@]}"; do
  IFS='|' read -r expected told command <<<"$case"
  read -r -a words <<<"${command//@map/--set DataFile.MapFile=三面図全国.mdt}"
  status=0
  PATH="$root/usr/bin:$PATH" "${words[@]}" >case.out 2>case.err </dev/null || status=$?
  [ "$status" -eq "$expected" ] || fail "$command: exit status $status, not $expected"
  if [ "$told" = empty ]; then
    [ ! -s case.err ] || fail "$command: standard error not empty: $(head -c 300 case.err)"
  else
    grep -qF -- "$told" case.err || fail "$command: standard error does not say $told"
  fi
done

# Started from its desktop entry with a data file, each program stays up with its window,
# whose class is the one the entry names.
# -noreset: the server must not reset between the two programs, when a closing one leaves it
# without clients, or the next one may find no display to connect to.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
display=:$(head -1 "$work/display")
# window_classes: the class of every top-level window on the display.
window_classes() {
  DISPLAY=$display xwininfo -root -children 2>/dev/null |
    sed -n 's/.*("[^"]*" "\([^"]*\)").*/\1/p' | sort -u
}
for entry in tarvo tarvo-l; do
  desktop="$root/usr/share/applications/$entry.desktop"
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
  command_line=${exec_line//%f/$root/usr/share/tarvo/data/ZoSample.grd}
  read -r -a words <<<"$command_line"
  words[0]="$root/usr/bin/${words[0]}"
  env -u QT_QPA_PLATFORM DISPLAY="$display" "${words[@]}" >/dev/null 2>"$work/$entry.err" &
  pid=$!
  classes=
  for _ in $(seq 40); do
    sleep 0.1
    kill -0 "$pid" 2>/dev/null || break
    classes=$(window_classes)
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  else
    status=0
    wait "$pid" 2>/dev/null || status=$?
    cat "$work/$entry.err" >&2
    fail "$entry.desktop: program ended with status $status"
  fi
  grep -qxF "$wm_class" <<<"$classes" ||
    fail "$entry.desktop names the window class $wm_class, the window has: $classes"
done
cd - >/dev/null

# The source package: packaging/debian/ put in place as debian/ in a copy of the tree, built
# by the Debian tools into the same package as CPack's.
source_build="$build/source"
rm -rf "$source_build"
tree="$source_build/tarvo-$upstream"
mkdir -p "$tree"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # The files git keeps or would keep, as they stand in the working tree.
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
      case $file in "$build"/*) continue ;; esac
      if [ -e "$file" ] || [ -L "$file" ]; then printf '%s\0' "$file"; fi
    done | tar --null -T - -cf - | tar -xf - -C "$tree"
else
  tar --exclude=./.git --exclude=./build --exclude="./$build" -cf - . | tar -xf - -C "$tree"
fi
tar -C "$source_build" --sort=name --owner=0 --group=0 --numeric-owner --mtime=@0 \
  -cJf "$source_build/tarvo_$upstream.orig.tar.xz" "tarvo-$upstream"
cp -r packaging/debian "$tree/debian"
if ! (cd "$tree" && DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -us -uc \
  >"../build.log" 2>&1); then
  tail -n 40 "$source_build/build.log" >&2
  fail "dpkg-buildpackage (log: $source_build/build.log)"
fi
arch=$(dpkg --print-architecture)
debian_deb="$source_build/tarvo_${version}_$arch.deb"
changes="$source_build/tarvo_${version}_$arch.changes"
if [ -f "$debian_deb" ]; then
  echo "source package: $source_build/tarvo_$version.dsc"
  # The same package: name, fields (the sizes aside: the two tools strip differently),
  # files with their owners and modes, and every file but the programs byte for byte.
  [ "$(basename "$debian_deb")" = "$(basename "$deb")" ] ||
    fail "the Debian tools name the package $(basename "$debian_deb"), CPack $(basename "$deb")"
  fields() {
    dpkg-deb -f "$1" | awk '/^[A-Za-z-]+:/ { field = $1 } field != "Installed-Size:"' |
      sed -E '/^(Depends|Recommends):/ { s/^([^:]*): //; s/, /\n/g; }' | sort
  }
  diff <(fields "$deb") <(fields "$debian_deb") || fail "the two packages' control fields differ"
  debian_root="$work/debian-root"
  dpkg-deb -x "$debian_deb" "$debian_root"
  listing() { (cd "$1" && find . -printf '%M %u %g %p\n' | sort); }
  diff <(listing "$root") <(listing "$debian_root") || fail "the two packages hold other files"
  diff -r --exclude=bin "$root" "$debian_root" >/dev/null || fail "the two packages' files differ"
  # (The Debian tools list the control archive's own folder; CPack does not.)
  control_files() { dpkg-deb --ctrl-tarfile "$1" | tar -t | sed 's|^\./||; /^$/d' | sort; }
  diff <(control_files "$deb") <(control_files "$debian_deb") ||
    fail "the two packages' control files differ"
  compiles=$(grep -E '^\[[0-9]+/[0-9]+\] .* -c ' "$source_build/build.log" || true)
  [ -n "$compiles" ] || fail "no compiler commands in the log of dpkg-buildpackage"
  unfortified=$(unfortified_compiles <<<"$compiles")
  [ -z "$unfortified" ] || fail "the Debian tools compiled without fortification: $(head -c 300 <<<"$unfortified")"
  for program in Tarvo Tarvo_L tarvo-check tarvo-import; do
    gaps=$(hardening_gaps "$debian_root/usr/bin/$program")
    [ -z "$gaps" ] || fail "$program of the source package is built without: $(tr '\n' ' ' <<<"$gaps")"
  done
  lintian_clean "$changes" || fail "lintian --pedantic on the source package and its builds"
else
  fail "dpkg-buildpackage made no $(basename "$debian_deb")"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures package checks failed" >&2
  exit 1
fi
echo "package checks passed"
