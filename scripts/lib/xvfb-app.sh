# Shared by the scripts that run the real vantrel binary on a virtual X
# server and drive it with xdotool. Source it; the caller sets BUILD and
# keeps the PIDS array (what it started, stopped newest first by
# stop_started).
#
#   start_sim DIR ARGS...   vantrel-sim on DIR, waits for its receiver link
#   start_xvfb              a free display, exported as DISPLAY
#   start_app               vantrel; sets APP_PID and WIN (at 0,0)
#   open_port PATH BAUD     types PATH and BAUD into the Status page's lists
#                           and clicks Open
#   show_page N             clicks tab N (0 Status, 1 Setup, ...)
#   click_at X Y            a click at window coordinates
#   start_log PATH          NMEA Log on the Setup page, PATH typed into the
#                           save dialog; back to the Status page
#   stop_log                Logging ... pressed: the log closes
#   cpu_ticks, rss_kib, fd_count   read off /proc/$APP_PID
#   sim_control DIR LINE    writes one control line to the simulator
#   sim_stat DIR NAME       a counter of the stats file (written on demand)

PIDS=()

stop_started() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill -TERM "${PIDS[i]}" 2>/dev/null || true
    wait "${PIDS[i]}" 2>/dev/null || true
  done
  PIDS=()
}

start_sim() {
  local dir=$1
  shift
  "$BUILD/sim/vantrel-sim" --dir "$dir" "$@" >"$dir.sim.out" 2>&1 &
  PIDS+=($!)
  for _ in $(seq 100); do
    [ -e "$dir/receiver" ] && return 0
    sleep 0.1
  done
  echo "the simulator did not start: $(cat "$dir.sim.out")" >&2
  return 1
}

start_xvfb() {
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    PIDS+=($!)
    # Ready when it answers, not when its socket appears: a program started
    # in between cannot connect and aborts. -noreset: without it the server
    # resets when that probe, its last client, leaves, and vantrel started
    # during the reset could not connect (2 starts in 40; none in 120 with).
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 &&
        { export DISPLAY=":$n"; return 0; }
      sleep 0.1
    done
  done
  echo "no virtual X server" >&2
  return 1
}

start_app() {
  # On the X server whatever platform the caller's tests run on.
  QT_QPA_PLATFORM=xcb "${VANTREL_APP:-$BUILD/app/vantrel}" &
  APP_PID=$!
  PIDS+=($APP_PID)
  WIN=""
  for _ in $(seq 100); do
    kill -0 "$APP_PID" 2>/dev/null || { echo "vantrel ended at start" >&2; return 1; }
    WIN=$(xdotool search --onlyvisible --pid "$APP_PID" --name '^Vantrel$' 2>/dev/null | head -1) &&
      [ -n "$WIN" ] && break
    sleep 0.1
  done
  [ -n "$WIN" ] || { echo "no Vantrel window" >&2; return 1; }
  xdotool windowmove "$WIN" 0 0
  sleep 0.5
}

click_at() { xdotool mousemove --window "$WIN" "$1" "$2" click 1; }

# Tabs sit along the top; the Status page's lists and Open on its last row.
show_page() { click_at $((25 + 50 * $1)) 12; sleep 0.3; }

open_port() {
  local com_x com_y baud_x baud_y open_x open_y
  read -r com_x com_y baud_x baud_y open_x open_y < <(echo "${VANTREL_OPEN_AT:-50 370 140 370 245 370}")
  show_page 0
  xdotool mousemove --window "$WIN" "$com_x" "$com_y" click --repeat 3 1
  xdotool type --delay 5 "$1"
  xdotool key Return
  xdotool mousemove --window "$WIN" "$baud_x" "$baud_y" click --repeat 3 1
  xdotool type --delay 5 "$2"
  xdotool key Return
  click_at "$open_x" "$open_y"
}

# NMEA Log and Logging ... share one place on the Setup page.
LOG_BUTTON_AT="264 278"

start_log() {
  local dlg=""
  show_page 1
  click_at $LOG_BUTTON_AT
  for _ in $(seq 50); do
    dlg=$(xdotool search --onlyvisible --name '^Save As$' 2>/dev/null | head -1) && [ -n "$dlg" ] && break
    sleep 0.1
  done
  [ -n "$dlg" ] || { echo "no save dialog" >&2; return 1; }
  xdotool windowfocus "$dlg"
  xdotool type --delay 5 "$1"
  xdotool key Return
  for _ in $(seq 50); do [ -e "$1" ] && break; sleep 0.1; done
  [ -e "$1" ] || { echo "the log $1 was not created" >&2; return 1; }
  show_page 0
}

stop_log() {
  show_page 1
  click_at $LOG_BUTTON_AT
  sleep 0.5
  show_page 0
}

cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$APP_PID/stat"; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status"; }
fd_count() { ls "/proc/$APP_PID/fd" | wc -l; }

sim_control() { echo "$2" >"$1/control"; }

sim_stat() {
  sim_control "$1" stats
  sleep 0.3
  awk -v k="$2" '$1 == k { print $2 }' "$1/stats"
}
