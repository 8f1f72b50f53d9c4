#include "platform/typelib/type_info_cache.h"

#include <QFile>

#include "platform/places/diagnostics.h"

namespace parlotto {

HRESULT LoadTypeLibFromResource(const QString& resource, ITypeLib** library) {
  if (library == nullptr) return E_POINTER;
  *library = nullptr;
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) return TYPE_E_CANTLOADLIBRARY;
  return LoadTypeLibFromText(file.readAll(), library);
}

ITypeInfo* TypeInfoCache::Info(const GUID& guid) {
  if (!loaded_) {
    loaded_ = true;
    const HRESULT hr = load_(library_.Receive());
    if (FAILED(hr)) {
      ReportDiagnostic(owner_ + ": its type library does not load: " + DescribeHResult(hr));
    }
  }
  if (!library_) return nullptr;
  ComPtr<ITypeInfo>& info = infos_[guid];
  if (!info && FAILED(library_->GetTypeInfoOfGuid(guid, info.Receive()))) return nullptr;
  return info.Get();
}

}  // namespace parlotto
