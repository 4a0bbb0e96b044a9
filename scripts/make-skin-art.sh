#!/usr/bin/env bash
# Regenerates the pictures of the skins from their generators in skins/art/.
# The pictures are committed; run this after changing a generator.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/art"
mkdir -p "$out"
for generator in "$root"/skins/art/make_*_art.cpp; do
  name="$(basename "$generator" .cpp)"
  skin="${name#make_}"
  skin="${skin%_art}"
  g++ -std=c++20 -O1 -o "$out/$name" "$generator" "$root/skins/art/ArtKit.cpp" \
    $(pkg-config --cflags --libs pangocairo cairo)
  mkdir -p "$root/skins/$skin"
  "$out/$name" "$root/skins/$skin"
  echo "drew skins/$skin"
done
