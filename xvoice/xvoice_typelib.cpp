#include "xvoice/xvoice_typelib.h"

#include <QFile>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/diagnostics.h"

namespace parlotto::xvoice {
namespace {

ComPtr<ITypeInfo> Load() {
  QFile file(QStringLiteral(":/parlotto/xvoice/xvoice.typelib.json"));
  ComPtr<ITypeLib> library;
  HRESULT hr = file.open(QIODevice::ReadOnly)
                   ? LoadTypeLibFromText(file.readAll(), library.Receive())
                   : TYPE_E_CANTLOADLIBRARY;
  ComPtr<ITypeInfo> info;
  if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(DIID_DirectSS, info.Receive());
  if (FAILED(hr)) {
    ReportDiagnostic("speech runtime: its type library does not load: " + DescribeHResult(hr));
  }
  return info;
}

}  // namespace

ITypeInfo* DirectSSTypeInfo() {
  static const ComPtr<ITypeInfo> info = Load();
  return info.Get();
}

}  // namespace parlotto::xvoice
