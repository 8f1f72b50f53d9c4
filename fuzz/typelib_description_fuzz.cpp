// Arbitrary bytes as a type library description. What the parser accepts
// is later trusted by Invoke and the marshaller, so an accepted library is
// walked the way they walk it: every type's attributes, its inherited
// members, its base types, names back to ids, and every member invoked
// with no arguments against a target that accepts anything.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/typelib/description_parser.h"
#include "platform/typelib/type_lib.h"

namespace {

using namespace parlotto;

class AcceptingTarget final : public IInvokeTarget {
 public:
  HRESULT InvokeMember(const FUNCDESC&, std::vector<VARIANT>&) override { return S_OK; }
};

// Follows base types the way a caller resolving members would; a cycle the
// parser let through shows as a depth no real library reaches.
void WalkBases(ITypeInfo* info, int depth) {
  if (depth > 64) std::abort();
  TYPEATTR attr;
  if (FAILED(info->GetTypeAttr(&attr))) return;
  for (UINT i = 0; i < attr.cImplTypes; ++i) {
    ComPtr<ITypeInfo> base;
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, base.Receive()))) WalkBases(base.Get(), depth + 1);
  }
}

void Walk(ITypeInfo* info) {
  WalkBases(info, 0);
  std::vector<FUNCDESC> funcs;
  if (FAILED(info->GetAllFuncs(&funcs))) return;
  AcceptingTarget target;
  for (const FUNCDESC& func : funcs) {
    QString name = func.name;
    LPOLESTR names[] = {name};
    MEMBERID id = MEMBERID_NIL;
    info->GetIDsOfNames(names, 1, &id);
    BSTR doc_name;
    BSTR doc;
    info->GetDocumentation(func.memid, &doc_name, &doc);
    DISPPARAMS none{};
    VARIANT result;
    EXCEPINFO excep;
    UINT arg_err = 0;
    info->Invoke(&target, func.memid, static_cast<WORD>(func.invkind), &none, &result, &excep,
                 &arg_err);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  typelib::LibraryModel model;
  QString problem;
  const HRESULT hr = typelib::ParseDescription(text, &model, &problem);
  if (FAILED(hr)) {
    if (problem.isEmpty()) std::abort();
    return 0;
  }
  ComPtr<ITypeLib> library = ComPtr<ITypeLib>::Attach(typelib::TypeLib::Create(std::move(model)));
  const UINT count = library->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(i, info.Receive()))) std::abort();
    Walk(info.Get());
  }
  return 0;
}
