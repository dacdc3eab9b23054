#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
build=build/release
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBRATH_TESTS=OFF >/dev/null
cmake --build "$build" --target mebrath
exec "$build/app/mebrath" "$@"
