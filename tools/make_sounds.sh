#!/usr/bin/env bash
# Makes the game's 25 sounds (assets/sounds/*.ogg) from nothing but sox synthesis and
# espeak-ng speech. Needs: sox, libsox-fmt-all, espeak-ng. Deterministic: the random
# placements use a fixed seed. Usage: tools/make_sounds.sh [output-dir]
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/assets/sounds}"
RATE=22050
mkdir -p "$OUT"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

SOX="sox -R -q -V1"
tmp() { mktemp -p "$WORK" --suffix=.wav; }
# calc EXPR: floating-point arithmetic
calc() { awk "BEGIN { printf \"%.4f\", $1 }"; }

# note OUT DURATION TYPE SEMITONES_FROM_A4 VOLUME FADEIN FADEOUT
note() {
    $SOX -n -r $RATE -c 1 "$1" synth "$2" "$3" "%$4" vol "$5" fade q "$6" "$2" "$7"
}
# rest OUT DURATION
rest() { $SOX -n -r $RATE -c 1 "$1" trim 0 "$2"; }
# mix OUT IN... (no automatic scaling)
mix() {
    local out="$1"; shift
    if [ $# -eq 1 ]; then cp "$1" "$out"; return; fi
    local args=() f
    for f in "$@"; do args+=(-v 1 "$f"); done
    $SOX -m "${args[@]}" "$out"
}
# at OUT IN SECONDS: IN delayed by SECONDS
at() { $SOX "$2" "$1" pad "$3" 0; }
# fit OUT IN SECONDS: cut or pad to exactly SECONDS
fit() { $SOX "$2" "$1" pad 0 "$3" trim 0 "$3"; }
# loopify OUT IN LENGTH XFADE: a seamless loop of LENGTH seconds from IN (at least
# LENGTH + XFADE long): the XFADE seconds after LENGTH are faded into the start.
loopify() {
    local out="$1" in="$2" len="$3" x="$4"
    local head body tail mixed
    head=$(tmp); body=$(tmp); tail=$(tmp); mixed=$(tmp)
    $SOX "$in" "$head" trim 0 "$x" fade t "$x"
    $SOX "$in" "$tail" trim "$len" "$x" fade t 0 "$x" "$x"
    $SOX "$in" "$body" trim "$x" "$(calc "$len - $x")"
    mix "$mixed" "$head" "$tail"
    $SOX "$mixed" "$body" "$out"
}
# encode NAME IN QUALITY: normalise to PEAK dBFS and write NAME.ogg
encode() {
    local name="$1" in="$2" q="$3" peak="${4:--1}"
    $SOX "$in" -r $RATE -c 1 -C "$q" "$OUT/$name.ogg" gain -n "$peak"
}
# encode_loop: like encode but keeps the exact length and avoids a level jump at the seam
encode_loop() { encode "$@"; }

RANDOM=4711

# ---- bgm: eight bars of a slow A minor piece (Am F Dm E, twice), 80 bpm, 24 s --------
BEAT=0.75
BAR=3
chords=( "-12 -9 -5" "-16 -12 -9" "-19 -14 -10" "-17 -13 -10"
         "-12 -9 -5" "-16 -12 -9" "-19 -14 -10" "-17 -13 -8" )
roots=( -24 -28 -31 -29 -24 -28 -31 -29 )
# melody per bar: "beat:length:semitone" (semitones from A4), empty = rest
melody=( "0:2:7 2:1:5 3:1:3" "0:3:0 3:1:-2" "0:1:5 1:1:3 2:2:2" "0:2:-1 2:2:-4"
         "0:1:0 1:1:3 2:1:7 3:1:8" "0:3:7 3:1:5" "0:1:5 1:1:3 2:1:2 3:1:-1" "0:4:-3" )
pad_parts=(); bass_parts=(); mel_parts=()
for b in $(seq 0 7); do
    tones=()
    for s in ${chords[$b]}; do
        f=$(tmp); note "$f" $BAR triangle "$s" 0.16 0.35 0.6; tones+=("$f")
    done
    f=$(tmp); mix "$f" "${tones[@]}"; pad_parts+=("$f")
    f=$(tmp); note "$f" $BAR sine "${roots[$b]}" 0.5 0.05 0.9; bass_parts+=("$f")
    pieces=()
    for ev in ${melody[$b]}; do
        IFS=: read -r start len semi <<<"$ev"
        d=$(calc "$len * $BEAT")
        f=$(tmp); note "$f" "$d" pluck "$semi" 0.5 0.005 "$(calc "$d * 0.6")"
        g=$(tmp); at "$g" "$f" "$(calc "$start * $BEAT")"; pieces+=("$g")
    done
    f=$(tmp); mix "$f" "${pieces[@]}"; g=$(tmp); fit "$g" "$f" $BAR; mel_parts+=("$g")
done
pad=$(tmp); $SOX "${pad_parts[@]}" "$pad"
bass=$(tmp); $SOX "${bass_parts[@]}" "$bass"
mel=$(tmp); $SOX "${mel_parts[@]}" "$mel"
one=$(tmp); mix "$one" "$pad" "$bass" "$mel"
# Played twice through a reverb; the second pass already carries the first pass's tail,
# so cut at the bar lines it loops without a seam.
two=$(tmp); $SOX "$one" "$one" "$two" reverb 40 50 80
bgm=$(tmp); $SOX "$two" "$bgm" trim 24 24
encode_loop bgm "$bgm" 3 -3

# ---- fire: rumble and crackle, 6 s loop ------------------------------------------------
base=$(tmp); $SOX -n -r $RATE -c 1 "$base" synth 7 brownnoise vol 0.5 lowpass 600 tremolo 0.7 30
crackles=("$base")
for i in $(seq 1 45); do
    r=$((RANDOM % 6900)); t=$(calc "$r / 1000")
    r=$((RANDOM % 18)); d=$(calc "(4 + $r) / 1000")
    r=$((RANDOM % 60)); v=$(calc "(20 + $r) / 100")
    c=$(tmp); $SOX -n -r $RATE -c 1 "$c" synth "$d" whitenoise vol "$v" highpass 1500 fade q 0.001 "$d" 0.003
    g=$(tmp); at "$g" "$c" "$t"; crackles+=("$g")
done
fire=$(tmp); mix "$fire" "${crackles[@]}"
firel=$(tmp); loopify "$firel" "$fire" 6 0.8
encode_loop fire "$firel" 1 -3

# ---- battleAmbience: a distant battle, 8 s loop -----------------------------------------
layers=()
r=$(tmp); $SOX -n -r $RATE -c 1 "$r" synth 9 brownnoise vol 0.6 lowpass 250 tremolo 0.3 40; layers+=("$r")
for i in $(seq 1 22); do   # sword clashes: inharmonic metal partials
    r=$((RANDOM % 8800)); t=$(calc "$r / 1000")
    base=$((1500 + RANDOM % 1500))
    parts=()
    for k in 1 2.76 5.4; do
        f=$(tmp); $SOX -n -r $RATE -c 1 "$f" synth 0.35 sine "$(calc "$base * $k")" vol 0.3 fade l 0.001 0.35 0.34; parts+=("$f")
    done
    f=$(tmp); $SOX -n -r $RATE -c 1 "$f" synth 0.04 whitenoise vol 0.5 highpass 2000 fade l 0.001 0.04 0.039; parts+=("$f")
    c=$(tmp); mix "$c" "${parts[@]}"; g=$(tmp); at "$g" "$c" "$t"; layers+=("$g")
done
for i in $(seq 1 10); do   # war drums
    t=$(calc "$i * 0.85")
    d=$(tmp); $SOX -n -r $RATE -c 1 "$d" synth 0.4 sine 90-45 vol 0.9 fade q 0.002 0.4 0.38
    g=$(tmp); at "$g" "$d" "$t"; layers+=("$g")
done
for i in 1 2 3; do          # far-off shouts
    r=$((RANDOM % 7000)); t=$(calc "$r / 1000")
    s=$(tmp); espeak-ng -v en -p $((20 + RANDOM % 30)) -s 120 -a 60 -w "$s" "aaaargh"
    g=$(tmp); $SOX "$s" -r $RATE "$g" pad "$t" 0; layers+=("$g")
done
battle=$(tmp); mix "$battle" "${layers[@]}"
distant=$(tmp); $SOX "$battle" "$distant" lowpass 1400 lowpass 1400 reverb 60 50 100 trim 0 9
battlel=$(tmp); loopify "$battlel" "$distant" 8 1
encode_loop battleAmbience "$battlel" 1 -3

# ---- pickup: a bright two-note chime ----------------------------------------------------
a=$(tmp); note "$a" 0.7 sine 15 0.5 0.003 0.65
b=$(tmp); note "$b" 0.6 sine 19 0.5 0.003 0.55; b2=$(tmp); at "$b2" "$b" 0.12
p=$(tmp); mix "$p" "$a" "$b2"
encode pickup "$p" 1

# ---- abyss: a falling wind whoosh -------------------------------------------------------
w=$(tmp); $SOX -n -r $RATE -c 1 "$w" synth 2.2 pinknoise vol 0.8 lowpass 1200 fade q 0.7 2.2 1.2
s=$(tmp); $SOX -n -r $RATE -c 1 "$s" synth 2.2 sine 320-60 vol 0.35 fade q 0.5 2.2 1.0
ab=$(tmp); mix "$ab" "$w" "$s"
ab2=$(tmp); $SOX "$ab" "$ab2" reverb 50 50 90 trim 0 2.6
encode abyss "$ab2" 1

# ---- narrations -------------------------------------------------------------------------
speak() {
    local name="$1" text="$2" raw shaped
    raw=$(tmp); shaped=$(tmp)
    espeak-ng -v en-gb -s 140 -p 30 -w "$raw" "$text"
    $SOX "$raw" -r $RATE "$shaped" bass 3 reverb 20 50 40 pad 0.1 0.3
    encode "$name" "$shaped" 2
}
speak narIntro "Master thief. Three artifacts of power lie hidden in these ruins. Steal them all before time runs out. And beware the abyss."
speak narBag "The Coin of Command. Whoever holds it, commands."
speak narChest "The Eldritch Legacy. Old magic, older than these stones."
speak narMap "The Bone Atlas. Every hidden road, drawn on bone."
speak narOutro "You escaped with the artifacts of power. The night belongs to the thief."

# ---- landing: a heavy thud --------------------------------------------------------------
t1=$(tmp); $SOX -n -r $RATE -c 1 "$t1" synth 0.45 sine 85-38 vol 0.9 fade q 0.002 0.45 0.42
t2=$(tmp); $SOX -n -r $RATE -c 1 "$t2" synth 0.12 brownnoise vol 0.7 lowpass 500 fade q 0.001 0.12 0.11
ld=$(tmp); mix "$ld" "$t1" "$t2"
encode landing "$ld" 1

# ---- infoPoint: a soft chime loop, 3 s ---------------------------------------------------
c1=$(tmp); note "$c1" 1.4 sine 19 0.4 0.01 1.35
c2=$(tmp); note "$c2" 1.4 sine 14 0.3 0.01 1.35; c2d=$(tmp); at "$c2d" "$c2" 0.5
c3=$(tmp); note "$c3" 1.2 sine 26 0.12 0.01 1.15
ci=$(tmp); mix "$ci" "$c1" "$c2d" "$c3"
cil=$(tmp); fit "$cil" "$ci" 3
encode_loop infoPoint "$cil" 1 -6

# ---- clock: tick-tock for 11 s ----------------------------------------------------------
tick=$(tmp); $SOX -n -r $RATE -c 1 "$tick" synth 0.5 sine 2400 vol 0.6 fade q 0.0005 0.5 0.48 lowpass 5000
tock=$(tmp); $SOX -n -r $RATE -c 1 "$tock" synth 0.5 sine 1800 vol 0.6 fade q 0.0005 0.5 0.48 lowpass 5000
# sharpen the attack: a short decay envelope
tk=$(tmp); $SOX "$tick" "$tk" fade q 0 0.5 0.47 trim 0 0.5
tc=$(tmp); $SOX "$tock" "$tc" fade q 0 0.5 0.47 trim 0 0.5
seq_parts=()
for i in $(seq 1 11); do seq_parts+=("$tk" "$tc"); done
cl=$(tmp); $SOX "${seq_parts[@]}" "$cl"
encode clock "$cl" 1 -3

# ---- jumps: an effort grunt over a short whoosh ------------------------------------------
grunts=("hup" "hah" "hmph" "hyah")
pitches=(28 34 24 38)
for i in 1 2 3 4; do
    g=$(tmp); espeak-ng -v en -s 260 -p "${pitches[$((i - 1))]}" -a 110 -w "$g" "${grunts[$((i - 1))]}"
    gs=$(tmp); $SOX "$g" -r $RATE "$gs" trim 0 0.35 lowpass 2500
    wh=$(tmp); $SOX -n -r $RATE -c 1 "$wh" synth 0.4 pinknoise vol 0.25 bandpass $((700 + i * 150)) 600h fade q 0.08 0.4 0.3
    j=$(tmp); mix "$j" "$gs" "$wh"
    encode "jump$i" "$j" 1 -2
done

# ---- steps on stone: eight varied scuffs, 0.42 s each (the walk's pace) -------------------
for i in 1 2 3 4 5 6 7 8; do
    lp=$((1600 + RANDOM % 1600)); hp=$((90 + RANDOM % 80)); th=$((110 + RANDOM % 60))
    r=$((RANDOM % 30)); v=$(calc "(70 + $r) / 100")
    h=$(tmp); $SOX -n -r $RATE -c 1 "$h" synth 0.09 brownnoise vol "$v" highpass "$hp" lowpass "$lp" fade q 0.001 0.09 0.085
    k=$(tmp); $SOX -n -r $RATE -c 1 "$k" synth 0.06 sine "$th" vol 0.5 fade q 0.001 0.06 0.055
    gr=$(tmp); $SOX -n -r $RATE -c 1 "$gr" synth 0.05 whitenoise vol 0.12 highpass 3000 fade q 0.001 0.05 0.045
    grd=$(tmp); at "$grd" "$gr" 0.02
    st=$(tmp); mix "$st" "$h" "$k" "$grd"
    stf=$(tmp); fit "$stf" "$st" 0.42
    encode "step$i" "$stf" 1 -4
done

echo "Sounds written to $OUT"
