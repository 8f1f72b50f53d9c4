// The directories the program relies on.
#pragma once

#include <string>

namespace parlotto {

// Directory of the running executable, with a trailing '/'.
std::string ProgramDir();

// Where the speech components and class registrations live:
// $PARLOTTO_SYSTEM_DIR, else <program dir>/system when it exists, else
// <prefix>/lib/parlotto/system. With a trailing '/'.
std::string SystemDir();

// The temporary directory: $TEMP when it is set and not empty (even if it names
// no directory), else $TMPDIR, else /tmp. With a trailing '/'.
std::string TempDir();

// $XDG_RUNTIME_DIR when it is a directory of this user's that nobody else may
// enter, else empty. With a trailing '/'.
std::string PrivateRuntimeDir();

// Where the program keeps its converted text: the program directory when it
// is writable and not an installed one (<prefix>/lib/parlotto/), else
// $XDG_CACHE_HOME/parlotto/ (created on demand).
std::string WorkFileDir();
// The same for a program in `program_dir` (with a trailing '/').
std::string WorkFileDirFor(const std::string& program_dir);

// $XDG_CONFIG_HOME, else ~/.config. With a trailing '/'.
std::string ConfigHome();

// $XDG_CACHE_HOME, else ~/.cache. With a trailing '/'.
std::string CacheHome();

}  // namespace parlotto
