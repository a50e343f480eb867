#!/usr/bin/env bash
# Configures (once) and builds into the folder named by $1; further arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$dir" -- --quiet
