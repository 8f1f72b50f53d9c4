#include "automation/read_some_text_impl.h"

#include <mutex>
#include <stdexcept>

#include "automation/office_readings.h"
#include "automation/server_module.h"
#include "automation/vocato_ids.h"
#include "parlotto/debug_log.h"
#include "parlotto/vocato_form.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/deferred_call.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/loop/clock.h"
#include "platform/typelib/type_info_dispatch.h"
#include "platform/typelib/type_lib_file.h"

namespace parlotto {
namespace {

constexpr int kWaitingPasses = 3;
constexpr int kPassMs = 1000;
constexpr LCID kLibraryLcid = 0x0409;
constexpr const char* kNotReadMessage =
    "Der Text wurde nicht vorgelesen: die Sprachausgabe ist nicht verfügbar oder wurde "
    "unterbrochen.";

// The main window, which the class object may be asked for before it exists
// (during start-up) or after it is gone: then the call fails rather than
// touching what is not there.
TVocatoForm& Form() {
  if (VocatoForm == nullptr) {
    throw std::runtime_error("Parlotto ist noch nicht bereit: das Hauptfenster fehlt.");
  }
  return *VocatoForm;
}

// Waits up to three passes for the text to read to be taken; the messages
// processed meanwhile may start that reading or another call.
void WaitForFreeBuffer(bool log) {
  int passes = 0;
  while (!Form().TextToRead().empty()) {
    ++passes;
    if (log) {
      WriteDebugLog("Wait for Buffer");
      WriteDebugLog(Form().TextToRead());
    }
    ProcessMessages();
    Sleep(kPassMs);
    if (passes == kWaitingPasses) break;
  }
}

// The description of IReadSomeText from the registered library, loaded on
// first use; a failed load is tried again by the next call.
HRESULT ReadSomeTextTypeInfo(LCID lcid, ComPtr<ITypeInfo>* info) {
  static std::mutex mutex;
  static ComPtr<ITypeInfo> held;  // kept for the process's life
  std::lock_guard<std::mutex> lock(mutex);
  if (!held) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadRegTypeLib(LIBID_Vocato, kVocatoMajor, kVocatoMinor, lcid, library.Receive());
    // The library is registered under its own locale; a caller in another
    // one still gets it.
    if (hr == TYPE_E_LIBNOTREGISTERED && lcid != kLibraryLcid) {
      hr =
          LoadRegTypeLib(LIBID_Vocato, kVocatoMajor, kVocatoMinor, kLibraryLcid, library.Receive());
    }
    if (FAILED(hr)) return hr;
    ComPtr<ITypeInfo> loaded;
    hr = library->GetTypeInfoOfGuid(IID_IReadSomeText, loaded.Receive());
    if (FAILED(hr)) return hr;
    held = loaded;
  }
  *info = held;
  return S_OK;
}

// Runs a member's body; an exception becomes the call's error.
template <typename Body>
HRESULT Guarded(Body body) {
  try {
    body();
    return S_OK;
  } catch (const std::exception& error) {
    return ReportComError(error);
  }
}

}  // namespace

std::string TextFromBstr(const BSTR& value) {
  const qsizetype nul = value.indexOf(QChar(u'\0'));
  return (nul < 0 ? value : value.left(nul)).toStdString();
}

HRESULT ReportComError(const std::exception& error) {
  ErrorInfoFields fields;
  fields.guid = IID_IReadSomeText;
  QString prog_id;
  if (SUCCEEDED(ProgIDFromCLSID(CLSID_ReadSomeText, &prog_id))) fields.source = prog_id;
  fields.description = QString::fromStdString(error.what());
  SetErrorInfoFields(fields);
  return DISP_E_EXCEPTION;
}

TReadSomeTextImpl::TReadSomeTextImpl(IUnknown* outer) : ComObject(outer) {
  if (TServerModule* module = TServerModule::Instance()) module->LockModule();
}

TReadSomeTextImpl::~TReadSomeTextImpl() {
  if (TServerModule* module = TServerModule::Instance()) module->UnlockModule();
}

void* TReadSomeTextImpl::FindInterface(REFIID iid) {
  if (iid == IID_IDispatch || iid == IID_IReadSomeText) return static_cast<IReadSomeText*>(this);
  return nullptr;
}

HRESULT TReadSomeTextImpl::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 1;
  return S_OK;
}

HRESULT TReadSomeTextImpl::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  ComPtr<ITypeInfo> type_info;
  HRESULT hr = ReadSomeTextTypeInfo(lcid, &type_info);
  if (FAILED(hr)) return hr;
  return TypeInfoDispatch(type_info.Get(), this).GetTypeInfo(index, lcid, info);
}

