// VSettings: edits the reading program's settings. The program reads them
// at its next reading; nothing here talks to a running program.
#include <QApplication>
#include <cstdlib>

#include "platform/com_runtime/apartment.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/fonts.h"
#include "vsettings/settings_dialog.h"
#include "vsettings/speech_runtime.h"
#include "vsettings/stored_settings.h"

int main(int argc, char** argv) {
  const bool has_display =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  setenv("QT_QPA_PLATFORM", has_display ? "xcb;offscreen" : "offscreen", 0);
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
