#!/usr/bin/env bash
# End to end, the way a user meets the program: installs the build into a temporary prefix and
# checks what the installation put in place, then starts the installed program under its own
# Xvfb and drives it with real keyboard and mouse events (xdotool): the title screen and the
# registration of an owner; with --photo also opening a photo, saving it as a wrapped photo and
# opening that again with the viewer password, then ending it through its exit button, or with
# --end-by-signal through SIGTERM; with --zoom-keys also zooming the opened photo with Ctrl and
# +, - and = on a US and a German keyboard layout. Results are checked on disk, with the installed
# command-line tool, and on the screen. Waits poll for windows by name or for pixels, each with a
# deadline; nothing sleeps a fixed time.
#
#   run_e2e.sh --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX] [--screenshots DIR] [--photo]
#              [--end-by-signal] [--zoom-keys]
set -euo pipefail

usage() {
    echo "usage: $0 --build BUILD-DIR --probe PIXA-E2E-PROBE [--installed PREFIX] [--screenshots DIR] [--photo]" \
        "[--end-by-signal] [--zoom-keys]" >&2
    exit 2
}

installed="" build="" probe="" shots="" photo_steps=0 end_by_signal=0 zoom_keys=0
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2 && shift 2 ;;
    --probe) probe=$2 && shift 2 ;;
    --installed) installed=$2 && shift 2 ;;
    --screenshots) shots=$2 && shift 2 ;;
    --photo) photo_steps=1 && shift ;;
    --end-by-signal) end_by_signal=1 && shift ;;
    --zoom-keys) zoom_keys=1 && shift ;;
    *) usage ;;
    esac
done
[ -n "$build" ] && [ -x "$probe" ] || usage
shot_prefix=e2e
# shellcheck source=e2e_lib.sh
. "$(dirname "$0")/e2e_lib.sh"
need_tools cmake Xvfb xdotool
[ "$zoom_keys" -eq 0 ] || need_tools setxkbmap

step "install into a temporary prefix (or the one given)"
install_into_prefix
for file in bin/pixamantler bin/pixamantler-cli share/pixamantler/help/pixamantler.hlp \
    "share/applications/$desktop_entry" share/mime/packages/pixamantler.xml; do
    [ -s "$prefix/$file" ] || fail "not installed: $file"
done
for side in 16 22 24 32 48 64 128 256; do
    for icon in apps/pixamantler mimetypes/application-x-pixamantler-pff; do
        [ -s "$prefix/share/icons/hicolor/${side}x$side/$icon.png" ] ||
            fail "no ${side}x$side icon $icon"
    done
done
desktop=$prefix/share/applications/$desktop_entry
if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "the menu entry does not validate"
fi
grep -qx 'Exec=pixamantler %f' "$desktop" || fail "the menu entry does not start pixamantler"
grep -q '^MimeType=.*application/x-pixamantler-pff;' "$desktop" ||
    fail "the menu entry does not open wrapped photos"
[ "$("${user_env[@]}" sh -c 'command -v pixamantler')" = "$prefix/bin/pixamantler" ] ||
    fail "the menu entry's command is not the installed program"

step "start without a display, --help, --version"
set +e
"${user_env[@]}" pixamantler > "$work/out" 2> "$work/err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "without a display the program exited $status, not 1"
grep -q 'no display' "$work/err" || fail "without a display it said: $(cat "$work/err")"
"${user_env[@]}" pixamantler --version > "$work/out" || fail "--version failed"
grep -qx 'pixamantler [0-9][0-9.]*' "$work/out" || fail "--version said: $(cat "$work/out")"
"${user_env[@]}" pixamantler --help > "$work/out" || fail "--help failed"
grep -q '^Usage: pixamantler \[FILE\]' "$work/out" || fail "--help said: $(cat "$work/out")"

step "the file type of a wrapped photo, by name and by content"
photo=$work/photos/lake.bmp
"$probe" photo "$photo" || fail "cannot make a test photo"
cli_data=$work/cli-data
"${user_env[@]}" PIXAMANTLER_OWNER_PASSWORD=cli-pw1 PIXAMANTLER_VIEWER_PASSWORD=cli-pw2 \
    pixamantler-cli --data-dir "$cli_data" register "cli owner" > /dev/null
"${user_env[@]}" PIXAMANTLER_OWNER_PASSWORD=cli-pw1 pixamantler-cli --data-dir "$cli_data" \
    wrap --owner "cli owner" --caption "type check" "$photo" --output "$work/sample.pff" > /dev/null
[ "$(head -c 9 "$work/sample.pff")" = "PFF FILE." ] || fail "a .pff does not start with the magic"
cp "$work/sample.pff" "$work/sample-without-extension"
[ "$("${user_env[@]}" "$probe" mime "$work/sample.pff")" = application/x-pixamantler-pff ] ||
    fail "a .pff is not known as a wrapped photo"
[ "$("${user_env[@]}" "$probe" mime-content "$work/sample-without-extension")" = \
    application/x-pixamantler-pff ] || fail "the wrapped photo's magic is not recognised"

step "a display of its own (Xvfb)"
start_display

step "the installed program: title screen"
start_program
wait_for "title drawn to its last row" 30 log_has 'title-drawn'
shot title
# The title's corner is the mask colour: the desktop (Xvfb's black) shows through it; its middle
# is the plate.
screen_pixel_is 299 294 '#000000' || fail "the title's masked corner covers the desktop"
! screen_pixel_is 512 384 '#000000' || fail "the title is not drawn in the middle of the screen"

step "after the title: no owners yet; register an owner with keyboard and mouse"
register_first_owner

