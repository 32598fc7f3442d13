#!/usr/bin/env bash
# The bookshelf of the real application under a virtual X display, driven
# with xdotool, in a fresh home with the stand-in site: the agreement, the
# stand-in's site shelves after a login, a TXT and a UMD book from
# Documents/ put on the local shelf, grid and list, edit mode, a book opened
# in the reader and its last-read line after returning.
# Screenshots are kept and checked where their pixels carry the behaviour.
#   shelf_xvfb_test.sh <bin folder> <artifacts dir> <source dir>
set -u
bin=$1 art=$2 src=$3
for tool in Xvfb xdotool sqlite3 python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/pw-shelf-xvfb-XXXXXX)
mkdir -p "$art" "$work/shots"
xpid= apid=
cleanup() {
  [ -n "$apid" ] && kill "$apid" 2>/dev/null && wait "$apid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; tail -20 "$work/app.log"; exit 1; }

disp=
for d in $(seq 301 370); do
  if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then disp=$d; break; fi
done
[ -n "$disp" ] || fail "no free display"
Xvfb ":$disp" -screen 0 400x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xpid=$!
export DISPLAY=":$disp"
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation >/dev/null 2>&1 || { echo "SKIP: Xvfb did not start"; exit 77; }

# Two books in Documents before the first start.
data="$work/.local/share/pagewell"
mkdir -p "$data/Documents"
python3 - "$data/Documents/novel.txt" <<'EOF'
import sys
text = "第一章 开端\n" + "天色渐晚，山路上行人稀少。" * 60 + "\n第二章 转折\n" + "第二天一早，雨停了。" * 60 + "\n"
open(sys.argv[1], "w", encoding="utf-8").write(text)
EOF
python3 "$src/tests/app/make_umd.py" "$data/Documents/story.umd" "石头记" "第一回" "甄士隐梦幻识通灵，贾雨村风尘怀闺秀。" \
  "第二回" "贾夫人仙逝扬州城，冷子兴演说荣国府。" || fail "no UMD book"

HOME="$work" PAGEWELL_SCREENSHOT_ON_SIGNAL="$work/shots" LSAN_OPTIONS=detect_leaks=0 \
  bash "$src/scripts/start-app.sh" "$bin" --phone >"$work/app.log" 2>&1 &
apid=$!
win=$(timeout 30 xdotool search --sync --name '^Pagewell$' | head -1)
[ -n "$win" ] || fail "no window"
db="$data/Documents/torvane/main/main.rz"
for _ in $(seq 100); do [ -f "$db" ] && break; sleep 0.1; done
app=$(pgrep -P "$apid" -x pagewell | head -1)
[ -n "$app" ] || fail "no app process"

shots=0
shot() {
  shots=$((shots + 1))
  kill -USR1 "$app"
  for _ in $(seq 100); do [ -f "$work/shots/shot-$shots.png" ] && break; sleep 0.05; done
  sleep 0.1
  cp "$work/shots/shot-$shots.png" "$art/$1.png" || fail "no screenshot $1"
}
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
sql() { sqlite3 "$db" "$1" 2>/dev/null; }
# Screenshots read back: "diff a b x0 y0 x1 y1" prints the share of pixels
# that differ inside the box, "pixel a x y" the colour at a point (points of
# the 320 x 480 window).
cat >"$work/png.py" <<'EOF'
import struct, sys, zlib
def load(path):
    data = open(path, "rb").read()
    pos, chunks, w, h, bpp = 8, b"", 0, 0, 3
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, colour = struct.unpack(">IIBB", body[:10])
            bpp = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + n
    raw, rows, stride, prev = zlib.decompress(chunks), [], w * bpp, bytearray(w * bpp)
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line)); prev = line
    return w, bpp, rows
if sys.argv[1] == "pixel":
    w, bpp, rows = load(sys.argv[2])
    s = w // 320
    x, y = int(sys.argv[3]) * s, int(sys.argv[4]) * s
    print(*rows[y][x * bpp:x * bpp + 3])
else:
    a, b = load(sys.argv[2]), load(sys.argv[3])
    x0, y0, x1, y1 = map(int, sys.argv[4:8])
    s = a[0] // 320
    diff = total = 0
    for y in range(y0 * s, y1 * s):
        for x in range(x0 * s, x1 * s):
            total += 1
            diff += a[2][y][x * a[1]:x * a[1] + 3] != b[2][y][x * b[1]:x * b[1] + 3]
    print(f"{100.0 * diff / max(total, 1):.1f}")
EOF
differs() { python3 "$work/png.py" diff "$@"; }
pixel() { python3 "$work/png.py" pixel "$@"; }
over() { python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) > float(sys.argv[2]) else 1)" "$1" "$2"; }
# A screenshot for waiting on, not kept.
peek() {
  shots=$((shots + 1))
  kill -USR1 "$app"
  for _ in $(seq 200); do [ -f "$work/shots/shot-$shots.png" ] && break; sleep 0.05; done
  sleep 0.05
  cp "$work/shots/shot-$shots.png" "$work/$1.png"
}
same() { cmp -s "$work/$1.png" "$work/$2.png"; }
# Taps, then waits (the machine may be busy) until the screen changed and
# stands still again; an animation that goes on (a spinner) ends the wait
# after a few seconds.
tap() {
  peek before
  click "$1" "$2"
  for _ in $(seq 80); do
    sleep 0.15
    peek now
    same before now || break
  done
  for _ in $(seq 12); do
    cp "$work/now.png" "$work/prev.png"
    sleep 0.3
    peek now
    same prev now && break
  done
}
settle() { sleep 0.5; }

