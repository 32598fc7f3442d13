#!/usr/bin/env bash
# The account screens of the real application under a virtual X display,
# driven with xdotool, in a fresh home with the stand-in site: from the
# settings screen the login (and a look at the registration), the nickname
# and avatar after it; the choice lists, the update reminders, the message
# centre and a message, feedback and the about page; then a site book read up
# to a paid chapter, bought on the purchase screen and read; and the reader's
# interactions screen. Every screen is kept as a screenshot and checked where
# its pixels carry the behaviour. The tour runs in the phone's window or the
# tablet's (the default window), its taps placed from that window's size.
#   account_xvfb_test.sh <bin folder> <artifacts dir> <source dir> [phone|tablet]
set -u
bin=$1 art=$2 src=$3
. "$(dirname "$0")/xvfb_support.sh"
use_size "${4:-phone}"
xvfb_start $(tablet && echo 441 || echo 401)
main_tab() { tap $((W / 8 + $1 * W / 4)) $((H - 25)); }
# The bottom bar's buttons of the reading menu, 58 points apart on the phone
# and 88 on a tablet, around the middle.
bar_button() { tap $((W / 2 + ($1 - 2) * $(tablet && echo 88 || echo 58))) $((H - 27)); }
# An alert stands in the window's middle: its message box above, its two
# buttons below.
alert_x=$((W / 2 - 120)) alert_y=$((H / 2 - 25))

# Waits until the screen stands still (for a change that was not a tap).
settle() { still 0.3 20; }
# Drags from (x, y0) to (x, y1) in small steps, as a finger scrolls a list.
drag() {
  local x=$1 y0=$2 y1=$3 i n
  n=$(((y0 > y1 ? y0 - y1 : y1 - y0) / 20))
  xdotool mousemove --window "$win" "$x" "$y0" mousedown 1
  for i in $(seq "$n"); do
    xdotool mousemove --window "$win" "$x" $((y0 + (y1 - y0) * i / n))
    sleep 0.03
  done
  # Slowed to a stop before letting go, so the list does not glide on: the
  # app reads the speed from the last moves, which a busy machine may hand
  # it all at once.
  for i in 1 2 3 4; do
    xdotool mousemove --window "$win" "$x" $((y1 + (y0 > y1 ? 4 - i : i - 4)))
    sleep 0.2
  done
  sleep 0.4
  xdotool mouseup 1
  sleep 0.5
  settle
}
setting() { sql "select Value from setting where Key='$1'"; }
standin_log() { cat "$data/tmp/standin-site.log" 2>/dev/null; }
back() { tap 30 42; }

# A first start makes the database; the agreement counts as accepted, and the
# update poll left two site messages, one with an address.
start_app bash "$src/scripts/start-app.sh" "$bin" "${size_args[@]}"
# The app first, so its window is gone before the script and its stand-in.
kill "$app"
wait_for 100 '! kill -0 "$app" 2>/dev/null' || fail "the first start did not end"
stop_app
now_ms=$(($(date +%s) * 1000))
sqlite3 "$db" \
  "insert or replace into setting(Key, Value) values('rzxy', '1');" \
  "insert into message (Title, MType, IsRead, SaveTime, CreateDate, ExpireDate, Type, Status, UserId, Message, Key,
     Value, ClientType) values
   ('新书上架', 2, 0, 0, $((now_ms - 86400000)), 0, 1, 0, 0, '新书上架：诗经全本已可阅读。', '', '', 2),
   ('活动通知', 2, 0, 0, $now_ms, 0, 1, 0, 0, '本周订阅章节八折，详情请看活动页。', 'URL', 'http://127.0.0.1/act', 2);" \
  || fail "cannot seed the database"

start_app bash "$src/scripts/start-app.sh" "$bin" "${size_args[@]}"
sleep 1
settle

