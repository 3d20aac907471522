#!/usr/bin/env bash
# An install into a temporary DESTDIR holds every expected file, and the installed programs and
# libraries run from there with nothing of the build folder on their library path; the uninstall
# script then removes every file again.
# Usage: test_destdir.sh BUILD_DIR SOURCE_DIR LIBDIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
libdir=$3
prefix=/usr/local
fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dest=$tmp/root
root=$dest$prefix
# Our own manifest, so the build folder's install_manifest.txt (make uninstall's) stays as it is.
manifest=$build/install_manifest.txt
[[ -f "$manifest" ]] && cp "$manifest" "$tmp/manifest.saved"
restore() { if [[ -f "$tmp/manifest.saved" ]]; then cp "$tmp/manifest.saved" "$manifest"; else rm -f "$manifest"; fi; }
DESTDIR=$dest cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { restore; cat "$tmp/install.log"; fail "install"; }
cp "$manifest" "$tmp/manifest"
restore

expected=(
    bin/tarnis-viewer bin/tarnis-convert
    "$libdir/libcodexa.so.1" "$libdir/libcodexa.so.1.0.0" "$libdir/libtarnisdib.so.1"
    "$libdir/libcodexa.so" "$libdir/libtarnisdib.so"
    "$libdir/pkgconfig/codexa.pc" "$libdir/pkgconfig/tarnisdib.pc"
    include/tarnis/codec/codexa.h include/tarnis/dib/dib.h
    include/tarnis/platform/wintypes.h include/tarnis/platform/globalmem.h
    share/applications/com.tarnistech.TarnisViewer.desktop
    share/metainfo/com.tarnistech.TarnisViewer.metainfo.xml
    share/mime/packages/tarnis-viewer.xml
    share/icons/hicolor/scalable/apps/tarnis-viewer.svg
    share/man/man1/tarnis-viewer.1.gz share/man/man1/tarnis-convert.1.gz
    share/tarnis-viewer/help/index.html share/tarnis-viewer/help/main-window.png
    share/doc/tarnis-viewer/copyright
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x$size/apps/tarnis-viewer.png")
    read -r w h < <(identify -format '%w %h\n' "$root/share/icons/hicolor/${size}x$size/apps/tarnis-viewer.png")
    [[ "$w" == "$size" && "$h" == "$size" ]] || fail "the ${size}px icon is ${w}x$h"
done
for file in "${expected[@]}"; do
    [[ -f "$root/$file" ]] || fail "$prefix/$file was not installed"
done
# Nothing lands outside the prefix, and the manifest lists exactly what is there.
outside=$(cd "$dest" && find . -type f ! -path ".$prefix/*")
[[ -z "$outside" ]] || fail "installed outside $prefix: $outside"
diff <(sort "$tmp/manifest") <(cd "$dest" && find . \( -type f -o -type l \) | sed 's|^\.||' | sort) ||
    fail "the manifest differs from the installed files"

# No installed text file names the build folder; the programs look for libraries beside them.
grep -rlIF "$build" "$root" && fail "installed files name the build folder $build"
for program in tarnis-viewer tarnis-convert; do
    runpath=$(readelf -d "$root/bin/$program" | sed -n 's/.*(R.*PATH).*\[\(.*\)\]/\1/p')
    [[ "$runpath" == "\$ORIGIN/../$libdir" ]] || fail "$program's library path is '$runpath'"
done
grep -q "^prefix=$prefix\$" "$root/$libdir/pkgconfig/codexa.pc" || fail "codexa.pc has the wrong prefix"

# The installed programs run with the build folder off their path (and out of the way).
unset LD_LIBRARY_PATH
run() { env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$@"; }
codexa=$(run ldd "$root/bin/tarnis-viewer" | awk '$1 == "libcodexa.so.1" { print $3 }')
[[ -n "$codexa" && "$(readlink -f "$codexa")" == "$(readlink -f "$root/$libdir/libcodexa.so.1")" ]] || fail "tarnis-viewer loads libcodexa from '$codexa'"
run ldd "$root/bin/tarnis-viewer" | grep -q 'not found' && fail "tarnis-viewer misses libraries"
[[ "$(run "$root/bin/tarnis-convert" --version)" == "tarnis-convert $(sed -n 's/^project(TarnisViewer VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")" ]] ||
    fail "tarnis-convert --version"
[[ "$(run "$root/bin/tarnis-viewer" --version)" == tarnis-viewer\ * ]] || fail "tarnis-viewer --version"
run "$root/bin/tarnis-viewer" --help | grep -q '^Usage: tarnis-viewer' || fail "tarnis-viewer --help"
run "$root/bin/tarnis-convert" "$source/samples/lake-at-dusk.bmp" "$tmp/lake.png" || fail "conversion"
[[ "$(run "$root/bin/tarnis-convert" --info "$tmp/lake.png")" == "$(run "$root/bin/tarnis-convert" --info "$source/samples/lake-at-dusk.bmp" | cut -d' ' -f1-2)"* ]] ||
    fail "the converted picture has another size"
[[ "$(head -c 8 "$tmp/lake.png" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] || fail "the output is not a PNG"

# A program built against the installed headers and pkg-config file reads a picture.
cat >"$tmp/probe.cpp" <<'CPP'
#include <codec/codexa.h>
#include <cstdio>
int main(int argc, char **argv) { return argc == 2 && CodexaPageCount(argv[1]) == 1 ? 0 : 1; }
CPP
flags=$(PKG_CONFIG_PATH=$root/$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$dest pkg-config --cflags --libs codexa)
c++ -std=c++20 "$tmp/probe.cpp" -o "$tmp/probe" $flags || fail "building against the installed header"
LD_LIBRARY_PATH=$root/$libdir "$tmp/probe" "$source/samples/lake-at-dusk.png" || fail "the probe could not read a picture"

# Uninstall removes every file and our own folders.
DESTDIR=$dest cmake -DMANIFEST="$tmp/manifest" -P "$source/cmake/Uninstall.cmake" >/dev/null || fail "uninstall"
left=$(cd "$dest" && find . -type f -o -type l)
[[ -z "$left" ]] || fail "left after uninstall: $left"
[[ ! -d "$root/share/tarnis-viewer" && ! -d "$root/include/tarnis" ]] || fail "our folders stayed"
echo "install into DESTDIR checked"
