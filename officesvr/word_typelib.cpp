#include "officesvr/word_typelib.h"

#include <QFile>
#include <map>

#include "platform/diagnostics.h"

namespace parlotto::office {
namespace {

ComPtr<ITypeLib> Load() {
  QFile file(QStringLiteral(":/parlotto/officesvr/word.typelib.json"));
  ComPtr<ITypeLib> library;
  HRESULT hr = file.open(QIODevice::ReadOnly)
                   ? LoadTypeLibFromText(file.readAll(), library.Receive())
                   : TYPE_E_CANTLOADLIBRARY;
  if (FAILED(hr)) {
    ReportDiagnostic("office server: its type library does not load: " + DescribeHResult(hr));
  }
  return library;
}

}  // namespace

ITypeInfo* WordTypeInfo(const IID& iid) {
  static const ComPtr<ITypeLib> library = Load();
  // Kept for the process's life, like the library.
  static std::map<IID, ComPtr<ITypeInfo>> infos;
  if (!library) return nullptr;
  ComPtr<ITypeInfo>& info = infos[iid];
  if (!info && FAILED(library->GetTypeInfoOfGuid(iid, info.Receive()))) return nullptr;
  return info.Get();
}

}  // namespace parlotto::office
