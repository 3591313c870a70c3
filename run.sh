#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the game: ./run.sh [config.lua]
# Without an argument the demo runs (demo/, enciphered into build/demo/ by the build).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/setup.sh
. scripts/build.sh

build build
if [ $# -eq 0 ]; then
    set -- build/demo/config.lua
fi
exec ./build/src/pelterra "$@"
