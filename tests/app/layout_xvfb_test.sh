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
xvfb_start 701

# white <shot> <x> <y>: the point is (nearly) white, as inside a text field.
white() {
  set -- $(pixel "$art/$1.png" "$2" "$3")
  [ "$1" -gt 245 ] && [ "$2" -gt 245 ] && [ "$3" -gt 245 ]
}
# spans <what> <shot> <y> <x0> <x1>: a white run from x0 to x1 at y, with the
# page's patterned background just outside it on both sides.
spans() {
  local what=$1 shot=$2 y=$3 x0=$4 x1=$5
  white "$shot" $((x0 + 3)) "$y" || fail "$what does not start at x $x0 ($(pixel "$art/$shot.png" $((x0 + 3)) "$y"))"
  white "$shot" $((x1 - 3)) "$y" || fail "$what does not reach x $x1 ($(pixel "$art/$shot.png" $((x1 - 3)) "$y"))"
  ! white "$shot" $((x0 - 4)) "$y" || fail "$what starts left of x $x0"
  ! white "$shot" $((x1 + 4)) "$y" || fail "$what reaches past x $x1"
}
# face <shot> <x> <y>: a button's bluish-grey face, not the beige page.
face() {
  set -- $(pixel "$art/$1.png" "$2" "$3")
  [ "$3" -gt "$1" ]
}
# button_spans <what> <shot> <y> <x0> <x1>: the button's face from x0 to x1 at y.
button_spans() {
  local what=$1 shot=$2 y=$3 x0=$4 x1=$5
  face "$shot" $((x0 + 4)) "$y" || fail "$what does not start at x $x0"
  face "$shot" $((x1 - 4)) "$y" || fail "$what does not reach x $x1"
  ! face "$shot" $((x0 - 6)) "$y" || fail "$what starts left of x $x0"
  ! face "$shot" $((x1 + 6)) "$y" || fail "$what reaches past x $x1"
}
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
  # Fields at x 100 and W - 200 wide on a tablet, x 30 and W - 60 on a phone;
  # buttons at x 120 and W - 240, or x 60 and W - 120.
  local fx bx
  if [ "$w" -ge 768 ]; then fx=100 bx=120; else fx=30 bx=60; fi
  spans "the account field" "$name-login" 99 "$fx" $((w - fx))
  spans "the password field" "$name-login" 150 "$fx" $((w - fx))
  # Buttons 38 high: 20 apart on a tablet, 15 on a phone, under the fields.
  local gap=15 y
  [ "$w" -ge 768 ] && gap=20
  for y in $((166 + gap + 19)) $((166 + 2 * gap + 38 + 19)) $((166 + 3 * gap + 76 + 19)); do
    button_spans "the button at y $y" "$name-login" "$y" "$bx" $((w - bx))
  done
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
