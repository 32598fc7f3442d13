#!/usr/bin/env bash
# The online book store of the real application under a virtual X display,
# driven with xdotool, in a fresh home with the stand-in site: the store opens
# from the shelf's tab bar, each of its tabs shows its screen (the home with
# its carousel and groups, the rankings, the login and then the user's
# profile, the hot words), a typed search finds a catalogue book, its details
# open, and "关闭书库" returns to the shelf.
# Screenshots are kept and checked where their pixels carry the behaviour;
# the stand-in's request log tells what the screens asked for.
#   store_xvfb_test.sh <bin folder> <artifacts dir> <source dir>
set -u
bin=$1 art=$2 src=$3
. "$(dirname "$0")/xvfb_support.sh"
xvfb_start 501

start_app bash "$src/scripts/start-app.sh" "$bin" --phone
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
settle() {
  local _
  peek now
  for _ in $(seq 20); do
    cp "$work/now.png" "$work/prev.png"
    sleep 0.5
    peek now
    same prev now && return
  done
}
# colourful <shot> <x> <y>: the point is in colour (not grey), and prints it.
colourful() {
  local hi lo c
  set -- $(pixel "$art/$1.png" "$2" "$3")
  hi=$1 lo=$1
  for c in "$2" "$3"; do [ "$c" -gt "$hi" ] && hi=$c; [ "$c" -lt "$lo" ] && lo=$c; done
  echo "$*"
  [ $((hi - lo)) -gt 25 ]
}
# The store's tabs along its bar (a 320-point window, five tabs).
store_tab() { tap $((32 + 64 * $1)) 455; }

# The agreement comes up over the first screen; its left button agrees.
await_agreement
tap 90 447
sleep 1
# The shelf's store tab opens the store; its "返回书架" leaves it again (and
# takes the first-run hint over the store tab away).
tap 200 455
await /BookStoreAPI/GetRecommendList.ashx
tap 30 42
settle
shot shelf

# ---- the store from the shelf: the home tab with the carousel and the groups
tap 200 455
await /BookStoreAPI/CoverRecommend.ashx
for _ in $(seq 50); do asked /books/ && break; sleep 0.2; done
sleep 1
settle
shot store-home
check "the store did not cover the shelf" differ shelf store-home 0 64 320 430
# Each group's site badge down its left edge, under the 115-point carousel:
# red, pink and green for the three sites.
set -- $(pixel "$art/store-home.png" 12 259); [ "$1" -gt $(($2 + 60)) ] || fail "no red badge on the first group ($*)"
set -- $(pixel "$art/store-home.png" 12 359); [ "$1" -gt $(($2 + 40)) ] || fail "no pink badge on the second group ($*)"
# The carousel's covers stand in its strip, 82 points apart: each in colour
# (the placeholder is grey), and no two alike.
seen=
for x in 45 127 209 290; do
  c=$(colourful store-home "$x" 120) || fail "the carousel shows no cover at x $x ($c)"
  case "|$seen|" in *"|$c|"*) fail "two carousel covers look alike at x $x";; esac
  seen="$seen|$c"
done

# ---- the rankings and categories tab
store_tab 1
await "/BookStoreAPI/GetIndex.ashx?type=0"
shot store-rankings
check "the rankings tab looks like the home" differ store-home store-rankings 0 64 320 430
check "the rankings tab shows no rows" ink store-rankings 75 112 160 300

# ---- the personal centre: not logged in, so the login screen; after the
# login the user's profile with the VIP shelf
store_tab 2
await /BookStoreAPI/GetUserInfo.ashx
shot store-login
check "the profile tab shows no login screen" differ store-rankings store-login 0 64 320 430
# The login screen takes the whole height: no tab bar under it.
set -- $(pixel "$art/store-login.png" 160 455)
[ "$1" -gt 150 ] || fail "the tab bar stays under the login screen ($*)"
fill_login
click 160 200
await "/BookStoreAPI/GetBookCase.ashx?t=0" 30
sleep 1
settle
shot store-profile
check "the profile does not show after the login" differ store-login store-profile 0 64 320 430
check "the profile shows no nickname and balance" ink store-profile 85 75 200 120
c=$(colourful store-profile 40 280) || fail "the VIP shelf shows no book cover ($c)"

# ---- the search tab: the hot words fly in; a typed name finds its book
store_tab 3
await /BookStoreAPI/GetSearchTops.ashx
sleep 1
settle
shot store-search
check "the search tab looks like the profile" differ store-profile store-search 0 64 320 430
type_text 100 86 "论语" 10 72 240 100
xdotool key Return
await "/api/SearchBooks.ashx?key=%E8%AE%BA%E8%AF%AD&p=1"
sleep 0.5
settle
shot store-search-results
check "the results look like the search screen" differ store-search store-search-results 0 64 320 430
c=$(colourful store-search-results 40 130) || fail "the results show no book cover ($c)"

# ---- the found book's details
tap 160 125
await "/BookStoreAPI/GetBookDetail.ashx?BookId=1002"
await "/BookStoreAPI/GetRelatedBooks.ashx?BookId=1002"
sleep 0.5
settle
shot store-details
check "the details look like the results" differ store-search-results store-details 0 64 320 430
check "the details show no description" differ store-search-results store-details 18 318 160 352
c=$(colourful store-details 60 130) || fail "the details show no cover ($c)"

# ---- "关闭书库" leaves the store for the shelf as it was
store_tab 4
sleep 1
settle
shot shelf-after-store
pct=$(differs "$art/shelf.png" "$art/shelf-after-store.png" 0 20 320 480)
echo "shelf: $pct% changed after the store closed"
over 2 "$pct" || fail "the shelf did not come back ($pct% differs)"
kill -0 "$app" 2>/dev/null || fail "the app died"
echo "ok: screenshots in $art"
