// The ITypeLib over a parsed description. Its type infos share its
// reference count: each one keeps the library, and so its siblings, alive.
#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

#include "platform/com/typeinfo.h"
#include "platform/typelib/type_model.h"

namespace parlotto::typelib {

class TypeInfo;

class TypeLib final : public ITypeLib {
 public:
  // The new library with one reference for the caller.
  static TypeLib* Create(LibraryModel model);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  UINT GetTypeInfoCount() override;
  HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override;
  HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) override;
  HRESULT GetLibAttr(TLIBATTR* attr) override;
  HRESULT GetDocumentation(int index, BSTR* name, BSTR* doc_string) override;

  const LibraryModel& model() const { return model_; }
  // The type `ref` names, here or in the built-in library; no reference added.
  TypeInfo* Resolve(const TypeRef& ref);

 private:
  explicit TypeLib(LibraryModel model);
  ~TypeLib();

  std::atomic<ULONG> refs_{1};
  LibraryModel model_;
  std::vector<std::unique_ptr<TypeInfo>> infos_;
};

// The built-in library with IUnknown and IDispatch; it lives as long as the
// process.
TypeLib* StdOleTypeLib();

// Parses `text`; on failure reports the problem, prefixed with `source`.
HRESULT LoadTypeLibText(const QByteArray& text, const QString& source, ITypeLib** lib);

}  // namespace parlotto::typelib
