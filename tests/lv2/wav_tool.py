#!/usr/bin/env python3
"""Float WAV helpers for the LV2 end-to-end tests (Python's wave module reads PCM only).

  wav_tool.py stereo IN OUT [SECONDS]  IN (any channel count) as a 32-bit float stereo file,
                                        the first channel on both sides, SECONDS of silence added
                                        and more up to a whole number of 1024-frame blocks
  wav_tool.py compare A B               exit 0 when both hold the same samples (bit for bit);
                                        else prints where they first differ and the largest gap
  wav_tool.py stats FILE                peak and RMS
"""
import math
import struct
import sys


def read(path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        sys.exit(f"{path}: not a WAV file")
    at, fmt, samples = 12, None, None
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        body = data[at + 8:at + 8 + size]
        if tag == b"fmt ":
            code, channels, rate = struct.unpack_from("<HHI", body)
            bits = struct.unpack_from("<H", body, 14)[0]
            if code == 0xFFFE:
                code = struct.unpack_from("<H", body, 24)[0]
            fmt = (code, channels, rate, bits)
        elif tag == b"data":
            samples = body
        at += 8 + size + (size & 1)
    if fmt is None or samples is None:
        sys.exit(f"{path}: no fmt or data chunk")
    code, channels, rate, bits = fmt
    if code == 3 and bits == 32:
        values = struct.unpack(f"<{len(samples) // 4}f", samples[:len(samples) // 4 * 4])
    elif code == 1 and bits == 24:
        values = [int.from_bytes(samples[i:i + 3], "little", signed=True) / 8388608.0
                  for i in range(0, len(samples) - 2, 3)]
    elif code == 1 and bits == 16:
        values = [v / 32768.0 for v in struct.unpack(f"<{len(samples) // 2}h", samples)]
    else:
        sys.exit(f"{path}: unsupported encoding {code}/{bits} bit")
    frames = [values[i:i + channels] for i in range(0, len(values) - channels + 1, channels)]
    return rate, channels, frames


def write(path, rate, frames):
    channels = len(frames[0]) if frames else 2
    body = b"".join(struct.pack(f"<{channels}f", *f) for f in frames)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(body), b"WAVE", b"fmt ", 16, 3,
                         channels, rate, rate * channels * 4, channels * 4, 32, b"data", len(body))
    open(path, "wb").write(header + body)


def main(argv):
    if len(argv) >= 3 and argv[0] == "stereo":
        rate, _, frames = read(argv[1])
        pad = int(float(argv[3]) * rate) if len(argv) > 3 else 0
        pad += -(len(frames) + pad) % 1024
        write(argv[2], rate, [[f[0], f[0]] for f in frames] + [[0.0, 0.0]] * pad)
        return 0
    if len(argv) == 3 and argv[0] == "compare":
        ra, ca, a = read(argv[1])
        rb, cb, b = read(argv[2])
        if (ra, ca, len(a)) != (rb, cb, len(b)):
            print(f"{argv[1]}: {ra} Hz {ca} ch {len(a)} frames; "
                  f"{argv[2]}: {rb} Hz {cb} ch {len(b)} frames")
            return 1
        first, gap = None, 0.0
        for i, (x, y) in enumerate(zip(a, b)):
            if x != y:
                first = i if first is None else first
                gap = max(gap, max(abs(p - q) for p, q in zip(x, y)))
        if first is None:
            print(f"equal: {len(a)} frames x {ca} channels")
            return 0
        print(f"differ from frame {first} on, by up to {gap:.3g}")
        return 1
    if len(argv) == 2 and argv[0] == "stats":
        _, _, frames = read(argv[1])
        flat = [v for f in frames for v in f]
        peak = max((abs(v) for v in flat), default=0.0)
        rms = math.sqrt(sum(v * v for v in flat) / len(flat)) if flat else 0.0
        print(f"peak {peak:.6f} rms {rms:.6f}")
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
