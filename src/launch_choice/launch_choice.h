// Which command line of the program reads a given file or address.
#pragma once

#include <QString>
#include <QStringList>

namespace parlotto {

struct LaunchChoice {
  // The program's arguments (switch and operand); empty when nothing fits.
  QStringList arguments;
  // Why nothing fits, in German for the user; empty otherwise.
  QString problem;
};

// The switch for a file of this MIME type (or of a type it inherits from):
// "-pdf", "-doc", "-html", "-f", or "" when the program reads no such file.
QString SwitchForMimeType(const QString& mime_name);

// The name patterns of every file type the program reads, for a file
// dialog's filter ("*.pdf", "*.txt", ...), without repeats.
QStringList ReadableFilePatterns();

// `target` is a file name (absolute or relative to the working directory),
// a file: URL, or a web address (http, https). Files are recognised by their
// contents and name through the shared MIME database; a file that does not
// exist is judged by its name and handed on, so that the program itself
// says that it is missing.
LaunchChoice ChooseLaunch(const QString& target);

}  // namespace parlotto
