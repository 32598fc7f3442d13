#!/usr/bin/env bash
# The online book store of the real application under a virtual X display,
# driven with xdotool, in a fresh home with the stand-in site: the store opens
# from the shelf's tab bar, each of its tabs shows its screen (the home with
# its carousel and groups, the rankings, the login and then the user's
# profile, the hot words), a typed search finds a catalogue book, its details
# open, and "关闭书库" returns to the shelf.
# Screenshots are kept and checked where their pixels carry the behaviour;
# the stand-in's request log tells what the screens asked for. The tour runs
# in the phone's window or the tablet's (the default window), its taps placed
# from that window's size.
#   store_xvfb_test.sh <bin folder> <artifacts dir> <source dir> [phone|tablet]
set -u
bin=$1 art=$2 src=$3
. "$(dirname "$0")/xvfb_support.sh"
use_size "${4:-phone}"
xvfb_start $(tablet && echo 541 || echo 501)

start_app bash "$src/scripts/start-app.sh" "$bin" "${size_args[@]}"
site_log="$data/tmp/standin-site.log"
# asked <text>: the stand-in was asked for an address holding the text.
asked() { grep -q -F -- "$1" "$site_log" 2>/dev/null; }
# await <text> [seconds]: waits for such a request, then for the screen to settle.
await() {
  local _
  for _ in $(seq $((${2:-20} * 5))); do asked "$1" && break; sleep 0.2; done
  asked "$1" || fail "the store did not ask for $1"
  settle
}
# Waits until two looks half a second apart show the same picture.
settle() { still 0.5 20; }
# colourful <shot> <x> <y>: the point is in colour (not grey), and prints it.
colourful() {
  local hi lo c
  set -- $(pixel "$art/$1.png" "$2" "$3")
  hi=$1 lo=$1
  for c in "$2" "$3"; do [ "$c" -gt "$hi" ] && hi=$c; [ "$c" -lt "$lo" ] && lo=$c; done
  echo "$*"
  [ $((hi - lo)) -gt 25 ]
}
# The store's five tabs along its bar, and the main screen's four.
store_tab() { tap $((W / 10 + $1 * W / 5)) $((H - 25)); }
main_tab() { tap $((W / 8 + $1 * W / 4)) $((H - 25)); }
# requests <text>: how often the stand-in was asked for it.
requests() { grep -c -F -- "$1" "$site_log" 2>/dev/null; }
# await_more <text> <count before> [seconds]: waits for one more such request.
await_more() {
  local _
  for _ in $(seq $((${3:-20} * 5))); do [ "$(requests "$1")" -gt "$2" ] && break; sleep 0.2; done
  [ "$(requests "$1")" -gt "$2" ] || fail "the store did not ask again for $1"
  settle
}
# A hot word's point on the search screen: the first coloured point under the
# search bar (the words are drawn in colours on grey), or nothing.
hot_word() {
  python3 - "$xvfb_dir" "$1" "$W" "$H" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from pixels import load
img, w, h = load(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
for y in range(120, h - 150, 3):
    for x in range(10, w - 10, 2):
        r, g, b = img(x, y)
        if max(r, g, b) - min(r, g, b) > 60:
            print(x + 3, y + 3)
            sys.exit(0)
sys.exit(1)
PY
}

# The agreement comes up over the first screen; its left button agrees.
await_agreement
tap $((W / 4)) $((H - 33))
sleep 1
# The shelf's store tab opens the store; its "返回书架" leaves it again (and
# takes the first-run hint over the store tab away).
main_tab 2
await /BookStoreAPI/GetRecommendList.ashx
tap 30 42
settle
shot shelf

# ---- the store from the shelf: the home tab with the carousel and the groups
main_tab 2
await /BookStoreAPI/CoverRecommend.ashx
for _ in $(seq 50); do asked /books/ && break; sleep 0.2; done
sleep 1
settle
shot store-home
check "the store did not cover the shelf" differ shelf store-home 0 64 $W $((H - 50))
# Each group's site badge down its left edge, under the carousel: red, pink
# and green for the three sites, 100 points a group.
set -- $(pixel "$art/store-home.png" 4 250); [ "$1" -gt $(($2 + 60)) ] || fail "no red badge on the first group ($*)"
set -- $(pixel "$art/store-home.png" 4 350); [ "$1" -gt $(($2 + 40)) ] || fail "no pink badge on the second group ($*)"
# The carousel's covers stand in its strip, 82 points apart: each in colour
# (the placeholder is grey), and no two alike. Each is looked for across 40
# points around its place (past its light title label, and wherever the strip
# has rolled on by a few points).
seen=
for x in 45 127 209 290; do
  c=
  for dx in 0 -20 -16 -12 -8 -4 4 8 12 16 20; do
    c=$(colourful store-home $((x + dx)) 120) && break
    c=
  done
  [ -n "$c" ] || fail "the carousel shows no cover at x $x ($(pixel "$art/store-home.png" "$x" 120))"
  case "|$seen|" in *"|$c|"*) fail "two carousel covers look alike at x $x";; esac
  seen="$seen|$c"
done
# The first group's books, on a screen of their own.
tap $((W / 2)) 229
await /BookStoreAPI/GetRecommendDetail.ashx
shot store-channel-books
check "the group's books do not cover the home" differ store-home store-channel-books 0 64 $W $((H - 50))
tap 30 42
settle

