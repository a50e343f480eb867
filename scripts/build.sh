#!/usr/bin/env bash
# Configures (once) and builds into the folder named by $1; further arguments go to CMake.
# $XLT_TARGETS, when set, names the targets to build instead of all.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
# Quiet when everything is up to date; compiler messages still show.
targets=()
if [[ -n "${XLT_TARGETS:-}" ]]; then
    read -r -a names <<<"$XLT_TARGETS"
    targets=(--target "${names[@]}")
fi
if ! output=$(cmake --build "$dir" "${targets[@]}" -- --quiet 2>&1); then
    printf '%s\n' "$output" >&2
    exit 1
fi
printf '%s\n' "$output" | grep -v '^ninja: no work to do' || true
