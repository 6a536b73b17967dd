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
  # The tool runs in the folder; what it prints goes beside it, so that a
  # folder made read-only refuses the tool, not this shell's redirection.
  (cd "$DIR/refused" && "$TOOL" "$@" >"$DIR/out.txt" 2>"$DIR/err.txt")
  status=$?
  lines=$(wc -l <"$DIR/err.txt")
  rm -f "$DIR/out.txt" "$DIR/err.txt"
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
[ "$(head -c 8 "$DIR/s.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] && ok || fail "PNG signature"
"$TOOL" --size 7x2 --output "$DIR/s.pgm" >/dev/null
[ "$(head -c 11 "$DIR/s.pgm")" = "$(printf 'P5\n7 2\n255\n')" ] && ok || fail "PGM header"
[ "$(wc -c <"$DIR/s.pgm")" -eq $((11 + 14)) ] && ok || fail "PGM size"
"$TOOL" --help | grep -q "Usage: gorvanel-render" && ok || fail "--help"
"$TOOL" --version | grep -Eq "^gorvanel-render [0-9]+\.[0-9]+\.[0-9]+$" && ok || fail "--version"
# The literal renderer and the one without proofs draw the same picture as
# the default one, on a minibrot whose cardioid the proofs settle.
SAME="--size 96x64 -- -1.7793776662466927 0.015 -0.015"
# shellcheck disable=SC2086
"$TOOL" --output "$DIR/default.pgm" $SAME >/dev/null
for HOW in --literal --no-proofs; do
  # shellcheck disable=SC2086
  "$TOOL" "$HOW" --output "$DIR/how.pgm" $SAME >/dev/null && cmp -s "$DIR/default.pgm" "$DIR/how.pgm" &&
    ok || fail "$HOW draws another picture"
done

# A long render: deep in the seahorse valley, large.
LONG="--size 2400x1500 --threads 1 -- -0.743643887 0.131825909 0.131825899"
# Interrupted, it removes its temporary file and exits with 128 + the signal.
for SIGNAL in INT:130 TERM:143; do
  mkdir "$DIR/sig"
  # shellcheck disable=SC2086
  (cd "$DIR/sig" && exec "$TOOL" --output out.png $LONG >/dev/null 2>&1) &
  PID=$!
  sleep 1
  kill -"${SIGNAL%%:*}" "$PID"
  wait "$PID"
  status=$?
  left=$(ls -A "$DIR/sig")
  [ "$status" -eq "${SIGNAL##*:}" ] && [ -z "$left" ] && ok ||
    fail "SIG${SIGNAL%%:*}: status $status, left: $left"
  rm -rf "$DIR/sig"
done

# The progress line: on a terminal (a pseudo-terminal here), not otherwise.
SHORTER="--size 900x560 --threads 1 -- -0.743643887 0.131825909 0.131825899"
# shellcheck disable=SC2086
script -qec "$TOOL $SHORTER" /dev/null >"$DIR/tty.txt" 2>&1
grep -q "% of the samples done, .* elapsed, about .* to go" "$DIR/tty.txt" && ok ||
  fail "progress line on a terminal: $(tr '\r' '\n' <"$DIR/tty.txt" | tail -n 3)"
grep -q "^limit=" "$DIR/tty.txt" || tr '\r' '\n' <"$DIR/tty.txt" | grep -q "limit=" && ok || fail "summary on a terminal"
# shellcheck disable=SC2086
script -qec "$TOOL --quiet $SHORTER" /dev/null >"$DIR/quiet.txt" 2>&1
grep -q "samples done" "$DIR/quiet.txt" && fail "--quiet still shows progress" || ok
# shellcheck disable=SC2086
"$TOOL" --size 600x400 -- -0.743643887 0.131825909 0.131825899 2>"$DIR/err.txt" >/dev/null
[ ! -s "$DIR/err.txt" ] && ok || fail "progress written to a non-terminal: $(cat "$DIR/err.txt")"

# The largest size either fits or is refused before it starts, saying how
# much memory it needs (here the address space is limited to 2 GiB; not
# under AddressSanitizer, which reserves far more address space itself).
if [ -n "${ASAN_OPTIONS:-}" ]; then echo "skipped under AddressSanitizer: the memory check"; else
(ulimit -v 2000000; cd "$DIR/refused" && "$TOOL" --size 16384x16384 --output big.png >out.txt 2>err.txt)
status=$?
grep -q "needs about [0-9]* MiB of memory" "$DIR/refused/err.txt" && [ "$status" -eq 1 ] &&
  [ -z "$(ls -A "$DIR/refused" | grep -v -e out.txt -e err.txt)" ] && ok ||
  fail "too large: status $status: $(cat "$DIR/refused/err.txt")"
rm -f "$DIR/refused/out.txt" "$DIR/refused/err.txt"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
