#!/usr/bin/env bash
# The window program driven as a person drives it, on its own virtual X
# server, and checked against the command-line tool.
#
#   window_e2e.sh exact  WINDOW CLI ARTIFACTS
#     Stops the sweep, types an age and an error into the boxes (click, select,
#     type, Tab) and waits until the plot and ruler on screen are, pixel for
#     pixel, the picture "kalibracja-cli plot" draws for the same inputs; twice,
#     with different inputs. Then Ctrl+E, a name typed into the export's name
#     field and a click on "do Schowka": the clipboard must hold exactly the
#     bytes of "kalibracja-cli listing", and "Data NAME.rsi" (written in the
#     window's current directory) those of "kalibracja-cli listing --rsi".
#   window_e2e.sh random WINDOW CLI ARTIFACTS
#     A minute of random keys, typed and pasted texts and clicks (fixed seed,
#     a bounded number of actions) on every control, then the window must be
#     running, show no error box and still answer: a final typed input must
#     show its exact picture.
#
# Exit status 0 when the checks hold, 1 when one fails, 77 (skipped) when a
# tool is missing. ARTIFACTS receives the screenshots, the window's output and
# (random) the list of actions, for a failure to be looked at and replayed.
# KAL_E2E_SEED and KAL_E2E_SECONDS change the random run's seed and length.
set -Eeuo pipefail

readonly kSkipped=77
mode=${1:?mode: exact or random}
window=${2:?the window program}
cli=${3:?the command-line tool}
artifacts=${4:?a folder for screenshots and logs}

for tool in Xvfb xdotool xclip import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is missing (tools/setup installs it)"
    exit "$kSkipped"
  fi
done

window=$(realpath "$window")
cli=$(realpath "$cli")
rm -rf "$artifacts"
mkdir -p "$artifacts"
artifacts=$(realpath "$artifacts")
# Both programs take their colours from Qt's own palette: no desktop's theme
# or style may change the window's.
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP DESKTOP_SESSION
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
xvfb=
app=
clip_owners=()

