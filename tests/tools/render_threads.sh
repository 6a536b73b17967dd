#!/bin/sh
# Whole renders on 1, 2, 3 and 7 threads give the same picture, with and
# without proofs, on views where the work is shared out very differently:
# the start view, tiles proved and not, the 80-bit floor, a view whose
# samples all repeat. Built with ThreadSanitizer, any report of a race fails
# the render, and so the test.
set -u
TOOL=$1
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}"
passed=0
failed=0
view=0
while read -r left top bottom; do
  view=$((view + 1))
  for proofs in "" --no-proofs; do
    for threads in 1 2 3 7; do
      out="$DIR/v$view-$threads$proofs.pgm"
      if ! "$TOOL" --quiet --size 160x98 --threads "$threads" $proofs --output "$out" \
          -- "$left" "$top" "$bottom" >/dev/null; then
        failed=$((failed + 1)); echo "FAIL: view $view on $threads threads $proofs"; continue
      fi
      if cmp -s "$out" "$DIR/v$view-1.pgm"; then passed=$((passed + 1))
      else failed=$((failed + 1)); echo "FAIL: view $view on $threads threads $proofs differs"; fi
    done
  done
done <<'VIEWS'
-2.5 1.25 -1.25
-0.7436479734 0.1318284042 0.1318234042
-0.1000000000082 0.100000000005 0.099999999995
-1.7548776662466927 0.015 -0.015
-1.36717967270648486 -0.01369995146723445 -0.01369995146723455
-0.75 0.1 0.1
VIEWS
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
