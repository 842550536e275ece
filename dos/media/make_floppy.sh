#!/bin/sh
# Writes a floppy image holding VELMOD.COM and README.TXT (Shift-JIS, CR LF), with mtools, so
# no root and no loop device are needed.
#   make_floppy.sh pcat|pc98 IMAGE VELMOD.COM README-in-UTF-8
set -eu
kind=$1 image=$2 com=$3 readme=$4
work=$image.part
rm -f "$work" "$work.txt"
# A fixed serial number keeps the image the same from build to build.
case $kind in
  pcat) mformat -i "$work" -C -f 1440 -N 564D4F44 -v VELMOD :: ;;
  # PC-98 2HD: 77 cylinders x 2 heads x 8 sectors of 1024 bytes, one sector a cluster, one
  # reserved sector, two FATs of two sectors, 192 root entries (6 sectors), media FEh.
  pc98) mformat -i "$work" -C -t 77 -h 2 -s 8 -S 3 -M 1024 -c 1 -R 1 -L 2 -r 6 -m 0xFE \
          -N 564D4F44 -v VELMOD :: ;;
  *) echo "make_floppy.sh: unknown kind $kind" >&2; exit 2 ;;
esac
iconv -f UTF-8 -t CP932 "$readme" | sed 's/$/\r/' > "$work.txt"
mcopy -i "$work" -m "$com" ::VELMOD.COM
mcopy -i "$work" "$work.txt" ::README.TXT
rm "$work.txt"
mv "$work" "$image"
