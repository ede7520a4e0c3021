#!/usr/bin/env bash
# Makes the Debian package of Gardlock 2001 from a build folder that is
# already built (scripts/build.sh: every configure of the project compiles
# with the hardening flags of dpkg-buildflags, see the top CMakeLists.txt),
# with cpack: prefix /usr, stripped binaries. Nothing is configured here,
# and nothing compiled when the build is up to date (cpack first brings it up
# to date, as `cmake --build` would). Then lints the .deb (failing on an
# error) and checks the hardening of every program and module in it.
#
#   scripts/package.sh [build-folder]      (default: build)
#
# Prints "lintian: ok|FAILED" and "hardening-check: ok|FAILED", then the path
# of the .deb last (left in the build folder). Exit status 77 (ctest: skipped)
# when a tool it needs is not installed (scripts/install-deps.sh installs them).
set -uo pipefail
cd "$(dirname "$0")/.."
for tool in cpack dpkg-deb dpkg-shlibdeps lintian hardening-check readelf; do
  command -v "$tool" >/dev/null || { echo "package: $tool is not installed"; exit 77; }
done
build=$(realpath -m "${1:-build}")
[ -f "$build/CPackConfig.cmake" ] || { echo "package: $build is not a configured build folder" >&2; exit 1; }
[ -x "$build/src/gardlock-ui" ] || { echo "package: $build is not built (scripts/build.sh)" >&2; exit 1; }
if grep -qE '^GARDLOCK_(SANITIZE|FUZZ):BOOL=ON' "$build/CMakeCache.txt"; then
  echo "package: $build is a sanitizer build, not one to package" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$build"/gardlock_*.deb "$build/_CPack_Packages"
if ! (cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "package: cpack failed" >&2
  exit 1
fi
deb=$(ls "$build"/gardlock_*.deb)

status=0
echo "== lintian"
if lintian --fail-on error --display-info --tag-display-limit 0 "$deb"; then
  echo "lintian: ok"
else
  echo "lintian: FAILED"
  status=1
fi

echo "== hardening-check"
tree=$work/tree
dpkg-deb -x "$deb" "$tree"
elves=0 hardened=true
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
  hardening-check --nocfprotection "${fortify[@]}" "$f" | sed "s#$tree##" || hardened=false
done < <(find "$tree" -type f -print0)
[ "$elves" -gt 0 ] || { echo "no program in the package"; hardened=false; }
if $hardened; then
  echo "hardening-check: ok"
else
  echo "hardening-check: FAILED"
  status=1
fi

echo "$deb"
exit $status
