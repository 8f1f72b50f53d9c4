// BSTR and VARIANT: the strings and tagged values of automation calls.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "platform/com/unknown.h"

namespace parlotto {

// Strings cross interfaces as UTF-16; QString is that, with its own memory.
using BSTR = QString;

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using SCODE = HRESULT;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_UI4 = 19,
  VT_INT = 22,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_USERDEFINED = 29,
  VT_PTR = 26,
};

class IDispatch;

// A tagged value. Copying copies the string and adds a reference to an
// interface; assignment releases what was held before.
class VARIANT {
 public:
  VARIANT() = default;
  VARIANT(const VARIANT& other);
  VARIANT(VARIANT&& other) noexcept;
  VARIANT& operator=(const VARIANT& other);
  VARIANT& operator=(VARIANT&& other) noexcept;
  ~VARIANT();

  static VARIANT I2(std::int16_t value);
  static VARIANT I4(std::int32_t value);
  static VARIANT UI4(std::uint32_t value);
  static VARIANT Bool(bool value);
  static VARIANT Bstr(const BSTR& value);
  static VARIANT Error(SCODE code);
  // The value of an optional argument that the caller left out.
  static VARIANT Missing() { return Error(DISP_E_PARAMNOTFOUND); }
  static VARIANT Unknown(IUnknown* value);    // adds a reference
  static VARIANT Dispatch(IDispatch* value);  // adds a reference

  VARTYPE vt = VT_EMPTY;
  std::int16_t iVal = 0;
  std::int32_t lVal = 0;
  VARIANT_BOOL boolVal = VARIANT_FALSE;
  SCODE scode = S_OK;
  BSTR bstrVal;
  // VT_UNKNOWN and VT_DISPATCH: one reference, released by the VARIANT.
  IUnknown* punkVal = nullptr;
  IDispatch* pdispVal = nullptr;

  bool IsMissing() const { return vt == VT_ERROR && scode == DISP_E_PARAMNOTFOUND; }
  void Clear();
};

// Converts between the types above as automation does: numbers and Booleans
// into each other and to and from text ("True"/"False" for Booleans).
// DISP_E_TYPEMISMATCH when no conversion exists, DISP_E_OVERFLOW when the
// value does not fit.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT& src, VARTYPE vt);

// For logs and tests: "I4:42", "BSTR:\"Hallo\"", "EMPTY".
std::string DescribeVariant(const VARIANT& v);

}  // namespace parlotto