step "the owner is in the store on disk, with the passwords typed"
store=$home/.local/share/pixamantler/owners.inf
[ -s "$store" ] || fail "no owners.inf in the per-user data folder"
[ ! -e "$prefix/bin/owners.inf" ] || fail "the installed program wrote owners.inf beside itself"
echo "owner store: $store"
"${user_env[@]}" pixamantler-cli owners > "$work/owners" || fail "the tool cannot read the store"
grep -qx "$owner" "$work/owners" || fail "the store lists: $(cat "$work/owners")"
"${user_env[@]}" "PIXAMANTLER_OWNER_PASSWORD=$owner_password" pixamantler-cli wrap \
    --owner "$owner" --caption "typed passwords" "$photo" --output "$work/typed.pff" > /dev/null ||
    fail "the owner password typed in the window does not open the owner"
"${user_env[@]}" "PIXAMANTLER_VIEWER_PASSWORD=$viewer_password" pixamantler-cli unwrap \
    "$work/typed.pff" --output "$work/typed.bmp" > /dev/null ||
    fail "the viewer password typed in the window does not open the owner's photo"
cmp -s "$photo" "$work/typed.bmp" || fail "the unwrapped photo differs from the original"

if [ "$photo_steps" -eq 1 ]; then
    main=$(window_of any "$main_caption")
    eval "$(xdotool getwindowgeometry --shell "$main")"
    # The photo's top-left square shows here when it is shown at actual size in the viewport.
    frame_x=$((X + 14))
    frame_y=$((Y + 112))
    square_x=$((frame_x + 24))
    square_y=$((frame_y + 24))
    step "open the photo"
    click "$main" 227 32
    choose_file "$photo" 1
    wait_for "file dialog to close" 30 no_dialog
    wait_for "photo in the viewport" 30 screen_pixel_is "$square_x" "$square_y" '#0cc878'
    shot photo-open

    if [ "$zoom_keys" -eq 1 ]; then
        step "zoom with Ctrl and +, - and = (and the keypad's) on a US and a German layout"
        # The photo's 64-pixel square, from the frame's corner, ends before 70 at 100 % and
        # before 80 at 119 %, one step in: each key press moves between the two.
        green_at() { screen_pixel_is $((frame_x + $1)) $((frame_y + $1)) '#0cc878'; }
        zoom_is() {
            if [ "$1" = 100 ]; then green_at 60 && ! green_at 70; else green_at 70 && ! green_at 80; fi
        }
        # On the US layout + is Shift and =; on the German one + has a key of its own and = is
        # Shift and 0.
        for layout in us de; do
            setxkbmap "$layout" || fail "no $layout keyboard layout"
            for key_zoom in plus:119 minus:100 equal:119 minus:100 KP_Add:119 KP_Subtract:100; do
                press "$main" "ctrl+${key_zoom%:*}"
                wait_for "zoom of ${key_zoom#*:} % after ctrl+${key_zoom%:*} on the $layout layout" \
                    10 zoom_is "${key_zoom#*:}"
            done
        done
        setxkbmap us
    fi

    step "save it as a wrapped photo with a caption"
    fill "$main" 306 79 "Holiday at the lake"
    wrapped=$work/photos/holiday.pff
    click "$main" 268 32
    choose_file "$work/photos/holiday" 0
    wait_for "message that the file is saved" 60 shown box '^PixaMantler$'
    shot saved
    saved_box=$(window_of box '^PixaMantler$')
    press "$saved_box" Return
    # Then the question whether the original goes to the trash, whose Enter answers No.
    another_box() {
        local id
        id=$(window_of box '^PixaMantler$') && [ "$id" != "$saved_box" ]
    }
    wait_for "question about the original photo" 30 another_box
    shot trash-question
    press "$(window_of box '^PixaMantler$')" Return
    wait_for "question to close" 30 not_shown box '^PixaMantler$'
    [ -f "$photo" ] || fail "Enter on the question moved the original photo away"
    [ -s "$wrapped" ] || fail "no $wrapped"
    "${user_env[@]}" pixamantler-cli info "$wrapped" > "$work/info" || fail "info on the saved file"
    grep -q "Holiday at the lake" "$work/info" || fail "the caption is not in: $(cat "$work/info")"
    grep -q "$owner" "$work/info" || fail "the owner is not in: $(cat "$work/info")"
    [ "$("${user_env[@]}" "$probe" mime "$wrapped")" = application/x-pixamantler-pff ] ||
        fail "the saved file is not known as a wrapped photo"

    step "reopen it with the viewer password"
    click "$main" 227 32
    choose_file "$wrapped" 0
    wait_for "viewer password window" 30 shown any "^Enter viewer's authentication\$"
    unlock=$(window_of any "^Enter viewer's authentication\$")
    shot viewer-password
    press "$unlock" ctrl+a
    xdotool type --delay 20 "$viewer_password"
    xdotool key Return
    wait_for "unwrapped picture equal to the photo" 60 unwrapped_picture_is "$photo"
    wait_for "viewer password window to close" 30 not_shown any \
        "^Enter viewer's authentication\$"
    wait_for "unwrapped photo in the viewport" 30 screen_pixel_is "$square_x" "$square_y" '#0cc878'
    shot photo-unwrapped

    if [ "$end_by_signal" -eq 1 ]; then
        step "end through SIGTERM, as a session's end or kill does"
        kill -TERM "$app_pid"
    else
        step "exit through the exit button"
        click "$main" 765 32
    fi
    ending=$app_pid
    app_pid=""
    # It ends within a second; a few more for a busy machine.
    wait_for "program to end" 5 ended_process "$ending"
    wait "$ending" || fail "the program ended with status $?"
    ! unwrapped_picture_is "$photo" || fail "the unwrapped picture outlived the program"
    no_copy_folders || fail "a running copy's folder outlived the program: $(copy_folders)"
fi

keep_screenshots "$shots"
echo "e2e: passed"
