#!/bin/bash
# Generates every texture the game reads from assets/textures/ and verifies the result.
#
#   tools/make_textures.sh            write into <repo>/assets/textures
#   tools/make_textures.sh OUTDIR     write into OUTDIR instead (same layout)
#
# Needs (Debian 12): python3-numpy, imagemagick, libnvtt-bin, gcc, libdevil-dev.
# All randomness uses fixed seeds, so a re-run gives the same images.
#
#   level/     ground01 sun stone_16 wall_01 grey02 green   512x512 (sun 256x256), DXT1/DXT3/DXT5
#   skybox/    right left top bottom front back (.jpg)      faces +X -X +Y -Y +Z -Z, RGB
#   particles/ particle.dds                                   64x64 DXT5
#   lensFlare/ tex1.dds .. tex9.dds                           128x128 or 256x256 DXT5
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/.." && pwd)"
out="${1:-$repo/assets/textures}"

PY=/usr/bin/python3          # Debian's interpreter: it sees python3-numpy
CONVERT=/usr/bin/convert     # ImageMagick 6
SKY_SIZE=1024
JPEG_QUALITY=85

fail() { echo "make_textures: $*" >&2; exit 1; }

[ -x "$PY" ] || fail "$PY is missing (apt-get install python3)"
"$PY" -c 'import numpy' 2>/dev/null || fail "numpy is missing for $PY (apt-get install python3-numpy)"
[ -x "$CONVERT" ] || fail "$CONVERT is missing (apt-get install imagemagick)"
command -v nvcompress >/dev/null || fail "nvcompress is missing (apt-get install libnvtt-bin)"
command -v gcc >/dev/null || fail "gcc is missing (apt-get install gcc)"
[ -f /usr/include/IL/il.h ] || fail "DevIL headers are missing (apt-get install libdevil-dev)"

work="$(mktemp -d "${TMPDIR:-/tmp}/make_textures.XXXXXX")"
trap 'rm -rf "$work"' EXIT

echo "== drawing images"
"$PY" "$here/textures/level_textures.py" "$work/level"
"$PY" "$here/textures/sprites.py" "$work/sprites"
"$PY" "$here/textures/skybox.py" "$work/sky" "$SKY_SIZE"

mkdir -p "$out/level" "$out/skybox" "$out/particles" "$out/lensFlare"

# Only level 0 is stored: the game reads just the top level and builds its own mipmaps.
# ImageMagick's quick endpoint search is used (its cluster fit takes minutes per image);
# dxt_refit.py then polishes the colour blocks of the opaque surfaces.
dxt1() {  # opaque: ImageMagick writes DXT1 when the image has no alpha channel
    "$CONVERT" "$1" -alpha off -define dds:compression=dxt1 -define dds:mipmaps=0 "$2"
    "$PY" "$here/textures/dxt_refit.py" "$1" "$2"
}
dxt5() {  # an alpha channel must be present, or ImageMagick silently falls back to DXT1
    "$CONVERT" "$1" -alpha set -define dds:compression=dxt5 -define dds:mipmaps=0 "$2"
}
dxt5_refit() {  # the colour blocks are refined; the alpha blocks stay as encoded
    dxt5 "$1" "$2"
    "$PY" "$here/textures/dxt_refit.py" "$1" "$2"
}
dxt3() {  # ImageMagick 6 cannot write DXT3 (asking for it yields DXT5), so nvcompress does
    local png="$work/$(basename "$1" .pam).dxt3src.png"
    "$CONVERT" "$1" -alpha set "$png"
    nvcompress -nocuda -bc2 -alpha -nomips -repeat "$png" "$2" >"$work/nvcompress.log" 2>&1 \
        || { cat "$work/nvcompress.log" >&2; fail "nvcompress failed on $1"; }
    "$PY" "$here/textures/dxt_refit.py" "$1" "$2"
}

echo "== level textures"
dxt1 "$work/level/ground01.pam" "$out/level/ground01.dds"
dxt5_refit "$work/level/sun.pam"  "$out/level/sun.dds"
dxt1 "$work/level/stone_16.pam" "$out/level/stone_16.dds"
dxt3 "$work/level/wall_01.pam"  "$out/level/wall_01.dds"
dxt1 "$work/level/grey02.pam"   "$out/level/grey02.dds"
dxt5_refit "$work/level/green.pam" "$out/level/green.dds"

echo "== particle and lens-flare sprites"
dxt5 "$work/sprites/particle.pam" "$out/particles/particle.dds"
for i in 1 2 3 4 5 6 7 8 9; do
    dxt5 "$work/sprites/tex$i.pam" "$out/lensFlare/tex$i.dds"
done

echo "== skybox"
for face in right left top bottom front back; do
    # TrueColor keeps three channels even for a face that happens to be grey; no metadata,
    # so the files do not change between runs
    "$CONVERT" "$work/sky/$face.ppm" -type TrueColor -strip -quality "$JPEG_QUALITY" \
        -sampling-factor 2x2 "$out/skybox/$face.jpg"
done

echo "== checking DDS files"
gcc -O2 -Wall -Wextra -o "$work/check_dds" "$here/check_dds.c" -lIL
"$work/check_dds" \
    --opaque "$out"/level/{ground01,stone_16,wall_01,grey02,green}.dds \
    --sprite "$out/level/sun.dds" "$out/particles/particle.dds" "$out"/lensFlare/tex{1,2,3,4,5,6,7,8,9}.dds

echo "== checking skybox faces"
size=""
for face in right left top bottom front back; do
    f="$out/skybox/$face.jpg"
    info="$("$CONVERT" "$f" -format '%m %w %h %[channels]' info:)"
    read -r fmt w h channels <<<"$info"
    [ "$fmt" = JPEG ] || fail "$f: not a JPEG ($fmt)"
    [ "$w" = "$h" ] || fail "$f: not square (${w}x${h})"
    [ -z "$size" ] || [ "$w" = "$size" ] || fail "$f: ${w}x${h} differs from the other faces"
    size="$w"
    case "$channels" in srgb|rgb) ;; *) fail "$f: channels '$channels', expected three (RGB)";; esac
    echo "ok   $f: ${w}x${h} $channels"
done

total=$(du -sb "$out" | cut -f1)
echo "== done: $(find "$out" -type f | wc -l) files, $total bytes in $out"
[ "$total" -lt $((6 * 1024 * 1024)) ] || fail "texture tree is $total bytes, over the 6 MiB budget"
