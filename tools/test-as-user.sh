#!/usr/bin/env bash
# Runs a build folder's tests again as an ordinary user whose home is three levels deep, so the
# cases that root's rights skip (read-only files and folders) run, and no test can lean on root's
# home. Fails when a test fails or is skipped. Needs root (it creates the user when missing).
# Usage: tools/test-as-user.sh [BUILD_DIR] [USER]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
user=${2:-tarnis-tester}
home=/home/ci/deep/$user
[[ $(id -u) -eq 0 ]] || { echo "test-as-user: needs root" >&2; exit 2; }

if ! id "$user" > /dev/null 2>&1; then
    mkdir -p "$(dirname "$home")"
    useradd --create-home --home-dir "$home" --shell /bin/bash "$user"
fi
mkdir -p "$home"
chown "$user:" "$home"

# The user must reach the checkout: let it pass through the folders above it (read access is
# there already), and restore their modes afterwards.
restore=()
dir=$(dirname "$build")
while [[ "$dir" != / ]]; do
    mode=$(stat -c %a "$dir")
    if ! runuser -u "$user" -- test -x "$dir"; then
        restore+=("$mode:$dir")
        chmod o+x "$dir"
    fi
    dir=$(dirname "$dir")
done
owner=$(stat -c %u:%g "$build")
cleanup()
{
    chown -R "$owner" "$build"
    for entry in "${restore[@]}"; do
        chmod "${entry%%:*}" "${entry#*:}"
    done
}
trap cleanup EXIT

# The user's run writes into the build folder (ctest's logs, window-test screenshots), as in a
# build of its own; root gets it back afterwards.
chown -R "$user:" "$build"

log=$(mktemp)
chmod 644 "$log"
status=0
(cd "$build" && runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$home" USER="$user" LANG=C.UTF-8 \
    ctest --output-on-failure -j "$(nproc)" --timeout 900) 2>&1 | tee "$log" || status=$?
skipped=$(grep -c -- '\*\*\*Skipped' "$log" || true)
rm -f "$log"
if [[ $status -ne 0 ]]; then
    exit "$status"
fi
if [[ $skipped -ne 0 ]]; then
    echo "test-as-user: $skipped skipped test(s) as $user" >&2
    exit 1
fi
echo "test-as-user: every test ran and passed as $user (home $home)"
