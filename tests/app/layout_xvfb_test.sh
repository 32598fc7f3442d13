#!/usr/bin/env bash
# Screens of the real application laid out for their window under a virtual
# X display, at the tablet size (768 x 1024, the default window) and at the
# phone size (--phone): the login and registration screens from the settings
# screen's user row, with the widths of their fields and buttons read from
# the pixels. Screenshots are kept under the artifacts.
#   layout_xvfb_test.sh <bin folder> <artifacts dir> <source dir>
set -u
bin=$1 art=$2 src=$3
xvfb_screen=800x1100x24
. "$(dirname "$0")/xvfb_support.sh"
. "$(dirname "$0")/layout_support.sh"
xvfb_start 701

# Waits for the agreement's light page over the dark tab bar at y.
await_agreement_at() {
  local _
  for _ in $(seq 100); do
    peek now
    set -- $(pixel "$work/now.png" 10 "$1")
    [ "${1:-0}" -gt 150 ] && break
    sleep 0.2
  done
  sleep 1
}

# One size: the agreement, the settings tab, the login and registration.
#   size <name> <window width> <tab x of "更多"> <tab y> [app arguments]
size() {
  local name=$1 w=$2 tabx=$3 taby=$4
  shift 4
  export PW_POINTS_WIDTH=$w
  start_app bash "$src/scripts/start-app.sh" "$bin" "$@"
  await_agreement_at "$taby"
  tap $((w / 4)) $((taby - 10))
  sleep 1
  tap "$tabx" "$taby"
  shot "$name-settings"
  # The user row, under the bars and the first section's header.
  tap $((w / 2)) 121
  shot "$name-login"
  check_login "$name-login"
  local fx=30 bx=60 gap=15 y
  tablet && fx=100 bx=120 gap=20
  tap $((w / 2)) $([ "$w" -ge 768 ] && echo 321 || echo 305)
  shot "$name-registration"
  spans "the registration's account field" "$name-registration" 99 "$fx" $((w - fx))
  spans "the confirmation field" "$name-registration" 201 "$fx" $((w - fx))
  for y in $((217 + gap + 19)) $((217 + 2 * gap + 38 + 19)); do
    button_spans "the registration's button at y $y" "$name-registration" "$y" "$bx" $((w - bx))
  done
  kill "$app"
  stop_app
  rm -rf "$data"
}

size tablet 768 672 1000
size phone 320 280 455 --phone
kill -0 "$xpid" 2>/dev/null || fail "the display went away"
echo "ok: screenshots in $art"
