#!/usr/bin/env bash
# Makes the Debian package korvo-eq_<version>_<arch>.deb in OUT from a Linux
# build: what `cmake --install` puts under /usr (the `plugin` component: the
# four formats' modules, korvo and whatever else it installs), the package's
# documentation (the `debian` component: copyright, changelog.gz), the
# control file from control.in with Depends computed by dpkg-shlibdeps from
# the binaries, and md5sums; dpkg-deb builds it, owned by root.
#   make-deb.sh BUILD OUT
set -euo pipefail
build=$(cd "$1" && pwd)
out="$2"
here=$(cd "$(dirname "$0")" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"

for component in plugin debian; do
    DESTDIR="$root" cmake --install "$build" --prefix /usr --component "$component" --strip >/dev/null
done
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod go-w {} +

# dpkg-shlibdeps wants a debian/ folder to work in. Debian 12's fftw names a
# blanket minimum version (3.3.10, newer than Ubuntu 22.04's 3.3.8) for every
# binary; shlibs.local takes the library by its soname alone, as the functions
# korvo calls are in every fftw3.
mkdir -p "$work/debian"
: >"$work/debian/control"
mapfile -t binaries < <(find "$root" -type f -exec sh -c 'file -b "$1" | grep -q "^ELF"' sh {} \; -print)
depends=$(cd "$work" && dpkg-shlibdeps -L"$here/shlibs.local" -O "${binaries[@]}" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

mkdir -p "$root/DEBIAN"
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@SIZE@|$size|" -e "s|@DEPENDS@|$depends|" \
    "$here/control.in" >"$root/DEBIAN/control"
chmod 0644 "$root/DEBIAN/md5sums" "$root/DEBIAN/control"
mkdir -p "$out"
dpkg-deb --root-owner-group -Zxz --build "$root" "$out/korvo-eq_${version}_${arch}.deb" >/dev/null
echo "$out/korvo-eq_${version}_${arch}.deb"
