#!/usr/bin/env bash
# The Debian package as a user meets it: built by `make deb`, checked by lintian (no error),
# installed with apt-get, its programs run from /usr/bin, then purged again. The package is
# purged whatever fails on the way, so the machine is left as it was found. Runs as root.
set -euo pipefail
cd "$(dirname "$0")/.."
package=tarnis-viewer
fail() { echo "ci-package: $*" >&2; exit 1; }
[[ $(id -u) -eq 0 ]] || fail "needs root (apt-get install)"
if dpkg -s "$package" >/dev/null 2>&1; then
    fail "$package is installed already; this check wants a machine without it"
fi

make deb
deb=$(ls -t build-deb/${package}_*.deb | head -n1)
[[ -f "$deb" ]] || fail "make deb made no package"
echo "== $deb"
dpkg-deb --info "$deb"

echo "== lintian"
lintian --fail-on error --display-level '>=warning' "$deb" || fail "lintian reports errors"

tmp=$(mktemp -d)
purge()
{
    local status=$?
    apt-get purge -y -o DPkg::Lock::Timeout=300 "$package" >/dev/null 2>&1 ||
        dpkg --purge "$package" >/dev/null 2>&1 || true
    rm -rf "$tmp"
    exit "$status"
}
trap purge EXIT

echo "== apt-get install ./$deb"
# Without recommends: nothing but the package itself comes and goes.
apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=300 "./$deb"
[[ "$(command -v tarnis-convert)" == /usr/bin/tarnis-convert ]] || fail "tarnis-convert is not /usr/bin/tarnis-convert"
/usr/bin/tarnis-convert --version
/usr/bin/tarnis-viewer --version
/usr/bin/tarnis-convert samples/lake-at-dusk.bmp "$tmp/lake.png"
/usr/bin/tarnis-convert --info "$tmp/lake.png"
[[ "$(/usr/bin/tarnis-convert --info "$tmp/lake.png" | cut -d' ' -f1-2)" == \
   "$(/usr/bin/tarnis-convert --info samples/lake-at-dusk.bmp | cut -d' ' -f1-2)" ]] || fail "conversion size"
ldd /usr/bin/tarnis-viewer | grep -q 'not found' && fail "tarnis-viewer misses libraries"
desktop-file-validate /usr/share/applications/com.tarnistech.TarnisViewer.desktop
[[ -f /usr/share/tarnis-viewer/help/index.html ]] || fail "no user guide"
man -w tarnis-convert >/dev/null || fail "no manual page for tarnis-convert"

echo "== apt-get purge $package"
apt-get purge -y -o DPkg::Lock::Timeout=300 "$package"
! dpkg -s "$package" >/dev/null 2>&1 || fail "$package is still installed"
[[ ! -e /usr/bin/tarnis-convert && ! -e /usr/share/tarnis-viewer ]] || fail "files stayed after the purge"
echo "ci-package: the package builds, installs, runs and purges cleanly"
