#!/bin/sh
# Regenerates data/三面図全国.mdt from Debian-packaged data and the summit list.
#   tools/mapdata/generate.sh [SUMMIT_CSV]
# SUMMIT_CSV defaults to ../shared/data/japan-mountains.csv beside the
# repository.  Installs the packages it needs when they are missing (as root,
# or through sudo).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
summits=${1:-$root/../shared/data/japan-mountains.csv}
out=$root/data/三面図全国.mdt

if [ ! -r "$summits" ]; then
    echo "summit list not found: $summits" >&2
    exit 1
fi

pkgs="gmt gmt-gshhg-full r-cran-maps r-cran-mapdata ferret-datasets python3 python3-numpy python3-netcdf4"
missing=
for p in $pkgs; do
    if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "installing:$missing" >&2
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

mkdir -p "$root/data"
# Debian's own interpreter: it is the one python3-numpy and python3-netcdf4
# install into, whatever python3 comes first on PATH.
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/build_mdt.py" --summits "$summits" --out "$out"
