#!/usr/bin/env bash
# Writes the seed inputs of tests/fuzz/corpus/<harness>/ (the files named seed-*): the
# resource files through the engine's own writers (MakeSeeds.cpp, built in BUILD_DIR), the
# images with PIL as the image tests make theirs, the MP3s with sox and lame. Inputs kept
# from findings (crash-*, and any other name) are left alone.
#
#   tests/fuzz/make-seeds.sh [BUILD_DIR]    (a configured sanitizer or fuzz build; default build-fuzz)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build-fuzz}
corpus=$root/tests/fuzz/corpus

[ -f "$build/CMakeCache.txt" ] || { echo "make-seeds: $build is not a configured build folder" >&2; exit 1; }
cmake --build "$build" -j2 --target fuzz_make_seeds >/dev/null

find "$corpus" -name 'seed-*' -delete 2>/dev/null || true
"$build/tests/fuzz/fuzz_make_seeds" "$corpus" "$root"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The system interpreter, whose PIL scripts/setup.sh installs.
/usr/bin/python3 "$root/tests/img/make_images.py" "$scratch"
mkdir -p "$corpus"/{png,jpeg,bmp,tga}
for image in "$scratch"/*.png "$scratch"/*.jpg "$scratch"/*.bmp "$scratch"/*.tga; do
    name=$(basename "$image")
    case "$name" in
        *.png) dir=png ;; *.jpg) dir=jpeg ;; *.bmp) dir=bmp ;; *.tga) dir=tga ;;
    esac
    cp "$image" "$corpus/$dir/seed-$name"
done

mkdir -p "$corpus/mp3"
sox -n -r 22050 -c 1 "$scratch/mono.wav" synth 0.1 sine 441
sox -n -r 44100 -c 2 "$scratch/stereo.wav" synth 0.1 sine 441 sine 660
lame --quiet -b 32 "$scratch/mono.wav" "$corpus/mp3/seed-mono.mp3"
lame --quiet -b 64 "$scratch/stereo.wav" "$corpus/mp3/seed-stereo.mp3"

du -sh "$corpus"