cleanup() {
  local pid
  for pid in $app "${clip_owners[@]}" $xvfb; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'fail "line $LINENO: \"$BASH_COMMAND\" failed"' ERR

fail() {
  echo "FAILED: $*" >&2
  if [ -n "$xvfb" ] && kill -0 "$xvfb" 2>/dev/null; then
    import -window root -crop 800x445+0+0 +repage "$artifacts/screen_at_failure.png" || true
  fi
  [ -f "$work/window.log" ] && cp "$work/window.log" "$artifacts/" || true
  if [ -s "$work/window.log" ]; then
    echo "--- the window program's output:" >&2
    tail -n 40 "$work/window.log" >&2
  fi
  exit 1
}

# --- the virtual display and the window ---------------------------------

start_display() {
  # -displayfd picks a free display number: tests run side by side.
  Xvfb -displayfd 3 -screen 0 1024x600x24 -dpi 96 -nolisten tcp \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  local i
  for i in $(seq 200); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.05
  done
  [ -s "$work/display" ] || fail "Xvfb gave no display number"
  export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
}

# The window starts in a folder of its own, where the export writes its file.
start_window() {
  mkdir -p "$work/window"
  (cd "$work/window" && QT_QPA_PLATFORM=xcb exec "$window") >"$work/window.log" 2>&1 &
  app=$!
  local i
  for i in $(seq 200); do
    check_alive "before its window appeared"
    xdotool search --onlyvisible --name '^Kalibracja 14C$' >/dev/null 2>&1 && return
    sleep 0.1
  done
  fail "the window did not appear within 20 s"
}

check_alive() {
  if ! kill -0 "$app" 2>/dev/null; then
    local status=0
    wait "$app" || status=$?
    app=
    fail "the window program ended with status $status ($1)"
  fi
}

# The default error display is a window captioned with the program's name.
check_no_error_box() {
  if xdotool search --onlyvisible --name '^kalibracja$' >/dev/null 2>&1; then
    fail "an error box appeared ($1)"
  fi
}

# --- what a person does -------------------------------------------------
# Client coordinates are screen coordinates: without a window manager the
# window has no frame and opens at the screen's corner.

readonly kStopButton=(80 24)
readonly kAgeText=(300 27)
readonly kErrorText=(415 27)
readonly kExportName=(728 42)
readonly kExportButton=(740 16)
readonly kNeutral=(700 425)  # window background below the ruler

click_at() { xdotool mousemove "$1" "$2" click 1; }

# Click into the age, select it all, type; Tab to the error (which selects
# it), type; Tab on to the Stop/Start button.
type_inputs() {
  click_at "${kAgeText[@]}"
  xdotool key ctrl+a type "$1"
  xdotool key Tab type "$2"
  xdotool key Tab
}

# --- comparisons ----------------------------------------------------------

# The plot and ruler as the window shows them: Image1 at (8,104), 777 x 249,
# over the rows 1..48 of Image2 under it.
shoot_pictures() { import -window root -crop 777x297+8+104 +repage "$1"; }

# Waits up to 15 s until the window shows exactly the picture of the inputs.
expect_picture() {
  local age=$1 error=$2 name=$3
  "$cli" plot "$age" "$error" --png "$artifacts/$name.expected.png" ||
    fail "kalibracja-cli plot $age $error failed"
  local deadline=$((SECONDS + 15)) differing=
  while :; do
    check_alive "waiting for the picture of $age, $error"
    shoot_pictures "$work/shot.png"
    differing=$(compare -metric AE "$work/shot.png" "$artifacts/$name.expected.png" null: 2>&1 || true)
    [ "$differing" = 0 ] && break
    if [ "$SECONDS" -ge "$deadline" ]; then
      cp "$work/shot.png" "$artifacts/$name.shown.png"
      compare "$work/shot.png" "$artifacts/$name.expected.png" "$artifacts/$name.diff.png" || true
      fail "the window does not show the picture of age $age, error $error: $differing pixels differ (see $artifacts/$name.*.png)"
    fi
    sleep 0.2
  done
  cp "$work/shot.png" "$artifacts/$name.shown.png"
  echo "picture of $age, $error: identical"
}

# --- the runs -----------------------------------------------------------

run_exact() {
  start_display
  start_window
  click_at "${kStopButton[@]}"

  type_inputs 3210 35
  expect_picture 3210 35 first

  # A new error rebuilds the weight table and a new centre redraws the ruler.
  # This time the age is selected with a double click and the error edited
  # with the keys.
  xdotool mousemove "${kAgeText[@]}" click --repeat 2 1
  xdotool type 7777
  click_at "${kErrorText[@]}"
  xdotool key End BackSpace BackSpace BackSpace BackSpace type 180
  xdotool key Tab
  expect_picture 7777 180 second
  check_no_error_box "after typing the inputs"

  # The export: Ctrl+E shows its controls; a name with a blank. (A letter
  # outside ASCII would be typed through a key that xdotool maps for a moment,
  # which a busy window may read after it is mapped back.)
  local name='proba 1'
  xdotool key ctrl+e
  click_at "${kExportName[@]}"
  xdotool type "$name"
  click_at "${kExportButton[@]}"

  mkdir -p "$work/cli"
  (cd "$work/cli" && "$cli" listing 7777 180 --rsi "$name") >"$artifacts/listing.expected.txt" ||
    fail "kalibracja-cli listing 7777 180 --rsi failed"
  local file="Data $name.rsi" deadline=$((SECONDS + 10))
  while :; do
    check_alive "after the export"
    xclip -o -selection clipboard >"$artifacts/listing.clipboard.txt" 2>/dev/null || true
    if [ -f "$work/window/$file" ] &&
      cmp -s "$artifacts/listing.clipboard.txt" "$artifacts/listing.expected.txt"; then
      break
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      check_no_error_box "after the export"
      [ -f "$work/window/$file" ] ||
        fail "the export wrote no \"$file\"; its folder holds: $(ls -A "$work/window")"
      cmp "$artifacts/listing.clipboard.txt" "$artifacts/listing.expected.txt" >&2 || true
      fail "the clipboard does not hold the listing (see $artifacts/listing.*.txt)"
    fi
    sleep 0.2
  done
  echo "clipboard: $(wc -c <"$artifacts/listing.expected.txt") bytes, identical to the listing"
  cmp "$work/window/$file" "$work/cli/$file" >&2 ||
    fail "\"$file\" differs from the one kalibracja-cli listing --rsi writes"
  echo "\"$file\": $(wc -c <"$work/cli/$file") bytes, identical"
  check_no_error_box "after the export"
  check_alive "at the end"
}

# A random whole number in [$1, $2].
between() { echo $(($1 + RANDOM % ($2 - $1 + 1))); }

# Keys that never close a message box (no Return, Escape or space), so that
# an error box, once up, stays up to be seen; no Ctrl+E, so the export stays
# hidden and its file messages cannot arise.
readonly kKeys=(0 1 2 3 4 5 6 7 8 9 minus plus dollar x a z comma period
  BackSpace Delete Left Right Up Down Home End Page_Up Page_Down Tab shift+Tab
  shift+Home shift+End ctrl+a ctrl+c ctrl+x ctrl+v ctrl+z shift+Insert)
readonly kTexts=('$7fffffff' '-2147483648' '99999999999' '2147483647' '0x7FFFFFFF'
  '$80000000' '-0' '+5' 'x1F' '0x' '$' '' '  12 ' '1e5' '45001' '9' '-' 'ąę'
  '12345678901234567890' 'abc' '3,5')

# Sets the clipboard from a process that owns it until someone else takes it.
offer_clipboard() {
  printf '%s' "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
  clip_owners+=($!)
  sleep 0.05
}

# One random action on the window; its description goes to the log.
random_action() {
  local r=$((RANDOM % 100)) x y button text
  if ((r < 28)); then
    local key=${kKeys[RANDOM % ${#kKeys[@]}]}
    echo "key $key"
    xdotool key "$key"
  elif ((r < 36)); then
    text=${kTexts[RANDOM % ${#kTexts[@]}]}
    echo "type '$text'"
    if [ -n "$text" ]; then xdotool type -- "$text"; fi
  elif ((r < 46)); then
    text=${kTexts[RANDOM % ${#kTexts[@]}]}
    echo "paste '$text'"
    offer_clipboard "$text"
    xdotool key ctrl+v
  elif ((r < 88)); then
    # A click on one of the controls, or anywhere in the window.
    case $((RANDOM % 10)) in
      0) x=$(between 272 372) y=$(between 56 75) ;;  # the jog strip
      1) x=$(between 272 372) y=$(between 56 75) ;;
      2) x=$(between 16 144) y=$(between 48 64) ;;   # the scroll bar
      3) x=$(between 16 96) y=$(between 72 96) ;;    # the check box
      4) x=$(between 16 144) y=$(between 8 40) ;;    # Stop/Start
      5) x=$(between 352 368) y=$(between 10 45) ;;  # the age's spin buttons
      6) x=$(between 440 456) y=$(between 10 45) ;;  # the error's spin buttons
      7) x=$(between 272 350) y=$(between 10 45) ;;  # the age's text
      8) x=$(between 396 440) y=$(between 10 45) ;;  # the error's text
      *) x=$(between 0 799) y=$(between 0 444) ;;
    esac
    button=1
    ((RANDOM % 8 == 0)) && button=3  # a context menu
    ((RANDOM % 12 == 0)) && button=2 # pastes the selection
    echo "click $button at $x,$y"
    xdotool mousemove "$x" "$y" click "$button"
  elif ((r < 94)); then
    # A spin button held: it repeats after 400 ms.
    x=$(between 352 368)
    ((RANDOM % 2)) && x=$(between 441 456)
    y=$(between 10 45)
    local held=0.$(between 2 9)
    echo "hold at $x,$y for $held s"
    xdotool mousemove "$x" "$y" mousedown 1 sleep "$held" mouseup 1
  else
    # The scroll bar's thumb dragged.
    x=$(between 30 130)
    local to=$(between 0 160)
    echo "drag the scroll bar from $x to $to"
    xdotool mousemove "$x" 56 mousedown 1 mousemove "$to" 56 mouseup 1
  fi
}

