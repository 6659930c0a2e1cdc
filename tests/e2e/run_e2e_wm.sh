#!/usr/bin/env bash
# End to end under a real window manager (openbox, started here under the test's own Xvfb), where
# frames, focus, stacking and "always on top" exist: the batch window stays above the main
# window while the main window is clicked; the search and viewer unlock windows disable the main
# window; closing a secondary window through its frame does what its own close button does; a
# volume mounted in a folder (a tmpfs standing for a USB stick, when run as root) is walked into
# in the batch window's destination list and left through the drive list; and a second copy
# started by opening a .pff from the file manager (xdg-open) comes up with the login window.
# Every wait polls with a deadline.
#
#   run_e2e_wm.sh --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX] [--screenshots DIR]
set -euo pipefail

usage() {
    echo "usage: $0 --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX] [--screenshots DIR]" >&2
    exit 2
}

installed="" build="" probe="" shots=""
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2 && shift 2 ;;
    --probe) probe=$2 && shift 2 ;;
    --installed) installed=$2 && shift 2 ;;
    --screenshots) shots=$2 && shift 2 ;;
    *) usage ;;
    esac
done
[ -n "$build" ] && [ -x "$probe" ] || usage
shot_prefix=wm
# shellcheck source=e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
need_tools cmake Xvfb xdotool openbox wmctrl xprop xwininfo xdg-open mimetype

step "install into a temporary prefix (or the one given)"
install_into_prefix

step "a display of its own (Xvfb) with a window manager (openbox)"
start_display
"${user_env[@]}" "DISPLAY=$DISPLAY" openbox --sm-disable > "$work/openbox.log" 2>&1 &
extra_pids+=($!)
wm_running() { wmctrl -m 2> /dev/null | grep -q '^Name: Openbox'; }
wait_for "window manager" 30 wm_running

# x_id WINDOW: the window's id as the window manager's lists write it.
x_id() { printf '0x%x' "$1"; }
# stacked_above UPPER LOWER: UPPER comes after LOWER in the window manager's stacking order.
stacked_above() {
    local list upper lower i=0 at_upper=-1 at_lower=-1 id
    list=$(xprop -root -notype _NET_CLIENT_LIST_STACKING | sed 's/^[^=]*=//; s/,/ /g')
    upper=$(x_id "$1")
    lower=$(x_id "$2")
    for id in $list; do
        [ "$id" = "$upper" ] && at_upper=$i
        [ "$id" = "$lower" ] && at_lower=$i
        i=$((i + 1))
    done
    [ "$at_upper" -gt "$at_lower" ] && [ "$at_lower" -ge 0 ]
}
has_state() { xprop -id "$1" _NET_WM_STATE | grep -q "$2"; }
is_active() { [ "$(xdotool getactivewindow 2> /dev/null)" = "$1" ]; }
# region X Y WIDTH HEIGHT: the pixels of that rectangle of the screen, as one hash.
region() { "$probe" hash "$@"; }
# origin WINDOW: the screen position of the window's client area, "X Y".
origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        END { print x, y }'
}
# client_region WINDOW X Y WIDTH HEIGHT: the hash of that rectangle of the window's client area.
client_region() {
    local at
    read -r -a at <<< "$(origin "$1")"
    region $((at[0] + $2)) $((at[1] + $3)) "$4" "$5"
}
client_region_is() { [ "$(client_region "$1" "$2" "$3" "$4" "$5")" = "$6" ]; }
client_region_differs() { ! client_region_is "$@"; }
# frame_close WINDOW: a click on the close button at the right end of the window's title bar.
frame_close() {
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove --window "$1" $((WIDTH - 10)) -10 click 1
}

step "a USB stick in the home folder, and a photo there"
"$probe" photo "$home/lake.bmp" || fail "cannot make a test photo"
stick=$home/usb-stick
if [ "$(id -u)" -eq 0 ]; then
    mkdir -p "$stick"
    if mount -t tmpfs -o size=4m,mode=0755 pixa-usb-stick "$stick"; then
        cleanup_steps+=("umount '$stick'")
    else
        echo "mounting is not allowed here: the steps with a mounted stick are left out"
        stick=""
    fi
else
    echo "not root: the steps with a mounted stick are left out"
    stick=""
