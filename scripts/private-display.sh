# Sourced by the scripts that need an X display of their own (tests with a
# tray or a real mouse, the bench's character measures). Xvfb picks a free
# display number and names it once it is ready.

# start_private_display DIR [SIZE]: starts Xvfb (SIZE default 1024x768),
# keeps its log in DIR, sets private_display_pid and private_display
# (":N"); 1, with the log on stderr, when it does not start. DISPLAY is left
# to the caller, so that only what should use the display does.
start_private_display() {
  local dir=$1 size=${2:-1024x768}
  local named="$dir/display.$$.$RANDOM"
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp 9>"$named" >"$dir/xvfb.log" 2>&1 &
  private_display_pid=$!
  for _ in $(seq 100); do
    if [[ -s "$named" ]]; then
      private_display=":$(head -n 1 "$named")"
      return 0
    fi
    sleep 0.1
  done
  echo "Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  return 1
}
