#!/bin/bash
# Redraws every picture of the toolbox into app/win/res with ImageMagick
# (Debian's imagemagick package). The results are committed; run this after
# changing a drawing. Windows reads BMP version 3 files only, so every file is
# written as BMP3; the two large pictures use 8-bit colour with RLE
# compression and plain (not anti-aliased) text to stay small.
set -euo pipefail
cd "$(dirname "$0")/../app/win/res"
# The about picture names the version of project() in the top-level
# CMakeLists.txt; the pictures are drawn without a build, so it is read there.
version=$(sed -n 's/^project([^)]* VERSION \([0-9.]*\).*/\1/p' ../../../CMakeLists.txt)
[ -n "$version" ] || { echo "no VERSION in project() of CMakeLists.txt" >&2; exit 1; }

font=DejaVu-Sans
bold=DejaVu-Sans-Bold
light_blue='#009EE0'
dark_blue='#0081C6'
key='#FF00FF'  # the image list's mask colour: drawn transparent

# The toolbar images and the status pictures come in three sets: 32 x 32
# for 100 % scaling, 48 x 48 (NAME_150) and 64 x 64 (NAME_200); the toolbox
# shows the set nearest to its window's scaling. The larger sets are the
# same drawing with its coordinates scaled, so lines stay sharp; the 100 %
# set is drawn without any transform.
scale=1
size=32
transform=()
set_scale() {  # percent
  scale=$(($1 / 100)).$(($1 % 100))
  size=$((32 * $1 / 100))
  if [ "$1" = 100 ]; then transform=(); else transform=(-affine "$scale,0,0,$scale,0,0"); fi
}

# A white (or grey) drive on the given background: a flat box with a label
# band and the connector's pins on its left edge.
drive() {  # background, body, band, output
  convert -size ${size}x${size} "xc:$1" "${transform[@]}" \
    -fill "$2" -draw 'roundrectangle 6,8 27,24 2,2' \
    -fill "$3" -draw 'rectangle 10,12 23,15' \
    -fill "$2" -draw 'rectangle 3,11 5,12' -draw 'rectangle 3,15 5,16' -draw 'rectangle 3,19 5,20' \
    +antialias -type truecolor "BMP3:$4"
}

# Two circular arrows chasing each other, on the mask colour.
arrows() {  # colour, output
  convert -size ${size}x${size} "xc:$key" "${transform[@]}" +antialias -fill none -stroke "$1" -strokewidth 3 \
    -draw "fill none path 'M 5.7,12.2 A 11,11 0 0,1 25.5,10.5' path 'M 26.3,19.8 A 11,11 0 0,1 6.5,21.5'" \
    -stroke none -fill "$1" \
    -draw 'polygon 29,19 31,9 21,13' -draw 'polygon 3,13 1,23 11,19' \
    -type truecolor "BMP3:$2"
}

# Status pictures, 24 bits: a mark on a coloured square.
status() {  # background, mark drawing, output
  convert -size ${size}x${size} "xc:$1" "${transform[@]}" -fill none -stroke white -strokewidth 4 \
    -draw "stroke-linecap round stroke-linejoin round $2" \
    -type truecolor "BMP3:$3"
}
check='polyline 7,16 13,23 25,9'
cross='line 9,9 23,23 line 23,9 9,23'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for percent in 100 150 200; do
  set_scale "$percent"
  suffix=
  [ "$percent" = 100 ] || suffix=_$percent
  drive "$light_blue" white "$light_blue" "$work/0.bmp"
  drive "$dark_blue" white "$dark_blue" "$work/1.bmp"
  drive '#E4E4E4' '#9A9A9A' '#E4E4E4' "$work/2.bmp"
  arrows '#F28C00' "$work/3.bmp"
  arrows '#9A9A9A' "$work/4.bmp"
  convert "$work/0.bmp" "$work/1.bmp" "$work/2.bmp" "$work/3.bmp" "$work/4.bmp" +append \
    -type truecolor "BMP3:toolbar$suffix.bmp"
  status '#2E9E3E' "$check" "stat_ok$suffix.bmp"
  status '#D32F2F' "$cross" "stat_bad$suffix.bmp"
  status '#9E9E9E' "$check" "stat_un$suffix.bmp"
done

# The brand mark: a white ring holding a "V".
logo='circle 30,30 30,10'

# Banner, 420 x 61: a vertical blue gradient (rows of one colour compress
# well), the brand mark and the product title.
convert -size 420x61 "gradient:$light_blue-#005A8C" +antialias \
  -fill none -stroke white -strokewidth 3 -draw "$logo" \
  -stroke none -fill white -font "$bold" -pointsize 22 -draw "text 21,38 'V'" \
  -font "$bold" -pointsize 24 -draw "text 62,34 'VELMORA SSD Toolbox'" \
  -font "$font" -pointsize 12 -draw "text 64,52 'Health monitor for VELMORA solid-state drives'" \
  -colors 64 -type palette -compress RLE BMP3:banner.bmp

# About picture, 330 x 330: a blue band with the mark and the title, then
# the program, the copyright, the drive models and the operating systems.
convert -size 330x330 xc:white +antialias \
  -fill "$dark_blue" -draw 'rectangle 0,0 329,61' \
  -fill none -stroke white -strokewidth 3 -draw "$logo" \
  -stroke none -fill white -font "$bold" -pointsize 22 -draw "text 21,38 'V'" \
  -font "$bold" -pointsize 20 -draw "text 62,38 'VELMORA SSD Toolbox'" \
  -fill black -font "$bold" -pointsize 13 -draw "text 16,86 'SMART_VELMORA version $version'" \
  -font "$font" -pointsize 11 -draw "text 16,104 'Copyright (c) 2024 VELMORA. All rights reserved.'" \
  -fill "$dark_blue" -font "$bold" -pointsize 12 -draw "text 16,134 'Supported drive models'" \
  -fill black -font "$font" -pointsize 11 \
  -draw "text 24,152 'VELMORA R730, W38, W62 (SATA)'" \
  -draw "text 24,168 'VELMORA LP415, LP520, LP630'" \
  -draw "text 24,184 'VELMORA KESTRIN and KESTRIN PLUS'" \
  -draw "text 24,200 'OEM models of the QMNVX and QMNVZ series'" \
  -fill "$dark_blue" -font "$bold" -pointsize 12 -draw "text 16,232 'Supported operating systems'" \
  -fill black -font "$font" -pointsize 11 \
  -draw "text 24,250 'Windows 7, 32-bit and 64-bit'" \
  -draw "text 24,266 'Windows 8 and 8.1, 32-bit and 64-bit'" \
  -draw "text 24,282 'Windows 10, 32-bit and 64-bit'" \
  -fill "$light_blue" -draw 'rectangle 0,318 329,329' \
  -colors 16 -type palette -compress RLE BMP3:about.bmp

ls -l toolbar*.bmp stat_*.bmp banner.bmp about.bmp
