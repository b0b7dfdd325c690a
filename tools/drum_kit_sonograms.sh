#!/bin/sh
# Spectrograms of the default kit for a look at each sound:
# out/spectrograms/NAME.png (full band) and NAME_zoom.png (0-2 kHz, for the
# pitch sweeps of kicks, toms and snares). Needs sox.
set -e
repo=$(cd "$(dirname "$0")/.." && pwd)
dest="$repo/out/spectrograms"
mkdir -p "$dest"
for f in "$repo"/data/Samples/*.WAV; do
    n=$(basename "$f" .WAV)
    sox "$f" -n spectrogram -x 600 -y 300 -z 90 -t "$n" -o "$dest/$n.png"
    case "$n" in
    BD_*|TOM_*|SNARE_*)
        # At 4 kHz, 1000 columns a second is a whole hop of 4 samples, so the
        # time axis keeps the file's true length.
        sox "$f" -n rate 4k spectrogram -X 1000 -y 129 -z 80 -t "$n 0-2 kHz" \
            -o "$dest/${n}_zoom.png" 2>/dev/null ;;
    CLAP_*)
        sox "$f" -n spectrogram -X 2000 -y 65 -z 80 -t "$n bursts" -o "$dest/${n}_zoom.png" ;;
    esac
done
echo "$dest"
