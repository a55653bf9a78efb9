# Shared by the end-to-end scripts that drive the program on a virtual X display (sourced, not run).

# end_process PID: SIGTERM, up to ten seconds to end, then SIGKILL.
end_process() {
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null || true
}

# wait_until SECONDS COMMAND...: polls the command every 100 ms until it succeeds; fails after the time.
wait_until() {
  local tries=$(( $1 * 10 )); shift
  until "$@" >/dev/null 2>&1; do
    tries=$(( tries - 1 )); [ "$tries" -gt 0 ] || return 1; sleep 0.1
  done
}

# The visible windows with the program's caption: the main window and its boxes.
windows() { xdotool search --onlyvisible --name '^Sonvale Data Manager$' 2>/dev/null || true; }
