#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only when some are
# missing, and the packages named as arguments (the fuzzing and benchmark scripts' own).
# Run as root, or as a user who may use sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev
  qt6-base-dev qt6-translations-l10n
  zlib1g-dev libdeflate-dev
  libuemf-dev emf2svg librsvg2-bin
  pngcheck
  dpkg-dev file lintian desktop-file-utils shared-mime-info
  fonts-ipafont fonts-crosextra-caladea fonts-dejavu-core
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