HRESULT TReadSomeTextImpl::GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                                         DISPID* ids) {
  ComPtr<ITypeInfo> type_info;
  HRESULT hr = ReadSomeTextTypeInfo(lcid, &type_info);
  if (FAILED(hr)) return hr;
  return TypeInfoDispatch(type_info.Get(), this).GetIDsOfNames(riid, names, count, lcid, ids);
}

HRESULT TReadSomeTextImpl::Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                  DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep_info,
                                  UINT* arg_err) {
  ComPtr<ITypeInfo> type_info;
  HRESULT hr = ReadSomeTextTypeInfo(lcid, &type_info);
  if (FAILED(hr)) return hr;
  return TypeInfoDispatch(type_info.Get(), this)
      .Invoke(member, riid, lcid, flags, params, result, excep_info, arg_err);
}

HRESULT TReadSomeTextImpl::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  return ReadSomeTextStub(static_cast<IReadSomeText*>(this), func, args);
}

// The getters give nothing back: the caller's value stays as it passed it.
HRESULT TReadSomeTextImpl::get_Text(BSTR* /*value*/) { return S_OK; }
HRESULT TReadSomeTextImpl::get_Text2(BSTR* /*value*/) { return S_OK; }

HRESULT TReadSomeTextImpl::put_Text(const BSTR& value) {
  const std::string text = TextFromBstr(value);
  return Guarded([&] {
    Form();  // without the window the call fails before it logs anything
    WriteDebugLog("Text1");
    WaitForFreeBuffer(true);
    Form().OfferText(text);
    if (text.empty()) return;
    // Nothing is processed here, so the timer fires only after the return.
    Sleep(kPassMs);
  });
}

HRESULT TReadSomeTextImpl::put_Text2(const BSTR& value) {
  const std::string text = TextFromBstr(value);
  return Guarded([&] {
    Form();
    WriteDebugLog("Text2");
    WaitForFreeBuffer(false);
    WriteDebugLog("Text2");
    // During another reading the text waits its turn, and the call its
    // answer: read inside that reading it would be spoken over it, and
    // callers would be answered last first.
    if (!text.empty() && Form().Reading()) {
      if (std::shared_ptr<DeferredCall> call = DeferCurrentCall()) {
        Form().QueueText(text, [call](bool read) {
          const HRESULT hr = read ? S_OK : ReportComError(std::runtime_error(kNotReadMessage));
          call->Finish(hr, VARIANT());
        });
        return;
      }
    }
    // A caller is told when its text was not read, rather than S_OK.
    if (!Form().ReadTextNow(text)) throw std::runtime_error(kNotReadMessage);
  });
}

HRESULT TReadSomeTextImpl::StopReading() {
  return Guarded([] { Form().StopReading(); });
}

HRESULT TReadSomeTextImpl::put_ReadOfficeText(const BSTR& value) {
  const std::string text = TextFromBstr(value);
  return Guarded([&] {
    std::string error;
    if (!OfficeReadings::Instance().Add(text, &error)) throw std::runtime_error(error);
  });
}

HRESULT ReadSomeTextStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args) {
  auto* target = static_cast<IReadSomeText*>(object);
  const bool put = func.invkind == INVOKE_PROPERTYPUT;
  const bool get = func.invkind == INVOKE_PROPERTYGET;
  if ((put || get) && args.empty()) return DISP_E_BADPARAMCOUNT;
  switch (func.memid) {
    case 1:
      if (func.invkind == INVOKE_FUNC) return target->StopReading();
      break;
    case 2:
    case 3: {
      const bool text2 = func.memid == 3;
      if (put) {
        const VARIANT& value = args.front();
        return text2 ? target->put_Text2(value.bstrVal) : target->put_Text(value.bstrVal);
      }
      if (get) {
        BSTR value;
        HRESULT hr = text2 ? target->get_Text2(&value) : target->get_Text(&value);
        if (SUCCEEDED(hr)) args.back() = VARIANT::Bstr(value);
        return hr;
      }
      break;
    }
    case 5:
      if (put) return target->put_ReadOfficeText(args.front().bstrVal);
      break;
    default:
      break;
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT RegisterReadSomeTextInterface() {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLib(OwnExecutablePath(), library.Receive());
  if (FAILED(hr)) return hr;
  return RegisterInterfaces(library.Get(), {{IID_IReadSomeText, ReadSomeTextStub, nullptr}});
}

}  // namespace parlotto
