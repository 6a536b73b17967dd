#!/bin/sh
# The same pictures from two builds of the render tool (the x87 unit's,
# the software extended real's, another machine's): views from the start
# view through the 80-bit floor to past its resolution, compared byte for
# byte.
# Usage: same_pictures.sh TOOL_A TOOL_B
set -u
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
passed=0
failed=0
while IFS='|' read -r name args; do
  # shellcheck disable=SC2086
  "$1" --quiet --size 160x98 --output "$DIR/a.pgm" $args >/dev/null &&
    "$2" --quiet --size 160x98 --output "$DIR/b.pgm" $args >/dev/null &&
    cmp -s "$DIR/a.pgm" "$DIR/b.pgm"
  if [ $? -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name differs"; fi
done <<'VIEWS'
start view|
seahorse valley 5e-6|-- -0.743647973439424 0.131828404205311970493 0.131823404205311970493
bulb edge 5e-6|-- -0.2125899180 0.6432983455 0.6432933455
deep 2e-15|-- -0.7436438870371587 0.1318259042053120 0.1318259042053100
deep 1e-19|-- -0.74364388703715870475 0.13182590420531197050 0.13182590420531197040
80-bit floor 1e-18|-- -1.24414186409183300875 0.0706451308002810840266 0.0706451308002810830266
past the resolution 1e-20|-- -1.24414186409183300875 0.070645130800281083536 0.070645130800281083526
VIEWS
echo "same pictures: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
