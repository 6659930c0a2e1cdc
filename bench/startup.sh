#!/usr/bin/env bash
# Runs the start-up benchmark on an Xvfb display of its own (1920 x 1080), the way a desktop
# would start the program: bench/startup.sh BUILD-DIR [benchmark options...]
set -euo pipefail
build=${1:?usage: bench/startup.sh BUILD-DIR [benchmark options...]}
shift
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do
    grep -q '^[0-9]' "$work/display" && break
    sleep 0.1
done
grep -q '^[0-9]' "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=":$(head -n 1 "$work/display")" \
    XDG_RUNTIME_DIR="$work" "$build/pixa-startup-bench" "$@"
