#!/usr/bin/env bash
# Checks the engine's sources against the layer rules: usage: check-layers.sh [SRC]
#   - a layer includes only the layers below it (the table below is the order);
#   - SDL headers only in an sdl/ backend folder and the GL backends (their contexts live
#     on SDL windows), GL headers only in gr/gl/ and gr/gl1/, socket headers only in net/;
#   - the interpreter's headers only in the script bridge, lua/.
# Prints one line per offence ("file:line: what") and exits 1 if there is any.
set -euo pipefail
src=${1:-"$(dirname "${BASH_SOURCE[0]}")/../src"}

# What each layer may include besides itself: the one-way order of the layers.
declare -A allowed=(
    [lang]=""
    [io]="lang"
    [lua]="lang io"
    [pf]="lang io"
    [net]="lang io"
    [audio]="lang io"
    [gr]="lang io"
    [img]="lang io gr"
    [hgr]="lang io gr img"
    [framework]="lang io lua pf gr img hgr"
    [game]="lang io lua pf net audio gr img hgr framework"
    [app]="lang io lua pf net audio gr img hgr framework game"
)

failures=0
fail() {
    echo "$1"
    failures=$((failures + 1))
}

while IFS= read -r file; do
    relative=${file#"$src"/}
    layer=${relative%%/*}
    if [ -z "${allowed[$layer]+set}" ]; then
        fail "$file: unknown layer $layer (add it to scripts/check-layers.sh in its place)"
        continue
    fi
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z0-9_]+)/ ]]; then
            target=${BASH_REMATCH[1]}
            if [ "$target" != "$layer" ] && [ -n "${allowed[$target]+set}" ] &&
                [[ " ${allowed[$layer]} " != *" $target "* ]]; then
                fail "$file:$line: $layer includes $target, which is not below it"
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^>]+)\> ]]; then
            header=${BASH_REMATCH[1]}
            case $header in
            SDL*|SDL2/*)
                [[ $relative == */sdl/* || $relative == gr/gl/* || $relative == gr/gl1/* ]] ||
                    fail "$file:$line: <$header> outside an sdl/ backend folder and the GL backends" ;;
            GL/*|GLES*)
                [[ $relative == gr/gl/* || $relative == gr/gl1/* ]] ||
                    fail "$file:$line: <$header> outside gr/gl/ and gr/gl1/" ;;
            sys/socket.h|netdb.h|arpa/*|netinet/*)
                [[ $relative == net/* ]] || fail "$file:$line: <$header> outside net/" ;;
            lua.h|lauxlib.h|lualib.h|luaconf.h|lobject.h|lstate.h)
                [[ $relative == lua/* ]] || fail "$file:$line: <$header> outside the script bridge, lua/" ;;
            esac
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$failures" -gt 0 ]; then
    echo "check-layers: $failures include(s) break the layer rules" >&2
    exit 1
fi
