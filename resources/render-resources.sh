#!/usr/bin/env bash
# Regenerates the committed bitmaps from their hand-written SVG sources with ImageMagick,
# mapped without dithering onto the standard 16-colour palette: the geometry drawing as
# a 4-bit BMP of 439 x 220 pixels, the icon at 16 and 32 pixels.
set -euo pipefail
cd "$(dirname "$0")"
palette=$(mktemp --suffix=.png)
trap 'rm -f "$palette"' EXIT
convert xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' xc:'#800080' \
  xc:'#008080' xc:'#c0c0c0' xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
  xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append "$palette"
convert -background white geometry.svg -flatten -dither None -remap "$palette" \
  -type Palette -depth 4 BMP3:geometry.bmp
for size in 16 32; do
  convert -background none -density $((72 * size / 32)) icon.svg -resize ${size}x${size} \
    -dither None -remap "$palette" PNG8:icon-${size}.png
done
