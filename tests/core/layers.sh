#!/bin/sh
# The core's layers, from the bottom: the public number and option headers,
# exact, proof, kernel, frame (with the public rendering headers). A file may
# include headers of its own layer and of those below it, and the raster
# image; so the include graph between the layers has no cycle. Every source
# that sets or relies on upward rounding lies in proof/, the one layer built
# with -frounding-math. Prints the edges between layers; exit 1 on a breach.
set -eu
core=${1:-$(dirname "$0")/../../core}
status=0
rank() {
  case $1 in
  include/RenderMandelbrot.h | include/FrameBands.h) echo 4 ;;
  include/*) echo 0 ;;
  exact/*) echo 1 ;;
  proof/*) echo 2 ;;
  kernel/*) echo 3 ;;
  frame/*) echo 4 ;;
  *) echo "?" ;;
  esac
}
layer() { case $1 in include/RenderMandelbrot.h | include/FrameBands.h) echo frame ;; *) echo "${1%%/*}" ;; esac; }
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for file in $(cd "$core" && find include exact proof kernel frame -name '*.h' -o -name '*.cpp' | sort); do
  from=$(rank "$file")
  for header in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$core/$file"); do
    case $header in Bitmap.h | Raise.h) continue ;; esac # the raster library, below the core
    target=$(cd "$core" && ls include/"$header" exact/"$header" proof/"$header" kernel/"$header" \
      frame/"$header" 2>/dev/null | head -n 1)
    if [ -z "$target" ]; then
      echo "$file includes $header, which is not in the core"; status=1; continue
    fi
    to=$(rank "$target")
    [ "$(layer "$file")" != "$(layer "$target")" ] && echo "$(layer "$file") -> $(layer "$target")" >>"$edges"
    if [ "$to" -gt "$from" ]; then
      echo "$file includes $target, a layer above it"; status=1
    fi
  done
done
sort -u "$edges"
for file in $(cd "$core" && grep -rlE 'TRoundUpward|fesetround|"ProofBounds.h"|"Enclosure.h"' \
  --include='*.cpp' include exact kernel frame || true); do
  echo "$file rounds upward outside proof/, which alone is built with -frounding-math"; status=1
done
[ "$status" = 0 ] && echo "layers: no include reaches up; upward rounding only in proof/"
exit "$status"
