# Sourced by the shell tests that need an X display: a scratch folder in
# $work, the processes in $pids ended and the folder removed on exit, fail()
# to end the test, and a private Xvfb display in $DISPLAY.
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAILED: $*"; exit 1; }

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/private-display.sh"
start_private_display "$work" || fail "Xvfb did not start"
pids+=("$private_display_pid")
export DISPLAY=$private_display

# window_geometries PATTERN: "W H X Y" (X and Y on the screen) of each window
# in `xwininfo -root -tree` output, read from stdin, whose line matches the
# sed address PATTERN.
window_geometries() {
  sed -n "/$1/s/.*  \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  +\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3 \4/p"
}
