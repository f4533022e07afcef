# shellcheck shell=bash
# Builds the release packages and checks them; sourced by scripts/package,
# which runs from the repository root and sets root=$PWD.
#
# The checks look at what a user gets: the installed tree (file list, desktop
# entry, AppStream metadata, icons), the Debian package (lintian, installing it
# with its dependencies into a fresh Debian 12 root and starting the program
# there from its desktop entry) and the Windows zip (contents, the .exe's icon
# and version resources, and a start of the zipped .exe under Wine with Wine's
# D3DX9 switched off, as on a fresh Windows). Without a Wine prefix or a
# Debian root the step is left out, said so, except in CI, where that fails
# the check.

# Every step's failure fails the check: the checks are called as plain
# commands under set -e, never in an `||` or `if` context (where bash ignores
# set -e inside a function, so a failing cp would go unnoticed), and command
# substitutions inherit set -e. Temporary folders are removed by
# latticegas_pkg_cleanup, which the sourcing script runs at exit.
#
# shellcheck disable=SC2154  # root comes from the sourcing script
LATTICEGAS_PACKAGE_OUT=build/packages
shopt -s inherit_errexit
LATTICEGAS_PKG_TEMPS=()

# Makes a temporary folder and puts its path in the variable named $1.
latticegas_pkg_tempdir() {
  local made
  made=$(mktemp -d)
  LATTICEGAS_PKG_TEMPS+=("$made")
  printf -v "$1" '%s' "$made"
}

