# Sourced by shell tests: private_display_test.sh, and on its Xvfb a Weston with XWayland
# ($WAYLAND_DISPLAY, $DISPLAY, own $XDG_RUNTIME_DIR); its X11 backend gives it the seat that
# gives the window in front the focus (the headless backend has none). Exits 77 without it.
for tool in Xvfb weston Xwayland; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: no Wayland compositor ($tool missing)"; exit 77; }; done
source "$(dirname "${BASH_SOURCE[0]}")/private_display_test.sh"
# Clients first, each waited for: a browser still writing its profile would keep the folder.
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null; rm -rf "$work" || true
}
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=x11-backend.so --use-pixman --xwayland --idle-time=0 --socket=wayland-test \
  --width=1000 --height=740 --log="$work/weston.log" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xwayland=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" 2>/dev/null || true)
  [ -n "$xwayland" ] && [ -S "$XDG_RUNTIME_DIR/wayland-test" ] && break
  sleep 0.1
done
[ -n "$xwayland" ] || fail "weston did not start: $(cat "$work/weston.log")"
export WAYLAND_DISPLAY=wayland-test DISPLAY=$xwayland
