#!/usr/bin/env python3
"""Silences in a recording: raw signed 16-bit little-endian mono samples, as
parec --format=s16le --channels=1 writes them.

  audio_gaps.py pauses FILE RATE [MIN_MS]
      The silences of at least MIN_MS (default 150) between the first and the
      last sound, one "start_ms length_ms" line each.
  audio_gaps.py silent-after FILE RATE AT_MS
      Milliseconds from AT_MS to the end of the last sound; 0 when the audio
      was already silent from AT_MS on.
  audio_gaps.py onsets FILE RATE [MIN_MS]
      Where sound begins: the first sound and the end of each of those
      silences, one start_ms line each.

Sound is any 5 ms frame whose peak reaches 1/100 of full scale; everything
else is silence. Times are at 5 ms resolution.
"""
import array
import sys

FRAME_MS = 5
THRESHOLD = 328  # about -40 dBFS


def loud_frames(path, rate):
    samples = array.array("h")
    with open(path, "rb") as f:
        data = f.read()
    samples.frombytes(data[: len(data) - len(data) % 2])
    if sys.byteorder == "big":
        samples.byteswap()
    per_frame = max(1, rate * FRAME_MS // 1000)
    loud = []
    for start in range(0, len(samples), per_frame):
        chunk = samples[start : start + per_frame]
        loud.append(max(chunk) >= THRESHOLD or -min(chunk) >= THRESHOLD)
    return loud


def pauses(loud, min_ms):
    sounding = [i for i, is_loud in enumerate(loud) if is_loud]
    if not sounding:
        return []
    found, run_start = [], None
    for i in range(sounding[0], sounding[-1] + 1):
        if not loud[i]:
            if run_start is None:
                run_start = i
        elif run_start is not None:
            length = (i - run_start) * FRAME_MS
            if length >= min_ms:
                found.append((run_start * FRAME_MS, length))
            run_start = None
    return found


def main(argv):
    if len(argv) < 4 or argv[1] not in ("pauses", "silent-after", "onsets"):
        sys.stderr.write(__doc__)
        return 2
    loud = loud_frames(argv[2], int(argv[3]))
    if argv[1] == "pauses":
        min_ms = int(argv[4]) if len(argv) > 4 else 150
        for start, length in pauses(loud, min_ms):
            print(start, length)
        return 0
    if argv[1] == "onsets":
        min_ms = int(argv[4]) if len(argv) > 4 else 150
        first = next((i for i, is_loud in enumerate(loud) if is_loud), None)
        if first is not None:
            print(first * FRAME_MS)
        for start, length in pauses(loud, min_ms):
            print(start + length)
        return 0
    at_frame = int(float(argv[4])) // FRAME_MS
    last = max((i for i, is_loud in enumerate(loud) if is_loud), default=-1)
    print(0 if last < at_frame else (last + 1 - at_frame) * FRAME_MS)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
