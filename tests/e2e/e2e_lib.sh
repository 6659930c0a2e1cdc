# The helpers the end-to-end scripts share, sourced after they have set `build` (the build
# folder), `installed` (a prefix the build is installed in already, or empty), `probe` (the
# pixa-e2e-probe program) and `shot_prefix` (the screenshots' file names begin with it): a temporary work folder removed at the end, the user's environment, the
# installation into a prefix, a display of its own, waits that poll with a deadline, finding
# windows, real clicks and key presses, screenshots, and starting the installed program up to a
# registered owner.

# The desktop entry as installed; the one name to change when the entry is renamed.
desktop_entry=com.example.PixaMantler.desktop

work=$(mktemp -d "${TMPDIR:-/tmp}/pixa-e2e.XXXXXX")
prefix=${installed:-$work/prefix}
home=$work/home
# A session's runtime folder is in memory, and the program keeps unwrapped pictures only there.
runtime=$(mktemp -d /dev/shm/pixa-e2e-runtime.XXXXXX)
mkdir -p "$home" "$work/shots" "$work/photos"
chmod 700 "$runtime"
app_pid=""
xvfb_pid=""
own_display=0
# Processes the script started beyond the program and Xvfb, ended first.
extra_pids=()
# Commands run at the end before the work folder goes (unmounting what the script mounted).
cleanup_steps=()

cleanup() {
    local pid step
    for pid in "${extra_pids[@]}" $app_pid; do kill "$pid" 2> /dev/null || true; done
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2> /dev/null || true; fi
    wait 2> /dev/null || true
    for step in "${cleanup_steps[@]}"; do eval "$step" || true; done
    rm -rf "$work" "$runtime"
}
trap cleanup EXIT

step() { echo "== $*"; }

fail() {
    echo "e2e: FAILED: $*" >&2
    if [ -s "$work/app.log" ]; then sed 's/^/  program: /' "$work/app.log" >&2; fi
    # What the screen showed, kept beside the build's other outputs.
    if [ "$own_display" -eq 1 ] && "$probe" screenshot "$work/failure.png" 2> /dev/null; then
        cp "$work/failure.png" "$build/${shot_prefix}-failure.png"
        echo "e2e: the screen at the failure: $build/${shot_prefix}-failure.png" >&2
    fi
    exit 1
}

# wait_for WHAT SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2> /dev/null; then
            fail "the program ended while waiting for $what"
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "no $what after ${seconds}s"
        sleep 0.1
    done
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" > /dev/null || {
            echo "e2e: $tool is missing; scripts/install-deps installs it" >&2
            exit 1
        }
    done
}

# The user's environment, and nothing else from the caller's: a fresh home folder, the private
# runtime folder, the prefix's programs and file types first.
user_env=(env -i "PATH=$prefix/bin:/usr/bin:/bin" "HOME=$home" "XDG_DATA_HOME=$home/.local/share"
    "XDG_RUNTIME_DIR=$runtime"
    "XDG_DATA_DIRS=$prefix/share:/usr/local/share:/usr/share" "LANG=C.UTF-8")
owner="Alice Martin"
owner_password=tulip42
viewer_password=meadow7
main_caption="^PixaMantler - Owner : $owner logged in\\.\$"

install_into_prefix() {
    [ -z "$installed" ] || return 0
    cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 ||
        fail "cmake --install: $(cat "$work/install.log")"
}

start_display() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$work/display" \
        2> "$work/xvfb.log" &
    xvfb_pid=$!
    display_ready() { grep -q '^[0-9]' "$work/display"; }
    wait_for "display from Xvfb" 30 display_ready
    export DISPLAY=":$(head -n 1 "$work/display")" XDG_RUNTIME_DIR=$runtime
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    own_display=1
}

# window_of KIND REGEX: the id of a shown window whose name matches REGEX and whose size fits
# KIND: "screen" (the whole screen), "box" (a message box), "dialog" (a file dialog, smaller than
# the main window) or "any".
window_of() {
    local id WINDOW X Y WIDTH HEIGHT SCREEN fits
    for id in $(xdotool search --onlyvisible --name "$2" 2> /dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        case $1 in
        screen) fits=$((WIDTH == 1024 && HEIGHT == 768)) ;;
        box) fits=$((WIDTH < 1024 && HEIGHT < 250)) ;;
        dialog) fits=$((WIDTH < 1024 && HEIGHT >= 250 && HEIGHT < 600)) ;;
        *) fits=1 ;;
        esac
        if [ "$fits" -eq 1 ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}
