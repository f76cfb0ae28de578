#!/usr/bin/env bash
# End-to-end checks of --fit: pictures of every kind the users have, made by
# ImageMagick and by hand from known pixels, converted value for value; the
# fitted sizes; refusals; the exact bitmap's data file unchanged; -o.
source "$(dirname "$0")/common.sh"

values() { python3 "$here/picture_values.py" "$@"; }

# Runs the program in $pics with the arguments; as in batch.sh, it counts as
# run when it wrote a line of its own, or a data file to standard output.
run() {
    (cd "$pics" && timeout 20 "$binary" "$@" > "$work/stdout" 2> "$work/stderr" < /dev/null)
    status=$?
    cat "$work/stdout" "$work/stderr" | grep -qaE '^pictoline|\.txt: [0-9]+ x [0-9]+$|^bildname:' &&
        drew=0 || drew=1
}
exited() { [ "$status" = "$1" ]; }
said() { grep -qxF -- "$1" "$work/stdout" "$work/stderr"; }
matches() { (cd "$pics" && values check "$@" > /dev/null); }
size_line() { grep -qa "^data $2, $3"$'\r$' "$pics/$1"; }

pics="$work/pics"
mkdir -p "$pics"
values make "$pics"
cd "$pics" || exit 1
convert known.ppm PNG24:rgb.png
convert alpha.pam PNG32:rgba.png
convert known.ppm -colorspace Gray PNG:grey.png
convert grey.png grey.ppm
convert known.ppm PNG8:palette.png
convert known.ppm PNG48:deep.png
convert known.ppm -interlace PNG PNG24:interlaced.png
convert known.ppm first.gif
convert known.ppm -quality 100 -sampling-factor 1x1 photo.jpg
convert known.ppm -quality 100 -sampling-factor 1x1 -interlace JPEG progressive.jpg
convert known.ppm -type TrueColor logo.bmp       # ImageMagick's own default: 124 bytes
mkdir twin
convert known.ppm -type TrueColor BMP3:twin/logo.bmp # the kind the browser reads
convert -size 400x300 xc:orange big.png
convert -size 1000x100 xc:orange wide.png
convert -size 100x1000 xc:orange tall.png
convert -size 200x100 xc:orange logo200.png
printf '\211PNG\r\n\032\n but damaged after its signature' > damaged.png
cd - > /dev/null || exit 1
# A phone's photo: stored on its side, with EXIF orientation 6.
python3 - "$pics/photo.jpg" "$pics/turned.jpg" <<'PY'
import struct, sys
jpeg = open(sys.argv[1], "rb").read()
tiff = b"II" + struct.pack("<HIH", 42, 8, 1) + struct.pack("<HHIHHI", 0x112, 3, 1, 6, 0, 0)
payload = b"Exif\0\0" + tiff
open(sys.argv[2], "wb").write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload + jpeg[2:])
PY

# One run of the kinds a user has: each converted, the damaged one refused.
run --fit rgb.png photo.jpg logo.bmp damaged.png exact.bmp
check "a mixed --fit run exits 1 for the damaged file" "$(ok exited 1)"
for line in "rgb.png.txt: 6 x 4" "photo.jpg.txt: 6 x 4" "logo.bmp.txt: 6 x 4" "exact.bmp.txt: 6 x 4"; do
    check "converted: $line" "$(ok said "$line")"
done
check "the damaged PNG is named with the decoder's reason" \
    "$(ok grep -qE '^pictoline: damaged.png: cannot read this picture: .+' "$work/stderr")"
check "nothing is left beside the damaged PNG" "$(ok [ ! -e "$pics/damaged.png.txt" ])"
check "the PNG's values are its pixels" "$(ok matches rgb.png.txt known.ppm)"
check "the JPEG's values are its pixels, within a step" "$(ok matches photo.jpg.txt known.ppm 1)"
check "ImageMagick's default BMP's values are its pixels" "$(ok matches logo.bmp.txt known.ppm)"

# Every other kind, value for value.
for kind in rgba.png:alpha.pam grey.png:grey.ppm palette.png:known.ppm deep.png:known.ppm \
    interlaced.png:known.ppm first.gif:known.ppm v4.bmp:known.ppm v5.bmp:known.ppm \
    topdown.bmp:known.ppm rgbx.bmp:known.ppm progressive.jpg:known.ppm:1 turned.jpg:known.ppm:1:6; do
    IFS=: read -r file picture tolerance orientation <<< "$kind"
    run --fit "$file"
    check "$file converts" "$(ok exited 0)"
    check "$file: its values are its pixels" \
        "$(ok matches "$file.txt" "$picture" "${tolerance:-0}" "${orientation:-1}")"
done

# The browser's kind keeps the browser's bytes, with and without --fit.
run exact.bmp
cp "$pics/exact.bmp.txt" "$work/plain.txt"
run --fit exact.bmp
check "an exact bitmap gives the same data file with and without --fit" \
    "$(ok same_but_time "$work/plain.txt" "$pics/exact.bmp.txt")"
