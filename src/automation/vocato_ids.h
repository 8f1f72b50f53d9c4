// The identities of the program's automation class and its type library, in
// one place for the server and its clients.
#pragma once

#include "platform/com/guid.h"

namespace parlotto {

inline constexpr CLSID CLSID_ReadSomeText = MakeGuid("{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}");
inline constexpr GUID LIBID_Vocato = MakeGuid("{C1024710-571D-43DF-A3FD-0E529A9595B0}");
inline constexpr IID IID_IReadSomeText = MakeGuid("{6476FAC5-4C28-4F55-9556-66EBDB080CAE}");
inline constexpr IID DIID_IReadSomeTextEvents = MakeGuid("{88B49BB1-3A31-447B-A276-3CC79340091B}");

inline constexpr const char* kReadSomeTextProgId = "Vocato.ReadSomeText";
inline constexpr const char* kReadSomeTextDescription = "Vizuvededuvezeru";
inline constexpr int kVocatoMajor = 1;
inline constexpr int kVocatoMinor = 0;

}  // namespace parlotto
