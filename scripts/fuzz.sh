#!/usr/bin/env bash
# Fuzzes the engine's readers with libFuzzer: builds build-fuzz with clang-14 (ASan, UBSan and
# the fuzzer's coverage), runs each harness of tests/fuzz/ for SECONDS (default 600), two at a
# time, each with its dictionary and on a copy of its corpus under build-fuzz/fuzz-run/, and
# writes a summary to bench/FUZZING.md.
#
#   scripts/fuzz.sh [--merge] [SECONDS] [NAMES...]
#   scripts/fuzz.sh --report      (writes the summary of the last run again)
#
# NAMES are harness names (texts, png, level, ...; default: all of tests/fuzz/fuzz_*.cpp).
# The checkout's corpora are only read, unless --merge is given: then the inputs that reached
# new coverage are merged back into tests/fuzz/corpus/<name>/ after the runs. A finding is
# left in build-fuzz/fuzz-run/<name>/artifacts/ (crash-*, leak-*, timeout-*, oom-*); replay
# it with build-fuzz/tests/fuzz/fuzz_<name> FILE.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build-fuzz
run=$build/fuzz-run
fuzz_dir=$root/tests/fuzz

merge=0
report_only=0
if [ "${1:-}" = "--merge" ]; then
    merge=1
    shift
elif [ "${1:-}" = "--report" ]; then
    report_only=1
    shift
fi
seconds=600
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi

die() { printf 'fuzz: error: %s\n' "$*" >&2; exit 1; }
say() { printf 'fuzz: %s\n' "$*" >&2; }

