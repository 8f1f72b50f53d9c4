// What the program and the office server agree on: the class, interfaces and
// member ids of the server's objects, and the failures it reports, numbered
// as the word processor's automation numbers its own errors (facility 10,
// the error number in the low word).
#pragma once

#include "platform/com/guid.h"
#include "platform/com/hresult.h"
#include "platform/com/idispatch.h"

namespace parlotto::office {

inline constexpr CLSID CLSID_WordApplication = MakeGuid("{000209FF-0000-0000-C000-000000000046}");
inline constexpr IID IID_WordApplication = MakeGuid("{00020970-0000-0000-C000-000000000046}");
inline constexpr IID IID_WordDocuments = MakeGuid("{0002096C-0000-0000-C000-000000000046}");
inline constexpr IID IID_WordDocument = MakeGuid("{0002096B-0000-0000-C000-000000000046}");
inline constexpr IID IID_WordRange = MakeGuid("{0002095E-0000-0000-C000-000000000046}");

inline constexpr DISPID DISPID_Range_Text = 0;
inline constexpr DISPID DISPID_Document_Content = 1;
inline constexpr DISPID DISPID_Document_Close = 1105;
inline constexpr DISPID DISPID_Documents_Open = 12;
inline constexpr DISPID DISPID_Application_ActiveDocument = 3;
inline constexpr DISPID DISPID_Application_Documents = 6;

constexpr HRESULT WordError(unsigned number) { return static_cast<HRESULT>(0x800A0000u | number); }
inline constexpr HRESULT WORD_E_OUTOFMEMORY = WordError(7);
inline constexpr HRESULT WORD_E_NODOCUMENT = WordError(4248);
inline constexpr HRESULT WORD_E_UNSUPPORTED = WordError(5121);
inline constexpr HRESULT WORD_E_FILENOTFOUND = WordError(5174);
inline constexpr HRESULT WORD_E_PASSWORD = WordError(5408);
inline constexpr HRESULT WORD_E_DAMAGED = WordError(5792);

}  // namespace parlotto::office
