// PARLOTTO_SPEECH_TRACE=PATH: one line per event appended to PATH, for
// tests that watch a running program: "<monotonic ms> speak <text>" with
// each line break of the text written as \n, and "<monotonic ms> audio-stop".
// Each line is one write to a file opened for appending, so that the
// character server's lines can go into the same file.
#pragma once

#include <QString>

namespace parlotto::xvoice {

void TraceSpeak(const QString& text);
void TraceAudioStop();

// The line for a spoken text, without its time and line end.
QString SpeakTraceText(const QString& text);

}  // namespace parlotto::xvoice
