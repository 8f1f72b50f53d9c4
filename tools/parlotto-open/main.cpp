// parlotto-open [FILE|URL]: starts the program with the switch that reads it.
// The desktop entry's Exec uses this, so that one entry serves every type;
// from the menu, without a file, it asks what to read.
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "launch_choice/launch_choice.h"
#include "parlotto-open/chooser_window.h"
#include "parlotto-open/launcher_desktop.h"
#include "platform/gui/dialogs.h"
#include "platform/loop/qt_platform.h"

namespace {

constexpr const char* kUsage =
    "Aufruf: parlotto-open [DATEI|ADRESSE]\n"
    "       parlotto-open --help\n"
    "\n"
    "Lässt Parlotto eine Datei oder Webseite vorlesen. Der Schalter des\n"
    "Programms richtet sich nach der Art der Datei:\n"
    "  PDF-Dokumente                parlotto -pdf DATEI\n"
    "  Word- und ODF-Dokumente      parlotto -doc DATEI\n"
    "  HTML-Dateien                 parlotto -html DATEI\n"
    "  Text- und RTF-Dateien        parlotto -f DATEI\n"
    "  Webadressen (http, https)    parlotto -wget ADRESSE\n"
    "\n"
    "Ohne Angabe öffnet sich ein Fenster: Zwischenablage, Browserfenster oder\n"
    "eine Datei vorlesen, oder die Einstellungen öffnen.\n"
    "\n"
    "  --help   diese Hilfe ausgeben\n"
    "\n"
    "Rückgabewert: 0, wenn das Programm gestartet wurde; 1, wenn nichts\n"
    "vorgelesen werden kann; 2 bei falschem Aufruf.\n";

// Started from the menu or a file manager, stdin and stderr lead nowhere a
// user looks; a message box says it there.
bool StartedFromTerminal() { return isatty(STDIN_FILENO) != 0 || isatty(STDERR_FILENO) != 0; }

// Without a display a window waits for ever for a user who cannot see it.
bool CanShowWindows() {
  return QGuiApplication::platformName() != QLatin1String("offscreen") ||
         parlotto::DialogsRecorded();
}

int OpenTarget(const QString& target, parlotto::LauncherDesktop& desktop) {
  const parlotto::LaunchChoice choice = parlotto::ChooseLaunch(target);
  if (choice.arguments.isEmpty()) {
    desktop.Tell(choice.problem);
    return 1;
  }
  return desktop.Start(QStringLiteral("parlotto"), choice.arguments) ? 0 : 1;
}

int AskWhatToRead() {
  // Qt's own file dialog in the user's language, where Qt's translations are
  // installed.
  QTranslator qt_texts;
  if (qt_texts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&qt_texts);
  }
  parlotto::LauncherDesktop desktop(/*boxes=*/true);
  desktop.RememberFront();
  parlotto::ChooserWindow chooser(&desktop);
  QObject::connect(&chooser, &QDialog::finished, qApp, &QCoreApplication::quit);
  chooser.show();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  const QStringList args = [&] {
    QStringList list;
    for (int i = 1; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
  }();
  // Answered before Qt starts, so that it works without a display.
  if (args == QStringList{QStringLiteral("--help")}) {
    std::fputs(kUsage, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  parlotto::ChooseQtPlatform();
  // Qt would take switches such as "-style" out of argv; a file may be
  // called so.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication app(qt_argc, qt_argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (args.isEmpty() && CanShowWindows()) return AskWhatToRead();
  parlotto::LauncherDesktop desktop(!StartedFromTerminal() && CanShowWindows());
  if (args.isEmpty()) {
    desktop.Tell(
        QStringLiteral("Ohne Bildschirm kann parlotto-open nicht fragen, was es vorlesen "
                       "soll. Nennen Sie eine Datei oder Adresse (parlotto-open --help)."));
    return 1;
  }
  if (args.size() > 1) {
    desktop.Tell(QStringLiteral("Aufruf: parlotto-open [DATEI|ADRESSE] (parlotto-open --help)"));
    return 2;
  }
  return OpenTarget(args.first(), desktop);
}
