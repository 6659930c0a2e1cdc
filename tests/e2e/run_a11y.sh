#!/usr/bin/env bash
# Whether a screen reader can use the installed program: installs the build into a temporary
# prefix, makes an owner and a wrapped photo with the installed tool, and starts the program
# under its own Xvfb and its own session bus with the accessibility bus (at-spi2-core), where
# a11y_walk.py (python3-pyatspi) walks and drives its windows through the AT-SPI tree alone.
# Waits poll with a deadline; nothing sleeps a fixed time.
#
#   run_a11y.sh --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX]
set -euo pipefail

usage() {
    echo "usage: $0 --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX]" >&2
    exit 2
}

installed="" build="" probe=""
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2 && shift 2 ;;
    --probe) probe=$2 && shift 2 ;;
    --installed) installed=$2 && shift 2 ;;
    *) usage ;;
    esac
done
[ -n "$build" ] && [ -x "$probe" ] || usage
shot_prefix=a11y
# shellcheck source=e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
need_tools cmake Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher /usr/bin/python3
/usr/bin/python3 -c 'import pyatspi' 2> /dev/null || {
    echo "e2e: python3-pyatspi is missing; scripts/install-deps installs it" >&2
    exit 1
}

# The owner the walk logs in as, and a photo of theirs for it to open.
make_owner_and_photo() {
    "${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" \
        "PIXAMANTLER_VIEWER_PASSWORD=$viewer_password" pixamantler-cli register "$owner" \
        > /dev/null || fail "the tool cannot register an owner"
    "$probe" photo "$work/photos/lake.bmp" > /dev/null || fail "cannot make a test photo"
    "${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" pixamantler-cli wrap \
        --owner "$owner" --caption "Lake" "$work/photos/lake.bmp" \
        --output "$work/photos/lake.pff" > /dev/null || fail "the tool cannot wrap a photo"
}

step "install into a temporary prefix (or the one given)"
install_into_prefix

step "an owner and a wrapped photo, made with the installed tool"
make_owner_and_photo

step "a display of its own (Xvfb)"
start_display

step "the windows through the accessibility bus"
# Qt's accessibility is on without a screen reader announcing itself on the bus.
"${user_env[@]}" "DISPLAY=$DISPLAY" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/a11y_walk.py" \
    --photo "$work/photos/lake.pff" --owner "$owner" --password "$owner_password" \
    --viewer-password "$viewer_password" --log "$work/app.log" --folder "$work" \
    2> "$work/bus.log" || {
    grep -v '^dbus-daemon' "$work/bus.log" >&2 || true
    fail "the walk through the accessibility tree"
}
echo "e2e: passed"