# ---- Settings, login and registration -------------------------------------
# The tab bar's "更多" opens the settings screen; nobody is logged in yet.
main_tab 3
shot settings
# The user row (the table starts under the 64-point bars, its first section
# header is 36 high): 42 high, no avatar at its right.
tap $((W / 2)) 121
shot login
[ -z "$(setting user_nickName)" ] || fail "a nickname before any login"
# The registration screen asks the account service whether a name is free.
# Buttons 38 high, 15 apart on the phone and 20 on a tablet.
tap $((W / 2)) $(tablet && echo 321 || echo 305)
shot registration
tap $((W / 2)) 100
xdotool type --delay 40 "newreader"
tap $((W / 2)) $(tablet && echo 256 || echo 250)
wait_for 50 'standin_log | grep -q "username/existence"' || fail "the name check did not reach the account service"
sleep 0.5
shot registration-name-free
check "the answer shows in an alert" blue registration-name-free $alert_x $alert_y
tap $((W / 2)) $((H / 2 + 25))
back
# The stand-in account logs in; the screen goes back to the settings.
tap $((W / 2)) 100
xdotool type --delay 40 "reader"
tap $((W / 2)) 150
xdotool type --delay 40 "shijing305"
shot login-filled
click $((W / 2)) 203
wait_for 150 '[ -n "$(setting user_nickName)" ]' || fail "no nickname stored after the login"
# The nickname and the avatar's code are stored one after the other.
wait_for 100 '[ -n "$(setting user_imageCode)" ]' || fail "no avatar code stored after the login"
avatar="$data/Documents/torvane/$(setting user_imageCode).jpg"
wait_for 100 '[ -s "$avatar" ]' || fail "no avatar file $avatar"
standin_log | grep -q "ZELLoginValidate.ashx?version=230&areaId=33&sessionid=" || fail "no validation request"
[ "$(setting vemoToken)" = vt-1000001 ] || fail "vemoToken is '$(setting vemoToken)'"
sleep 1.5
settle
shot settings-logged-in
echo "nickname: $(setting user_nickName)"
# The user row grows to 60 points with the nickname, "切换登录用户" and the
# avatar at its right edge.
check "the avatar shows at the user row's right" differ settings settings-logged-in $((W - 70)) 105 $((W - 20)) 155
check "the nickname replaces the login prompt" differ settings settings-logged-in 15 105 200 135

# The font-size list marks the current size in the middle of the screen; a
# tap moves the mark to the next size.
tap $((W / 2)) 437
shot choice-font
# The mark at the right of the row in the list's middle; the next size's row
# is 42 points lower.
middle=$(((64 + H) / 2 - 1))
check "the current size is marked" blue choice-font $((W - 29)) $middle
tap $((W / 2)) $((middle + 42))
shot choice-font-chosen
# The chosen row scrolls to the middle with its mark: the marked row now reads
# the next size.
check "the chosen row is marked" blue choice-font-chosen $((W - 29)) $middle
pct=$(differs "$art/choice-font.png" "$art/choice-font-chosen.png" 15 $((middle - 16)) 60 $((middle + 19)))
over "$pct" 3 || fail "the marked row did not change ($pct%)"
back
back

