# Sourced by the scripts that watch the real show: play_show BUILD [MUSIC] makes a show folder of the default
# assets in a temporary folder ($work), with MUSIC in place of the default music if given, starts a private
# Xvfb at 1024x768 and kiv full-screen in it with silent real-time sound. Sets DISPLAY, $kiv (its pid) and
# $start (when it started); at SECONDS sleeps until that show time. Everything goes when the script exits.
work=$(mktemp -d)
xvfb=""
kiv=""
cleanup() {
  [ -n "$kiv" ] && kill "$kiv" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

play_show() {
  "$1/tools/kiv-assets" "$work" >/dev/null
  [ $# -ge 2 ] && cp "$2" "$work/music.mp3"  # kiv judges the format by content
  exec 3> >(cat > "$work/display")
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  # Xvfb writes its number once it takes connections: a loaded machine may take long, a dead server never does.
  until [ -n "$(sed -n '1{/^[0-9][0-9]*$/p}' "$work/display")" ]; do
    kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  export DISPLAY=:$(head -1 "$work/display")
  (cd "$work" && SDL_AUDIODRIVER=dummy exec "$1/kiv" -geometry 1024x768+0+0 2>/dev/null) &
  kiv=$!
  start=$(date +%s.%N)
  # The show's clock runs from before its window shows: the pointer has somewhere to go only once it has.
  timeout 60 xdotool search --sync --onlyvisible --name '^kiv$' >/dev/null ||
    { echo "kiv showed no window" >&2; exit 1; }
}

at() {
  sleep "$(awk -v t="$1" -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { d = t - (n - s); print (d > 0 ? d : 0) }')"
}