# The agreement comes up over the first screen: its light page covers the
# dark tab bar.
for _ in $(seq 100); do
  peek now
  set -- $(pixel "$work/now.png" 10 470)
  [ "${1:-0}" -gt 150 ] && break
  sleep 0.2
done
sleep 1
shot agreement
# A fresh home starts with the agreement; its left button agrees (a
# 20-point status bar above the 320 x 460 view).
tap 90 447
sleep 1
shot site-shelf
[ "$(sql "select Value from setting where Key='rzxy'")" = 1 ] || fail "agreeing did not store the setting"
pct=$(differs "$art/agreement.png" "$art/site-shelf.png" 0 20 320 430)
over "$pct" 30 || fail "the agreement did not give way to the shelf ($pct%)"
# The store tab takes the first-run hint over it away.
tap 200 455
tap 30 42
shot site-shelf-no-hint
pct=$(differs "$art/site-shelf.png" "$art/site-shelf-no-hint.png" 150 330 270 440)
over "$pct" 10 || fail "the store hint did not go ($pct%)"

# The site shelf is empty until it is synchronised: its guide asks for the
# login (the stand-in's reader), then the four site shelves arrive.
click 160 255
for _ in $(seq 100); do
  sleep 0.2
  peek login
  pct=$(differs "$art/site-shelf.png" "$work/login.png" 0 84 320 220)
  over "$pct" 20 && break
done
sleep 1
click 160 100
sleep 0.3
xdotool type --delay 50 "reader"
click 160 150
sleep 0.3
xdotool type --delay 50 "shijing305"
sleep 0.3
shot login-filled
click 160 200
site_books() { sql "select count(*) from book where RZBookId!=-999"; }
for _ in $(seq 150); do [ "$(site_books)" = 4 ] && break; sleep 0.2; done
[ "$(site_books)" = 4 ] || fail "the site shelves did not arrive after the login"
sleep 1.5
shot site-shelf-synced
pct=$(differs "$art/site-shelf.png" "$art/site-shelf-synced.png" 0 90 320 400)
echo "site shelf: $pct% of the shelf area changed after the sync"
over "$pct" 2 || fail "the site shelf shows no books"

# The empty local shelf's guide leads to the import screen, whose rows put the
# books on the shelf.
tap 120 455
tap 160 250
on_shelf() { sql "select count(*) from book where RZBookId=-999"; }
for y in 86 98 110 122 134 146 158 170 182 194 206 218 230; do
  before=$(on_shelf)
  click 160 "$y"
  sleep 0.4
  after=$(on_shelf)
  [ "${after:-0}" -lt "${before:-0}" ] && { click 160 "$y"; sleep 0.4; }
  [ "$(on_shelf)" = 2 ] && break
done
shot import
[ "$(on_shelf)" = 2 ] || fail "the import screen did not put both books on the shelf"
tap 30 42

# Both books were last read long ago (the import marks them read now).
old=1577880000
sql "update book set LastReadTime=$old where RZBookId=-999"

# The local shelf in the grid: two tiles where the site shelf had none.
tap 120 455
shot local-grid
pct=$(differs "$art/site-shelf.png" "$art/local-grid.png" 0 90 320 400)
echo "grid: $pct% of the shelf area changed"
over "$pct" 2 || fail "the local grid shows no books"

# Edit mode in the grid shows the edit bar over the tab bar.
tap 284 42
shot local-grid-edit
pct=$(differs "$art/local-grid.png" "$art/local-grid-edit.png" 0 431 320 480)
over "$pct" 20 || fail "no edit bar ($pct%)"
tap 284 42

# The list: rows with names and last-read lines.
tap 36 42
shot local-list
pct=$(differs "$art/local-grid.png" "$art/local-list.png" 0 90 320 400)
over "$pct" 2 || fail "the list looks like the grid"

# Open a book from the list: the reader records when it was read.
read_at() { sql "select max(LastReadTime) from book where RZBookId=-999"; }
opened=
for y in 150 130 170 190 110 210; do
  click 160 "$y"
  for _ in $(seq 30); do
    [ "$(read_at)" -gt "$old" ] 2>/dev/null && { opened=1; break 2; }
    sleep 0.1
  done
done
[ -n "$opened" ] || fail "no book opened"
sleep 1.5
shot reader
pct=$(differs "$art/local-list.png" "$art/reader.png" 0 90 320 400)
over "$pct" 10 || fail "the reader does not show"
# The first start of the reader shows its help sheet, which a tap closes;
# then the page's middle opens the menu, whose first button goes back.
tap 160 240
shot reader-page
for try in 1 2 3; do
  tap 160 240
  shot reader-menu-$try
  pct=$(differs "$art/reader-page.png" "$art/reader-menu-$try.png" 0 20 320 64)
  over "$pct" 5 && break
  cp "$art/reader-menu-$try.png" "$art/reader-page.png"
done
tap 29 32
# A fresh load of the local shelf, as before reading.
tap 40 455
tap 120 455
shot local-list-after
pct=$(differs "$art/local-list.png" "$art/local-list-after.png" 0 90 320 400)
echo "list: $pct% of the shelf area changed after reading"
over "$pct" 0.3 && ! over "$pct" 30 || fail "the list shows no new last-read line"
kill -0 "$app" 2>/dev/null || fail "the app died"
echo "ok: screenshots in $art"
