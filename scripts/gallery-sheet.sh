#!/bin/sh
# Renders every description in examples/ with `lsys render` and puts the pictures, labelled
# with their names, on one contact sheet (ImageMagick's montage); then a growth animation of
# the start-up template, eight frames under one camera, as a strip labelled with the growths.
#
#   scripts/gallery-sheet.sh [LSYS [OUT.png [STRIP.png]]]
#
# LSYS defaults to build/cli/lsys, OUT to docs/gallery.png, STRIP to docs/growth.png. Run from
# the repository root.
set -eu
lsys=${1:-build/cli/lsys}
out=${2:-docs/gallery.png}
strip=${3:-docs/growth.png}
[ -x "$lsys" ] || { echo "gallery-sheet: no lsys at $lsys (build it first)" >&2; exit 2; }
command -v montage >/dev/null || { echo "gallery-sheet: ImageMagick's montage is missing" >&2; exit 2; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for f in examples/*.ls; do
    name=$(basename "$f" .ls)
    "$lsys" render "$f" -o "$dir/$name.png" --size 400x300 --aa 2>/dev/null
done
# A font file by path: ImageMagick's own default font names need Ghostscript's fonts.
font=$(fc-match -f '%{file}' sans 2>/dev/null || true)
montage ${font:+-font "$font"} -label '%t' -pointsize 14 "$dir"/*.png -tile 4x \
    -geometry 320x240+6+6 -background white -depth 8 "$out"
echo "gallery-sheet: wrote $out"

rm -f "$dir"/*.png
"$lsys" render resources/untitled.ls -o "$dir/g-%d.png" --growth 0.25:1 --frames 8 \
    --size 300x300 --aa 2>/dev/null
set --
for i in 0 1 2 3 4 5 6 7; do
    # growth 0.25 + i * 0.75 / 7, as the frames were drawn
    set -- "$@" -label "growth $(awk -v i="$i" 'BEGIN { printf "%.2f", 0.25 + i * 0.75 / 7 }')" \
        "$dir/g-$i.png"
done
montage ${font:+-font "$font"} -pointsize 14 "$@" -tile 8x1 -geometry 200x200+4+4 \
    -background white -depth 8 "$strip"
echo "gallery-sheet: wrote $strip"
