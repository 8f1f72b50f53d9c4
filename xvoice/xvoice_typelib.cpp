#include "xvoice/xvoice_typelib.h"

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/typelib/type_info_cache.h"

namespace parlotto::xvoice {

ITypeInfo* DirectSSTypeInfo() {
  static TypeInfoCache cache(
      [](ITypeLib** library) {
        return LoadTypeLibFromResource(QStringLiteral(":/parlotto/xvoice/xvoice.typelib.json"),
                                       library);
      },
      "speech runtime");
  return cache.Info(DIID_DirectSS);
}

}  // namespace parlotto::xvoice
