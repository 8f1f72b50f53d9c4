// Where descriptions are kept: in a JSON file, or embedded by
// parlotto_embed_typelib in a program or shared object as the ELF section
// ".typelib" (".typelib.<n>" for resource id n).
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/com/typeinfo.h"

namespace parlotto {

QByteArray TypeLibSectionName(int resource_id);

// The description in `file`. "<file>/<n>" (or "<file>\<n>") names resource
// n of an ELF file, as "<dll>\<n>" does on the window system. Missing or
// unreadable files and ELF files without the section give
// TYPE_E_CANTLOADLIBRARY, descriptions over the size limit
// TYPE_E_INVDATAREAD. Reports what went wrong.
HRESULT ReadTypeLibDescription(const QString& file, QByteArray* text);

// The description embedded in the running program.
HRESULT ReadOwnTypeLibDescription(QByteArray* text, int resource_id = 1);

// The running program's full path, for RegisterTypeLib.
QString OwnExecutablePath();

}  // namespace parlotto
