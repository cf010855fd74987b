#!/usr/bin/env python3
"""Small WAV helpers for the Ardour test, standard library only.

  wavdata.py extract IN.wav OUT.raw     check IN is 32-bit float stereo 48 kHz and write
                                        its sample data (interleaved float32 LE) to OUT
  wavdata.py compare [--summed] REFERENCE.wav TEST.wav
                                        compare the sample data (32-bit float stereo at
                                        one rate, any) bit for bit; exit 1 and print where
                                        and by how much when they differ. --summed: TEST
                                        went through a host's mixing, which adds the
                                        plug-in's output to silence, and +0 plus -0 is +0:
                                        a -0.0 of the reference may be +0.0 there (counted)

Only the 'fmt ' and 'data' chunks are read; other chunks and header fields may differ.
"""
import struct
import sys

WAVE_FORMAT_IEEE_FLOAT = 3
WAVE_FORMAT_EXTENSIBLE = 0xFFFE
# the float sub-format GUID of WAVE_FORMAT_EXTENSIBLE, 00000003-0000-0010-8000-00aa00389b71
FLOAT_SUBFORMAT = bytes.fromhex("0300000000001000800000aa00389b71")


class WavError(Exception):
    pass


def read_wav(path):
    """Answer (channels, rate, bits, is_float, data bytes) of a RIFF WAVE file."""
    try:
        with open(path, "rb") as f:
            blob = f.read()
    except OSError as e:
        raise WavError(f"cannot read {path}: {e.strerror}")
    if len(blob) < 12 or blob[0:4] != b"RIFF" or blob[8:12] != b"WAVE":
        raise WavError(f"{path} is not a RIFF WAVE file")
    fmt = None
    data = None
    pos = 12
    while pos + 8 <= len(blob):
        cid = blob[pos:pos + 4]
        size = struct.unpack_from("<I", blob, pos + 4)[0]
        body = blob[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = body
        elif cid == b"data":
            if len(body) < size:
                raise WavError(f"{path}: the data chunk is cut short ({len(body)} of {size} bytes)")
            data = body
        pos += 8 + size + (size & 1)
    if fmt is None or len(fmt) < 16:
        raise WavError(f"{path} has no valid 'fmt ' chunk")
    if data is None:
        raise WavError(f"{path} has no 'data' chunk")
    tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", fmt, 0)
    is_float = tag == WAVE_FORMAT_IEEE_FLOAT or (
        tag == WAVE_FORMAT_EXTENSIBLE and len(fmt) >= 40 and fmt[24:40] == FLOAT_SUBFORMAT)
    return channels, rate, bits, is_float, data


def read_float_stereo(path, rate=48000):
    """The sample data of a 32-bit float stereo file at `rate` (None: any rate)."""
    channels, file_rate, bits, is_float, data = read_wav(path)
    if not (is_float and bits == 32):
        raise WavError(f"{path} is not 32-bit float (format {'float' if is_float else 'integer'}, {bits} bits)")
    if channels != 2:
        raise WavError(f"{path} has {channels} channels, not 2")
    if rate is not None and file_rate != rate:
        raise WavError(f"{path} runs at {file_rate} Hz, not {rate} Hz")
    if len(data) % 8:
        raise WavError(f"{path}: the data chunk holds a partial frame ({len(data)} bytes)")
    return data


def extract(src, dst):
    data = read_float_stereo(src)
    with open(dst, "wb") as f:
        f.write(data)
    print(f"{src}: {len(data) // 8} frames, 2 channels, 32-bit float, 48000 Hz")
    return 0


NEGATIVE_ZERO = 0x80000000


def compare(ref_path, test_path, summed=False):
    ref_rate = read_wav(ref_path)[1]
    ref = read_float_stereo(ref_path, None)
    test = read_float_stereo(test_path, ref_rate)
    if ref == test:
        print(f"identical sample data: {len(ref) // 8} frames")
        return 0
    nref, ntest = len(ref) // 4, len(test) // 4
    a = struct.unpack(f"<{nref}f", ref)
    b = struct.unpack(f"<{ntest}f", test)
    n = min(nref, ntest)
    raw_a = list(struct.unpack(f"<{nref}I", ref))
    raw_b = struct.unpack(f"<{ntest}I", test)
    if summed:
        zeros = [i for i in range(n) if raw_a[i] == NEGATIVE_ZERO and raw_b[i] == 0]
        for i in zeros:
            raw_a[i] = 0
        if nref == ntest and tuple(raw_a) == raw_b:
            print(f"identical sample data: {nref // 2} frames ({len(zeros)} samples of -0.0 mixed into +0.0)")
            return 0
    raw_a = tuple(raw_a)
    first = next((i for i in range(n) if raw_a[i] != raw_b[i]), None)
    diffs = [abs(a[i] - b[i]) for i in range(n) if raw_a[i] != raw_b[i]]
    worst = max(diffs) if diffs else 0.0
    parts = []
    if nref != ntest:
        parts.append(f"length differs: reference {nref // 2} frames, Ardour {ntest // 2} frames")
    if first is not None:
        parts.append(
            f"first difference at frame {first // 2} channel {first % 2}"
            f" (reference {a[first]!r}, Ardour {b[first]!r}), {len(diffs)} samples differ,"
            f" max difference {worst:.3g}")
    hint = shift_hint(raw_a, raw_b)
    if hint:
        parts.append(hint)
    print("; ".join(parts))
    return 1


def shift_hint(a, b, span=4096, probe=2000):
    """Name a whole-frame offset that would line the two up, to tell latency from arithmetic."""
    start = next((i for i in range(0, len(a), 2) if a[i] != 0), None)
    if start is None:
        return ""
    window = a[start:start + probe]
    for lag in range(-span, span + 1):
        if lag == 0:
            continue
        s = start + 2 * lag
        if s >= 0 and b[s:s + len(window)] == window:
            return (f"Ardour's output equals the reference {abs(lag)} frame(s) "
                    f"{'later' if lag > 0 else 'earlier'}: a latency or alignment offset")
    return ""


def main(argv):
    try:
        if len(argv) == 4 and argv[1] == "extract":
            return extract(argv[2], argv[3])
        if len(argv) == 4 and argv[1] == "compare":
            return compare(argv[2], argv[3])
        if len(argv) == 5 and argv[1] == "compare" and argv[2] == "--summed":
            return compare(argv[3], argv[4], summed=True)
    except WavError as e:
        print(e)
        return 2
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
