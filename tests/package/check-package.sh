#!/usr/bin/env bash
# Builds the Debian package from an already built build folder into a temporary folder,
# unpacks it and checks its files, menu entry, file type and control fields; runs lintian
# when it is installed. Exit 77 (skipped) where the Debian tools are missing.
#   check-package.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate update-desktop-database update-mime-database; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool not found; the package test needs dpkg-deb, dpkg-dev, desktop-file-utils and shared-mime-info (make deps installs them)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
debs=("$work"/out/vexlo_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    ls -l "$work/out"
    echo "FAIL: cpack made no single vexlo_*.deb"
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"
root=$work/root
dpkg-deb -x "$deb" "$root"

# Every program the build made is shipped: user commands in /usr/bin, the companion in
# /usr/lib/vexlo.
for program in vexlo vexlo-unit vexlo-cli; do
    if [ -x "$build/bin/$program" ] && [ ! -x "$root/usr/bin/$program" ]; then
        fail "usr/bin/$program missing"
    fi
done
[ -x "$root/usr/bin/vexlo" ] || fail "usr/bin/vexlo missing"
if [ -x "$build/bin/EMUMAIN" ] && [ ! -x "$root/usr/lib/vexlo/EMUMAIN" ]; then
    fail "usr/lib/vexlo/EMUMAIN missing"
fi
# The live capture interface in Wireshark's global extcap folder.
extcap=$(cd "$root" && find usr/lib -path '*/wireshark/extcap/vexlo-extcap' -type f)
if [ -x "$build/bin/vexlo-extcap" ] && [ -z "$extcap" ]; then
    fail "vexlo-extcap missing from usr/lib/*/wireshark/extcap"
fi
if [ -n "$extcap" ]; then
    "$root/$extcap" --extcap-interfaces | grep -q '^interface {value=vexlo}' ||
        fail "$extcap --extcap-interfaces lists no vexlo interface"
fi
for file in usr/share/vexlo/green.bmp usr/share/vexlo/gray.bmp \
    usr/share/vexlo/vexlo.svg usr/share/vexlo/vexlo-48.png \
    usr/share/vexlo/docs/guide.md usr/share/vexlo/docs/images/main-live.png \
    usr/share/applications/vexlo.desktop usr/share/mime/packages/vexlo.xml \
    usr/share/icons/hicolor/scalable/apps/vexlo.svg usr/share/icons/hicolor/48x48/apps/vexlo.png \
    usr/share/doc/vexlo/copyright usr/share/doc/vexlo/changelog.gz \
    usr/share/man/man1/vexlo.1.gz usr/share/man/man1/vexlo-unit.1.gz \
    usr/share/man/man1/vexlo-cli.1.gz; do
    [ -s "$root/$file" ] || fail "$file missing or empty"
done
for file in usr/share/vexlo/green.bmp usr/share/vexlo/gray.bmp usr/share/vexlo/vexlo.svg \
    usr/share/vexlo/vexlo-48.png; do
    cmp -s "$root/$file" "$build/bin/$(basename "$file")" || fail "$file differs from the build's"
done
# PNG header: width and height of the IHDR chunk, big-endian, at bytes 16..23.
size=$(od -An -tx1 -j16 -N8 "$root/usr/share/icons/hicolor/48x48/apps/vexlo.png" | tr -d ' \n')
[ "$size" = "0000003000000030" ] || fail "48x48 icon is not 48 by 48 pixels ($size)"
# Nothing of the build or test programs slips in.
extra=$(cd "$root" && find . -type f | grep -Ev '^\./usr/(bin/vexlo(-unit|-cli)?|lib/vexlo/EMUMAIN|lib/[^/]+/wireshark/extcap/vexlo-extcap|share/(vexlo|applications|mime/packages|icons/hicolor|doc/vexlo|man/man1)/.*)$' || true)
[ -z "$extra" ] || fail "unexpected files: $extra"
# The shipped programs run: the stripped virtual unit answers --help.
"$root/usr/bin/vexlo-unit" --help >/dev/null || fail "usr/bin/vexlo-unit --help failed"

# The menu entry is valid, starts vexlo with the file and handles the capture type.
desktop=$root/usr/share/applications/vexlo.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate reports the menu entry"
grep -qx 'Exec=vexlo %f' "$desktop" || fail "menu entry does not start 'vexlo %f'"
grep -qx 'Categories=Development;Electronics;' "$desktop" || fail "menu entry categories"
grep -q '^Name\[ja\]=' "$desktop" || fail "menu entry has no Japanese name"
update-desktop-database "$root/usr/share/applications"
grep -qx 'application/x-vexlo-capture=vexlo.desktop;' "$root/usr/share/applications/mimeinfo.cache" ||
    fail "the menu entry is not listed for application/x-vexlo-capture"

# The file type: the shared MIME database built from the package knows *.vxm.
mime=$work/mime
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/vexlo.xml" "$mime/packages/"
update-mime-database "$mime" >"$work/mime.log" 2>&1 || {
    cat "$work/mime.log"
    fail "update-mime-database rejects vexlo.xml"
}
grep -qx 'application/x-vexlo-capture:\*\.vxm' "$mime/globs" || fail "*.vxm is not application/x-vexlo-capture"

# Control fields: the Qt libraries from dpkg-shlibdeps and the packages named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6widgets6 libqt6serialport6 libqt6charts6 fonts-ipafont-gothic qt6-translations-l10n; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package"
done
# The licence is the MIT licence of LICENSE, in the machine-readable copyright format, and the
# maintainer is the project's.
copyright=$root/usr/share/doc/vexlo/copyright
grep -qx 'License: MIT' "$copyright" || fail "copyright does not name the MIT licence"
grep -q 'Permission is hereby granted, free of charge' "$copyright" || fail "copyright lacks the licence terms"
[ "$(dpkg-deb -f "$deb" Maintainer)" = "Vexlo developers <maintainers@users.noreply.c-seed-10d4c103.example>" ] ||
    fail "maintainer is $(dpkg-deb -f "$deb" Maintainer)"
changelogVersion=$(gzip -dc "$root/usr/share/doc/vexlo/changelog.gz" | sed -n '1s/^vexlo (\([^)]*\)).*/\1/p')
[ "$changelogVersion" = "$(dpkg-deb -f "$deb" Version)" ] || fail "changelog version $changelogVersion is not the package's"

if command -v lintian >/dev/null; then
    if ! lintian --fail-on error "$deb"; then
        fail "lintian reports errors"
    fi
else
    echo "lintian not found: its check is skipped"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package checks passed"
