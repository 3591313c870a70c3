#!/usr/bin/env bash
# The layer check passes on the sources and catches each kind of offence planted in a copy.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
check="$root/scripts/check-layers.sh"
"$check" "$root/src" || { echo "FAIL: the sources break the layer rules"; exit 1; }

status=0
plant() { # FILE LINE EXPECTED-MESSAGE
    local copy
    copy=$(mktemp -d)
    cp -r "$root/src" "$copy/src"
    echo "$2" >> "$copy/src/$1"
    local out
    out=$("$check" "$copy/src" 2>&1)
    if [ $? -eq 0 ] || [[ $out != *"$3"* ]]; then
        echo "FAIL: '$2' in $1 was not reported as '$3': $out"
        status=1
    fi
    rm -rf "$copy"
}
plant io/PathName.h '#include "game/GameLua.h"' "io includes game, which is not below it"
plant gr/Context.h '#include "img/ImageReader.h"' "gr includes img, which is not below it"
plant game/World.h '#include <SDL.h>' "<SDL.h> outside an sdl/ backend folder"
plant gr/Context.cpp '#include <GL/glew.h>' "<GL/glew.h> outside gr/gl/ and gr/gl1/"
plant pf/Launcher.h '#include <sys/socket.h>' "<sys/socket.h> outside net/"
plant game/World.cpp '#include <lua.h>' "<lua.h> outside the script bridge, lua/"
[ $status -eq 0 ] && echo "check-layers: every planted offence reported"
exit $status
