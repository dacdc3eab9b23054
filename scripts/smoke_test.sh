#!/usr/bin/env bash
# Smoke test of the built program: starts it on a virtual display under a
# real window manager and drives it with keystrokes as a user would.
#   scripts/smoke_test.sh <path to app/mebrath> <path to make_sample_register>
# Every wait polls for a window or a file; none relies on a fixed sleep.
set -euo pipefail
program=$(realpath "$1")
make_register=$(realpath "$2")
unset QT_QPA_PLATFORM
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0

work=$(mktemp -d /tmp/mebrath-smoke.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# What the program and the window manager save (window positions, logs)
# stays in the test's folder.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"

fail() {
  echo "smoke: $*" >&2
  if [[ -n "${DISPLAY:-}" ]]; then
    import -display "$DISPLAY" -window root "$work/failure.png" 2>/dev/null &&
      cp "$work/failure.png" "${SMOKE_FAILURE_PNG:-/tmp/mebrath-smoke-failure.png}" &&
      echo "smoke: screen kept in ${SMOKE_FAILURE_PNG:-/tmp/mebrath-smoke-failure.png}" >&2
  fi
  for log in xvfb openbox program; do
    [[ -s "$work/$log.log" ]] && { echo "--- $log:" && tail -20 "$work/$log.log"; } >&2
  done
  exit 1
}

# Polls `condition` (a command) every 0.1 s for up to `seconds`.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local tries=$((seconds * 10))
  while ((tries-- > 0)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  fail "timed out waiting for $what"
}

# The program lives in its own folder, as installed: its INI file, its
# recent files and OUT stay in the test's folder.
ln "$program" "$work/mebrath" 2>/dev/null || cp "$program" "$work/mebrath"
program_dir=$(dirname "$program")
for extra in template doc history.txt; do
  [[ -e "$program_dir/$extra" ]] && cp -r "$program_dir/$extra" "$work/"
done
mkdir -p "$work/OUT"
register="$work/OUT/smoke.001"
"$make_register" "$register" 3 || fail "could not write the sample register"

# The display server picks a free display number itself and writes it to
# the file once it accepts clients, so parallel runs never share one.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 "the virtual display" test -s "$work/display"
export DISPLAY=:$(head -1 "$work/display")
wait_for 10 "the virtual display" xdpyinfo
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 "the window manager" bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# The program writes its print exchange file into the current folder.
(cd "$work" && exec ./mebrath) >"$work/program.log" 2>&1 &
program_pid=$!
pids+=($program_pid)

main_window() { xdotool search --onlyvisible --name "^Mebrath" | head -1; }
active_name() { xdotool getactivewindow getwindowname 2>/dev/null; }
active_is() { [[ "$(active_name)" == $1 ]]; }
# Another window is active: a dialog or a question over the main window.
active_is_not() {
  local name
  name=$(active_name)
  [[ -n "$name" && "$name" != $1 ]]
}

wait_for 30 "the main window" bash -c "xdotool search --onlyvisible --name '^Mebrath$'"
main=$(main_window)
xdotool windowactivate --sync "$main" 2>/dev/null || true
wait_for 10 "the main window to be active" active_is "Mebrath"

# Open the register through the menu's shortcut and the open dialog.
xdotool key --clearmodifiers ctrl+o
wait_for 10 "the open dialog" active_is_not "Mebrath*"
xdotool type --delay 5 "$register"
xdotool key Return
wait_for 15 "the register in the main window" active_is "Mebrath-$register"
# Print it: Ctrl+P, "Печать" in the parameter dialog, the preview.
xdotool key --clearmodifiers ctrl+p
wait_for 10 "the print-parameter dialog" active_is "Реквизиты для печати"
xdotool key Return
wait_for 30 "the preview" active_is "Preview*"
xdotool key Escape
wait_for 10 "the register after the preview" active_is "Mebrath-$register"

# Ctrl+Ins on the card of a stored record, the focused field's text
# selected: a new, empty record begins (storing it is refused), and the
# stored records stay as they were.
cp "$register" "$work/before"
xdotool key --clearmodifiers ctrl+Return
xdotool key Home shift+End
xdotool key --clearmodifiers ctrl+Insert
xdotool key --clearmodifiers ctrl+s
wait_for 10 "the new record (storing it empty is refused)" active_is "Mebrath"
xdotool key Return
wait_for 10 "the card after the refusal" active_is "Mebrath-$register"
main=$(main_window)
xdotool mousemove --window "$main" 194 35 click 1
xdotool key --clearmodifiers ctrl+Return
cmp -s "$register" "$work/before" || fail "a stored record changed"

# A new coupon No. 2 register, its kind from the typed extension; the
# creation question is answered with the keyboard.
second="$work/OUT/smoke.002"
xdotool key --clearmodifiers ctrl+n
wait_for 10 "the new-register dialog" active_is_not "Mebrath*"
dialog=$(xdotool getactivewindow)
xdotool type --delay 5 "$second"
xdotool key Return
wait_for 10 "the creation question" bash -c \
  "[[ \$(xdotool getactivewindow) != $dialog ]] && ! xdotool getactivewindow getwindowname | grep -q '^Mebrath'"
# A key that reaches the box before it takes keys is pressed again.
for ((attempt = 0; attempt < 5; ++attempt)); do
  xdotool key Return
  for ((i = 0; i < 10; ++i)); do
    active_is "Mebrath-$second" && break 2
    sleep 0.1
  done
done
wait_for 15 "the new register in the main window" active_is "Mebrath-$second"
[[ -f "$second" ]] || fail "the new register was not written"

# A recent file opened from the menu: F10 and Down open "Файл" on its
# first item, Up goes round to the last, the recent file.
open_recent() {
  xdotool key --clearmodifiers F10 Down Up Return
  wait_for 15 "$1 opened from the recent files" active_is "Mebrath-$1"
}
open_recent "$register"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended opening a recent file"
open_recent "$second"

# The certificate directory opened from the "..." button at the
# certificate number on the card of a new record.
xdotool key --clearmodifiers ctrl+Insert
main=$(main_window)
click_in_main() {
  xdotool mousemove --window "$main" "$1" "$2" click 1
}
# The card may still be on its way: the button is pressed again when no
# directory came within a second.
for ((attempt = 0; attempt < 5; ++attempt)); do
  click_in_main 353 80
  for ((i = 0; i < 10; ++i)); do
    active_is "Справочник сертификатов" && break 2
    sleep 0.1
  done
done
wait_for 10 "the certificate directory" active_is "Справочник сертификатов"
xdotool key --clearmodifiers alt+F4
wait_for 10 "the card again" active_is "Mebrath-$second"
# An error box answered with the keyboard while the card is behind it:
# posting the empty record is refused; typing and a click on the card
# while the box is up leave the box active, and Enter answers it.
size_before=$(stat -c %s "$second")
xdotool key --clearmodifiers ctrl+s
wait_for 10 "the error box" active_is "Mebrath"
box=$(xdotool getactivewindow)
xdotool type --delay 5 "abc"
click_in_main 470 120
wait_for 5 "the error box to stay in front" active_is "Mebrath"
[[ $(xdotool getactivewindow) == "$box" ]] || fail "a click on the card took the focus from the box"
xdotool key Return
wait_for 10 "the card after the error box" active_is "Mebrath-$second"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended answering the error box"
[[ $(stat -c %s "$second") == "$size_before" ]] || fail "the refused record was written"
# The record is given up with the tool bar's cancel button.
click_in_main 194 35
sleep 0.5

# A new register with its type chosen with the mouse in the file-type
# list of the save dialog; the creation question is answered with the
# keyboard (it used to stay blank, and the program with it). A new
# register is made from the table: Ctrl+Enter leaves the card first.
xdotool key --clearmodifiers ctrl+Return
for ((attempt = 0; attempt < 5; ++attempt)); do
  xdotool key --clearmodifiers ctrl+n
  for ((i = 0; i < 10; ++i)); do
    active_is_not "Mebrath*" && break 2
    sleep 0.1
  done
done
wait_for 10 "the new-register dialog" active_is_not "Mebrath*"
dialog=$(xdotool getactivewindow)
eval "$(xdotool getwindowgeometry --shell "$dialog")"
# The type list sits at the bottom, under the file name and beside the
# buttons; its drop-down opens on the current type, the next one below.
xdotool mousemove --window "$dialog" $((WIDTH / 2)) $((HEIGHT - 23)) click 1
sleep 0.5
xdotool mousemove --window "$dialog" $((WIDTH / 2)) $((HEIGHT + 22 - 23)) click 1
sleep 0.3
xdotool mousemove --window "$dialog" $((WIDTH / 2)) $((HEIGHT - 53)) click 1
xdotool type --delay 5 "$work/OUT/mouse"
# A click that only closes the name completion's list is made again.
question_is_up() {
  [[ $(xdotool getactivewindow) != "$dialog" ]] &&
    ! xdotool getactivewindow getwindowname | grep -q '^Mebrath'
}
for ((attempt = 0; attempt < 5; ++attempt)); do
  xdotool mousemove --window "$dialog" $((WIDTH - 52)) $((HEIGHT - 53)) click 1
  for ((i = 0; i < 20; ++i)); do
    question_is_up && break 2
    sleep 0.1
  done
done
wait_for 10 "the creation question" question_is_up
xdotool key Return
wait_for 15 "the register made with the mouse" active_is "Mebrath-$work/OUT/mouse.00?"
ls "$work"/OUT/mouse.00? >/dev/null 2>&1 || fail "the register made with the mouse was not written"
echo "smoke: made $(cd "$work/OUT" && ls mouse.00?) with the type chosen with the mouse"

# Quit: close the window and answer the question with the keyboard.
xdotool key --clearmodifiers alt+F4
wait_for 10 "the closing question" active_is_not "Mebrath-*"
xdotool key Return
for ((i = 0; i < 100; ++i)); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then fail "the program did not end after the question"; fi
wait "$program_pid" || fail "the program ended with status $?"
[[ -f "$XDG_CONFIG_HOME/mebrath/registry.ini" ]] || fail "the settings were not kept in the test's folder"
echo "smoke: passed"
