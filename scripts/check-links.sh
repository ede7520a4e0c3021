#!/usr/bin/env bash
# Checks the layers at the level of the linker, over the built static
# libraries (build/layer-libs.tsv, written with the layer table):
#   - a symbol a layer's library needs and another layer's library defines
#     must come from a layer it uses, directly or through others (an include
#     may be one way while the call it makes goes the other way: a function
#     declared in a lower layer's header and defined above);
#   - every layer a layer declares in its USES is used, by an include of its
#     headers or by a symbol it defines.
# Only strong definitions count: inline functions and templates (weak, in
# every library that uses them) belong to whoever includes their header,
# which check-layers.sh checks.
# Usage: check-links.sh [--src DIR] [TABLE [LIBS]]
#   TABLE defaults to build/layers.tsv, LIBS to layer-libs.tsv beside it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/layer-table.sh"

src=$here/../src
args=()
while [ $# -gt 0 ]; do
  case $1 in
    --src) src=$2; shift ;;
    *) args+=("$1") ;;
  esac
  shift
done
table=${args[0]:-$(layer_table_default)}
libs=${args[1]:-$(dirname "$table")/layer-libs.tsv}
read_layer_table "$table"
if [ ! -f "$libs" ]; then
  echo "links: no library list at $libs: configure the build first" >&2
  exit 2
fi
src=$(cd "$src" && pwd)

facts=$(mktemp)
trap 'rm -f "$facts"' EXIT
{
  for name in "${layers[@]}"; do
    printf 'L\t%s\t%s\t%s\t%s\n' "$name" "${folders[$name]}" "${uses[$name]}" "${reach[$name]}"
    for f in ${folders[$name]}; do
      sources=()
      for file in "$src/$f"/*.cpp "$src/$f"/*.h; do
        [ -f "$file" ] && sources+=("$file") && printf 'S\t%s\n' "${file#"$src"/}"
      done
      [ ${#sources[@]} -gt 0 ] || continue
      # What the layer includes, as "I layer included-layer".
      for header in $(included_headers "${sources[@]}" | sort -u); do
        to=${layer_of[${header%/*}]-}
        [ -n "$to" ] && printf 'I\t%s\t%s\n' "$name" "$to"
      done
    done
  done
  missing=0
  while IFS=$'\t' read -r name lib; do
    [ "$lib" = "-" ] && continue # headers only: nothing to link
    if [ ! -f "$lib" ]; then
      echo "links: $lib ($name) is not built: build the layers first (cmake --build build --target $name)" >&2
      missing=1
      continue
    fi
    # "D layer member type symbol" for each definition, "U layer member
    # symbol" for each undefined symbol.
    nm -A -g --defined-only "$lib" | awk -v l="$name" -v p="$lib:" \
      'index($0, p) == 1 { r = substr($0, length(p) + 1); m = substr(r, 1, index(r, ":") - 1);
         printf "D\t%s\t%s\t%s\t%s\n", l, m, $(NF-1), $NF }'
    nm -A -u "$lib" | awk -v l="$name" -v p="$lib:" \
      'index($0, p) == 1 && $(NF-1) == "U" { r = substr($0, length(p) + 1);
         printf "U\t%s\t%s\t%s\n", l, substr(r, 1, index(r, ":") - 1), $NF }'
  done <"$libs"
  [ $missing = 0 ] || exit 2
} >"$facts"

awk -F'\t' '
  function source(layer, member,   base, n, f, i) {
    base = member; sub(/\.o(bj)?$/, "", base)
    n = split(folder[layer], f, " ")
    for (i = 1; i <= n; i++) if ((f[i] "/" base) in files) return f[i] "/" base
    return folder[layer] "/" member
  }
  $1 == "L" { folder[$2] = $3; uses[$2] = $4; reach[$2] = $5; order[++count] = $2; next }
  $1 == "S" { files[$2] = 1; next }
  $1 == "I" { used[$2, $3] = 1; next }
  # Strong definitions only: weak (W, V, w, v) and unique (u) ones are the
  # inline code and templates every user of a header carries.
  $1 == "D" && $4 ~ /^[TDBRGSCi]$/ {
    own[$2, $5] = 1; by[$5] = by[$5] $2 "\t" $3 "\n"; next
  }
  $1 == "U" { need[++needs] = $2 "\t" $3 "\t" $4; next }
  END {
    for (i = 1; i <= needs; i++) {
      split(need[i], u, "\t"); layer = u[1]; sym = u[3]
      if ((layer, sym) in own || !(sym in by)) continue
      n = split(by[sym], d, "\n"); ok = 0; wrong = ""
      for (j = 1; j < n; j++) {
        split(d[j], def, "\t")
        if (index(reach[layer], " " def[1] " ")) { ok = 1; used[layer, def[1]] = 1 }
        else if (wrong == "") wrong = def[1] "\t" def[2]
      }
      if (ok || wrong == "") continue
      split(wrong, w, "\t")
      key = layer SUBSEP u[2] SUBSEP sym
      if (key in told) continue
      told[key] = 1
      printf "links: %s (%s) uses %s, defined in %s (%s), which %s may not use\n",
        source(layer, u[2]), layer, sym, source(w[1], w[2]), w[1], layer
      bad = 1
    }
    for (i = 1; i <= count; i++) {
      layer = order[i]; n = split(uses[layer], list, " ")
      for (j = 1; j <= n; j++) if (!((layer, list[j]) in used)) {
        printf "links: %s (%s/) declares it uses %s (%s/) but neither includes its headers nor uses its symbols: drop it from its USES\n",
          layer, folder[layer], list[j], folder[list[j]]
        bad = 1
      }
    }
    if (!bad) printf "links: %d layers, every symbol from a layer it uses, every use needed\n", count
    exit bad
  }' "$facts" | c++filt
exit "${PIPESTATUS[0]}"
