#!/usr/bin/env bash
# Starts the built program under Xvfb in a temporary directory holding settings files, checks that its
# window appears, that a second start ends by itself without touching the settings files, and that closing
# the window writes both files. Usage: program_under_x.sh PROGRAM X_CLOSE_WINDOW
set -euo pipefail
program=$(realpath "$1")
closer=$(realpath "$2")

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

start_x

mkdir "$work/data" "$work/run"
truncate -s 300K "$work/data/a.bin"
truncate -s 200K "$work/data/b.bin"
truncate -s 100K "$work/data/c.bin"
printf '[DIR]\r\nPATH=%s\r\n' "$work/data" >"$work/run/Drovalin_ZELTA.ini"
printf '700\r\n' >"$work/run/Drovalin.txt"
cd "$work/run"

find_window() { xdotool search --onlyvisible --name '^Drovalin$' 2>/dev/null | head -n 1; }
has_window() { [ -n "$(find_window)" ]; }

"$program" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
wait_for 200 has_window || fail "the main window titled Drovalin did not appear"
window=$(find_window)
echo "ok: main window $window appeared"

sha256sum Drovalin_ZELTA.ini Drovalin.txt >"$work/before.sum"
"$program" >"$work/second.log" 2>&1 &
second=$!
pids+=("$second")
wait_for 100 bash -c "! kill -0 $second 2>/dev/null" || fail "the second instance did not end by itself"
sha256sum --quiet -c "$work/before.sum" || fail "the second instance changed the settings files"
kill -0 "$first" 2>/dev/null || fail "the first instance ended when the second started"
echo "ok: second instance ended by itself, settings files unchanged"

rm Drovalin_ZELTA.ini Drovalin.txt
"$closer" "$window" || fail "could not ask the window to close"
wait_for 100 bash -c "! kill -0 $first 2>/dev/null" || fail "the program did not end after its window closed"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
[ -f Drovalin_ZELTA.ini ] || fail "the folder settings file was not written"
grep -q "PATH=$work/data" Drovalin_ZELTA.ini || fail "the folder settings file does not hold the folder"
[ "$(od -An -c Drovalin.txt | tr -s ' ')" = " 7 0 0 \r \n" ] || fail "the capacity file does not hold 700 CR LF"
echo "ok: closing wrote both settings files"
echo "e2e: 3 passed, 0 failed"
