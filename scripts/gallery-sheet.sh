#!/bin/sh
# Renders every description in examples/ with `lsys render` and puts the pictures, labelled
# with their names, on one contact sheet (ImageMagick's montage).
#
#   scripts/gallery-sheet.sh [LSYS [OUT.png]]
#
# LSYS defaults to build/cli/lsys, OUT to docs/gallery.png. Run from the repository root.
set -eu
lsys=${1:-build/cli/lsys}
out=${2:-docs/gallery.png}
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
