#!/bin/bash
# Makes a folder of phone-like photos of real scenes for the photo report's
# benchmark: the camera photographs in two Debian wallpaper packages
# (plasma-workspace-wallpapers, mate-backgrounds; fetched with apt-get
# download into the user's cache, not installed), each brought to 4000 x 3000
# (12 megapixels, 4:2:0, quality 95, as a phone writes them) and varied by
# mirroring and cropping so that no two files hold the same picture, then
# dated, placed and turned like a phone's photo (every fourth stored
# sideways with its orientation tag, every third with a comment segment).
#
#   scripts/real-photos.sh OUT_DIR [COUNT]     (COUNT defaults to 40)
#
# The photos are made once and kept in the cache; OUT_DIR receives copies.
set -euo pipefail

out=${1:?usage: real-photos.sh OUT_DIR [COUNT]}
count=${2:-40}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/zarvek-photos
made=$cache/made-$count
mkdir -p "$cache" "$out"

sources() {
  local seen=" "
  exiftool -q -r -if '$Model and $ImageWidth >= 1600' \
    -p '$ImageWidth $Directory/$FileName' "$cache/packages" 2>/dev/null |
    sort -rn | while read -r _ f; do
      local sum
      sum=$(md5sum <"$f" | cut -c1-32)
      case $seen in *" $sum "*) continue ;; esac
      seen="$seen$sum "
      echo "$f"
    done
}

if [ ! -d "$cache/packages" ]; then
  tmp=$(mktemp -d "$cache/fetch.XXXXXX")
  (cd "$tmp" && apt-get download plasma-workspace-wallpapers mate-backgrounds \
    >/dev/null 2>&1) || { echo "apt-get download failed" >&2; exit 1; }
  for d in "$tmp"/*.deb; do dpkg-deb -x "$d" "$tmp/packages"; done
  mv "$tmp/packages" "$cache/packages"
  rm -rf "$tmp"
fi

if [ ! -f "$made/done" ]; then
  rm -rf "$made"
  mkdir -p "$made"
  mapfile -t srcs < <(sources)
  [ ${#srcs[@]} -gt 0 ] || { echo "no camera photos found" >&2; exit 1; }
  flips=("" "-flop" "-flip" "-flop -flip")
  for ((i = 0; i < count; i++)); do
    src=${srcs[i % ${#srcs[@]}]}
    variant=$((i / ${#srcs[@]}))
    # shellcheck disable=SC2086
    convert "$src" ${flips[variant % 4]} -resize '4000x3000^' \
      -gravity center -crop "4000x3000+$((variant / 4 * 40))+0" +repage \
      -sampling-factor 2x2 -quality 95 "$made/IMG_$(printf %04d "$i").jpg"
  done
  for ((i = 0; i < count; i++)); do
    f=$made/IMG_$(printf %04d "$i").jpg
    args=(-q -q -overwrite_original -all= "-Make=PHONE" "-Model=PHONE 12"
      "-DateTimeOriginal=2024:05:17 10:$(printf %02d $((i % 60))):05"
      "-GPSLatitude=12.04$((i % 10))" -GPSLatitudeRef=S
      "-GPSLongitude=77.04$((i % 7))" -GPSLongitudeRef=W)
    [ $((i % 4)) -eq 1 ] && args+=("-Orientation#=6")
    [ $((i % 3)) -eq 0 ] && args+=("-Comment=PHONE CAMERA")
    exiftool "${args[@]}" "$f"
  done
  touch "$made/done"
fi
cp "$made"/IMG_*.jpg "$out"/
