#!/usr/bin/env bash
# Prints the map of the layers (docs/layers.md) from the layer table the build
# writes (build/layers.tsv, from the gardlock_layer() calls): every layer above
# the layers it uses, with its folder, its uses and whether it links Qt.
# Usage: layer-graph.sh [TABLE] > docs/layers.md
#        layer-graph.sh --check DOC [TABLE]   fails when DOC is not that map
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/layer-table.sh"

check=""
table=$(layer_table_default)
while [ $# -gt 0 ]; do
  case $1 in
    --check) check=$2; shift ;;
    *) table=$1 ;;
  esac
  shift
done
read_layer_table "$table"

map() {
  # Height: the longest chain of uses below a layer. Listed highest first,
  # in the table's order among equals.
  declare -A height=()
  local changed=1 name l h
  for name in "${layers[@]}"; do height[$name]=0; done
  while [ $changed = 1 ]; do
    changed=0
    for name in "${layers[@]}"; do
      for l in ${uses[$name]}; do
        h=$((height[$l] + 1))
        # Bounded so that a cycle (which check-layers.sh reports) ends.
        if [ $h -gt "${height[$name]}" ] && [ $h -le ${#layers[@]} ]; then
          height[$name]=$h changed=1
        fi
      done
    done
  done

  cat <<'TEXT'
<!-- Made by scripts/layer-graph.sh from the layer table; do not edit by hand. -->
# The layers

Each folder under `src/` is one layer: one library, declared in
`src/CMakeLists.txt` with `gardlock_layer(<name> FOLDERS <folder> USES ...)`,
which is the one place the layers are written down. A file may include the
headers, and use the code, of its own folder and of the layers its layer uses,
directly or through others. `ctest -R layers` checks the includes
(`scripts/check-layers.sh`), the symbols of the built libraries
(`scripts/check-links.sh`) and that this page is up to date. A Qt-free layer
links no Qt library, not even through the layers it uses.

Each layer comes above the layers it uses.

| Layer | Folder | Uses | Qt |
|---|---|---|---|
TEXT
  local i=0 used qt
  for name in "${layers[@]}"; do
    used=""
    for l in ${uses[$name]}; do used+="${used:+, }\`${folders[$l]}/\`"; done
    if [ "${qt_free[$name]}" = 1 ]; then qt=Qt-free; else qt=Qt; fi
    printf '%05d %05d | %s | `%s/` | %s | %s |\n' $((99999 - height[$name])) $i \
      "$name" "${folders[$name]}" "${used:-none}" "$qt"
    i=$((i + 1))
  done | sort | cut -d' ' -f3-
  cat <<'TEXT'

To regenerate after changing a `gardlock_layer()` call: configure the build,
then run `scripts/layer-graph.sh > docs/layers.md`.
TEXT
}

if [ -z "$check" ]; then
  map
  exit 0
fi
if ! map | diff -u "$check" - >&2; then
  echo "layers: $check is not the map of the layers in $table; regenerate it with scripts/layer-graph.sh > docs/layers.md (after configuring the build)" >&2
  exit 1
fi
echo "layers: $check is up to date"
