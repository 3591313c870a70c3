# Sourced by test.sh and run.sh: build DIR [cmake options...] configures DIR once
# (again when the options change) and builds it.
build() {
    local dir=$1
    shift
    local options="$*"
    if [ ! -f "$dir/CMakeCache.txt" ] || [ "$(cat "$dir/.pelterra-options" 2>/dev/null)" != "$options" ]; then
        local generator=()
        command -v ninja >/dev/null 2>&1 && [ ! -f "$dir/CMakeCache.txt" ] && generator=(-G Ninja)
        cmake -S . -B "$dir" "${generator[@]}" "$@" >/dev/null
        echo "$options" > "$dir/.pelterra-options"
    fi
    cmake --build "$dir" -j "$(nproc)"
}
