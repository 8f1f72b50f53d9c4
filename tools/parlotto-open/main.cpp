// parlotto-open [FILE|URL]: starts the program with the switch that reads it.
// The desktop entry's Exec uses this, so that one entry serves every type.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>

#include "parlotto-open/launch_choice.h"

namespace {

void Complain(const QString& text) {
  std::fprintf(stderr, "parlotto-open: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.size() > 1) {
    Complain(QStringLiteral("Aufruf: parlotto-open [DATEI|ADRESSE]"));
    return 2;
  }
  // Started from the menu without a file: the program as it starts without
  // arguments.
  QStringList program_args;
  if (!args.isEmpty()) {
    const parlotto::LaunchChoice choice = parlotto::ChooseLaunch(args.first());
    if (choice.arguments.isEmpty()) {
      Complain(choice.problem);
      return 1;
    }
    program_args = choice.arguments;
  }
  // The program lies beside this launcher (a link to it is resolved).
  const QString program = QDir(QCoreApplication::applicationDirPath()).filePath("parlotto");
  // An argument list, never a shell string: names may hold any character.
  if (!QProcess::startDetached(program, program_args)) {
    Complain(QStringLiteral("%1 lässt sich nicht starten.").arg(program));
    return 1;
  }
  return 0;
}
