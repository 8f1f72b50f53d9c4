// Error information: the description that goes with a failed HRESULT. Each
// thread has one slot; SetErrorInfo fills it, GetErrorInfo empties it.
#pragma once

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace parlotto {

struct EXCEPINFO;

inline constexpr IID IID_IErrorInfo = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
inline constexpr IID IID_ICreateErrorInfo = MakeGuid("{22F03340-547D-101B-8E65-08002B2BD119}");
inline constexpr IID IID_ISupportErrorInfo = MakeGuid("{DF0B3D60-548F-101B-8E65-08002B2BD119}");

class IErrorInfo : public IUnknown {
 public:
  virtual HRESULT GetGUID(GUID* guid) = 0;
  virtual HRESULT GetSource(BSTR* source) = 0;
  virtual HRESULT GetDescription(BSTR* description) = 0;
  virtual HRESULT GetHelpFile(BSTR* help_file) = 0;
  virtual HRESULT GetHelpContext(DWORD* help_context) = 0;

 protected:
  ~IErrorInfo() = default;
};

class ICreateErrorInfo : public IUnknown {
 public:
  virtual HRESULT SetGUID(REFIID guid) = 0;
  virtual HRESULT SetSource(const BSTR& source) = 0;
  virtual HRESULT SetDescription(const BSTR& description) = 0;
  virtual HRESULT SetHelpFile(const BSTR& help_file) = 0;
  virtual HRESULT SetHelpContext(DWORD help_context) = 0;

 protected:
  ~ICreateErrorInfo() = default;
};

class ISupportErrorInfo : public IUnknown {
 public:
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;

 protected:
  ~ISupportErrorInfo() = default;
};

HRESULT CreateErrorInfo(ICreateErrorInfo** info);
// `reserved` must be 0. A null `info` empties the slot.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
// S_FALSE and null when the slot is empty; the slot is empty afterwards.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);

// The fields of an error info, for carrying it elsewhere.
struct ErrorInfoFields {
  GUID guid;
  BSTR source;
  BSTR description;
  BSTR help_file;
  DWORD help_context = 0;
};
ErrorInfoFields ReadErrorInfo(IErrorInfo* info);
// Creates an error info with these fields and puts it into the slot.
void SetErrorInfoFields(const ErrorInfoFields& fields);

// A member's failure with its reason: puts an error info from `source` for
// the interface `iid` with `description` into the slot and returns `hr`.
HRESULT FailWithErrorInfo(HRESULT hr, const QString& source, const IID& iid,
                          const QString& description);

// The other way: a late-bound call that failed with DISP_E_EXCEPTION puts
// the exception into the slot; returns the exception's own code, or `hr`
// when it has none.
HRESULT ErrorInfoFromException(const EXCEPINFO& excep_info, HRESULT hr);

// How a late-bound call reports a failure `hr`: with error info in the slot
// and room for it, the info goes into `excep_info` (scode `hr`) and the call
// fails with DISP_E_EXCEPTION; otherwise `hr` stands.
HRESULT ExceptionFromErrorInfo(HRESULT hr, EXCEPINFO* excep_info);

}  // namespace parlotto
