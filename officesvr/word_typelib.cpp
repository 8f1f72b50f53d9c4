#include "officesvr/word_typelib.h"

#include "platform/typelib/type_info_cache.h"

namespace parlotto::office {

ITypeInfo* WordTypeInfo(const IID& iid) {
  static TypeInfoCache cache(
      [](ITypeLib** library) {
        return LoadTypeLibFromResource(QStringLiteral(":/parlotto/officesvr/word.typelib.json"),
                                       library);
      },
      "office server");
  return cache.Info(iid);
}

}  // namespace parlotto::office
