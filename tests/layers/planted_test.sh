#!/usr/bin/env bash
# Each layer check refuses the fault it is for, planted into a copy of src/
# (layers picked from the build's table, so the test follows the folders):
# a sideways include, an upward include, an X11 header outside the X11
# layers, a private Qt header outside platform/x11/, a Qt header in a
# Qt-free layer, a Wayland header outside platform/wayland/, a folder with
# no layer; and, over
# two small libraries built here, a call up the layers and a USES nothing
# needs. The unplanted copies pass.
# Usage: planted_test.sh build/layers.tsv
set -euo pipefail
table=${1:?usage: planted_test.sh build/layers.tsv}
root=$(cd "$(dirname "$0")/../.." && pwd)
scripts=$root/scripts
source "$scripts/layer-table.sh"
read_layer_table "$table"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect NAME pass|PATTERN COMMAND...: the command passes, or fails saying PATTERN.
expect() {
  local name=$1 want=$2 rc=0
  shift 2
  "$@" >"$work/out" 2>&1 || rc=$?
  if [ "$want" = pass ] && [ $rc = 0 ]; then
    echo "ok: $name"
  elif [ "$want" != pass ] && [ $rc != 0 ] && grep -Eq -- "$want" "$work/out"; then
    echo "ok: $name refused"
  else
    echo "FAIL: $name (status $rc, wanted ${want/#pass/a pass}):"
    sed 's/^/  /' "$work/out"
    failures=$((failures + 1))
  fi
}

cp -r "$root/src" "$work/src"
check_layers() { bash "$scripts/check-layers.sh" --src "$work/src" "$table"; }
# plant FOLDER TEXT: a file in src/FOLDER of that text, for the next check.
plant() { rm -f "$work"/src/*/Planted.cpp "$work"/src/*/*/Planted.cpp "$work"/src/*/*/*/Planted.cpp
          printf '%s\n' "$2" >"$work/src/$1/Planted.cpp"; }
unplant() { plant . ""; rm "$work/src/Planted.cpp"; }
is_below() { [[ "${reach[$2]}" == *" $1 "* ]]; } # is_below A B: B uses A, maybe through others

expect "the unplanted copy" pass check_layers

