#!/usr/bin/env bash
# Redraws the launcher's icon (skins/icon/) with ImageMagick: a blue rounded
# square with a white "M" and a small gold star, at 256 pixels, scaled down to
# the smaller sizes. The pictures are committed; run this after changing it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/skins/icon"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
  \( -size 240x240 gradient:'#4A8FE7-#1C3B8C' \) -geometry +8+8 -composite \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 44,44' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -fill none -stroke white -strokewidth 26 -draw 'stroke-linejoin round stroke-linecap round polyline 60,190 60,70 128,150 196,70 196,190' \
  -fill '#FFD54A' -stroke none -draw 'polygon 200,22 208,42 230,42 212,55 219,76 200,63 181,76 188,55 170,42 192,42' \
  "$tmp/icon-256.png"
for size in 256 48 32 16; do
  convert "$tmp/icon-256.png" -filter Lanczos -resize "${size}x${size}" -strip \
    -define png:exclude-chunks=date,time "PNG32:$out/icon-$size.png"
done
echo "drew skins/icon"
