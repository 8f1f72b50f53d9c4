// VSettings: edits the reading program's settings. The program reads them
// at its next reading; nothing here talks to a running program.
#include <QApplication>
#include <cstdlib>

#include "platform/com_runtime/apartment.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/fonts.h"
#include "platform/loop/qt_platform.h"
#include "vsettings/settings_dialog.h"
#include "vsettings/speech_runtime.h"
#include "vsettings/stored_settings.h"

int main(int argc, char** argv) {
  parlotto::ChooseQtPlatform();
  QApplication app(argc, argv);
  using namespace parlotto;
  SetApplicationTitle("Parlotto – Einstellungen");
  InstallFontSubstitutions();
  CoInitialize(nullptr);
  {
    vsettings::SpeechRuntime runtime;
    vsettings::SettingsDialog dialog(vsettings::ReadStoredSettings(), &runtime);
    dialog.show();
    QApplication::exec();
  }
  CoUninitialize();
  return 0;
}
