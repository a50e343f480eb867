#!/usr/bin/env bash
# Draws the tool bar icons (32x32) and the sponsor window's picture (400x300) with
# ImageMagick. The PNG files are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
sans=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# Each icon is drawn at 128x128 and scaled down, which smooths its edges.
icon() {
    local out=$1
    shift
    convert -size 128x128 xc:none "$@" -resize 32x32 -strip "PNG32:$out"
}

# 生成表达式: a page with a pattern on it.
icon generate.png \
    -fill '#ffffff' -stroke '#2f6db5' -strokewidth 6 \
    -draw 'path "M 22,8 L 84,8 L 106,30 L 106,120 L 22,120 Z"' \
    -fill '#cfe0f5' -draw 'path "M 84,8 L 84,30 L 106,30 Z"' \
    -stroke none -fill '#2f6db5' -font "$sans" -pointsize 64 \
    -draw "text 34,100 '.*'"

# 表达式匹配: a magnifying glass over a line of text.
icon match.png \
    -stroke '#3a8f3a' -strokewidth 8 -fill none -draw 'line 10,20 70,20' -draw 'line 10,40 50,40' \
    -stroke '#2e7d32' -strokewidth 12 -fill '#e8f5e9' -draw 'circle 62,62 62,24' \
    -strokewidth 18 -draw 'line 90,90 118,118'

# 检查更新: a circular arrow.
icon update.png \
    -stroke '#e08a00' -strokewidth 14 -fill none -draw 'arc 18,18 110,110 200,470' \
    -stroke none -fill '#e08a00' -draw 'polygon 14,90 30,122 52,86'

# 赞助开发: a heart.
icon sponsor.png \
    -stroke '#b71c1c' -strokewidth 4 -fill '#e53935' \
    -draw 'path "M 64,116 C 20,84 6,58 14,36 C 22,14 52,10 64,36 C 76,10 106,14 114,36 C 122,58 108,84 64,116 Z"'

# 体验反馈: a speech bubble with three dots.
icon feedback.png \
    -stroke '#5e35b1' -strokewidth 6 -fill '#ede7f6' -draw 'roundrectangle 8,14 120,88 18,18' \
    -draw 'polygon 30,86 30,118 60,86' -stroke none -fill '#ede7f6' -draw 'rectangle 33,80 57,90' \
    -fill '#5e35b1' -draw 'circle 38,51 38,60' -draw 'circle 64,51 64,60' -draw 'circle 90,51 90,60'

# 设置: a cog.
icon settings.png \
    -fill '#546e7a' -stroke none \
    -draw 'translate 64,64 rectangle -12,-60 12,60' \
    -draw 'translate 64,64 rotate 45 rectangle -12,-60 12,60' \
    -draw 'translate 64,64 rotate 90 rectangle -12,-60 12,60' \
    -draw 'translate 64,64 rotate 135 rectangle -12,-60 12,60' \
    -draw 'circle 64,64 64,18' -fill '#eceff1' -draw 'circle 64,64 64,46'

# The sponsor window's picture: a warm gradient with a thank-you note. The close button
# sits at the top right (312,8 80x32), so the text keeps clear of it.
convert -size 400x300 gradient:'#fff3e0-#ffccbc' \
    -fill '#e53935' -stroke '#b71c1c' -strokewidth 2 \
    -draw 'path "M 200,150 C 170,128 160,110 166,95 C 172,80 192,78 200,95 C 208,78 228,80 234,95 C 240,110 230,128 200,150 Z"' \
    -stroke none -fill '#5d4037' -font "$cjk" -pointsize 26 -gravity north \
    -annotate +0+36 '赞助作者开发' \
    -pointsize 15 -fill '#6d4c41' \
    -annotate +0+170 '析理通是一个免费的正则表达式工具。' \
    -annotate +0+196 '如果它帮您省下了时间，欢迎赞助后续开发，' \
    -annotate +0+222 '让它支持更多功能。' \
    -pointsize 13 -fill '#8d6e63' \
    -annotate +0+262 'https://xilitong.example.org/sponsor' \
    -strip sponsor_picture.png
