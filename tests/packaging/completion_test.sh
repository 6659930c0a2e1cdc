#!/usr/bin/env bash
# The bash completion of pixamantler-cli, run the way bash runs it: commands, options, files and
# the owner names that the tool lists for the data folder named on the line (or its default).
#
#   completion_test.sh COMPLETION-FILE PIXAMANTLER-CLI     (exits 77 without bash-completion)
set -euo pipefail
completion=$(realpath "$1") tool=$(realpath "$2")
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "bash-completion is not installed: skipped"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/pixa-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
register() {
    PIXAMANTLER_OWNER_PASSWORD=owner-1 PIXAMANTLER_VIEWER_PASSWORD=viewer-1 \
        "$tool" --data-dir "$1" register "$2" > /dev/null
}
register "$work/data" "Alice Martin"
register "$work/data" Bob
register "$work/other" Carol
mkdir -p "$work/files/sub"
touch "$work/files/lake.pff" "$work/files/lake.jpg" "$work/files/notes.txt"
cd "$work/files"

# What completing at the end of the line $1 offers, one a line, sorted. Bash gives "=" a word of
# its own in COMP_WORDS.
offers() {
    PIXAMANTLER_HOME=$work/other bash --norc --noprofile -c '
        source "$1" && source "$2"
        COMP_LINE=$3 COMP_POINT=${#3}
        read -ra COMP_WORDS <<< "${3//=/ = }"
        [[ $3 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _pixamantler_cli
        printf "%s\n" "${COMPREPLY[@]}" | sort' bash "$framework" "$completion" "$1"
}

failures=0
check() {
    local got
    got=$(offers "$tool $1" | paste -sd' ' -)
    if [ "$got" != "$2" ]; then
        echo "FAILED: \"pixamantler-cli $1\" offered [$got], not [$2]" >&2
        failures=$((failures + 1))
    fi
}
check "" "hint info list owners register unwrap wrap"
check "un" "unwrap"
check "--" "--data-dir --help --version"
check "wrap --o" "--output --output-dir --owner --owner-password-file"
check "info --" "--data-dir --help --json"
check "--data-dir $work/data hint " 'Alice\ Martin Bob'
check "wrap --data-dir $work/data --owner A" 'Alice\ Martin'
check "--data-dir=$work/data wrap --owner=B" "Bob"
check "hint " "Carol"
check "info " "lake.pff sub"
check "list " "sub"
check "unwrap lake.pff --output " "lake.jpg lake.pff notes.txt sub"
check "wrap --type " ".BMP .JPG"
[ "$failures" -eq 0 ] && echo "all completions as expected"
[ "$failures" -eq 0 ]