all=()
for source in "$fuzz_dir"/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    all+=("${name#fuzz_}")
done
requested=("$@")
names=("$@")
[ ${#names[@]} -gt 0 ] || names=("${all[@]}")
for name in "${names[@]}"; do
    [ -f "$fuzz_dir/fuzz_$name.cpp" ] || die "no harness $name (have: ${all[*]})"
done

run_all() {
    # clang 14 and its runtimes, libFuzzer among them.
    missing=()
    for package in clang-14 libclang-rt-14-dev; do
        [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" = "install ok installed" ] || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        say "installing ${missing[*]}"
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi

    "$root/scripts/setup.sh"

    # -O1 with assertions kept: the engine's own checks are part of what the fuzzer can trip.
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
        -DPELTERRA_FUZZ=ON -DPELTERRA_BENCHMARKS=OFF >/dev/null
    targets=()
    for name in "${names[@]}"; do targets+=("fuzz_$name"); done
    say "building ${#targets[@]} harnesses"
    if ! cmake --build "$build" -j2 --target "${targets[@]}" >"$build/fuzz-build.log" 2>&1; then
        tail -30 "$build/fuzz-build.log" >&2
        die "the build failed: see $build/fuzz-build.log"
    fi

    # Limits: one allocation over malloc_limit_mb is a finding (a size taken from a file without a
    # check); the images' own cap is 2^26 pixels of 4 bytes, so theirs sits just above it.
    limit_for() {
        case "$1" in
            png|jpeg|bmp|tga|pvr|ntx) echo 300 ;;
            *) echo 256 ;;
        esac
}

# The harnesses that read files by name write each input to a folder under TMPDIR: memory
# rather than a disk where there is one.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

fuzz_one() {
    local name=$1 dir=$run/$1
    rm -rf "$dir"
    mkdir -p "$dir/corpus" "$dir/artifacts"
    [ -d "$fuzz_dir/corpus/$name" ] && cp -r "$fuzz_dir/corpus/$name/." "$dir/corpus/"
    local seeds
    seeds=$(find "$dir/corpus" -type f | wc -l)
    local options=(-max_total_time="$seconds" -malloc_limit_mb="$(limit_for "$name")" -rss_limit_mb=2048 -timeout=10
                   -artifact_prefix="$dir/artifacts/" -print_final_stats=1)
    [ -f "$fuzz_dir/$name.dict" ] && options+=(-dict="$fuzz_dir/$name.dict")
    local start end status=0
    start=$(date +%s)
    (cd "$dir" && "$build/tests/fuzz/fuzz_$name" "${options[@]}" corpus >"$dir/log" 2>&1) || status=$?
    end=$(date +%s)
    echo "$seeds $((end - start)) $status $seconds" >"$dir/result"
}

say "running ${#names[@]} harnesses for $seconds s each, two at a time; logs in $run/<name>/log"
started=$(date +%s)
active=0
for name in "${names[@]}"; do
    if [ $active -ge 2 ]; then
        wait -n || true
        active=$((active - 1))
    fi
    say "$name"
    fuzz_one "$name" &
    active=$((active + 1))
done
wait || true
elapsed=$(($(date +%s) - started))
# The runs the summary tells of: a run of every harness starts the list again, a run of some
# (a harness again after a fix) adds to it, and the table shows each harness's latest run.
[ ${#requested[@]} -gt 0 ] || : >"$run/runs"
printf '%s|%s|%s|%s\n' "$(date -u '+%Y-%m-%d %H:%M UTC')" "$seconds" "$elapsed" "${names[*]}" >>"$run/runs"

if [ $merge -eq 1 ]; then
    for name in "${names[@]}"; do
        mkdir -p "$fuzz_dir/corpus/$name"
        before=$(find "$fuzz_dir/corpus/$name" -type f | wc -l)
        "$build/tests/fuzz/fuzz_$name" -merge=1 -malloc_limit_mb="$(limit_for "$name")" -rss_limit_mb=2048 -timeout=10 \
            "$fuzz_dir/corpus/$name" "$run/$name/corpus" >"$run/$name/merge.log" 2>&1 || say "merging $name failed: see $run/$name/merge.log"
        after=$(find "$fuzz_dir/corpus/$name" -type f | wc -l)
        say "merged $((after - before)) new inputs into tests/fuzz/corpus/$name"
    done
fi

}

# --- summary -----------------------------------------------------------------------------

write_report() {
    [ -s "$run/runs" ] || die "no run to report on in $run"
    local reported=() shortest=""
    for name in "${all[@]}"; do
        [ -f "$run/$name/result" ] || continue
        reported+=("$name")
        read -r _ _ _ asked <"$run/$name/result"
        if [ -z "$shortest" ] || [ "${asked:-0}" -lt "$shortest" ]; then shortest=${asked:-0}; fi
    done
    report=$root/bench/FUZZING.md
    total_findings=0
    {
        echo "# Fuzzing the readers"
        echo
        echo "Each harness of \`tests/fuzz/\` fed by libFuzzer for at least $shortest s, two at a time, with"
        echo "its dictionary, on a copy of its corpus (\`tests/fuzz/corpus/<name>/\`). Reproduce with:"
        echo
        echo '```'
        echo "scripts/fuzz.sh $shortest"
        echo '```'
        echo
        echo "- written: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
        echo "- machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(uname -m)"
        echo "- compiler: $(clang++-14 --version | head -1)"
        echo "- build: build-fuzz, -O1 -g, ASan + UBSan (-fno-sanitize-recover=all), -fsanitize=fuzzer"
        echo "- limits: -malloc_limit_mb=256 (300 for the images, whose cap is 2^26 pixels of 4 bytes), -rss_limit_mb=2048, -timeout=10"
        while IFS='|' read -r when asked elapsed which; do
            set -- $which
            local what="$# harnesses"
            [ $# -eq ${#all[@]} ] && what="every harness"
            [ $# -lt 4 ] && what=$(sed 's/ /, /g' <<<"$which")
            echo "- run of $when: $what for $asked s each, $elapsed s of wall time"
        done <"$run/runs"
        echo
        echo "| harness | executions | exec/s | cov | ft | corpus (seeds → end) | findings | time (s) |"
        echo "| --- | ---: | ---: | ---: | ---: | ---: | --- | ---: |"
        for name in "${reported[@]}"; do
            dir=$run/$name
            read -r seeds time status _ <"$dir/result"
            execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
            rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -1)
            last=$(grep -E '^#[0-9]+' "$dir/log" | grep -E 'cov: [0-9]+' | tail -1 || true)
            cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$last")
            ft=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$last")
            end_corpus=$(find "$dir/corpus" -type f | wc -l)
            findings=$(find "$dir/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
            total_findings=$((total_findings + findings))
            what="none"
            if [ "$findings" -gt 0 ]; then
                what=$(find "$dir/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) \
                           -printf '%f\n' | sed 's/-.*//' | sort | uniq -c | awk '{printf "%s%d %s", (NR > 1 ? ", " : ""), $1, $2}')
            elif [ "$status" -ne 0 ]; then
                what="exit $status (see log)"
            fi
            echo "| $name | ${execs:-?} | ${rate:-?} | ${cov:-?} | ${ft:-?} | $seeds → $end_corpus | $what | $time |"
        done
        echo
        regressions=$(cd "$fuzz_dir/corpus" && find . -type f -name 'regression-*' | sed 's|^\./||' | sort)
    if [ -n "$regressions" ]; then
        echo "Inputs of earlier findings, kept in the corpora and replayed by ./test.sh's sanitizer build:"
        echo
        sed 's|^\(.*\)/\(.*\)|- \1: `\2`|' <<<"$regressions"
        echo
    fi
    echo "Coverage is libFuzzer's last status line: cov counts the code edges reached, ft the"
        echo "features (edges with hit counts and value profiles). Lua, libpng, libjpeg and mpg123 are"
        echo "built without the fuzzer's coverage, so those harnesses see only the engine's side."
    } >"$report"
    say "summary in bench/FUZZING.md; $total_findings findings"
    [ $total_findings -eq 0 ]
}

[ $report_only -eq 1 ] || run_all
write_report
