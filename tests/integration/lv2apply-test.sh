#!/usr/bin/env bash
# lilv's lv2apply, a host that passes the plug-in no feature and runs it one
# frame at a time, renders files through the LV2 bundle found through
# LV2_PATH, and its output must equal `korvo render` with the same values bit
# for bit: at 44.1 and 96 kHz, in 32-bit float WAV (no dither). The gains are
# among those a conversion rounded otherwise than the command line's would
# store differently.
#   lv2apply-test.sh LV2_DIR KORVO WORKDIR
# LV2_DIR holds KorvoEQ.lv2; KORVO is the command-line host. Needs lilv-utils
# (lv2apply), sox and python3.
set -euo pipefail
if [[ $# -ne 3 ]]; then
    echo "usage: $0 LV2_DIR KORVO WORKDIR" >&2
    exit 2
fi
lv2_dir=$1 korvo=$2 work=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
uri=https://vardle.example/plugins/korvo-eq
fail() { echo "FAIL: $*" >&2; exit 1; }

# symbol, parameter name, value in the parameter's unit
settings=(
    "ls_freq LS-Freq 120" "ls_gain LS-Gain 6.4" "a_freq A-Freq 1000" "a_gain A-Gain -3.2" "a_q A-Q 0.7"
    "b_freq B-Freq 3000" "b_gain B-Gain 5.9" "b_q B-Q 0.35" "hs_freq HS-Freq 12000" "hs_gain HS-Gain -3.3"
)
controls=() sets=()
for s in "${settings[@]}"; do
    read -r symbol name value <<<"$s"
    controls+=(-c "$symbol" "$value")
    sets+=(--set "$name=$value")
done

rm -rf "$work"
mkdir -p "$work"
for rate in 44100 96000; do
    input=$work/input-$rate.wav
    # Seeded pink noise, then a second of silence in which the bands' tails decay.
    sox -R -n -r "$rate" -c 2 -b 32 -e floating-point "$input" synth 2 pinknoise vol 0.3 pad 0 1 ||
        fail "sox could not write the input at $rate Hz"
    LV2_PATH=$lv2_dir lv2apply -i "$input" -o "$work/lv2apply-$rate.wav" "${controls[@]}" "$uri" ||
        fail "lv2apply failed at $rate Hz"
    "$korvo" render "$input" "$work/korvo-$rate.wav" "${sets[@]}" >/dev/null || fail "korvo render failed at $rate Hz"
    result=$(python3 "$here/../ardour/wavdata.py" compare "$work/korvo-$rate.wav" "$work/lv2apply-$rate.wav") ||
        fail "at $rate Hz lv2apply's render differs from korvo render's: $result"
    echo "$rate Hz: $result"
done
echo "PASS: lv2apply renders through the bundle bit for bit as korvo render"
