#!/usr/bin/env bash
# The bookshelf of the real application under a virtual X display, driven
# with xdotool, in a fresh home with the stand-in site: the agreement, the
# stand-in's site shelves after a login, a TXT and a UMD book from
# Documents/ put on the local shelf, grid and list, edit mode, a book opened
# in the reader and its last-read line after returning.
# Screenshots are kept and checked where their pixels carry the behaviour.
# The tour runs in the phone's window or the tablet's (the default window),
# its taps placed from that window's size.
#   shelf_xvfb_test.sh <bin folder> <artifacts dir> <source dir> [phone|tablet]
set -u
bin=$1 art=$2 src=$3
. "$(dirname "$0")/xvfb_support.sh"
use_size "${4:-phone}"
xvfb_start $(tablet && echo 341 || echo 301)
# The tab bar along the bottom: four tabs on the main screen.
tab_y=$((H - 25))
main_tab() { tap $((W / 8 + $1 * W / 4)) "$tab_y"; }

# Two books in Documents before the first start.
mkdir -p "$data/Documents"
python3 - "$data/Documents/novel.txt" <<'EOF'
import sys
text = "第一章 开端\n" + "天色渐晚，山路上行人稀少。" * 60 + "\n第二章 转折\n" + "第二天一早，雨停了。" * 60 + "\n"
open(sys.argv[1], "w", encoding="utf-8").write(text)
EOF
python3 "$src/tests/app/make_umd.py" "$data/Documents/story.umd" "石头记" "第一回" "甄士隐梦幻识通灵，贾雨村风尘怀闺秀。" \
  "第二回" "贾夫人仙逝扬州城，冷子兴演说荣国府。" || fail "no UMD book"

start_app bash "$src/scripts/start-app.sh" "$bin" "${size_args[@]}"

# The agreement comes up over the first screen: its light page covers the
# dark tab bar.
await_agreement
shot agreement
# A fresh home starts with the agreement; its left button agrees (a
# 20-point status bar above the view).
tap $((W / 4)) $((H - 33))
sleep 1
shot site-shelf
[ "$(sql "select Value from setting where Key='rzxy'")" = 1 ] || fail "agreeing did not store the setting"
pct=$(differs "$art/agreement.png" "$art/site-shelf.png" 0 20 $W $((H - 50)))
over "$pct" 30 || fail "the agreement did not give way to the shelf ($pct%)"
# The store tab takes the first-run hint over it away.
main_tab 2
tap 30 42
shot site-shelf-no-hint
pct=$(differs "$art/site-shelf.png" "$art/site-shelf-no-hint.png" $((W / 2 - 10)) $((H - 150)) $((W / 2 + 110)) $((H - 40)))
over "$pct" 10 || fail "the store hint did not go ($pct%)"

# The site shelf is empty until it is synchronised: its guide asks for the
# login (the stand-in's reader), then the four site shelves arrive.
click $((W / 2)) $((H / 2 + 15))
for _ in $(seq 100); do
  sleep 0.2
  peek login
  pct=$(differs "$art/site-shelf.png" "$work/login.png" 0 84 $W 220)
  over "$pct" 20 && break
done
sleep 1
fill_login
shot login-filled
# The login button, 38 high under the fields at either size.
click $((W / 2)) 203
site_books() { sql "select count(*) from book where RZBookId!=-999"; }
for _ in $(seq 150); do [ "$(site_books)" = 4 ] && break; sleep 0.2; done
[ "$(site_books)" = 4 ] || fail "the site shelves did not arrive after the login"
sleep 1.5
shot site-shelf-synced
pct=$(differs "$art/site-shelf.png" "$art/site-shelf-synced.png" 0 90 $W $((H - 80)))
echo "site shelf: $pct% of the shelf area changed after the sync"
over "$pct" 2 || fail "the site shelf shows no books"
# The note that the shelf was saved holds the screen's taps until it goes.
await_look 10 differ "$art/site-shelf-synced.png" $((W / 2 - 60)) $((H / 2 - 30)) $((W / 2 + 60)) $((H / 2 + 40)) || fail "the shelf's saved note stayed"
still 0.3 12

# The empty local shelf's guide leads to the import screen, whose rows put the
# books on the shelf.
main_tab 1
tap $((W / 2)) $((H / 2 + 10))
on_shelf() { sql "select count(*) from book where RZBookId=-999"; }
for y in 86 98 110 122 134 146 158 170 182 194 206 218 230; do
  before=$(on_shelf)
  click $((W / 2)) "$y"
  sleep 0.4
  after=$(on_shelf)
  [ "${after:-0}" -lt "${before:-0}" ] && { click $((W / 2)) "$y"; sleep 0.4; }
  [ "$(on_shelf)" = 2 ] && break
done
shot import
[ "$(on_shelf)" = 2 ] || fail "the import screen did not put both books on the shelf"
tap 30 42

# Both books were last read long ago (the import marks them read now).
old=1577880000
sql "update book set LastReadTime=$old where RZBookId=-999"

