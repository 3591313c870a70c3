# Sourced by test.sh and run.sh: build DIR [cmake options...] configures DIR once
# (again when the options change) and builds everything in it; build_target DIR TARGET
# [cmake options...] does the same for one target.
configure() {
    local dir=$1
    shift
    local options="$*"
    if [ ! -f "$dir/CMakeCache.txt" ] || [ "$(cat "$dir/.pelterra-options" 2>/dev/null)" != "$options" ]; then
        local generator=()
        command -v ninja >/dev/null 2>&1 && [ ! -f "$dir/CMakeCache.txt" ] && generator=(-G Ninja)
        cmake -S . -B "$dir" "${generator[@]}" "$@" >/dev/null
        echo "$options" > "$dir/.pelterra-options"
    fi
}

build() {
    configure "$@"
    cmake --build "$1" -j "$(nproc)"
}

build_target() {
    local dir=$1 target=$2
    shift 2
    configure "$dir" "$@"
    cmake --build "$dir" -j "$(nproc)" --target "$target"
}
