#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Quiet, and quick, when everything is already there.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libboost-regex-dev libpcre2-dev libicu-dev libcurl4-openssl-dev libmimalloc-dev
    libgtest-dev libgmock-dev nodejs
    xvfb xauth fonts-arphic-uming fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
