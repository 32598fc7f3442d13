#!/usr/bin/env bash
# More screens of the real application laid out for their window under a
# virtual X display, at the tablet size (768 x 1024) and the phone size
# (--phone), each checked where its pixels carry the layout:
#  - the import and Wi-Fi screens' header lines, wrapped whole;
#  - the local shelf's category menu, which stays where it is when its field
#    takes focus (the keyboard is a physical one);
#  - the reading screen's top bar, settings panel, bottom bar and percent box,
#    which hide the page behind them: over two different pages they look the
#    same; a bookmark's row with its "进度：" label and its description kept
#    in its own line;
#  - the store: its lists' disclosure indicators, the load-more footer's line
#    across the whole width (top list and search results), the login on each
#    way in (download, contents, profile), the site chapter list's download
#    labels, the purchase screen's bar with "全选" and "订阅";
#  - the shelf's search header waiting hidden after the store closes;
#  - the message centre's edit mode with its delete controls.
# Screenshots are kept under the artifacts, named <size>-<screen>.png.
#   layout2_xvfb_test.sh <bin folder> <artifacts dir> <source dir> [tablet|phone]
# One size alone when named (CTest runs the two side by side), else both.
set -u
bin=$1 art=$2 src=$3 only=${4:-}
xvfb_screen=800x1100x24
. "$(dirname "$0")/xvfb_support.sh"
. "$(dirname "$0")/layout_support.sh"
# The two sizes run side by side under CTest: each from a range of displays
# of its own, so that neither takes the other's.
case "$only" in
  phone) xvfb_start 881 ;;
  *) xvfb_start 811 ;;
esac

# Waits until two looks half a second apart show the same picture.
settle() { still 0.5 30; }
site_log() { cat "$data/tmp/standin-site.log" 2>/dev/null; }
# asked <text>: waits for a request to the stand-in holding the text, then
# for the screen to stand still.
asked() {
  want=$1
  wait_for 300 'site_log | grep -q -F -- "$want"' || { shot "$N-stuck"; fail "nobody asked the stand-in for $1"; }
  settle
}
# Drags from (x, y0) to (x, y1) in small steps, held still before letting go.
drag() {
  local x=$1 y0=$2 y1=$3 i n
  n=$(((y0 > y1 ? y0 - y1 : y1 - y0) / 20))
  xdotool mousemove --window "$win" "$x" "$y0" mousedown 1
  for i in $(seq "$n"); do
    xdotool mousemove --window "$win" "$x" $((y0 + (y1 - y0) * i / n))
    sleep 0.03
  done
  sleep 0.4
  xdotool mouseup 1
  settle
}
# retap <what> <x> <y> <x0> <y0> <x1> <y1>: taps until the box changes; a
# busy machine may lose the first tap after a start.
retap() {
  local what=$1 x=$2 y=$3 _
  shift 3
  for _ in 1 2 3 4; do
    peek retap-before
    tap "$x" "$y"
    probe differ "$work/retap-before.png" "$work/now.png" "$@" >/dev/null && return 0
    sleep 1
  done
  shot "$N-stuck"
  fail "$what did not change the screen"
}
# count <what> <shot> <x0> <y0> <x1> <y1> <r> <g> <b> <tol>: some points of
# that colour in the box; none <...>: not one.
count() {
  local what=$1 shot=$2
  shift 2
  probe count "$art/$shot.png" "$@" >/dev/null || fail "$what (no such points in $*)"
}
none() {
  local what=$1 shot=$2 n
  shift 2
  n=$(probe count "$art/$shot.png" "$@")
  [ "$n" = 0 ] || fail "$what ($n points in $*)"
}
# The text of the grouped tables' section titles, and any darker ink.
title_ink="76 86 108 20"
dark_ink="0 0 0 150"
# chevron <what> <shot> <y>: a row's disclosure indicator, 18 in from the
# right edge, at y.
chevron() { count "$1: no disclosure indicator" "$2" $((W - 30)) $(($3 - 10)) $((W - 10)) $(($3 + 10)) 128 128 128 20; }
# footer_line <what> <shot> <y0> <y1>: the load-more footer's top line, the
# first grey line under y0 at its left edge, runs the window's whole width.
footer_line() {
  local what=$1 shot=$2 y y0=$3 y1=$4 line=
  for y in $(seq "$y0" "$y1"); do
    set -- $(pixel "$art/$shot.png" 2 "$y")
    [ "$1" -lt 200 ] && { line=$y; break; }
  done
  [ -n "$line" ] || fail "$what: no footer line between y $y0 and $y1"
  set -- $(pixel "$art/$shot.png" 2 "$line")
  runs_near "$what: the footer's line at y $line" "0-$W" "$(probe runs "$art/$shot.png" "$line" 0 "$W" "$1" "$2" "$3" 6)"
}

