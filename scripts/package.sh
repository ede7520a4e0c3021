#!/usr/bin/env bash
# Builds the Debian package of Gardlock 2001 the way Debian builds its own
# packages: a build folder of its own, the compiler and linker flags of
# dpkg-buildflags with every hardening feature on, stripped binaries. Then
# lints the .deb (failing on an error) and checks the hardening of every
# program and module in it.
#
#   scripts/package.sh [build-folder]      (default: build/package)
#
# Prints the path of the .deb last. Exit status 77 (ctest: skipped) when a
# tool it needs is not installed (scripts/install-deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in dpkg-buildflags cpack dpkg-deb dpkg-shlibdeps lintian hardening-check readelf; do
  command -v "$tool" >/dev/null || { echo "package: $tool is not installed"; exit 77; }
done
src=$PWD
out=$(realpath -m "${1:-build/package}")

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
export LDFLAGS=$(dpkg-buildflags --get LDFLAGS)

# Build type None, as Debian's cmake builds do: the flags above are all there is.
# Installing (and so cpack) does not build the tests; only the installed
# targets are built.
cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$out" --parallel "$(nproc)" --target gardlock_program gardlock_data

rm -f "$out"/gardlock_*.deb
(cd "$out" && cpack -G DEB >/dev/null)
deb=$(ls "$out"/gardlock_*.deb)

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== hardening-check"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
elves=0
while IFS= read -r -d '' f; do
  readelf -h "$f" >/dev/null 2>&1 || continue
  elves=$((elves + 1))
  # Control-flow protection (-fcf-protection) is not among Debian 12's
  # dpkg-buildflags (it came with dpkg 1.22), so it is not asked for here.
  # Fortify replaces a call only where the compiler knows the buffer's size;
  # a file none of whose calls qualify (the print module's only candidate is
  # memmove on Qt's buffers) has no protected function to show, though it is
  # built with -D_FORTIFY_SOURCE like the rest.
  fortify=()
  nm -D --undefined-only "$f" 2>/dev/null | grep '_chk@' >/dev/null || fortify=(--nofortify)
  hardening-check --nocfprotection "${fortify[@]}" "$f" | sed "s#$tree##"
done < <(find "$tree" -type f -print0)
[ "$elves" -gt 0 ] || { echo "no program in the package" >&2; exit 1; }

echo "$deb"
