#!/usr/bin/env bash
# Checks that the source folders depend one way only, against the layer table
# the build writes (build/layers.tsv, from the gardlock_layer() calls):
#   - every folder with sources is a layer's;
#   - a file includes "folder/..." headers only of its own layer and of the
#     layers it uses, directly or through them (src/main.cpp and
#     src/front_main.cpp, the executables' entries, may include anything);
#   - the layers' uses and the folder include graph have no cycle;
#   - only src/platform/x11/ (and its Qt-free plain/) includes X11 or xcb
#     headers, only src/platform/x11/ and src/platform/sessionlock/ (the
#     program's own Qt platform) Qt's private headers (they tie the
#     program to the Qt it was built with), only src/platform/print/
#     CUPS or Qt Print Support headers, and only src/platform/http/ Qt
#     Network headers;
#   - only src/platform/wayland/ (and its Qt-free plain/) includes Wayland
#     headers: the library's and those generated from protocol files;
#   - a layer that links no Qt (see the table) includes no Qt header, and
#     src/rules/ includes QtCore headers alone.
# Usage: check-layers.sh [--graph] [--src DIR] [TABLE]
#   TABLE defaults to build/layers.tsv; --graph prints the folder graph (one
#   "from -> to" a line); --src checks another copy of src/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/layer-table.sh"

graph=0
src=$here/../src
table=$(layer_table_default)
while [ $# -gt 0 ]; do
  case $1 in
    --graph) graph=1 ;;
    --src) src=$2; shift ;;
    *) table=$1 ;;
  esac
  shift
done
read_layer_table "$table"
cd "$src"

status=0
edges=$(mktemp)
trap 'rm -f "$edges" "$edges.uses" "$edges.table"' EXIT

for name in "${layers[@]}"; do
  for l in ${uses[$name]}; do echo "$name $l"; done
done >"$edges.uses"
if ! tsort "$edges.uses" >/dev/null 2>&1; then
  echo "layers: the layers' uses in $table have a cycle:" >&2
  tsort "$edges.uses" 2>&1 >/dev/null | sed 's/^/  /' >&2 || true
  status=1
fi

for name in "${layers[@]}"; do
  for f in ${folders[$name]}; do printf 'F\t%s\t%s\t%s\t%s\n' "$f" "$name" "${reach[$name]}" "${qt_free[$name]}"; done
done >"$edges.table"
files=()
while IFS= read -r file; do files+=("$file"); done < <(find . \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | sort)

# One pass over every file's #include lines; "from to" folder edges to $edges.
awk -v edges="$edges" '
  function say(text) { print "layers: " text > "/dev/stderr"; bad = 1 }
  function dir(path) { return path ~ /\// ? substr(path, 1, match(path, /\/[^\/]*$/) - 1) : "." }
  # only_in("FOLDERS", PATTERN, WHAT): outside FOLDERS, no header matching PATTERN.
  function only_in(list, pattern, what) {
    if (index(" " list " ", " " folder " ") || !match(target, pattern) || (FILENAME, what) in told) return
    told[FILENAME, what] = 1
    say(FILENAME " includes " what " outside " list)
  }
  FILENAME == ARGV[1] { split($0, t, "\t"); layer_of[t[2]] = t[3]; reach[t[3]] = t[4]; qt_free[t[3]] = t[5]; next }
  FNR == 1 {
    folder = dir(FILENAME); layer = layer_of[folder]
    # The executables entries (main.cpp, front_main.cpp) wire everything together.
    skip = folder == "."
    if (!skip && layer == "") {
      say(FILENAME " is in a folder with no layer: " folder " (add gardlock_layer(... FOLDERS " folder " ...) to src/CMakeLists.txt)")
      skip = 1
    }
  }
  skip || !/^[ \t]*#[ \t]*include/ { next }
  {
    target = $0; sub(/^[ \t]*#[ \t]*include[ \t]*/, "", target)
    # Each outside library stays in the one folder that wraps it; Qt Print
    # Support and Qt Network in the modules loaded on first use.
    only_in("platform/x11 platform/x11/plain", "^[<\"](xcb|X11)/", "an X11 header")
    only_in("platform/x11 platform/sessionlock", "^<(qpa/|Qt[A-Za-z]*/private/)", "a private Qt header")
    only_in("platform/wayland platform/wayland/plain", "^[<\"](wayland-|[^\">]*-(client|server)-protocol\\.h)", "a Wayland header")
    only_in("platform/print", "^[<\"]cups/", "a CUPS header")
    only_in("platform/print", "^<(QtPrintSupport|QPrint|QPageSetupDialog)", "a Qt Print Support header")
    only_in("platform/http", "^<(QtNetwork|QNetwork|QTcp|QUdp|QSsl|QHostAddress)", "a Qt Network header")
    if (qt_free[layer] == 1 && target ~ /^<Q/ && !((FILENAME, "qt") in told)) {
      told[FILENAME, "qt"] = 1
      say(FILENAME " includes a Qt header in a Qt-free layer (" layer ")")
    }
    if (!match(target, /^"[^"]+\/[^"]+"/)) next
    header = substr(target, 2, RLENGTH - 2); to = dir(header)
    if (to == folder) next
    print folder " " to > edges
    if (!(to in layer_of))
      say(FILENAME " includes " header ": " to "/ is no layer'"'"'s folder")
    else if (layer_of[to] != layer && !index(reach[layer], " " layer_of[to] " "))
      say(FILENAME " includes " header ": " folder "/ (" layer ") may not use " to "/ (" layer_of[to] ")")
  }
  END { exit bad }' "$edges.table" "${files[@]}" || status=1
touch "$edges"

# The rules are QtCore alone: no picture, screen or widget reaches them, so
# every screen and the lock windows can share them.
qt_headers=$(pkg-config --variable=includedir Qt6Core 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
while IFS= read -r -d '' file; do
  while IFS= read -r header; do
    if [ ! -e "$qt_headers/QtCore/$header" ]; then
      echo "layers: $file includes <$header>, which is not QtCore: the rules use QtCore alone" >&2
      status=1
    fi
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<(Q[A-Za-z]*)>.*/\1/p' "$file")
done < <(find "$src/rules" -name '*.cpp' -print0 -o -name '*.h' -print0 2>/dev/null)

sort -u "$edges" -o "$edges"
if ! tsort "$edges" >/dev/null 2>&1; then
  echo "layers: the folder include graph has a cycle:" >&2
  tsort "$edges" 2>&1 >/dev/null | sed 's/^/  /' >&2 || true
  status=1
fi

if [ $graph = 1 ]; then
  sed 's/ / -> /' "$edges"
elif [ $status -eq 0 ]; then
  echo "layers: ${#layers[@]} layers, $(wc -l <"$edges") folder dependencies, all one way"
fi
exit $status
