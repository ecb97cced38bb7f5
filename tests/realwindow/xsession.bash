# Shared by the real-window test and docs/take-screenshots: a private X server (Xvfb)
# with a window manager (openbox), the program started in it, and keyboard driving with
# xdotool. Every wait polls with a deadline; everything started here is stopped on exit.
# Source it from a bash script that runs with `set -Eeuo pipefail`.

step="starting"
# Every wait also ends by this deadline (session_seconds, set before sourcing, default 50),
# so a run never outlives its caller's timeout.
deadline_all=$((SECONDS + ${session_seconds:-50}))
pids=()
work=$(mktemp -d)
# More paths for the caller to have removed on exit.
remove_on_exit=()
trawlix_pid=

say() { echo "[$(date +%T.%N | cut -c1-12)] $*"; }
begin() {
  step=$1
  say "$step"
}
fail() {
  echo "FAILED at step '$step': $*" >&2
  exit 1
}

cleanup() {
  local status=$?
  trap - EXIT ERR
  if [[ $status -ne 0 && $status -ne 77 ]]; then
    local log
    for log in xvfb openbox trawlix; do
      [[ -s "$work/$log.log" ]] || continue
      echo "--- $log output ---" >&2
      tail -n 40 "$work/$log.log" >&2
    done
  fi
  # Newest first: the program, then the window manager, then the X server. Each runs in
  # its own session, so its whole process group goes.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM -- "-${pids[i]}" 2>/dev/null || true
  done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    for _ in $(seq 50); do
      kill -0 -- "-${pids[i]}" 2>/dev/null || break
      sleep 0.05
    done
    kill -KILL -- "-${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work" "${remove_on_exit[@]}"
  exit "$status"
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM HUP
trap 'fail "command failed (line $LINENO): $BASH_COMMAND"' ERR

# Starts a command in its own session (its own process group) and records its id.
start() {
  setsid "$@" &
  pids+=("$!")
}

# Polls CONDITION (a command) every 0.05 s until it succeeds or SECONDS pass.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  ((deadline <= deadline_all)) || deadline=$deadline_all
  until "$@"; do
    ((SECONDS < deadline)) || fail "timed out after ${seconds}s waiting for $what"
    sleep 0.05
  done
}

# Sets window_id to the visible window with exactly this title, if there is one.
find_window() {
  [[ -z "$trawlix_pid" ]] || ! exited || fail "trawlix ended early"
  window_id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
  [[ -n "$window_id" ]]
}

# Waits for the window with this title, gives it the focus and sets window_id to its id.
focus_window() {
  local title=$1
  wait_for 15 "a window titled \"$title\"" find_window "$title"
  timeout 10 xdotool windowactivate --sync "$window_id" >/dev/null 2>&1 ||
    fail "window \"$title\" did not take the focus"
  wait_for 10 "window \"$title\" to have the keyboard focus" focused_is "$window_id"
}

# The process is gone, or a zombie waiting for the status that wait collects.
gone() { [[ ! -e /proc/$1 ]] || [[ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" == Z ]]; }
exited() { gone "$trawlix_pid"; }
focused_is() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }
window_gone() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

keys() { xdotool key --clearmodifiers --delay 30 "$@"; }
type_text() { xdotool type --clearmodifiers --delay 20 -- "$1"; }

# Starts Xvfb on a free display and openbox on it, and points DISPLAY there.
start_x_session() {
  begin "starting Xvfb"
  exec 3>"$work/display"
  # -noreset: without it the server resets when its last client leaves, and a client that
  # connects meanwhile (openbox, just after a probe below) is turned away. -nolisten unix:
  # clients reach it by its abstract socket, and no /tmp/.X11-unix is left behind.
  start Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -nolisten unix -noreset \
    2>"$work/xvfb.log"
  xvfb_pid=${pids[-1]}
  exec 3>&-
  wait_for 15 "Xvfb to report its display" display_ready
  local number
  number=$(head -n1 "$work/display")
  export DISPLAY=":$number"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
  say "Xvfb on $DISPLAY"

  begin "starting openbox"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  start openbox --sm-disable >"$work/openbox.log" 2>&1
  openbox_pid=${pids[-1]}
  wait_for 15 "openbox to manage the screen" wm_ready
}
display_ready() {
  ! gone "$xvfb_pid" || fail "Xvfb ended early"
  # The number, then a line break: a number without one may still be growing.
  [[ "$(cat "$work/display")" =~ ^[0-9]+$ && "$(wc -l <"$work/display")" -eq 1 ]]
}
# Openbox publishes the desktops once it manages the screen.
wm_ready() {
  ! gone "$openbox_pid" || fail "openbox ended early"
  xdotool get_desktop >/dev/null 2>&1
}

# Starts the program and waits until its main window has the focus.
start_trawlix() {
  begin "starting trawlix"
  start "$1" >"$work/trawlix.log" 2>&1
  trawlix_pid=${pids[-1]}
  focus_window "Trawlix v0.05"
}
