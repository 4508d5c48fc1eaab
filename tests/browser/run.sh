#!/bin/sh
# Browser tests: starts `hp serve` on a temporary demo database and a free
# port, runs the tests with node's test runner driving Chromium, and stops
# the server. Needs: chromium, nodejs (20 or later), npm; and build/hp.
#   HP=path/to/hp             the program (default: build/hp of this tree)
#   HP_DEMO_DB=path           copy this demo database instead of making one
#   CHROMIUM=path             the browser (default /usr/bin/chromium)
#   HP_SCREENSHOT=path.png    also save a picture of the register there
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
HP=${HP:-$root/build/hp}
CHROMIUM=${CHROMIUM:-/usr/bin/chromium}
[ -x "$HP" ] || { echo "run.sh: no program at $HP; build it first" >&2; exit 2; }
[ -x "$CHROMIUM" ] || { echo "run.sh: no Chromium at $CHROMIUM (apt-get install -y chromium)" >&2; exit 2; }
command -v node >/dev/null || { echo "run.sh: node is missing (apt-get install -y nodejs npm)" >&2; exit 2; }
if [ ! -d "$here/node_modules/playwright-core" ]; then
  (cd "$here" && npm ci --no-audit --no-fund >/dev/null)
fi

tmp=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

db="$tmp/hp.db"
if [ -n "${HP_DEMO_DB:-}" ]; then
  cp "$HP_DEMO_DB" "$db"
  cp "$HP_DEMO_DB.password" "$db.password"
else
  "$HP" demo-db "$db" > "$tmp/demo.out"
fi
date=$(sed -n 's/.*Processing date to sign in with: \([0-9-]*\).*/\1/p' "$tmp/demo.out" 2>/dev/null || true)

"$HP" serve --database "$db" --listen 127.0.0.1:0 > "$tmp/serve.out" 2> "$tmp/serve.err" &
pid=$!
url=""
for _ in $(seq 1 300); do
  url=$(sed -n 's/.*open \(http:[^ ]*\) in a browser.*/\1/p' "$tmp/serve.out")
  [ -n "$url" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$url" ]; then
  echo "run.sh: hp serve did not start:" >&2
  cat "$tmp/serve.err" >&2
  exit 1
fi

status=0
(cd "$here" && HP_URL="$url" HP_DATE="${date:-2024-03-15}" HP_PASSWORDS="$db.password" HP_CHROMIUM="$CHROMIUM" \
  node --test --test-concurrency=1 ./*.test.mjs) || status=$?
if [ "$status" -ne 0 ]; then
  echo "run.sh: the server's log follows" >&2
  tail -n 40 "$tmp/serve.err" >&2
fi
exit "$status"
