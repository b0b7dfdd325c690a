#!/usr/bin/env bash
# Builds Tamboro's Debian packages from this checkout: tamboro-cli (the
# command, its kit and demo songs, no toolkit) and tamboro (the desktop
# program), with CPack, for /usr, with Debian's hardening flags, stripped.
# Installs missing Debian packages first.
#
#   scripts/build-packages.sh [OUT]    the .deb files go to OUT (default out/packages)
#   JOBS=N                             parallel build jobs (default 2)
#   TAMBORO_PACKAGE_BUILD=DIR          the build folder (default build-deb)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/out/packages}")
cd "$top"
scripts/install-deps.sh debian-packages-headless debian-packages
build=$(realpath -m "${TAMBORO_PACKAGE_BUILD:-build-deb}")

# Debian's compiler and linker flags, as a package build of Debian's own
# would have them: fortified functions, stack protector, PIE, full RELRO.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
         -DTAMBORO_UI=ON -DTAMBORO_TESTS=OFF -DTAMBORO_BENCH=OFF -DTAMBORO_FUZZ=OFF -DTAMBORO_SANITIZE= \
         -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
         -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
         -DCMAKE_STRIP="$top/packaging/debian-strip.sh" &&
       cmake --build "$build" -j "${JOBS:-2}" &&
       rm -rf "$build/packages" &&
       cpack --config "$build/CPackConfig.cmake" -B "$build/packages"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "build-packages: building the packages failed (see above)" >&2
  exit 1
fi

# The packages carry the build's version; NEWS must have an entry for it,
# since their changelog is made from it.
shopt -s nullglob
debs=("$build"/packages/*.deb)
[ ${#debs[@]} -gt 0 ] || { echo "build-packages: cpack made no package" >&2; exit 1; }
version=$(dpkg-deb -f "${debs[0]}" Version)
newest=$(bash packaging/news.sh version NEWS)
if [ "$newest" != "$version" ]; then
  echo "build-packages: the packages are version $version, but NEWS's newest release is $newest" >&2
  exit 1
fi
mkdir -p "$out"
cp "${debs[@]}" "$out/"
for deb in "${debs[@]}"; do
  echo "$out/$(basename "$deb")  $(du -k "$deb" | cut -f1) KiB"
done
