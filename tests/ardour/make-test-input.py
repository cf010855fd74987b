#!/usr/bin/env python3
"""Writes a test input for run-ardour-test.sh: stereo 32-bit float WAV at 48000 Hz.

  make-test-input.py OUT.wav [SECONDS]

Tones near the boosted bands (440 Hz and 1 kHz left, 1 kHz and 9 kHz right) under
seeded noise, then one second of silence, in which the filters' tails decay and end.
"""
import math
import random
import struct
import sys

RATE = 48000


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    seconds = float(argv[2]) if len(argv) == 3 else 3.0
    noise = random.Random(1234)
    frames = []
    for i in range(int(RATE * seconds)):
        t = i / RATE
        left = 0.25 * math.sin(2 * math.pi * 440 * t) + 0.1 * math.sin(2 * math.pi * 1000 * t)
        right = 0.2 * math.sin(2 * math.pi * 1000 * t + 0.3) + 0.05 * math.sin(2 * math.pi * 9000 * t)
        left += 0.1 * (noise.random() * 2 - 1)
        right += 0.1 * (noise.random() * 2 - 1)
        frames.append(struct.pack("<ff", left, right))
    frames.extend([struct.pack("<ff", 0.0, 0.0)] * RATE)
    data = b"".join(frames)
    fmt = struct.pack("<HHIIHH", 3, 2, RATE, RATE * 8, 8, 32)  # IEEE float, 2 channels
    fact = struct.pack("<I", len(data) // 8)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"fact" + struct.pack("<I", 4) + fact
            + b"data" + struct.pack("<I", len(data)) + data)
    with open(argv[1], "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
    print(f"{argv[1]}: {len(data) // 8} frames")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
