// Diagnostics from the speech threads. The program's log sink is not made
// for other threads, so their lines are handed to the main thread's loop.
#pragma once

#include <QString>

namespace parlotto::xvoice {

void ReportFromAnyThread(const QString& line);

}  // namespace parlotto::xvoice
