#!/usr/bin/env bash
# Installs the Debian packages a build needs that are missing; does nothing when all are there.
# Usage: tools/install-deps.sh [base|bench|fuzz]...
set -euo pipefail

base=(cmake ninja-build g++ make pkg-config ccache
      qt6-base-dev libgl-dev
      libturbojpeg0-dev libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev libtiff-dev libgif-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      clang libclang-rt-14-dev clang-format
      libwebp-dev libheif-dev libavif-dev libjxl-dev liblcms2-dev libexif-dev
      webp libheif-examples libavif-bin libjxl-tools liblcms2-utils
      xvfb xdotool x11-utils openbox imagemagick poppler-utils fonts-dejavu-core fonts-wqy-zenhei
      dpkg-dev lintian desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin man-db)
bench=(libvips-tools imagemagick python3-pil python3-numpy python3-opencv hyperfine netpbm)

want=()
for set in "${@:-base}"; do
    case "$set" in
    base) want+=("${base[@]}") ;;
    bench) want+=("${base[@]}" "${bench[@]}") ;;
    fuzz) want+=("${base[@]}") ;;
    *) echo "install-deps: unknown set '$set'" >&2; exit 2 ;;
    esac
done

missing=()
for pkg in "${want[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
echo "Installing missing packages: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
