#!/usr/bin/env bash
# Adds to the seed folder FOLDER (made by fuzz_seeds) small pictures of the
# kinds the program reads but does not write, made by tools that share no code
# with it: ImageMagick for the variants of each format (depths, compressions,
# colour spaces, interlacing), and the encoders of WebP, HEIF, AVIF and JPEG XL.
# Usage: fuzz/seeds.sh FOLDER
set -euo pipefail
out=$1
base=$out/base.png
# Odd sizes leave padding at the ends of rows; the video coders want even ones.
convert -size 13x7 gradient:'#f00-#00f' -fill '#0f0' -draw 'point 3,3' -depth 8 "$base"
even=$out/even.png
convert -size 16x12 gradient:'#ff0-#0a4' -fill '#f0f' -draw 'rectangle 2,2 5,9' -depth 8 "$even"

# im FOLDER NAME OPTION...: the base picture converted with OPTION... into FOLDER/NAME.
im() {
  local folder=$1 name=$2
  shift 2
  mkdir -p "$out/$folder"
  local file=${name#*:}
  [ "$file" = "$name" ] && name=$out/$folder/$name || name=${name%%:*}:$out/$folder/$file
  convert "$base" "$@" "$name"
}

im bmp BMP3:pal8.bmp -type Palette -depth 8
im bmp BMP3:pal4.bmp -colors 16 -type Palette
im bmp BMP3:mono.bmp -monochrome
im bmp BMP3:rle8.rle -type Palette -compress RLE
im bmp BMP2:os2.bmp
im bmp BMP:rgb565.bmp -define bmp:subtype=RGB565
im bmp BMP:rgb555.bmp -define bmp:subtype=RGB555
im bmp BMP:argb32.bmp -alpha set -channel A -evaluate set 60% +channel
im gif interlaced.gif -interlace GIF
im gif transparent.gif -transparent '#0f0'
im gif mono.gif -monochrome
im jpg progressive.jpg -interlace JPEG -quality 80
im jpg grey.jpg -colorspace Gray
im jpg cmyk.jpg -colorspace CMYK
im jpg subsampled.jpg -sampling-factor 2x2 -define jpeg:restart-interval=1
im pcx pal4.pcx -colors 16 -type Palette
im pcx pal8.pcx -type Palette
im pcx mono.pcx -monochrome
im png PNG8:pal.png
im png grey.png -colorspace Gray
im png greyalpha.png -colorspace Gray -alpha set -channel A -evaluate set 50% +channel
im png PNG32:rgba.png -alpha set -channel A -evaluate set 50% +channel
im png PNG48:deep.png -depth 16
im png interlaced.png -interlace PNG
im png mono.png -monochrome
im tga rle.tga -compress RLE
im tga grey.tga -colorspace Gray
im tga pal.tga -type Palette
im tga alpha.tga -alpha set -channel A -evaluate set 50% +channel
im tif lzw.tif -compress LZW
im tif zip.tif -compress Zip
im tif packbits.tif -compress RLE
im tif jpeg.tif -compress JPEG
im tif fax.tif -monochrome -compress Group4
im tif grey.tif -colorspace Gray
im tif pal.tif -type Palette
im tif deep.tif -depth 16
im tif alpha.tif -alpha set -channel A -evaluate set 50% +channel
im tif strips.tif -define tiff:rows-per-strip=1
im tif tiles.tif -define tiff:tile-geometry=16x16
im tif planar.tif -interlace Plane
im jp2 JP2:im.jp2
im jp2 J2K:codestream.j2k
im jp2 JP2:grey.jp2 -colorspace Gray

mkdir -p "$out/webp" "$out/heic" "$out/avif" "$out/jxl"
cwebp -quiet -q 50 "$even" -o "$out/webp/lossy.webp"
cwebp -quiet -lossless "$base" -o "$out/webp/lossless.webp"
heif-enc -q 50 "$even" -o "$out/heic/lossy.heic" >/dev/null
avifenc "$even" "$out/avif/lossy.avif" >/dev/null
avifenc --lossless "$even" "$out/avif/lossless.avif" >/dev/null
cjxl "$base" "$out/jxl/lossless.jxl" -d 0 >/dev/null 2>&1
cjxl "$even" "$out/jxl/lossy.jxl" -d 1 >/dev/null 2>&1
rm "$base" "$even"