# The local shelf in the grid: two tiles where the site shelf had none.
main_tab 1
shot local-grid
pct=$(differs "$art/site-shelf.png" "$art/local-grid.png" 0 90 $W $((H - 80)))
echo "grid: $pct% of the shelf area changed"
over "$pct" 2 || fail "the local grid shows no books"

# Edit mode in the grid shows the edit bar over the tab bar.
tap $((W - 36)) 42
shot local-grid-edit
pct=$(differs "$art/local-grid.png" "$art/local-grid-edit.png" 0 $((H - 49)) $W $H)
over "$pct" 20 || fail "no edit bar ($pct%)"
tap $((W - 36)) 42

# The title opens the category menu over the shelf, with the local shelf's
# add field; a name typed there and added becomes a category of its own, and
# the menu's close button takes it away again. The menu stands centred, 250
# points wide on the phone down to the tab bar, 500 wide and 320 high on a
# tablet.
tap $((W / 2)) 42
shot local-category-menu
pct=$(differs "$art/local-grid.png" "$art/local-category-menu.png" 0 64 $W $((H - 50)))
over "$pct" 30 || fail "no category menu ($pct%)"
if tablet; then menu_x=134 menu_w=500 add_y=358; else menu_x=35 menu_w=250 add_y=428; fi
categories() { sql "select count(*) from category where Name='nook'"; }
# On the phone the menu rises with the field's keyboard, and a busy machine
# may read the keys late: the typed name is looked for in the field first.
type_text $((menu_x + 95)) "$add_y" "nook" $((menu_x + 5)) $((add_y - 80)) $((menu_x + 180)) $((add_y + 12))
sleep 0.5
shot local-category-typing
# The add button at the field's right, where the field now stands.
for _ in $(seq 3); do
  for y in "$add_y" $((add_y - 60)) $((add_y - 120)) $((add_y - 180)); do
    click $((menu_x + menu_w - 29)) "$y"
    sleep 0.5
    [ "$(categories)" = 1 ] && break 2
  done
done
[ "$(categories)" = 1 ] || fail "the added category was not stored"
sleep 1
shot local-category-added
pct=$(differs "$art/local-category-menu.png" "$art/local-category-added.png" $menu_x 100 $((menu_x + menu_w)) 180)
over "$pct" 0.5 || fail "the added category does not show in the menu ($pct%)"
tap $((menu_x + 35)) 78
shot local-grid-menu-closed
pct=$(differs "$art/local-grid.png" "$art/local-grid-menu-closed.png" 0 64 $W $((H - 50)))
over "$pct" 1 && fail "the category menu did not go ($pct%)"

# The list: rows with names and last-read lines.
tap 36 42
shot local-list
pct=$(differs "$art/local-grid.png" "$art/local-list.png" 0 90 $W $((H - 80)))
over "$pct" 2 || fail "the list looks like the grid"

# Open a book from the list: the reader records when it was read.
read_at() { sql "select max(LastReadTime) from book where RZBookId=-999"; }
opened=
for y in 150 130 170 190 110 210; do
  click $((W / 2)) "$y"
  for _ in $(seq 30); do
    [ "$(read_at)" -gt "$old" ] 2>/dev/null && { opened=1; break 2; }
    sleep 0.1
  done
done
[ -n "$opened" ] || fail "no book opened"
sleep 1.5
shot reader
pct=$(differs "$art/local-list.png" "$art/reader.png" 0 90 $W $((H - 80)))
over "$pct" 10 || fail "the reader does not show"
# The first start of the reader shows its help sheet, which a tap closes;
# then the page's middle opens the menu, whose first button goes back.
tap $((W / 2)) $((H / 2))
shot reader-page
for try in 1 2 3; do
  tap $((W / 2)) $((H / 2))
  shot reader-menu-$try
  pct=$(differs "$art/reader-page.png" "$art/reader-menu-$try.png" 0 20 $W 64)
  over "$pct" 5 && break
  cp "$art/reader-menu-$try.png" "$art/reader-page.png"
done
tap 29 32
# Back on the list: the shelf reloaded its books when the reader came up, so
# the book read shows its new last-read line. The table reloaded in place may
# now show its search bar over the rows, which then sit 44 points lower.
sleep 1
shot local-list-after
# The rows' text stands at the left, on a tablet in a row far wider: the
# part looked at is the rows' left half there.
list_w=$(tablet && echo $((W / 2)) || echo "$W")
pct=$(differs "$art/local-list.png" "$art/local-list-after.png" 0 90 "$list_w" 330)
lower=$(differs "$art/local-list.png" "$art/local-list-after.png" 0 90 "$list_w" 330 44)
over "$pct" "$lower" && pct=$lower
echo "list: $pct% of the shelf area changed after reading"
over "$pct" 0.3 && ! over "$pct" 30 || fail "the list shows no new last-read line"
kill -0 "$app" 2>/dev/null || fail "the app died"
echo "ok: screenshots in $art"
