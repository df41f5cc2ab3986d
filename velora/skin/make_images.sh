#!/bin/sh
# Draws the sample skin's pictures into the given folder:
#   make_images.sh <out-dir> [convert] [qrencode]
# Icons and button backgrounds are PNGs with alpha drawn by ImageMagick;
# the QR codes encode sample addresses with qrencode. Run by the build.
set -eu
out=$1
convert=${2:-/usr/bin/convert}
qrencode=${3:-qrencode}
mkdir -p "$out"
cd "$out"

# A rounded rectangle: name width height fill [stroke]
round() {
  if [ -n "${5:-}" ]; then
    "$convert" -size "$2x$3" xc:none -fill "$4" -stroke "$5" -strokewidth 1 \
      -draw "roundrectangle 0.5,0.5 $(($2 - 1)).5,$(($3 - 1)).5 6,6" "PNG32:$1"
  else
    "$convert" -size "$2x$3" xc:none -fill "$4" -draw "roundrectangle 0,0 $(($2 - 1)),$(($3 - 1)) 6,6" "PNG32:$1"
  fi
}

# Caption glyphs, white on transparent, 36x36.
glyph() {
  "$convert" -size 36x36 xc:none -stroke white -strokewidth 1.6 -fill none "$@"
}
glyph -draw "line 13,13 23,23" -draw "line 23,13 13,23" PNG32:icon_close.png
glyph -draw "line 12,18.5 24,18.5" PNG32:icon_min.png
glyph -draw "rectangle 12.5,12.5 23.5,23.5" PNG32:icon_max.png
glyph -draw "rectangle 12.5,15.5 20.5,23.5" -draw "polyline 15.5,15.5 15.5,12.5 23.5,12.5 23.5,20.5 20.5,20.5" PNG32:icon_restore.png
glyph -draw "polyline 14,12 20,18 14,24" PNG32:icon_extend.png
glyph -draw "polyline 21,12 15,18 21,24" PNG32:icon_retract.png

# Caption button backgrounds.
round caption_hot.png 36 36 "rgba(255,255,255,0.16)"
round caption_pushed.png 36 36 "rgba(255,255,255,0.30)"
round close_hot.png 36 36 "rgba(232,17,35,0.90)"
round close_pushed.png 36 36 "rgba(170,10,25,1.0)"

# Link and tool buttons (nine slices, corner 6).
round link_normal.png 32 32 "rgba(255,255,255,0.06)" "rgba(255,255,255,0.28)"
round link_hot.png 32 32 "rgba(61,165,255,0.85)"
round link_pushed.png 32 32 "rgba(30,120,215,1.0)"
round link_disabled.png 32 32 "rgba(255,255,255,0.04)" "rgba(255,255,255,0.10)"
round tool_normal.png 32 32 "rgba(127,127,127,0.10)"
round tool_hot.png 32 32 "rgba(61,165,255,0.30)"
round tool_pushed.png 32 32 "rgba(61,165,255,0.55)"

# Dialog buttons.
round ok_normal.png 32 32 "#2F8CEB"
round ok_hot.png 32 32 "#4BA3FF"
round ok_pushed.png 32 32 "#1E6FC4"
round cancel_normal.png 32 32 "#FFFFFF" "#C9CED6"
round cancel_hot.png 32 32 "#F2F5F9" "#9AA3AF"
round cancel_pushed.png 32 32 "#E2E7EE" "#9AA3AF"

# The logo: a play sign in a disc with a soft edge.
"$convert" -size 28x28 xc:none -fill "#3DA5FF" -draw "circle 14,14 14,1.5" \
  -fill white -draw "polygon 11,8.5 20.5,14 11,19.5" PNG32:logo.png

# QR codes of sample addresses.
"$qrencode" -s 4 -m 2 -o qr_phone.png "https://m.example.com/velora/install"
"$qrencode" -s 4 -m 2 -o qr_official.png "https://www.example.com/velora/official-account"
