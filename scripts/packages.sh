# Debian 12 packages the project needs; sourced by scripts/test and scripts/run.
# shellcheck shell=bash
LATTICEGAS_BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libgl-dev libgl1-mesa-dri libx11-dev
)
LATTICEGAS_TEST_PACKAGES=(
  xvfb xauth x11-utils xdotool imagemagick libxtst-dev
  mingw-w64 wine wine64
  clang libclang-rt-14-dev
  dpkg-dev file desktop-file-utils appstream lintian debootstrap icoutils unzip python3
)
# The web edition: its compiler and librsvg's rsvg-convert, which renders the
# installed page's icons from our SVG; and a browser with a DevTools client for its
# tests and for scripts/run --web without a display.
LATTICEGAS_WEB_PACKAGES=(emscripten python3 librsvg2-bin)
LATTICEGAS_BROWSER_PACKAGES=(chromium chromium-driver python3-selenium imagemagick)

# Installs whichever of the given packages are missing: apt-get as root, sudo
# otherwise, nothing when all are present.
latticegas_install() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
}
