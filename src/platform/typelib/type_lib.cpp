#include "platform/typelib/type_lib.h"

#include "platform/places/diagnostics.h"
#include "platform/typelib/description_parser.h"
#include "platform/typelib/stdole.h"
#include "platform/typelib/type_info.h"

namespace parlotto::typelib {

TypeLib* TypeLib::Create(LibraryModel model) { return new TypeLib(std::move(model)); }

TypeLib::TypeLib(LibraryModel model) : model_(std::move(model)) {
  for (std::size_t i = 0; i < model_.types.size(); ++i) {
    infos_.push_back(std::make_unique<TypeInfo>(this, static_cast<UINT>(i)));
  }
}

TypeLib::~TypeLib() = default;

HRESULT TypeLib::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid != IID_IUnknown && riid != IID_ITypeLib) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<ITypeLib*>(this);
  AddRef();
  return S_OK;
}

ULONG TypeLib::AddRef() { return ++refs_; }

ULONG TypeLib::Release() {
  ULONG refs = --refs_;
  if (refs == 0) delete this;
  return refs;
}

UINT TypeLib::GetTypeInfoCount() { return static_cast<UINT>(infos_.size()); }

HRESULT TypeLib::GetTypeInfo(UINT index, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (index >= infos_.size()) return TYPE_E_ELEMENTNOTFOUND;
  *info = infos_[index].get();
  (*info)->AddRef();
  return S_OK;
}

HRESULT TypeLib::GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  for (std::size_t i = 0; i < model_.types.size(); ++i) {
    if (model_.types[i].guid == guid) return GetTypeInfo(static_cast<UINT>(i), info);
  }
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeLib::GetLibAttr(TLIBATTR* attr) {
  if (attr == nullptr) return E_INVALIDARG;
  attr->guid = model_.libid;
  attr->lcid = model_.lcid;
  attr->wMajorVerNum = model_.major;
  attr->wMinorVerNum = model_.minor;
  attr->wLibFlags = model_.flags;
  return S_OK;
}

HRESULT TypeLib::GetDocumentation(int index, BSTR* name, BSTR* doc_string) {
  const QString* found_name = &model_.name;
  const QString* found_help = &model_.help;
  if (index != -1) {
    if (index < 0 || static_cast<std::size_t>(index) >= model_.types.size()) {
      return TYPE_E_ELEMENTNOTFOUND;
    }
    found_name = &model_.types[index].name;
    found_help = &model_.types[index].help;
  }
  if (name != nullptr) *name = *found_name;
  if (doc_string != nullptr) *doc_string = *found_help;
  return S_OK;
}

TypeInfo* TypeLib::Resolve(const TypeRef& ref) {
  TypeLib* lib = ref.builtin ? StdOleTypeLib() : this;
  return lib->infos_[ref.index].get();
}

TypeLib* StdOleTypeLib() {
  // Never released: type infos of every library hand it out as a base.
  static TypeLib* const lib = TypeLib::Create(MakeStdOleModel());
  return lib;
}

HRESULT LoadTypeLibText(const QByteArray& text, const QString& source, ITypeLib** lib) {
  if (lib == nullptr) return E_INVALIDARG;
  *lib = nullptr;
  LibraryModel model;
  QString problem;
  HRESULT hr = ParseDescription(text, &model, &problem);
  if (FAILED(hr)) {
    ReportDiagnostic(QStringLiteral("type library %1: %2").arg(source, problem).toStdString());
    return hr;
  }
  *lib = TypeLib::Create(std::move(model));
  return S_OK;
}

}  // namespace parlotto::typelib

namespace parlotto {

HRESULT LoadTypeLibFromText(const QByteArray& text, ITypeLib** lib) {
  return typelib::LoadTypeLibText(text, QStringLiteral("(text)"), lib);
}

}  // namespace parlotto