# Two subsystems: layers one layer uses side by side, neither using the other
# (the uppermost such pair). Below the first, a layer it uses.
side_a="" side_b="" low="" high=""
for ((i = ${#layers[@]} - 1; i >= 0; i--)); do
  for a in ${uses[${layers[i]}]}; do
    for b in ${uses[${layers[i]}]}; do
      if [ -z "$side_a" ] && [ "$a" != "$b" ] && ! is_below "$a" "$b" && ! is_below "$b" "$a"; then
        side_a=$a side_b=$b
      fi
    done
  done
done
for name in "${layers[@]}"; do
  for l in ${uses[$name]}; do
    if [ -z "$high" ] || [ "$name" = "$side_a" ]; then low=$l high=$name; break; fi
  done
  [ "$high" = "${side_a:-none}" ] && break
done
if [ -n "$side_a" ]; then
  plant "${folders[$side_a]}" "#include \"${folders[$side_b]}/Anything.h\""
  expect "a sideways include ($side_a -> $side_b)" \
    "Planted.cpp includes ${folders[$side_b]}/Anything.h: ${folders[$side_a]}/ \($side_a\) may not use ${folders[$side_b]}/ \($side_b\)" check_layers
fi
plant "${folders[$low]}" "#include \"${folders[$high]}/Anything.h\""
expect "an upward include ($low -> $high)" "${folders[$low]}/ \($low\) may not use ${folders[$high]}/ \($high\)" check_layers

for name in "${layers[@]}"; do
  [[ "${folders[$name]}" == platform/x11* ]] && continue
  plant "${folders[$name]}" "#include <X11/Xlib.h>"
  expect "an X11 header in ${folders[$name]}/" "Planted.cpp includes an X11 header outside platform/x11" check_layers
  plant "${folders[$name]}" "#include <qpa/qwindowsysteminterface.h>"
  expect "a private Qt header in ${folders[$name]}/" "Planted.cpp includes a private Qt header outside platform/x11" check_layers
  break
done
plant platform/x11/plain "#include <QtGui/private/qxkbcommon_p.h>"
expect "a private Qt header in platform/x11/plain/" "Planted.cpp includes a private Qt header outside platform/x11" check_layers
# The library's header and a generated protocol's, outside the Wayland
# layers; inside them they pass.
for name in "${layers[@]}"; do
  [[ "${folders[$name]}" == platform/wayland* ]] && continue
  for header in "<wayland-client.h>" '"ext-session-lock-v1-client-protocol.h"'; do
    plant "${folders[$name]}" "#include $header"
    expect "a Wayland header $header in ${folders[$name]}/" \
      "Planted.cpp includes a Wayland header outside platform/wayland" check_layers
  done
  break
done
plant platform/wayland/plain "#include <wayland-client.h>"
expect "a Wayland header in platform/wayland/plain/" pass check_layers
for name in "${layers[@]}"; do
  [ "${qt_free[$name]}" = 1 ] || continue
  plant "${folders[$name]}" "#include <QString>"
  expect "a Qt header in ${folders[$name]}/" "Planted.cpp includes a Qt header in a Qt-free layer \($name\)" check_layers
  break
done
plant rules "#include <QWidget>"
expect "a widget header in rules/" "includes <QWidget>, which is not QtCore" check_layers
unplant
mkdir "$work/src/stray" && echo 'int stray;' >"$work/src/stray/Stray.cpp"
expect "a folder with no layer" "stray/Stray.cpp is in a folder with no layer: stray" check_layers
rm -r "$work/src/stray"
expect "the copy once more" pass check_layers
expect "no table" "no layer table at $work/none.tsv" bash "$scripts/check-layers.sh" --src "$work/src" "$work/none.tsv"

# Two layers that use each other, and include each other.
mkdir -p "$work/cycle/a" "$work/cycle/b"
echo '#include "b/B.h"' >"$work/cycle/a/A.h"
echo '#include "a/A.h"' >"$work/cycle/b/B.h"
printf 'a\ta\tb\t1\nb\tb\ta\t1\n' >"$work/cycle.tsv"
expect "a cycle" "the folder include graph has a cycle" bash "$scripts/check-layers.sh" --src "$work/cycle" "$work/cycle.tsv"

# The link check over three small layers: high uses low; extra stands alone.
links=$work/links
mkdir -p "$links"/src/{low,high,extra}
# build LAYER FILE CODE: the layer's library of one object, as CMake names it.
build() {
  printf '%s\n' "$3" >"$links/src/$1/$2"
  g++ -c "$links/src/$1/$2" -o "$links/$2.o"
  rm -f "$links/lib$1.a"
  ar rcs "$links/lib$1.a" "$links/$2.o"
}
build low Low.cpp 'int low_value() { return 1; }'
build high High.cpp 'int low_value(); int high_value() { return low_value() + 1; }'
build extra Extra.cpp 'int extra_value() { return 3; }'
for l in low high extra; do printf '%s\t%s\n' $l "$links/lib$l.a"; done >"$links/libs.tsv"
printf 'low\tlow\t\t1\nextra\textra\t\t1\nhigh\thigh\tlow\t1\n' >"$links/layers.tsv"
check_links() { bash "$scripts/check-links.sh" --src "$links/src" "$links/layers.tsv" "$links/libs.tsv"; }
expect "the unplanted libraries" pass check_links

build low Low.cpp 'int high_value(); int low_value() { return 1; } int low_twice() { return 2 * high_value(); }'
expect "a call up the layers" \
  "low/Low.cpp \(low\) uses high_value\(\), defined in high/High.cpp \(high\), which low may not use" check_links
build low Low.cpp 'int low_value() { return 1; }'

printf 'low\tlow\t\t1\nextra\textra\t\t1\nhigh\thigh\tlow extra\t1\n' >"$links/layers.tsv"
expect "a USES nothing needs" \
  "high \(high/\) declares it uses extra \(extra/\) but neither includes its headers nor uses its symbols" check_links
# An include is a use, even of a layer whose code is all in its header.
printf '#include "extra/Extra.h"\n' >>"$links/src/high/High.cpp"
expect "a USES an include needs" pass check_links
printf 'low\t%s\n' "$links/none.a" >"$links/unbuilt.tsv"
expect "an unbuilt library" "none.a \(low\) is not built" \
  bash "$scripts/check-links.sh" --src "$links/src" "$links/layers.tsv" "$links/unbuilt.tsv"

# The map of the layers: a stale page is refused and says how to regenerate.
bash "$scripts/layer-graph.sh" "$table" >"$work/layers.md"
expect "the map as made" pass bash "$scripts/layer-graph.sh" --check "$work/layers.md" "$table"
sed -i '$d' "$work/layers.md"
expect "a stale map" "regenerate it with scripts/layer-graph.sh > docs/layers.md" \
  bash "$scripts/layer-graph.sh" --check "$work/layers.md" "$table"

[ $failures = 0 ] || { echo "$failures planted fault(s) not refused"; exit 1; }
echo "every planted fault refused"
