# Shared by the end-to-end scripts (sourced).

# wait_for SECONDS COMMAND...: until the command succeeds, looking 20 times a second.
wait_for() {
  limit=$(( $1 * 20 ))
  shift
  tries=0
  until "$@"; do
    tries=$((tries + 1))
    [ "$tries" -le "$limit" ] || return 1
    sleep 0.05
  done
}
