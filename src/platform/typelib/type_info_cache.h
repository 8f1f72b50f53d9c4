// The type descriptions of one library, for the objects of a component:
// the library is loaded at the first question and kept, with every
// description asked for, for the process's life.
#pragma once

#include <QString>
#include <map>
#include <string>

#include "platform/com/typeinfo.h"

namespace parlotto {

// Loads a description built into the component as a Qt resource.
HRESULT LoadTypeLibFromResource(const QString& resource, ITypeLib** library);

class TypeInfoCache {
 public:
  using Loader = HRESULT (*)(ITypeLib** library);

  // `owner` names the component in the log line of a library that does not
  // load.
  TypeInfoCache(Loader load, std::string owner) : load_(load), owner_(std::move(owner)) {}

  // The description of `guid`; null when the library or the type is missing.
  ITypeInfo* Info(const GUID& guid);

 private:
  Loader load_;
  std::string owner_;
  bool loaded_ = false;
  ComPtr<ITypeLib> library_;
  std::map<GUID, ComPtr<ITypeInfo>> infos_;
};

}  // namespace parlotto
