#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the game: ./run.sh [config.lua]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/setup.sh
. scripts/build.sh

build build
exec ./build/src/pelterra "$@"
