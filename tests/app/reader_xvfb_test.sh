#!/usr/bin/env bash
# The reading screen in the real application under a virtual X display,
# driven with xdotool: a TXT book opens from the local shelf, its help sheet
# goes for good, a tap turns the page, a tap in the middle opens the menus, the
# settings panel makes the letters bigger and the colour box paints the page,
# the contents jump to a chapter, and the book reopens from the shelf on the page it was left at. Screenshots
# are kept and checked where their pixels carry the behaviour.
#   reader_xvfb_test.sh <pagewell> <artifacts dir> <book writer>
set -u
exe=$1 art=$2 writer=$3
. "$(dirname "$0")/xvfb_support.sh"
xvfb_start 161

# A first start makes the database; the book goes on the local shelf as the
# import screen would put it there, and the agreement counts as accepted.
start_app "$exe" --phone
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

start_app "$exe" --phone
sleep 1
# Menus slide in over 0.5 s of the app's clock; a book opens after 0.6 s.
settle() { sleep 1; }

# The phone's 320 x 480 window; the shelf's tabs sit along the bottom.
click 120 455
settle
shot shelf
click 53 160
sleep 2
shot reader-help
if probe same "$art/shelf.png" "$art/reader-help.png" 0 0 320 480 >/dev/null; then
  fail "a tap on the book left the shelf as it was"
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
# The contents from the menu's side button: the book's chapters, parsed from
# the file at this first opening; a tap on one closes the list and the page
# moves to that chapter. A tap beside the panel closes the menus first.
click 290 400
settle
tap 160 240
shot reader-menu-again
tap 30 120
for _ in $(seq 40); do
  peek contents
  probe ink "$work/contents.png" 10 150 250 470 >/dev/null && break
  sleep 0.5
done
shot reader-contents
check "the contents list the chapters" ink reader-contents 10 150 250 470
tap 120 310
settle
shot reader-jumped
check "a chapter picked in the contents moves the page" differ reader-colours reader-jumped 0 0 320 440
check "the picked chapter shows as a page" ink reader-jumped 0 0 320 440
# Closing the menus, back to the shelf by "书架", and the book again.
# The turn is left to settle whole: the page kept is the one to come back to.
tap 290 400
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
