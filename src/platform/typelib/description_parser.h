// Reads a library description (the JSON format of docs/typelib-format.md)
// into a LibraryModel, checking everything that Invoke and the marshaller
// later rely on.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/typelib/type_model.h"

namespace parlotto::typelib {

// TYPE_E_INVDATAREAD for a damaged or inconsistent description,
// TYPE_E_UNSUPFORMAT for one that asks for what this reader does not know
// (a type, a flag, a format version); `problem` then says where and what.
HRESULT ParseDescription(const QByteArray& text, LibraryModel* model, QString* problem);

}  // namespace parlotto::typelib
