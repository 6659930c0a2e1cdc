#!/usr/bin/env bash
# Builds the .deb of a build folder with CPack and checks it as a distribution would: its
# version is the programs' own, its dependencies come from dpkg-shlibdeps, it has no maintainer
# scripts, it carries the manual pages, the documents, the completion and the desktop files, its
# tree passes appstreamcli, and lintian finds no error. lintian is skipped when it is missing.
#
#   package_test.sh BUILD-DIR VERSION APP-ID     (exits 77 without cpack, dpkg-deb or dpkg-shlibdeps)
set -euo pipefail
build=$1 version=$2 app_id=$3

for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" > /dev/null || { echo "$tool is missing: skipped"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/pixa-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "package: FAILED: $*" >&2
    exit 1
}

echo "== cpack -G DEB"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/out/pixamantler_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single .deb in $(ls "$work/out")"
deb=${debs[0]}

echo "== fields and contents"
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Version) == "$version"-* ]] || fail "Version $(field Version) is not $version-N"
depends=$(field Depends)
for library in libc6 libqt6widgets6 libstdc++6; do
    [[ $depends == *"$library "* ]] || fail "Depends lacks $library (no dpkg-shlibdeps?): $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -t > "$work/control-files"
if grep -E 'preinst|postinst|prerm|postrm' "$work/control-files"; then
    fail "maintainer scripts: the system's triggers refresh the caches"
fi
dpkg-deb -x "$deb" "$work/root"
for file in usr/bin/pixamantler usr/bin/pixamantler-cli \
    usr/share/man/man1/pixamantler.1.gz usr/share/man/man1/pixamantler-cli.1.gz \
    usr/share/doc/pixamantler/copyright usr/share/doc/pixamantler/changelog.Debian.gz \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    usr/share/mime/packages/pixamantler.xml usr/share/bash-completion/completions/pixamantler-cli; do
    [ -s "$work/root/$file" ] || fail "not in the package: $file"
done

echo "== the programs' versions are the package's"
for program in pixamantler pixamantler-cli; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/$program" --version)
    [ "$said" = "$program $version" ] || fail "$program --version said \"$said\", not $version"
done

if command -v appstreamcli > /dev/null; then
    echo "== appstreamcli validate-tree"
    appstreamcli validate-tree --no-net "$work/root" || fail "the installed tree does not validate"
fi

if ! command -v lintian > /dev/null; then
    echo "lintian is missing: the package is not linted"
    exit 0
fi
echo "== lintian"
# lintian warns that it runs as root, which a container's test does.
lintian --display-info "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$work/lintian.log" || true
if grep -q '^E: ' "$work/lintian.log"; then
    fail "lintian found errors"
fi
echo "package $(basename "$deb"): no lintian errors"