shown() { window_of "$@" > /dev/null; }
ended_process() { ! kill -0 "$1" 2> /dev/null; }
# The folders the running copies keep their unwrapped pictures in, under the private runtime
# folder; the data folder is looked in too, where none may ever be.
copy_folders() {
    find "$runtime/pixamantler" "$home/.local/share/pixamantler" -maxdepth 1 -name 'copy-*' \
        2> /dev/null || true
}
no_copy_folders() { [ -z "$(copy_folders)" ]; }
# unwrapped_picture_is PHOTO: a running copy's unwrapped picture holds the bytes of PHOTO.
unwrapped_picture_is() {
    local folder
    for folder in $(copy_folders); do
        [ -s "$folder/~~tmp.bmp" ] && cmp -s "$folder/~~tmp.bmp" "$1" && return 0
    done
    return 1
}
not_shown() { ! window_of "$@" > /dev/null; }
screen_pixel_is() { [ "$("$probe" pixel "$1" "$2")" = "$3" ]; }
log_has() { grep -q "$1" "$work/app.log"; }

shot_count=0
shot() {
    shot_count=$((shot_count + 1))
    "$probe" screenshot "$work/shots/$shot_prefix-$shot_count-$1.png" || fail "screenshot $1"
}

# Copies the screenshots into DIR when one was asked for.
keep_screenshots() {
    [ -n "$1" ] || return 0
    mkdir -p "$1"
    cp "$work"/shots/*.png "$1"/
    echo "screenshots: $(cd "$work/shots" && echo *.png) in $1"
}

# click WINDOW X Y: a real click at (X, Y) of the window's client area.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# fill WINDOW X Y TEXT: clicks into the box at (X, Y) and types TEXT.
fill() {
    click "$1" "$2" "$3"
    xdotool type --delay 20 "$4"
}
press() {
    xdotool windowfocus --sync "$1"
    shift
    xdotool key "$@"
}

# start_program [FOLDER]: the installed program, started in FOLDER (the work folder by default),
# up to its title screen.
start_program() {
    local folder=${1:-$work}
    (cd "$folder" && exec "${user_env[@]}" "DISPLAY=$DISPLAY" PIXAMANTLER_TRACE_START=1 \
        pixamantler > "$work/app.log" 2>&1) &
    app_pid=$!
    wait_for "title screen" 30 shown screen '^PixaMantler$'
}

# From the title to the main window of a newly registered owner, by keyboard and mouse.
register_first_owner() {
    wait_for "message that there are no owners" 30 shown box '^PixaMantler$'
    not_shown screen '^PixaMantler$' || fail "the title is still shown beside the main window"
    shot no-owners
    press "$(window_of box '^PixaMantler$')" Return

    wait_for "registration window" 30 shown any '^Pixa Owner$'
    local registration
    registration=$(window_of any '^Pixa Owner$')
    xdotool windowfocus --sync "$registration"
    fill "$registration" 267 152 "$owner"
    fill "$registration" 193 182 "$owner_password"
    fill "$registration" 430 182 "$owner_password"
    fill "$registration" 312 208 "flower and age"
    fill "$registration" 193 286 "$viewer_password"
    fill "$registration" 430 286 "$viewer_password"
    click "$registration" 267 152
    shot registration
    click "$registration" 381 340
    wait_for "main window with the owner logged in" 30 shown any "$main_caption"
    not_shown any '^Pixa Owner$' || fail "the registration window stayed open"
    shot main-window
}

# The file dialogs: the filter chosen from the type box's list (HOME, then DOWN once for each
# filter after the first), then the name typed into the name box, ENTER. In that order: the name
# box's completion list, once up, would swallow the click on the type box.
dialog_up() { shown dialog '^PixaMantler$'; }
no_dialog() { ! dialog_up; }
choose_file() {
    local path=$1 downs=$2
    wait_for "file dialog" 30 dialog_up
    local dialog WINDOW X Y WIDTH HEIGHT SCREEN i
    dialog=$(window_of dialog '^PixaMantler$')
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    xdotool windowfocus --sync "$dialog"
    click "$dialog" 300 $((HEIGHT - 24))
    xdotool key Home
    for ((i = 0; i < downs; i++)); do xdotool key Down; done
    xdotool key Return alt+n ctrl+a
    xdotool type --delay 10 "$path"
    xdotool key Return
}
