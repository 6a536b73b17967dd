#!/bin/sh
# The render tool's command line as scripts use it: exact round trips, the
# derived right edge, and every kind of bad input refused with status 2 and
# nothing written.
set -u
TOOL="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" # absolute: the checks run elsewhere
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
passed=0
failed=0

ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# expect_refused DESCRIPTION ARGS...: exit 2, one line on stderr, no files.
expect_refused() {
  what="$1"; shift
  (cd "$DIR/refused" && "$TOOL" "$@" >out.txt 2>err.txt)
  status=$?
  lines=$(wc -l <"$DIR/refused/err.txt")
  rm -f "$DIR/refused/out.txt" "$DIR/refused/err.txt"
  left=$(ls -A "$DIR/refused")
  if [ "$status" -eq 2 ] && [ "$lines" -eq 1 ] && [ -z "$left" ]; then ok
  else fail "$what: status $status, $lines stderr lines, left: $left"; fi
}

mkdir "$DIR/refused"
expect_refused "unknown option" --frobnicate
expect_refused "unknown short option" -x 1 2 3
expect_refused "trailing characters" -- -2.5 1.25x -1.25
expect_refused "not a number" -2.5 abc -1.25
expect_refused "empty number" -2.5 "" -1.25
expect_refused "leading space" -2.5 " 1" -1.25
expect_refused "nan" -2.5 nan -1.25
expect_refused "overflow" -2.5 1e99999 -1.25
expect_refused "two coordinates" -2.5 1.25
expect_refused "five coordinates" 1 2 3 4 5
expect_refused "size without x" --size 577
expect_refused "size zero" --size 0x353
expect_refused "size too wide" --size 16385x10
expect_refused "size negative" --size=-5x5
expect_refused "size junk" --size 5x5y
expect_refused "size missing value" --size
expect_refused "threads zero" --threads 0
expect_refused "unknown extension" --output pic.jpg
expect_refused "missing folder" --output nowhere/pic.png
expect_refused "option with stray value" --literal=yes
chmod 500 "$DIR/refused"
if [ "$(id -u)" -ne 0 ]; then expect_refused "read-only folder" --output pic.pgm; fi
chmod 700 "$DIR/refused"

# The three-coordinate form derives the right edge exactly as the viewer:
# -2.5 + 2.5 * 577 / 353 in extended precision is this hex-float.
"$TOOL" --output "$DIR/derived.pgm" >/dev/null &&
"$TOOL" --output "$DIR/explicit.pgm" -- -2.5 1.25 0xc.b0f3abe01734f0cp-3 -1.25 >/dev/null &&
"$TOOL" --output "$DIR/three.pgm" -2.5 1.25 -1.25 >/dev/null &&
cmp -s "$DIR/derived.pgm" "$DIR/explicit.pgm" && cmp -s "$DIR/derived.pgm" "$DIR/three.pgm" \
  && ok || fail "derived right edge"

# The last bit of a coordinate is read: on the real axis, these two
# neighbouring extended values escape at 30 and 29 (zero-height views sample
# one point everywhere; the decimal reads to the same bits as the first).
"$TOOL" --size 3x2 --output "$DIR/a.pgm" -- 0x8.524037575a7faa8p-5 0 0 >"$DIR/a.txt"
"$TOOL" --size 3x2 --output "$DIR/b.pgm" -- 0x8.524037575a7faa9p-5 0 0 >"$DIR/b.txt"
"$TOOL" --size 3x2 --output "$DIR/c.pgm" -- 0.26004038628418864776 0 0 >"$DIR/c.txt"
if grep -q "min=30 max=30" "$DIR/a.txt" && grep -q "min=29 max=29" "$DIR/b.txt" &&
   grep -q "min=30 max=30" "$DIR/c.txt"; then ok
else fail "coordinates read bit-exactly"; fi

# Output line and file formats.
line=$("$TOOL" --size 5x3 --output "$DIR/s.png")
case "$line" in limit=50\ min=1\ max=*\ ms=*) ok ;; *) fail "summary line: $line" ;; esac
[ "$(head -c 2 "$DIR/s.png" | tail -c 1)" = "P" ] && ok || fail "PNG signature"
"$TOOL" --size 7x2 --output "$DIR/s.pgm" >/dev/null
[ "$(head -c 11 "$DIR/s.pgm")" = "$(printf 'P5\n7 2\n255\n')" ] && ok || fail "PGM header"
[ "$(wc -c <"$DIR/s.pgm")" -eq $((11 + 14)) ] && ok || fail "PGM size"
"$TOOL" --help | grep -q "Usage: gorvanel-render" && ok || fail "--help"
"$TOOL" --version | grep -Eq "^gorvanel-render [0-9]+\.[0-9]+\.[0-9]+$" && ok || fail "--version"
"$TOOL" --literal --size 9x9 -- -2 1 -1 >/dev/null && ok || fail "--literal"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
