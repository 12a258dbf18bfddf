#!/usr/bin/env bash
# Starts the built program under Xvfb with a window manager, remembering a folder of many files, and checks
# that the splash is on screen painted, frame included, while start-up works through the folder; then that
# the main window opens and closes. Usage: splash_under_x.sh PROGRAM X_SPLASH_WATCH X_CLOSE_WINDOW
set -euo pipefail
program=$(realpath "$1")
watcher=$(realpath "$2")
closer=$(realpath "$3")

work=$(mktemp -d)
# Many files are made faster in memory where there is such a place.
data=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work" "$data"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/x_session.sh"

command -v twm >/dev/null || fail "the window manager twm is not installed (scripts/install-deps.sh)"

start_x

# A window manager that maps windows in its own time, as on a desktop; new windows are placed without
# asking the user, and its texts use the one font every X server has.
printf 'RandomPlacement\nUsePPosition "on"\n' >"$work/twmrc"
for font in TitleFont ResizeFont MenuFont IconFont IconManagerFont; do
    printf '%s "fixed"\n' "$font" >>"$work/twmrc"
done
twm -f "$work/twmrc" >"$work/twm.log" 2>&1 &
pids+=($!)
"$watcher" --wait-for-wm 10 || fail "the window manager did not start"

# Enough files that start-up works for a while behind the splash.
(cd "$data" && seq -f 'f%06g.bin' 1 100000 | xargs touch)
mkdir "$work/run"
printf '[DIR]\r\nPATH=%s\r\n' "$data" >"$work/run/Drovalin_ZELTA.ini"
printf '700\r\n' >"$work/run/Drovalin.txt"
cd "$work/run"

"$watcher" 60 >"$work/splash.log" &
watch=$!
pids+=("$watch")
"$program" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")

verdict=0
wait "$watch" || verdict=$?
cat "$work/splash.log"
[ "$verdict" -eq 0 ] || fail "the splash was not on screen painted while the program started"
echo "ok: splash painted, with its frame, while start-up worked"

find_window() { xdotool search --onlyvisible --name '^Drovalin$' 2>/dev/null | head -n 1; }
has_window() { [ -n "$(find_window)" ]; }
wait_for 300 has_window || fail "the main window did not appear after the splash"
"$closer" "$(find_window)" || fail "could not ask the window to close"
wait_for 100 bash -c "! kill -0 $program_pid 2>/dev/null" || fail "the program did not end after its window closed"
echo "ok: main window opened and closed"
echo "e2e splash: 2 passed, 0 failed"