fi

step "the program, started in the home folder, up to a registered owner"
start_program "$home"
register_first_owner
main=$(window_of any "$main_caption")

step "the batch window stays above the main window while the main window is clicked"
click "$main" 468 32
wait_for "batch window" 30 shown any '^Save multiple photos$'
batch=$(window_of any '^Save multiple photos$')
wait_for "batch window kept above others" 30 has_state "$batch" _NET_WM_STATE_ABOVE
click "$main" 30 300
wait_for "main window active after a click on it" 30 is_active "$main"
stacked_above "$batch" "$main" || fail "the main window, clicked, went above the batch window"
shot batch-above-main

if [ -n "$stick" ]; then
    step "walk into the USB stick in the destination list, and back through the drive list"
    start_face=$(client_region "$batch" 236 353 40 37)
    home_list=$(client_region "$batch" 15 242 161 111)
    home_drive=$(client_region "$batch" 16 370 161 21)
    # The first entry of the destination list (its root, the home folder), the last (the stick).
    click "$batch" 60 250
    xdotool key End Return
    wait_for "destination drive list following into the stick" 30 \
        client_region_differs "$batch" 16 370 161 21 "$home_drive"
    shot stick-entered
    click "$batch" 60 90
    click "$batch" 256 371
    wait_for "photo wrapped onto the stick" 60 test -s "$stick/lake.pff"
    wait_for "end of the batch run" 60 client_region_is "$batch" 236 353 40 37 "$start_face"
    below_drive=$(client_region "$batch" 16 392 161 16)
    click "$batch" 96 380
    wait_for "drive list open" 30 client_region_differs "$batch" 16 392 161 16 "$below_drive"
    shot drive-list
    xdotool key Up Return
    wait_for "destination list back in the home folder" 30 \
        client_region_is "$batch" 15 242 161 111 "$home_list"
    click "$batch" 256 371
    wait_for "photo wrapped into the home folder" 60 test -s "$home/lake.pff"
    wait_for "end of the second batch run" 60 client_region_is "$batch" 236 353 40 37 "$start_face"
    shot back-home
fi

step "the batch window's frame close button does what its back button does"
frame_close "$batch"
wait_for "batch window to close" 30 not_shown any '^Save multiple photos$'
kill -0 "$app_pid" 2> /dev/null || fail "closing the batch window ended the program"
shot batch-closed

# main_ignores_clicks WINDOW HELP_X HELP_Y: with WINDOW up, a click on the main window's open
# button opens no file dialog. The help button of WINDOW, clicked next, opens the help window
# through the window manager after any dialog the first click could have opened.
main_ignores_clicks() {
    click "$main" 227 32
    click "$1" "$2" "$3"
    wait_for "help window" 30 shown any '^PixaMantler Help$'
    no_dialog || fail "a click on the disabled main window opened the file dialog"
    stacked_above "$1" "$main" || fail "a click on the disabled main window raised it"
    wmctrl -c 'PixaMantler Help'
    wait_for "help window to close" 30 not_shown any '^PixaMantler Help$'
}
# main_takes_clicks SHOT: the main window takes clicks again: its open button opens the file
# dialog (closed again).
main_takes_clicks() {
    click "$main" 227 32
    wait_for "file dialog from the main window's open button" 30 dialog_up
    shot "$1"
    press "$(window_of dialog '^PixaMantler$')" Escape
    wait_for "file dialog to close" 30 no_dialog
}

step "the search window disables the main window"
click "$main" 396 32
wait_for "search window" 30 shown any '^Search$'
search=$(window_of any '^Search$')
main_ignores_clicks "$search" 349 348
shot search-disables-main

step "the search window's frame close (Alt+F4) does what its back button does"
xdotool windowactivate --sync "$search"
xdotool key alt+F4
wait_for "search window to close" 30 not_shown any '^Search$'
main_takes_clicks search-closed-main-enabled

step "the viewer unlock window disables the main window"
gift=$work/photos/gift.pff
"${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" pixamantler-cli wrap \
    --owner "$owner" --caption "a gift" "$home/lake.bmp" --output "$gift" > /dev/null ||
    fail "cannot wrap a photo with the tool"