run twin/logo.bmp
check "BMP3: the browser's kind converts without --fit" "$(ok exited 0)"
run logo.bmp
check "ImageMagick's default BMP is refused without --fit, with the hint" \
    "$(ok said "pictoline: logo.bmp: Falsches Bildformat!!!! (--fit reads any picture)")"
check "without --fit it exits 1" "$(ok exited 1)"
run --fit logo.bmp
check "with --fit it gives its BMP3 twin's data file" \
    "$(ok same_but_time "$pics/twin/logo.bmp.txt" "$pics/logo.bmp.txt")"

# Fitted within 176 x 132, or within --fit=WxH, never enlarged.
for fitted in "big.png 176 132" "wide.png 176 18" "tall.png 13 132" "logo200.png 176 88" \
    "rgb.png 6 4"; do
    read -r file width height <<< "$fitted"
    run --fit "$file"
    check "$file fits as $width x $height" "$(ok size_line "$file.txt" "$width" "$height")"
done
run --fit=32x32 big.png
check "--fit=32x32 fits 400 x 300 as 32 x 24" "$(ok size_line big.png.txt 32 24)"
for bad in --fit=0x10 --fit=177x1 --fit=10 --fit=1x133 --fit=x --fit=ax2; do
    run "$bad" rgb.png
    check "$bad is a usage error" "$(ok exited 2)"
done

# A picture far too large is refused at once, before it is decoded.
python3 - "$pics/huge.png" <<'PY'
import struct, sys, zlib
ihdr = struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0)
chunk = lambda kind, body: struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IEND", b""))
PY
run --fit huge.png
check "a PNG claiming 100000 x 100000 is refused as too large" \
    "$(ok grep -q '^pictoline: huge.png: is 100000 x 100000 pixels, more than' "$work/stderr")"
# So are bitmaps: one stored top-down (its height negative), and one of 100
# bytes that claims 30 megapixels.
python3 - "$pics" <<'PY'
import struct, sys
for name, width, height in [("huge.bmp", 100000, -100000), ("claims.bmp", 6000, -5000),
                            ("empty.bmp", 7, 0)]:
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    open(sys.argv[1] + "/" + name, "wb").write(b"BM" + struct.pack("<IHHI", 100, 0, 0, 54) + info + bytes(46))
PY
run --fit huge.bmp claims.bmp empty.bmp
check "a top-down bitmap of 10 gigapixels is refused as too large" \
    "$(ok grep -q '^pictoline: huge.bmp: is 100000 x 100000 pixels, more than' "$work/stderr")"
check "a bitmap too short for its pixels is refused" \
    "$(ok said "pictoline: claims.bmp: is too short to hold every pixel")"
check "a bitmap of height 0 is refused, no data file left" \
    "$(ok said "pictoline: empty.bmp: has no pixels" && [ ! -e "$pics/empty.bmp.txt" ])"

# A JPEG whose Huffman table claims more codes than a table holds: the
# decoder would write past the table, so it is refused first.
python3 - "$pics/photo.jpg" "$pics/overfull.jpg" <<'PY'
import sys
jpeg = bytearray(open(sys.argv[1], "rb").read())
table = jpeg.index(b"\xff\xc4") + 5
jpeg[table:table + 16] = b"\xff" * 16
open(sys.argv[2], "wb").write(jpeg)
PY
run --fit overfull.jpg
check "a JPEG with an overfull Huffman table is refused" \
    "$(ok said "pictoline: overfull.jpg: cannot read this picture: a Huffman table of more than 256 codes")"

# -o: another name, or standard output; one picture only.
run --fit -o "$work/named.txt" rgb.png
check "-o FILE writes the data file there" "$(ok values check "$work/named.txt" "$pics/known.ppm")"
check "-o FILE: its line names it" "$(ok said "$work/named.txt: 6 x 4")"
run --fit -o - rgb.png
check "-o - writes the data file to standard output" \
    "$(ok same_but_time "$work/stdout" "$work/named.txt")"
run -o - exact.bmp
check "-o - takes a bitmap without --fit too" "$(ok same_but_time "$work/stdout" "$work/plain.txt")"
cp "$pics/exact.bmp" "$work/exact.before"
run -o exact.bmp exact.bmp
check "-o naming the bitmap itself is refused, the bitmap kept" \
    "$(ok exited 1 && cmp -s "$pics/exact.bmp" "$work/exact.before")"
run --fit -o ./rgb.png rgb.png
check "-o naming the picture itself is refused with --fit too" \
    "$(ok grep -q "^pictoline: rgb.png: the data file ./rgb.png would take the picture's place" "$work/stderr")"
drew=0
run -o x.txt rgb.png exact.bmp
check "-o with two pictures is a usage error" "$(ok exited 2)"

finish
