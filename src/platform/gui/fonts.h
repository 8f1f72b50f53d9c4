// The fonts the program's windows ask for by name, and what stands in for
// them where they are not installed: narrow sans fonts of the desktop, so
// that texts laid out for them still fit.
#pragma once

namespace parlotto {

// Call once after the Qt application object exists.
void InstallFontSubstitutions();

}  // namespace parlotto