# The Stop/Start button with the focus in the age and the pointer away, once
# it has stopped changing (and, with a second file, once it differs from that
# one): it shows "Stop" while the sweep runs.
shoot_sweep_button() {
  local out=$1 unlike=${2:-} before=$work/button_before.png same
  click_at "${kAgeText[@]}"
  xdotool mousemove "${kNeutral[@]}"
  rm -f "$before"
  local deadline=$((SECONDS + 10))
  while :; do
    sleep 0.2
    import -window root -crop 129x33+16+8 +repage "$out"
    if [ -f "$before" ] &&
      { [ -z "$unlike" ] || [ "$(compare -metric AE "$out" "$unlike" null: 2>&1 || true)" != 0 ]; }; then
      same=$(compare -metric AE "$out" "$before" null: 2>&1 || true)
      [ "$same" = 0 ] && return
    fi
    [ "$SECONDS" -lt "$deadline" ] || fail "the Stop/Start button did not settle within 10 s"
    cp "$out" "$before"
  done
}

run_random() {
  local seed=${KAL_E2E_SEED:-20240611} seconds=${KAL_E2E_SECONDS:-60}
  local most_actions=$((seconds * 40))
  start_display
  start_window

  shoot_sweep_button "$work/running.png"
  click_at "${kStopButton[@]}"
  shoot_sweep_button "$work/stopped.png" "$work/running.png"
  click_at "${kStopButton[@]}"  # the random keys meet a running sweep

  RANDOM=$seed
  local actions=0 end=$((SECONDS + seconds))
  while ((SECONDS < end && actions < most_actions)); do
    actions=$((actions + 1))
    printf '%d ' "$actions" >>"$artifacts/actions.log"
    random_action >>"$artifacts/actions.log"
    sleep "0.0$(between 0 4)"
    check_alive "after action $actions, see $artifacts/actions.log"
    check_no_error_box "after action $actions, see $artifacts/actions.log"
  done
  echo "$actions random actions in $seconds s (seed $seed)"

  # Clicks on the background close any menu left open; then the sweep is
  # stopped and a known input must show its picture.
  click_at "${kNeutral[@]}"
  click_at "${kNeutral[@]}"
  check_no_error_box "after the random actions"
  local same
  shoot_sweep_button "$work/now.png"
  same=$(compare -metric AE "$work/now.png" "$work/running.png" null: 2>&1 || true)
  if [ "$same" = 0 ]; then
    click_at "${kStopButton[@]}"
    shoot_sweep_button "$work/now.png" "$work/running.png"
  fi
  same=$(compare -metric AE "$work/now.png" "$work/stopped.png" null: 2>&1 || true)
  [ "$same" = 0 ] || fail "the Stop/Start button shows neither state"
  type_inputs 4321 77
  expect_picture 4321 77 after_random
  check_no_error_box "at the end"
  check_alive "at the end"
}

case $mode in
  exact) run_exact ;;
  random) run_random ;;
  *)
    echo "unknown mode $mode: exact or random" >&2
    exit 2
    ;;
esac
