#!/usr/bin/env bash
# Installs what Pelterra needs to build, test and run, and builds the two
# dependencies that must be compiled our way (Lua with float numbers, Box2D
# with a run-time maximum translation) into the git-ignored .deps/.
# Idempotent: a second run with nothing changed installs and builds nothing.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/.deps"
jobs=$(nproc 2>/dev/null || echo 2)

say() { printf 'setup: %s\n' "$*" >&2; }
die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null 2>&1; then sudo "$@"
    else die "need root (or sudo) to run: $*"
    fi
}

# --- Debian packages ---------------------------------------------------------

packages=(
    build-essential cmake ninja-build pkg-config patch xz-utils dpkg-dev
    libsdl2-dev libglew-dev libpng-dev libjpeg-dev zlib1g-dev libmpg123-dev libgcrypt20-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth mesa-utils libgl1-mesa-dri xdotool
    libfreetype-dev fonts-dejavu-core
    lame sox python3-pil
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing Debian packages: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# --- Debian source packages, through a private list --------------------------

# The machine's own apt configuration is left alone: the deb-src line, the
# package lists and apt's caches for it all live under .deps/apt.
apt_dir="$deps/apt"
apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=/dev/null"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Debug::NoLocking=1"
)

fetched_lists=0
fetch_source() {  # fetch_source PACKAGE VERSION DIR -> unpacked tree in $deps/src/DIR
    local pkg=$1 version=$2 dir=$3
    if [ -f "$deps/src/$dir/.unpacked" ]; then return; fi
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
    if [ $fetched_lists -eq 0 ]; then
        local codename signed=""
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
        [ -f /usr/share/keyrings/debian-archive-keyring.gpg ] &&
            signed=" [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]"
        echo "deb-src$signed http://deb.debian.org/debian $codename main" > "$apt_dir/sources.list"
        say "reading the Debian source package lists"
        apt-get "${apt_opts[@]}" update -qq || die "apt-get update of the source lists failed"
        fetched_lists=1
    fi
    say "fetching the Debian source package $pkg $version"
    rm -rf "${deps:?}/src/$dir"
    (cd "$deps/src" && apt-get "${apt_opts[@]}" source -qq "$pkg=$version" 2>&1 | grep -v '^W: Download is performed unsandboxed' >&2 || true)
    [ -d "$deps/src/$dir" ] || die "apt-get source $pkg=$version did not unpack $dir"
    touch "$deps/src/$dir/.unpacked"
}

# --- Lua 5.1.5, compiled as C++ with float numbers ---------------------------

lua_version=5.1.5-9
lua_patches=("$root/scripts/patches/lua5.1-float.patch" "$root/scripts/patches/lua5.1-gc-step.patch")
lua_flags="-O2 -g -fPIC -DLUA_USE_POSIX -DLUA_USE_DLOPEN -Wno-deprecated"
lua_recipe=2  # raise when the steps below change what lands in .deps/lua
lua_stamp=$(printf '%s\n%s\n%s\n' "$lua_version" "$lua_flags" "$lua_recipe" | cat - "${lua_patches[@]}" | sha256sum | cut -d' ' -f1)
lua_out="$deps/lua"

if [ "$(cat "$lua_out/.stamp" 2>/dev/null)" != "$lua_stamp" ]; then
    fetch_source lua5.1 "$lua_version" lua5.1-5.1.5
    say "building Lua $lua_version (C++, float numbers)"
    work="$deps/build/lua"
    rm -rf "$work" "$lua_out"
    mkdir -p "$deps/build" "$lua_out/include" "$lua_out/lib"
    cp -r "$deps/src/lua5.1-5.1.5" "$work"
    # Debian's own patches (the vararg stack-overflow fix among them) are
    # applied by the unpacking; ours go on top.
    for p in "${lua_patches[@]}"; do
        (cd "$work" && patch -s -p1 < "$p") || die "the Lua patch $(basename "$p") does not apply"
    done
    # The module-paths patch expects the header Debian's build generates.
    multiarch=$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)
    echo "#define DEB_HOST_MULTIARCH \"$multiarch\"" > "$work/src/lua5.1-deb-multiarch.h"
    lua_core="lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes lparser
              lstate lstring ltable ltm lundump lvm lzio
              lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib loadlib linit"
    # shellcheck disable=SC2086
    printf '%s\n' $lua_core | (cd "$work/src" &&
        xargs -P "$jobs" -I{} sh -c "g++ -x c++ $lua_flags -c {}.c -o {}.o") ||
        die "compiling Lua failed"
    (cd "$work/src" && ar rcs "$lua_out/lib/liblua5.1.a" ./*.o)
    cp "$work/src/"{lua.h,luaconf.h,lualib.h,lauxlib.h,lua5.1-deb-multiarch.h} "$lua_out/include/"
    # The interpreter's own headers, for the script bridge's fast path into its stack.
    mkdir -p "$lua_out/internal"
    cp "$work/src/"*.h "$lua_out/internal/"
    echo "$lua_stamp" > "$lua_out/.stamp"
fi

# --- Box2D 2.4.1 with the maximum translation as a run-time variable ---------

box2d_version=2.4.1-3
box2d_patch="$root/scripts/patches/box2d-max-translation.patch"
box2d_flags="-DCMAKE_BUILD_TYPE=Release -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DBOX2D_BUILD_UNIT_TESTS=OFF -DBOX2D_BUILD_TESTBED=OFF -DBOX2D_BUILD_DOCS=OFF -DBUILD_SHARED_LIBS=OFF"
box2d_recipe=1  # raise when the steps below change what lands in .deps/box2d
box2d_stamp=$(printf '%s\n%s\n%s\n' "$box2d_version" "$box2d_flags" "$box2d_recipe" | cat - "$box2d_patch" | sha256sum | cut -d' ' -f1)
box2d_out="$deps/box2d"

if [ "$(cat "$box2d_out/.stamp" 2>/dev/null)" != "$box2d_stamp" ]; then
    fetch_source box2d "$box2d_version" box2d-2.4.1
    say "building Box2D $box2d_version"
    work="$deps/build/box2d"
    rm -rf "$work" "$box2d_out"
    mkdir -p "$deps/build"
    cp -r "$deps/src/box2d-2.4.1" "$work"
    (cd "$work" && patch -s -p1 < "$box2d_patch") || die "the Box2D patch does not apply"
    # shellcheck disable=SC2086
    cmake -S "$work" -B "$work/build" $box2d_flags -DCMAKE_INSTALL_PREFIX="$box2d_out" >/dev/null ||
        die "configuring Box2D failed"
    cmake --build "$work/build" -j "$jobs" >/dev/null || die "building Box2D failed"
    cmake --install "$work/build" >/dev/null || die "installing Box2D failed"
    echo "$box2d_stamp" > "$box2d_out/.stamp"
fi
