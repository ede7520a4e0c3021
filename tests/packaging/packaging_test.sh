#!/bin/bash
# What `cmake --install` puts down and the .deb made of it, as a distribution
# would check them: the file list and the install manifest, the relative bin/
# symlink, the desktop entry's command under two prefixes, the icon sizes,
# desktop-file-validate, appstreamcli, the man page lint and its coverage of
# the switches, files and exit statuses; then (where dpkg-deb, lintian and
# hardening-check are installed) the package scripts/package.sh makes from
# this build: lintian without an error, every program and module hardened,
# its control fields, no maintainer scripts, stripped programs.
#
#   packaging_test.sh <build-folder>
set -uo pipefail

build=$(realpath "${1:?the build folder}")
source_dir=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d /tmp/gardlock-packaging.XXXXXX)
trap 'rm -rf "$work"' EXIT

FAILURES=0
PASSES=0
check() { # check "description" command...
  local what=$1; shift
  if "$@"; then PASSES=$((PASSES + 1)); echo "ok   - $what"
  else FAILURES=$((FAILURES + 1)); echo "FAIL - $what"; fi
}
skip() { echo "skip - $1"; }
silent() { # runs a command; true when it succeeds and prints nothing
  local out
  out=$("$@" 2>&1) || { printf '%s\n' "$out" | sed 's/^/    /'; return 1; }
  [ -z "$out" ] || { printf '%s\n' "$out" | sed 's/^/    /'; return 1; }
}

# --- Installing --------------------------------------------------------------

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1
check "cmake --install succeeds" test $? -eq 0
usr=$root/usr
libexec=$usr/libexec/gardlock

expected=(
  bin/gardlock
  libexec/gardlock/gardlock
  libexec/gardlock/gardlock-ui
  libexec/gardlock/gardlock-http.so
  libexec/gardlock/gardlock-print.so
  libexec/gardlock/index.htm
  share/applications/gardlock.desktop
  share/metainfo/example.corvane_technologies.gardlock.metainfo.xml
  share/icons/hicolor/scalable/apps/gardlock.svg
  share/man/man1/gardlock.1.gz
  share/doc/gardlock/index.htm
  share/doc/gardlock/copyright
  share/doc/gardlock/changelog.Debian.gz
)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/gardlock.png"); done
for f in "${expected[@]}"; do check "installs $f" test -e "$usr/$f" -o -L "$usr/$f"; done

# Nothing else is installed (tests, tools and benchmarks stay out), and the
# manifest names exactly what is there, the symlink included.
(cd "$usr" && find . \( -type f -o -type l \) | sed 's#^\./##' | sort) >"$work/found"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
# Whatever else the program folder holds (its executables and modules) is
# the program's own; the rest must be the expected list.
grep -v '^libexec/gardlock/' "$work/found" >"$work/found-outside"
grep -v '^libexec/gardlock/' "$work/expected" >"$work/expected-outside"
check "nothing but the expected files outside the program folder" \
  diff -u "$work/expected-outside" "$work/found-outside"
# (Recorded with or without DESTDIR, depending on the CMake version.)
sed -e "s#^$root##" -e "s#^/usr/##" "$build/install_manifest.txt" | sort >"$work/manifest"
check "the install manifest lists every installed file and link" diff -u "$work/found" "$work/manifest"
check "the manifest records bin/gardlock" grep -qx "bin/gardlock" "$work/manifest"

check "bin/gardlock is a symlink" test -L "$usr/bin/gardlock"
check "bin/gardlock points relatively at the program" \
  test "$(readlink "$usr/bin/gardlock")" = "../libexec/gardlock/gardlock"
check "bin/gardlock resolves inside the installed tree" \
  test "$(realpath "$usr/bin/gardlock")" = "$(realpath "$libexec/gardlock")"
check "the program is executable" test -x "$libexec/gardlock"
while IFS= read -r -d '' f; do
  check "no file is writable by others: ${f#"$root"}" test -z "$(find "$f" -perm /022)"
done < <(find "$usr" -type f -print0)

# The desktop entry starts the program by its installed path, whatever the
# prefix chosen at install time.
desktop_exec() { sed -n 's/^Exec=//p' "$1" | head -1; }
check "Exec names the installed program under /usr" \
  test "$(desktop_exec "$usr/share/applications/gardlock.desktop")" = "/usr/bin/gardlock"
DESTDIR=$work/opt cmake --install "$build" --prefix /opt/gardlock-test >/dev/null 2>&1
check "Exec names the installed program under another prefix" \
  test "$(desktop_exec "$work/opt/opt/gardlock-test/share/applications/gardlock.desktop")" \
       = "/opt/gardlock-test/bin/gardlock"
check "every Exec line of the desktop entry uses that path" \
  bash -c '! grep "^Exec=" "$1" | grep -v "^Exec=/usr/bin/gardlock\( /[a-z]\)\?$"' _ \
  "$usr/share/applications/gardlock.desktop"
entry_key() { sed -n "s/^$1=//p" "$usr/share/applications/gardlock.desktop" | head -1; }
check "the desktop entry is named Gardlock 2001" test "$(entry_key Name)" = "Gardlock 2001"
check "the desktop entry's icon is gardlock" test "$(entry_key Icon)" = "gardlock"
check "the desktop entry has a comment" test -n "$(entry_key Comment)"
check "the desktop entry sits under System or Utility" \
  bash -c '[[ ";$1" == *";System;"* || ";$1" == *";Utility;"* ]]' _ "$(entry_key Categories)"

# Every PNG is a PNG of the size its folder names.
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); assert d[:8]==b"\x89PNG\r\n\x1a\n"; print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"; }
for s in "${sizes[@]}"; do
  check "the ${s}x${s} icon is ${s}x${s}" \
    test "$(png_size "$usr/share/icons/hicolor/${s}x${s}/apps/gardlock.png" 2>/dev/null)" = "${s}x${s}"
