// The PDF source's conversion, apart from the main window, so that it can be
// run against any converter library and work directory.
#pragma once

#include <functional>
#include <string>

namespace parlotto {

// Loads the converter `library` (nothing happens when it cannot be loaded),
// converts `pdf` into a text file of this call's own in `work_dir`, hides
// the wait dialog when the converter has returned, and then either hands
// the text file to `read` (a copy of it becomes "temp.txt" in `work_dir`
// first) or shows the message of the converter's result. A converter that
// crashes or outlives `limit_ms` counts as a result without a message; the
// debug log says what happened. Unloads the library at the end.
void ConvertPdfAndRead(const std::string& library, const std::string& pdf,
                       const std::string& work_dir, int limit_ms,
                       const std::function<void(const std::string& text_file)>& read);

}  // namespace parlotto
