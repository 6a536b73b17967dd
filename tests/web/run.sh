#!/bin/sh
# Runs one of the page's scripts under Node.js: install (the packages that
# package-lock.json pins, once), test (the page in one browser) or bench.
# Usage: run.sh install | run.sh test|bench ARGS...
set -eu
dir=$(cd "$(dirname "$0")" && pwd)
what=$1
shift
if [ "$what" = install ] || [ ! -f "$dir/node_modules/.package-lock.json" ]; then
  # No browser download: the tests use Debian's browsers.
  (cd "$dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
  [ "$what" = install ] && exit 0
fi
exec node "$dir/$what.mjs" "$@"