done

# --- Validators --------------------------------------------------------------

if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate has nothing to say" \
    silent desktop-file-validate "$usr/share/applications/gardlock.desktop"
else skip "desktop-file-validate is not installed"; fi

if command -v appstreamcli >/dev/null; then
  out=$(appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml 2>&1)
  status=$?
  printf '%s\n' "$out" | grep -E '^[EW]:' | sed 's/^/    /'
  check "appstreamcli validate --no-net passes" test "$status" -eq 0
  check "appstreamcli reports no error or warning" bash -c '! grep -qE "^[EW]:" <<<"$1"' _ "$out"
else skip "appstreamcli is not installed"; fi

man_gz=$usr/share/man/man1/gardlock.1.gz
zcat "$man_gz" >"$work/gardlock.1"
check "groff finds nothing to warn about in the man page" silent groff -man -ww -z "$work/gardlock.1"
if command -v man >/dev/null && command -v lexgrog >/dev/null; then
  check "man renders the page without a warning" \
    bash -c 'out=$(MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null); [ -z "$out" ] || { echo "$out"; false; }' _ "$man_gz"
  check "lexgrog finds the page's one-line description" \
    bash -c 'lexgrog "$1" | grep -q "\"gardlock - "' _ "$man_gz"
  MANWIDTH=200 man -l "$man_gz" 2>/dev/null | col -b >"$work/gardlock.txt"
else
  skip "man-db is not installed"
  groff -man -Tutf8 "$work/gardlock.1" 2>/dev/null | col -b >"$work/gardlock.txt"
fi
# Every switch the dispatcher knows is documented, and so are the files and
# the exit statuses.
switches=$(grep -o '{"/[a-z]"' "$source_dir/src/core/Switches.h" | tr -d '{"')
check "the dispatcher's switches were found" test "$(wc -w <<<"$switches")" -ge 10
documented=(--help -h --version
  cslckrt.sys intruder.log 005478.ld 005778.ld news2.txt DW2001.conf autostart/ dosdevices index.htm
  'xautolock -time 10 -locker "gardlock /d"' 'xss-lock -- gardlock /d' XSS_SLEEP_LOCK_FD
  XTEST XRecord)
for word in $switches "${documented[@]}"; do
  check "the man page documents $word" grep -qF -- "$word" "$work/gardlock.txt"
done
for status in 0 3 4 70 128+N; do
  check "the man page explains exit status $status" \
    bash -c 'sed -n "/^EXIT STATUS/,/^[A-Z]/p" "$1" | grep -qE "^ +${2//+/\\+}( |\$)"' _ "$work/gardlock.txt" "$status"
done

# --- The Debian package ------------------------------------------------------

# Made once, by scripts/package.sh (cpack, then lintian and hardening-check
# of every program and module): this build's own flags are the hardened ones.
bash "$source_dir/scripts/package.sh" "$build" >"$work/package.log" 2>&1
status=$?
if [ "$status" -eq 77 ]; then
  skip "$(tail -1 "$work/package.log"): no .deb checks"
else
  sed 's/^/    /' "$work/package.log"
  deb=$(tail -1 "$work/package.log")
  check "scripts/package.sh makes a package with cpack" test -f "$deb" -a "${deb%.deb}" != "$deb"
  check "lintian finds no error" grep -qx "lintian: ok" "$work/package.log"
  check "hardening-check passes for every program and module" \
    grep -qx "hardening-check: ok" "$work/package.log"
  check "scripts/package.sh succeeds" test "$status" -eq 0
  if [ -f "$deb" ]; then
    field() { dpkg-deb -f "$deb" "$1"; }
    check "the package is named gardlock, version 2.0-1" \
      test "$(field Package) $(field Version)" = "gardlock 2.0-1"
    for dep in xdg-utils systemd qt6-qpa-plugins qt6-wayland libqt6widgets6 libc6 libxcb1 libxkbcommon-x11-0 libwayland-client0; do
      check "Depends names $dep" bash -c '[[ ", $1," == *", $2"[\ ,]* ]]' _ "$(field Depends)" "$dep"
    done
    # Qt's private API holds only for the Qt the program was built with.
    qt_abi=$(dpkg-query -W -f '${Provides}' libqt6core6 2>/dev/null | grep -o 'qt6-base-abi (= [^)]*)')
    check "Depends names the Qt it was built with ($qt_abi)" \
      bash -c '[ -n "$2" ] && [[ ", $1," == *", $2,"* ]]' _ "$(field Depends)" "$qt_abi"
    check "the package has a section and a priority" test -n "$(field Section)" -a -n "$(field Priority)"
    check "the package has a long description" test "$(field Description | wc -l)" -ge 4
    dpkg-deb -e "$deb" "$work/control"
    check "no maintainer scripts (only control and md5sums)" \
      test "$(ls "$work/control" | sort | tr '\n' ' ')" = "control md5sums "
    dpkg-deb -x "$deb" "$work/deb"
    check "the package holds the same files as the install" \
      diff -u "$work/found" <(cd "$work/deb/usr" && find . \( -type f -o -type l \) | sed 's#^\./##' | sort)
    while IFS= read -r -d '' f; do
      readelf -h "$f" >/dev/null 2>&1 || continue
      check "stripped in the package: ${f#"$work/deb"}" \
        bash -c '! readelf -S --wide "$1" | grep -qE "\.(symtab|debug_info) "' _ "$f"
    done < <(find "$work/deb" -type f -print0)
  fi
  rm -rf "$build"/gardlock_*.deb "$build/_CPack_Packages"
fi

echo "$PASSES passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
