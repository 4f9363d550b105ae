#!/bin/sh
# Renders the program icon's PNG sizes from the SVG (needs rsvg-convert, package librsvg2-bin).
# The PNGs are committed, so the build itself needs no SVG renderer.
set -e
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w $size -h $size orvandel-viewer.svg -o orvandel-viewer-$size.png
done