# ---- the rankings and categories tab
store_tab 1
await "/BookStoreAPI/GetIndex.ashx?type=0"
shot store-rankings
check "the rankings tab looks like the home" differ store-home store-rankings 0 64 $W $((H - 50))
check "the rankings tab shows no rows" ink store-rankings 75 112 160 300
# A ranking's books; then the second page, the categories, and a category's
# books. The two pages' switch spans the window under the bar.
tap $((W / 2)) 134
await /BookStoreAPI/GetTopBooks.ashx
shot store-top-books
check "the ranking's books do not cover the rankings" differ store-rankings store-top-books 0 100 $W $((H - 50))
tap 30 42
settle
tap $((3 * W / 4)) 81
settle
shot store-categories
check "the categories look like the rankings" differ store-rankings store-categories 0 64 $W $((H - 50))
tap $((W / 2)) 134
await /BookStoreAPI/GetCategoryBooks.ashx
shot store-category-books
tap 30 42
settle
tap $((W / 4)) 81
settle

# ---- the personal centre: not logged in, so the login screen; after the
# login the user's profile with the VIP shelf
store_tab 2
await /BookStoreAPI/GetUserInfo.ashx
shot store-login
check "the profile tab shows no login screen" differ store-rankings store-login 0 64 $W $((H - 50))
# The login screen takes the whole height: no tab bar under it.
set -- $(pixel "$art/store-login.png" $((W / 2)) $((H - 25)))
[ "$1" -gt 150 ] || fail "the tab bar stays under the login screen ($*)"
fill_login
click $((W / 2)) 203
await "/BookStoreAPI/GetBookCase.ashx?t=0" 30
sleep 1
settle
shot store-profile
check "the profile does not show after the login" differ store-login store-profile 0 64 $W $((H - 50))
check "the profile shows no nickname and balance" ink store-profile 85 75 200 120
c=$(colourful store-profile 40 280) || fail "the VIP shelf shows no book cover ($c)"
# The profile's four shelves under their tab strip: each tab's shelf slides
# in with the strip's red arrow under it. The phone shows two and a half tabs
# of 140 points and scrolls the strip to centre the chosen one, so the next
# tab stands at 210, then at 300; a tablet shows all four side by side.
if tablet; then shelf_taps="$((3 * W / 8)) $((5 * W / 8)) $((7 * W / 8))"; else shelf_taps="210 300 300"; fi
n=1 prev=store-profile
for x in $shelf_taps; do
  tap "$x" 188
  sleep 0.5
  settle
  shot store-profile-shelf-$n
  check "the shelf tab $n did not change the strip" differ $prev store-profile-shelf-$n 0 175 $W 205
  prev=store-profile-shelf-$n n=$((n + 1))
done

# ---- the search tab: the hot words fly in; a typed name finds its book
store_tab 3
await /BookStoreAPI/GetSearchTops.ashx
sleep 1
settle
shot store-search
check "the search tab looks like the profile" differ store-profile store-search 0 64 $W $((H - 50))
# A tapped hot word flies up into the search bar and searches for itself;
# back on the search screen, "更多热词..." sends the words out and new ones in.
searches=$(requests /api/SearchBooks.ashx)
found=
for _ in 1 2 3; do
  peek words
  xy=$(hot_word "$work/words.png") || { sleep 1; continue; }
  click $xy
  for _ in $(seq 25); do [ "$(requests /api/SearchBooks.ashx)" -gt "$searches" ] && { found=1; break 2; }; sleep 0.2; done
done
[ -n "$found" ] || fail "no hot word searched for itself"
settle
shot store-hot-word-results
tap 30 42
settle
shot store-search-back
tap $((W / 2)) $((H - 125))
sleep 1.5
settle
shot store-more-words
check "more hot words did not change the words" differ store-search-back store-more-words 0 110 $W $((H - 150))
# The filter button at the search bar's right opens the category filter.
tap $((W - 40)) 86
settle
shot store-search-filter
check "no category filter" differ store-more-words store-search-filter 0 64 $W $((H - 50))
tap 30 42
settle
# The hot word stays in the search bar: it is cleared from its end first.
click $((W - 100)) 86
sleep 0.5
xdotool key --delay 60 --repeat 16 BackSpace
sleep 0.5
type_text 100 86 "论语" 10 72 240 100
xdotool key Return
await "/api/SearchBooks.ashx?key=%E8%AE%BA%E8%AF%AD&p=1"
sleep 0.5
settle
shot store-search-results
check "the results look like the search screen" differ store-search store-search-results 0 64 $W $((H - 50))
c=$(colourful store-search-results 40 130) || fail "the results show no book cover ($c)"

# ---- the found book's details
tap $((W / 2)) 125
await "/BookStoreAPI/GetBookDetail.ashx?BookId=1002"
await "/BookStoreAPI/GetRelatedBooks.ashx?BookId=1002"
sleep 0.5
settle
shot store-details
check "the details look like the results" differ store-search-results store-details 0 64 $W $((H - 50))
check "the details show no description" differ store-search-results store-details 18 318 160 352
c=$(colourful store-details 60 130) || fail "the details show no cover ($c)"

# ---- "关闭书库" leaves the store for the shelf as it was
store_tab 4
sleep 1
settle
shot shelf-after-store
pct=$(differs "$art/shelf.png" "$art/shelf-after-store.png" 0 20 $W $H)
echo "shelf: $pct% changed after the store closed"
over 2 "$pct" || fail "the shelf did not come back ($pct% differs)"
kill -0 "$app" 2>/dev/null || fail "the app died"
echo "ok: screenshots in $art"
