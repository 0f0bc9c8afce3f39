#!/usr/bin/env bash
# Builds the third-party libraries of the Windows cross build with MinGW-w64, as static
# libraries, into a cache folder (first argument, else $VELTAR_WINDOWS_DEPS, else
# ~/.cache/veltar/mingw-w64): libpng and FreeType from Debian's source packages of the versions
# pinned below, GoogleTest from Debian's /usr/src/googletest. zlib is Debian's MinGW build
# (libz-mingw-w64-dev). Does nothing when the folder already holds this recipe's build.
#
# The sources come from the same Debian archive as the machine's packages, through a deb-src
# entry in a private apt configuration inside the cache, so the system's apt setup is left alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

archive="http://deb.debian.org/debian"
suite="bookworm"
libpng_version="1.6.39-2+deb12u5"
freetype_version="2.12.1+dfsg-5+deb12u4"

prefix="${1:-${VELTAR_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/veltar/mingw-w64}}"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
recipe="$(cat "$0" "$toolchain" | sha256sum | cut -c1-16)"
if [ -f "$prefix/.recipe" ] && [ "$(cat "$prefix/.recipe")" = "$recipe" ]; then
  exit 0
fi

"$root/scripts/install-deps.sh" windows

work="$(mktemp -d "${TMPDIR:-/tmp}/veltar-windows-deps.XXXXXX")"
trap 'rm -rf "$work"' EXIT
stage="$work/prefix"
jobs="$(nproc)"

# Source packages through a private apt state: only the deb-src entry of the archive's suite.
apt_dir="$work/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$work/src"
echo "deb-src $archive $suite main" >"$apt_dir/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root")
apt-get -qq "${apt_opts[@]}" update
(cd "$work/src" && apt-get -qq "${apt_opts[@]}" source --download-only \
  "libpng1.6=$libpng_version" "freetype=$freetype_version")
# Unpacked with Debian's patches applied, as Debian builds them. (apt has checked the files
# against the archive's signed index; dpkg-source's own signature check has no keyring here.)
dpkg-source -x "$work/src/libpng1.6_${libpng_version}.dsc" "$work/src/libpng" >/dev/null 2>&1
dpkg-source -x "$work/src/freetype_${freetype_version}.dsc" "$work/src/freetype" >/dev/null 2>&1

build() {
  local name="$1" source="$2"
  shift 2
  cmake -S "$source" -B "$work/build-$name" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$stage" -DVELTAR_WINDOWS_DEPS="$stage" "$@" >/dev/null
  cmake --build "$work/build-$name" -j"$jobs" >/dev/null
  cmake --install "$work/build-$name" >/dev/null
}

build libpng "$work/src/libpng" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON
# As Debian builds it for Linux, with zlib (Debian's MinGW one, not FreeType's own copy, whose
# symbols would clash with it in a static link), without bzip2 and HarfBuzz; without PNG and
# Brotli too, which only colour and web fonts need.
build freetype "$work/src/freetype" -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON \
  -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
build googletest /usr/src/googletest -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF

echo "$recipe" >"$stage/.recipe"
mkdir -p "$(dirname "$prefix")"
rm -rf "$prefix"
mv "$stage" "$prefix"
echo "MinGW-w64 libraries built into $prefix"
