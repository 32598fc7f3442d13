#!/usr/bin/env bash
# The reading screen in the real application under a virtual X display,
# driven with xdotool: a TXT book opens from the local shelf, its help sheet
# goes for good, a tap turns the page, a tap in the middle opens the menus, the
# settings panel makes the letters bigger and the colour box paints the page,
# the contents jump to a chapter, and the book reopens from the shelf on the page it was left at. Screenshots
# are kept and checked where their pixels carry the behaviour. The tour runs
# in the phone's window or the tablet's (the default window), its taps placed
# from that window's size.
#   reader_xvfb_test.sh <pagewell> <artifacts dir> <book writer> [phone|tablet]
set -u
exe=$1 art=$2 writer=$3
. "$(dirname "$0")/xvfb_support.sh"
use_size "${4:-phone}"
xvfb_start $(tablet && echo 201 || echo 161)

# A first start makes the database; the book goes on the local shelf as the
# import screen would put it there, and the agreement counts as accepted.
start_app "$exe" "${size_args[@]}"
stop_app
# A GB18030 book the size of a long novel, made from the chinese-poetry classics.
"$writer" "$data/Documents/book.txt" GB18030 long || fail "cannot write the book"
sqlite3 "$data/Documents/torvane/main/main.rz" \
  "insert or replace into setting(Key, Value) values('rzxy', '1');" \
  "insert into book (RZBookId, BookName, Cover, FilePath, Position, Position2, Type, FileSize, LastReadTime,
     LastReadChapter, ReadPercent, CategoryId, Author, RZUserId, Status, ExtInt1, ExtInt2, ExtInt3, ExtInt4, ExtInt5,
     ExtString1, ExtString2, ExtString3, ExtString4, ExtString5, ExtFloat1, ExtFloat2, ExtFloat3)
   values (-999, '诗书', '', 'book.txt', -1, -1, 'TXT', 0, strftime('%s', 'now'), '', 0, -1, '', -999, 0,
     -2, -2, -2, -2, -2, '', '', '', '', '', -2, -2, -2);" || fail "cannot seed the shelf"

start_app "$exe" "${size_args[@]}"
# Menus slide in over 0.5 s of the app's clock; a book opens after 0.6 s.
# Then two looks 0.4 s apart show the same picture (a busy machine draws late).
settle() { sleep 0.8; still 0.4 25; }
# The first screen is up when its dark tab bar is.
await_look 60 dark 0 $((H - 45)) $W $H 0.6 || fail "no tab bar"
peek first
# The shelf's tabs sit along the bottom; the book's tile is the local grid's
# first, 75 points wide on the phone and 120 on a tablet.
if tablet; then tile="128 145"; else tile="53 160"; fi
set -- $tile
tile_box="$(($1 - 20)) $(($2 - 40)) $(($1 + 20)) $(($2 + 40))"
for _ in 1 2 3; do
  click $((W / 8 + W / 4)) $((H - 25))
  await_look 10 differ "$work/first.png" $tile_box && break
done
settle
shot shelf
click $tile
# The help sheet darkens the page when the book is open.
await_look 60 dark 10 10 150 $((H - 10)) 0.8
settle
shot reader-help
if probe same "$art/shelf.png" "$art/reader-help.png" 0 0 $W $H >/dev/null; then
  fail "a tap on the book left the shelf as it was"
