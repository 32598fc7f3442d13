# Shared by the scripts that drive the real application under a virtual X
# display: the display, the app in a fresh home, screenshots taken on SIGUSR1,
# taps that wait for the screen to settle, and questions about the pictures.
# A script sets `art` (where kept screenshots go) and sources this file; it
# then calls xvfb_start with the first display number of its own range, so
# tests running side by side never share a display.
# The app runs with its repaint check on: a frame drawn in part that differs
# from a full redraw ends it with "repaint mismatch: ..." and fails the test.
for tool in Xvfb xdotool sqlite3 python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
xvfb_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d /tmp/pw-xvfb-XXXXXX)
mkdir -p "$art" "$work/shots"
# The compiled picture probe the tests are given (see png_probe.cpp).
[ -x "${PW_PNG_PROBE:-}" ] || { echo "FAIL: PW_PNG_PROBE names no picture probe"; exit 1; }
data="$work/.local/share/pagewell"
db="$data/Documents/torvane/main/main.rz"
xpid= apid= app= win= shots=0
# A tour pauses and looks thousands of times, and a busy two-core machine
# takes tens of milliseconds to start each process: `sleep` here waits on a
# pipe that never speaks, inside the shell.
exec {nap_fd}<> <(:)
sleep() { read -rt "$1" -u "$nap_fd" || :; }
# The window in points; the phone's unless a script chose a size.
W=320 H=480 size=phone size_args=(--phone)

# use_size <phone|tablet>: the window a script's tour runs in (the phone's
# 320 x 480 with --phone, or the default 768 x 1024 tablet window); taps and
# pictures are then read in that window's points.
use_size() {
  case "$1" in
    phone) W=320 H=480 size=phone size_args=(--phone) ;;
    tablet) W=768 H=1024 size=tablet size_args=() ;;
    *) echo "unknown size $1"; exit 2 ;;
  esac
  export PW_POINTS_WIDTH=$W
}
tablet() { [ "$size" = tablet ]; }

stop_app() {
  [ -n "$apid" ] && kill "$apid" 2>/dev/null && wait "$apid" 2>/dev/null
  apid= app=
}
# The first frame that differed from a full redraw, with both pictures kept.
repaint_mismatch() {
  [ -f "$work/app.log" ] || return 1
  local line
  line=$(grep -m1 '^repaint mismatch:' "$work/app.log") || return 1
  echo "$line"
  cp "$work"/shots/repaint-mismatch-*.png "$art/" 2>/dev/null
  return 0
}
xvfb_cleanup() {
  local rc=$?
  stop_app
  if [ "$rc" = 0 ] && repaint_mismatch >/dev/null; then
    echo "FAIL: $(repaint_mismatch)"
    rc=1
  fi
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
  exit "$rc"
}
trap xvfb_cleanup EXIT
# The app's whole log stays beside the screenshots for a failure's reader.
fail() {
  echo "FAIL: $*"
  repaint_mismatch
  [ -f "$work/app.log" ] && { tail -20 "$work/app.log"; cp "$work/app.log" "$art/app.log"; }
  exit 1
}

# xvfb_start <first display number>: a screen on a free display, large enough
# for the tablet's 768 x 1024 window.
xvfb_start() {
  local d disp=
  for d in $(seq "$1" $(($1 + 69))); do
    if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then disp=$d; break; fi
  done
  [ -n "$disp" ] || fail "no free display"
  Xvfb ":$disp" -screen 0 "${xvfb_screen:-800x1100x24}" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xpid=$!
  export DISPLAY=":$disp"
  for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  xdotool getmouselocation >/dev/null 2>&1 || { echo "SKIP: Xvfb did not start"; exit 77; }
}

# start_app <command...>: the app (or the script that starts it with the
# stand-in site) in the fresh home, up to its window and main database.
start_app() {
  HOME="$work" PAGEWELL_SCREENSHOT_ON_SIGNAL="$work/shots" PAGEWELL_VERIFY_REPAINT=1 LSAN_OPTIONS=detect_leaks=0 \
    "$@" >>"$work/app.log" 2>&1 &
  apid=$!
  win=$(timeout 30 xdotool search --sync --name '^Pagewell$' | head -1)
  [ -n "$win" ] || fail "no window"
  for _ in $(seq 100); do [ -f "$db" ] && break; sleep 0.1; done
  [ -f "$db" ] || fail "no main database"
  # The app itself, also when a script started it.
  app=$(pgrep -P "$apid" -x pagewell | head -1)
  [ -n "$app" ] || app=$apid
  shots=0
  rm -f "$work"/shots/shot-* "$work/shots/request"
}

