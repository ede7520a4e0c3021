#!/usr/bin/env bash
# Checks that the source folders depend one way only:
#   - only src/platform/x11/ (and its Qt-free plain/) includes X11 or xcb
#     headers, only src/platform/print/ includes CUPS or Qt Print Support
#     headers, and only src/platform/http/ includes Qt Network headers;
#   - every #include "folder/..." goes to a folder the including folder may use;
#   - the folder include graph has no cycle.
# With --graph, prints the folder dependency graph (one "from -> to" a line).
set -euo pipefail
cd "$(dirname "$0")/../src"

# What each folder may include besides itself. Subsystems use lock/ (the
# lowest subsystem: passwords, the log, the locks) and the shared layers,
# never each other; startup/ sits on top and knows every screen.
declare -A allowed=(
  [formats]=""
  [platform]=""
  [platform/storage]="platform formats"
  [platform/desktop]="platform platform/storage formats"
  [platform/x11]="platform platform/x11/plain"
  [platform/x11/plain]="platform"
  [front]="platform platform/x11/plain"
  [platform/print]="platform"
  [platform/http]="platform"
  [ui]="platform platform/storage platform/desktop formats"
  [lock]="ui platform platform/storage platform/desktop formats"
  [setup]="lock ui platform platform/storage platform/desktop formats"
  [logtools]="lock ui platform platform/storage platform/desktop formats"
  [screens]="lock ui platform platform/storage platform/desktop formats"
  [web]="lock ui platform platform/storage platform/desktop formats"
  [startup]="front setup logtools screens web lock ui platform platform/storage platform/desktop formats"
)

status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

# only_in "FOLDERS" PATTERN WHAT: $file, outside FOLDERS, must not include
# a header matching PATTERN.
only_in() {
  [[ " $1 " == *" $folder "* ]] && return
  if grep -Eq "^[[:space:]]*#[[:space:]]*include[[:space:]]*$2" "$file"; then
    echo "layers: $file includes $3 outside ${1// /, }" >&2
    status=1
  fi
}

while IFS= read -r -d '' file; do
  folder=$(dirname "$file"); folder=${folder#./}
  [ "$folder" = "." ] && continue # main.cpp wires everything together
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "layers: $file is in a folder with no place in the layers: $folder" >&2
    status=1
    continue
  fi
  # Each outside library's headers stay in the one folder that wraps it; Qt
  # Print Support and Qt Network in the modules loaded on first use.
  only_in "platform/x11 platform/x11/plain" '[<"](xcb/|X11/)' "an X11 header"
  only_in platform/print '[<"]cups/' "a CUPS header"
  only_in platform/print '<(QtPrintSupport|QPrint|QPageSetupDialog)' "a Qt Print Support header"
  only_in platform/http '<(QtNetwork|QNetwork|QTcp|QUdp|QSsl|QHostAddress)' "a Qt Network header"
  while IFS= read -r target; do
    to=$(dirname "$target")
    [ "$to" = "$folder" ] && continue
    echo "$folder $to" >>"$edges"
    if [[ " ${allowed[$folder]} " != *" $to "* ]]; then
      echo "layers: $file includes $target: $folder/ may not use $to/" >&2
      status=1
    fi
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+\/[^"]+)".*/\1/p' "$file")
  # The front and its X11 code link no Qt.
  if [ "$folder" = "front" ] || [ "$folder" = "platform/x11/plain" ]; then
    if grep -Eq '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file"; then
      echo "layers: $file includes a Qt header in a Qt-free folder" >&2
      status=1
    fi
  fi
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort | tr '\n' '\0')

sort -u "$edges" -o "$edges"
if ! tsort "$edges" >/dev/null 2>&1; then
  echo "layers: the folder include graph has a cycle:" >&2
  tsort "$edges" 2>&1 >/dev/null | sed 's/^/  /' >&2
  status=1
fi

if [ "${1:-}" = "--graph" ]; then
  sed 's/ / -> /' "$edges"
fi
[ $status -eq 0 ] && [ "${1:-}" != "--graph" ] && echo "layers: $(wc -l <"$edges") folder dependencies, all one way"
exit $status
