#!/usr/bin/env bash
# Redraws the pictures of the control gallery's skin (skins/gallery/) with
# ImageMagick: state images of check boxes, radio buttons, tree folders,
# scroll bars, the slider's thumb, the progress bars' fore parts, the list
# header and the combo frame, and a four-frame animated GIF whose frames
# have different delays. The pictures are committed; rerun after changing it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/skins/gallery"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Writes the last argument as a reproducible 32-bit PNG.
draw() {
  local target="${*: -1}"
  convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time "PNG32:$out/$target"
}

blue='#2F6FD0'
line='#8A97AA'
paper='#FFFFFF'

# Check boxes and tree check boxes: 16×16, empty and ticked.
draw -size 16x16 xc:none -fill "$paper" -stroke "$line" -draw 'roundrectangle 1,1 14,14 3,3' check_off.png
draw -size 16x16 xc:none -fill "$blue" -stroke "$blue" -draw 'roundrectangle 1,1 14,14 3,3' \
  -fill none -stroke white -strokewidth 2 -draw 'polyline 4,8 7,11 12,5' check_on.png
# Radio buttons.
draw -size 16x16 xc:none -fill "$paper" -stroke "$line" -draw 'circle 7.5,7.5 7.5,1' radio_off.png
draw -size 16x16 xc:none -fill "$paper" -stroke "$blue" -draw 'circle 7.5,7.5 7.5,1' \
  -fill "$blue" -stroke none -draw 'circle 7.5,7.5 7.5,4' radio_on.png
# Tree folder buttons: a right-pointing (closed) and a down-pointing (open) triangle.
draw -size 16x16 xc:none -fill '#51627A' -draw 'polygon 5,3 11,8 5,13' folder_closed.png
draw -size 16x16 xc:none -fill '#51627A' -draw 'polygon 3,5 13,5 8,11' folder_open.png
# Slider thumb: 16×16 disk, normal, hot and pushed.
draw -size 16x16 xc:none -fill "$paper" -stroke "$blue" -strokewidth 2 -draw 'circle 7.5,7.5 7.5,1.5' thumb.png
draw -size 16x16 xc:none -fill '#DCE8FA' -stroke "$blue" -strokewidth 2 -draw 'circle 7.5,7.5 7.5,1.5' thumb_hot.png
draw -size 16x16 xc:none -fill "$blue" -stroke "$blue" -strokewidth 2 -draw 'circle 7.5,7.5 7.5,1.5' thumb_pushed.png
# Progress fore parts (stretched over the filled part).
draw -size 200x16 gradient:'#5FD38A-#1E9A55' -rotate 90 -resize '200x16!' fore_h.png
draw -size 16x200 gradient:'#F2B54A-#D9751E' fore_v.png
# List header items: normal, hot, pushed; a separator.
draw -size 40x26 gradient:'#FBFCFE-#E3E8F0' header.png
draw -size 40x26 gradient:'#FFFFFF-#D6E4F7' header_hot.png
draw -size 40x26 gradient:'#D0DBEA-#E6ECF4' header_pushed.png
draw -size 2x26 xc:'#B7C1CF' header_sep.png
# Combo frame (drawn with corners) and the combo box's arrow.
draw -size 40x26 xc:none -fill "$paper" -stroke "$line" -draw 'rectangle 0,0 39,25' combo.png
draw -size 40x26 xc:none -fill '#F4F8FE' -stroke "$blue" -draw 'rectangle 0,0 39,25' combo_hot.png
# The combo box's arrow: a strip of five 24×24 frames (normal, hot, pushed,
# focused, disabled).
arrows=()
for colour in '#51627A' '#2F6FD0' '#1E4E9A' '#2F6FD0' '#B7C1CF'; do
  arrows+=(\( -size 24x24 xc:none -fill "$colour" -draw 'polygon 7,10 17,10 12,15' \))
done
draw "${arrows[@]}" +append arrow.png
# Scroll bar parts.
draw -size 12x30 xc:none -fill '#B8C2D0' -stroke none -draw 'roundrectangle 2,0 9,29 3,3' sb_thumb.png
draw -size 30x12 xc:none -fill '#B8C2D0' -stroke none -draw 'roundrectangle 0,2 29,9 3,3' sb_hthumb.png
draw -size 12x12 xc:'#EEF1F5' sb_bk.png
draw -size 12x12 xc:'#EEF1F5' -fill '#8A97AA' -draw 'polygon 3,8 9,8 6,4' sb_up.png
draw -size 12x12 xc:'#EEF1F5' -fill '#8A97AA' -draw 'polygon 3,4 9,4 6,8' sb_down.png
draw -size 12x12 xc:'#EEF1F5' -fill '#8A97AA' -draw 'polygon 8,3 8,9 4,6' sb_left.png
draw -size 12x12 xc:'#EEF1F5' -fill '#8A97AA' -draw 'polygon 4,3 4,9 8,6' sb_right.png
# Edit frames.
draw -size 40x28 xc:none -fill "$paper" -stroke "$line" -draw 'rectangle 0,0 39,27' edit.png
draw -size 40x28 xc:none -fill "$paper" -stroke "$blue" -draw 'rectangle 0,0 39,27' edit_focus.png

# The animated GIF: a dot going round a ring, each frame its own colour and
# delay (in 1/100 s), so that a viewer can tell the frames and their timing apart.
frames=()
delays=(20 35 50 65)
colours=('#E5484D' '#F5A524' '#30A46C' '#3E63DD')
points=('32,10' '54,32' '32,54' '10,32')
for i in 0 1 2 3; do
  convert -size 64x64 xc:'#FFFFFF' -fill none -stroke '#D7DCE4' -strokewidth 6 -draw 'circle 32,32 32,10' \
    -fill "${colours[$i]}" -stroke none -draw "translate ${points[$i]} circle 0,0 0,9" "$tmp/frame$i.png"
  frames+=(-delay "${delays[$i]}" "$tmp/frame$i.png")
done
convert "${frames[@]}" -loop 0 "$out/spinner.gif"
echo "drew skins/gallery"
