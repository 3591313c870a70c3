#!/usr/bin/env bash
# Sets up what is missing, builds, and starts a game:
#   ./run.sh                 the demo game, Lanternfall (demo/, built into build/lanternfall/)
#   ./run.sh GAME_FOLDER     a game's source folder (it holds game.lua): pelterra-build
#                            builds it into GAME_FOLDER/build, then the engine runs that
#   ./run.sh CONFIG.lua      a built game's configuration
# Anything after the first argument goes to the engine.
set -euo pipefail
# Paths are the caller's, relative to where ./run.sh was started.
if [ $# -gt 0 ] && [ -e "$1" ]; then
    first=$(realpath "$1")
    shift
    set -- "$first" "$@"
fi
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/setup.sh
. scripts/build.sh

build build
if [ $# -eq 0 ]; then
    set -- build/lanternfall/config.lua
elif [ -d "$1" ] && [ -f "$1/game.lua" ]; then
    game=$1
    shift
    ./build/tools/pelterra-build "$game" "$game/build"
    set -- "$game/build/config.lua" "$@"
fi
exec ./build/src/pelterra "$@"
