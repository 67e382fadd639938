# Sourced by the shell tests that start the show through a command line a user would type.
#
# start_xvfb SCREEN: a private Xvfb for the rest of the script (SCREEN is WxHxDEPTH, as Xvfb takes it); exports
# DISPLAY and XAUTHORITY for it once it accepts connections. -displayfd lets the server take the first free number
# itself, atomically: probing lock files, as xvfb-run -a does, misses servers that hold a number without one.
# -noreset: a client that leaves (a window lookup) cannot then reset the server under one still connecting.
# stop_xvfb ends it and waits until it has gone.
start_xvfb() {
  local cookie number=""
  xvfb_dir=$(mktemp -d)
  cookie=$(mcookie)
  touch "$xvfb_dir/server" "$xvfb_dir/auth"
  xauth -q -f "$xvfb_dir/server" add :0 . "$cookie"  # the server takes the cookie, whatever the number
  mkfifo "$xvfb_dir/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset -auth "$xvfb_dir/server" \
       3>"$xvfb_dir/display" >"$xvfb_dir/log" 2>&1 &
  xvfb_pid=$!
  read -r -t 60 number <"$xvfb_dir/display" || true
  if [ -z "$number" ]; then
    echo "Xvfb did not start: $(cat "$xvfb_dir/log")" >&2
    return 1
  fi
  export DISPLAY=:$number XAUTHORITY=$xvfb_dir/auth
  xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
}
stop_xvfb() {
  if [ -n "${xvfb_pid:-}" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  [ -z "${xvfb_dir:-}" ] || rm -rf "$xvfb_dir"
}

# group_ends_within GROUP SECONDS: whether every process of the process group GROUP ends within SECONDS.
group_ends_within() {
  local until=$((SECONDS + $2))
  while ps -e -o pgid=,stat= | awk -v g="$1" '$1 == g && $2 !~ /^Z/ {f = 1} END {exit !f}'; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.1
  done
}

# run_briefly SECONDS LINE: runs the shell command LINE in a session of its own and waits up to SECONDS for a
# kiv started by it to show its window; keeps the show running a few seconds more, then ends the session.
# Returns 1, after saying why and what LINE printed, when no window appeared or kiv did not keep running.
run_briefly() {
  local limit=$1 line=$2 keep=3 log sid kiv="" window="" deadline
  log=$(mktemp)
  setsid bash -c "$line" >"$log" 2>&1 </dev/null &
  sid=$!  # not a group leader, so setsid runs in place: its pid is the session's
  deadline=$((SECONDS + limit))
  while [ -z "$kiv" ] && [ $SECONDS -lt $deadline ] && kill -0 "$sid" 2>/dev/null; do
    kiv=$(pgrep -s "$sid" -x kiv | head -1 || true)
    [ -n "$kiv" ] || sleep 0.1
  done
  if [ -n "$kiv" ] && [ $SECONDS -lt $deadline ]; then
    # On the display kiv was given, with its authority file, as xvfb-run sets them. One connection held until
    # the window shows: a lookup that connected and left each time could make a server that resets when its
    # last client leaves (xvfb-run's) reset while kiv is connecting, and turn kiv away.
    env $(tr '\0' '\n' </proc/"$kiv"/environ 2>/dev/null | grep -E '^(DISPLAY|XAUTHORITY)=') \
        timeout $((deadline - SECONDS)) xdotool search --sync --name '^kiv$' >"$log.window" 2>/dev/null &
    local finder=$!
    while kill -0 "$finder" 2>/dev/null && kill -0 "$kiv" 2>/dev/null; do sleep 0.1; done
    kill "$finder" 2>/dev/null || true
    wait "$finder" 2>/dev/null || true
    window=$(head -1 "$log.window")
  fi
  local status=0
  if [ -z "$window" ]; then
    echo "no kiv window within $limit s of: $line" >&2
    status=1
  else
    sleep "$keep"
    kill -0 "$kiv" 2>/dev/null || { echo "kiv ended within $keep s of showing its window: $line" >&2; status=1; }
  fi
  # The show first, so that what started it (xvfb-run) ends by itself and cleans up after itself; then
  # whatever is left of the session. Each gets 10 s to go before the next.
  [ -z "$kiv" ] || kill -TERM "$kiv" 2>/dev/null || true
  group_ends_within "$sid" 10 || { kill -TERM -- -"$sid" 2>/dev/null || true; group_ends_within "$sid" 10; } ||
    kill -KILL -- -"$sid" 2>/dev/null || true
  wait "$sid" 2>/dev/null || true
  [ $status -eq 0 ] || { echo "--- what it printed:" >&2; cat "$log" >&2; }
  rm -f "$log" "$log.window"
  return $status
}

# default_show BUILD: the build folder's default show, as installing makes it (kiv-assets makes only what
# is missing there). Tests that use it share the lock "default-show".
default_show() {
  "$1/tools/kiv-assets" "$1/default-show" >/dev/null && echo "$1/default-show"
}
