#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the renderer need, skipping those
# already there; with the argument "windows" also those of the Windows cross build, its tests
# under Wine and its packages. Runs apt-get through sudo when not root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libbenchmark-dev
  juce-modules-source-data
  libpng-dev zlib1g-dev libsndfile1-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra
  libx11-dev xvfb xauth
  clang libclang-rt-14-dev clang-format-14
  git
  lv2-dev liblilv-dev libsuil-dev lilv-utils sordi jalv jackd2 x11-utils
  # JUCE test host (tests/hosts/juce): the X11 extension headers of its windowing, and the
  # JPEG library that Debian's JUCE links instead of its own copy
  libxext-dev libxrandr-dev libxinerama-dev libxrender-dev libxcomposite-dev libxcursor-dev
  libjpeg-dev
  sox ffmpeg
  # the aliasing test's spectra; the oversampling plot (tools/plot_aliasing.py)
  libfftw3-dev
  python3 python3-numpy python3-matplotlib
)
if [ "${1:-}" = windows ]; then
  packages+=(
    # the cross compiler (POSIX threads) and Debian's MinGW zlib; dpkg-dev unpacks the source
    # packages that scripts/windows-deps.sh builds
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev
    # the tests under Wine, the editor's under Xvfb with xdotool and ImageMagick's screenshots
    wine wine64 xdotool imagemagick
    # the installer
    nsis
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
