// The speech control's class, interfaces and member ids, for callers that
// reach it late-bound through IDispatch and want no name look-ups.
#pragma once

#include "platform/com/guid.h"
#include "platform/com/idispatch.h"

namespace parlotto {

inline constexpr CLSID CLSID_DirectSS = MakeGuid("{EEE78591-FE22-11D0-8BEF-0060081841DE}");
// The default (dispatch) interface and the event interface.
inline constexpr IID DIID_DirectSS = MakeGuid("{EEE78590-FE22-11D0-8BEF-0060081841DE}");
inline constexpr IID DIID_DirectSSEvents = MakeGuid("{EEE78597-FE22-11D0-8BEF-0060081841DE}");
inline constexpr GUID LIBID_XVoice = MakeGuid("{A2122D57-1378-42B5-979C-187056EFA280}");

// Properties (get and put unless noted).
inline constexpr DISPID DISPID_DirectSS_Initialized = 2;    // short
inline constexpr DISPID DISPID_DirectSS_Pitch = 7;          // long, Hz
inline constexpr DISPID DISPID_DirectSS_Speed = 10;         // long, words per minute
inline constexpr DISPID DISPID_DirectSS_VolumeRight = 13;   // long, 0..65535
inline constexpr DISPID DISPID_DirectSS_CountEngines = 18;  // long, get only
inline constexpr DISPID DISPID_DirectSS_CurrentMode = 69;   // long, 1-based mode number
inline constexpr DISPID DISPID_DirectSS_VolumeLeft = 72;    // long, 0..65535
// short, 0 or 1: whether WordPosition and MouthShape are sent. Off unless
// asked for: they cost an event per sound, and most callers wait only for
// AudioStop.
inline constexpr DISPID DISPID_DirectSS_LipSync = 74;
// Methods.
inline constexpr DISPID DISPID_DirectSS_Speak = 1000;       // (BSTR text)
inline constexpr DISPID DISPID_DirectSS_AudioReset = 1001;  // ()
inline constexpr DISPID DISPID_DirectSS_ModeName = 1002;    // (long mode) -> BSTR
inline constexpr DISPID DISPID_DirectSS_ModeID = 1003;      // (long mode) -> BSTR "{GUID}"
// (long mode) -> BSTR, the voice's main language as espeak-ng names it ("de",
// "en-gb"), so that a chooser can offer voices by language.
inline constexpr DISPID DISPID_DirectSS_ModeLanguage = 1004;
// Events: AudioStop(long hi, long lo), the monotonic milliseconds at which
// the audio of one Speak ended, split into high and low 32 bits.
inline constexpr DISPID DISPID_DirectSSEvents_AudioStop = 4;
// WordPosition(long start, long length): the word at [start, start + length)
// of the text as given to Speak (UTF-16 units, speech tags included) begins
// to sound now. Sent as its audio is played, so a listener shows it in step;
// in the order of the text, each before its utterance's AudioStop.
inline constexpr DISPID DISPID_DirectSSEvents_WordPosition = 5;
// MouthShape(long shape): a sound of this MouthShape begins now; kMouthRest
// once an utterance's audio is over, before its AudioStop. Sent only when
// the shape changes. Neither event comes for a text after AudioReset has
// dropped it.
inline constexpr DISPID DISPID_DirectSSEvents_MouthShape = 6;

// The mouth shapes that lip-sync distinguishes: the classes of phonemes that
// look alike on the lips.
enum MouthShape : LONG {
  kMouthRest = 0,      // closed, silence
  kMouthOpen = 1,      // a, open vowels
  kMouthMid = 2,       // e, short mid vowels, schwa
  kMouthNarrow = 3,    // i, j: spread lips
  kMouthRound = 4,     // o, u, w: rounded lips
  kMouthClosed = 5,    // m, b, p: lips pressed together
  kMouthLipTeeth = 6,  // f, v
  kMouthTongue = 7,    // consonants shown by tongue and teeth: t, d, s, n, l, r, k, g, ...
  kMouthShapeCount = 8,
};

}  // namespace parlotto
