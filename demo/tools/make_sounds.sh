#!/bin/bash
# Synthesises every sound of Lanternfall with sox (Debian's sox package):
#
#     demo/tools/make_sounds.sh OUTDIR
#
# writes OUTDIR/*.wav as 16-bit mono 44100 Hz PCM, each peaking at -3 dB.
# Nothing is sampled: every sound is built from sox's own tones and noise. The noise
# is seeded (-R) and nothing is dithered (-D), so every run writes the same bytes.
# The music and the three rolling sounds are loops: their ends join without a click.
set -eu
export LC_ALL=C

if ! command -v sox >/dev/null 2>&1; then
    echo "make_sounds.sh: sox is not installed (Debian package sox); no sounds made" >&2
    exit 1
fi
if [ $# -ne 1 ]; then
    echo "usage: make_sounds.sh OUTDIR" >&2
    exit 2
fi
OUT=$1
if ! mkdir -p "$OUT" 2>/dev/null || [ ! -w "$OUT" ]; then
    echo "make_sounds.sh: cannot write into $OUT" >&2
    exit 1
fi

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

RATE=44100
# -R seeds the noise, -D leaves out dither: the same bytes every run
SOX="sox -R -D -V1"
PEAK=-3

# part NAME "SYNTH-ARGUMENTS" [SOX-EFFECTS...]: a working sound from one of sox's tones or
# noises. synth makes it at full scale, so it is turned down first to leave the filters
# room to ring without clipping; every sound is normalised at the end anyway.
part() {
    local name=$1 tone=$2
    shift 2
    # shellcheck disable=SC2086 # the tone's words are separate arguments of synth
    $SOX -n -r $RATE -c 1 -b 32 -e floating-point "$TMP/$name.wav" synth $tone gain -12 "$@"
}

# treat NAME FROM SOX-EFFECTS...: a working sound made from another one
treat() {
    local name=$1 from=$2
    shift 2
    $SOX "$TMP/$from.wav" -b 32 -e floating-point "$TMP/$name.wav" "$@"
}

# at NAME FROM SECONDS: FROM starting later
at() {
    treat "$1" "$2" pad "$3"
}

# mix NAME PART WEIGHT [PART WEIGHT...]: the parts summed, each scaled by its weight
mix() {
    local name=$1
    shift
    local inputs=()
    while [ $# -gt 0 ]; do
        inputs+=(-v "$2" "$TMP/$1.wav")
        shift 2
    done
    if [ ${#inputs[@]} -eq 3 ]; then
        $SOX "${inputs[@]}" -b 32 -e floating-point "$TMP/$name.wav"
    else
        $SOX -m "${inputs[@]}" -b 32 -e floating-point "$TMP/$name.wav"
    fi
}

# finish FILE PART [SOX-EFFECTS...]: writes OUT/FILE.wav, normalised to the common peak
finish() {
    local file=$1 from=$2
    shift 2
    $SOX "$TMP/$from.wav" -r $RATE -c 1 -b 16 -e signed-integer "$OUT/$file.wav" "$@" gain -n $PEAK
}

# oneshot FILE PART [SOX-EFFECTS...]: as finish, with a few milliseconds of fade at both
# ends so no sound starts or stops on a step
oneshot() {
    local file=$1 from=$2
    shift 2
    finish "$file" "$from" "$@" fade t 0.002 -0 0.006
}

# loop NAME FROM LENGTH: a loop of LENGTH seconds cut from the middle of FROM (which must
# run at least LENGTH + 0.42 s): what follows the cut is cross-faded into its start, so the end
# flows into the beginning. Anything periodic in FROM should repeat every LENGTH seconds.
loop() {
    local name=$1 from=$2 length=$3
    local settle=0.3 blend=0.12
    treat "$name-body" "$from" trim $settle "$length" fade q $blend
    treat "$name-tail" "$from" trim "$(awk -v a=$settle -v b="$length" 'BEGIN { print a + b }')" $blend \
        fade q 0 $blend $blend
    mix "$name" "$name-body" 1 "$name-tail" 1
}

# product A B: the product, for partials of a note and beats into seconds
product() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f\n", a * b }'
}

# ---- launch: the band lets go: a falling thwip over a soft rush of air
part launch-air "0.42 pinknoise" highpass 500 lowpass 3800 fade h 0.1 0.42 0.3
part launch-thwip "0.11 sine 1500/320" fade l 0 0.11 0.11
part launch-twang "0.26 triangle 190/120" lowpass 900 fade l 0 0.26 0.26
mix launch launch-air 0.55 launch-thwip 0.5 launch-twang 0.3
oneshot launch launch

# ---- stretch: the cane and the band creak as they are pulled back
part stretch-creak "0.45 square 105/175" tremolo 27 90 lowpass 1100 fade q 0.04 0.45 0.14
part stretch-rise "0.45 sine 380/620" tremolo 9 40 fade q 0.08 0.45 0.14
mix stretch stretch-creak 0.6 stretch-rise 0.25
oneshot stretch stretch

# ---- hits: bamboo knocks hollow and dry, stone thuds with grit, paper flaps
part wood-knock "0.16 sine 540" fade l 0 0.16 0.16
part wood-ring "0.08 sine 1330" fade l 0 0.08 0.08
part wood-body "0.12 sine 190" fade l 0 0.12 0.12
part wood-tick "0.025 noise" bandpass 2600 1o fade l 0 0.025 0.025
mix hit_wood wood-knock 0.55 wood-ring 0.22 wood-body 0.35 wood-tick 0.3
oneshot hit_wood hit_wood

part rock-thud "0.32 sine 110/52" fade l 0 0.32 0.32
part rock-body "0.22 brownnoise" lowpass 500 fade l 0 0.22 0.22
part rock-grit "0.18 noise" highpass 2400 tremolo 47 80 tremolo 71 60 fade l 0 0.18 0.18
mix hit_rock rock-thud 0.7 rock-body 0.5 rock-grit 0.18
oneshot hit_rock hit_rock

part light-flap "0.22 pinknoise" bandpass 2100 1.5o tremolo 38 70 fade h 0.008 0.22 0.18
part light-thump "0.08 sine 230" fade l 0 0.08 0.08
mix hit_light light-flap 0.6 light-thump 0.3
oneshot hit_light hit_light

# ---- breaks: bamboo cracks and splinters, stone crumbles, paper tears
part snap "0.06 noise" highpass 700 fade l 0 0.06 0.06
part splinter-a "0.04 noise" bandpass 1700 1o fade h 0.002 0.04 0.035
part splinter-b "0.035 noise" bandpass 2900 1o fade h 0.002 0.035 0.03
part wood-crack-body "0.32 sine 240/150" fade l 0 0.32 0.32
part wood-groan "0.45 sawtooth 92/68" lowpass 500 fade h 0.01 0.45 0.4
at s1 splinter-a 0.05
at s2 splinter-b 0.11
at s3 splinter-a 0.16
at s4 splinter-b 0.25
at s5 splinter-a 0.34
at s6 splinter-b 0.42
mix break_wood snap 0.7 wood-crack-body 0.45 wood-groan 0.22 s1 0.6 s2 0.5 s3 0.45 s4 0.35 s5 0.25 s6 0.15
oneshot break_wood break_wood

part crumble-thud "0.5 sine 82/44" fade l 0 0.5 0.5
part crumble-rumble "0.8 brownnoise" lowpass 320 fade h 0.01 0.8 0.7
part grain-a "0.05 noise" bandpass 1300 1o fade l 0 0.05 0.05
part grain-b "0.045 noise" bandpass 2500 1o fade l 0 0.045 0.045
part grain-c "0.04 noise" bandpass 3700 1o fade l 0 0.04 0.04
at g1 grain-a 0.0
at g2 grain-b 0.07
at g3 grain-c 0.12
at g4 grain-a 0.2
at g5 grain-b 0.29
at g6 grain-c 0.37
at g7 grain-a 0.48
at g8 grain-b 0.6
mix break_rock crumble-thud 0.6 crumble-rumble 0.5 g1 0.4 g2 0.36 g3 0.3 g4 0.3 g5 0.24 g6 0.2 g7 0.16 g8 0.12
oneshot break_rock break_rock

part tear-rip "0.42 pinknoise" highpass 1400 tremolo 67 85 tremolo 41 60 fade t 0.03 0.42 0.22
part tear-flap "0.1 pinknoise" bandpass 1500 1o fade l 0 0.1 0.1
at tear-flap-late tear-flap 0.32
mix break_light tear-rip 0.7 tear-flap-late 0.4
oneshot break_light break_light

# ---- pop: a gloomer bursts: two quick rising bubbles and a puff
part bubble-a "0.07 sine 240/880" fade l 0 0.07 0.07
part bubble-b "0.06 sine 420/1250" fade l 0 0.06 0.06
part bubble-c "0.05 sine 620/1550" fade l 0 0.05 0.05
part pop-puff "0.14 pinknoise" lowpass 1100 fade l 0 0.14 0.14
at bubble-b-late bubble-b 0.045
at bubble-c-late bubble-c 0.09
mix pop bubble-a 0.7 bubble-b-late 0.45 bubble-c-late 0.28 pop-puff 0.3
treat pop-wet pop lowpass 3500 pad 0 0.1 reverb 20 50 40
oneshot pop pop-wet

# ---- win: a rising major arpeggio of bell tones (the partials above the note die first)
bell() {
    local name=$1 f=$2 length=$3
    part "$name-1" "$length sine $f" fade h 0.003 "$length" "$length"
    part "$name-2" "$length sine $(product "$f" 2.0)" fade l 0.003 "$length" "$length"
    part "$name-3" "0.5 sine $(product "$f" 2.76)" fade l 0.002 0.5 0.5
    part "$name-4" "0.25 sine $(product "$f" 5.4)" fade l 0.002 0.25 0.25
    mix "$name" "$name-1" 0.5 "$name-2" 0.22 "$name-3" 0.16 "$name-4" 0.07
}
bell c5 523.25 1.4
bell e5 659.26 1.3
bell g5 783.99 1.2
bell c6 1046.50 1.5
at e5-late e5 0.12
at g5-late g5 0.24
at c6-late c6 0.36
mix win c5 0.5 e5-late 0.5 g5-late 0.5 c6-late 0.6
treat win-wet win pad 0 0.3 reverb 35 50 60
oneshot win win-wet

# ---- lose: down a minor third, the second note sagging
part lose-1 "0.5 triangle 392.00" lowpass 1800 fade h 0.02 0.5 0.3
part lose-1-low "0.5 sine 196.00" fade h 0.02 0.5 0.3
part lose-2 "0.95 triangle 329.63/316" lowpass 1600 tremolo 5 18 fade h 0.02 0.95 0.75
part lose-2-low "0.95 sine 164.81/158" fade h 0.02 0.95 0.75
at lose-2-late lose-2 0.42
at lose-2-low-late lose-2-low 0.42
mix lose lose-1 0.5 lose-1-low 0.2 lose-2-late 0.5 lose-2-low-late 0.2
treat lose-wet lose pad 0 0.2 reverb 30 50 50
oneshot lose lose-wet

# ---- click: a tiny tick for the buttons
part click-tone "0.025 sine 2400" fade l 0 0.025 0.025
part click-noise "0.008 noise" highpass 3000 fade l 0 0.008 0.008
mix click click-tone 0.7 click-noise 0.3
oneshot click click

# ---- music: 16 beats at 96 a minute = exactly 10 s. A pentatonic tune plucked over a bass
# line and a still pad. The pad's tones are whole tenths of a hertz and its swell lasts
# 5 s, so after 10 s every one of them is back where it started; the tune's echo that
# runs past the end is folded back onto the start.
BEAT=0.625
note() { # note NAME PITCH BEAT BEATS: a plucked note with a faint bell an octave up
    local name=$1 pitch=$2 start length
    start=$(product "$3" $BEAT)
    length=$(awk -v n="$4" -v b=$BEAT 'BEGIN { printf "%.6f\n", n * b + 0.6 }')
    part "$name-p" "$length pluck $pitch" lowpass 2600 fade l 0.004 "$length" "$length"
    part "$name-s" "$length sine $pitch" fade l 0.01 "$length" "$length"
    mix "$name-n" "$name-p" 0.8 "$name-s" 0.12
    at "$name" "$name-n" "$start"
}
TUNE="E5:0:1 D5:1:0.5 C5:1.5:0.5 D5:2:1 G4:3:1
A4:4:1.5 C5:5.5:0.5 D5:6:2
E5:8:1 G5:9:0.5 E5:9.5:0.5 D5:10:1 C5:11:1
A4:12:1 C5:13:1 G4:14:1.5"
mixargs=()
i=0
for n in $TUNE; do
    IFS=: read -r pitch beat beats <<<"$n"
    note "m$i" "$pitch" "$beat" "$beats"
    mixargs+=("m$i" 0.5)
    i=$((i + 1))
done
bassnote() { # bassnote NAME PITCH BEAT
    local start
    start=$(product "$3" $BEAT)
    part "$1-n" "2.6 sine $2" fade h 0.06 2.6 1.4
    at "$1" "$1-n" "$start"
}
bassnote b0 C3 0
bassnote b1 A2 4
bassnote b2 D3 8
bassnote b3 G2 12
mixargs+=(b0 0.35 b1 0.35 b2 0.35 b3 0.35)
mix tune-dry "${mixargs[@]}"
treat tune-wet tune-dry pad 0 3 reverb 45 50 70
treat tune-head tune-wet trim 0 10
treat tune-tail tune-wet trim 10
mix tune tune-head 1 tune-tail 1

padargs=()
for f in 196 262 262.3 330 440; do
    part "pad$f" "11 sine $f"
    padargs+=("pad$f" 0.2)
done
mix pad-raw "${padargs[@]}"
# the low-pass filter needs a moment to settle, so the first second is thrown away
treat pad pad-raw lowpass 900 tremolo 0.2 35 trim 1 10
mix music-raw tune 0.75 pad 0.32
finish music music-raw fade t 0.004 -0 0.004

# ---- rolling: filtered noise rumbling under a body rolling along; the bumps come at a
# whole number per second so they repeat with the one-second loop
part wood-roll-low "1.6 brownnoise" lowpass 380
part wood-roll-knock "1.6 pinknoise" bandpass 700 1o
mix wood-roll-raw wood-roll-low 0.7 wood-roll-knock 0.25
treat wood-roll wood-roll-raw tremolo 8 55
loop wood_rolling wood-roll 1
finish wood_rolling wood_rolling

part rock-roll-low "1.6 brownnoise" lowpass 210
part rock-roll-grit "1.6 noise" highpass 2800 tremolo 13 70
mix rock-roll-raw rock-roll-low 0.8 rock-roll-grit 0.06
treat rock-roll rock-roll-raw tremolo 6 35
loop rock_rolling rock-roll 1
finish rock_rolling rock_rolling

part light-roll-rustle "1.6 pinknoise" bandpass 1800 1.5o
part light-roll-low "1.6 brownnoise" lowpass 300
mix light-roll-raw light-roll-rustle 0.5 light-roll-low 0.3
treat light-roll light-roll-raw tremolo 11 60
loop light_rolling light-roll 1
finish light_rolling light_rolling
