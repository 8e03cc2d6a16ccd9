#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only when some are
# missing, and the packages named as arguments (the fuzzing and benchmark scripts' own);
# and generates the de_DE.UTF-8 locale, whose decimal comma the tests read and write
# numbers under. Run as root, or as a user who may use sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev
  qt6-base-dev qt6-translations-l10n
  zlib1g-dev libdeflate-dev
  libgdal-dev libproj-dev gdal-bin proj-bin
  libuemf-dev emf2svg librsvg2-bin
  pngcheck locales poppler-utils
  dpkg-dev debhelper file lintian man-db desktop-file-utils shared-mime-info appstream
  xvfb x11-utils
  fonts-ipafont fonts-crosextra-caladea fonts-dejavu-core
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A comma-decimal locale for the tests (they make a private copy with localedef when the
# system has none, and skip with a message when that fails too).
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "Generating the locale de_DE.UTF-8"
  "${as_root[@]}" sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen
fi