# One size, in a fresh home: a first start makes the database, which then
# holds the agreement as accepted and two site messages; a book waits in
# Documents for the import screen.
#   session <name> <width> <height> [app arguments]
session() {
  N=$1 W=$2 H=$3
  shift 3
  export PW_POINTS_WIDTH=$W
  local tab=$((H - 25)) y
  mkdir -p "$data/Documents"
  "$bin/pw_write_poetry_book" "$data/Documents/book.txt" GB18030 long || fail "cannot write the book"
  start_app bash "$src/scripts/start-app.sh" "$bin" "$@"
  kill "$app"
  wait_for 100 '! kill -0 "$app" 2>/dev/null' || fail "the first start did not end"
  stop_app
  local now_ms=$(($(date +%s) * 1000))
  sqlite3 "$db" \
    "insert or replace into setting(Key, Value) values('rzxy', '1');" \
    "insert into message (Title, MType, IsRead, SaveTime, CreateDate, ExpireDate, Type, Status, UserId, Message, Key,
       Value, ClientType) values
     ('新书上架', 2, 0, 0, $((now_ms - 86400000)), 0, 1, 0, 0, '新书上架：诗经全本已可阅读。', '', '', 2),
     ('活动通知', 2, 0, 0, $now_ms, 0, 1, 0, 0, '本周订阅章节八折。', '', '', 2);" || fail "cannot seed the database"
  start_app bash "$src/scripts/start-app.sh" "$bin" "$@"
  sleep 1
  settle

  # ---- The import and Wi-Fi screens: the empty local shelf's guide leads to
  # the import screen, its right bar button to the Wi-Fi screen. Their header
  # lines wrap: on a phone the second line holds the end of the text.
  retap "the local shelf's tab" $((W * 3 / 8)) "$tab" $((W / 2 - 80)) 25 $((W / 2 + 80)) 60
  retap "the local shelf's guide" $((W / 2)) $((H / 2 + 10)) 0 64 "$W" $((H - 60))
  shot "$N-import"
  count "the import screen's header" "$N-import" 15 72 $((W - 15)) 90 $title_ink
  tablet || count "the import header's second line" "$N-import" 15 93 80 112 $title_ink
  tap $((W - 42)) 42
  shot "$N-wifi"
  count "the Wi-Fi screen's header" "$N-wifi" 15 72 $((W - 15)) 90 $title_ink
  tablet || count "the Wi-Fi header's second line, \"上传时请保持屏幕打开\"" "$N-wifi" 15 93 220 112 $title_ink
  tap 30 42
  # A tap on the book's row puts it on the shelf.
  on_shelf() { [ "$(sql "select count(*) from book where RZBookId=-999")" = 1 ]; }
  for y in 150 140 160; do
    click $((W / 2)) "$y"
    wait_for 30 on_shelf && break
  done
  on_shelf || fail "the import screen did not put the book on the shelf"
  tap 30 42
  settle

  # ---- The category menu: its field takes focus, nothing moves.
  tap $((W / 2)) 42
  shot "$N-category-menu"
  local mx=$(((W - 250) / 2)) fy=428
  tablet && mx=134 fy=358
  click $((mx + 95)) "$fy"
  sleep 1
  settle
  shot "$N-category-menu-focus"
  check "the category menu's title bar and close button stay where they were" \
    same "$N-category-menu" "$N-category-menu-focus" "$mx" 60 $((W - mx)) 100
  tap $((mx + 35)) 78
  settle

  # ---- The reader: the book from the local shelf, its help sheet gone.
  local bx=60 by=115
  tablet && bx=128 by=145
  peek shelf
  for y in "$by" $((by + 44)); do
    click "$bx" "$y"
    sleep 2
    settle
    peek opened
    probe differ "$work/shelf.png" "$work/opened.png" 0 64 "$W" $((H - 60)) >/dev/null && break
  done
  tap $((W / 2)) $((H - 25))
  settle
  local jump=218 settings=$((W - 40))
  tablet && jump=472
  # Opens the menus unless their top bar shows.
  menu() {
    peek menu
    set -- $(pixel "$work/menu.png" $((W / 2)) 30)
    [ "$1" -lt 80 ] || tap $((W / 2)) $((H / 2))
  }
  # panels <page>: the menus, the settings panel and the percent box over
  # the page as it stands.
  panels() {
    menu
    shot "$N-reader-menu-$1"
    tap "$settings" 42
    # The panel's buttons finish their look a moment after the panel stands.
    settle
    shot "$N-reader-settings-$1"
    tap $((W / 2)) $((H - 120))
    tap $((W / 2)) $((H / 2))
    tap "$jump" $((H - 25))
    shot "$N-reader-percent-$1"
    tap $((W / 2)) $((H / 3))
    settle
  }
  panels a
  # Two pages on: another page under the same panels.
  tap $((W - 20)) $((H / 2))
  tap $((W - 20)) $((H / 2))
  settle
  panels b
  check "the pages under the panels differ" differ "$N-reader-menu-a" "$N-reader-menu-b" 60 150 $((W - 60)) $((H - 150))
  local sp=300
  tablet || sp=290
  check "the page shows through the top bar" same "$N-reader-menu-a" "$N-reader-menu-b" 60 22 "$W" 62
  check "the page shows through the bottom bar" same "$N-reader-menu-a" "$N-reader-menu-b" 0 $((H - 55)) "$W" "$H"
  check "the page shows through the settings panel" same "$N-reader-settings-a" "$N-reader-settings-b" 0 66 "$W" $((sp - 4))
  # The percent box (its figure left out), 298 wide, centred over the bottom.
  check "the page shows through the percent box" same "$N-reader-percent-a" "$N-reader-percent-b" \
    $(((W - 298) / 2 + 8)) $((H - 92)) $(((W + 298) / 2 - 8)) $((H - 16))
  # A bookmark, then its row on the contents' bookmark tab.
  menu
  tap $([ "$W" -ge 768 ] && echo 208 || echo 42) $((H - 25))
  menu
  # The contents' side button, down the left edge.
  tap 30 $([ "$W" -ge 768 ] && echo 540 || echo 120)
  settle
  tap $((W * 3 / 4)) $((H - 25))
  settle
  shot "$N-bookmarks"
  count "the bookmark row's \"进度：\" label at the right" "$N-bookmarks" $((W - 60)) 99 $((W - 10)) 119 $dark_ink
  none "the bookmark's label reaches past the row's right" "$N-bookmarks" $((W - 8)) 99 "$W" 119 $dark_ink
  none "ink above the bookmark's description" "$N-bookmarks" 0 64 "$W" 71 $dark_ink
  none "the description over the creation time" "$N-bookmarks" 0 91 $((W - 120)) 97 $dark_ink
  tap 40 42
  menu
  tap 30 42
  settle

  # ---- The store: the home's groups, the top list, a search.
  tap $((W * 5 / 8)) "$tab"
  asked /BookStoreAPI/GetRecommendList.ashx
  settle
  shot "$N-store-home"
  local home_rows="229 329 429" tw=$((W / 5))
  tablet || home_rows="229 329"
  for y in $home_rows; do chevron "the store home's group at y $y" "$N-store-home" "$y"; done
  tap $((tw / 2 + tw)) "$tab"
  asked "GetIndex.ashx?type=0"
  shot "$N-store-rankings"
  chevron "the first ranking" "$N-store-rankings" 134
  tap $((W / 2)) 134
  asked "GetTopBooks"
  shot "$N-top-list"
  chevron "the top list's first book" "$N-top-list" 136
  tablet && footer_line "the top list" "$N-top-list" 920 960
  tap $((tw / 2 + 3 * tw)) "$tab"
  asked /BookStoreAPI/GetSearchTops.ashx
  type_text $((W / 3)) 86 "诗" 10 72 $((W / 2)) 100
  xdotool key Return
  asked "/api/SearchBooks.ashx?key=%E8%AF%97&p=1"
  shot "$N-search-results"
  chevron "the first result" "$N-search-results" 126
  footer_line "the search results" "$N-search-results" 430 450
  # The login on each way in: the details' download and contents, the profile.
  tap $((W / 2)) 126
  asked "GetBookDetail.ashx"
  shot "$N-details"
  local ct_x=$((W / 4)) ct=230
  tap $((W / 2)) 275
  shot "$N-login-download"
  check_login "$N-login-download" " (from the download)"
  tap 30 42
  tap "$ct_x" "$ct"
  shot "$N-login-contents"
  check_login "$N-login-contents" " (from the contents)"
  tap 30 42
  tap $((tw / 2 + 2 * tw)) "$tab"
  asked /BookStoreAPI/GetUserInfo.ashx
  shot "$N-login-profile"
  check_login "$N-login-profile" " (from the profile)"
  fill_login
  click $((W / 2)) 205
  asked "/BookStoreAPI/GetBookCase.ashx?t=0"
  shot "$N-profile"
  # The VIP shelf's book, its contents: the site chapter list.
  tap $((W / 2)) 267
  asked "GetBookDetail.ashx?BookId=1003"
  tap "$ct_x" "$ct"
  # The list comes when the site's chapters have arrived: its first label.
  wait_for 300 'peek chapters; probe count "$work/chapters.png" $((W - 60)) 133 $((W - 10)) 153 120 120 120 40 >/dev/null'
  settle
  shot "$N-chapters"
  # Each row's download label, 100 wide, 10 in from the right, 35 down.
  for y in 98 192; do
    count "the chapter row at y $y shows no \"未下载\"" "$N-chapters" $((W - 60)) $((y + 35)) $((W - 10)) $((y + 55)) 120 120 120 40
  done
  if tablet; then
    # "乡党篇", a paid chapter not bought: the purchase screen, page 2.
    tap 100 856
    asked "GetVipChapter.ashx?BookId=1003&ChapterId=12"
    tap $((W * 3 / 4)) 81
    asked "GetBuyChapterList.ashx"
    shot "$N-purchase-batch"
    # "全选" and "订阅": 130 x 35, 20 apart, centred, 5 under the bar's top.
    local x0=$(((W - 280) / 2))
    runs_near "the batch bar's buttons" "$((x0 + 1))-$((x0 + 129)) $((x0 + 151))-$((x0 + 279))" \
      "$(probe runs "$art/$N-purchase-batch.png" $((H - 14)) 0 "$W" 246 227 187 10)"
    set -- $(pixel "$art/$N-purchase-batch.png" $((x0 + 60)) $((H - 40)))
    [ "$1" -lt 220 ] || fail "the button's top edge is not 5 under the bar's top ($*)"
    set -- $(pixel "$art/$N-purchase-batch.png" $((x0 + 60)) $((H - 42)))
    [ "$1" -gt 220 ] || fail "the button starts above 5 under the bar's top ($*)"
    tap 30 42
  fi
  tap 30 42
  tap $((tw / 2 + 4 * tw)) "$tab"
  settle
  shot "$N-shelf-after-store"
  # The search header waits hidden above the shelf at offset 44.
  ! white "$N-shelf-after-store" $((W / 2)) 86 || fail "the search header shows after the store"

  # ---- The message centre, edit mode.
  tap $((W * 7 / 8)) "$tab"
  if tablet; then
    y=818
  else
    for _ in 1 2 3; do drag 160 420 60; done
    y=151
  fi
  tap $((W / 2)) "$y"
  shot "$N-messages"
  tap $((W - 38)) 42
  settle
  shot "$N-messages-edit"
  check "the rows move for their delete controls" differ "$N-messages" "$N-messages-edit" 0 64 60 150
  count "no delete control on the first row" "$N-messages-edit" 0 64 50 100 220 40 40 60
  count "no delete control on the second row" "$N-messages-edit" 0 100 50 150 220 40 40 60

  kill "$app"
  stop_app
  rm -rf "$data"
}

[ "$only" = phone ] || session tablet 768 1024
[ "$only" = tablet ] || session phone 320 480 --phone
kill -0 "$xpid" 2>/dev/null || fail "the display went away"
echo "ok: screenshots in $art"