# A fresh home's first screen waits for the agreement: its light page comes
# up over the dark tab bar.
await_agreement() {
  local _
  for _ in $(seq 100); do
    peek now
    set -- $(pixel "$work/now.png" 10 $((H - 10)))
    [ "${1:-0}" -gt 150 ] && break
    sleep 0.2
  done
  sleep 1
}

# wait_for <tenths of a second> <shell condition>: waits for the condition.
wait_for() {
  local n=$1 i
  shift
  for ((i = 0; i < n; i++)); do eval "$*" && return 0; sleep 0.1; done
  eval "$*"
}

# Fills the login screen's two fields with the stand-in's reader.
fill_login() {
  click $((W / 2)) 100
  sleep 0.3
  xdotool type --delay 50 "reader"
  click $((W / 2)) 150
  sleep 0.3
  xdotool type --delay 50 "shijing305"
  sleep 0.3
}

# type_text <x> <y> <text> <x0> <y0> <x1> <y1>: taps a text field and types
# into it until its box (in points) shows a change. Text outside the keyboard
# map goes through a key xdotool borrows for the moment, and a busy machine
# can read that key after it was given back, so a lost try is cleared and
# typed again.
type_text() {
  local x=$1 y=$2 text=$3 _
  shift 3
  for _ in 1 2 3; do
    click "$x" "$y"
    sleep 0.5
    peek typed-before
    xdotool type --delay 80 "$text"
    sleep 0.5
    peek typed-after
    probe differ "$work/typed-before.png" "$work/typed-after.png" "$@" >/dev/null && return 0
    xdotool key --repeat 12 BackSpace
  done
  fail "typing \"$text\" never showed in the field"
}

# A screenshot kept under the artefacts as <name>.png, or (peek) one only
# looked at, kept in the work folder. The app writes the picture to the path
# asked for in shots/request and then removes the request: once it is gone,
# the picture is whole (it was written beside and renamed).
grab() {
  local i
  shots=$((shots + 1))
  printf '%s\n' "$1" >"$work/shots/request"
  kill -USR1 "$app"
  for ((i = 0; i < 400; i++)); do [ -e "$work/shots/request" ] || break; sleep 0.025; done
  [ ! -e "$work/shots/request" ] || fail "no screenshot $1"
}
shot() { grab "$art/$1.png"; }
peek() { grab "$work/$1.png"; }
same() { cmp -s "$work/$1.png" "$work/$2.png"; }
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
sql() { sqlite3 "$db" "$1" 2>/dev/null; }

# Taps, then waits (the machine may be busy) until the screen changed and
# stands still again; an animation that goes on (a spinner) ends the wait
# after a few seconds.
tap() {
  local i
  peek before
  click "$1" "$2"
  for ((i = 0; i < 80; i++)); do
    sleep 0.15
    peek now
    same before now || break
  done
  still 0.3 12
}

# still [seconds between looks] [looks]: waits until two looks that far
# apart show the same picture, which is then in now.png (the looks take
# turns at two files, so nothing is copied).
still() {
  local gap=${1:-0.5} n=${2:-20} i a=now b=next t
  peek now
  for ((i = 0; i < n; i++)); do
    sleep "$gap"
    peek "$b"
    same "$a" "$b" && return 0
    t=$a a=$b b=$t
  done
  return 0
}

# await_look <seconds> <op> [picture] <box...>: looks at the screen every half
# second until the probe's <op> answers yes for it (differ and same compare
# <picture> with the screen), or the time is up.
await_look() {
  local n=$1 op=$2 i
  shift 2
  for ((i = 0; i < n * 2; i++)); do
    peek look
    case "$op" in
      differ|same) probe "$op" "$1" "$work/look.png" "${@:2}" >/dev/null && return 0 ;;
      *) probe "$op" "$work/look.png" "$@" >/dev/null && return 0 ;;
    esac
    sleep 0.5
  done
  return 1
}

# Pictures named by path: see png_probe.cpp.
probe() { "$PW_PNG_PROBE" "$@"; }
differs() { probe diff "$@"; }
pixel() { probe pixel "$@"; }
over() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 > b + 0) }'; }
# check <what> <op> <kept screenshot names and numbers...>: fails the test
# with what was seen when the kept pictures do not answer yes.
check() {
  local what=$1 op=$2 a
  shift 2
  local args=()
  for a in "$@"; do
    if [ -f "$art/$a.png" ]; then args+=("$art/$a.png"); else args+=("$a"); fi
  done
  probe "$op" "${args[@]}" >/dev/null || fail "$what ($op $*: $(probe "$op" "${args[@]}"))"
}
