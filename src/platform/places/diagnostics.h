// Where the platform layer reports trouble that it handles by itself (a damaged
// settings hive, a dialog it could not record). The program points this at its
// debug log at start-up; until then messages go to stderr.
#pragma once

#include <functional>
#include <string>

namespace parlotto {

using DiagnosticSink = std::function<void(const std::string&)>;

// Replaces the sink; an empty function restores stderr.
void SetDiagnosticSink(DiagnosticSink sink);

// Hands one line to the sink. Never throws.
void ReportDiagnostic(const std::string& line);

}  // namespace parlotto
