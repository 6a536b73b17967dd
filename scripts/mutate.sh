#!/bin/sh
# Weakens, one at a time, each term of the fast paths' bounds listed in
# scripts/mutations.txt, in a scratch copy of the committed tree, and runs
# the core tests against it (for the page's GPU kernel, its arithmetic
# check, which needs make web built): every weakening must make a test fail. The
# copy is of the work tree as it stands, so new tests count before a commit.
# Prints one line per mutation: caught (with the first failing tests) or
# MISSED. Takes about a minute per mutation. Usage: scripts/mutate.sh [FILTER]
# With --check it builds nothing and only checks that the text of every
# mutation stands exactly once in its file, so that the list still fits
# the code.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

# mutation FILE FROM TO: replaces the one occurrence of FROM in FILE by TO;
# fails, changing nothing, unless FROM occurs exactly once.
mutation() {
  python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1], sys.argv[2].strip(), sys.argv[3].strip()
text = open(path).read()
if text.count(old) != 1:
    sys.exit(1)
open(path, "w").write(text.replace(old, new))
PY
}

# The mutations, one per line: name | file | text | weakened text.
mutations() { grep -v '^#' "$root/scripts/mutations.txt"; }

if [ "${1:-}" = --check ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  mutations | while IFS='|' read -r name file from to; do
    file=$(echo "$file" | tr -d ' ')
    cp "$root/$file" "$scratch/copy" 2>/dev/null && mutation "$scratch/copy" "$from" "$to" ||
      echo "$(echo "$name" | sed 's/ *$//'): the text is not in $file once"
  done >"$scratch/misfits"
  cat "$scratch/misfits"
  [ -s "$scratch/misfits" ] && exit 1
  echo "mutations: all $(mutations | wc -l) texts stand once in their files"
  exit 0
fi

filter=${1:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
(cd "$root" && git ls-files -co --exclude-standard | tar -c -T -) | tar -x -C "$scratch"
cmake -S "$scratch" -B "$scratch/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$scratch/build" --target core_tests -j "$(nproc)" >/dev/null
# Put back with a fresh time stamp, so that the next build recompiles it.
restore() { mv "$scratch/$file.orig" "$scratch/$file"; touch "$scratch/$file"; }
mutations | grep -F -- "$filter" | while IFS='|' read -r name file from to; do
  name=$(echo "$name" | sed 's/ *$//')
  file=$(echo "$file" | tr -d ' ')
  cp "$scratch/$file" "$scratch/$file.orig"
  if ! mutation "$scratch/$file" "$from" "$to"; then
    echo "$name: NOT APPLIED (the text is not in $file once)"; rm -f "$scratch/$file.orig"
    continue
  fi
  case $file in
  *.wgsl)
    if timeout 600 node "$root/tests/web/gpu.mjs" "$scratch/web/page" none \
      "$root/build-wasm/web/gorvanel-web-checks.wasm" >"$scratch/log" 2>&1; then
      echo "$name: MISSED"
    else
      echo "$name: caught by $(grep -m1 -o '^FAIL: [^:]*' "$scratch/log" || echo 'a failure to compile')"
    fi
    restore
    continue
    ;;
  esac
  if ! cmake --build "$scratch/build" --target core_tests -j "$(nproc)" >"$scratch/log" 2>&1; then
    echo "$name: does not build"; restore; continue
  fi
  if timeout 600 "$scratch/build/tests/core/core_tests" --gtest_brief=1 >"$scratch/log" 2>&1; then
    echo "$name: MISSED"
  else
    failed=$(grep -E '^\[  FAILED  \] [A-Za-z/_0-9.]+' "$scratch/log" | sed 's/^\[  FAILED  \] //; s/[ ,].*//' | sort -u | head -4 | tr '\n' ' ')
    echo "$name: caught by ${failed:-a crash or time-out}"
  fi
  restore
done
