#!/usr/bin/env bash
# Reading a long German text: parlotto -d into a WAV file against espeak-ng's
# own command line on the same text, side by side, and the silence parlotto
# adds between pieces when it plays in real time.
#
# Usage: bench/read_aloud/bench.sh [build-dir]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# About 50 KB of German text in lines of a few sentences.
python3 - "$work/text.txt" <<'PY'
import sys
sentences = [
    "Der Zug nach Hamburg fährt heute mit zehn Minuten Verspätung ab.",
    "Bitte beachten Sie die geänderte Wagenreihung am Bahnsteig drei.",
    "Im Bordrestaurant erhalten Sie warme Speisen und kalte Getränke.",
    "Wir wünschen Ihnen eine angenehme Reise und danken für Ihr Verständnis.",
    "Die nächste Haltestelle ist Hannover Hauptbahnhof.",
]
text, i = [], 0
while sum(len(l) + 1 for l in text) < 50_000:
    text.append(" ".join(sentences[(i + k) % len(sentences)] for k in range(3)))
    i += 1
open(sys.argv[1], "w", encoding="utf-8").write("\n".join(text) + "\n")
PY
bytes=$(wc -c < "$work/text.txt")

hive="$work/user.reg"
PARLOTTO_USER_HIVE="$hive" "$build/parlotto-reg" add 'HKCU\Software\Zentravol\Agent' \
  /v noAgent /t REG_DWORD /d 1 /f >/dev/null

seconds() { python3 -c 'import time; print(time.monotonic())'; }

start=$(seconds)
PARLOTTO_USER_HIVE="$hive" PARLOTTO_AUDIO="wav:$work/parlotto.wav" PARLOTTO_TIME_SCALE=0.001 \
  TEMP="$work" QT_QPA_PLATFORM=offscreen "$build/parlotto" -d "$(cat "$work/text.txt")" 2>/dev/null
parlotto_time=$(python3 -c "print($(seconds) - $start)")

start=$(seconds)
espeak-ng -v de -w "$work/espeak.wav" -f "$work/text.txt"
espeak_time=$(python3 -c "print($(seconds) - $start)")

audio_seconds() { python3 -c "
import wave, sys
with wave.open(sys.argv[1]) as w: print(w.getnframes() / w.getframerate())" "$1"; }

echo "text: $bytes bytes"
printf 'parlotto -d (wav):   %6.2f s wall, %7.1f s of audio\n' "$parlotto_time" "$(audio_seconds "$work/parlotto.wav")"
printf 'espeak-ng -w:        %6.2f s wall, %7.1f s of audio\n' "$espeak_time" "$(audio_seconds "$work/espeak.wav")"
python3 -c "print(f'ratio parlotto / espeak-ng: {$parlotto_time / $espeak_time:.2f}')"

# Paced playback: the gap from one piece's audio end to the next piece.
head -c 800 "$work/text.txt" > "$work/short.txt"
PARLOTTO_USER_HIVE="$hive" PARLOTTO_AUDIO=null \
  PARLOTTO_SPEECH_TRACE="$work/trace.txt" TEMP="$work" QT_QPA_PLATFORM=offscreen \
  "$build/parlotto" -d "$(cat "$work/short.txt")" 2>/dev/null
python3 - "$work/trace.txt" <<'PY'
import sys
events = [line.split(" ", 2) for line in open(sys.argv[1], encoding="utf-8")]
gaps, last_stop = [], None
for e in events:
    ms, kind = int(e[0]), e[1].strip()
    if kind == "audio-stop":
        last_stop = ms
    elif kind == "speak" and last_stop is not None:
        gaps.append(ms - last_stop)
        last_stop = None
if gaps:
    print(f"paced: {len(gaps) + 1} pieces, gap between pieces: mean {sum(gaps)/len(gaps):.0f} ms, max {max(gaps)} ms")
PY
