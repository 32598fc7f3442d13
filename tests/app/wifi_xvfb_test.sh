#!/usr/bin/env bash
# The real application under a virtual X display, driven with xdotool: the
# Wi-Fi screen switched on serves uploads, a curl upload shows up on the
# import screen, and a tap there puts it on the shelf. Screenshots are kept.
# The tour runs in the phone's window or the tablet's (the default window),
# its taps placed from that window's size.
#   wifi_xvfb_test.sh <pagewell> <artifacts dir> <book writer> [phone|tablet]
set -u
exe=$1 art=$2 writer=$3
for tool in curl ss; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$(dirname "$0")/xvfb_support.sh"
use_size "${4:-phone}"
# The uploaded book: a GB18030 book the size of a long novel, made from the
# chinese-poetry classics.
book="$work/novel.txt"
"$writer" "$book" GB18030 long || fail "cannot write the book"
xvfb_start $(tablet && echo 121 || echo 91)
start_app "$exe" "${size_args[@]}"

# Transitions take 0.35 s of the app's clock.
settle() { sleep 0.8; }
listening_port() { ss -ltnpH 2>/dev/null | grep "pid=$app," | awk '{print $4}' | sed 's/.*://' | head -1; }

settle
# A fresh home starts with the agreement; its left button agrees (a
# 20-point status bar above the view).
await_agreement
tap $((W / 4)) $((H - 33))
shot main
# The empty local shelf (second tab) leads to the import screen through its
# guide, and the import screen's right bar button to the Wi-Fi screen; each
# tap waits for the screen to change and stand still.
tap $((W / 8 + W / 4)) $((H - 25))
tap $((W / 2)) $((H / 2 + 10))
shot import-empty
tap $((W - 42)) 42
shot wifi-off
# The switch sits at the right of the first row (inside the grouped table's
# wider margins on a tablet); its row is found by trying.
# A click is served within a frame or two, so each try waits up to a second.
port=
for round in 1 2; do
  for y in 90 100 110 120 130 140 150 160 170 180; do
    click $((W - 70)) "$y"
    for _ in $(seq 20); do
      port=$(listening_port)
      [ -n "$port" ] && break 3
      sleep 0.05
    done
  done
done
settle
shot wifi-on
if [ -z "$port" ]; then
  if ! ip -4 -o addr 2>/dev/null | grep -v ' lo ' | grep -q inet; then
    echo "SKIP: this machine has no IPv4 address besides loopback, so no server can start"
    exit 77
  fi
  fail "the switch did not start the server"
fi
echo "server on port $port"
cp "$book" "$work/book.txt"
code=$(curl -s -o "$work/reply.html" -w '%{http_code}' -F "sfile=@$work/book.txt" "http://127.0.0.1:$port/upload")
[ "$code" = 200 ] || fail "upload answered $code"
grep -q '<td>book.txt</td>' "$work/reply.html" || fail "the reply does not list the book"
cmp -s "$book" "$data/Documents/book.txt" || fail "stored bytes differ"

# Back one screen, to the import screen: leaving the Wi-Fi screen stops the
# server, and the import screen lists the folder afresh.
click 30 42
for _ in $(seq 100); do [ -z "$(listening_port)" ] && break; sleep 0.1; done
[ -z "$(listening_port)" ] || fail "the server still listens after the screen was left"
settle
sleep 0.5
shot import
# Tap the first row; the shelf then holds the book.
added=
on_shelf() {
  sqlite3 "$data/Documents/torvane/main/main.rz" "select count(*) from book where FilePath='book.txt' and Type='TXT'" 2>/dev/null
}
for y in 110 100 120 90 130 140 150; do
  click $((W / 2)) "$y"
  for _ in $(seq 20); do
    [ "$(on_shelf)" = 1 ] && { added=1; break 2; }
    sleep 0.05
  done
done
settle
shot import-added
[ -n "$added" ] || fail "a tap on the import screen did not put the book on the shelf"
kill -0 "$apid" 2>/dev/null || fail "the app died: $(cat "$work/app.log")"
echo "ok: screenshots in $art"