unlock_caption="^Enter viewer's authentication\$"
click "$main" 227 32
choose_file "$gift" 0
wait_for "viewer unlock window" 30 shown any "$unlock_caption"
unlock=$(window_of any "$unlock_caption")
main_ignores_clicks "$unlock" 270 220
shot unlock-disables-main

step "the viewer unlock window's frame close (wmctrl -c) does what its X does"
wmctrl -c "Enter viewer's authentication"
wait_for "viewer unlock window to close" 30 not_shown any "$unlock_caption"
main_takes_clicks unlock-closed-main-enabled

step "keyboard alone: the search window opened by Tab and Space, closed by Escape"
"${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" pixamantler-cli wrap \
    --owner "$owner" --caption "keys to the garden" "$home/lake.bmp" \
    --output "$home/keys.pff" > /dev/null || fail "cannot wrap a photo with the tool"
# search_by_keyboard: from the main window's caption box (clicked, as a person would start),
# Tab past open and new owner to search (save is off with no photo shown), then Space.
search_by_keyboard() {
    click "$main" 300 79
    xdotool key Tab Tab Tab space
    wait_for "search window" 30 shown any '^Search$'
    search=$(window_of any '^Search$')
    wait_for "search window active" 30 is_active "$search"
}
search_by_keyboard
xdotool key Escape
wait_for "search window to close on Escape" 30 not_shown any '^Search$'
main_takes_clicks search-escaped-main-enabled

step "keyboard alone: a caption viewed from the search, unlocked with the password and Enter"
search_by_keyboard
# The first row of the list, compared with an empty row further down: the caption is listed.
empty_row=$(client_region "$search" 160 200 300 12)
wait_for "caption listed" 30 client_region_differs "$search" 160 86 300 12 "$empty_row"
shot search-by-keyboard
# From the filter box: Tab to the list, Down to a caption of lake.bmp, back to view, Space.
xdotool key Tab Tab Tab Tab Tab Down shift+Tab shift+Tab shift+Tab space
wait_for "viewer unlock window" 30 shown any "$unlock_caption"
unlock=$(window_of any "$unlock_caption")
wait_for "viewer unlock window active" 30 is_active "$unlock"
xdotool type --delay 20 "$viewer_password"
xdotool key Return
wait_for "unwrapped picture equal to the photo" 60 unwrapped_picture_is "$home/lake.bmp"
wait_for "viewer unlock window to close" 30 not_shown any "$unlock_caption"
not_shown any '^Search$' || fail "the search window stayed open after the photo was viewed"
shot unlocked-by-keyboard

step "a wrapped photo opened from the file manager (xdg-open) starts a second copy: login"
[ "$("${user_env[@]}" xdg-mime query default application/x-pixamantler-pff)" = "$desktop_entry" ] ||
    fail "the installed menu entry is not the default for wrapped photos"
"${user_env[@]}" "DISPLAY=$DISPLAY" xdg-open "$gift" > "$work/xdg-open.log" 2>&1 &
extra_pids+=($!)
login_caption='^Enter Authentication$'
wait_for "login window of the second copy" 60 shown any "$login_caption"
login=$(window_of any "$login_caption")
second_pid=$(xdotool getwindowpid "$login")
extra_pids+=("$second_pid")
[ "$second_pid" != "$app_pid" ] || fail "the login window belongs to the first copy"
shot second-copy-login

step "logging in there opens the file it was given"
xdotool windowactivate --sync "$login"
fill "$login" 200 132 "$owner"
fill "$login" 190 157 "$owner_password"
click "$login" 325 195
second_unlock() {
    local id
    for id in $(xdotool search --onlyvisible --name "$unlock_caption" 2> /dev/null); do
        [ "$(xdotool getwindowpid "$id")" = "$second_pid" ] && return 0
    done
    return 1
}
wait_for "viewer unlock window of the second copy" 60 second_unlock
shot second-copy-unlock
kill "$second_pid"
wait_for "second copy to end" 30 ended_process "$second_pid"

step "exit the first copy through its exit button"
click "$main" 765 32
ending=$app_pid
app_pid=""
wait_for "program to end through its exit button" 30 ended_process "$ending"
no_copy_folders || fail "a running copy's folder outlived the program: $(copy_folders)"

keep_screenshots "$shots"
echo "e2e: passed"
