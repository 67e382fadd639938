# Sourced by the shell tests that start the show through a command line a user would type.
#
# run_briefly SECONDS LINE: runs the shell command LINE in a session of its own and waits up to SECONDS for a
# kiv started by it to show its window; keeps the show running a few seconds more, then ends the session.
# Returns 1, after saying why and what LINE printed, when no window appeared or kiv did not keep running.
run_briefly() {
  local limit=$1 line=$2 keep=3 log sid kiv="" window="" deadline
  log=$(mktemp)
  setsid bash -c "$line" >"$log" 2>&1 </dev/null &
  sid=$!  # not a group leader, so setsid runs in place: its pid is the session's
  deadline=$((SECONDS + limit))
  while [ $SECONDS -lt $deadline ] && kill -0 "$sid" 2>/dev/null; do
    kiv=$(pgrep -s "$sid" -x kiv | head -1 || true)
    if [ -n "$kiv" ]; then
      # The display kiv was given, with its authority file, as xvfb-run sets them.
      window=$(env $(tr '\0' '\n' </proc/"$kiv"/environ 2>/dev/null | grep -E '^(DISPLAY|XAUTHORITY)=') \
               xdotool search --name '^kiv$' 2>/dev/null | head -1 || true)
      [ -n "$window" ] && break
    fi
    sleep 0.2
  done
  local status=0
  if [ -z "$window" ]; then
    echo "no kiv window within $limit s of: $line" >&2
    status=1
  else
    sleep "$keep"
    kill -0 "$kiv" 2>/dev/null || { echo "kiv ended within $keep s of showing its window: $line" >&2; status=1; }
  fi
  kill -TERM -- -"$sid" 2>/dev/null || true
  sleep 1
  kill -KILL -- -"$sid" 2>/dev/null || true
  wait "$sid" 2>/dev/null || true
  [ $status -eq 0 ] || { echo "--- what it printed:" >&2; cat "$log" >&2; }
  rm -f "$log"
  return $status
}

# default_show BUILD: the build folder's default show, as installing makes it (kiv-assets makes only what
# is missing there). Tests that use it share the lock "default-show".
default_show() {
  "$1/tools/kiv-assets" "$1/default-show" >/dev/null && echo "$1/default-show"
}
