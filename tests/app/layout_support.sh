# Shared by the layout runs under Xvfb (sourced after xvfb_support.sh): checks
# of frames read from the pixels of kept screenshots, in the window's points.
# The window's width is in PW_POINTS_WIDTH.

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
# tablet: the window has the tablet's width.
tablet() { [ "$PW_POINTS_WIDTH" -ge 768 ]; }
# check_login <shot> [where]: the login screen's two fields at x 100 and
# W - 200 wide on a tablet (x 30 and W - 60 on a phone), its three buttons at
# x 120 and W - 240 (x 60 and W - 120), 38 high, 20 apart on a tablet and 15
# on a phone, under the fields.
check_login() {
  local shot=$1 where=${2:-} w=$PW_POINTS_WIDTH fx=30 bx=60 gap=15 y
  tablet && fx=100 bx=120 gap=20
  spans "the account field$where" "$shot" 99 "$fx" $((w - fx))
  spans "the password field$where" "$shot" 150 "$fx" $((w - fx))
  for y in $((166 + gap + 19)) $((166 + 2 * gap + 38 + 19)) $((166 + 3 * gap + 76 + 19)); do
    button_spans "the login button at y $y$where" "$shot" "$y" "$bx" $((w - bx))
  done
}
# runs_near <what> <want> <got>: two lists of "start-end" runs agree within a
# point at each end.
runs_near() {
  python3 - "$2" "$3" <<'PY' || fail "$1: want runs $2, saw ${3:-none}"
import sys
want, got = sys.argv[1].split(), sys.argv[2].split()
pairs = lambda runs: [tuple(map(int, r.split("-"))) for r in runs]
ok = len(want) == len(got) and all(abs(a - c) <= 1 and abs(b - d) <= 1 for (a, b), (c, d) in zip(pairs(want), pairs(got)))
sys.exit(0 if ok else 1)
PY
}
