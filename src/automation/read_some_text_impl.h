// ReadSomeText: the automation object other programs use to have a text read
// aloud. It keeps no state of its own; every member acts on the main window
// of this process (its text to read, its end timer and run mode).
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/idispatch.h"
#include "platform/com/typeinfo.h"

namespace parlotto {

class IReadSomeText : public IDispatch {
 public:
  virtual HRESULT get_Text(BSTR* value) = 0;
  virtual HRESULT put_Text(const BSTR& value) = 0;
  virtual HRESULT StopReading() = 0;
  virtual HRESULT get_Text2(BSTR* value) = 0;
  virtual HRESULT put_Text2(const BSTR& value) = 0;
  virtual HRESULT put_ReadOfficeText(const BSTR& value) = 0;

 protected:
  ~IReadSomeText() = default;
};

class TReadSomeTextImpl final : public ComObject, public IReadSomeText, private IInvokeTarget {
 public:
  explicit TReadSomeTextImpl(IUnknown* outer);

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                        DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override;

  HRESULT get_Text(BSTR* value) override;
  HRESULT put_Text(const BSTR& value) override;
  HRESULT StopReading() override;
  HRESULT get_Text2(BSTR* value) override;
  HRESULT put_Text2(const BSTR& value) override;
  HRESULT put_ReadOfficeText(const BSTR& value) override;

 private:
  ~TReadSomeTextImpl() override;
  void* FindInterface(REFIID iid) override;
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

// Calls the member `func` of an IReadSomeText with `args` in declared order;
// the stub of the interface's calls over the bus.
HRESULT ReadSomeTextStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);

// Makes IReadSomeText callable over the bus (as "Vocato.IReadSomeText"),
// from the library embedded in this program.
HRESULT RegisterReadSomeTextInterface();

// Turns an exception caught in a member into error info (source: the class's
// ProgID) and DISP_E_EXCEPTION.
HRESULT ReportComError(const std::exception& error);

// A caller's text as the program keeps it: up to the first NUL.
std::string TextFromBstr(const BSTR& value);

}  // namespace parlotto
