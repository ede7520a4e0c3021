#!/usr/bin/env bash
# Installs what building, running and testing Gardlock 2001 needs on Debian 12.
# Only missing packages are installed; run as root or with sudo available.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libxcb1-dev libxcb-randr0-dev
  libgtest-dev libgmock-dev libcups2-dev
  libxcb-xtest0-dev libxcb-xkb-dev
  # the lock rests while the screen saver blanks the screen or the monitors are off
  libxcb-screensaver0-dev libxcb-dpms0-dev
  # the hopping box of the NT-style lock lets the pointer through (an empty input shape)
  libxcb-shape0-dev
  # the keys the front passes on, read with the server's keymap and handed to Qt's private API
  libxkbcommon-x11-dev qt6-base-private-dev
  # the keymaps of the key translation's unit tests
  xkb-data
  # a linker several times quicker than ld.bfd (CMakeLists.txt picks it up)
  mold
  # the grab watcher of the lock start-up benchmark (X RECORD)
  libxcb-record0-dev
  # running on a desktop without one (private virtual display)
  xvfb icewm x11vnc fonts-dejavu-core
  # end-to-end tests and benchmarks
  xdotool dex wmctrl x11-utils x11-xserver-utils imagemagick xauth xclip
  # the accessibility walk: a private session bus, the AT-SPI buses and their Python client
  dbus at-spi2-core python3-pyatspi
  # the tray host of the Wayland tray test (GLib's D-Bus from Python)
  python3-gi
  # the notice after an unlock: a real notification service on the test's own
  # session bus (dunstctl invokes its action); it takes no lock
  dunst
  # pgrep: the process that shows a lock is a child of the one started
  procps
  # the idle-locker end-to-end test drives the lock as xautolock's locker
  xautolock
  # printing end-to-end test: a private CUPS server and a reader for the PDF it receives
  cups-daemon cups-core-drivers cups-client poppler-utils
  # the local download host of the update-check tests and benchmark
  python3
  # the fuzz targets of the readers (libFuzzer, sanitizers)
  clang libclang-rt-14-dev
  # Wayland: the front's compositor probe and the session lock
  # (libwayland-client and -cursor, the protocol files, wayland-scanner,
  # xkbcommon); Qt's Wayland platform for the screens on a desktop without X
  libwayland-dev wayland-protocols libxkbcommon-dev qt6-wayland
  # the Wayland tests: a Debian 13 root with sway (scripts/wayland-testbed.sh);
  # weston, a compositor without the session lock, run headless, with its
  # Xwayland; wayland-info, which lists what a compositor offers
  debootstrap weston xwayland wayland-utils
)
# The installed files' checks and the Debian package (desktop-file-validate,
# appstreamcli, the man page lint, cpack's dpkg-shlibdeps, lintian,
# hardening-check) and the icon renders; their recommends are not needed.
lean_packages=(
  desktop-file-utils appstream groff-base man-db dpkg-dev lintian devscripts librsvg2-bin
)

# One query for every package (one each took a couple of seconds).
declare -A installed=()
while read -r name status; do
  [ "$status" = "install ok installed" ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" "${lean_packages[@]}" 2>/dev/null || true)
missing=() lean_missing=()
for p in "${packages[@]}"; do [ -n "${installed[$p]:-}" ] || missing+=("$p"); done
for p in "${lean_packages[@]}"; do [ -n "${installed[$p]:-}" ] || lean_missing+=("$p"); done
[ ${#missing[@]} -eq 0 ] && [ ${#lean_missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
[ ${#missing[@]} -eq 0 ] || $SUDO apt-get install -y -qq "${missing[@]}"
[ ${#lean_missing[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${lean_missing[@]}"
