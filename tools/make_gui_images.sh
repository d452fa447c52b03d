#!/usr/bin/env bash
# Builds the game's GUI images (assets/images/*.dds) and copies its two fonts
# (assets/fonts/) from Debian's font packages. The output is committed; run this
# again only to change the art.
#
# Needs: imagemagick (real /usr/bin/convert), fonts-klaudia-berenika,
#        fonts-liberation2, libdevil-dev and a C compiler (for the decode check).
#
# Usage: tools/make_gui_images.sh [--preview DIR] [base ...]
#   (KEEP_TMP=1 keeps the intermediate pictures and prints where they are)
#   base ...        build only these images (title loading failed success red
#                   pause bg mute); default all of them
#   --preview DIR   also write PNG previews: each image upright, composited over
#                   the colour the game clears to behind it, at 1280x720 (16:9
#                   variant) and 1280x768 (other variant)
#
# Every image exists twice: <base>169.dds for 16:9 windows and <base>.dds for all
# other shapes (laid out for 5:3). The files are DXT5 with one mip level; the
# game builds the mip chain itself.
#
# Row order: the game decodes a file with DevIL, which delivers the rows top row
# first, uploads them unchanged (first row = texture v 0) and maps v 1 to the top
# of its quads. So the files store the picture bottom row first, and the GUI
# shader samples the texture at the quad's coordinates unchanged.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
GUI="$ROOT/tools/gui"
IMAGES="$ROOT/assets/images"
FONTS="$ROOT/assets/fonts"

# ImageMagick 6's convert; /usr/bin first so no wrapper earlier in PATH stands in.
if [[ -x /usr/bin/convert ]]; then IM=/usr/bin/convert; else IM=$(command -v convert); fi
[[ -n "${IM:-}" ]] || { echo "make_gui_images: ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 1; }

PREVIEW=""
BASES=()
while (($#)); do
    case "$1" in
        --preview) PREVIEW=$2; shift 2 ;;
        -h|--help) sed -n '2,24p' "$0"; exit 0 ;;
        *) BASES+=("$1"); shift ;;
    esac