fi
check "the help sheet darkens the page" dark reader-help 10 10 150 $((H - 10)) 0.8
# "不再提示" at the foot of the sheet: gone now and at every later opening.
click $((W / 2)) $((H - 25))
settle
shot reader-page
page="0 0 $W $((H - 40))"
check "the page shows letters on paper" ink reader-page $page
click $((W - 30)) $((H * 5 / 8))
settle
shot reader-turned
check "a tap on the right turns the page" differ reader-page reader-turned $page
click $((W / 2)) $((H / 2))
settle
shot reader-menu
check "the top bar" dark reader-menu 0 22 $W 62 0.6
check "the bottom bar" dark reader-menu 0 $((H - 55)) $W $((H - 2)) 0.5
check "the status bar (clock, battery) over the page" count reader-menu 0 0 $W 19 255 255 255 40
click $((W - 40)) 42
settle
shot reader-settings
check "the settings panel" dark reader-settings 0 70 $W 290 0.5
click 119 85
sleep 0.4
click 119 85
settle
shot reader-font
check "bigger letters lay the page out again" differ reader-settings reader-font 0 310 $W $((H - 40))
click 90 178
settle
shot reader-colour-picker
check "the colour box's hue strip starts red" red reader-colour-picker $((W - 30)) 33
# A drag across the colour box, which spans the window's width but for the
# hue strip.
xdotool mousemove --window "$win" $((140 * W / 320)) 190 mousedown 1
for x in 145 150 155 160 165 170; do xdotool mousemove --window "$win" $((x * W / 320)) 190; sleep 0.05; done
xdotool mouseup 1
sleep 0.5
click 212 258
settle
shot reader-colours
check "the picked colour paints the page" blue reader-colours 4 400
# The contents from the menu's side button: the book's chapters, parsed from
# the file at this first opening; a tap on one closes the list and the page
# moves to that chapter. A tap beside the panel closes the menus first.
# A tap beside the panels: low on the page's right.
aside="$((W - 30)) $((H * 5 / 6))"
click $aside
settle
# The bottom bar's jump button shows the slider over the page; a tap beside
# it closes it.
bar_button() { tap $((W / 2 + ($1 - 2) * $(tablet && echo 88 || echo 58))) $((H - 27)); }
tap $((W / 2)) $((H / 2))
bar_button 3
shot reader-slider
check "the jump slider shows" differ reader-colours reader-slider $((W / 2 - 100)) $((H - 90)) $((W / 2 + 100)) $((H - 10))
tap $((W / 2)) $((H / 4))
# The bottom bar's settings button opens the settings screen; "完成" closes it.
tap $((W / 2)) $((H / 2))
bar_button 4
shot reader-settings-screen
check "the settings screen covers the page" differ reader-colours reader-settings-screen 0 64 $W $((H - 40))
tap $((W - 36)) 42
settle
# The menus open again (a tap in the middle closes them if they stayed).
for _ in 1 2 3; do
  tap $((W / 2)) $((H / 2))
  shot reader-menu-again
  probe dark "$art/reader-menu-again.png" 0 22 $W 62 0.6 >/dev/null && break
done
# The chapter button at the left: below the top bar on the phone, halfway
# down on a tablet.
tap 30 $(tablet && echo 540 || echo 120)
for _ in $(seq 40); do
  peek contents
  probe ink "$work/contents.png" 10 150 250 $((H - 10)) >/dev/null && break
  sleep 0.5
done
shot reader-contents
check "the contents list the chapters" ink reader-contents 10 150 250 $((H - 10))
# Its second tab, the bookmarks, and back to the chapters.
tap $((3 * W / 4)) $((H - 25))
shot reader-bookmarks
check "the bookmarks tab replaces the chapters" differ reader-contents reader-bookmarks 0 64 $W $((H - 50))
tap $((W / 4)) $((H - 25))
tap 120 310
settle
shot reader-jumped
check "a chapter picked in the contents moves the page" differ reader-colours reader-jumped $page
check "the picked chapter shows as a page" ink reader-jumped $page
# Closing the menus, back to the shelf by "书架", and the book again.
# The turn is left to settle whole: the page kept is the one to come back to.
tap $aside
shot reader-left
click $((W / 2)) $((H / 2))
settle
click 29 42
await_look 30 dark 0 $((H - 45)) $W $H 0.6 || fail "the shelf did not come back"
settle
shot shelf-again
click $tile
await_look 30 same "$art/reader-left.png" $page
settle
shot reader-reopened
check "the book reopens on the page it was left at" same reader-left reader-reopened $page
check "no help sheet any more" ink reader-reopened $page
echo "PASS: $shots screenshots in $art"
