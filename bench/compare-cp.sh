#!/usr/bin/env bash
# Times wrapping and unwrapping a large picture with pixamantler-cli against cp of the same file.
#
# Usage: bench/compare-cp.sh BUILD_DIR [REPETITIONS [SIZE_MIB]]   (defaults: 9 repetitions, 256 MiB)
#
# Every command works in one scratch folder (under $TMPDIR, else /tmp), so all of them read and
# write the same file system with the source in the page cache. The commands alternate within
# each repetition, in a rotating order, so that load from other programs falls on all of them
# alike; before each timed command the file system is synced (untimed), so that no command pays
# for writing back what the previous one left dirty. A file that replaces an existing one is
# flushed to the disk before it is renamed into place; every command here writes a new file, but
# cp is also timed followed by `sync -d` of the copy (fdatasync), the flush a replacement gets.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 3 ]; then
    echo "usage: $0 BUILD_DIR [REPETITIONS [SIZE_MIB]]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
reps=${2:-9}
mib=${3:-256}
cli="$build/pixamantler-cli"
if [ ! -x "$cli" ]; then
    echo "$0: $cli not found; build it first" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pixa-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

src="$work/picture.bmp"
# Written in 1 MiB pieces, as a copy or a download leaves a file. A file written 4 KiB at a time
# is held in the page cache in small pieces and is noticeably slower to read back by any program.
{ printf 'BM'; head -c $((mib * 1024 * 1024 - 2)) /dev/urandom; } |
    dd of="$src" bs=1M iflag=fullblock status=none

export PIXAMANTLER_OWNER_PASSWORD=benchown
export PIXAMANTLER_VIEWER_PASSWORD=benchvw
"$cli" --data-dir "$work/data" register bench >/dev/null || {
    echo "$0: registering the benchmark owner failed" >&2
    exit 1
}

# Each command writes a new file, as cp does when its target is missing.
run_cp() { cp "$src" "$work/copy.bmp"; }
run_cp_sync() { cp "$src" "$work/copy.bmp" && sync -d "$work/copy.bmp"; }
run_wrap() {
    "$cli" --data-dir "$work/data" wrap --owner bench --caption "benchmark" "$src" \
        --output "$work/picture.pff" >/dev/null 2>>"$work/cli.log"
}
run_unwrap() {
    "$cli" --data-dir "$work/data" unwrap "$work/picture.pff" --output "$work/restored.bmp" >/dev/null \
        2>>"$work/cli.log"
}
# What each command removes first (untimed); unwrap keeps the .pff that wrap wrote.
clear_cp() { rm -f "$work/copy.bmp"; }
clear_cp_sync() { rm -f "$work/copy.bmp"; }
clear_wrap() { rm -f "$work/picture.pff"; }
clear_unwrap() { rm -f "$work/restored.bmp"; }

names=(cp cp_sync wrap unwrap)
declare -A times

# Milliseconds taken by one command, printed with three decimals.
timed() {
    "clear_$1"
    sync
    local start=$EPOCHREALTIME
    if ! "run_$1"; then
        echo "$0: $1 failed" >&2
        cat "$work/cli.log" >&2 2>/dev/null || true
        exit 1
    fi
    local end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", (e - s) * 1000 }'
}

median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) printf "%.1f", v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Warm-up, untimed: brings the source into the page cache and makes the .pff for unwrap.
cat "$src" >/dev/null
for name in "${names[@]}"; do timed "$name" >/dev/null; done

for ((r = 0; r < reps; r++)); do
    for ((k = 0; k < ${#names[@]}; k++)); do
        name=${names[$(((r + k) % ${#names[@]}))]}
        times[$name]+="$(timed "$name") "
    done
done

if ! cmp -s "$src" "$work/restored.bmp"; then
    echo "$0: the unwrapped picture differs from the original" >&2
    exit 1
fi

declare -A med
for name in "${names[@]}"; do med[$name]=$(median <<<"${times[$name]}"); done

echo "picture: $mib MiB, $reps repetitions, folder $work ($(df -T "$work" | awk 'NR == 2 { print $2 }'))"
printf '%-28s %10s   %s\n' "command" "median ms" "all runs (ms)"
printf '%-28s %10s   %s\n' "cp" "${med[cp]}" "${times[cp]}"
printf '%-28s %10s   %s\n' "cp + sync -d (fdatasync)" "${med[cp_sync]}" "${times[cp_sync]}"
printf '%-28s %10s   %s\n' "pixamantler-cli wrap" "${med[wrap]}" "${times[wrap]}"
printf '%-28s %10s   %s\n' "pixamantler-cli unwrap" "${med[unwrap]}" "${times[unwrap]}"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "wrap   / cp: $(ratio "${med[wrap]}" "${med[cp]}")   wrap   / (cp + flush): $(ratio "${med[wrap]}" "${med[cp_sync]}")"
echo "unwrap / cp: $(ratio "${med[unwrap]}" "${med[cp]}")   unwrap / (cp + flush): $(ratio "${med[unwrap]}" "${med[cp_sync]}")"