latticegas_pkg_cleanup() {
  [ ${#LATTICEGAS_PKG_TEMPS[@]} -eq 0 ] || rm -rf "${LATTICEGAS_PKG_TEMPS[@]}"
  LATTICEGAS_PKG_TEMPS=()
}

latticegas_pkg_fail() {
  echo "package check failed: $*" >&2
  return 1
}

# A step that cannot be taken here (no Wine prefix, no Debian root): said so
# and passed over, except in CI (LATTICEGAS_CI, set by scripts/test), where
# every step must be taken.
latticegas_pkg_not_checked() {
  if [ -n "${LATTICEGAS_CI:-}" ]; then
    latticegas_pkg_fail "$* (CI takes every step)"
    return 1
  fi
  echo "NOT CHECKED: $*"
}

# The project version as CPack has it, e.g. 1.0.0.
latticegas_pkg_version() {
  sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$1/CPackConfig.cmake"
}

# cpack from a configured build into $LATTICEGAS_PACKAGE_OUT; prints the path
# of the one package it made.
latticegas_cpack() {
  local build=$1 pattern=$2
  local out=$LATTICEGAS_PACKAGE_OUT log
  mkdir -p "$out"
  log=$out/cpack-$(basename "$build").log
  # shellcheck disable=SC2086,SC2206  # the pattern is a glob on purpose
  rm -f "$out"/$pattern
  if ! cpack --config "$build/CPackConfig.cmake" -B "$out" >"$log" 2>&1; then
    cat "$log" >&2
    latticegas_pkg_fail "cpack in $build"
    return 1
  fi
  rm -rf "$out/_CPack_Packages"
  # shellcheck disable=SC2206
  local made=("$out"/$pattern)
  if [ ${#made[@]} -ne 1 ] || [ ! -f "${made[0]}" ]; then
    latticegas_pkg_fail "no $pattern from $build"
    return 1
  fi
  echo "$root/${made[0]}"
}

# --- The installed tree ------------------------------------------------------

# Installs $1 (a Linux build) under a temporary DESTDIR with prefix /usr and
# checks the files a desktop and a software centre rely on.
latticegas_check_install() {
  local build=$1 version dest
  version=$(latticegas_pkg_version "$build")
  latticegas_pkg_tempdir dest
  latticegas_check_install_in "$build" "$version" "$dest"
}

latticegas_check_install_in() {
  local build=$1 version=$2 dest=$3
  DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null || { latticegas_pkg_fail "cmake --install"; return 1; }
  local usr=$dest/usr metainfo=io.github.latticegas.LatticeGas.metainfo.xml

  # Exactly these files: a missing one breaks integration, an unexpected one
  # would ship (tests, libraries) in the package.
  local expected actual
  expected=$(printf '%s\n' bin/lattice-gas share/applications/lattice-gas.desktop \
    "share/metainfo/$metainfo" share/icons/hicolor/scalable/apps/lattice-gas.svg \
    share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/lattice-gas.png \
    share/man/man1/lattice-gas.1.gz \
    share/doc/lattice-gas/{README.md,LICENSE,copyright,changelog.gz} | sort)
  actual=$(cd "$usr" && find . -type f -printf '%P\n' | sort)
  if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    latticegas_pkg_fail "installed files differ from the expected list (< expected, > installed)"
    return 1
  fi

  local desktop=$usr/share/applications/lattice-gas.desktop out
  out=$(desktop-file-validate "$desktop" 2>&1) || { echo "$out" >&2; latticegas_pkg_fail "desktop-file-validate"; return 1; }
  [ -z "$out" ] || { echo "$out" >&2; latticegas_pkg_fail "desktop-file-validate reports problems"; return 1; }
  out=$(appstreamcli validate --no-net "$usr/share/metainfo/$metainfo" 2>&1) \
    || { echo "$out" >&2; latticegas_pkg_fail "appstreamcli validate"; return 1; }

  # What the validators cannot see: that the pieces name each other.
  local launchable exec icon
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$usr/share/metainfo/$metainfo")
  [ "$launchable" = lattice-gas.desktop ] || { latticegas_pkg_fail "metainfo launches '$launchable'"; return 1; }
  grep -q "<release version=\"$version\"" "$usr/share/metainfo/$metainfo" \
    || { latticegas_pkg_fail "metainfo has no release $version"; return 1; }
  exec=$(sed -n 's/^Exec=//p' "$desktop")
  [ -x "$usr/bin/${exec%% *}" ] || { latticegas_pkg_fail "Exec '$exec' is not an installed program"; return 1; }
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  python3 "$root/scripts/lib/check_icons.py" "$usr/share/icons/hicolor" "$icon" \
    || { latticegas_pkg_fail "icons"; return 1; }
  echo "install tree: files, desktop-file-validate, appstreamcli validate --no-net, icons: ok"
}

# --- The program on the virtual display ---------------------------------------

# Runs "$@" in the background (the program, however it is started), waits
# for its window and for the grid, saves a screenshot to $LATTICEGAS_PKG_SHOT,
# presses Escape and wants exit code 0. Its output goes to $LATTICEGAS_PKG_LOG.
# DISPLAY must be set. Every wait is bounded; the program is killed on any
# failure.
latticegas_pkg_run_program() {
  local shot=$LATTICEGAS_PKG_SHOT log=${LATTICEGAS_PKG_LOG:-/dev/null} window='' lit=0 pid
  timeout 120 "$@" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do
    window=$(latticegas_find_window 'Lattice gas simulation')
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    latticegas_pkg_fail "no window titled 'Lattice gas simulation'"
    return 1
  fi
  # The desktop matches the window to its entry (and icon) by WM_CLASS.
  local wmclass=${LATTICEGAS_PKG_WMCLASS:-} classes
  if [ -n "$wmclass" ]; then
    classes=$(xprop -id "$window" WM_CLASS 2>/dev/null || true)
    case "$classes" in
      *"\"$wmclass\""*) ;;
      *)
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        latticegas_pkg_fail "window $classes, but the desktop entry says StartupWMClass=$wmclass"
        return 1 ;;
    esac
  fi
  # The start-up grid is grey on black: enough lit pixels, but not a lit
  # window (a white or uncleared frame).
  for _ in $(seq 1 100); do
    # No picture when the window has gone: look it up again by its title.
    latticegas_window_shot "$window" "$shot" \
      || window=$(latticegas_find_window 'Lattice gas simulation')
    lit=$(convert "$shot" -colorspace Gray -threshold 25% -format '%[fx:mean]' info: 2>/dev/null || echo 0)
    awk -v l="$lit" 'BEGIN { exit !(l > 0.02 && l < 0.6) }' && break
    if ! kill -0 "$pid" 2>/dev/null; then
      local early=0
      wait "$pid" || early=$?
      tail -n 20 "$log" >&2 2>/dev/null || true
      latticegas_pkg_fail "the program ended with exit code $early before showing the grid (output: $log)"
      return 1
    fi
    # A start-up failure's message box, waiting for the user.
    if [ -n "$(latticegas_find_window Error)" ]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      tail -n 20 "$log" >&2 2>/dev/null || true
      latticegas_pkg_fail "the program showed an error box instead of the grid (output: $log)"
      return 1
    fi
    sleep 0.1
  done
  # Escape through XTest to the focused window. Not with --window: the program
  # closes its window on the press, xdotool then fails on the vanished window
  # before the release, and the X server keeps Escape held down, repeating it
  # into whatever program starts next on this display.
  timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key Escape 2>/dev/null || true
  xdotool keyup Escape 2>/dev/null || true
  local code=0
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    latticegas_pkg_fail "the program did not end on Escape"
    return 1
  fi
  wait "$pid" || code=$?
  awk -v l="$lit" 'BEGIN { exit !(l > 0.02 && l < 0.6) }' \
    || { latticegas_pkg_fail "no grid on the screen (lit fraction $lit, see $shot)"; return 1; }
  [ "$code" -eq 0 ] || { latticegas_pkg_fail "exit code $code after Escape"; return 1; }
  echo "started, showed the grid (lit fraction $lit, $shot), ended on Escape with 0"
}

# --- The Debian package --------------------------------------------------------

# A minimal Debian 12 root, made once by debootstrap and kept in build/ as the
# pristine copy that each check copies.
latticegas_pkg_base_root() {
  local base=$root/build/pkg-root-base
  if [ -f "$base/.complete" ]; then
    echo "$base"
    return 0
  fi
  rm -rf "$base"
  echo "debootstrap of a Debian 12 root (once, kept in build/pkg-root-base)" >&2
  if ! timeout 400 debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian \
      >"$root/build/pkg-root-base.log" 2>&1; then
    tail -n 5 "$root/build/pkg-root-base.log" >&2
    rm -rf "$base"
    return 1
  fi
  touch "$base/.complete" || return 1
  echo "$base"
}

# Installs the package into a throw-away copy of the base root the way a user
# would (dpkg -i, then apt-get -f install for its dependencies) and starts it
# there from the desktop entry's Exec line. Downloaded .debs are kept in
# build/pkg-apt-cache so that later runs need no network for them.
latticegas_check_deb_in_root() {
  local deb=$1 base=$2
  local r=$root/build/pkg-root cache=$root/build/pkg-apt-cache
  rm -rf "$r"
  cp -a "$base" "$r"
  mkdir -p "$cache"
  cp "$cache"/*.deb "$r/var/cache/apt/archives/" 2>/dev/null || true
  cp "$deb" "$r/tmp/"
  local name log=$root/$LATTICEGAS_PACKAGE_OUT/deb-install.log
  name=$(basename "$deb")
  # dpkg -i stops at the missing dependencies; apt-get -f install fetches
  # them and finishes the configuration.
  chroot "$r" dpkg -i "/tmp/$name" >"$log" 2>&1 || true
  if ! DEBIAN_FRONTEND=noninteractive timeout 400 chroot "$r" apt-get -f install -y -q \
      -o Dpkg::Use-Pty=0 >>"$log" 2>&1; then
    tail -n 20 "$log" >&2
    latticegas_pkg_fail "apt-get -f install in the Debian 12 root"
    return 1
  fi
  cp -n "$r"/var/cache/apt/archives/*.deb "$cache/" 2>/dev/null || true
  local status
  # shellcheck disable=SC2016  # dpkg-query's own field syntax
  status=$(chroot "$r" dpkg-query -W -f='${Status}' lattice-gas 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || { latticegas_pkg_fail "lattice-gas is '$status' in the root"; return 1; }
  echo "installed into a Debian 12 root with dpkg -i + apt-get -f install"

  local exec
  exec=$(sed -n 's/^Exec=//p' "$r/usr/share/applications/lattice-gas.desktop")
  # Xvfb's abstract socket reaches into the chroot, so DISPLAY works as is.
  LATTICEGAS_PKG_SHOT=$root/$LATTICEGAS_PACKAGE_OUT/deb-screenshot.png \
  LATTICEGAS_PKG_LOG=$root/$LATTICEGAS_PACKAGE_OUT/deb-run.log \
  LATTICEGAS_PKG_WMCLASS=$(sed -n 's/^StartupWMClass=//p' "$r/usr/share/applications/lattice-gas.desktop") \
    latticegas_pkg_run_program chroot "$r" /bin/sh -c "$exec"
  rm -rf "$r"
}

# Without a Debian root (not root, or no mirror): unpack the package and start
# the unpacked program on this machine's libraries.
latticegas_check_deb_unpacked() {
  local deb=$1 x
  latticegas_pkg_tempdir x
  dpkg-deb -x "$deb" "$x"
  local exec
  exec=$(sed -n 's/^Exec=//p' "$x/usr/share/applications/lattice-gas.desktop")
  LATTICEGAS_PKG_SHOT=$root/$LATTICEGAS_PACKAGE_OUT/deb-screenshot.png \
  LATTICEGAS_PKG_LOG=$root/$LATTICEGAS_PACKAGE_OUT/deb-run.log \
  LATTICEGAS_PKG_WMCLASS=$(sed -n 's/^StartupWMClass=//p' "$x/usr/share/applications/lattice-gas.desktop") \
    latticegas_pkg_run_program env PATH="$x/usr/bin:$PATH" /bin/sh -c "$exec"
}

latticegas_check_deb() {
  local deb=$1 version=$2 out
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { latticegas_pkg_fail "package version is not $version"; return 1; }
  dpkg-deb -f "$deb" Depends | grep -q 'libsdl2' || { latticegas_pkg_fail "no SDL2 dependency found by dpkg-shlibdeps"; return 1; }
  local rc=0
  out=$(lintian --fail-on error,warning "$deb" 2>&1) || rc=$?
  # As root lintian says so on stderr; that is no finding.
  out=$(echo "$out" | grep -v '^running with root privileges' || true)
  [ -z "$out" ] || echo "$out"
  [ "$rc" -eq 0 ] || { latticegas_pkg_fail "lintian"; return 1; }
  echo "lintian: no errors or warnings"

  local base='' why=''
  if [ "$(id -u)" -ne 0 ]; then
    why="not root"
  elif ! command -v debootstrap >/dev/null; then
    why="no debootstrap"
  else
    base=$(latticegas_pkg_base_root) || why="no Debian 12 root could be made (see build/pkg-root-base.log)"
  fi
  if [ -n "$base" ]; then
    latticegas_check_deb_in_root "$deb" "$base"
  else
    latticegas_pkg_not_checked "$why: the package was not installed into a Debian 12 root" || return 1
    echo "checking the unpacked package on this machine's libraries instead"
    latticegas_check_deb_unpacked "$deb"
  fi
}

# --- The Windows zip -------------------------------------------------------------

latticegas_check_zip() {
  local zip=$1 version=$2 top
  top=lattice-gas-$version-win64
  local expected actual
  expected=$(printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/lattice-gas.exe")
  actual=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
  if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    latticegas_pkg_fail "zip contents differ from the expected list (< expected, > zipped)"
    return 1
  fi
  local x
  latticegas_pkg_tempdir x
  unzip -q "$zip" -d "$x"
  local exe=$x/$top/lattice-gas.exe
  # The icon Explorer shows: one icon group with every size of the .ico.
  wrestool -x --type=group_icon "$exe" >"$x/icon.ico" 2>/dev/null || true
  local sizes
  sizes=$(icotool -l "$x/icon.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | tr '\n' ' ')
  [ "$sizes" = "16 32 48 64 128 256 " ] || { latticegas_pkg_fail "exe icon sizes '$sizes'"; return 1; }
  # The version block of the file's Properties dialog.
  wrestool -x --raw --type=16 "$exe" >"$x/version.bin" 2>/dev/null || true
  python3 "$root/scripts/lib/check_exe_version.py" "$x/version.bin" "$version" \
    || { latticegas_pkg_fail "exe version resource"; return 1; }
  echo "zip: contents, exe icon (16-256 px) and version $version resources: ok"

  # Start the zipped .exe under Wine when scripts/test has made a prefix.
  if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ] && command -v wine >/dev/null; then
    # The Windows program's messages, message box texts included, for a failure.
    # As on a fresh Windows, which has no D3DX9: Wine's is switched off (the
    # whole overrides of scripts/test's prefix, with d3dx9_43's added).
    LATTICEGAS_PKG_SHOT=$root/$LATTICEGAS_PACKAGE_OUT/zip-screenshot.png \
    LATTICEGAS_PKG_LOG=$root/$LATTICEGAS_PACKAGE_OUT/zip-run.log \
    WINEDEBUG=err+all,fixme-all,trace+msgbox WINEDLLOVERRIDES='mscoree,mshtml=;d3dx9_43=d' \
      latticegas_pkg_run_program wine "$exe"
    # Wine's helper processes leave with the last program; bounded wait.
    timeout 30 wineserver -w 2>/dev/null || true
  else
    latticegas_pkg_not_checked "no Wine prefix (WINEPREFIX) or no wine: the zipped .exe was not started" || return 1
  fi
}

# --- The web edition's zip ---------------------------------------------------------

# The static site: exactly the page, the program, the manifest with its icons,
# the service worker and the docs in one folder; the manifest is valid JSON
# and its icons are PNGs of their stated sizes; served from a subfolder of a
# plain static server, the page loads, draws the grid in headless Chromium and
# reports exit code 0 after Escape.
latticegas_check_web_zip() {
  local zip=$1 version=$2 top
  top=lattice-gas-$version-web
  local expected actual
  expected=$(printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/index.html" "$top/lattice-gas.js" \
    "$top/lattice-gas.wasm" "$top/manifest.webmanifest" "$top/service-worker.js" \
    "$top/icon-192.png" "$top/icon-512.png" | sort)
  actual=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
  if [ "$expected" != "$actual" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    latticegas_pkg_fail "web zip contents differ from the expected list (< expected, > zipped)"
    return 1
  fi
  local x rc=0
  latticegas_pkg_tempdir x
  mkdir -p "$x/site/some/folder"
  unzip -q "$zip" -d "$x/site/some/folder"
  # The manifest, its icons and the service worker's version.
  /usr/bin/python3 "$root/scripts/lib/web_manifest.py" "$x/site/some/folder/$top" "$version"
  latticegas_serve "$x/site" || { latticegas_pkg_fail "serving the unzipped site"; return 1; }
  timeout 120 /usr/bin/python3 "$root/scripts/lib/web_shot.py" "${LATTICEGAS_SERVE_URL}some/folder/$top/" \
    "$root/$LATTICEGAS_PACKAGE_OUT/web-screenshot.png" || rc=$?
  latticegas_stop_serving
  [ "$rc" -eq 0 ] || { latticegas_pkg_fail "the zipped site in a subfolder"; return 1; }
  echo "web zip: contents, manifest and icons; served from a subfolder it drew the grid and ended on Escape with 0"
}

# Debian 12 packages for making the packages, and for checking them.
# shellcheck disable=SC2034
LATTICEGAS_PACKAGING_PACKAGES=(mingw-w64 dpkg-dev file)
# shellcheck disable=SC2034
LATTICEGAS_PACKAGING_CHECK_PACKAGES=(
  desktop-file-utils appstream lintian debootstrap icoutils unzip python3
  xvfb xauth x11-utils xdotool imagemagick
)
