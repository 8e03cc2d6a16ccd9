#!/usr/bin/env bash
# The window programs' command lines as a script or a cron job runs them: no display, no
# QT_QPA_PLATFORM, no XDG_RUNTIME_DIR. Every case must end within seconds with the exit
# status and the words expected; a hang is a failure.
#   bash tests/cli/run.sh TARVO_L TARVO VERSION DATA_DIR
set -uo pipefail
conic=$1 chart=$2 version=$3 data=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0

# expect STATUS STREAM WORDS -- COMMAND...: STREAM is out, err or quiet (nothing on stderr).
expect() {
  local status=$1 stream=$2 words=$3
  shift 4
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR \
    timeout 60 "$@" >out.txt 2>err.txt
  local got=$?
  local text
  case $stream in
    out) text=$(cat out.txt) ;;
    err | quiet) text=$(cat err.txt) ;;
  esac
  if [ "$got" -ne "$status" ] || { [ -n "$words" ] && [[ $text != *"$words"* ]]; } ||
    { [ "$stream" = quiet ] && [ -s err.txt ]; }; then
    echo "FAILED: $* -> status $got (expected $status), looked for '$words' in $stream" >&2
    sed 's/^/  out: /' out.txt >&2
    sed 's/^/  err: /' err.txt >&2
    failed=1
  fi
}

for program in "$conic" "$chart"; do
  name=$(basename "$program")
  expect 0 out "使い方: $name" -- "$program" --help
  expect 0 out "--export-dir" -- "$program" -h
  expect 0 out "$name $version" -- "$program" --version
  expect 0 out "$name $version" -- "$program" -platform offscreen --version
  expect 2 err "知らないオプションです: --exprot" -- "$program" --exprot x.png "$data/ZoSample.grd"
  expect 2 err "知らないオプションです: -x" -- "$program" -x
  expect 2 err "使い方: $name" -- "$program" --export
  expect 2 err "画面がない" -- "$program" "$data/ZoSample.grd"
  # The bundled sample draws whole at the program's own settings: nothing to warn about.
  expect 0 quiet "" -- "$program" --export "$work/$name.png" "$data/ZoSample.grd"
  expect 0 quiet "" -- "$program" -style Fusion --export "$work/$name-2.png" "$data/ZoSample.grd"
  # The checker's sample has records no figure shows: told, and the status says so.
  expect 1 err "tarvo-check --program" -- "$program" --export "$work/$name-3.png" \
    "$data/CheckSample.grd"
done
[ "$failed" -eq 0 ] && echo "every command line ended as expected"
exit "$failed"