# ---- The site shelf, a site book read up to a paid chapter ----------------
main_tab 0
click $((W / 2)) $((H / 2 + 15))
site_books() { sql "select count(*) from book where RZBookId!=-999"; }
wait_for 150 '[ "$(site_books)" = 4 ]' || fail "the site shelves did not arrive after the login"
sleep 1
settle
shot site-shelf
# The VIP shelf's book (the Four Books): read a chapter on its own, from the
# sheet that rises from the bottom.
if tablet; then tap 128 145; else tap 60 115; fi
tap $((W / 2)) $((H - 99))
sleep 1
settle
shot chapter-list
# "学而篇", the third chapter, is free: it downloads and opens.
tap 100 310
sleep 1
settle
tap $((W / 2)) $((H - 25))
shot reader-free
check "a free chapter reads" ink reader-free 0 20 $W $((H - 40))
# From the reader's contents the current chapter sits in the middle;
# "乡党篇", nine rows (60 points each) further, is paid and not bought yet.
tap $((W / 2)) $((H / 2))
shot reader-menu
# The chapter button at the left: below the top bar on the phone, halfway
# down on a tablet.
tap 30 $(tablet && echo 540 || echo 121)
sleep 1
settle
shot reader-contents
# Paid chapters wear an orange badge, one row in four (60 points a row): the
# first below the current chapter's grey row ("学而篇", chapter 3) is chapter
# 4's, then 8's and 12's ("乡党篇"). Short drags move the list until that row
# is in sight; each drag's shift is read from the badges themselves (under 160
# points, where they stand 240 apart), so a drag that glides on is followed.
#   badges <picture> [<y:chapter> ...]: the badges seen, each with its chapter
badges() {
  python3 - "$xvfb_dir" "$H" "$W" "$@" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from pixels import load
h, w, img, known = int(sys.argv[2]), int(sys.argv[3]), load(sys.argv[4]), sys.argv[5:]
def runs(test, x):
    out = []
    for y in range(70, h - 10):
        if test(*img(x, y)):
            if out and y - out[-1][-1] <= 2:
                out[-1].append(y)
            else:
                out.append([y])
    return out
orange = [(r[0] + r[-1]) // 2 + 5 for r in runs(lambda r, g, b: r > 200 and 80 < g < 180 and b < 90, 20) if len(r) >= 4]
if not known:
    grey = [r for r in runs(lambda r, g, b: 120 < r < 205 and abs(r - g) < 8 and abs(g - b) < 8, w // 2) if len(r) >= 30]
    if not grey:
        sys.exit("no current chapter")
    top = grey[0][0]
    below = [y for y in orange if y > top]
    print(" ".join(f"{y}:{4 + 4 * i}" for i, y in enumerate(below)))
    sys.exit(0)
old = {int(k.split(":")[0]): int(k.split(":")[1]) for k in known}
shifts = {}
for yo in old:
    for yn in orange:
        if 0 <= yo - yn < 160:
            shifts[yo - yn] = shifts.get(yo - yn, 0) + 1
if not shifts:
    sys.exit("lost the badges")
d = max(shifts, key=shifts.get)
anchor_y, anchor_id = min(old.items())
base = anchor_y - d
print(" ".join(f"{y}:{anchor_id + 4 * round((y - base) / 240)}" for y in orange))
PY
}
seen=$(badges "$art/reader-contents.png") || fail "the contents show no current chapter"
row=
for _ in $(seq 12); do
  for b in $seen; do [ "${b#*:}" = 12 ] && [ "${b%:*}" -lt $((H - 40)) ] && row=${b%:*}; done
  [ -z "$row" ] && for b in $seen; do [ "${b#*:}" = 16 ] && [ "${b%:*}" -lt $((H - 40)) ] && row=${b%:*}; done
  [ -n "$row" ] && break
  drag 120 $((H - 140)) $((H - 220))
  peek list-after
  seen=$(badges "$work/list-after.png" $seen) || fail "the contents' badges were lost"
done
shot reader-contents-paid
echo "the paid chapter's badges: $seen"
[ -n "$row" ] || fail "the paid chapter is not in sight"
tap 100 "$row"
# The Four Books' chapter ids count from 1: "乡党篇" is chapter 12 (or, should
# a drag have glided a row of badges on, the next unbought one, 16).
wait_for 50 'standin_log | grep -Eq "GetVipChapter.ashx\?BookId=1003&ChapterId=(12|16)([^0-9]|$)"' ||
  fail "the purchase screen did not ask for the paid chapter"
sleep 1
settle
shot purchase
check "the price shows in red" red purchase 146 276
# The purchase screen's two pages under a strip of two tabs.
tap $((3 * W / 4)) 81
wait_for 50 'standin_log | grep -q "GetBuyChapterList.ashx"' || fail "no chapter list for the batch page"
sleep 1
settle
shot purchase-batch
check "the batch page's buttons stand on their bar" differ purchase purchase-batch 20 $((H - 40)) $((W - 20)) $((H - 5))
tap $((W / 4)) 81
tap 85 357
wait_for 100 'standin_log | grep -q "POST /api/BuyVipChapter.ashx"' || fail "no purchase request"
wait_for 100 'standin_log | grep -q "IGetVipContent.ashx"' || fail "the bought chapter was not fetched"
sleep 1.5
settle
shot reader-bought
check "the bought chapter reads" ink reader-bought 0 20 $W $((H - 40))
check "the bought chapter is another page" differ reader-free reader-bought 0 20 $W $((H - 40))

# ---- The reader's menu: the update reminder and the interactions ----------
tap $((W / 2)) $((H / 2))
bar_button 1
wait_for 30 '[ "$(sql "select count(*) from book where ExtInt3=1")" = 1 ]' || fail "the reminder was not set"
sleep 1
settle
tap $((W / 2)) $((H / 2))
shot reader-menu-site
# The interaction button under the chapter button.
tap 30 $(tablet && echo 640 || echo 216)
wait_for 50 'standin_log | grep -q "IGetInteraction.aspx?BookId=1003"' || fail "the interactions screen fetched nothing"
sleep 1
settle
shot interactions
check "the urge page's update tickets show in red" red interactions 131 359
# The words list: the overlay of choices, one picked.
tap 110 164
shot interactions-list
check "the choice list darkens the screen" dark interactions-list 0 70 320 120 0.6
tap $((W / 2)) 200
shot interactions-chosen
tap $((W / 2)) 289
shot interactions-confirm
check "the send asks first" blue interactions-confirm $alert_x $alert_y
# "确定" sends the urge with the chosen length; the site's verdict shows as a
# tip and the page refreshes its counts.
click $((W / 2 + 65)) $((H / 2 + 40))
wait_for 50 'standin_log | grep -q "POST /ClientInterface/ISetInteraction.aspx"' || fail "no interaction sent"
wait_for 50 '[ "$(standin_log | grep -c "IGetInteraction.aspx?BookId=1003")" -ge 2 ]' || fail "no refresh after the send"
sleep 0.3
shot interactions-sent
check "the site's verdict shows as a tip" differ interactions-chosen interactions-sent $((W / 2 - 100)) $((H / 2 - 60)) $((W / 2 + 100)) $((H / 2 + 60))
pct=$(differs "$art/interactions-chosen.png" "$art/interactions-sent.png" 125 350 145 370)
over "$pct" 5 || fail "the refresh left the ticket count as it was ($pct%)"
# The other pages under the tab strip: seven tabs of 140 points, more than
# either window shows, so the strip scrolls to centre the chosen tab; the
# next one then stands at 300 on the phone, while a tablet's strip does not
# move for the first tabs.
if tablet; then strip_taps="210 350 490"; else strip_taps="210 300 300"; fi
n=1 prev=interactions-sent
sleep 2
for x in $strip_taps; do
  tap "$x" 80
  sleep 0.5
  settle
  shot interactions-page-$n
  check "the interaction tab $n did not change the page" differ $prev interactions-page-$n 0 64 $W $((H - 60))
  prev=interactions-page-$n n=$((n + 1))
done

# ---- Back on the main screen: the settings' other screens ------------------
back
tap $((W / 2)) $((H / 2))
tap 29 42
main_tab 3
# To the end of the settings: the general and about sections, the rows then
# counted from the window's bottom.
for _ in 1 2 3; do drag $((W / 2)) $((H - 60)) 60; done
shot settings-end
tap $((W / 2)) $((H - 371))
shot update-reminders
check "the reminded book shows" differ settings-end update-reminders 0 100 $W 220
back
tap $((W / 2)) $((H - 329))
shot message-centre
tap $((W / 2)) 99
shot message-detail
[ "$(sql "select IsRead from message where Title='活动通知'")" = 1 ] || fail "the opened message is not marked read"
back
shot message-centre-read
check "the opened message turns grey" differ message-centre message-centre-read 40 74 $((W - 40)) 99
back
tap $((W / 2)) $((H - 73))
shot feedback
xdotool type --delay 40 "reader feedback from the test"
sleep 0.5
shot feedback-typed
check "the placeholder gives way to the text" differ feedback feedback-typed 0 64 $W 100
click $((W - 36)) 42
wait_for 50 'standin_log | grep -q "POST /api/AddFeedback.ashx"' || fail "no feedback sent"
sleep 0.3
shot feedback-sent
# The tip stands under the text, at 136 on a tablet and lower on the phone.
check "the site's answer shows as a tip" differ feedback-typed feedback-sent $((W / 2 - 100)) 130 $((W / 2 + 100)) $((H / 2 + 110))
back
tap $((W / 2)) $((H - 115))
shot about
tap $((W - 36)) 42
sleep 0.5
settle
shot about-agreement
check "the agreement covers the about page" differ about about-agreement 0 100 $W $((H - 80))
# Read only: its one button closes it.
tap $((W / 2)) $((H - 33))
back
# The stand-in's descriptor carries this version: nothing newer.
tap $((W / 2)) $((H - 31))
wait_for 50 'standin_log | grep -qi "update"' || true
sleep 1
settle
shot version-check
check "the answer shows in an alert" blue version-check $alert_x $alert_y
kill -0 "$app" 2>/dev/null || fail "the app died"
echo "ok: screenshots in $art"
