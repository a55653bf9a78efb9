# Sourced by the shell tests. wait_until SECONDS COMMAND...: runs the command every tenth of a second
# until it succeeds; status 1 when it has not within the seconds.
wait_until() {
  local tries=$(( $1 * 10 )); shift
  until "$@" >/dev/null 2>&1; do
    tries=$(( tries - 1 )); [ "$tries" -gt 0 ] || return 1; sleep 0.1
  done
}
