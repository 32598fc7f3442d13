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
. "$(dirname "$0")/xvfb_support.sh"
xvfb_start 301

# Two books in Documents before the first start.
mkdir -p "$data/Documents"
python3 - "$data/Documents/novel.txt" <<'EOF'
import sys
text = "第一章 开端\n" + "天色渐晚，山路上行人稀少。" * 60 + "\n第二章 转折\n" + "第二天一早，雨停了。" * 60 + "\n"
open(sys.argv[1], "w", encoding="utf-8").write(text)
EOF
python3 "$src/tests/app/make_umd.py" "$data/Documents/story.umd" "石头记" "第一回" "甄士隐梦幻识通灵，贾雨村风尘怀闺秀。" \
  "第二回" "贾夫人仙逝扬州城，冷子兴演说荣国府。" || fail "no UMD book"

start_app bash "$src/scripts/start-app.sh" "$bin" --phone

# The agreement comes up over the first screen: its light page covers the
# dark tab bar.
await_agreement
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
fill_login
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

# The title opens the category menu over the shelf, with the local shelf's
# add field; its close button takes it away again.
tap 160 42
shot local-category-menu
pct=$(differs "$art/local-grid.png" "$art/local-category-menu.png" 0 64 320 430)
over "$pct" 30 || fail "no category menu ($pct%)"
tap 70 78
shot local-grid-menu-closed
pct=$(differs "$art/local-grid.png" "$art/local-grid-menu-closed.png" 0 64 320 430)
over "$pct" 1 && fail "the category menu did not go ($pct%)"

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
# Back on the list: the shelf reloaded its books when the reader came up, so
# the book read shows its new last-read line. The table reloaded in place may
# now show its search bar over the rows, which then sit 44 points lower.
sleep 1
shot local-list-after
pct=$(differs "$art/local-list.png" "$art/local-list-after.png" 0 90 320 330)
lower=$(differs "$art/local-list.png" "$art/local-list-after.png" 0 90 320 330 44)
over "$pct" "$lower" && pct=$lower
echo "list: $pct% of the shelf area changed after reading"
over "$pct" 0.3 && ! over "$pct" 30 || fail "the list shows no new last-read line"
kill -0 "$app" 2>/dev/null || fail "the app died"
echo "ok: screenshots in $art"
