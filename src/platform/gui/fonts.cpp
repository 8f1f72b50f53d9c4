#include "platform/gui/fonts.h"

#include <QFont>
#include <QStringList>

namespace parlotto {

void InstallFontSubstitutions() {
  // Tahoma and MS Sans Serif are narrower than the usual sans fonts; a
  // condensed face keeps the dialogs' line breaks close to their design.
  const QStringList narrow{QStringLiteral("DejaVu Sans Condensed"),
                           QStringLiteral("Liberation Sans Narrow"),
                           QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
  QFont::insertSubstitutions(QStringLiteral("Tahoma"), narrow);
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrow);
}

}  // namespace parlotto
