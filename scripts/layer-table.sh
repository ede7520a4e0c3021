# shellcheck shell=bash
# Reads the layer table the build writes at configure time (build/layers.tsv,
# from the gardlock_layer() calls of src/CMakeLists.txt; see
# cmake/GardlockLayers.cmake). Sourced by check-layers.sh, check-links.sh and
# layer-graph.sh; fills:
#   layers        the layers, in the table's order
#   folders[L]    L's folder (space separated if ever more than one)
#   uses[L]       the layers L links directly
#   qt_free[L]    1 when L links no Qt, not even through the layers it uses
#   reach[L]      " a b c ": every layer L may use, directly or through others
#   layer_of[F]   the layer of folder F
# A missing table or one folder in two layers ends the calling script.

layer_table_default() { # the table of the build folder beside scripts/
  echo "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/layers.tsv"
}

read_layer_table() {
  local table=$1 name folder use qt f l todo seen
  if [ ! -f "$table" ]; then
    echo "layers: no layer table at $table: configure the build first (cmake -S . -B build writes it)" >&2
    exit 2
  fi
  layers=()
  declare -gA folders=() uses=() qt_free=() reach=() layer_of=()
  # '|' for the tabs: read would merge two tabs around an empty field.
  while IFS='|' read -r name folder use qt; do
    [ -n "$name" ] || continue
    layers+=("$name")
    folders[$name]=$folder uses[$name]=$use qt_free[$name]=$qt
    for f in $folder; do
      if [ -n "${layer_of[$f]+set}" ]; then
        echo "layers: $table puts folder $f in two layers, ${layer_of[$f]} and $name" >&2
        exit 2
      fi
      layer_of[$f]=$name
    done
  done < <(tr '\t' '|' <"$table")
  for name in "${layers[@]}"; do
    seen=" "
    todo=(${uses[$name]})
    while [ ${#todo[@]} -gt 0 ]; do
      l=${todo[0]}
      todo=("${todo[@]:1}")
      [[ "$seen" == *" $l "* ]] && continue
      seen+="$l "
      todo+=(${uses[$l]-})
    done
    reach[$name]=$seen
  done
}

# The headers of '#include "folder/name.h"' lines in the files given.
included_headers() {
  sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+\/[^"]+)".*/\1/p' "$@"
}
