#!/usr/bin/env bash
# Whether a screen reader can use the installed program: with an owner and a wrapped photo made
# by the installed tool, a11y_walk.py drives the program under its own Xvfb and session bus
# through the accessibility bus (at-spi2-core) alone. Waits poll with a deadline.
#
#   run_a11y.sh --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX]
set -euo pipefail

installed="" build="" probe=""
while [ $# -gt 1 ]; do
    case "$1" in
    --build | --probe | --installed) printf -v "${1#--}" '%s' "$2" && shift 2 ;;
    *) break ;;
    esac
done
[ $# -eq 0 ] && [ -n "$build" ] && [ -x "$probe" ] || {
    echo "usage: $0 --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX]" >&2
    exit 2
}
shot_prefix=a11y
# shellcheck source=e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
need_tools cmake Xvfb xdotool dbus-run-session /usr/libexec/at-spi-bus-launcher /usr/bin/python3
/usr/bin/python3 -c 'import pyatspi' 2> /dev/null || {
    echo "e2e: python3-pyatspi is missing; scripts/install-deps installs it" >&2
    exit 1
}

# The owner the walk logs in as, and a photo of theirs for it to open.
caption=Lake
make_owner_and_photo() {
    "${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" \
        "PIXAMANTLER_VIEWER_PASSWORD=$viewer_password" pixamantler-cli register "$owner" \
        > /dev/null || fail "the tool cannot register an owner"
    "$probe" photo "$work/photos/lake.bmp" > /dev/null || fail "cannot make a test photo"
    "${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" pixamantler-cli wrap \
        --owner "$owner" --caption "$caption" "$work/photos/lake.bmp" \
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
    dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/a11y_walk.py" "$work/photos/lake.pff" \
    "$caption" "$owner" "$owner_password" "$viewer_password" "$work/app.log" "$work" \
    2> "$work/bus.log" || {
    grep -v '^dbus-daemon' "$work/bus.log" >&2 || true
    fail "the walk through the accessibility tree"
}
echo "e2e: passed"
