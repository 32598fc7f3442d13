#!/usr/bin/env bash
# Starts a built app: bash scripts/start-app.sh <bin folder> [app arguments...]
#
# Unless real service addresses are configured, the stand-in site is started
# on 127.0.0.1 first and the app is pointed at it through a SiteHosts.plist in
# its Library folder; the stand-in stops when the app exits. Real addresses
# count as configured when the bundle's SiteHosts.plist no longer names the
# .invalid placeholders, or when the Library folder holds a SiteHosts.plist
# the stand-in did not write. PAGEWELL_STANDIN=0 turns the stand-in off.
set -euo pipefail
bin=$(cd "$1" && pwd)
shift
app="$bin/pagewell"
data="${XDG_DATA_HOME:-$HOME/.local/share}/pagewell"
plist="$data/Library/SiteHosts.plist"
marker="written by standin-site"

use_standin=1
if [ "${PAGEWELL_STANDIN:-1}" = "0" ]; then
  use_standin=0
elif [ -f "$bin/resources/SiteHosts.plist" ] && ! grep -q '\.invalid' "$bin/resources/SiteHosts.plist"; then
  use_standin=0
elif [ -f "$plist" ] && ! grep -q "$marker" "$plist"; then
  use_standin=0
fi
if [ "$use_standin" = 0 ] || [ ! -x "$bin/standin-site" ]; then
  exec "$app" "$@"
fi

mkdir -p "$data/Library" "$data/tmp"
rm -f "$plist"
log="$data/tmp/standin-site.log"
: > "$log"
"$bin/standin-site" --plist "$plist" --log "$log" &
standin=$!
stop_standin() {
  kill "$standin" 2>/dev/null || true
  wait "$standin" 2>/dev/null || true
  rm -f "$plist"
}
trap stop_standin EXIT
for _ in $(seq 1 300); do
  [ -f "$plist" ] && break
  if ! kill -0 "$standin" 2>/dev/null; then
    echo "start-app: the stand-in site did not start" >&2
    exit 1
  fi
  sleep 0.1
done
echo "start-app: the stand-in site serves the app (log: $log); account: reader / shijing305" >&2
status=0
"$app" "$@" || status=$?
exit "$status"
