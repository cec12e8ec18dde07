#!/usr/bin/env bash
# Makes the small picture files the image file tests read, with ImageMagick from plain-text
# sources whose numbers the tests check. The outputs are committed so that every build (the
# Windows one under wine included) reads the very same files; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
strip=(-strip -define png:exclude-chunks=date,time)

# 3 x 2 grey, 16 bits.
printf 'P2\n3 2\n65535\n0 1 65535\n32768 12345 65534\n' >"$tmp/gray16.pgm"
convert "$tmp/gray16.pgm" "${strip[@]}" -depth 16 -define png:color-type=0 gray16.png

# 5 x 3 RGB, 8 bits, interlaced.
printf 'P3\n5 3\n255\n' >"$tmp/rgb.ppm"
for y in 0 1 2; do for x in 0 1 2 3 4; do
  printf '%d %d %d ' $((x * 50 + y)) $((200 - y * 60)) $(((x * 37 + y * 11) % 256)) >>"$tmp/rgb.ppm"
done; printf '\n' >>"$tmp/rgb.ppm"; done
convert "$tmp/rgb.ppm" "${strip[@]}" -depth 8 -define png:color-type=2 -interlace PNG rgb8-interlaced.png

# 3 x 1 palette with a transparent entry: red, transparent, blue.
printf 'P3\n3 1\n255\n255 0 0  0 255 0  0 0 255\n' >"$tmp/palette.ppm"
convert "$tmp/palette.ppm" "${strip[@]}" -transparent lime PNG8:palette-trns.png

# 2 x 2 grey with alpha, 8 bits: grey 10, 20, 30, 40 with alpha 255, 128, 0, 64.
printf 'P2\n2 2\n255\n10 20\n30 40\n' >"$tmp/ga-gray.pgm"
printf 'P2\n2 2\n255\n255 128\n0 64\n' >"$tmp/ga-alpha.pgm"
convert "$tmp/ga-gray.pgm" "$tmp/ga-alpha.pgm" -alpha off -compose CopyOpacity -composite "${strip[@]}" \
  -depth 8 -define png:color-type=4 gray-alpha.png

# JPEGs of a 19 x 11 colour picture (baseline and progressive) and a grey one.
printf 'P3\n19 11\n255\n' >"$tmp/scene.ppm"
for y in $(seq 0 10); do for x in $(seq 0 18); do
  printf '%d %d %d ' $((x * 13)) $((y * 23)) $(((x * y * 7) % 256)) >>"$tmp/scene.ppm"
done; printf '\n' >>"$tmp/scene.ppm"; done
convert "$tmp/scene.ppm" "${strip[@]}" -quality 90 -sampling-factor 2x2 baseline.jpg
convert "$tmp/scene.ppm" "${strip[@]}" -quality 90 -interlace JPEG progressive.jpg
convert "$tmp/scene.ppm" "${strip[@]}" -colorspace Gray -quality 90 gray.jpg

# What the JPEG library gives for them, as PNGs: the JPEG tests compare every build's pixels with these.
for f in baseline progressive; do convert $f.jpg "${strip[@]}" PNG24:$f-decoded.png; done
convert gray.jpg "${strip[@]}" -define png:color-type=0 gray-decoded.png