done
((${#BASES[@]})) || BASES=(title loading failed success red pause bg mute)

TMP=$(mktemp -d -t make_gui_images.XXXXXX)
if [[ -n "${KEEP_TMP:-}" ]]; then echo "work files kept in $TMP"; else trap 'rm -rf "$TMP"' EXIT; fi

# ---------------------------------------------------------------- fonts ----
BERENIKA_DIR=/usr/share/fonts/truetype/klaudia-berenika
LIBERATION_DIR=/usr/share/fonts/truetype/liberation2
need_file() {
    [[ -f "$1" ]] || { echo "make_gui_images: $1 is missing (apt-get install $2)" >&2; exit 1; }
}
need_file "$BERENIKA_DIR/Berenika-Bold.ttf" fonts-klaudia-berenika
need_file "$BERENIKA_DIR/Berenika.ttf" fonts-klaudia-berenika
need_file "$LIBERATION_DIR/LiberationSans-Regular.ttf" fonts-liberation2
need_file "$LIBERATION_DIR/LiberationSans-Bold.ttf" fonts-liberation2

mkdir -p "$FONTS" "$IMAGES"
# The main face draws the letters of the HUD; the fallback draws digits and
# punctuation and is metric-compatible with the sans most players know.
install -m 644 "$BERENIKA_DIR/Berenika-Bold.ttf" "$FONTS/MedusaGothic.ttf"
install -m 644 "$LIBERATION_DIR/LiberationSans-Regular.ttf" "$FONTS/arial.ttf"
{
    echo "MedusaGothic.ttf is Berenika Bold, unchanged, from Debian's fonts-klaudia-berenika"
    echo "package; only the file name differs. Its licence (SIL Open Font License 1.1) and"
    echo "copyright, as the package gives them:"
    echo
    cat /usr/share/doc/fonts-klaudia-berenika/copyright
} > "$FONTS/MedusaGothic.LICENSE.txt"
{
    echo "arial.ttf is Liberation Sans Regular, unchanged, from Debian's fonts-liberation2"
    echo "package; only the file name differs. Its licence (SIL Open Font License 1.1) and"
    echo "copyright, as the package gives them:"
    echo
    cat /usr/share/doc/fonts-liberation2/copyright
} > "$FONTS/arial.LICENSE.txt"

# Faces for the art's lettering.
F_DISPLAY="$BERENIKA_DIR/Berenika-Bold.ttf"
F_TEXT="$BERENIKA_DIR/Berenika.ttf"
F_SANS="$LIBERATION_DIR/LiberationSans-Regular.ttf"
F_SANSB="$LIBERATION_DIR/LiberationSans-Bold.ttf"

# ---------------------------------------------------------------- helpers ---
# Writes one picture (PNG, upright) as DXT5 DDS stored bottom row first.
to_dds() { # png out.dds
    "$IM" "$1" -alpha on -flip -define dds:compression=dxt5 -define dds:mipmaps=0 \
        "DDS:$2"
}

# Preview: the stored file decoded, turned upright, scaled to the window and put
# over the colour the game shows behind it.
preview() { # dds  window-size  background-colour  out.png
    [[ -n "$PREVIEW" ]] || return 0
    mkdir -p "$PREVIEW"
    "$IM" -size "$2" "xc:$3" \( "$1" -flip -resize "$2!" \) -compose over -composite "$4"
}

# Preview of the corner panel as the HUD shows it: a quarter of the window wide,
# a twelfth high, one thirtieth in from the lower-left corner, with the time-left
# line over it (letters 24 px in the main face, digits 28 px in the fallback),
# once in the HUD's orange and once in its blue.
preview_hud() { # dds WxH out
    [[ -n "$PREVIEW" ]] || return 0
    local W=${2%x*} H=${2#*x} out=$3
    local qx=$((W / 30)) qy=$((H - H / 30 - H / 12)) qw=$((W / 4)) qh=$((H / 12))
    local tx=$((W / 17)) ty lw
    ty=$(awk -v H="$H" 'BEGIN { printf "%d", H - H / 15.5 }')
    lw=$("$IM" -font "$F_DISPLAY" -pointsize 24 label:'time  left' -format %w info:)
    vgrad "$W" "$H" "0:#3a4a66 0.6:#b07050 0.62:#6a4050 1:#2a1a20" "$TMP/hud_frame.png"
    "$IM" "$TMP/hud_frame.png" \( "$1" -flip -resize "${qw}x${qh}!" \) -geometry "+$qx+$qy" -compose over -composite \
        -font "$F_DISPLAY" -pointsize 24 -fill 'rgb(200,115,65)' -annotate "+$tx+$ty" 'time  left' \
        -font "$F_SANS" -pointsize 28 -annotate "+$((tx + lw + 40))+$ty" '01:05' \
        \( "$1" -flip -resize "${qw}x${qh}!" \) -geometry "+$((qx + W / 2))+$qy" -compose over -composite \
        -font "$F_DISPLAY" -pointsize 24 -fill 'rgb(53,117,158)' -annotate "+$((tx + W / 2))+$ty" 'time  left' \
        -font "$F_SANS" -pointsize 28 -annotate "+$((tx + W / 2 + lw + 40))+$ty" '01:05' \
        -crop "${W}x$((H / 5))+0+$((H - H / 5))" +repage "$out"
}

# Gold (or any two-colour) lettering with a dark outline and a soft shadow,
# on a transparent canvas of the given size, centred at the given offset.
# fancy_text canvasWxH font size kerning text colTop colBottom outline shadowOpacity offY out
fancy_text() {
    local size=$1 font=$2 pt=$3 kern=$4 text=$5 c1=$6 c2=$7 ol=$8 sh=$9 offy=${10} out=${11}
    local w=${size%x*} h=${size#*x}
    # Where the glyphs sit, so the colour gradient spans exactly their height.
    "$IM" -size "$size" xc:none -font "$font" -pointsize "$pt" -kerning "$kern" \
        -gravity center -fill white -annotate "$(offset "$offy")" "$text" "$TMP/ft_mask.png"
    local bbox
    bbox=$("$IM" "$TMP/ft_mask.png" -format '%@' info:)   # WxH+X+Y of the glyphs
    local bh=${bbox#*x}; bh=${bh%%+*}
    local by=${bbox##*+}
    "$IM" -size "${w}x${bh}" "gradient:${c1}-${c2}" -background none -gravity north-west \
        -extent "${w}x${h}-0-${by}" "$TMP/ft_grad.png"
    "$IM" "$TMP/ft_grad.png" "$TMP/ft_mask.png" -compose CopyOpacity -composite "$TMP/ft_fill.png"
    # Outline: the glyphs drawn with a stroke underneath the fill.
    "$IM" -size "$size" xc:none -font "$font" -pointsize "$pt" -kerning "$kern" \
        -gravity center -fill "$ol" -stroke "$ol" -strokewidth "$(( pt / 22 + 2 ))" \
        -annotate "$(offset "$offy")" "$text" "$TMP/ft_ol.png"
    "$IM" "$TMP/ft_ol.png" \( +clone -background black -shadow "${sh}x$(( pt / 14 + 2 ))+0+$(( pt / 30 + 1 ))" \) \
        +swap -background none -layers merge +repage -gravity center -extent "$size" \
        "$TMP/ft_fill.png" -compose over -composite "$out"
}

# Plain text line on a transparent canvas.
# plain_text canvasWxH font size kerning colour text offY out
plain_text() {
    "$IM" -size "$1" xc:none -font "$2" -pointsize "$3" -kerning "$4" -gravity center \
        -fill "$5" -annotate "$(offset "$7")" "$6" "$8"
}

# Annotate geometry for a vertical offset from the centre: 12 -> +0+12, -12 -> +0-12.
offset() {
    local v=${1#+}
    if [[ "$v" == -* ]]; then echo "+0$v"; else echo "+0+$v"; fi
}

# One centred line made of runs in different faces and colours, with a tight
# shadow. Runs: font colour text gap-after-in-pixels.
# rich_line WxH offY pointsize out  font colour text gap  [font colour text gap ...]
rich_line() {
    local size=$1 offy=${2#+} pt=$3 out=$4 w=${1%x*} h=${1#*x}
    shift 4
    local -a fonts=() cols=() texts=() gaps=() widths=()
    local total=0 n=0
    while (($#)); do
        fonts+=("$1"); cols+=("$2"); texts+=("$3"); gaps+=("$4"); shift 4
        widths+=("$("$IM" -font "${fonts[$n]}" -pointsize "$pt" label:"${texts[$n]}" -format %w info:)")
        total=$((total + widths[n] + gaps[n])); n=$((n + 1))
    done
    total=$((total - gaps[n - 1]))
    local x=$(((w - total) / 2)) y=$((h / 2 + offy + pt * 35 / 100)) i
    local -a args=()
    for ((i = 0; i < n; i++)); do
        args+=(-font "${fonts[$i]}" -fill "${cols[$i]}" -annotate "+$x+$y" "${texts[$i]}")
        x=$((x + widths[i] + gaps[i]))
    done
    "$IM" -size "$size" xc:none -pointsize "$pt" "${args[@]}" \
        \( +clone -background black -shadow 85x1.5+0+1 \) +swap -background none \
        -layers merge +repage -gravity center -extent "$size" "$out"
}

# Floating platforms as draw primitives (see gui/island.awk).
island() { # cx cy w seed rock lit top rim [ruins]
    awk -v cx="$1" -v cy="$2" -v w="$3" -v seed="$4" -v rock="$5" -v lit="$6" -v top="$7" \
        -v rim="$8" -v ruins="${9:-0}" -f "$GUI/island.awk"
}

# Vertical gradient through several colour stops, e.g. "0:#000 0.5:#f80 1:#fff"
# (positions as fractions of the height).
vgrad() { # W H stops out
    local W=$1 H=$2 out=$4 prev="" prevy=0 y s
    local -a parts=()
    for s in $3; do
        y=$(awk -v f="${s%%:*}" -v H="$H" 'BEGIN { printf "%d", f * H + 0.5 }')
        if [[ -n "$prev" ]] && ((y > prevy)); then
            parts+=(-size "1x$((y - prevy))" "gradient:$prev-${s#*:}")
        fi
        prev=${s#*:}; prevy=$y
    done
    "$IM" "${parts[@]}" -append -resize "${W}x${H}!" "$out"
}

# Fractal value noise (grey, full range), features stretched sideways by the
# given factor; the seed makes it repeatable.
fbm() { # W H seed stretch out
    local W=$1 H=$2 seed=$3 st=$4 out=$5 i=0 s sw
    local -a args=()
    for s in 3 6 12 24 48 96; do
        sw=$((s * W / (H * st))); ((sw >= 2)) || sw=2
        args+=(\( -size "${sw}x${s}" xc:gray50 -seed $((seed + i)) -attenuate 2 +noise Uniform \
            -colorspace gray -filter Catrom -resize "${W}x${H}!" \))
        i=$((i + 1))
    done
    "$IM" "${args[@]}" -poly "0.5,1 0.25,1 0.13,1 0.07,1 0.04,1 0.02,1" -auto-level "$out"
}

# A grey mask (white = opaque) turned into a layer of one colour.
tint() { # mask colour out
    "$IM" "$1" -alpha off -background "$2" -alpha shape "$3"
}

# Soft light: a blurred filled ellipse of one colour.
glow() { # WxH cx cy rx ry blur colour out
    "$IM" -size "$1" xc:black -fill white -draw "ellipse $2,$3 $4,$5 0,360" -blur "0x$6" "$TMP/glow_mask.png"
    tint "$TMP/glow_mask.png" "$7" "$8"
}

# ------------------------------------------------------------- the art -----
# Sizes: 16:9 images show at 1280x720, the others at e.g. 1280x768 (5:3); both
# variants keep the same texel size so the lettering matches.
FS169=1024x576; FSOTH=1020x612

# Dusk sky over the abyss with floating platforms; the backdrop of the title.
dusk_backdrop() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    local hz=$((h * 60 / 100))                 # horizon line
    local sx=$((w * 62 / 100))                 # the sun, on the horizon
    vgrad "$w" "$h" "0:#03051a 0.30:#1a1238 0.48:#3a1a48 0.56:#8a3a4a 0.60:#f09050 0.61:#c06848 0.70:#5a2a38 0.85:#1e0c14 1:#000000" "$TMP/sky.png"
    glow "$size" "$sx" "$hz" $((w / 4)) $((h / 8)) $((h / 10)) '#ffa060' "$TMP/glow.png"
    glow "$size" "$sx" "$hz" $((w / 26)) $((h / 40)) $((h / 60)) '#fff0c0' "$TMP/core.png"
    # Stars in the upper sky, fading out toward the horizon.
    "$IM" -size "$size" xc:black -seed 11 -attenuate 1 +noise Uniform -colorspace gray \
        -threshold 99.7% \( -size "$size" gradient:white-black -level 0,50% \) \
        -compose multiply -composite -morphology Dilate Disk:0.5 -blur 0x0.6 "$TMP/stars.png"
    # Cloud sea filling the abyss under the horizon, lit from the sun's side.
    fbm "$w" "$h" 100 3 "$TMP/fbm.png"
    "$IM" "$TMP/fbm.png" -level 30%,75% \( -size "$size" xc:black -fill white \
        -draw "rectangle 0,$((hz + h / 90)) $w,$h" -blur 0x$((h / 55)) \) -compose multiply -composite \
        "$TMP/cloudmask.png"
    vgrad "$w" "$h" "0:#f0a070 0.6:#f0a070 0.68:#b0585a 0.8:#4a2234 1:#140810" "$TMP/cloudcol.png"
    "$IM" "$TMP/cloudcol.png" \( "$TMP/cloudmask.png" -alpha off \) -compose CopyOpacity -composite "$TMP/clouds.png"
    "$IM" "$TMP/clouds.png" -channel A -evaluate multiply 0.5 +channel "$TMP/mist.png"

    # Platforms: far ones hazy and small near the horizon, near ones dark and large.
    {
        island $((w * 25 / 100)) $((hz - h * 5 / 100)) $((w * 5 / 100)) 21 '#5a2c44' '#74384e' '#6a3450' '#d07050'
        island $((w * 84 / 100)) $((hz - h * 6 / 100)) $((w * 4 / 100)) 22 '#5a2c44' '#74384e' '#6a3450' '#d07050'
        island $((w * 46 / 100)) $((hz - h * 1 / 100)) $((w * 3 / 100)) 23 '#5a2c44' '#74384e' '#6a3450' '#d07050'
    } > "$TMP/far.mvg"
    {
        island $((w * 31 / 100)) $((hz + h * 4 / 100)) $((w * 9 / 100)) 31 '#2a1220' '#43202e' '#3a1a28' '#f08850'
        island $((w * 71 / 100)) $((hz + h * 1 / 100)) $((w * 8 / 100)) 32 '#2a1220' '#43202e' '#3a1a28' '#f08850'
    } > "$TMP/mid.mvg"
    {
        island $((w * 12 / 100)) $((hz + h * 16 / 100)) $((w * 25 / 100)) 41 '#0c060a' '#221019' '#1c0e15' '#ff9c5a' 1
        island $((w * 92 / 100)) $((hz + h * 10 / 100)) $((w * 19 / 100)) 42 '#0c060a' '#221019' '#1c0e15' '#ff9c5a'
    } > "$TMP/near.mvg"
    "$IM" -size "$size" xc:none -draw "$(cat "$TMP/far.mvg")" -blur 0x0.6 "$TMP/far.png"
    "$IM" -size "$size" xc:none -draw "$(cat "$TMP/mid.mvg")" "$TMP/mid.png"
    "$IM" -size "$size" xc:none -draw "$(cat "$TMP/near.mvg")" "$TMP/near.png"

    "$IM" "$TMP/sky.png" "$TMP/stars.png" -compose screen -composite \
        "$TMP/glow.png" -compose screen -composite \
        "$TMP/core.png" -compose screen -composite \
        "$TMP/far.png" -compose over -composite \
        "$TMP/clouds.png" -compose over -composite \
        "$TMP/mid.png" -compose over -composite \
        "$TMP/mist.png" -compose over -composite \
        "$TMP/near.png" -compose over -composite \
        -seed 3 -attenuate 0.06 +noise Gaussian -alpha off "$out"
}

make_title() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    local cx=$((w / 2)) cy=$((h / 2))
    dusk_backdrop "$size" "$TMP/title_bg.png"
    fancy_text "$size" "$F_DISPLAY" 80 5 'QUARVELLINE' '#fff6d8' '#c8842f' '#140804' 90 "-$((h * 22 / 100))" "$TMP/title_name.png"
    plain_text "$size" "$F_TEXT" 26 2 '#f6e2c8' "a  thief's  heist  above  the  abyss" "-$((h * 7 / 100))" "$TMP/title_sub.png"
    # Ornament between name and subtitle: two rules and a lozenge.
    local ry=$((cy - h * 13 / 100))
    "$IM" -size "$size" xc:none -fill none -stroke '#d9a25a' -strokewidth 1.5 \
        -draw "line $((cx - 230)),$ry $((cx - 16)),$ry" -draw "line $((cx + 16)),$ry $((cx + 230)),$ry" \
        -stroke none -fill '#f0c070' \
        -draw "polygon $cx,$((ry - 7)) $((cx + 9)),$ry $cx,$((ry + 7)) $((cx - 9)),$ry" \
        -draw "circle $((cx - 236)),$ry $((cx - 233)),$ry" -draw "circle $((cx + 236)),$ry $((cx + 239)),$ry" \
        "$TMP/title_rule.png"
    # A dark veil behind the lettering keeps it readable over the sky.
    glow "$size" "$cx" $((cy - h * 17 / 100)) $((w * 36 / 100)) $((h * 13 / 100)) $((h / 14)) '#02030c' "$TMP/veil.png"
    "$IM" "$TMP/veil.png" -channel A -evaluate multiply 0.55 +channel "$TMP/veil.png"
    "$IM" "$TMP/title_bg.png" "$TMP/veil.png" -compose over -composite \
        \( "$TMP/title_sub.png" \( +clone -background black -shadow 90x2+0+1 \) +swap -background none \
           -layers merge +repage -gravity center -extent "$size" \) -compose over -composite \
        "$TMP/title_rule.png" -compose over -composite \
        "$TMP/title_name.png" -compose over -composite -alpha off "$out"
}

# ---------------------------------------------------------------- driver ----
build() { # base maker bg-colour-for-preview
    local base=$1 maker=$2 bgc=$3 size169=$4 sizeoth=$5
    "$maker" "$size169" "$TMP/${base}169.png"
    "$maker" "$sizeoth" "$TMP/${base}.png"
    to_dds "$TMP/${base}169.png" "$IMAGES/${base}169.dds"
    to_dds "$TMP/${base}.png" "$IMAGES/${base}.dds"
    preview "$IMAGES/${base}169.dds" 1280x720 "$bgc" "$PREVIEW/${base}169.png"
    preview "$IMAGES/${base}.dds" 1280x768 "$bgc" "$PREVIEW/${base}.png"
    if [[ "$base" == bg ]]; then
        preview_hud "$IMAGES/bg169.dds" 1280x720 "$PREVIEW/hud169.png"
        preview_hud "$IMAGES/bg.dds" 1280x768 "$PREVIEW/hud.png"
    fi
    echo "made ${base}169.dds and ${base}.dds"
}

# Blue dusk over the abyss: the loading screen, in the tones of its clear colour
# (0.149, 0.333, 0.459), so fading it in and out over that colour stays calm.
make_loading() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    local cx=$((w / 2)) cy=$((h / 2)) hz=$((h * 64 / 100))
    vgrad "$w" "$h" "0:#0b1c2b 0.35:#1d4662 0.58:#2f6688 0.64:#7fb0c8 0.655:#3d7596 0.8:#1a3f57 1:#0a1822" "$TMP/lsky.png"
    glow "$size" "$cx" "$hz" $((w / 3)) $((h / 10)) $((h / 9)) '#9cc8dc' "$TMP/lglow.png"
    "$IM" "$TMP/lglow.png" -channel A -evaluate multiply 0.6 +channel "$TMP/lglow.png"
    fbm "$w" "$h" 300 3 "$TMP/lfbm.png"
    "$IM" "$TMP/lfbm.png" -level 30%,80% \( -size "$size" xc:black -fill white \
        -draw "rectangle 0,$((hz + h / 90)) $w,$h" -blur 0x$((h / 50)) \) -compose multiply -composite \
        -evaluate multiply 0.8 "$TMP/lmask.png"
    vgrad "$w" "$h" "0:#a8cfe0 0.64:#a8cfe0 0.75:#4a7c98 1:#10283a" "$TMP/lcol.png"
    "$IM" "$TMP/lcol.png" \( "$TMP/lmask.png" -alpha off \) -compose CopyOpacity -composite "$TMP/lclouds.png"
    {
        island $((w * 20 / 100)) $((hz - h * 4 / 100)) $((w * 6 / 100)) 51 '#1c4560' '#275875' '#23506c' '#8cc0d8'
        island $((w * 80 / 100)) $((hz - h * 2 / 100)) $((w * 7 / 100)) 52 '#1c4560' '#275875' '#23506c' '#8cc0d8'
        island $((w * 60 / 100)) $((hz - h * 6 / 100)) $((w * 3 / 100)) 53 '#1c4560' '#275875' '#23506c' '#8cc0d8'
    } > "$TMP/lfar.mvg"
    {
        island $((w * 6 / 100)) $((hz + h * 14 / 100)) $((w * 18 / 100)) 61 '#08141e' '#11283a' '#0e2231' '#9fd0e6'
        island $((w * 95 / 100)) $((hz + h * 18 / 100)) $((w * 22 / 100)) 62 '#08141e' '#11283a' '#0e2231' '#9fd0e6' 1
    } > "$TMP/lnear.mvg"
    "$IM" -size "$size" xc:none -draw "$(cat "$TMP/lfar.mvg")" -blur 0x0.6 "$TMP/lfar.png"
    "$IM" -size "$size" xc:none -draw "$(cat "$TMP/lnear.mvg")" "$TMP/lnear.png"
    # A darker band behind the lettering.
    glow "$size" "$cx" $((cy - h * 8 / 100)) $((w * 30 / 100)) $((h * 12 / 100)) $((h / 12)) '#06121c' "$TMP/lveil.png"
    "$IM" "$TMP/lveil.png" -channel A -evaluate multiply 0.5 +channel "$TMP/lveil.png"

    fancy_text "$size" "$F_DISPLAY" 64 14 'LOADING' '#f4f9fc' '#9cc2d8' '#061019' 85 "-$((h * 13 / 100))" "$TMP/lname.png"
    plain_text "$size" "$F_TEXT" 24 2 '#d8e8f2' "prepare  for  the  heist" "+$((h * 1 / 100))" "$TMP/lsub.png"
    local ry=$((cy - h * 4 / 100))
    "$IM" -size "$size" xc:none -fill none -stroke '#d9b070' -strokewidth 1.5 \
        -draw "line $((cx - 170)),$ry $((cx - 30)),$ry" -draw "line $((cx + 30)),$ry $((cx + 170)),$ry" \
        -stroke none -fill '#f0c878' \
        -draw "polygon $((cx - 18)),$((ry - 5)) $((cx - 12)),$ry $((cx - 18)),$((ry + 5)) $((cx - 24)),$ry" \
        -draw "polygon $cx,$((ry - 6)) $((cx + 7)),$ry $cx,$((ry + 6)) $((cx - 7)),$ry" \
        -draw "polygon $((cx + 18)),$((ry - 5)) $((cx + 24)),$ry $((cx + 18)),$((ry + 5)) $((cx + 12)),$ry" \
        "$TMP/lrule.png"
    "$IM" "$TMP/lsky.png" "$TMP/lglow.png" -compose screen -composite \
        "$TMP/lfar.png" -compose over -composite \
        "$TMP/lclouds.png" -compose over -composite \
        "$TMP/lnear.png" -compose over -composite \
        "$TMP/lveil.png" -compose over -composite \
        \( "$TMP/lsub.png" \( +clone -background black -shadow 90x2+0+1 \) +swap -background none \
           -layers merge +repage -gravity center -extent "$size" \) -compose over -composite \
        "$TMP/lrule.png" -compose over -composite \
        "$TMP/lname.png" -compose over -composite \
        -seed 4 -attenuate 0.06 +noise Gaussian -alpha off "$out"
}

# A framed panel on a transparent canvas: soft shadow, translucent body with a
# faint vertical gradient, a double border and lozenges at its corners.
# panel WxH panelW panelH offY bodyTop bodyBottom border out
panel() {
    local size=$1 pw=$2 ph=$3 offy=$4 c1=$5 c2=$6 bc=$7 out=$8 w=${1%x*} h=${1#*x}
    local x0=$(((w - pw) / 2)) y0=$(((h - ph) / 2 + offy))
    local x1=$((x0 + pw)) y1=$((y0 + ph)) r=18
    # Shadow: lets the panel stand off bright clear colours and busy frames.
    "$IM" -size "$size" xc:black -fill white -draw "roundrectangle $((x0 - 6)),$((y0 - 4)) $((x1 + 6)),$((y1 + 10)) $r,$r" \
        -blur 0x14 -evaluate multiply 0.65 "$TMP/p_shmask.png"
    tint "$TMP/p_shmask.png" black "$TMP/p_shadow.png"
    # Body.
    "$IM" -size "$size" xc:black -fill white -draw "roundrectangle $x0,$y0 $x1,$y1 $r,$r" "$TMP/p_mask.png"
    "$IM" -size "${pw}x${ph}" "gradient:${c1}-${c2}" -background none -gravity northwest \
        -extent "${w}x${h}-${x0}-${y0}" "$TMP/p_grad.png"
    "$IM" "$TMP/p_grad.png" \( "$TMP/p_mask.png" \( "$TMP/p_grad.png" -alpha extract \) -compose multiply -composite \) \
        -alpha off -compose CopyOpacity -composite "$TMP/p_body.png"
    # Border, inner hairline and corner ornaments.
    local i=7 j=13 m=$((y0 + ph / 2))
    "$IM" -size "$size" xc:none -fill none -stroke "$bc" -strokewidth 2.5 \
        -draw "roundrectangle $((x0 + i)),$((y0 + i)) $((x1 - i)),$((y1 - i)) $((r - 6)),$((r - 6))" \
        -strokewidth 1 -draw "roundrectangle $((x0 + j)),$((y0 + j)) $((x1 - j)),$((y1 - j)) $((r - 10)),$((r - 10))" \
        -stroke none -fill "$bc" \
        -draw "polygon $((x0 + i)),$((m - 12)) $((x0 + i + 7)),$m $((x0 + i)),$((m + 12)) $((x0 + i - 7)),$m" \
        -draw "polygon $((x1 - i)),$((m - 12)) $((x1 - i + 7)),$m $((x1 - i)),$((m + 12)) $((x1 - i - 7)),$m" \
        -draw "polygon $((w / 2)),$((y0 + i - 7)) $((w / 2 + 12)),$((y0 + i)) $((w / 2)),$((y0 + i + 7)) $((w / 2 - 12)),$((y0 + i))" \
        -draw "polygon $((w / 2)),$((y1 - i - 7)) $((w / 2 + 12)),$((y1 - i)) $((w / 2)),$((y1 - i + 7)) $((w / 2 - 12)),$((y1 - i))" \
        "$TMP/p_border.png"
    "$IM" "$TMP/p_shadow.png" "$TMP/p_body.png" -compose over -composite \
        "$TMP/p_border.png" -compose over -composite "$out"
}

# Lays text layers (transparent canvases of one size) over a picture.
stack() { # out base layer ...
    local out=$1 base=$2; shift 2
    local -a args=("$base")
    for l in "$@"; do args+=("$l" -compose over -composite); done
    "$IM" "${args[@]}" "$out"
}

# Text with a tight dark shadow, for lines on panels.
shadow_text() { # WxH font size kerning colour text offY out
    plain_text "$1" "$2" "$3" "$4" "$5" "$6" "$7" "$TMP/st.png"
    "$IM" "$TMP/st.png" \( +clone -background black -shadow 85x1.5+0+1 \) +swap -background none \
        -layers merge +repage -gravity center -extent "$1" "$8"
}

# The end of a failed heist: the thief fell into the abyss, or the time ran out.
# Shown over black and the red veil (fall) and over a red clear colour (time out).
make_failed() { # WxH out
    local size=$1 out=$2 h=${1#*x}
    panel "$size" 680 250 0 'rgba(20,6,6,0.86)' 'rgba(8,2,3,0.90)' '#c9763f' "$TMP/f_panel.png"
    fancy_text "$size" "$F_DISPLAY" 62 6 'HEIST  FAILED' '#ffb08a' '#c02616' '#140404' 80 "-62" "$TMP/f_head.png"
    shadow_text "$size" "$F_TEXT" 24 1 '#f2dccb' 'you fell into the abyss  —  or your time is up' "+12" "$TMP/f_sub.png"
    rich_line "$size" 74 20 "$TMP/f_hint.png" \
        "$F_TEXT" '#d9a878' 'press' 9  "$F_SANSB" '#ffd08a' 'N' 9  "$F_TEXT" '#d9a878' 'to try again' 24 \
        "$F_TEXT" '#d9a878' '·' 24  "$F_SANSB" '#ffd08a' 'Esc' 9  "$F_TEXT" '#d9a878' 'to quit' 0
    stack "$out" "$TMP/f_panel.png" "$TMP/f_head.png" "$TMP/f_sub.png" "$TMP/f_hint.png"
}

# The escape: the thief got away with the artifacts. Shown over a green clear colour.
make_success() { # WxH out
    local size=$1 out=$2
    panel "$size" 640 250 0 'rgba(4,18,10,0.86)' 'rgba(2,8,5,0.90)' '#d4a24e' "$TMP/s_panel.png"
    fancy_text "$size" "$F_DISPLAY" 70 10 'ESCAPED' '#fff6d8' '#c8842f' '#120a02' 80 "-60" "$TMP/s_head.png"
    shadow_text "$size" "$F_TEXT" 24 1 '#e4f2e4' 'the artifacts of power are yours' "+14" "$TMP/s_sub.png"
    rich_line "$size" 74 20 "$TMP/s_hint.png" \
        "$F_TEXT" '#d8b878' 'press' 9  "$F_SANSB" '#ffd08a' 'N' 9  "$F_TEXT" '#d8b878' 'to play again' 24 \
        "$F_TEXT" '#d8b878' '·' 24  "$F_SANSB" '#ffd08a' 'Esc' 9  "$F_TEXT" '#d8b878' 'to quit' 0
    stack "$out" "$TMP/s_panel.png" "$TMP/s_head.png" "$TMP/s_sub.png" "$TMP/s_hint.png"
}

# The red veil over the frame while the thief falls: clear in the middle,
# deepening to dark blood red at the edges, with a faint mottled texture.
make_red() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    "$IM" -size "$size" xc:black -fill white \
        -draw "ellipse $((w / 2)),$((h / 2)) $((w * 32 / 100)),$((h * 30 / 100)) 0,360" \
        -blur 0x$((w / 12)) -negate -level 0,75% "$TMP/r_edge.png"
    fbm "$w" "$h" 500 1 "$TMP/r_fbm.png"
    # Opacity: the edge ramp, mottled by the noise, at most about 0.92.
    "$IM" "$TMP/r_edge.png" \( "$TMP/r_fbm.png" -level -90%,100% \) -compose multiply -composite \
        -level 0,90% -evaluate multiply 0.92 "$TMP/r_alpha.png"
    # Colour: bright blood near the clear middle, near-black red at the rim.
    "$IM" -size "$size" xc:'#d41a10' \( -size "$size" xc:'#5c0303' \) "$TMP/r_edge.png" \
        -compose over -composite "$TMP/r_col.png"
    "$IM" "$TMP/r_col.png" \( "$TMP/r_alpha.png" -alpha off \) -compose CopyOpacity -composite "$out"
}

# Pause: the controls on a dark glass panel over the blurred game frame.
make_pause() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    local ph=524 top
    panel "$size" 600 "$ph" 0 'rgba(6,10,18,0.74)' 'rgba(3,5,10,0.82)' '#c99a52' "$TMP/pa_panel.png"
    top=$(((h - ph) / 2))
    fancy_text "$size" "$F_DISPLAY" 50 10 'PAUSED' '#fff6d8' '#c8842f' '#0a0602' 80 "$((top + 50 - h / 2))" "$TMP/pa_head.png"
    local -a keys=("W  A  S  D" "Mouse" "Space" "P" "N" "M" "Enter" "F1" "F2" "F3 / F4" "F5" "Esc")
    local -a acts=("move" "turn and look" "jump" "pause  /  resume" "restart" "mute" "full screen"
        "wireframe" "face culling" "darker  /  brighter" "frames per second" "quit")
    # Keys right-aligned and actions left-aligned on shared baselines either
    # side of the middle.
    local y0=$((top + 136)) dy=27 i kw
    local -a kargs=() aargs=()
    for i in "${!keys[@]}"; do
        kw=$("$IM" -font "$F_SANSB" -pointsize 19 label:"${keys[$i]}" -format %w info:)
        kargs+=(-annotate "+$((w / 2 - 14 - kw))+$((y0 + i * dy))" "${keys[$i]}")
        aargs+=(-annotate "+$((w / 2 + 14))+$((y0 + i * dy))" "${acts[$i]}")
    done
    "$IM" -size "$size" xc:none -font "$F_SANSB" -pointsize 19 -fill '#f0c070' "${kargs[@]}" \
        -font "$F_TEXT" -pointsize 21 -kerning 1 -fill '#e8edf2' "${aargs[@]}" \
        \( +clone -background black -shadow 85x1.5+0+1 \) +swap -background none -layers merge +repage \
        -gravity center -extent "$size" "$TMP/pa_list.png"
    local ry=$((top + 86)) cx=$((w / 2))
    "$IM" -size "$size" xc:none -fill none -stroke '#c99a52' -strokewidth 1.2 \
        -draw "line $((cx - 200)),$ry $((cx - 14)),$ry" -draw "line $((cx + 14)),$ry $((cx + 200)),$ry" \
        -stroke none -fill '#f0c070' -draw "polygon $cx,$((ry - 5)) $((cx + 7)),$ry $cx,$((ry + 5)) $((cx - 7)),$ry" \
        "$TMP/pa_rule.png"
    rich_line "$size" "$((top + ph - 50 - h / 2))" 20 "$TMP/pa_foot.png" \
        "$F_TEXT" '#d9b27a' 'press' 9  "$F_SANSB" '#ffd08a' 'P' 9  "$F_TEXT" '#d9b27a' 'to resume' 0
    stack "$out" "$TMP/pa_panel.png" "$TMP/pa_head.png" "$TMP/pa_rule.png" "$TMP/pa_list.png" "$TMP/pa_foot.png"
}

# The small panel behind the time-left line in the lower-left corner. Its quad
# is a quarter of the window wide and a twelfth high, so the picture's aspect
# is 3 x the window's (768x144 for 16:9, 720x144 for 5:3).
make_bg() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    local r=34 i=9 j=20 m=$((h / 2))
    "$IM" -size "$size" xc:black -fill white -draw "roundrectangle 2,2 $((w - 3)),$((h - 3)) $r,$r" -blur 0x1 "$TMP/b_mask.png"
    "$IM" -size "$size" gradient:'rgba(14,16,28,0.62)-rgba(4,5,10,0.74)' \
        \( "$TMP/b_mask.png" \( -size "$size" gradient:'rgba(14,16,28,0.62)-rgba(4,5,10,0.74)' -alpha extract \) \
           -compose multiply -composite \) -alpha off -compose CopyOpacity -composite "$TMP/b_body.png"
    "$IM" -size "$size" xc:none -fill none -stroke '#c08a48' -strokewidth 5 \
        -draw "roundrectangle $i,$i $((w - i - 1)),$((h - i - 1)) $((r - 8)),$((r - 8))" \
        -stroke '#8a6236' -strokewidth 2.5 \
        -draw "roundrectangle $j,$j $((w - j - 1)),$((h - j - 1)) $((r - 18)),$((r - 18))" \
        -stroke none -fill '#e0aa5c' \
        -draw "polygon $i,$((m - 22)) $((i + 12)),$m $i,$((m + 22)) $((i - 8)),$m" \
        -draw "polygon $((w - i - 1)),$((m - 22)) $((w - i + 7)),$m $((w - i - 1)),$((m + 22)) $((w - i - 13)),$m" \
        -draw "polygon $((w / 2)),$((i - 7)) $((w / 2 + 20)),$i $((w / 2)),$((i + 8)) $((w / 2 - 20)),$i" \
        -draw "polygon $((w / 2)),$((h - i - 8)) $((w / 2 + 20)),$((h - i - 1)) $((w / 2)),$((h - i + 6)) $((w / 2 - 20)),$((h - i - 1))" \
        "$TMP/b_border.png"
    "$IM" "$TMP/b_body.png" "$TMP/b_border.png" -compose over -composite "$out"
}

# Muted-sound mark: drawn on a full-screen quad, so all of it is clear except a
# small speaker with a cross near the upper-right corner.
make_mute() { # WxH out
    local size=$1 out=$2 w=${1%x*} h=${1#*x}
    local s=22                                   # half the icon's size (texels)
    local cx=$((w - 26 - s)) cy=$((20 + s))
    # Clear texels carry the icon's dark tone, so filtering leaves no bright fringe.
    "$IM" -size "$size" xc:'rgba(6,8,14,0)' \
        -fill 'rgba(6,8,14,0.6)' -stroke 'rgba(200,150,80,0.85)' -strokewidth 1.5 \
        -draw "circle $cx,$cy $((cx + s)),$cy" \
        -stroke none -fill '#f2e6d2' \
        -draw "polygon $((cx - 13)),$((cy - 5)) $((cx - 7)),$((cy - 5)) $((cx + 1)),$((cy - 12)) $((cx + 1)),$((cy + 12)) $((cx - 7)),$((cy + 5)) $((cx - 13)),$((cy + 5))" \
        -fill none -stroke '#ff5a3c' -strokewidth 3 \
        -draw "stroke-linecap round line $((cx + 6)),$((cy - 6)) $((cx + 14)),$((cy + 6))" \
        -draw "stroke-linecap round line $((cx + 14)),$((cy - 6)) $((cx + 6)),$((cy + 6))" \
        "$out"
}

# base: maker, colour behind it in the game (previews), 16:9 size, other size,
# what the decode check expects of it.
declare -A IMAGES=(
    [title]="make_title rgb(0,0,0) $FS169 $FSOTH opaque"
    [loading]="make_loading rgb(38,85,117) 960x540 900x540 opaque"
    [failed]="make_failed rgb(173,18,0) $FS169 $FSOTH panel"
    [success]="make_success rgb(0,134,46) $FS169 $FSOTH panel"
    [red]="make_red rgb(0,0,0) 512x288 500x300 veil"
    [pause]="make_pause rgb(60,70,80) $FS169 $FSOTH panel"
    [bg]="make_bg rgb(70,90,110) 768x144 720x144 strip"
    [mute]="make_mute rgb(70,90,110) 768x432 760x456 mark"
)

for b in "${BASES[@]}"; do
    [[ -n "${IMAGES[$b]:-}" ]] || { echo "make_gui_images: unknown image '$b'" >&2; exit 1; }
    read -r maker bgc s169 soth kind <<< "${IMAGES[$b]}"
    build "$b" "$maker" "$bgc" "$s169" "$soth"
done

# Decode every image as the game does and check its size, alpha and row order.
CC=${CC:-cc}
"$CC" -O2 -Wall -o "$TMP/check_images" "$GUI/check_images.c" -lIL
checks=()
for b in title loading failed success red pause bg mute; do
    read -r maker bgc s169 soth kind <<< "${IMAGES[$b]}"
    checks+=("$kind" "$IMAGES/${b}169.dds" "$s169" "$kind" "$IMAGES/${b}.dds" "$soth")
done
"$TMP/check_images" "${checks[@]}"
