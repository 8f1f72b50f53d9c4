// What the menu commands do, from the tray menu and the character's menu.
#include "parlotto/speech/speech_control_host.h"
#include "parlotto/vocato_form.h"
#include "platform/gui/shell.h"
#include "platform/places/places.h"

namespace parlotto {

void TVocatoForm::Info1Click() { ShowInfoWindow(); }

void TVocatoForm::Hilfe1Click() {
  ShellExecute(Handle(), "open", ProgramDir() + "hilfe.html", "", "", SW_SHOW);
}

void TVocatoForm::Einstellungen1Click() {
  ShellExecute(Handle(), "open", ProgramDir() + "VSettings", "", "", SW_SHOW);
}

void TVocatoForm::BeendenClick() {
  text_to_read.clear();
  EndSoon();
}

void TVocatoForm::QuitWithCharacter() {
  text_to_read.clear();
  if (character_loaded) StopAndHideCharacter();
  EndSoon();
}

void TVocatoForm::EndSoon() {
  ScheduleEnd(true);
  // Every speaking loop returns at its next check.
  stop_flag = true;
  // The piece being spoken would go on for the five seconds until the end;
  // whoever quits wants silence now.
  if (DirectSS1) DirectSS1->AudioReset();
}

}  // namespace parlotto
