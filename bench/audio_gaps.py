#!/usr/bin/env python3
"""Silences in a recorded 16-bit PCM WAV file: every run of samples below a
threshold that lasts longer than a minimum, with where it starts and how
long it lasts. Leading and trailing silence is reported apart, so that the
pauses between the pieces of a reading can be compared with another
recording of the same text.

usage: audio_gaps.py FILE.wav [--threshold N] [--min-ms MS]
"""
import argparse
import struct
import sys
import wave


def read_mono(path):
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2:
            sys.exit(f"{path}: only 16-bit PCM is read")
        channels, rate = w.getnchannels(), w.getframerate()
        raw = w.readframes(w.getnframes())
    count = len(raw) // 2
    samples = struct.unpack(f"<{count}h", raw[: count * 2])
    # The loudest channel of each frame counts.
    frames = [max(abs(s) for s in samples[i : i + channels])
              for i in range(0, count - channels + 1, channels)]
    return frames, rate


def silences(frames, rate, threshold, min_ms):
    """(start_s, length_s) of every quiet run longer than min_ms."""
    runs, start = [], None
    for i, level in enumerate(frames):
        if level <= threshold:
            if start is None:
                start = i
        elif start is not None:
            runs.append((start, i))
            start = None
    if start is not None:
        runs.append((start, len(frames)))
    return [(a / rate, (b - a) / rate) for a, b in runs
            if (b - a) * 1000 > min_ms * rate]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("wav")
    parser.add_argument("--threshold", type=int, default=300,
                        help="highest sample level that counts as silent")
    parser.add_argument("--min-ms", type=float, default=50)
    args = parser.parse_args()
    frames, rate = read_mono(args.wav)
    gaps = silences(frames, rate, args.threshold, args.min_ms)
    total = len(frames) / rate
    for start, length in gaps:
        where = "lead" if start == 0 else "tail" if abs(start + length - total) < 1e-6 else "gap"
        print(f"{where} {start:8.3f} s {length * 1000:7.0f} ms")
    print(f"total {total:.3f} s")


if __name__ == "__main__":
    main()
