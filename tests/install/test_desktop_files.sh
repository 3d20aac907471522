#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo, the MIME definitions, the manual pages and the user
# guide pass their validators; the entry offers every picture type the MIME file defines.
# Usage: test_desktop_files.sh DATA_DIR
set -euo pipefail
data=$1
id=com.tarnistech.TarnisViewer
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$data/$id.desktop" || fail "desktop-file-validate"
out=$(appstreamcli validate --no-net "$data/$id.metainfo.xml" 2>&1) || fail "appstreamcli: $out"
echo "$out"
xmllint --noout --relaxng "$data/schema/mime-info.rng" "$data/tarnis-viewer-mime.xml" || fail "MIME file"
xmllint --noout --html "$data/help/index.html" || fail "help file"

# The launchable, the icon and the release match the rest of the package.
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$data/$id.metainfo.xml" ||
    fail "metainfo does not launch $id.desktop"
icon=$(sed -n 's/^Icon=//p' "$data/$id.desktop")
[[ -f "$data/icons/$icon.svg" && -f "$data/icons/$icon-256.png" ]] || fail "no icon files for Icon=$icon"
version=$(sed -n 's/^project(TarnisViewer VERSION \([0-9.]*\).*/\1/p' "$data/../CMakeLists.txt")
grep -q "<release version=\"$version\"" "$data/$id.metainfo.xml" || fail "no release $version in the metainfo"
grep -q "^tarnis-viewer ($version)" "$data/debian/changelog" || fail "no changelog entry for $version"
# Every screenshot the metainfo names ships in the repository.
for shot in $(sed -n 's|.*<image[^>]*>.*/\([^/<]*\.png\)</image>.*|\1|p' "$data/$id.metainfo.xml"); do
    [[ -f "$data/screenshots/$shot" ]] || fail "screenshot $shot is not in data/screenshots"
    read -r w h < <(identify -format '%w %h\n' "$data/screenshots/$shot")
    grep -q "width=\"$w\" height=\"$h\">[^<]*/$shot<" "$data/$id.metainfo.xml" ||
        fail "the metainfo's size of $shot is not ${w}x$h"
done

# Every format the viewer reads, the two of our own MIME file among them.
mimes=$(sed -n 's/^MimeType=//p' "$data/$id.desktop" | tr ';' '\n')
for type in image/bmp image/jpeg image/gif image/x-tga image/x-pcx image/tiff image/png \
    image/webp image/avif image/heic image/heif image/jxl \
    $(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$data/tarnis-viewer-mime.xml"); do
    grep -qx "$type" <<< "$mimes" || fail "MimeType lacks $type"
done

# The MIME database built from our file with the system's recognises both formats by content.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/mime/packages"
cp "$data/tarnis-viewer-mime.xml" "$tmp/mime/packages/"
cp /usr/share/mime/packages/freedesktop.org.xml "$tmp/mime/packages/"
XDG_DATA_DIRS=$tmp update-mime-database "$tmp/mime" 2>&1 | tee "$tmp/update.log"
! grep -qi 'error\|warning' "$tmp/update.log" || fail "update-mime-database complained"
[[ -f "$tmp/mime/image/x-gem-img.xml" && -f "$tmp/mime/image/x-macpaint.xml" ]] || fail "types missing after update"
# Content decides where names mislead: a .img disk image stays a disk image, a MacBinary-wrapped
# MacPaint file without an extension is still MacPaint.
samples=$data/../samples
mkdir -p "$tmp/files"
cp "$samples/lake-at-dusk.img" "$tmp/files/plain.img"
cp "$samples/lake-at-dusk.img" "$tmp/files/renamed.bin"
printf '\x00\x01\x00\x0b\x00\x01\x00\x02\x00\x55\x00\x55\x00\x08\x00\x08XIMG\x00\x00' >"$tmp/files/extended.ximg"
head -c 65536 /dev/zero >"$tmp/files/disk.img"
cp "$samples/lake-at-dusk.mac" "$tmp/files/lake.mac"
{ printf '\x00\x04lake'; head -c 59 /dev/zero; printf 'PNTGMPNT'; head -c 55 /dev/zero; cat "$samples/lake-at-dusk.mac"; } >"$tmp/files/wrapped"
check_type()
{
    local type
    type=$(XDG_DATA_HOME=$tmp XDG_DATA_DIRS=$tmp gio info -a standard::content-type "$tmp/files/$1" 2>/dev/null |
        sed -n 's/.*standard::content-type: //p')
    [[ "$type" == "$2" ]] || fail "$1 is '$type', expected '$2'"
}
while read -r file type; do
    check_type "$file" "$type"
done <<'TABLE'
plain.img      image/x-gem-img
renamed.bin    image/x-gem-img
extended.ximg  image/x-gem-img
disk.img       application/x-raw-disk-image
lake.mac       image/x-macpaint
wrapped        image/x-macpaint
TABLE

for page in "$data"/man/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || fail "$(basename "$page"): $warnings"
done
echo "desktop files valid"
