#!/usr/bin/env bash
# Makes the Debian package from the build folder given as $1, unpacks it and checks what it installs.
set -euo pipefail
build=$1
for tool in cpack dpkg-deb desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# A package folder of its own, so the build folder and a parallel run are left alone.
if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack -G DEB"
fi
debs=("$work"/out/drovalin_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
root=$work/root
dpkg-deb -x "$deb" "$root"

id=org.drovalin.Drovalin
[ -x "$root/usr/bin/drovalin" ] || fail "no program at /usr/bin/drovalin"
for file in \
    usr/share/applications/$id.desktop \
    usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/32x32/apps/drovalin.png \
    usr/share/icons/hicolor/scalable/apps/drovalin.svg; do
    [ -s "$root/$file" ] || fail "missing /$file"
done
grep -q '^Icon=drovalin$' "$root/usr/share/applications/$id.desktop" || fail "the menu entry names another icon"
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/drovalin.svg" || fail "the scalable icon is no SVG"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 qt6-translations-l10n fonts-ipafont-gothic; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
echo "PASS: $(basename "$deb")"
